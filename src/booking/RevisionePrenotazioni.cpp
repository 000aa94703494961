#include "booking/RevisionePrenotazioni.h"

#include "booking/AssegnazioneCamere.h"
#include "booking/ScritturaPrenotazione.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/TextFile.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kCrLf = u"\r\n"_s;
const QString kNessuna = u",,"_s;

bool vuoto(const QString& s)
{
    return s.trimmed().isEmpty();
}

QString campo(const QString& base, int k, const char16_t* suffisso = u"")
{
    return base + QString::number(k) + QString::fromUtf16(suffisso);
}

} // namespace

struct RevisionePrenotazioni::Prenotazione
{
    // The values the import stored for a room stay: slot k is stay k (rows stored by older versions
    // hold them in the order of the stays whose type Rooms knew, which pairing by type sorts out).
    struct Slot
    {
        double quantita = 0;
        QString tipo; // the web room type id the values belong to
        double persone = 0;
        double prezzo = 0;
        QString trattamento;
        std::optional<double> totale; // the stay's own Total; none in rows stored before it was kept
    };

    QString nPren, lastName, firstName, dataFrom, dataTo, status;
    std::array<QString, CamereRichieste::Righe> tipi;
    std::array<Slot, CamereRichieste::Righe> slot;

    explicit Prenotazione(const Recordset& rs)
    {
        nPren = rs.Field(u"NPren"_s).toString();
        lastName = rs.Field(u"LastName"_s).toString();
        firstName = rs.Field(u"FirstName"_s).toString();
        dataFrom = rs.Field(u"DataFrom"_s).toString().trimmed();
        dataTo = rs.Field(u"DataTo"_s).toString().trimmed();
        status = rs.Field(u"Status"_s).toString().trimmed();
        for (int k = 1; k <= CamereRichieste::Righe; ++k) {
            const auto i = static_cast<size_t>(k - 1);
            tipi[i] = rs.Field(campo(u"Room"_s, k)).toString().trimmed();
            slot[i].quantita = rs.Field(campo(u"Room"_s, k, u"_Q")).toDouble();
            slot[i].tipo = rs.Field(campo(u"Room"_s, k, u"_S")).toString().trimmed();
            slot[i].persone = rs.Field(campo(u"Room"_s, k, u"_QP")).toDouble();
            slot[i].prezzo = rs.Field(campo(u"Room"_s, k, u"_P")).toDouble();
            slot[i].trattamento = rs.Field(campo(u"Room"_s, k, u"_A")).toString();
            try {
                const QVariant totale = rs.Field(campo(u"Room"_s, k, u"_T"));
                if (!totale.isNull())
                    slot[i].totale = totale.toDouble();
            } catch (const StoreError&) {
                // An interface database whose definitions predate the stays' totals.
            }
        }
    }

    QString dal() const { return TextDate::ymdToDmy(dataFrom); }
    QString al() const { return TextDate::ymdToDmy(dataTo); }
    QString chi() const { return ScritturaPrenotazione::chi(nPren, lastName, firstName, dataFrom, dataTo); }
};

void RevisionePrenotazioni::avvisa(const QString& testo)
{
    m_ctx.op().inform(QString::fromUtf16(Titolo), testo, OperatorPort::Icon::Exclamation);
}

void RevisionePrenotazioni::attesa(const Prenotazione& p, const QString& testo, bool errore)
{
    if (m_motivi && !m_motivi->daDire(p.nPren, p.chi(), testo))
        return;
    if (errore)
        m_ctx.op().inform(u"Errore"_s, testo, OperatorPort::Icon::Critical);
    else
        avvisa(testo);
}

