#include "import/ReservationImporter.h"

#include "context/AppContext.h"
#include "import/RoomStayParser.h"
#include "import/VersionePrenotazione.h"
#include "service/ServiceClient.h"
#include "service/TagScanner.h"
#include "service/XmlText.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/ValueCleaning.h"

#include <QElapsedTimer>
#include <QList>
#include <QSqlQuery>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kDatabase = u"SimpleBooking.mdb"_s;
// The service's ids are its own keys: two that differ only in case are two reservations.
const QString kFindReservation = u"StrComp(NPren, ?, 0) = 0"_s;
constexpr int kNPrenLength = 50;

bool blank(const QString& value)
{
    return value.trimmed().isEmpty();
}

// Text about people is stored decoded ("D&#39;Angelo" is D'Angelo); a missing value stays " ".
QString persona(const QString& value)
{
    return decodeXmlText(value);
}

// A service amount as the decimal number it is, cleaned to the Italian two-decimal text.
QString importo(const QString& value, const QString& campo)
{
    return importoTesto(importoCampo(value, campo));
}

const QString kCancelled = u"Cancelled"_s;

// The values of one reservation, read from its own HotelReservation element.
struct DatiPrenotazione
{
    QString id;
    QString amount;
    QString rDate;
    QString dataFrom;
    QString dataTo;
    QString email;
    QString firstName;
    QString lastName;
    QString street;
    QString city;
    QString zipCode;
    QString country;
    QString phone;
    QString notes;
    QString agency;
    QString origAmount;
    QString status;

    const QString& nPren() const { return id; }
};

DatiPrenotazione leggiPrenotazione(TagScanner& s, int n, const QString& id)
{
    DatiPrenotazione d;
    d.id = id;
    d.amount = importo(s.CercaTag(n, u"ResGlobalInfo"_s, u"AmountAfterTax"_s), u"Amount"_s);
    d.rDate = TextDate::isoToYmd(s.CercaTag(n, u"HotelReservationID "_s, u"ResID_Date"_s));
    d.dataFrom = TextDate::isoToYmd(s.CercaTag(n, u"TimeSpan"_s, u"Start"_s));
    d.dataTo = TextDate::isoToYmd(s.CercaTag(n, u"TimeSpan"_s, u"End"_s));
    d.email = persona(s.CercaTag(n, u"Email"_s, {}));
    d.firstName = persona(s.CercaTag(n, u"GivenName"_s, {}));
    d.lastName = persona(s.CercaTag(n, u"Surname"_s, {}));
    d.street = persona(s.CercaTag(n, u"AddressLine"_s, {}));
    d.city = persona(s.CercaTag(n, u"CityName"_s, {}));
    d.zipCode = persona(s.CercaTag(n, u"PostalCode"_s, {}));
    d.country = s.CercaTag(n, u"CountryName "_s, u"Code"_s);
    QString phone = s.CercaTagPrenotazione(n, 1, u"Telephone "_s, u"PhoneNumber"_s);
    if (blank(phone))
        phone = s.CercaTagPrenotazione(n, 2, u"Telephone "_s, u"PhoneNumber"_s);
    d.phone = persona(phone);
    const QString guest = s.commento(n, true);
    const QString internal = s.commento(n, false);
    d.notes = persona(guest) + u"---\r\n"_s + persona(internal);
    d.agency = persona(s.CercaTag(n, u"CompanyName"_s, {}));
    d.origAmount = importo(s.CercaTag(n, u"Total"_s, u"AmountAfterTax"_s), u"Orig_Amount"_s);
    d.status = s.CercaTag(n, u"HotelReservation "_s, u"ResStatus"_s);
    return d;
}

