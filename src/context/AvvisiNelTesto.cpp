#include "context/AvvisiNelTesto.h"

using namespace Qt::StringLiterals;

OperatorPort::Answer AvvisiNelTesto::messageBox(const Message& message)
{
    if (message.buttons != Buttons::Ok || (!message.avviso && !senzaAttesa()))
        return m_port.messageBox(message);
    const QString avviso = message.title.isEmpty() ? message.text : message.title + u": "_s + message.text;
    m_avvisi.append(avviso);
    mostra();
    if (m_registra)
        m_registra(avviso);
    return Answer::Ok;
}

std::optional<QString> AvvisiNelTesto::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    return m_port.inputBox(prompt, title, defaultText);
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
