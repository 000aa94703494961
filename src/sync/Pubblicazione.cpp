#include "sync/Pubblicazione.h"

#include "context/AppContext.h"
#include "service/FileDisponibilita.h"
#include "service/ServiceClient.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/StoreError.h"
#include "store/TextFile.h"
#include "sync/ArchivioSync.h"

#include <QSet>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kSimpleBooking = u"SimpleBooking.mdb"_s;

QStringList sigle(const CamereDaOffrire& offerta)
{
    QStringList out;
    for (const CamereDaOffrire::Tipo& t : offerta.tipi())
        out.append(t.sigla);
    return out;
}

QStringList roomsIds(const CamereDaOffrire& offerta)
{
    QStringList out;
    for (const CamereDaOffrire::Tipo& t : offerta.tipi())
        out.append(t.roomsId);
    return out;
}

Deriva::Valori camere(const CamereDaOffrire& offerta)
{
    Deriva::Valori out;
    for (const CamereDaOffrire::Tipo& t : offerta.tipi())
        out.push_back(t.camere);
    return out;
}

} // namespace

Pubblicazione::Pubblicazione(AppContext& ctx, Incarico& incarico) : m_ctx(ctx), m_incarico(incarico) {}

int Pubblicazione::cicliDiSubentro(const AppContext& ctx)
{
    constexpr long kTick = 25000;
    const long scambio = ctx.connectTimeoutMs + ctx.exchangeTimeoutMs;
    return std::max(3, int(scambio / kTick) + 2);
}

bool Pubblicazione::prendiIncarico()
{
    Database sb(m_ctx.workDir(), kSimpleBooking);
    return ArchivioSync::prendiIncarico(sb, m_incarico.titolare, m_incarico.ciclo, cicliDiSubentro(m_ctx),
                                        m_incarico.vista);
}

void Pubblicazione::lasciaIncarico()
{
    Database sb(m_ctx.workDir(), kSimpleBooking);
    ArchivioSync::lasciaIncarico(sb, m_incarico.titolare);
}

bool Pubblicazione::invia(const QString& codiceHotel, const CamereDaOffrire& offerta, const Deriva::Detti& limiti,
                          const QList<Richiesta>& richieste)
{
    QList<ServiceClient::Avviso> avvisi;
    QStringList ridotti;
    for (const Richiesta& r : richieste) {
        const CamereDaOffrire::Tipo& tipo = offerta.tipi()[size_t(r.tipo)];
        const qint64 g = offerta.inizio().daysTo(r.giorno);
        qint64 tetto = tipo.camere[size_t(g)];
        if (const auto& limite = limiti[size_t(r.tipo)][size_t(g)])
            tetto = std::min(tetto, *limite);
        const qint64 valore = std::min(r.valore, tetto);
        if (valore < r.valore)
            ridotti.append(tipo.sigla + u' ' + TextDate::toDmy(r.giorno) + u": richieste "_s +
                           QString::number(r.valore) + u", inviate "_s + QString::number(valore));
        avvisi.append({tipo.roomsId, r.giorno, valore});
    }
    if (!ridotti.isEmpty())
        m_ctx.op().avviso(QString::fromUtf16(ServiceClient::Titolo),
                          u"Disponibilità ridotta alle camere che QV ha libere:\r\n"_s + ridotti.join(u"\r\n"_s));
    if (!prendiIncarico()) {
        m_ctx.op().avviso(QString::fromUtf16(ServiceClient::Titolo),
                          u"La disponibilità non è stata inviata: la pubblica un altro programma collegato a questa "
                          u"cartella di dati."_s);
        return false;
    }
    QString errore;
    const bool ok = ServiceClient(m_ctx).InviaDisponibilita(codiceHotel, avvisi, &errore);
    Database sb(m_ctx.workDir(), kSimpleBooking);
    Database::Transaction uow(sb);
    if (ok)
        ArchivioSync::registraDetti(sb, avvisi, m_ctx.clock().now());
    // Ended by the program's own stop: no failure of the service, nothing to record against it.
    if (ok || !m_ctx.avanzamento.arrestoRichiesto())
        ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::Disponibilita), ok, m_ctx.clock().now(),
                                   errore);
    uow.commit();
    return ok;
}

