#include "booking/RevisionePrenotazioni.h"

#include "booking/AssegnazioneCamere.h"
#include "booking/ScritturaPrenotazione.h"
#include "booking/VerificaCamera.h"
#include "context/AppContext.h"
#include "import/VersionePrenotazione.h"
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
// A longer stay is taken for a date written wrong.
constexpr qint64 kNottiMassime = 365;

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
    qint64 versione = 0; // as read: the booking is written only for this version
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
        versione = rs.Field(u"Versione"_s).toLongLong();
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
             [&](const Prenotazione& p) { esamina(p, 0); });
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

QString RevisionePrenotazioni::soggiornoStrano(const Prenotazione& p) const
{
    const QDate dal = TextDate::fromYmd(p.dataFrom);
    const QDate al = TextDate::fromYmd(p.dataTo);
    if (!dal.isValid() || !al.isValid())
        return u"non ha date di soggiorno valide"_s;
    const qint64 notti = dal.daysTo(al);
    const QString soggiorno = u"il soggiorno dal "_s + p.dal() + u" al "_s + p.al();
    if (notti < 0)
        return soggiorno + u" finisce prima di cominciare"_s;
    if (notti == 0)
        return soggiorno + u" non ha nessuna notte"_s;
    if (notti > kNottiMassime)
        return soggiorno + u" ha "_s + QString::number(notti) + u" notti, più di "_s + QString::number(kNottiMassime);
    if (dal > m_ctx.clock().today().addYears(2))
        return soggiorno + u" comincia oltre due anni da oggi"_s;
    return {};
}

