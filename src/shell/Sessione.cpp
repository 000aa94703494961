#include "shell/Sessione.h"

#include "availability/GrigliaMese.h"
#include "context/AppContext.h"
#include "service/ServiceClient.h"
#include "shell/Registro.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"
#include "store/StoreError.h"
#include "sync/ArchivioSync.h"
#include "sync/Pubblicazione.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QUuid>
#include <exception>

using namespace Qt::StringLiterals;

Sessione::Sessione(AppContext& ctx, Registro& registro)
    : m_ctx(ctx), m_registro(registro), m_comandi(ctx), m_scheduler(ctx, m_occupazione, *this, &registro),
      m_conservazione(ctx, registro),
      m_incarico(QSysInfo::machineHostName() + u' ' + QString::number(QCoreApplication::applicationPid()) + u' ' +
                 QUuid::createUuid().toString(QUuid::WithoutBraces).left(8))
{
    // Long work is logged every few seconds; the main window also shows it on its status line.
    m_ctx.avanzamento.setMostra([this](const QString& testo, bool nelRegistro) {
        if (nelRegistro && !testo.isEmpty())
            m_registro.scrivi(testo);
    });
}

Sessione::~Sessione()
{
    // Another bridge of this data directory may publish at once, instead of after the lease runs out.
    try {
        if (QFileInfo::exists(databaseFile(m_ctx.workDir(), u"SimpleBooking.mdb"_s)))
            Pubblicazione(m_ctx, m_incarico).lasciaIncarico();
    } catch (const std::exception&) {
        // The lease then runs out by itself.
    }
}

template <typename F> void Sessione::senzaInterruzioni(const QString& lavoro, F&& f)
{
    try {
        f();
    } catch (const StoreError& e) {
        const QString testo = e.text() + u" ("_s + QString::number(e.number()) + u')';
        m_ctx.op().inform(u"Errore"_s, testo, OperatorPort::Icon::Critical);
        m_registro.scrivi(lavoro + u": interrotto: "_s + testo);
    } catch (const std::exception& e) {
        const QString testo = QString::fromLocal8Bit(e.what());
        m_ctx.op().inform(u"Errore"_s, testo, OperatorPort::Icon::Critical);
        m_registro.scrivi(lavoro + u": interrotto: "_s + testo);
    }
}

std::optional<Sessione::Comando> Sessione::comando(const QString& nome)
{
    for (Comando c : {Comando::GetRooms, Comando::GetRates, Comando::Reservations, Comando::Tick, Comando::Publish})
        if (nome == Sessione::nome(c))
            return c;
    return std::nullopt;
}

QString Sessione::nome(Comando c)
{
    switch (c) {
    case Comando::GetRooms:
        return u"getRooms"_s;
    case Comando::GetRates:
        return u"getRates"_s;
    case Comando::Reservations:
        return u"reservations"_s;
    case Comando::Tick:
        return u"tick"_s;
    case Comando::Publish:
        return u"publish"_s;
    }
    return {};
}

QString Sessione::verificaCartella() const
{
    const QString dir = m_ctx.workDir().path();
    const QFileInfo info(dir);
    if (!info.exists())
        return u"La cartella di lavoro "_s + dir + u" non esiste."_s;
    if (!info.isDir())
        return u"La cartella di lavoro "_s + dir + u" non è una cartella."_s;
    {
        // Every command writes here: a directory that can be listed but not written is no use.
        QTemporaryFile prova(m_ctx.workDir().filePath(u".sbprova-XXXXXX"_s));
        if (!prova.open())
            return u"Impossibile scrivere nella cartella di lavoro "_s + dir + u": "_s + prova.errorString();
    }
    return {};
}