bool Pubblicazione::inviaFile(const QString& codiceHotel, const QString& nomeFile)
{
    const auto lines = TextFile::readLines(m_ctx.path(nomeFile));
    if (!lines) {
        m_ctx.op().inform(u"Errore"_s, u"Impossibile leggere il file "_s + nomeFile + u'.',
                          OperatorPort::Icon::Critical);
        return false;
    }
    const FileDisponibilita file = FileDisponibilita::leggi(*lines);
    if (!file.errore.isEmpty()) {
        m_ctx.op().inform(u"Errore"_s,
                          u"Il file "_s + nomeFile + u" non è nel formato della disponibilità, "_s + file.errore +
                              u". Il file non è stato inviato."_s,
                          OperatorPort::Icon::Critical);
        return false;
    }
    // A period that started before today sends its days from today on.
    const QDate oggi = m_ctx.clock().today();
    const QDate dal = std::max(oggi, file.inizio);
    const int giorni = int(std::max<qint64>(0, dal.daysTo(file.inizio.addDays(Periodo))));
    const CamereDaOffrire offerta = CamereDaOffrire::leggi(m_ctx.workDir(), dal, giorni);
    Deriva::Detti limiti;
    {
        Database sb(m_ctx.workDir(), kSimpleBooking);
        limiti = ArchivioSync::limiti(sb, sigle(offerta), dal, giorni);
    }
    QList<Richiesta> richieste;
    QStringList ignoti;
    for (const FileDisponibilita::Camera& camera : file.camere) {
        const CamereDaOffrire::Tipo* tipo = offerta.tipo(camera.codice);
        if (!tipo) {
            ignoti.append(camera.codice);
            continue;
        }
        const int t = int(tipo - offerta.tipi().data());
        for (int j = 0; j < Periodo; ++j) {
            const QDate giorno = file.inizio.addDays(j);
            if (camera.avail[size_t(j)].isEmpty() || giorno < dal)
                continue;
            richieste.append({t, giorno, camera.avail[size_t(j)].toLongLong()});
        }
    }
    if (!ignoti.isEmpty())
        m_ctx.op().avviso(QString::fromUtf16(ServiceClient::Titolo),
                          u"Il file "_s + nomeFile +
                              u" nomina tipi di camera che non sono camere QV associate a un "
                              u"tipo di camera del servizio; la loro disponibilità non è "
                              u"inviata: "_s +
                              ignoti.join(u", "_s));
    if (richieste.isEmpty())
        return true;
    return invia(codiceHotel, offerta, limiti, richieste);
}

Pubblicazione::Esito Pubblicazione::allinea(const QString& codiceHotel, int orizzonte)
{
    Esito esito;
    const QDateTime ora = m_ctx.clock().now();
    {
        Database sb(m_ctx.workDir(), kSimpleBooking);
        const ArchivioSync::Scambio ultimo = ArchivioSync::scambio(sb, QString::fromUtf16(ArchivioSync::Disponibilita));
        if (ultimo.inErrore() && ultimo.fallito.secsTo(ora) < AttesaDopoErrore && ultimo.fallito <= ora) {
            esito.inAttesa = true;
            return esito;
        }
    }
    if (!prendiIncarico()) {
        esito.altroTitolare = true;
        return esito;
    }
    // Read after the lease is held: what goes out is what QV says now.
    const QDate oggi = ora.date();
    const int giorni = std::clamp(orizzonte, 1, OrizzonteMassimo);
    const CamereDaOffrire offerta = CamereDaOffrire::leggi(m_ctx.workDir(), oggi, giorni);
    Deriva::Detti limiti;
    Deriva::Detti detti;
    {
        Database sb(m_ctx.workDir(), kSimpleBooking);
        limiti = ArchivioSync::limiti(sb, sigle(offerta), oggi, giorni);
        detti = ArchivioSync::detti(sb, roomsIds(offerta), oggi, giorni);
    }
    const QList<Deriva::Differenza> differenze = Deriva::confronta(Deriva::obiettivo(camere(offerta), limiti), detti);
    esito.differenze = int(differenze.size());
    esito.rischi =
        int(std::count_if(differenze.cbegin(), differenze.cend(), [](const auto& d) { return d.rischio(); }));
    for (const QList<Deriva::Differenza>& notifica : Deriva::notifiche(differenze, Periodo)) {
        QList<Richiesta> richieste;
        for (const Deriva::Differenza& d : notifica)
            richieste.append({d.tipo, oggi.addDays(d.giorno), d.valore});
        if (!invia(codiceHotel, offerta, limiti, richieste)) {
            esito.fallita = true;
            break;
        }
        ++esito.inviate;
    }
    return esito;
}