// Every field of the row but the slots, the first total and the status.
void scriviCampi(Recordset& rs, const DatiPrenotazione& d, const RoomStayParser::Soggiorni& soggiorni,
                 qint16 numeroHotel)
{
    rs.setField(u"NumeroHotel"_s, numeroHotel);
    rs.setField(u"NPren"_s, d.nPren());
    rs.setField(u"Language"_s, 1);
    rs.setField(u"Opportunities"_s, 0);
    rs.setField(u"Room_Opportunities"_s, 0);
    rs.setField(u"Amount"_s, d.amount);
    rs.setField(u"Amount_Reason"_s, u" "_s);
    rs.setField(u"RDate"_s, d.rDate);
    rs.setField(u"DataFrom"_s, d.dataFrom);
    rs.setField(u"DataTo"_s, d.dataTo);
    rs.setField(u"EMail"_s, tagliaTesto(d.email, 100));
    rs.setField(u"FirstName"_s, tagliaTesto(d.firstName, 50));
    rs.setField(u"LastName"_s, tagliaTesto(d.lastName, 50));
    rs.setField(u"Street"_s, tagliaTesto(d.street, 100));
    rs.setField(u"City"_s, tagliaTesto(d.city, 100));
    rs.setField(u"zipCode"_s, tagliaTesto(d.zipCode, 5));
    rs.setField(u"Country"_s, tagliaTesto(d.country, 100));
    rs.setField(u"Phone"_s, tagliaTesto(d.phone, 20));
    rs.setField(u"Notes"_s, d.notes);
    rs.setField(u"Agency"_s, tagliaTesto(d.agency, 255));
    for (int k = 1; k <= RoomStayParser::MaxCamere; ++k)
        rs.setField(u"Room"_s + QString::number(k), tagliaTesto(soggiorni[static_cast<size_t>(k - 1)].codice, 10));
}

// A new row starts with every slot empty: 0 for the numbers, one blank for the texts.
void slotIniziali(Recordset& rs)
{
    for (int k = 1; k <= RoomStayParser::MaxCamere; ++k) {
        const QString room = u"Room"_s + QString::number(k);
        rs.setField(room + u"_Q"_s, 0);
        rs.setField(room + u"_P"_s, 0);
        rs.setField(room + u"_QP"_s, 0);
        rs.setField(room + u"_S"_s, u" "_s);
        rs.setField(room + u"_D"_s, u" "_s);
        rs.setField(room + u"_A"_s, u" "_s);
    }
}

CatalogoCamere leggiRooms(Database& db)
{
    CatalogoCamere rooms;
    Recordset rs = db.OpenRecordset(u"Rooms"_s);
    for (bool found = rs.FindFirst(QString()); found; found = rs.FindNext(QString())) {
        const QString id = rs.Field(u"RoomsId"_s).toString();
        if (blank(id))
            continue;
        const QString key = chiaveCamera(id);
        if (!rooms.contains(key))
            rooms.insert(key, {id, rs.Field(u"DesRooms"_s).toString()});
    }
    return rooms;
}

// What the entries of one answer are called in what the operator is shown.
struct Elenco
{
    QString fase;  // the progress: "Prenotazioni scaricate 120 di 2000"
    QString perse; // the entries of a group whose commit failed
    QString fatte; // the entries stored before a stop: "12 prenotazioni memorizzate"
};

// The entries of an answer stored in groups. A group is one transaction of the database and each of
// its entries is a savepoint in it, so that an entry that fails is undone alone and the others go
// on. Only once the group is committed is each of its entries told (its notice) and confirmed to
// the service, in the order of the answer: no confirmation names a row that is not durable (nor is
// one sent once the program has been asked to stop). A group
// ends after kMassimoVoci entries or kMassimoMs of work, so that QV's workstations never wait long
// for the file, and before anything that waits for the operator.
class Gruppo
{
public:
    static constexpr qsizetype kMassimoVoci = 100;
    static constexpr qint64 kMassimoMs = 200;

    Gruppo(AppContext& ctx, ServiceClient& client, Database& db, Elenco elenco)
        : m_ctx(ctx), m_client(client), m_db(db), m_elenco(std::move(elenco))
    {
    }
    ~Gruppo() { m_ctx.avanzamento.fine(); }
    Gruppo(const Gruppo&) = delete;
    Gruppo& operator=(const Gruppo&) = delete;

    // Entry n of totale is about to start: false when the program has been asked to stop. The
    // entries so far are then committed, and the operator is told.
    bool avanti(int n, int totale)
    {
        m_ctx.avanzamento.passo(m_elenco.fase, n, totale);
        if (m_ctx.avanzamento.arrestoRichiesto()) {
            chiudi();
            m_ctx.op().avviso(titolo(),
                              u"Scarico interrotto su richiesta: "_s + QString::number(m_memorizzate) + u' ' +
                                  m_elenco.fatte +
                                  (m_nonConfermate > 0 ? u" (le ultime "_s + QString::number(m_nonConfermate) +
                                                             u" senza conferma: il servizio le manderà di "
                                                             u"nuovo e saranno riconosciute)"_s
                                                       : QString()) +
                                  u", le altre arriveranno con il prossimo scarico."_s);
            return false;
        }
        return true;
    }

