#pragma once

#include <QString>

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
// Each reservation is one unit of work: its Reservations row and its price rows are committed
// together, and only then is it confirmed. A reservation that is written wrong, or holds a value
// its field cannot take, or that the store refuses, is rolled back, left unconfirmed (the service
// sends it again) and named to the operator; the next ones go on.
//
// The states a Reservations row leaves the import in (Status, Registrata):
// - a new reservation: its status ("Reserved"), 0;
// - a repeat: the new data, Registrata as it was;
// - "Modify" of a reservation never received: "Modify", 0, and the operator is told;
// - "Modify" of a row registered in QV: unchanged, 1 when the operator accepts the question;
// - a cancellation: "Cancelled", 0 (whatever status the entry carried; any other goes to the log);
// - a cancellation already handled ("Cancelled", 1): unchanged, confirmed again;
// - any later delivery of the "new" answer for a "Cancelled" row: unchanged, noted, confirmed.
class ReservationImporter
{
public:
    ReservationImporter(AppContext& ctx, ServiceClient& client);

    // The "new" answer: new, repeated and modified reservations.
    void LeggiPrenotazioni(const QString& risposta);
    // The "canc" answer: cancellations of stored reservations.
    void LeggiCancellazioni(const QString& risposta);

    static constexpr const char16_t* Titolo = u"Simple Booking";

private:
    // Whether any reservation of the answer carries its own identifier.
    static bool haIdentificativi(const TagScanner& scanner);
    // A well-formed answer of the service that lists no reservation: nothing to do, nothing to say.
    static bool elencoVuoto(const TagScanner& scanner);
    // What keeps reservation n from being stored: empty when nothing does.
    static QString difetto(const TagScanner& scanner, int n, const QString& id);
    static QString rifiuto(const ValoreRifiutato& v);
    // Stores reservation n as one unit of work (and asks about a modification); throws on a value or
    // store error, with nothing of it committed.
    bool registra(Database& db, Recordset& reservations, Recordset& prices, RoomStayParser& camere, TagScanner& scanner,
                  int n, const QString& id);
    // Tells the operator that reservation n was left for the next download, and why.
    void segnalaScartata(const TagScanner& scanner, int n, const QString& id, const QString& motivo);

    AppContext& m_ctx;
    ServiceClient& m_client;
};
