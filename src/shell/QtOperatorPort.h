#pragma once

#include "context/OperatorPort.h"

#include <QDateTime>
#include <QPointer>

class QDialog;

class Registro;
class SBDeskTop;

// The operator at the desktop: message boxes and input boxes with Italian buttons, the main
// window's two text boxes and its caption. Every message and answer is also logged.
class QtOperatorPort final : public OperatorPort
{
public:
    explicit QtOperatorPort(Registro* registro = nullptr) : m_registro(registro) {}

    void setWindow(SBDeskTop* window) { m_window = window; }

    Answer messageBox(const Message& message) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setRequestText(const QString& text) override;
    void setAnswerText(const QString& text) override;
    void setCaption(const QString& caption) override;
    void setScadenza(const Clock* clock, const QDateTime& scadenza) override;
    bool scaduta() const override { return m_scaduta; }

private:
    // Runs the box until the operator closes it, or until its deadline, if it has one.
    int esegui(QDialog& box);

    Registro* m_registro;
    const Clock* m_clock = nullptr;
    QDateTime m_scadenza;
    bool m_scaduta = false;
    QPointer<SBDeskTop> m_window;
};
