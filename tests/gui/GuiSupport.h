#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Runs the event loop until the condition holds or the time is up; the condition's last value.
inline bool aspetta(const std::function<bool()>& condizione, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!condizione()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::sendPostedEvents();
    }
    return true;
}

// Whether every character of the font is as wide as any other (some monospaced fonts do not say so).
inline bool larghezzaFissa(const QFont& font)
{
    const QFontMetrics fm(font);
    return fm.horizontalAdvance(QStringLiteral("iiiiii")) == fm.horizontalAdvance(QStringLiteral("MMMMMM")) &&
           fm.horizontalAdvance(QStringLiteral("      ")) == fm.horizontalAdvance(QStringLiteral("000000"));
}

// Lets the event loop run for a while (for things that must NOT happen).
inline void lascia(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The next modal window of type W, handled by the given function from inside its own event loop
// (exec() does not return to the test until the window closes).
template <typename W> class QuandoModale
{
public:
    explicit QuandoModale(std::function<void(W*)> azione) : m_azione(std::move(azione))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
            if (!w || !w->isVisible())
                return;
            m_timer.stop();
            ++m_volte;
            m_azione(w);
        });
        m_timer.start();
    }
    bool avvenuto() const { return m_volte > 0; }

private:
    std::function<void(W*)> m_azione;
    QTimer m_timer;
    int m_volte = 0;
};

// The next message box: its title and text are kept, and the button with the given text is clicked.
class RispostaAlMessaggio
{
public:
    explicit RispostaAlMessaggio(const QString& pulsante)
        : m_modale([this, pulsante](QMessageBox* box) {
              titolo = box->windowTitle();
              testo = box->text();
              for (QAbstractButton* b : box->buttons()) {
                  pulsanti.append(b->text());
                  if (b->text() == pulsante)
                      QTimer::singleShot(0, b, &QAbstractButton::click);
              }
          })
    {
    }
    bool mostrato() const { return m_modale.avvenuto(); }

    QString titolo;
    QString testo;
    QStringList pulsanti;

private:
    QuandoModale<QMessageBox> m_modale;
};

// Every message box that opens meanwhile is answered with its escape button ("OK", or "No"), and its
// text kept: a command that tells or asks something cannot hang a test.
class ChiudiMessaggi
{
public:
    ChiudiMessaggi()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box == m_ultimo)
                return;
            m_ultimo = box;
            testi.append(box->text());
            if (QAbstractButton* b = box->escapeButton())
                QTimer::singleShot(0, b, &QAbstractButton::click);
        });
        m_timer.start();
    }

    QStringList testi;

private:
    QTimer m_timer;
    QPointer<QMessageBox> m_ultimo;
};