void RevisionePrenotazioni::EsaminaPrenotazioniWeb()
{
    if (valoreNumerico(m_ctx.settings.AssegnazioneAutomatica) == 1)
        m_ctx.settings.Modalita = u"2"_s;
    m_ctx.op().setCaption(m_ctx.caption());
    m_avvisoTipo.clear();
    ScritturaPrenotazione::tipoPrenotazione(m_ctx, &m_avvisoTipo);

    Database& db = m_file.interfaccia();
    m_motivi.emplace(db);
    Recordset prenotazioni = db.OpenRecordset(u"Reservations"_s);
    bool fermata = false;
    // The waiting rows are listed once, in table order, and each is read again by its key when its turn
    // comes: a row another workstation handled meanwhile is passed by, and rows left waiting are not
    // walked past again for every reservation after them.
    const auto ciascuna = [&](const QString& criterio, const QString& fase, auto&& esame) {
        QStringList chiavi;
        {
            QSqlQuery q = db.query();
            db.exec(q, u"SELECT NPren FROM Reservations WHERE "_s + criterio + u" ORDER BY rowid"_s, {});
            QSet<QString> viste;
            while (q.next())
                if (const QString k = q.value(0).toString(); !viste.contains(k)) {
                    viste.insert(k);
                    chiavi << k;
                }
        }
        for (qsizetype i = 0; i < chiavi.size() && !fermata; ++i) {
            m_ctx.avanzamento.passo(fase, i + 1, chiavi.size());
            if (m_ctx.avanzamento.arrestoRichiesto()) {
                fermata = true;
                break;
            }
            if (!prenotazioni.FindFirst(u"StrComp(NPren, ?, 0) = 0 and "_s + criterio, {chiavi.at(i)}))
                continue;
            const Prenotazione p(prenotazioni);
            try {
                esame(p);
            } catch (const StoreError& e) {
                attesa(p, p.chi() + u" resta in attesa: "_s + e.text() + u" ("_s + QString::number(e.number()) + u')');
            }
        }
        m_ctx.avanzamento.fine();
    };
    ciascuna(u"Registrata = 0 and Status <> 'Cancelled'"_s, u"Registrazione"_s,
             [&](const Prenotazione& p) { esamina(p); });
    // Listed after the new ones: a reservation cancelled while it was being reviewed is offered here.
    ciascuna(u"Registrata = 0 and Status = 'Cancelled'"_s, u"Cancellazioni"_s,
             [&](const Prenotazione& p) { esaminaCancellata(p); });
    if (const QString riepilogo = m_motivi->chiudi(db, m_ctx.clock().now()); !riepilogo.isEmpty())
        m_ctx.op().avviso(QString::fromUtf16(Titolo), riepilogo);
    if (fermata)
        m_ctx.op().avviso(QString::fromUtf16(Titolo),
                          u"Revisione delle prenotazioni web interrotta su richiesta: quelle non ancora esaminate "_s
                          u"restano in attesa della prossima."_s);
}