QString Sessione::avvia()
{
    if (QString errore = verificaCartella(); !errore.isEmpty())
        return errore;
    if (m_ctx.exchangeDir().isEmpty())
        return u"Impossibile creare la cartella "_s + m_ctx.path(QString::fromUtf16(AppContext::ExchangeFolder)) + u'.';
    const QString definizioni = percorsoDefinizioni(m_ctx.workDir(), m_ctx.definizioniProgramma);
    if (!QFileInfo::exists(definizioni))
        m_registro.scrivi(u"Attenzione: il file delle definizioni "_s + definizioni +
                          u" non esiste; le strutture dei database non vengono aggiornate."_s);
    // A file another program holds makes the bootstrap wait for it: say so before waiting.
    const QStringList bloccati = fileBloccati();
    const auto quali = [](const QStringList& files, const QString& uno, const QString& piu) {
        return files.size() == 1 ? u"il file "_s + files.first() + uno : u"i file "_s + files.join(u", "_s) + piu;
    };
    if (!bloccati.isEmpty())
        m_registro.scrivi(u"In attesa: "_s + quali(bloccati, u" è bloccato"_s, u" sono bloccati"_s) +
                          u" da un altro programma o da un'altra postazione di QV; l'avvio riprende appena si "_s
                          u"liberano."_s);
    CreaStrutture(m_ctx.workDir(), definizioni);
    if (!bloccati.isEmpty()) {
        const QStringList ancora = fileBloccati();
        if (!ancora.isEmpty()) {
            QString testo = quali(ancora, u" è ancora bloccato"_s, u" sono ancora bloccati"_s);
            testo[0] = testo[0].toUpper();
            m_ctx.op().inform(u"Simple Booking"_s,
                              testo + u" da un altro programma o da un'altra postazione di QV: il programma parte lo "_s
                                      u"stesso, e le operazioni che li usano lo diranno finché non si liberano."_s,
                              OperatorPort::Icon::Exclamation);
        }
    }
    // A hotel's own SBOOK.DBT may come from an older version: the bridge's own tables and fields
    // come from the program's copy too (it only adds), so a new version finds what it writes.
    if (!m_ctx.definizioniProgramma.isEmpty() && definizioni != m_ctx.definizioniProgramma)
        CreaStrutture(m_ctx.workDir(), m_ctx.definizioniProgramma, u"SimpleBooking"_s);
    if (QString errore = verificaTabelleInterfaccia(m_ctx.workDir(), definizioni); !errore.isEmpty())
        return errore;
    m_registro.scrivi(u"Avvio nella cartella "_s + m_ctx.workDir().path());
    senzaInterruzioni(u"Conservazione delle copie degli scambi"_s, [&] { m_conservazione.avvio(); });
    return {};
}

QStringList Sessione::fileBloccati() const
{
    QStringList bloccati;
    const QStringList files = m_ctx.workDir().entryList({u"*.mdb"_s}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& f : files)
        if (Database::bloccato(m_ctx.workDir(), f))
            bloccati << f;
    return bloccati;
}

bool Sessione::attiva()
{
    if (!m_ctx.reloadSettings()) {
        // Without the file the mode in force is "1": once a caption has named a mode, it names this one.
        if (m_didascaliaScritta)
            m_ctx.op().setCaption(m_ctx.caption());
        return false;
    }
    m_didascaliaScritta = true;
    aggiungiHotel();
    m_ctx.op().setCaption(m_ctx.caption());
    return true;
}

void Sessione::aggiungiHotel()
{
    // A new installation has an empty HotelId table; the catalogue downloads and the mapping
    // windows work per hotel of that table, so the hotel of the settings gets its row.
    const QString codice = m_ctx.settings.CodiceHotel;
    // A code no row can hold whole, or binary, gets no row: the exchanges refuse it with a message.
    if (codice.trimmed().isEmpty() || !Settings::erroreCodiceHotel(codice).isEmpty())
        return;
    try {
        Database db(m_ctx.workDir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"HotelId"_s);
        if (rs.FindFirst(u"NumeroHotel = 1 and HotelId = ?"_s, {codice}))
            return;
        rs.AddNew();
        rs.setField(u"NumeroHotel"_s, int(m_ctx.NumeroHotelCorrente));
        rs.setField(u"HotelId"_s, codice);
        rs.setField(u"DesHotel"_s, codice);
        rs.Update();
        m_registro.scrivi(u"Aggiunto l'hotel "_s + codice + u" alla tabella HotelId."_s);
    } catch (const StoreError& e) {
        m_ctx.op().inform(u"Errore"_s, e.text() + u" ("_s + QString::number(e.number()) + u')',
                          OperatorPort::Icon::Critical);
    }
}

