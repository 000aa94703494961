#include "shell/QtOperatorPort.h"

#include "context/Clock.h"
#include "shell/Registro.h"
#include "shell/SBDeskTop.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QMessageBox::Icon iconaDi(OperatorPort::Icon icon)
{
    switch (icon) {
    case OperatorPort::Icon::None:
        return QMessageBox::NoIcon;
    case OperatorPort::Icon::Information:
        return QMessageBox::Information;
    case OperatorPort::Icon::Question:
        return QMessageBox::Question;
    case OperatorPort::Icon::Exclamation:
        return QMessageBox::Warning;
    case OperatorPort::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// A box over whatever window of the bridge is in front (the main window, or a modal one).
QWidget* genitore(QWidget* principale)
{
    if (QWidget* modale = QApplication::activeModalWidget())
        return modale;
    return principale;
}

// While a command computes the wait cursor is up; a box waits for the operator, so it shows the arrow.
class CursoreNormale
{
public:
    CursoreNormale() : m_attesa(QGuiApplication::overrideCursor() != nullptr)
    {
        if (m_attesa)
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~CursoreNormale()
    {
        if (m_attesa)
            QGuiApplication::restoreOverrideCursor();
    }
    CursoreNormale(const CursoreNormale&) = delete;
    CursoreNormale& operator=(const CursoreNormale&) = delete;

private:
    bool m_attesa;
};

// How often an open box with a deadline looks at the bridge's clock, in milliseconds.
constexpr int kControlloScadenza = 200;

} // namespace

void QtOperatorPort::setScadenza(const Clock* clock, const QDateTime& scadenza)
{
    m_clock = clock;
    m_scadenza = scadenza;
}

int QtOperatorPort::esegui(QDialog& box)
{
    m_scaduta = false;
    if (!m_clock || !m_scadenza.isValid())
        return box.exec();
    // The bridge's clock, not the box's own timer: the deadline is a moment of the bridge's time.
    QTimer controllo;
    controllo.setInterval(kControlloScadenza);
    QObject::connect(&controllo, &QTimer::timeout, &box, [&] {
        if (m_clock->now() < m_scadenza)
            return;
        m_scaduta = true;
        box.done(-1);
    });
    controllo.start();
    return box.exec();
}

OperatorPort::Answer QtOperatorPort::messageBox(const Message& message)
{
    CursoreNormale cursore;
    QMessageBox box(iconaDi(message.icon), message.title, message.text, QMessageBox::NoButton,
                    genitore(m_window.data()));
    QString testo = message.text;
    box.setText(testo.replace(u"\r\n"_s, u"\n"_s));
    Answer risposta = Answer::Ok;
    if (message.buttons == Buttons::YesNo) {
        QPushButton* si = box.addButton(u"&Sì"_s, QMessageBox::YesRole);
        QPushButton* no = box.addButton(u"&No"_s, QMessageBox::NoRole);
        box.setDefaultButton(message.defaultButton == Answer::Yes ? si : no);
        box.setEscapeButton(no);
        esegui(box);
        if (m_scaduta)
            risposta = message.whenUnattended.value_or(message.defaultButton);
        else if (box.clickedButton() == si)
            risposta = Answer::Yes;
        else if (box.clickedButton() == no)
            risposta = Answer::No;
        else // the program is ending (SIGTERM) and nobody answered
            risposta = message.whenUnattended.value_or(message.defaultButton);
    } else {
        QPushButton* ok = box.addButton(u"OK"_s, QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        esegui(box);
    }
    if (m_registro)
        m_registro->scrivi(u"["_s + message.title + u"] "_s + message.text + u"\n-> risposta: "_s +
                           (risposta == Answer::Yes  ? u"Sì"_s
                            : risposta == Answer::No ? u"No"_s
                            : risposta == Answer::Ok ? u"OK"_s
                                                     : u"nessuna"_s) +
                           (m_scaduta ? u" (nessuna risposta in tempo)"_s : QString()));
    return risposta;
}

std::optional<QString> QtOperatorPort::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    CursoreNormale cursore;
    QInputDialog dialog(genitore(m_window.data()));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(u"OK"_s);
    dialog.setCancelButtonText(u"Annulla"_s);
    std::optional<QString> risposta;
    if (esegui(dialog) == QDialog::Accepted && !m_scaduta)
        risposta = dialog.textValue();
    if (m_registro)
        m_registro->scrivi(u"["_s + title + u"] "_s + prompt + u"\n-> risposta: "_s +
                           (risposta    ? u"\""_s + *risposta + u'"'
                            : m_scaduta ? u"nessuna (nessuna risposta in tempo)"_s
                                        : u"annullata"_s));
    return risposta;
}

void QtOperatorPort::setRequestText(const QString& text)
{
    if (m_window)
        m_window->setTesto(0, text);
}

void QtOperatorPort::setAnswerText(const QString& text)
{
    if (m_window)
        m_window->setTesto(1, text);
}

void QtOperatorPort::setCaption(const QString& caption)
{
    if (!m_window)
        return;
    // A change of working mode is worth a line in the log.
    if (m_registro && m_window->windowTitle() != caption)
        m_registro->scrivi(caption);
    m_window->setWindowTitle(caption);
}
