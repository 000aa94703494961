#pragma once

#include "context/Clock.h"
#include "context/OperatorPort.h"

#include <QStringList>

#include <functional>

// Stands between the bridge and the operator's own port. A notice (a message that asks nothing
// and says it must not wait, see OperatorPort::avviso) goes below the text of the lower text box
// and to the log instead of into a modal box; so does every message that asks nothing while the
// running command is unattended (the timer started it), since nobody is there to click and the
// one thread must not stop. Questions and input boxes decide a reservation's fate: they go to the
// operator's port; while the running command is unattended they close by themselves, unanswered,
// after TempoDiRisposta seconds, and once one has, the rest of that command are answered "later" at
// once, so that a backlog does not hold the timer for hours. The notices of the running command stay
// below whatever answer the lower text box shows next.
class AvvisiNelTesto final : public OperatorPort
{
public:
    using Registra = std::function<void(const QString&)>;

    AvvisiNelTesto(OperatorPort& port, const Clock& clock) : m_port(port), m_clock(clock) {}

    // How long a question of unattended work waits for an answer, in seconds.
    static constexpr int TempoDiRisposta = 300;

    // Where notices are logged (the shell's log); none: only the text box shows them.
    void setRegistra(Registra registra) { m_registra = std::move(registra); }
    void entraSenzaAttesa() { ++m_senzaAttesa; }
    void esceSenzaAttesa();
    bool senzaAttesa() const { return m_senzaAttesa > 0; }
    // Whether a box waits for the operator right now (the thread is in its event loop, with no unit
    // of work open).
    bool operatoreInAttesa() const { return m_inAttesa > 0; }
    // A new command begins: the notices of the last one leave the text box (the log keeps them).
    void azzeraAvvisi() { m_avvisi.clear(); }

    Answer messageBox(const Message& message) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setRequestText(const QString& text) override;
    void setAnswerText(const QString& text) override;
    void setCaption(const QString& caption) override;

private:
    class InAttesa;
    // A question or input box of unattended work: answered "later" at once after an earlier one went
    // unanswered, else asked with its deadline. `chiedi` asks the port; `piuTardi` is the answer "later".
    template <typename R, typename Chiedi> R conScadenza(const QString& domanda, Chiedi chiedi, R piuTardi);
    void avvisa(const QString& avviso);
    void mostra();

    OperatorPort& m_port;
    const Clock& m_clock;
    Registra m_registra;
    int m_senzaAttesa = 0;
    int m_inAttesa = 0;
    bool m_rimandate = false; // a question of this unattended command went unanswered

    QString m_risposta;   // the answer the lower text box shows
    QStringList m_avvisi; // the notices of this command, kept below it
};
