#include "shell/Comandi.h"

#include "booking/RevisionePrenotazioni.h"
#include "context/AppContext.h"
#include "import/ReservationImporter.h"
#include "service/GiudizioRisposta.h"
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

void Comandi::segnaScambio(const char16_t* scambio, bool riuscito, const QString& errore)
{
    // Kept for the status report.
    step(m_ctx, m_errore, [&] {
        Database sb(m_ctx.workDir(), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        ArchivioSync::segnaScambio(sb, QString::fromUtf16(scambio), riuscito, m_ctx.clock().now(), errore);
        uow.commit();
    });
}

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
    const bool riuscito = risposte && risposte->giudizioNuove.accettata();
    const QString errore = risposte ? risposte->giudizioNuove.motivo : m_ctx.UltimaRisposta;
    // A download ended by the program's own stop is no failure of the service: it is only told.
    const auto interrotto = [&](const Giudizio& g) {
        if (g.esito != EsitoRisposta::Interrotta)
            return false;
        m_ctx.op().avviso(QString::fromUtf16(ServiceClient::Titolo),
                          u"Scarico delle prenotazioni interrotto per la chiusura del programma: riprenderà alla "_s
                          u"prossima esecuzione."_s);
        return true;
    };
    if (risposte && interrotto(risposte->giudizioNuove))
        return;
    segnaScambio(ArchivioSync::Prenotazioni, riuscito, riuscito ? QString() : errore);
    if (!risposte)
        return;
    // The cancellations run whatever became of the new reservations: they would stay pending at the
    // service too.
    // Asked to stop, the command ends between two steps; what a step left is done by the next run.
    const auto fermo = [&] {
        return m_ctx.avanzamento.arrestoRichiesto();
    };
    ReservationImporter importer(m_ctx, client);
    step(m_ctx, m_errore, [&] { importer.LeggiPrenotazioni(risposte->nuove, risposte->giudizioNuove); });
    if (!fermo() && !interrotto(risposte->giudizioCancellazioni))
        step(m_ctx, m_errore,
             [&] { importer.LeggiCancellazioni(risposte->cancellazioni, risposte->giudizioCancellazioni); });
    if (const ServiceClient::EsitoConferme& c = client.conferme(); c.riuscite + c.fallite > 0)
        segnaScambio(ArchivioSync::Conferme, c.fallite == 0, c.errore);
    // Then the stored reservations go into QV, also those an earlier download left waiting.
    if (!fermo())
        step(m_ctx, m_errore, [&] { RevisionePrenotazioni(m_ctx).EsaminaPrenotazioniWeb(); });
}
