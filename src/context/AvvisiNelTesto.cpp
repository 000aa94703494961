#include "context/AvvisiNelTesto.h"

using namespace Qt::StringLiterals;

// While it lives, a box waits for the operator.
class AvvisiNelTesto::InAttesa
{
public:
    explicit InAttesa(int& livello) : m_livello(livello) { ++m_livello; }
    ~InAttesa() { --m_livello; }
    InAttesa(const InAttesa&) = delete;
    InAttesa& operator=(const InAttesa&) = delete;

private:
    int& m_livello;
};

namespace {

// The first line of a question, enough to tell which one it was.
QString inBreve(const QString& titolo, const QString& testo)
{
    const QString riga = testo.section(u'\n', 0, 0).trimmed();
    return u"["_s + titolo + u"] "_s + (riga.size() > 120 ? riga.left(117) + u"..."_s : riga);
}

} // namespace

void AvvisiNelTesto::esceSenzaAttesa()
{
    if (--m_senzaAttesa == 0)
        m_rimandate = false; // the next unattended command asks again
}

template <typename R, typename Chiedi> R AvvisiNelTesto::conScadenza(const QString& domanda, Chiedi chiedi, R piuTardi)
{
    if (m_rimandate) {
        if (m_registra)
            m_registra(domanda + u" -> più tardi (una domanda precedente è rimasta senza risposta)"_s);
        return piuTardi;
    }
    m_port.setScadenza(&m_clock, m_clock.now().addSecs(TempoDiRisposta));
    R risposta = [&] {
        InAttesa attesa(m_inAttesa);
        return chiedi();
    }();
    m_port.setScadenza(nullptr, QDateTime());
    if (!m_port.scaduta())
        return risposta;
    m_rimandate = true;
    avvisa(u"Nessuna risposta in "_s + QString::number(TempoDiRisposta / 60) + u" minuti a "_s + domanda +
           u": rimandata al prossimo scaricamento, come le altre domande di questo; nulla è stato segnato come "_s
           u"gestito."_s);
    return piuTardi;
}

OperatorPort::Answer AvvisiNelTesto::messageBox(const Message& message)
{
    if (message.buttons != Buttons::Ok || (!message.avviso && !senzaAttesa())) {
        if (message.buttons == Buttons::YesNo && senzaAttesa())
            return conScadenza(
                inBreve(message.title, message.text), [&] { return m_port.messageBox(message); },
                message.whenUnattended.value_or(message.defaultButton));
        const InAttesa attesa(m_inAttesa);
        return m_port.messageBox(message);
    }
    avvisa(message.title.isEmpty() ? message.text : message.title + u": "_s + message.text);
    return Answer::Ok;
}

std::optional<QString> AvvisiNelTesto::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    if (senzaAttesa())
        return conScadenza(
            inBreve(title, prompt), [&] { return m_port.inputBox(prompt, title, defaultText); },
            std::optional<QString>());
    const InAttesa attesa(m_inAttesa);
    return m_port.inputBox(prompt, title, defaultText);
}

void AvvisiNelTesto::avvisa(const QString& avviso)
{
    m_avvisi.append(avviso);
    mostra();
    if (m_registra)
        m_registra(avviso);
}

void AvvisiNelTesto::setRequestText(const QString& text)
{
    m_port.setRequestText(text);
}

void AvvisiNelTesto::setAnswerText(const QString& text)
{
    m_risposta = text;
    mostra();
}

void AvvisiNelTesto::mostra()
{
    if (m_avvisi.isEmpty()) {
        m_port.setAnswerText(m_risposta); // shared, not copied: answers can be large
        return;
    }
    QStringList parti = m_avvisi;
    if (!m_risposta.isEmpty())
        parti.prepend(m_risposta);
    m_port.setAnswerText(parti.join(u"\r\n\r\n"_s));
}

void AvvisiNelTesto::setCaption(const QString& caption)
{
    m_port.setCaption(caption);
}
