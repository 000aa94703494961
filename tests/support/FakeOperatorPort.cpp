#include "support/FakeOperatorPort.h"

OperatorPort::Answer FakeOperatorPort::messageBox(const Message& message)
{
    if (beforeAnswer)
        beforeAnswer(message);
    Answer a = Answer::Ok;
    if (message.buttons == Buttons::YesNo) {
        if (m_answers.empty()) {
            a = message.whenUnattended.value_or(message.defaultButton);
        } else {
            a = m_answers.front();
            m_answers.pop_front();
        }
    }
    messages.append({message, a});
    return a;
}

std::optional<QString> FakeOperatorPort::inputBox(const QString& prompt, const QString&, const QString& defaultText)
{
    inputPrompts.append(prompt);
    inputDefaults.append(defaultText);
    if (beforeInput)
        beforeInput(prompt);
    if (m_inputs.empty())
        return std::nullopt;
    const auto [typed, text] = m_inputs.front();
    m_inputs.pop_front();
    return typed ? std::optional<QString>(text) : std::nullopt;
}

QStringList FakeOperatorPort::messageTexts() const
{
    QStringList out;
    for (const Shown& s : messages)
        out.append(s.message.text);
    return out;
}
