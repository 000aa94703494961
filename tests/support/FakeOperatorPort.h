#pragma once

#include "context/OperatorPort.h"
#include "support/QtPrinters.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>

// The operator, scripted: answers come from a queue, and everything shown is recorded.
class FakeOperatorPort : public OperatorPort
{
public:
    struct Shown
    {
        Message message;
        Answer answer;
    };

    // Queue the answers to the next questions and input boxes, in order.
    void answer(Answer a) { m_answers.push_back(a); }
    void type(const QString& text) { m_inputs.push_back({true, text}); }
    void cancelInput() { m_inputs.push_back({false, QString()}); }

    Answer messageBox(const Message& message) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setRequestText(const QString& text) override { requests.append(text); }
    void setAnswerText(const QString& text) override { answers.append(text); }
    void setCaption(const QString& text) override { caption = text; }

    // What the operator was shown.
    QList<Shown> messages;
    QStringList inputPrompts;
    QStringList inputDefaults; // the default answer each input box offered
    QStringList requests; // every text put into the upper box
    QStringList answers;  // every text put into the lower box
    QString caption;

    // Runs before each input box is answered: an operator who takes their time at the prompt.
    std::function<void(const QString& prompt)> beforeInput;
    // Runs before each message box is answered: what the program has left behind while it waits.
    std::function<void(const Message& message)> beforeAnswer;

    QStringList messageTexts() const;
    bool pendingAnswers() const { return !m_answers.empty() || !m_inputs.empty(); }

private:
    std::deque<Answer> m_answers;
    std::deque<std::pair<bool, QString>> m_inputs; // typed?, text
};