    // Runs one entry's work in the group, under its own savepoint. What the work throws undoes its
    // own changes only, and goes on to the caller.
    template <typename F> void parte(F&& work)
    {
        if (!m_work) {
            m_work.emplace(m_db);
            m_durata.start();
        }
        Database::Savepoint savepoint(m_db);
        try {
            std::forward<F>(work)();
            savepoint.release();
        } catch (...) {
            annulla(savepoint);
            throw;
        }
    }

    // Entry id belongs to the group: once the group is committed, its notice (when it has one) is
    // shown and it is confirmed. A full group is closed.
    void memorizzata(const QString& id, std::optional<QString> avviso)
    {
        m_voci.append({id, std::move(avviso)});
        if (m_voci.size() >= kMassimoVoci || (m_durata.isValid() && m_durata.hasExpired(kMassimoMs)))
            chiudi();
    }

    // Commits the group, then tells and confirms its entries. When the commit fails none of them is
    // confirmed, and the operator is told.
    void chiudi()
    {
        if (m_work) {
            try {
                m_work->commit();
            } catch (const StoreError& e) {
                perso(e.text());
                return;
            }
            m_work.reset();
            m_durata.invalidate();
        }
        // Asked to stop, the program does not wait for the service: an entry stored but not confirmed
        // comes again and is known as stored.
        const QList<Voce> voci = std::exchange(m_voci, {});
        const auto racconta = [&](qsizetype i) {
            if (voci.at(i).avviso)
                m_ctx.op().avviso(titolo(), *voci.at(i).avviso);
        };
        if (m_ctx.avanzamento.arrestoRichiesto()) {
            for (qsizetype i = 0; i < voci.size(); ++i)
                racconta(i);
            m_nonConfermate += int(voci.size());
        } else {
            QStringList ids;
            for (const Voce& voce : voci)
                ids.append(voce.id);
            m_nonConfermate += m_client.ConfermaPrenotazioni(ids, racconta);
        }
        m_memorizzate += int(voci.size());
    }

private:
    struct Voce
    {
        QString id;
        std::optional<QString> avviso;
    };

    static QString titolo() { return QString::fromUtf16(ReservationImporter::Titolo); }

    void annulla(Database::Savepoint& savepoint)
    {
        try {
            savepoint.rollback();
        } catch (const StoreError&) {
            // After a full disk or an I/O error the engine may give up the whole transaction.
            perso(u"il database ha annullato l'intera operazione dopo un errore"_s);
        }
    }

    // The group's transaction is rolled back, or was lost: none of its entries is stored.
    void perso(const QString& motivo)
    {
        m_work.reset();
        m_durata.invalidate();
        QStringList ids;
        for (const Voce& voce : std::exchange(m_voci, {}))
            ids.append(voce.id);
        if (ids.isEmpty())
            return;
        m_ctx.op().inform(titolo(),
                          m_elenco.perse + u" ("_s + motivo + u"): "_s + ids.join(u", "_s) +
                              u". Saranno ricevute di nuovo con il prossimo scarico."_s,
                          OperatorPort::Icon::Exclamation);
    }

    AppContext& m_ctx;
    ServiceClient& m_client;
    Database& m_db;
    const Elenco m_elenco;
    std::optional<Database::Transaction> m_work;
    QElapsedTimer m_durata; // since the group's transaction began
    QList<Voce> m_voci;
    int m_memorizzate = 0;   // entries of the answer committed so far
    int m_nonConfermate = 0; // of them, left unconfirmed by a stop
};

} // namespace

ReservationImporter::ReservationImporter(AppContext& ctx, ServiceClient& client) : m_ctx(ctx), m_client(client) {}

bool ReservationImporter::daLeggere(const QString& risposta, const std::optional<Giudizio>& giudizio,
                                    const TagScanner& scanner, const QString& cosa)
{
    const Giudizio g =
        giudizio ? *giudizio : giudicaRisposta(GenereRisposta::Prenotazioni, RispostaServizio::daTesto(risposta));
    // Asked to stop, the download ends: that is no failure of the service.
    if (g.esito == EsitoRisposta::Interrotta)
        return false;
    QString motivo = g.motivo;
    // A download every twenty minutes mostly finds nothing new: that is no error to show.
    if (g.accettata() && scanner.reservationCount() == 0)
        return false;
    if (g.accettata() && !haIdentificativi(scanner))
        motivo = u"nessuna prenotazione della risposta ha il proprio numero"_s;
    if (!motivo.isEmpty())
        m_ctx.op().inform(QString::fromUtf16(Titolo), cosa + u": "_s + motivo, OperatorPort::Icon::Exclamation);
    return motivo.isEmpty();
}

