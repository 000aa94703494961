#pragma once

#include "context/OperatorPort.h"

#include <QStringList>

#include <functional>

// Stands between the bridge and the operator's own port. A notice (a message that asks nothing
// and says it must not wait, see OperatorPort::avviso) goes below the text of the lower text box
// and to the log instead of into a modal box; so does every message that asks nothing while the
// running command is unattended (the timer started it), since nobody is there to click and the
// one thread must not stop. Questions and input boxes decide a reservation's fate: they always go
// to the operator's port unchanged. The notices of the running command stay below whatever answer
// the lower text box shows next.
class AvvisiNelTesto final : public OperatorPort
{
public:
    using Registra = std::function<void(const QString&)>;

    explicit AvvisiNelTesto(OperatorPort& port) : m_port(port) {}

    // Where notices are logged (the shell's log); none: only the text box shows them.
    void setRegistra(Registra registra) { m_registra = std::move(registra); }
    void entraSenzaAttesa() { ++m_senzaAttesa; }
    void esceSenzaAttesa() { --m_senzaAttesa; }
    bool senzaAttesa() const { return m_senzaAttesa > 0; }
    // A new command begins: the notices of the last one leave the text box (the log keeps them).
    void azzeraAvvisi() { m_avvisi.clear(); }

    Answer messageBox(const Message& message) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setRequestText(const QString& text) override;
    void setAnswerText(const QString& text) override;
    void setCaption(const QString& caption) override;

private:
    OperatorPort& m_port;
    Registra m_registra;
    int m_senzaAttesa = 0;
    void mostra();

    QString m_risposta;   // the answer the lower text box shows
    QStringList m_avvisi; // the notices of this command, kept below it
};
