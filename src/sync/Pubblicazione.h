#pragma once

#include "sync/ArchivioSync.h"
#include "sync/CamereDaOffrire.h"
#include "sync/Deriva.h"

#include <QString>

class AppContext;
class Database;

// Everything that tells the service its availability goes through here: a prepared file (the
// operator's, "publish"'s, a renamed ".failed" one) and the comparison of every tick. Each value is
// capped at the moment of sending at the rooms to offer and the operator's limit; what the service
// accepts is recorded; only the holder of the data directory's publishing lease sends.
class Pubblicazione
{
public:
    // This bridge in the publishing lease, for the whole run: its name in the lease row (one per
    // running program), its own tick count (the shell advances it) and what it saw of another holder.
    struct Incarico
    {
        explicit Incarico(QString nome) : titolare(std::move(nome)) {}
        QString titolare;
        qint64 ciclo = 0;
        ArchivioSync::VistaIncarico vista;
    };

    Pubblicazione(AppContext& ctx, Incarico& incarico);

    // After a refused or failed notification, the comparison waits this long before trying again.
    static constexpr int AttesaDopoErrore = 120;
    static constexpr int Periodo = 31; // days of one notification
    static constexpr int OrizzonteMassimo = 400;

    // The lease: taken or renewed. False when another bridge holds it. Another takes it over only
    // after its counter stood still for longer than one exchange can last (see cicliDiSubentro), so
    // that no other bridge sends while this one's notification is on its way.
    bool prendiIncarico();
    // The ticks of 25 s over which a holder's counter must stand still before another takes over:
    // at least three, and more than one exchange (connection and answer) can last.
    static int cicliDiSubentro(const AppContext& ctx);
    void lasciaIncarico();

    // Sends a prepared availability file. True when the service took it (or it held nothing to send).
    bool inviaFile(const QString& codiceHotel, const QString& nomeFile);

    struct Esito
    {
        bool inAttesa = false;      // a failure less than AttesaDopoErrore ago: nothing compared
        bool altroTitolare = false; // another bridge publishes
        int differenze = 0;         // days and types that differed
        int rischi = 0;             // of which the service offered more than there is
        int inviate = 0;            // notifications accepted
        bool fallita = false;       // a notification was refused or failed
    };
    // The tick's comparison over `orizzonte` days from today, and the notifications it needs.
    Esito allinea(const QString& codiceHotel, int orizzonte);

private:
    struct Richiesta
    {
        int tipo = 0; // in the rooms to offer
        QDate giorno;
        qint64 valore = 0;
    };
    // Caps each value, sends one notification, records what was accepted and the outcome.
    bool invia(const QString& codiceHotel, const CamereDaOffrire& offerta, const Deriva::Detti& limiti,
               const QList<Richiesta>& richieste);

    AppContext& m_ctx;
    Incarico& m_incarico;
};
