#pragma once

#include <QString>

class AppContext;
class ServiceClient;
class TagScanner;

// Turns the answers of the reservation download into rows of Reservations and ReservationsPrice
// and confirms each reservation to the service once it is stored.
//
// Each reservation is one unit of work: its Reservations row and its price rows are committed
// together, and only then is it confirmed. A crash or a store error leaves the reservations
// before it stored and confirmed and the one in progress neither, so the service sends it again.
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
    // Whether reservation n arrived whole, up to its end tag.
    static bool completa(const TagScanner& scanner, int n);
    // Tells the operator that reservation n was left for the next download, and why.
    void segnalaScartata(const TagScanner& scanner, int n, const QString& id, const QString& motivo);

    AppContext& m_ctx;
    ServiceClient& m_client;
};
