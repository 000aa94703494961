#include "shell/Comandi.h"

#include "booking/RevisionePrenotazioni.h"
#include "context/AppContext.h"
#include "import/ReservationImporter.h"
#include "service/ServiceClient.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "sync/ArchivioSync.h"

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A store error ends the step with the engine's text; the program goes on.
template <typename F> void step(AppContext& ctx, QString& errore, F&& work)
{
    try {
        work();
    } catch (const StoreError& e) {
        errore = e.text() + u" ("_s + QString::number(e.number()) + u')';
        ctx.op().inform(u"Errore"_s, errore, OperatorPort::Icon::Critical);
    }
}

template <typename F> void run(AppContext& ctx, QString& errore, F&& work)
{
    errore.clear();
    ctx.nuovoComando();
    step(ctx, errore, std::forward<F>(work));
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
    m_errore.clear();
    m_ctx.nuovoComando();
    ServiceClient client(m_ctx);
    std::optional<ServiceClient::Risposte> risposte;
    step(m_ctx, m_errore, [&] { risposte = client.ScaricaPrenotazioni(); });
    // The outcome is kept for the status report.
    step(m_ctx, m_errore, [&] {
        const bool riuscito = risposte && !m_ctx.UltimaRisposta.startsWith(u"Error: "_s);
        Database sb(m_ctx.workDir(), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::Prenotazioni), riuscito, m_ctx.clock().now(),
                                   riuscito ? QString() : m_ctx.UltimaRisposta.left(255));
        uow.commit();
    });
    if (!risposte)
        return;
    // The cancellations run whatever became of the new reservations: they would stay pending at the
    // service too.
    ReservationImporter importer(m_ctx, client);
    step(m_ctx, m_errore, [&] { importer.LeggiPrenotazioni(risposte->nuove); });
    step(m_ctx, m_errore, [&] { importer.LeggiCancellazioni(risposte->cancellazioni); });
    // Then the stored reservations go into QV, also those an earlier download left waiting.
    step(m_ctx, m_errore, [&] { RevisionePrenotazioni(m_ctx).EsaminaPrenotazioniWeb(); });
}
