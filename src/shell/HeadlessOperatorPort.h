#pragma once

#include "context/OperatorPort.h"

#include <QStringList>
#include <deque>

class Registro;

// The operator of the unattended mode: every message, question and answer goes to the log (and so
// to standard error); the answers come from a script, one line each, in order. A message with only
// an OK button takes no line. When the script runs out, a question takes its unattended answer
// (else its default button) and an input box is left without an answer.
class HeadlessOperatorPort final : public OperatorPort
{
public:
    explicit HeadlessOperatorPort(Registro& registro, const QStringList& risposte = {});

    // The lines of an answer script (UTF-8, or the system's code page when it is not UTF-8); nullopt
    // and the reason when it cannot be read.
    static std::optional<QStringList> leggiRisposte(const QString& path, QString* errore);

    Answer messageBox(const Message& message) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setRequestText(const QString& text) override { m_richiesta = text; }
    void setAnswerText(const QString& text) override { m_risposta = text; }
    void setCaption(const QString& caption) override;

    const QString& requestText() const { return m_richiesta; }
    const QString& answerText() const { return m_risposta; }
    const QString& caption() const { return m_caption; }
    qsizetype risposteRimaste() const { return qsizetype(m_risposte.size()); }

private:
    Registro& m_registro;
    std::deque<QString> m_risposte;
    QString m_richiesta;
    QString m_risposta;
    QString m_caption;
};