bool RevisionePrenotazioni::esamina(const Prenotazione& p)
{
    const bool automatica = m_ctx.settings.Modalita == u"2";
    if (automatica && p.status.compare(u"Modify"_s, Qt::CaseInsensitive) == 0) {
        // A change to a reservation never stored here: the booking may have been typed into QV by hand.
        attesa(p, p.chi() + u" è una modifica di una prenotazione che non era stata scaricata: la prenotazione "_s
                            u"potrebbe essere già in QV. Resta in attesa di un operatore."_s);
        return false;
    }

    CamereRichieste camere;
    QStringList descrizioni;
    QList<int> conteggi;
    QString prezziPerCamera; // the stays of several rooms whose price was taken per room
    if (!righe(p, camere, descrizioni, conteggi, prezziPerCamera, automatica))
        return false;
    // A booking that cannot be numbered is not worth its rooms, nor the operator's answers.
    if (const QString problema = AssegnazioneCamere::problemaContatore(m_file.lavoro(), m_ctx.NumeroHotelCorrente);
        !problema.isEmpty()) {
        attesa(p, ScritturaPrenotazione::contatoreInutilizzabile(p.chi(), problema), true);
        return false;
    }

    QString riepilogo = u"NUOVA PRENOTAZIONE DAL WEB!"_s + kCrLf + kCrLf + u"Nr.Pren. "_s + p.nPren + kCrLf + kCrLf +
                        u"Sig./Sig.ra "_s + p.lastName + kCrLf + u"dal "_s + p.dal() + u" al "_s + p.al() + kCrLf +
                        kCrLf;
    for (qsizetype i = 0; i < descrizioni.size(); ++i)
        riepilogo += u"n. "_s + QString::number(conteggi.at(i)) + u' ' + descrizioni.at(i) + kCrLf;

    // A chosen room may be taken by another workstation before the booking is written, or a typed
    // one may not be free: unattended, the rooms are looked for again a few times; the operator is
    // asked again for that line only.
    constexpr int kTentativi = 5;
    ScritturaPrenotazione scrittura(m_ctx, m_file, m_motivi ? &*m_motivi : nullptr);
    CamereRichieste scelte = camere;
    QString testo = riepilogo;
    Assegnazione assegnazione = assegna(p, scelte, testo, automatica);
    for (int tentativo = 1;; ++tentativo) {
        if (assegnazione == Assegnazione::SenzaRisposta)
            return false; // nobody answered: the reservation waits for an operator
        if (assegnazione == Assegnazione::Mancano) {
            attesa(p, p.chi() +
                          u": non ci sono camere libere per tutte le camere richieste (o un tipo di camera non è "_s
                          u"abbinato a QV). Non è stata registrata e resta in attesa di un operatore."_s);
            return false;
        }
        if (vuoto(scelte.riga(1).tipoCamera)) {
            const auto segnata = scrittura.segnaGestita(p.nPren, false);
            if (segnata.esito != ScritturaPrenotazione::Esito::Segnata)
                return false;
            avvisa(p.chi() + u" è stata segnata come gestita, ma non è stata scritta in QV: la prima camera "_s
                             u"richiesta non ha una camera assegnata."_s);
            return true;
        }
        if (!m_avvisoTipo.isEmpty())
            avvisa(std::exchange(m_avvisoTipo, QString())); // once per review, before the first booking
        const auto r = scrittura.RegistraPrenotazione(p.nPren, scelte);
        if (r.esito == ScritturaPrenotazione::Esito::CameraOccupata) {
            if (automatica && tentativo >= kTentativi) {
                attesa(p, p.chi() + u": la camera "_s + r.camera +
                              u" non è più libera. Non è stata registrata e resta in attesa."_s);
                return false;
            }
            if (automatica) {
                scelte = camere;
                testo = riepilogo;
                assegnazione = assegna(p, scelte, testo, true);
            } else {
                avvisa(p.chi() + u": la camera "_s + r.camera +
                       u" non è libera per queste date (occupata, fuori servizio o già scelta per un'altra camera "_s
                       u"della prenotazione). Scegli un'altra camera per questa riga."_s);
                scelte.riga(r.riga) = camere.riga(r.riga);
                assegnazione = assegna(p, scelte, testo, false, r.riga);
            }
            continue;
        }
        if (r.esito == ScritturaPrenotazione::Esito::Cancellata)
            return false; // offered by the cancellation loop of this review
        if (r.esito == ScritturaPrenotazione::Esito::InAttesa)
            return false;
        if (r.esito == ScritturaPrenotazione::Esito::Registrata && !prezziPerCamera.isEmpty())
            avvisa(
                p.chi() + u": il prezzo "_s + prezziPerCamera +
                u" è stato preso per ogni camera (il totale del soggiorno non dice se era per camera o per tutte le "_s
                u"camere). Controllare gli addebiti in QV."_s);
        if (!automatica && r.esito != ScritturaPrenotazione::Esito::GiaGestita)
            stampa(p.nPren);
        return true;
    }
}