QString Sessione::esitoUltimaRisposta() const
{
    if (!m_comandi.errore().isEmpty())
        return u"interrotto: "_s + m_comandi.errore();
    if (m_ctx.UltimaRisposta.startsWith(u"Error: "_s))
        return u"terminato; ultima risposta del servizio: "_s + m_ctx.UltimaRisposta.left(300);
    return u"terminato"_s;
}

bool Sessione::esegui(Comando c)
{
    if (c == Comando::Tick) {
        m_registro.scrivi(u"Comando tick: inizio"_s);
        const Scheduler::Esito esito = m_scheduler.tick();
        if (esito.saltato) {
            m_registro.scrivi(u"Comando tick: non eseguito, un'altra operazione è in corso"_s);
            return false;
        }
        m_registro.scrivi(u"Comando tick: terminato (scaricamento "_s + (esito.scaricato ? u"eseguito"_s : u"no"_s) +
                          u", file inviati "_s + QString::number(esito.inviati.size()) + u", vuoti "_s +
                          QString::number(esito.vuoti.size()) + u", non riusciti "_s +
                          QString::number(esito.falliti.size()) + u')');
        return true;
    }
    if (m_occupazione.attiva()) {
        m_registro.scrivi(u"Comando "_s + nome(c) + u": non eseguito, un'altra operazione è in corso"_s);
        return false;
    }
    Occupazione::Guardia guardia(m_occupazione);
    m_registro.scrivi(u"Comando "_s + nome(c) + u": inizio"_s);
    try {
        switch (c) {
        case Comando::GetRooms:
            m_comandi.getRooms();
            break;
        case Comando::GetRates:
            m_comandi.getRates();
            break;
        case Comando::Reservations:
            m_comandi.reservations();
            break;
        case Comando::Publish:
            pubblica();
            break;
        case Comando::Tick:
            break;
        }
    } catch (const std::exception& e) {
        // Nothing but the store is expected to throw; whatever does ends this command only.
        const QString testo = QString::fromLocal8Bit(e.what());
        m_ctx.op().inform(u"Errore"_s, testo, OperatorPort::Icon::Critical);
        m_registro.scrivi(u"Comando "_s + nome(c) + u": interrotto: "_s + testo);
        return true;
    }
    m_registro.scrivi(u"Comando "_s + nome(c) + u": "_s + esitoUltimaRisposta());
    return true;
}

void Sessione::scaricaPrenotazioni()
{
    m_registro.scrivi(u"Scaricamento delle prenotazioni (timer): inizio"_s);
    senzaInterruzioni(u"Scaricamento delle prenotazioni (timer)"_s, [&] {
        m_comandi.reservations();
        m_registro.scrivi(u"Scaricamento delle prenotazioni (timer): "_s + esitoUltimaRisposta());
    });
}

bool Sessione::inviaDisponibilita(const QString& codiceHotel, const QString& nomeFile)
{
    m_registro.scrivi(u"Invio della disponibilità "_s + nomeFile + u": inizio"_s);
    bool ok = false;
    senzaInterruzioni(u"Invio della disponibilità "_s + nomeFile,
                      [&] { ok = Pubblicazione(m_ctx, m_incarico).inviaFile(codiceHotel, nomeFile); });
    return ok;
}

bool Sessione::pubblicazioneAttiva() const
{
    return m_pubblica || m_ctx.settings.pubblica();
}

bool Sessione::puoInviare()
{
    bool ok = false;
    senzaInterruzioni(u"Pubblicazione della disponibilità"_s,
                      [&] { ok = Pubblicazione(m_ctx, m_incarico).prendiIncarico(); });
    if (!ok)
        m_registro.scrivi(u"I file della disponibilità restano per il programma che la pubblica."_s);
    return ok;
}

