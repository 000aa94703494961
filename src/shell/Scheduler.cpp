#include "shell/Scheduler.h"

#include "context/AppContext.h"
#include "service/MascheraDati.h"
#include "shell/Registro.h"
#include "store/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

bool Scheduler::Lavori::eliminaFile(const QString& path)
{
    return QFile::remove(path);
}

bool Scheduler::Lavori::rinominaFile(const QString& da, const QString& a)
{
    return QFile::rename(da, a);
}

Scheduler::Scheduler(AppContext& ctx, Occupazione& occupazione, Lavori& lavori, Registro* registro)
    : m_ctx(ctx), m_occupazione(occupazione), m_lavori(lavori), m_registro(registro)
{
    // The log of the run is where the notices of every command go, besides the lower text box.
    if (m_registro)
        m_ctx.setRegistro([registro = m_registro](const QString& testo) { registro->scrivi(testo); });
    m_timer.setInterval(Intervallo);
    // Queued: the tick's work runs from the event loop, not inside the timer's handler, so that a
    // question it asks does not keep the timer from firing.
    QObject::connect(
        &m_timer, &QTimer::timeout, &m_timer, [this] { tick(); }, Qt::QueuedConnection);
}

void Scheduler::start()
{
    m_timer.start(Intervallo);
}

void Scheduler::stop()
{
    m_timer.stop();
}

bool Scheduler::minutoDiScaricamento(const QTime& t)
{
    const QString minuto = t.toString(u"mm"_s);
    return minuto == u"59" || minuto == u"10" || minuto == u"30" || minuto == u"50";
}

bool Scheduler::fileVuoto(const QString& path)
{
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return false; // an unreadable file is not empty: its send reports the error
    return lines->isEmpty() || lines->first().trimmed().isEmpty();
}

QString Scheduler::nomeFallito(const QString& path)
{
    QString nome = path + u".failed"_s;
    for (int n = 2; QFileInfo::exists(nome); ++n)
        nome = path + u'.' + QString::number(n) + u".failed"_s;
    return nome;
}

Scheduler::Esito Scheduler::tick()
{
    const Esito esito = lavoro();
    if (m_dopoDelTick)
        m_dopoDelTick(esito);
    return esito;
}

void Scheduler::duranteDomanda(Esito& esito)
{
    esito.duranteDomanda = true;
    m_inDomanda = true;
    const auto fine = qScopeGuard([this] { m_inDomanda = false; });
    const AppContext::SenzaAttesa senzaAttesa(m_ctx);
    if (m_ctx.settings.attivo())
        m_lavori.allineaDisponibilita();
    m_lavori.battito();
}

Scheduler::Esito Scheduler::lavoro()
{
    Esito esito;
    if (m_occupazione.attiva()) {
        esito.saltato = true;
        if (m_ctx.operatoreInAttesa() && !m_inDomanda)
            duranteDomanda(esito);
        return esito;
    }
    {
        Occupazione::Guardia guardia(m_occupazione);
        // Nobody started this work: a failure it reports must not wait for a click, or every
        // later tick would find the guard held and download nothing.
        const AppContext::SenzaAttesa senzaAttesa(m_ctx);
        m_ctx.nuovoComando();
        if (m_primaDelTick)
            m_primaDelTick();
        if (minutoDiScaricamento(m_ctx.clock().now().time())) {
            m_lavori.scaricaPrenotazioni();
            esito.scaricato = true;
        }
        // Asked to stop during the download: the rest waits for the next run.
        if (m_ctx.avanzamento.arrestoRichiesto())
            return esito;
        if (m_ctx.settings.attivo()) {
            inviaFile(esito);
            m_lavori.allineaDisponibilita();
        }
        m_lavori.battito();
    }
    m_timer.setInterval(Intervallo);
    return esito;
}

void Scheduler::inviaFile(Esito& esito)
{
    const QDir dir = m_ctx.workDir();
    // Name order; the wildcard compares without regard to case, as on the system's file system.
    const QStringList nomi = dir.entryList({QString::fromUtf16(Modello)}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (nomi.isEmpty() || !m_lavori.puoInviare())
        return;
    for (const QString& nome : nomi) {
        if (m_passati.contains(nome))
            continue;
        const QString path = dir.filePath(nome);
        bool eliminare = true;
        if (fileVuoto(path)) {
            esito.vuoti.append(nome);
        } else if (m_lavori.inviaDisponibilita(m_ctx.settings.CodiceHotel, nome)) {
            esito.inviati.append(nome);
            if (m_registro)
                m_registro->scrivi(u"Disponibilità inviata: "_s + nome);
        } else if (m_ctx.avanzamento.arrestoRichiesto()) {
            // Ended by the program's own stop: the file keeps its name and goes at the next run.
            if (m_registro)
                m_registro->scrivi(u"Invio della disponibilità "_s + nome +
                                   u" interrotto per la chiusura del programma: il file resta e sarà inviato alla "_s
                                   u"prossima esecuzione."_s);
            return;
        } else {
            eliminare = false;
            const QString fallito = nomeFallito(path);
            const QString nomeFallito = QFileInfo(fallito).fileName();
            if (m_lavori.rinominaFile(path, fallito)) {
                esito.falliti.append(nome);
                segnala(u"Invio della disponibilità non riuscito: il file "_s + nome + u" è stato rinominato in "_s +
                        nomeFallito + u". Per inviarlo di nuovo rinominarlo in "_s + nome + u'.');
            } else {
                m_passati.insert(nome);
                esito.nonEliminati.append(nome);
                segnala(u"Invio della disponibilità non riuscito e impossibile rinominare il file "_s + nome +
                        u": non verrà inviato di nuovo fino al prossimo avvio."_s);
            }
        }
        if (eliminare && !m_lavori.eliminaFile(path)) {
            m_passati.insert(nome);
            esito.nonEliminati.append(nome);
            segnala(u"Impossibile eliminare il file "_s + nome +
                    u": non verrà più considerato fino al prossimo avvio del programma."_s);
        }
    }
}

void Scheduler::segnala(const QString& testo)
{
    // The lower text box keeps the service's answer, with the notice below it.
    const QString risposta = mascheraDati(m_ctx.UltimaRisposta);
    m_ctx.op().setAnswerText(risposta.isEmpty() ? testo : risposta + u"\r\n\r\n"_s + testo);
    if (m_registro)
        m_registro->scrivi(testo);
}