bool RevisionePrenotazioni::esamina(const Prenotazione& p, int giro)
{
    const bool automatica = m_ctx.settings.Modalita == u"2";
    // A stay no guest books is more likely a date written wrong: a person decides.
    if (const QString strano = soggiornoStrano(p); !strano.isEmpty()) {
        const QString testo = p.chi() + u": "_s + strano + u'.';
        if (automatica ||
            m_ctx.op().messageBox({QString::fromUtf16(Titolo), testo + kCrLf + u"Registro comunque la prenotazione?"_s,
                                   OperatorPort::Icon::Question, OperatorPort::Buttons::YesNo, OperatorPort::Answer::No,
                                   OperatorPort::Answer::Unanswered}) != OperatorPort::Answer::Yes) {
            attesa(p, testo + u" Non è stata registrata e resta in attesa di un operatore."_s);
            return false;
        }
    }
    // A reservation QV holds already: what waits is its modification.
    std::optional<Modifica> modifica;
    if (auto applicata = VersioneApplicata::leggi(m_file.interfaccia(), p.nPren)) {
        modifica.emplace();
        modifica->applicata = std::move(*applicata);
        if (!preparaModifica(p, *modifica, automatica))
            return false;
    } else if (automatica && p.status.compare(u"Modify"_s, Qt::CaseInsensitive) == 0) {
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
    if (!modifica) {
        if (const QString problema = AssegnazioneCamere::problemaContatore(m_file.lavoro(), m_ctx.NumeroHotelCorrente);
            !problema.isEmpty()) {
            attesa(p, ScritturaPrenotazione::contatoreInutilizzabile(p.chi(), problema), true);
            return false;
        }
    }

    QString riepilogo = modifica ? modifica->intestazione + kCrLf + kCrLf
                                 : u"NUOVA PRENOTAZIONE DAL WEB!"_s + kCrLf + kCrLf + u"Nr.Pren. "_s + p.nPren + kCrLf +
                                       kCrLf + u"Sig./Sig.ra "_s + p.lastName + kCrLf + u"dal "_s + p.dal() +
                                       u" al "_s + p.al() + kCrLf + kCrLf;
    for (qsizetype i = 0; i < descrizioni.size(); ++i)
        riepilogo += u"n. "_s + QString::number(conteggi.at(i)) + u' ' + descrizioni.at(i) + kCrLf;

    // A chosen room may be taken by another workstation before the booking is written, or a typed
    // one may not be free: unattended, the rooms are looked for again a few times; the operator is
    // asked again for that line only.
    constexpr int kTentativi = 5;
    ScritturaPrenotazione scrittura(m_ctx, m_file, m_motivi ? &*m_motivi : nullptr);
    CamereRichieste scelte = camere;
    QString testo = riepilogo;
    m_mancanza.clear();
    Assegnazione assegnazione = assegna(p, scelte, testo, automatica, 0, modifica ? &*modifica : nullptr);
    for (int tentativo = 1;; ++tentativo) {
        if (assegnazione == Assegnazione::SenzaRisposta) {
            // Recorded for "Stato", not told: the operator has just said later, or nobody was there.
            if (m_motivi)
                m_motivi->daDire(p.nPren, p.chi(),
                                 u"la scelta delle camere è stata rimandata: resta in attesa di un operatore."_s);
            return false;
        }
        if (assegnazione == Assegnazione::Rinviata)
            return false; // the operator said later, and was told why it waits
        if (assegnazione == Assegnazione::Esclusa)
            return scrittura.segnaGestita(p.nPren, false).esito == ScritturaPrenotazione::Esito::Segnata;
        if (assegnazione == Assegnazione::Mancano) {
            if (modifica)
                attesa(p, u"La modifica della "_s + p.chi().mid(3) + u" non può essere applicata: "_s +
                              std::exchange(m_mancanza, QString()) + u" ("_s + modifica->modifiche +
                              u"). La prenotazione di QV resta com'è e la modifica resta in attesa."_s);
            else
                attesa(p, p.chi() + u": "_s + std::exchange(m_mancanza, QString()) +
                              u". Non è stata registrata e resta in attesa di un operatore."_s);
            return false;
        }
        if (vuoto(scelte.riga(1).tipoCamera))
            return senzaCamere(p, automatica);
        if (!m_avvisoTipo.isEmpty())
            avvisa(std::exchange(m_avvisoTipo, QString())); // once per review, before the first booking
        const auto r = modifica ? scrittura.ApplicaModifica(p.nPren, scelte, modifica->numero, p.versione)
                                : scrittura.RegistraPrenotazione(p.nPren, scelte, p.versione);
        if (r.esito == ScritturaPrenotazione::Esito::CameraOccupata) {
            if (automatica && tentativo >= kTentativi) {
                attesa(p, p.chi() + u": la camera "_s + r.camera +
                              u" non è più libera. Non è stata registrata e resta in attesa."_s);
                return false;
            }
            if (automatica) {
                scelte = camere;
                testo = riepilogo;
                m_mancanza.clear();
                assegnazione = assegna(p, scelte, testo, true, 0, modifica ? &*modifica : nullptr);
            } else {
                avvisa(p.chi() + u": la camera "_s + r.camera +
                       u" non è libera per queste date (occupata, fuori servizio o già scelta per un'altra camera "_s
                       u"della prenotazione). Scegli un'altra camera per questa riga."_s);
                scelte.riga(r.riga) = camere.riga(r.riga);
                assegnazione = assegna(p, scelte, testo, false, r.riga, modifica ? &*modifica : nullptr);
            }
            continue;
        }
        if (r.esito == ScritturaPrenotazione::Esito::Cambiata)
            return riesamina(p, giro);
        if (r.esito == ScritturaPrenotazione::Esito::Cancellata)
            return false; // offered by the cancellation loop of this review
        if (r.esito == ScritturaPrenotazione::Esito::InAttesa)
            return false;
        if ((r.esito == ScritturaPrenotazione::Esito::Registrata ||
             r.esito == ScritturaPrenotazione::Esito::Modificata) &&
            !prezziPerCamera.isEmpty())
            avvisa(
                p.chi() + u": il prezzo "_s + prezziPerCamera +
                u" è stato preso per ogni camera (il totale del soggiorno non dice se era per camera o per tutte le "_s
                u"camere). Controllare gli addebiti in QV."_s);
        if (!automatica && r.esito != ScritturaPrenotazione::Esito::GiaGestita)
            stampa(p.nPren);
        return true;
    }
}

bool RevisionePrenotazioni::riesamina(const Prenotazione& p, int giro)
{
    // Stored again while it was being reviewed: reviewed again with what it holds now, a few times at
    // most (a reservation the service keeps changing waits for the next review).
    constexpr int kGiri = 3;
    Recordset rs = m_file.interfaccia().OpenRecordset(u"Reservations"_s);
    if (giro >= kGiri ||
        !rs.FindFirst(u"StrComp(NPren, ?, 0) = 0 and Registrata = 0 and Status <> 'Cancelled'"_s, {p.nPren}))
        return false;
    return esamina(Prenotazione(rs), giro + 1);
}

bool RevisionePrenotazioni::preparaModifica(const Prenotazione& p, Modifica& m, bool automatica)
{
    Database& db = m_file.lavoro();
    m.numero = m.applicata.numero;
    if (m.numero <= 0) {
        // Written by an older bridge: the booking is the one its voucher names.
        Recordset schede = db.OpenRecordset(u"Scheda_Prenotazione"_s);
        const QString voucher = ScritturaPrenotazione::voucher(p.nPren);
        if (schede.FindFirst(u"StrComp(NVoucher, ?, 0) = 0"_s, {voucher})) {
            m.numero = schede.Field(u"NumeroPrenotazione"_s).toInt();
            if (schede.FindNext(u"StrComp(NVoucher, ?, 0) = 0"_s, {voucher}))
                m.numero = -1; // two bookings say they are this one: none is touched
        }
    }
    Recordset rs = m_file.interfaccia().OpenRecordset(u"Reservations"_s);
    const VersionePrenotazione nuova = rs.FindFirst(u"StrComp(NPren, ?, 0) = 0"_s, {p.nPren})
                                           ? VersionePrenotazione::leggi(rs, m_file.interfaccia())
                                           : m.applicata.versione;
    m.modifiche = VersionePrenotazione::differenze(m.applicata.versione, nuova);
    const VersionePrenotazione& v = m.applicata.versione;
    m.intestazione = u"Modificata prenotazione a nome "_s + v.cognome + u' ' + v.nome + u" dal "_s +
                     TextDate::ymdToDmy(v.dal) + u" al "_s + TextDate::ymdToDmy(v.al) + kCrLf + u"Nr.Pren. "_s +
                     p.nPren + (m.numero > 0 ? u", prenotazione QV n. "_s + QString::number(m.numero) : QString()) +
                     kCrLf + u"Modifiche: "_s + m.modifiche;
    for (const RigaScritta& r : m.applicata.righe.value_or(QList<RigaScritta>{}))
        m.camere << r.camera;
    if (m.camere.isEmpty() && m.numero > 0) {
        Recordset righe = db.OpenRecordset(u"Camere_Prenotazione"_s);
        for (bool f = righe.FindFirst(u"NumeroPrenotazione = ?"_s, {m.numero}); f;
             f = righe.FindNext(u"NumeroPrenotazione = ?"_s, {m.numero}))
            m.camere << righe.Field(u"NumeroCamera"_s).toString().trimmed();
    }

    ScritturaPrenotazione scrittura(m_ctx, m_file, m_motivi ? &*m_motivi : nullptr);
    const QString ostacolo = m.numero < 0 ? u"più prenotazioni di QV hanno il suo riferimento"_s
                                          : scrittura.ostacoloModifica(db, m.numero, m.applicata.righe, v.dal, v.al);
    const auto aMano = [&](const QString& testo) {
        if (automatica)
            return OperatorPort::Answer::Unanswered;
        return m_ctx.op().messageBox({QString::fromUtf16(Titolo),
                                      testo + kCrLf + kCrLf + u"È già stata apportata in QV a mano?"_s,
                                      OperatorPort::Icon::Question, OperatorPort::Buttons::YesNo,
                                      OperatorPort::Answer::No, OperatorPort::Answer::Unanswered});
    };
    if (!ostacolo.isEmpty()) {
        attesa(p, u"La modifica della "_s + p.chi().mid(3) + u" non può essere applicata: "_s + ostacolo + u" ("_s +
                      m.modifiche + u"). Resta in attesa di un operatore."_s);
        if (aMano(m.intestazione + kCrLf + kCrLf + u"Non può essere applicata dal collegamento: "_s + ostacolo +
                  u'.') == OperatorPort::Answer::Yes)
            scrittura.segnaApplicataAMano(p.nPren, std::max(m.numero, 0), p.versione);
        return false;
    }
    const auto risposta = aMano(m.intestazione);
    if (risposta == OperatorPort::Answer::Yes) {
        scrittura.segnaApplicataAMano(p.nPren, m.numero, p.versione);
        return false;
    }
    if (risposta == OperatorPort::Answer::Unanswered && !automatica) {
        attesa(p, u"La modifica della "_s + p.chi().mid(3) + u" attende un operatore: "_s + m.modifiche + u'.');
        return false;
    }
    return true;
}

bool RevisionePrenotazioni::senzaCamere(const Prenotazione& p, bool automatica)
{
    // No web reservation leaves the review without a QV booking unless a person said so.
    const QString testo = p.chi() + u" non sarà scritta in QV e non sarà più proposta."_s;
    if (!automatica &&
        m_ctx.op().messageBox({QString::fromUtf16(Titolo), testo + kCrLf + u"Confermi?"_s, OperatorPort::Icon::Question,
                               OperatorPort::Buttons::YesNo, OperatorPort::Answer::No,
                               OperatorPort::Answer::Unanswered}) == OperatorPort::Answer::Yes) {
        ScritturaPrenotazione scrittura(m_ctx, m_file, m_motivi ? &*m_motivi : nullptr);
        return scrittura.segnaGestita(p.nPren, false).esito == ScritturaPrenotazione::Esito::Segnata;
    }
    attesa(p, p.chi() +
                  u": la prima camera richiesta non ha un tipo leggibile o una camera assegnata. Non è stata scritta "_s
                  u"in QV e resta in attesa: va inserita in QV a mano."_s);
    return false;
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
                                                                   QString& riepilogo, bool automatica, int solo,
                                                                   Modifica* modifica)
{
    const qint32 proprio = modifica ? modifica->numero : 0;
    AssegnazioneCamere assegnazione(m_ctx);
    bool mancano = false;
    Recordset numeri = m_file.numeri().OpenRecordset(u"NumeriCamere"_s);
    int prima = 0; // the first line with a room type: "-" there leaves the whole reservation out of QV
    for (int k = 1; k <= CamereRichieste::Righe; ++k) {
        RigaCamera& riga = camere.riga(k);
        if (vuoto(riga.tipoWeb))
            continue;
        if (prima == 0)
            prima = k;
        if (solo > 0 && k != solo)
            continue;
        // What the stay brings (persons, price, meal plan), kept until a room is known.
        const RigaCamera soggiorno = riga;
        riga.persone = 0;
        riga.prezzo = 0;
        riga.trattamento.clear();
        const QString libere = assegnazione.CercaCamereLibere(m_file, riga.tipoWeb, p.dal(), p.al(), camere, proprio);
        if (libere == kNessuna) {
            if (automatica) {
                if (m_mancanza.isEmpty())
                    m_mancanza = mancanza(p, riga.tipoWeb, camere, proprio);
                mancano = true;
                continue;
            }
            riepilogo += kCrLf + u"Non ci sono camere disponibili!"_s;
            m_ctx.op().inform(u"Simplebooking"_s, riepilogo, OperatorPort::Icon::Exclamation);
            // Written without a room number only when the operator says so, and with the QV type the
            // counters count: a type no mapping names offers no such choice.
            const QString tipo = AssegnazioneCamere::tipoQv(m_file, riga.tipoWeb);
            const QString overbooking = u"overbooking del tipo "_s + tipo + u" dal "_s + p.dal() + u" al "_s + p.al();
            if (tipo.isEmpty() ||
                m_ctx.op().messageBox({QString::fromUtf16(Titolo),
                                       u"Registro comunque la prenotazione senza camera ("_s + overbooking + u")?"_s,
                                       OperatorPort::Icon::Question, OperatorPort::Buttons::YesNo,
                                       OperatorPort::Answer::No, OperatorPort::Answer::Unanswered}) !=
                    OperatorPort::Answer::Yes) {
                attesa(p,
                       p.chi() + u": nessuna camera "_s + (tipo.isEmpty() ? riga.tipoWeb : tipo) + u" libera"_s +
                           (tipo.isEmpty() ? u" (il tipo "_s + riga.tipoWeb + u" non è abbinato a QV)"_s : QString()) +
                           u". Non è stata registrata e resta in attesa di un operatore."_s);
                return Assegnazione::Rinviata;
            }
            riga.camera.clear();
            riga.tipoCamera = tipo;
            riga.persone = soggiorno.persone;
            riga.prezzo = soggiorno.prezzo;
            riga.trattamento = u" "_s;
            continue;
        }
        // A booking being modified keeps its rooms where they are free on the new nights.
        QString proposta = assegnazione.primaCameraLibera();
        if (modifica)
            for (const QString& c : std::as_const(modifica->camere))
                if (!camere.scelta(c) && assegnazione.inElenco(c)) {
                    proposta = c;
                    break;
                }
        std::optional<QString> scelta;
        if (automatica)
            scelta = proposta;
        else
            scelta = chiediCamera(p, riga, k == prima, camere,
                                  riepilogo + kCrLf + libere + kCrLf +
                                      u"Scegli la camera da assegnare alla prenotazione!"_s + kCrLf +
                                      u"- = nessuna camera per questa riga, Annulla = più tardi"_s,
                                  numeri, modifica ? proposta : QString(), proprio);
        if (!scelta)
            return Assegnazione::SenzaRisposta;
        riga.camera = *scelta;
        if (riga.camera == u"-" && k == prima)
            return Assegnazione::Esclusa;
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

std::optional<QString> RevisionePrenotazioni::chiediCamera(const Prenotazione& p, const RigaCamera& riga, bool prima,
                                                           const CamereRichieste& camere, const QString& prompt,
                                                           Recordset& numeri, const QString& proposta, qint32 proprio)
{
    for (;;) {
        const auto risposta = m_ctx.op().inputBox(prompt, QString::fromUtf16(TitoloScelta), proposta);
        if (!risposta)
            return std::nullopt;
        const QString camera = risposta->trimmed();
        if (camera.isEmpty())
            continue;
        if (camera == u"-") {
            if (!prima)
                return camera;
            if (m_ctx.op().messageBox(
                    {QString::fromUtf16(Titolo),
                     p.chi() + u" non sarà scritta in QV e non sarà più proposta."_s + kCrLf + u"Confermi?"_s,
                     OperatorPort::Icon::Question, OperatorPort::Buttons::YesNo, OperatorPort::Answer::No,
                     OperatorPort::Answer::Unanswered}) == OperatorPort::Answer::Yes)
                return camera;
            continue;
        }
        // Every answer is checked, and a refused one says why before the prompt comes back.
        QString motivo;
        if (!numeri.FindFirst(u"NumeroCamera = ?"_s, {camera})) {
            motivo = u"non esiste"_s;
        } else if (const QString tipo = numeri.Field(u"TipoCamera"_s).toString().trimmed();
                   !AssegnazioneCamere::tipiQv(m_file, riga.tipoWeb).contains(tipo, Qt::CaseInsensitive)) {
            motivo = u"è di tipo "_s + tipo;
        } else if (camere.scelta(camera)) {
            motivo = u"è già scelta per un'altra camera della prenotazione"_s;
        } else {
            motivo = m_file.controllo().occupazione(camera, p.dal(), p.al(), proprio);
        }
        if (motivo.isEmpty())
            return camera;
        m_ctx.op().inform(QString::fromUtf16(TitoloScelta), u"La camera "_s + camera + u' ' + motivo,
                          OperatorPort::Icon::Exclamation);
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

QString RevisionePrenotazioni::mancanza(const Prenotazione& p, const QString& tipoWeb, const CamereRichieste& camere,
                                        qint32 proprio)
{
    const QString tipo = AssegnazioneCamere::tipoQv(m_file, tipoWeb);
    const QString nome = u"nessuna camera "_s + (tipo.isEmpty() ? tipoWeb : tipo) + u" libera"_s;
    AssegnazioneCamere assegnazione(m_ctx);
    const QDate dal = TextDate::fromYmd(p.dataFrom);
    const QDate al = TextDate::fromYmd(p.dataTo);
    // The first night on which the type has no room left.
    for (QDate d = dal; d.isValid() && d < al; d = d.addDays(1))
        if (assegnazione.CercaCamereLibere(m_file, tipoWeb, TextDate::toDmy(d), TextDate::toDmy(d.addDays(1)), camere,
                                           proprio) == kNessuna)
            return nome + u" il "_s + TextDate::toDmy(d);
    return nome + u" per tutto il soggiorno"_s;
}

bool RevisionePrenotazioni::esaminaCancellata(const Prenotazione& p)
{
    Recordset schede = m_file.lavoro().OpenRecordset(u"Scheda_Prenotazione"_s);
    const QString qv = schede.FindFirst(u"StrComp(NVoucher, ?, 0) = 0"_s, {ScritturaPrenotazione::voucher(p.nPren)})
                           ? u"prenotazione QV n. "_s + schede.Field(u"NumeroPrenotazione"_s).toString()
                           : u"nessuna prenotazione in QV"_s;
    const QString testo = u"Cancellata prenotazione a nome "_s + p.lastName + u' ' + p.firstName + u" dal "_s +
                          p.dal() + u" al "_s + p.al() + kCrLf + u"Confermi?"_s + kCrLf + u"(prenotazione web "_s +
                          p.nPren.trimmed() + u", "_s + qv + u')';
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