bool RevisionePrenotazioni::righe(const Prenotazione& p, CamereRichieste& camere, QStringList& descrizioni,
                                  QList<int>& conteggi, QString& prezziPerCamera, bool automatica)
{
    // Each room stay in message order takes the first unused slot of its type; a stay of N rooms
    // becomes N lines.
    struct Soggiorno
    {
        int k;
        const Prenotazione::Slot* slot;
        int camere;
    };
    QList<Soggiorno> soggiorni;
    std::array<bool, CamereRichieste::Righe> usati{};
    int totale = 0;
    QStringList chieste;
    for (int k = 1; k <= CamereRichieste::Righe; ++k) {
        const QString& tipo = p.tipi[static_cast<size_t>(k - 1)];
        if (tipo.isEmpty())
            continue;
        int j = 0;
        while (j < CamereRichieste::Righe && (usati[static_cast<size_t>(j)] ||
                                              p.slot[static_cast<size_t>(j)].tipo.compare(tipo, Qt::CaseInsensitive)))
            ++j;
        if (j == CamereRichieste::Righe) {
            attesa(
                p,
                p.chi() + u": per la camera "_s + QString::number(k) + u" (tipo "_s + tipo +
                    u") non sono stati memorizzati ospiti, prezzo e trattamento. Non è stata registrata e resta in "_s
                    u"attesa di un operatore."_s);
            return false;
        }
        usati[static_cast<size_t>(j)] = true;
        const Prenotazione::Slot& s = p.slot[static_cast<size_t>(j)];
        const int n = s.quantita >= 1 ? int(std::min(s.quantita, 1000.0)) : 1;
        soggiorni.append({k, &s, n});
        totale += n;
        chieste << QString::number(n) + u' ' + tipo;
    }
    if (totale > CamereRichieste::Righe) {
        const QString testo = p.chi() + u" chiede "_s + QString::number(totale) + u" camere ("_s +
                              chieste.join(u", "_s) + u"): se ne possono registrare al massimo "_s +
                              QString::number(CamereRichieste::Righe) +
                              u". Non è stata scritta in QV e resta in attesa: va inserita in QV a mano."_s;
        attesa(p, testo);
        if (!automatica &&
            m_ctx.op().messageBox(
                {QString::fromUtf16(Titolo),
                 testo + kCrLf + kCrLf + u"È già stata inserita in QV a mano? Se sì, non sarà più proposta."_s,
                 OperatorPort::Icon::Question, OperatorPort::Buttons::YesNo, OperatorPort::Answer::No,
                 OperatorPort::Answer::No}) == OperatorPort::Answer::Yes)
            ScritturaPrenotazione(m_ctx, m_file).segnaGestita(p.nPren, false);
        return false;
    }

    Database& interfaccia = m_file.interfaccia();
    Recordset rooms = interfaccia.OpenRecordset(u"Rooms"_s);
    Recordset prezzi = interfaccia.OpenRecordset(u"ReservationsPrice"_s);
    int riga = 0;
    for (const Soggiorno& soggiorno : std::as_const(soggiorni)) {
        const Prenotazione::Slot& s = *soggiorno.slot;
        const QString& tipo = p.tipi[static_cast<size_t>(soggiorno.k - 1)];
        bool primo = true;
        for (int k = 1; k < soggiorno.k; ++k)
            primo = primo && p.tipi[static_cast<size_t>(k - 1)].compare(tipo, Qt::CaseInsensitive) != 0;
        RigaCamera base;
        base.tipoWeb = tipo;
        base.trattamento = s.trattamento;
        base.soggiorno = soggiorno.k;
        base.primoDelTipo = primo;
        if (rooms.FindFirst(u"RoomsId = ?"_s, {tipo})) {
            base.descrizione = rooms.Field(u"DesRooms"_s).toString();
            const qsizetype i = descrizioni.indexOf(base.descrizione);
            if (i >= 0) {
                conteggi[i] += soggiorno.camere;
            } else {
                descrizioni << base.descrizione;
                conteggi << soggiorno.camere;
            }
        }
        // A stay of several rooms: its own Total says whether its prices are per room or for all.
        if (soggiorno.camere > 1) {
            double notti = 0;
            for (const auto& notte : ScritturaPrenotazione::prezziNotti(prezzi, p.nPren, base, p.dataFrom, p.dataTo))
                notti += ScritturaPrenotazione::importo(notte.second);
            const auto uguale = [](double a, double b) {
                return std::abs(a - b) < 0.005;
            };
            if (s.totale && !uguale(notti * soggiorno.camere, *s.totale) && uguale(notti, *s.totale))
                base.parti = soggiorno.camere;
            else if (!s.totale || !uguale(notti * soggiorno.camere, *s.totale))
                prezziPerCamera += (prezziPerCamera.isEmpty() ? u"del soggiorno di "_s : u", e del soggiorno di "_s) +
                                   QString::number(soggiorno.camere) + u" camere "_s + tipo;
        }
        for (int parte = 0; parte < soggiorno.camere; ++parte) {
            RigaCamera& r = camere.riga(++riga);
            r = base;
            r.parte = parte;
            r.persone = ospitiDi(s.persone, parte, soggiorno.camere);
            r.prezzo = quota(s.prezzo, parte, base.parti);
        }
    }
    return true;
}

