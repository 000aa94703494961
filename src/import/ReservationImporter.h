#pragma once

#include "service/GiudizioRisposta.h"

#include <QString>
#include <optional>

class AppContext;
class Database;
class Recordset;
class RoomStayParser;
class ServiceClient;
class TagScanner;
struct ValoreRifiutato;

// Turns the answers of the reservation download into rows of Reservations and ReservationsPrice
// and confirms each reservation to the service once it is stored.
//
// The reservations of an answer are committed in groups, each reservation in its own part of the
// group's unit of work: its Reservations row and its price rows are stored together or not at all.
// A reservation is confirmed only once its group is committed. A reservation that is written wrong,
// or holds a value its field cannot take, or that the store refuses, is rolled back alone, left
// unconfirmed (the service sends it again) and named to the operator; the next ones go on. The work
// stops between two reservations when the program is asked to stop; what is stored by then is
// confirmed, the rest comes again with the next download.
//
// The states a Reservations row leaves the import in (Status, Registrata):
// - a new reservation: its status ("Reserved"), 0;
// - a repeat (the same stay, rooms, guests, prices and name): the new data, Registrata as it was;
// - "Modify" of a reservation never received: "Modify", 0, and the operator is told;
// - a modification (whatever its status) of a reservation not yet in QV: the new version, still
//   waiting, its status as it was;
// - a modification of a reservation in QV: the new version, "Modify", 0: it waits until the review
//   applies it to the QV booking (back to the version QV holds: 1, nothing to apply);
// - every modification replaces the row's slots and prices whole, and the version it replaces goes
//   to StoricoPrenotazioni;
// - a cancellation: "Cancelled", 0 (whatever status the entry carried; any other goes to the log);
// - a cancellation already handled ("Cancelled", 1): unchanged, confirmed again;
// - any later delivery of the "new" answer for a "Cancelled" row: unchanged, noted, confirmed.
class ReservationImporter
{
public:
    ReservationImporter(AppContext& ctx, ServiceClient& client);

    // The "new" answer: new, repeated and modified reservations. What the judge made of it when the
    // download knows (the HTTP status); else it is judged as a text.
    void LeggiPrenotazioni(const QString& risposta, const std::optional<Giudizio>& giudizio = std::nullopt);
    // The "canc" answer: cancellations of stored reservations.
    void LeggiCancellazioni(const QString& risposta, const std::optional<Giudizio>& giudizio = std::nullopt);

    static constexpr const char16_t* Titolo = u"Simple Booking";

private:
    // Whether any reservation of the answer carries its own identifier.
    static bool haIdentificativi(const TagScanner& scanner);
    // Whether the answer is one to read; when not, the operator is told why, after cosa
    // ("Ricezione prenotazione errata").
    bool daLeggere(const QString& risposta, const std::optional<Giudizio>& giudizio, const TagScanner& scanner,
                   const QString& cosa);
    // What keeps reservation n from being stored: empty when nothing does.
    static QString difetto(const TagScanner& scanner, int n, const QString& id);
    static QString rifiuto(const ValoreRifiutato& v);
    // What storing a reservation leaves to do once its group is committed.
    struct Esito
    {
        std::optional<QString> avviso; // a notice about it
    };
    // Stores reservation n in the open unit of work; throws on a value or store error.
    Esito registra(Database& db, Recordset& reservations, Recordset& prices, RoomStayParser& camere,
                   TagScanner& scanner, int n, const QString& id);
    // Tells the operator that reservation n was left for the next download, and why.
    void segnalaScartata(const TagScanner& scanner, int n, const QString& id, const QString& motivo);

    AppContext& m_ctx;
    ServiceClient& m_client;
};
