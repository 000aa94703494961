#include "shell/Comandi.h"

#include "booking/RevisionePrenotazioni.h"
#include "context/AppContext.h"
#include "import/ReservationImporter.h"
#include "service/ServiceClient.h"
#include "store/StoreError.h"

using namespace Qt::StringLiterals;

namespace {

// A store error ends the command with the engine's text; the program goes on.
template <typename F> void run(AppContext& ctx, QString& errore, F&& work)
{
    errore.clear();
    try {
        work();
    } catch (const StoreError& e) {
        errore = e.text() + u" ("_s + QString::number(e.number()) + u')';
        ctx.op().inform(u"Errore"_s, errore, OperatorPort::Icon::Critical);
    }
}

} // namespace

void Comandi::getRooms()
{
    run(m_ctx, m_errore, [&] { ServiceClient(m_ctx).ScaricaRoomList(); });
}

void Comandi::getRates()
{
    run(m_ctx, m_errore, [&] { ServiceClient(m_ctx).ScaricaRatePlan(); });
}

void Comandi::reservations()
{
    run(m_ctx, m_errore, [&] {
        ServiceClient client(m_ctx);
        const auto risposte = client.ScaricaPrenotazioni();
        if (!risposte)
            return;
        ReservationImporter importer(m_ctx, client);
        importer.LeggiPrenotazioni(risposte->nuove);
        importer.LeggiCancellazioni(risposte->cancellazioni);
        RevisionePrenotazioni(m_ctx).EsaminaPrenotazioniWeb();
    });
}
