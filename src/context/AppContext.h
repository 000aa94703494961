#pragma once

#include "context/Avanzamento.h"
#include "context/AvvisiNelTesto.h"
#include "context/Clock.h"
#include "context/OperatorPort.h"
#include "context/Settings.h"

#include <QDir>
#include <QString>
#include <array>

// The process-wide values of the bridge, in one object passed by reference.
class AppContext
{
public:
    AppContext(const QString& workDir, const Clock& clock, OperatorPort& op);

    // The service's own address; SB_BASE_URL in the environment replaces it.
    static constexpr const char16_t* DefaultBaseUrl = u"https://ws.simplebooking.it";

    Settings settings;
    const qint16 NumeroHotelCorrente = 1;
    const std::array<qint16, 12> GiorniMese{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    QString UltimaRisposta;
    QString baseUrl;
    // The program's own table definitions (see percorsoDefinizioniProgramma); empty when it has none.
    QString definizioniProgramma;
    // How far a long piece of work has come, and whether the program was asked to stop.
    Avanzamento avanzamento;

    // Network time-outs of one exchange, in milliseconds.
    long connectTimeoutMs = 15000;
    long exchangeTimeoutMs = 120000;
    // The largest answer an exchange takes; a longer one ends it like a transport failure.
    qsizetype maxRispostaBytes = qsizetype(64) * 1024 * 1024;
    // The confirmations of one stored group go over up to this many kept connections at once, since a
    // chain of them waits mostly for the service's round trip; 1 sends them one after the other.
    int confermeInParallelo = 4;

    const Clock& clock() const { return m_clock; }
    // The operator's port as the bridge's code uses it: notices never wait for a click (see
    // AvvisiNelTesto), and neither does anything while an unattended command runs.
    OperatorPort& op() const { return m_avvisi; }

    // While it lives, the running command is unattended (the timer started it): a message that
    // asks nothing goes to the lower text box and the log instead of a modal box; questions and
    // input boxes are asked, and close by themselves unanswered after a while (see AvvisiNelTesto).
    class SenzaAttesa
    {
    public:
        explicit SenzaAttesa(AppContext& ctx) : m_ctx(ctx) { m_ctx.m_avvisi.entraSenzaAttesa(); }
        ~SenzaAttesa() { m_ctx.m_avvisi.esceSenzaAttesa(); }
        SenzaAttesa(const SenzaAttesa&) = delete;
        SenzaAttesa& operator=(const SenzaAttesa&) = delete;

    private:
        AppContext& m_ctx;
    };
    bool senzaAttesa() const { return m_avvisi.senzaAttesa(); }
    // A message box or input box waits for the operator right now: no unit of work is open.
    bool operatoreInAttesa() const { return m_avvisi.operatoreInAttesa(); }
    // A command begins (a button, the timer): the last command's notices leave the text box.
    void nuovoComando() { m_avvisi.azzeraAvvisi(); }
    // Where notices are logged: the shell hands its log here once.
    void setRegistro(AvvisiNelTesto::Registra registra) { m_avvisi.setRegistra(std::move(registra)); }
    const QDir& workDir() const { return m_workDir; }

    // A path under the working directory for a name the system writes, whatever its spelling:
    // "Simplebooking\Chiamata.txt" and "SimpleBooking\Chiamata.txt" are the same file, and an
    // existing file whose name differs only in case is found again.
    QString path(const QString& name) const;
    // The exchange subfolder, created when missing; empty when it cannot be created.
    QString exchangeDir() const;

    // Reads SBookParam.txt again (as each activation of the main window does).
    bool reloadSettings() { return settings.load(m_workDir.path()); }
    QString caption() const;

    static constexpr const char16_t* ExchangeFolder = u"SimpleBooking";

private:
    QDir m_workDir;
    const Clock& m_clock;
    mutable AvvisiNelTesto m_avvisi;
};