bool ReservationImporter::haIdentificativi(const TagScanner& scanner)
{
    for (int n = 1; n <= scanner.reservationCount(); ++n) {
        if (!blank(scanner.CercaTag(n, u"HotelReservationID"_s, u"ResID_Value"_s)))
            return true;
    }
    return false;
}

void ReservationImporter::segnalaScartata(const TagScanner& scanner, int n, const QString& id, const QString& motivo)
{
    const QString numero = id.size() > 60 ? tagliaTesto(id, 60) + u"..."_s : id;
    QString chi = u"n. "_s + QString::number(n) + u" della risposta"_s;
    const QString nome = (persona(scanner.CercaTag(n, u"Surname"_s, {})).trimmed() + u' ' +
                          persona(scanner.CercaTag(n, u"GivenName"_s, {})).trimmed())
                             .trimmed();
    if (!nome.isEmpty())
        chi += u", "_s + nome;
    const QDate dal = TextDate::fromIso(scanner.CercaTag(n, u"TimeSpan"_s, u"Start"_s));
    const QDate al = TextDate::fromIso(scanner.CercaTag(n, u"TimeSpan"_s, u"End"_s));
    if (dal.isValid() && al.isValid())
        chi += u", dal "_s + TextDate::toDmy(dal) + u" al "_s + TextDate::toDmy(al);
    const QString testo =
        u"La prenotazione "_s + (blank(id) ? QString() : numero + u' ') + u'(' + chi + u") "_s + motivo;
    m_ctx.op().inform(QString::fromUtf16(Titolo), testo, OperatorPort::Icon::Exclamation);
}

QString ReservationImporter::difetto(const TagScanner& scanner, int n, const QString& id)
{
    if (const QString errore = scanner.difetto(n); !errore.isEmpty())
        return u"non è scritta correttamente ("_s + errore + u')';
    if (blank(id))
        return u"non ha un numero di prenotazione"_s;
    if (!scanner.reservationClosed(n))
        return u"è arrivata incompleta"_s;
    if (id.size() > kNPrenLength)
        return u"ha un numero di prenotazione più lungo di "_s + QString::number(kNPrenLength) + u" caratteri"_s;
    return {};
}

QString ReservationImporter::rifiuto(const ValoreRifiutato& v)
{
    const QString valore = v.valore.size() > 40 ? tagliaTesto(v.valore, 40) + u"..."_s : v.valore;
    return u"il valore \""_s + valore + u"\" non entra nel campo "_s + v.campo;
}

void ReservationImporter::LeggiPrenotazioni(const QString& risposta, const std::optional<Giudizio>& giudizio)
{
    TagScanner scanner(risposta);
    if (!daLeggere(risposta, giudizio, scanner, u"Ricezione prenotazione errata"_s))
        return;

    // One database for the whole answer; the reservations are committed in groups.
    Database db(m_ctx.workDir(), kDatabase);
    Recordset prices = db.OpenRecordset(u"ReservationsPrice"_s);
    Recordset reservations = db.OpenRecordset(u"Reservations"_s);
    const CatalogoCamere rooms = leggiRooms(db);
    RoomStayParser camere(scanner, rooms);
    const QString nonRegistrata = u": non è stata registrata né confermata e sarà ricevuta di nuovo con il prossimo "
                                  u"scarico."_s;
    Gruppo gruppo(
        m_ctx, m_client, db,
        {u"Prenotazioni scaricate"_s, u"Prenotazioni non memorizzate né confermate"_s, u"prenotazioni memorizzate"_s});

    const int totale = scanner.reservationCount();
    for (int n = 1; n <= totale; ++n) {
        if (!gruppo.avanti(n, totale))
            return;
        const QString id = scanner.CercaTag(n, u"HotelReservationID"_s, u"ResID_Value"_s);
        if (const QString errore = difetto(scanner, n, id); !errore.isEmpty()) {
            segnalaScartata(scanner, n, id, errore + nonRegistrata);
            continue;
        }
        // A reservation that cannot be stored is rolled back alone and left unconfirmed; the next
        // ones go on.
        try {
            Esito esito;
            gruppo.parte([&] { esito = registra(db, reservations, prices, camere, scanner, n, id); });
            gruppo.memorizzata(id, std::move(esito.avviso));
        } catch (const ValoreRifiutato& v) {
            reservations.CancelUpdate();
            prices.CancelUpdate();
            segnalaScartata(scanner, n, id, rifiuto(v) + nonRegistrata);
        } catch (const StoreError& e) {
            reservations.CancelUpdate();
            prices.CancelUpdate();
            segnalaScartata(scanner, n, id, u"non si può memorizzare ("_s + e.text() + u')' + nonRegistrata);
        }
    }
    gruppo.chiudi();
}

