#pragma once

#include "shell/Comandi.h"
#include "shell/Conservazione.h"
#include "shell/Scheduler.h"
#include "sync/Pubblicazione.h"

#include <QString>
#include <optional>

class AppContext;
class Registro;

// One run of the bridge, with or without windows: the start-up, what each activation of the main
// window does, and the commands, one at a time, each written to the log with its start, end and
// outcome. The windows and the unattended mode only bind to it.
class Sessione final : private Scheduler::Lavori
{
public:
    Sessione(AppContext& ctx, Registro& registro);
    ~Sessione();
    Sessione(const Sessione&) = delete;
    Sessione& operator=(const Sessione&) = delete;

    enum class Comando { GetRooms, GetRates, Reservations, Tick, Publish };
    static std::optional<Comando> comando(const QString& nome);
    static QString nome(Comando c);

    // Whether the working directory can be used: it exists and can be written. Empty when it can,
    // else what is wrong.
    QString verificaCartella() const;
    // Start-up: the working directory checked, the exchange folder created and every database
    // brought up to the layout of the table definitions. Empty on success, else what is wrong.
    QString avvia();

    // What each activation does: SBookParam.txt read again, the HotelId row of CodiceHotel made
    // when missing, the caption set. False when the file does not exist (nothing else is done).
    bool attiva();

    // Runs one command; false, with nothing done, while another one is still running.
    bool esegui(Comando c);
    bool occupato() const { return m_occupazione.attiva(); }

    // "--publish": at every tick with Attivo set, the days whose rooms to offer differ from what the
    // service was last told go out (as line 13 of the settings does).
    void setPubblica(bool pubblica) { m_pubblica = pubblica; }
    bool pubblicazioneAttiva() const;

    Scheduler& scheduler() { return m_scheduler; }
    Registro& registro() { return m_registro; }

private:
    void scaricaPrenotazioni() override;
    bool inviaDisponibilita(const QString& codiceHotel, const QString& nomeFile) override;
    bool puoInviare() override;
    void allineaDisponibilita() override;
    void battito() override;
    void aggiungiHotel();
    // The database files of the working directory another program holds right now.
    QStringList fileBloccati() const;
    // "publish": the monthly grid for the 31 days from today filled from QV's counters, its file
    // prepared (no prices) and, with Attivo set, sent at once by the timer's own send.
    void pubblica();
    class SoloInvio;
    QString esitoUltimaRisposta() const;
    // A store or other error of timer work: told, logged, and the program goes on.
    template <typename F> void senzaInterruzioni(const QString& lavoro, F&& f);

    AppContext& m_ctx;
    Registro& m_registro;
    Comandi m_comandi;
    Occupazione m_occupazione;
    Scheduler m_scheduler;
    Conservazione m_conservazione;
    bool m_didascaliaScritta = false; // a caption has named a working mode
    bool m_pubblica = false;
    Pubblicazione::Incarico m_incarico; // this run in the publishing lease
    bool m_altroTitolareDetto = false;
};