RevisionePrenotazioni::Assegnazione RevisionePrenotazioni::assegna(const Prenotazione& p, CamereRichieste& camere,
                                                                   QString& riepilogo, bool automatica, int solo)
{
    AssegnazioneCamere assegnazione(m_ctx);
    bool mancano = false;
    Recordset numeri = m_file.numeri().OpenRecordset(u"NumeriCamere"_s);
    for (int k = 1; k <= CamereRichieste::Righe; ++k) {
        RigaCamera& riga = camere.riga(k);
        if (vuoto(riga.tipoWeb) || (solo > 0 && k != solo))
            continue;
        // What the stay brings (persons, price, meal plan), kept until a room is known.
        const RigaCamera soggiorno = riga;
        riga.persone = 0;
        riga.prezzo = 0;
        riga.trattamento.clear();
        const QString libere = assegnazione.CercaCamereLibere(m_file, riga.tipoWeb, p.dal(), p.al(), camere);
        if (libere == kNessuna) {
            if (automatica) {
                mancano = true;
                continue;
            }
            riepilogo += kCrLf + u"Non ci sono camere disponibili!"_s;
            m_ctx.op().inform(u"Simplebooking"_s, riepilogo, OperatorPort::Icon::Exclamation);
            // Written without a room number, so that the front desk sees the stay.
            riga.tipoCamera = riga.tipoWeb;
            riga.persone = soggiorno.persone;
            riga.prezzo = soggiorno.prezzo;
            riga.trattamento = u" "_s;
            continue;
        }
        std::optional<QString> scelta;
        if (automatica)
            scelta = assegnazione.primaCameraLibera();
        else
            scelta =
                chiediCamera(riepilogo + kCrLf + libere + kCrLf + u"Scegli la camera da assegnare alla prenotazione!"_s,
                             assegnazione, numeri);
        if (!scelta)
            return Assegnazione::SenzaRisposta;
        riga.camera = *scelta;
        if (riga.camera == u"-" || !numeri.FindFirst(u"NumeroCamera = ?"_s, {riga.camera})) {
            riga.tipoCamera = u" "_s;
            riga.trattamento = u" "_s;
            continue;
        }
        riga.tipoCamera = numeri.Field(u"TipoCamera"_s).toString();
        riga.persone = soggiorno.persone;
        riga.prezzo = soggiorno.prezzo;
        riga.trattamento = assegnazione.CercaTrattamento(m_file.interfaccia(), soggiorno.trattamento);
    }
    return mancano ? Assegnazione::Mancano : Assegnazione::Completa;
}

std::optional<QString> RevisionePrenotazioni::chiediCamera(const QString& prompt,
                                                           const AssegnazioneCamere& assegnazione, Recordset& numeri)
{
    bool ripetuta = false;
    for (;;) {
        const auto risposta = m_ctx.op().inputBox(prompt, QString::fromUtf16(TitoloScelta), QString());
        if (!risposta)
            return std::nullopt;
        const QString camera = risposta->trimmed();
        if (camera == u"-")
            return camera;
        // A room that does not exist is asked again; on a repeated asking only a proposed room counts.
        if (!camera.isEmpty() && numeri.FindFirst(u"NumeroCamera = ?"_s, {camera}) &&
            (!ripetuta || assegnazione.inElenco(camera)))
            return camera;
        ripetuta = true;
    }
}

void RevisionePrenotazioni::stampa(const QString& nPren)
{
    const QString titolo = QString::fromUtf16(TitoloStampa);
    const auto risposta =
        m_ctx.op().messageBox({titolo, u"Stampo la scheda prenotazione?"_s, OperatorPort::Icon::Question,
                               OperatorPort::Buttons::YesNo, OperatorPort::Answer::Yes, OperatorPort::Answer::No});
    if (risposta != OperatorPort::Answer::Yes)
        return;
    const QString modello = u"WBSchPreno.st2"_s;
    if (!QFileInfo::exists(m_ctx.path(modello))) {
        m_ctx.op().inform(titolo, u"Manca il modello di stampa "_s + modello + u": la scheda non è stata stampata."_s);
        return;
    }
    const QString errore = TextFile::writeLines(m_ctx.path(u"stampa2.pss"_s), {modello, nPren});
    if (!errore.isEmpty()) {
        m_ctx.op().inform(titolo, u"Impossibile scrivere stampa2.pss: "_s + errore);
        return;
    }
    if (!QProcess::startDetached(m_ctx.path(u"stampe2.exe"_s), {}, m_ctx.workDir().path()))
        m_ctx.op().inform(titolo, u"Impossibile avviare il programma di stampa stampe2.exe: la scheda non è stata "_s
                                  u"stampata."_s);
}

bool RevisionePrenotazioni::esaminaCancellata(const Prenotazione& p)
{
    const QString testo = u"Cancellata prenotazione a nome "_s + p.lastName + u' ' + p.firstName + u" dal "_s +
                          p.dal() + u" al "_s + p.al() + kCrLf + u"Confermi?"_s;
    const auto risposta = m_ctx.op().messageBox({QString::fromUtf16(Titolo), testo, OperatorPort::Icon::Question,
                                                 OperatorPort::Buttons::YesNo, OperatorPort::Answer::No,
                                                 OperatorPort::Answer::Unanswered});
    ScritturaPrenotazione scrittura(m_ctx, m_file);
    if (risposta == OperatorPort::Answer::Yes)
        return scrittura.AnnullaPrenotazione(p.nPren).esito != ScritturaPrenotazione::Esito::InAttesa;
    if (risposta == OperatorPort::Answer::No)
        return scrittura.segnaGestita(p.nPren, true).esito == ScritturaPrenotazione::Esito::Segnata;
    return false;
}