ReservationImporter::Esito ReservationImporter::registra(Database& db, Recordset& reservations, Recordset& prices,
                                                         RoomStayParser& camere, TagScanner& scanner, int n,
                                                         const QString& id)
{
    const DatiPrenotazione d = leggiPrenotazione(scanner, n, id);
    const RoomStayParser::Soggiorni soggiorni = camere.soggiorni(n);
    camere.clear();
    for (int k = 1; k <= RoomStayParser::MaxCamere; ++k)
        camere.LeggiCamera(soggiorni, k);

    Esito esito;
    const bool trovata = reservations.FindFirst(kFindReservation, {d.nPren()});
    const auto campo = [&](const QString& name) {
        return reservations.Field(name).toString();
    };
    // A row waiting for its cancellation (or whose cancellation was handled) is never turned back
    // into a booking by a later delivery of the same reservation.
    if (trovata && campo(u"Status"_s).trimmed() == kCancelled) {
        esito.avviso = u"La prenotazione "_s + id + u" ("_s + campo(u"LastName"_s).trimmed() + u' ' +
                       campo(u"FirstName"_s).trimmed() + u") è annullata: la nuova consegna del servizio (stato \""_s +
                       d.status + u"\") non la modifica."_s;
        return esito;
    }
    const bool modifica = d.status == u"Modify";
    std::optional<VersionePrenotazione> prima;
    int registrataPrima = 0;
    qint64 versione = 0;
    QString status = d.status;
    if (trovata) {
        prima = VersionePrenotazione::leggi(reservations, db);
        registrataPrima = reservations.Field(u"Registrata"_s).toInt();
        versione = reservations.Field(u"Versione"_s).toLongLong();
        // A modification keeps the status the reservation had: "Modify" on a waiting row means a
        // reservation never received here.
        if (modifica)
            status = campo(u"Status"_s).trimmed();
        reservations.Edit();
    } else {
        reservations.AddNew();
        reservations.setField(u"Registrata"_s, 0);
    }
    // Every slot starts empty: a room stay the new version no longer has counts nowhere.
    slotIniziali(reservations);
    scriviCampi(reservations, d, soggiorni, m_ctx.NumeroHotelCorrente);
    camere.scriviSlot(reservations);
    reservations.setField(u"Orig_Amount"_s, d.origAmount);
    reservations.setField(u"Status"_s, tagliaTesto(status, 10));
    reservations.setField(u"Status_Reason"_s, u" "_s);
    reservations.Update();
    // The nights are those of the version now received, never mixed with an earlier one's.
    if (trovata)
        db.run(u"DELETE FROM "_s + db.table(u"ReservationsPrice"_s)->sql +
                   u" WHERE NPren = ? AND NPren = ? COLLATE BINARY"_s,
               {d.nPren(), d.nPren()})
            .finish();
    camere.LeggiPrezzi(prices, n, soggiorni, d.nPren(), d.dataFrom, d.dataTo, m_ctx.NumeroHotelCorrente);
    // The service modifies a reservation the bridge never received: the booking may be in QV already
    // (typed by hand), or nowhere. It waits for the review, which decides.
    if (!trovata) {
        if (modifica)
            esito.avviso = u"La prenotazione "_s + id + u" ("_s + d.lastName.trimmed() + u' ' + d.firstName.trimmed() +
                           u") è arrivata come modifica di una prenotazione mai ricevuta: è stata memorizzata in "_s
                           u"attesa di registrazione."_s;
        return esito;
    }

    const VersionePrenotazione dopo = VersionePrenotazione::leggi(reservations, db);
    if (dopo == *prima)
        return esito; // a repeat: nothing QV books has changed
    // A modification: the version it replaces goes to the history; the old side of what the operator
    // is shown is the version QV holds.
    const std::optional<VersioneApplicata> applicata = VersioneApplicata::leggi(db, d.nPren());
    const bool inQv = applicata || registrataPrima != 0;
    const VersionePrenotazione& vecchia = applicata ? applicata->versione : *prima;
    const QString modifiche = VersionePrenotazione::differenze(vecchia, dopo);
    const QDateTime ora = m_ctx.clock().now();
    StoricoPrenotazioni::aggiungi(db, d.nPren(), ora, d.status, *prima, modifiche);
    reservations.Edit();
    reservations.setField(u"Versione"_s, versione + 1);
    if (inQv) {
        if (!applicata)
            VersioneApplicata::registra(db, d.nPren(), {0, *prima, std::nullopt}, ora);
        // Back to what QV holds, nothing is left to apply.
        const bool daApplicare = !(dopo == vecchia);
        reservations.setField(u"Registrata"_s, daApplicare ? 0 : 1);
        if (daApplicare)
            reservations.setField(u"Status"_s, u"Modify"_s);
        esito.avviso = u"La prenotazione "_s + id + u" ("_s + d.lastName.trimmed() + u' ' + d.firstName.trimmed() +
                       u") è stata modificata sul web: "_s + modifiche +
                       (daApplicare ? u". La modifica sarà applicata alla prenotazione di QV dalla revisione."_s
                                    : u". È tornata com'è in QV: non c'è nulla da cambiare."_s);
    }
    reservations.Update();
    return esito;
}

