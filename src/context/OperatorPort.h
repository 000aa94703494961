#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class Clock;

// Everything the bridge shows to or asks of the operator goes through this port: message boxes,
// questions, input boxes, the main window's two text boxes and its caption. The desktop implements
// it with real windows, the unattended mode with a log and an answer script, tests with a fake.
class OperatorPort
{
public:
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Unanswered };

    struct Message
    {
        QString title;
        QString text;
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        Answer defaultButton = Answer::Ok;
        // What counts as the answer when nobody is there to give one. A question that decides the
        // fate of a reservation says Unanswered, so that the reservation waits for an operator.
        std::optional<Answer> whenUnattended;
        // A notice of something that went wrong while the work goes on (a confirmation the service
        // refused, a copy that could not be saved): shown below the lower text box's text and
        // logged, never in a box that waits for a click. Only for messages with an OK button.
        bool avviso = false;
    };

    virtual ~OperatorPort() = default;

    virtual Answer messageBox(const Message& message) = 0;
    // nullopt when the operator cancels or nobody can answer.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;

    virtual void setRequestText(const QString& text) = 0; // upper text box, Text1(0)
    virtual void setAnswerText(const QString& text) = 0;  // lower text box, Text1(1)
    virtual void setCaption(const QString& caption) = 0;

    // A box of work nobody started (the timer's) does not wait for ever: once `clock` reaches
    // `scadenza` it closes by itself, unanswered (a question as whenUnattended says, an input box
    // with nullopt). An invalid `scadenza` waits for the operator again. Ports that never wait for
    // anyone (the unattended mode's, the tests' fakes) have nothing to close.
    virtual void setScadenza(const Clock* clock, const QDateTime& scadenza)
    {
        (void)clock;
        (void)scadenza;
    }
    // Whether the last box closed by itself at its deadline.
    virtual bool scaduta() const { return false; }

    // Conveniences over messageBox.
    void inform(const QString& title, const QString& text, Icon icon = Icon::Exclamation)
    {
        messageBox({title, text, icon, Buttons::Ok, Answer::Ok, {}, false});
    }
    void avviso(const QString& title, const QString& text)
    {
        messageBox({title, text, Icon::Exclamation, Buttons::Ok, Answer::Ok, {}, true});
    }
    Answer ask(const QString& title, const QString& text, Answer defaultButton,
               std::optional<Answer> whenUnattended = {})
    {
        return messageBox({title, text, Icon::Question, Buttons::YesNo, defaultButton, whenUnattended, false});
    }
};
