#pragma once

#include <QString>

class AppContext;
class ServiceClient;

// Turns the answers of the reservation download into rows of Reservations and ReservationsPrice
// and confirms each reservation to the service once it is stored.
class ReservationImporter
{
public:
    ReservationImporter(AppContext& ctx, ServiceClient& client);

    // The "new" answer: new, repeated and modified reservations.
    void LeggiPrenotazioni(const QString& risposta);
    // The "canc" answer: cancellations of stored reservations.
    void LeggiCancellazioni(const QString& risposta);

private:
    AppContext& m_ctx;
    ServiceClient& m_client;
};
