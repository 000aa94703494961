#pragma once

#include "shell/Comandi.h"
#include "shell/Scheduler.h"

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

    // "--publish": after every timer download that changed QV's bookings, the availability of the
    // 31 days from today is published as "publish" does.
    void setPubblicaDopoScaricamento(bool pubblica) { m_pubblicaDopoScaricamento = pubblica; }

    Scheduler& scheduler() { return m_scheduler; }
    Registro& registro() { return m_registro; }

private:
    void scaricaPrenotazioni() override;
    bool inviaDisponibilita(const QString& codiceHotel, const QString& nomeFile) override;
    void aggiungiHotel();
    // The database files of the working directory another program holds right now.
    QStringList fileBloccati() const;
    // "publish": the monthly grid for the 31 days from today filled from QV's counters, its file
    // prepared (no prices) and, with Attivo set, sent at once by the timer's own send.
    void pubblica();
    class SoloInvio;
    // QV's free rooms of the months the next 31 days touch, as one fingerprint.
    QByteArray camereLibere() const;
    QString esitoUltimaRisposta() const;

    AppContext& m_ctx;
    Registro& m_registro;
    Comandi m_comandi;
    Occupazione m_occupazione;
    Scheduler m_scheduler;
    bool m_didascaliaScritta = false; // a caption has named a working mode
    bool m_pubblicaDopoScaricamento = false;
};