void ReservationImporter::LeggiCancellazioni(const QString& risposta, const std::optional<Giudizio>& giudizio)
{
    TagScanner scanner(risposta);
    if (!daLeggere(risposta, giudizio, scanner, u"Ricezione cancellazione errata"_s))
        return;

    Database db(m_ctx.workDir(), kDatabase);
    Recordset reservations = db.OpenRecordset(u"Reservations"_s);
    const QString nonConfermata = u": non è stata applicata né confermata e sarà ricevuta di nuovo."_s;
    Gruppo gruppo(
        m_ctx, m_client, db,
        {u"Cancellazioni scaricate"_s, u"Cancellazioni non applicate né confermate"_s, u"cancellazioni applicate"_s});
    const int totale = scanner.reservationCount();
    for (int n = 1; n <= totale; ++n) {
        if (!gruppo.avanti(n, totale))
            return;
        const QString id = scanner.CercaTag(n, u"HotelReservationID"_s, u"ResID_Value"_s);
        // Without its own identifier, cut short or written wrong, a cancellation names nothing for sure.
        if (const QString errore = difetto(scanner, n, id); !errore.isEmpty()) {
            segnalaScartata(scanner, n, id, u"annullata "_s + errore + nonConfermata);
            continue;
        }
        // Every entry of this answer is a cancellation, whatever status it carries.
        const QString status = scanner.CercaTag(n, u"HotelReservation "_s, u"ResStatus"_s);
        bool marcata = false;
        try {
            gruppo.parte([&] {
                if (!reservations.FindFirst(kFindReservation, {id}))
                    return;
                // A cancellation handled already (cancelled in QV, or marked handled) is not reopened:
                // delivered twice, it would be offered twice and its booking uncounted twice.
                const bool gestita = reservations.Field(u"Status"_s).toString().trimmed() == kCancelled &&
                                     reservations.Field(u"Registrata"_s).toInt() != 0;
                if (!gestita) {
                    reservations.Edit();
                    reservations.setField(u"Registrata"_s, 0);
                    reservations.setField(u"Status"_s, kCancelled);
                    reservations.Update();
                }
                marcata = true;
            });
        } catch (const StoreError& e) {
            reservations.CancelUpdate();
            segnalaScartata(scanner, n, id,
                            u"annullata: la cancellazione non si può memorizzare ("_s + e.text() + u')' +
                                nonConfermata);
            continue;
        }
        if (!marcata)
            continue;
        std::optional<QString> avviso;
        if (status != kCancelled)
            avviso = u"La cancellazione della prenotazione "_s + id + u" è arrivata con lo stato \""_s + status +
                     u"\": è trattata come annullamento."_s;
        gruppo.memorizzata(id, std::move(avviso));
    }
    gruppo.chiudi();
}
