#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class Database;
class Recordset;

// What of a web reservation QV books: the guest's name, the stay, the room stays (type, rooms,
// guests, meal plan, price) and the nightly prices and totals. Two deliveries that agree on all of
// it are one version: a repeat. One that differs is a modification, to be applied to QV's booking.
//
// The version last applied to QV is kept with its booking number and the room rows the bridge wrote
// (VersioniInQV); each version a modification replaced goes to the history (StoricoPrenotazioni).
struct VersionePrenotazione
{
    static constexpr int Stanze = 10;

    struct Slot
    {
        QString tipo; // web room type id; empty: a free slot
        double quantita = 0;
        double persone = 0;
        double prezzo = 0;
        QString trattamento;
        std::optional<double> totale; // rows stored before the stays' totals were kept have none
    };
    struct Notte
    {
        int soggiorno = 0; // the room stay (1..10)
        QString tipo;      // web room type code
        QString giorno;    // yyyymmdd
        double prezzo = 0;
    };

    QString cognome, nome;
    QString dal, al; // yyyymmdd
    double totale = 0, totaleOriginale = 0;
    std::array<QString, Stanze> codici; // Room k: the room type code of room stay k
    std::array<Slot, Stanze> slot;
    QList<Notte> notti; // sorted by stay, day

    // The version a Reservations row and its ReservationsPrice rows hold now.
    static VersionePrenotazione leggi(const Recordset& reservation, Database& db);
    bool operator==(const VersionePrenotazione& altra) const;

    // As stored in the history and with the applied version.
    QString testo() const;
    static std::optional<VersionePrenotazione> daTesto(const QString& testo);

    // "dal 15/12/2026 al 17/12/2026, DBL 1": the stay and the rooms asked.
    QString soggiorno() const;
    // What changed from prima to dopo, in words: the stay and the rooms always ("dal 15/12/2026 al
    // 17/12/2026 -> dal 25/12/2026 al 28/12/2026, DBL 1 -> DBL 1"), then each other value that
    // changed (guests, meal plans, prices, totals, name).
    static QString differenze(const VersionePrenotazione& prima, const VersionePrenotazione& dopo);
};

// A room row the bridge wrote into QV: what the front desk may change by hand.
struct RigaScritta
{
    QString camera, tipo, dal, al; // dates yyyymmdd
    bool operator==(const RigaScritta&) const = default;
};

// The version of a web reservation that QV's booking holds, as the bridge last wrote it.
struct VersioneApplicata
{
    qint32 numero = 0; // the QV booking; 0 when it was not known (bookings written by older versions)
    VersionePrenotazione versione;
    std::optional<QList<RigaScritta>> righe; // none when the bridge's rows were not recorded

    // In SimpleBooking.mdb (or a unit of work with it as its main file).
    static std::optional<VersioneApplicata> leggi(Database& db, const QString& nPren);
    static void registra(Database& db, const QString& nPren, const VersioneApplicata& v, const QDateTime& ora);
};

// The history of a web reservation's versions: each replaced version, when the one replacing it was
// received, its status, and what changed.
namespace StoricoPrenotazioni {
void aggiungi(Database& db, const QString& nPren, const QDateTime& ricevuta, const QString& status,
              const VersionePrenotazione& prima, const QString& modifiche);
// What the last modification of the reservation changed; empty when it has none.
QString ultimaModifica(Database& db, const QString& nPren);
} // namespace StoricoPrenotazioni