void Sessione::allineaDisponibilita()
{
    if (!pubblicazioneAttiva())
        return;
    senzaInterruzioni(u"Pubblicazione della disponibilità"_s, [&] {
        const Pubblicazione::Esito e =
            Pubblicazione(m_ctx, m_incarico).allinea(m_ctx.settings.CodiceHotel, m_ctx.settings.orizzonte());
        if (e.altroTitolare) {
            if (!m_altroTitolareDetto)
                m_registro.scrivi(
                    u"La disponibilità è pubblicata da un altro programma collegato a questa cartella."_s);
            m_altroTitolareDetto = true;
            return;
        }
        m_altroTitolareDetto = false;
        if (e.inAttesa)
            m_registro.scrivi(u"Disponibilità: nuovo tentativo dopo l'attesa che segue un invio non riuscito."_s);
        else if (e.differenze > 0)
            m_registro.scrivi(u"Disponibilità: "_s + QString::number(e.differenze) + u" giorni da pubblicare ("_s +
                              QString::number(e.rischi) + u" con più camere di quelle libere), notifiche accettate "_s +
                              QString::number(e.inviate) + (e.fallita ? u", una non riuscita"_s : QString()));
    });
}

void Sessione::battito()
{
    ++m_incarico.ciclo; // the lease counts this run's own ticks
    senzaInterruzioni(u"Battito del timer"_s, [&] {
        Database sb(m_ctx.workDir(), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::Timer), true, m_ctx.clock().now());
        if (!ArchivioSync::scambio(sb, QString::fromUtf16(ArchivioSync::PrimoBattito)).riuscito.isValid())
            ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::PrimoBattito), true, m_ctx.clock().now());
        ArchivioSync::aggiornaAttese(sb, m_ctx.clock().now());
        if (pubblicazioneAttiva() && m_ctx.settings.attivo())
            ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::Pubblicazione), true, m_ctx.clock().now());
        uow.commit();
    });
    senzaInterruzioni(u"Conservazione delle copie degli scambi"_s, [&] { m_conservazione.seDovuta(); });
}

// The timer's send without its download: a file prepared by "publish" goes at once, as the next tick
// would send it (a failed send keeps it as ".failed").
class Sessione::SoloInvio final : public Scheduler::Lavori
{
public:
    explicit SoloInvio(Sessione& sessione) : m_sessione(sessione) {}
    void scaricaPrenotazioni() override {}
    bool inviaDisponibilita(const QString& codiceHotel, const QString& nomeFile) override
    {
        return m_sessione.inviaDisponibilita(codiceHotel, nomeFile);
    }

private:
    Sessione& m_sessione;
};

void Sessione::pubblica()
{
    const QDate oggi = m_ctx.clock().today();
    GrigliaMese griglia(m_ctx);
    // What the operator does in the monthly window: the grid from today, "Importa da QV", "Prepara File".
    if (!griglia.costruisci(oggi) || !griglia.importaDaQV())
        return; // the store error has been told
    if (griglia.tipi() == 0) {
        m_ctx.op().inform(u"Simple Booking"_s,
                          u"Nessun tipo di camera QV è associato a un tipo di camera del servizio "
                          u"(finestra \"Types of rooms QV\"): non c'è disponibilità da pubblicare."_s,
                          OperatorPort::Icon::Information);
        return;
    }
    const auto nome = griglia.preparaFile();
    if (!nome)
        return;
    m_registro.scrivi(u"Disponibilità di "_s + QString::number(griglia.tipi()) + u" tipi di camera dal "_s +
                      TextDate::toDmy(oggi) + u" per 31 giorni: preparato il file "_s + *nome);
    if (!m_ctx.settings.attivo()) {
        m_registro.scrivi(u"Attivo è 0 nei parametri: il file "_s + *nome +
                          u" non viene inviato ora; il timer lo invierà quando Attivo sarà 1."_s);
        return;
    }
    SoloInvio lavori(*this);
    Occupazione propria; // this command already holds the session's own
    Scheduler invio(m_ctx, propria, lavori, &m_registro);
    const Scheduler::Esito esito = invio.tick();
    if (esito.inviati.contains(*nome))
        m_registro.scrivi(u"Disponibilità pubblicata: "_s + *nome);
    else
        m_registro.scrivi(u"Disponibilità non pubblicata: il file "_s + *nome + u" non è stato inviato."_s);
}
