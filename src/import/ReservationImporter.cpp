#include "import/ReservationImporter.h"

ReservationImporter::ReservationImporter(AppContext& ctx, ServiceClient& client) : m_ctx(ctx), m_client(client) {}

void ReservationImporter::LeggiPrenotazioni(const QString&) {}

void ReservationImporter::LeggiCancellazioni(const QString&) {}
