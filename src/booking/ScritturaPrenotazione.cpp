#include "booking/ScritturaPrenotazione.h"

#include "availability/CalcolaDisponibilita.h"
#include "booking/AssegnazioneCamere.h"
#include "booking/FileAperti.h"
#include "booking/MotiviAttesa.h"
#include "booking/VerificaCamera.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/TextFile.h"
#include "store/ValueCleaning.h"

#include <QFileInfo>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// More workstations than this is a mistyped NTERM, not a hotel.
constexpr qint64 kTerminaliMassimi = 999;

bool vuoto(const QString& s)
{
    return s.trimmed().isEmpty();
}

// The first line of one of QV's optional files; empty when the file or its first line is missing.
QString primaRiga(const AppContext& ctx, const QString& nome)
{
    const QString path = ctx.path(nome);
    if (!QFileInfo::exists(path))
        return {};
    const auto righe = TextFile::readLines(path);
    return righe && !righe->isEmpty() ? righe->first().trimmed() : QString();
}

// A cleaned code of a room line, cut to the width of QV's code fields.
QString codice(const QString& valore)
{
    return PulisciValore(tagliaTesto(valore, 6), 0);
}

// Why a booking could not be counted, from the counting's error text: its plain form means dates
// that fail QV's checks, a longer one says itself what went wrong.
QString motivoConteggio(const QString& problema, qint32 numero)
{
    if (problema == u"Errore riscontrato nella Prenotazione n. "_s + QString::number(numero))
        return u"le date del soggiorno non superano i controlli di QV"_s;
    return problema;
}

QString dataLeggibile(const QString& ymd)
{
    return TextDate::ymdToDmy(ymd.trimmed());
}

} // namespace

struct ScritturaPrenotazione::Testata
{
    QString nPren, dataFrom, dataTo, lastName, firstName, agency, street, city, phone, email, notes, country;
    QVariant amount;

    explicit Testata(const Recordset& rs)
    {
        const auto testo = [&](const QString& campo) {
            return rs.Field(campo).toString();
        };
        nPren = testo(u"NPren"_s);
        dataFrom = testo(u"DataFrom"_s);
        dataTo = testo(u"DataTo"_s);
        lastName = testo(u"LastName"_s);
        firstName = testo(u"FirstName"_s);
        agency = testo(u"Agency"_s);
        street = testo(u"Street"_s);
        city = testo(u"City"_s);
        phone = testo(u"Phone"_s);
        email = testo(u"EMail"_s);
        notes = testo(u"Notes"_s);
        country = testo(u"Country"_s);
        amount = rs.Field(u"Amount"_s);
    }

    QString chi() const { return ScritturaPrenotazione::chi(nPren, lastName, firstName, dataFrom, dataTo); }
};

// One unit of work of the writer: the interface database with every other file attached, in a
// transaction that rolls back unless it is committed.
class ScritturaPrenotazione::Lavoro
{
public:
    // Files can only be attached outside a transaction: all of them first, then the unit of work.
    explicit Lavoro(FileAperti& file) : db(file.lavoro()), work(db), prenotazioni(db.OpenRecordset(u"Reservations"_s))
    {
    }

    // The waiting reservation, read inside the unit of work: false when it is not waiting any more.
    bool trova(const QString& nPren)
    {
        return prenotazioni.FindFirst(u"StrComp(NPren, ?, 0) = 0"_s, {nPren}) &&
               prenotazioni.Field(u"Registrata"_s).toInt() == 0;
    }
    bool cancellata() const
    {
        return prenotazioni.Field(u"Status"_s).toString().trimmed().compare(u"Cancelled"_s, Qt::CaseInsensitive) == 0;
    }

    void segnaGestita()
    {
        prenotazioni.Edit();
        prenotazioni.setField(u"Registrata"_s, 1);
        prenotazioni.Update();
    }

    // Another stored web reservation with the same first 20 characters: the booking link is ambiguous.
    bool voucherCondiviso(const QString& nPren)
    {
        Recordset altre = db.OpenRecordset(u"Reservations"_s);
        return altre.FindFirst(u"StrComp(NPren, ?, 0) <> 0 and StrComp(left(NPren, 20), ?, 0) = 0"_s,
                               {nPren, voucher(nPren)});
    }

    Database& db;
    Database::Transaction work;
    Recordset prenotazioni;
};

ScritturaPrenotazione::ScritturaPrenotazione(AppContext& ctx)
    : m_ctx(ctx), m_propri(std::make_unique<FileAperti>(ctx)), m_file(*m_propri)
{
}

ScritturaPrenotazione::ScritturaPrenotazione(AppContext& ctx, FileAperti& file, MotiviAttesa* motivi)
    : m_ctx(ctx), m_file(file), m_motivi(motivi)
{
}

ScritturaPrenotazione::~ScritturaPrenotazione() = default;

QString ScritturaPrenotazione::chi(const QString& nPren, const QString& cognome, const QString& nome,
                                   const QString& dataFrom, const QString& dataTo)
{
    return u"La prenotazione web "_s + nPren.trimmed() + u" ("_s +
           (cognome.trimmed() + u' ' + nome.trimmed()).trimmed() + u", dal "_s + dataLeggibile(dataFrom) + u" al "_s +
           dataLeggibile(dataTo) + u')';
}

QStringList ScritturaPrenotazione::fileUnitaDiLavoro()
{
    QStringList altri = CalcolaDisponibilita::fileNecessari();
    altri << u"Scheda_Prenotazione.mdb"_s << u"Camere_Prenotazione.mdb"_s << u"Arrangiamento.mdb"_s
          << QString::fromUtf16(AssegnazioneCamere::FileContatori);
    const QString interfaccia = QString::fromUtf16(AssegnazioneCamere::FileInterfaccia);
    std::sort(altri.begin(), altri.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QStringList out{interfaccia};
    for (const QString& f : std::as_const(altri))
        if (!out.contains(f, Qt::CaseInsensitive))
            out << f;
    return out;
}

QString ScritturaPrenotazione::contatoreInutilizzabile(const QString& chi, const QString& problema)
{
    return chi + u" non è stata registrata: "_s + problema +
           u". Resta in attesa finché il contatore non viene sistemato in QV."_s;
}

QString ScritturaPrenotazione::oraArrivo(const AppContext& ctx)
{
    const QString ora = primaRiga(ctx, u"OraArrivoStd.txt"_s);
    return ora.isEmpty() ? u"20"_s : ora;
}

QString ScritturaPrenotazione::tipoPrenotazione(const AppContext& ctx, QString* avviso)
{
    const QString nome = u"TipoPrenoLista.txt"_s;
    const QString letto = primaRiga(ctx, nome);
    const QString tipo = letto.left(1).toUpper();
    // Another kind would never block a room ("X"), never lower the free rooms ("R"), or register a
    // live booking as cancelled ("A").
    if (letto.isEmpty() || tipo == u"C" || tipo == u"O" || tipo == u"T")
        return letto.isEmpty() ? u"C"_s : tipo;
    if (avviso)
        *avviso = u"Il file "_s + nome + u" contiene \""_s + letto + u"\": il tipo di prenotazione "_s + tipo +
                  u" non occupa le camere in QV come una prenotazione web deve (C, O o T). Le prenotazioni web sono "_s
                  u"registrate con il tipo C."_s;
    return u"C"_s;
}

QList<std::pair<QString, QVariant>> ScritturaPrenotazione::prezziNotti(Recordset& prezzi, const QString& nPren,
                                                                       const RigaCamera& riga, const QString& dataFrom,
                                                                       const QString& dataTo)
{
    // Nights only: a price dated on the departure day is no night of the stay.
    const QString criterio =
        u"NumeroHotel = 1 and StrComp(NPren, ?, 0) = 0 and Room = ? and DayDate >= ? and DayDate < ? and "_s +
        (riga.primoDelTipo ? u"(RoomStay = ? or RoomStay Is Null)"_s : u"RoomStay = ?"_s);
    const QVariantList valori{nPren, riga.tipoWeb, dataFrom.trimmed(), dataTo.trimmed(), riga.soggiorno};
    QList<std::pair<QString, QVariant>> out;
    for (bool f = prezzi.FindFirst(criterio, valori); f; f = prezzi.FindNext(criterio, valori))
        out.append({prezzi.Field(u"DayDate"_s).toString().trimmed(), prezzi.Field(u"Price"_s)});
    return out;
}

double ScritturaPrenotazione::importo(const QVariant& prezzo)
{
    if (prezzo.typeId() == QMetaType::Double || prezzo.typeId() == QMetaType::LongLong ||
        prezzo.typeId() == QMetaType::Int)
        return prezzo.toDouble();
    return ItalianNumber::parse(prezzo.toString()).value_or(0);
}

QStringList ScritturaPrenotazione::scriviSegnali(const AppContext& ctx)
{
    const qint64 terminali =
        std::clamp<qint64>(DaySlots::leadingNumber(qEnvironmentVariable("NTERM")), 0, kTerminaliMassimi);
    QStringList errori;
    for (qint64 k = 0; k <= terminali; ++k) {
        const QString nome = u"T"_s + QString::number(k);
        const QString errore = TextFile::writeLines(ctx.path(nome), {u" "_s});
        if (!errore.isEmpty())
            errori << nome + u": "_s + errore;
    }
    return errori;
}

void ScritturaPrenotazione::avvisa(const QString& testo, bool errore)
{
    m_ctx.op().inform(errore ? u"Errore"_s : QString::fromUtf16(Titolo), testo,
                      errore ? OperatorPort::Icon::Critical : OperatorPort::Icon::Exclamation);
}

void ScritturaPrenotazione::segnala()
{
    const QStringList errori = scriviSegnali(m_ctx);
    if (!errori.isEmpty())
        avvisa(u"Impossibile avvisare le postazioni di QV (file di segnalazione):\r\n"_s + errori.join(u"\r\n"_s));
}

template <typename Passi>
ScritturaPrenotazione::Risultato ScritturaPrenotazione::inUnitaDiLavoro(const QString& nPren, bool cancellazione,
                                                                        Passi&& passi, std::optional<qint64> versione)
{
    Risultato r;
    QString messaggio;
    QString nome;
    bool errore = false;
    {
        Lavoro l(m_file);
        if (!l.trova(nPren))
            return {Esito::GiaGestita, 0, {}, 0};
        // Stored again meanwhile (by another workstation's download): what was read of it is stale.
        if (versione && l.prenotazioni.Field(u"Versione"_s).toLongLong() != *versione)
            return {Esito::Cambiata, 0, {}, 0};
        const Testata t(l.prenotazioni);
        nome = t.chi();
        // A cancellation downloaded while the reservation was being reviewed (by another workstation,
        // or while the operator chose its rooms) wins: its booking is neither written nor reported.
        if (!cancellazione && l.cancellata()) {
            r.esito = Esito::Cancellata;
            messaggio = t.chi() + u" è stata cancellata sul web mentre veniva esaminata: non è stata scritta in QV "_s
                                  u"e sarà proposta tra le prenotazioni cancellate."_s;
        } else {
            messaggio = passi(l, t, r, errore);
        }
    }
    if (!messaggio.isEmpty() && (r.esito != Esito::InAttesa || !m_motivi || m_motivi->daDire(nPren, nome, messaggio)))
        avvisa(messaggio, errore);
    return r;
}

ScritturaPrenotazione::Risultato ScritturaPrenotazione::RegistraPrenotazione(const QString& nPren,
                                                                             const CamereRichieste& camere,
                                                                             std::optional<qint64> versione)
{
    const auto passi = [&](Lavoro& l, const Testata& t, Risultato& r, bool& errore) {
        Recordset schede = l.db.OpenRecordset(u"Scheda_Prenotazione"_s);
        if (!schede.FindFirst(u"StrComp(NVoucher, ?, 0) = 0"_s, {voucher(nPren)}))
            return scriviNuova(l, t, camere, r, errore);
        r.numero = schede.Field(u"NumeroPrenotazione"_s).toInt();
        if (l.voucherCondiviso(nPren))
            return t.chi() +
                   u" ha i primi 20 caratteri in comune con un'altra prenotazione web: la prenotazione n. "_s +
                   QString::number(r.numero) +
                   u" di QV potrebbe essere dell'altra. Non è stata registrata e resta in attesa di un operatore."_s;
        l.segnaGestita();
        l.work.commit();
        r.esito = Esito::Modificata;
        return u"Modificata prenotazione n. "_s + QString::number(r.numero) + u" ("_s +
               schede.Field(u"NomeCliente"_s).toString() + u')';
    };
    const Risultato r = inUnitaDiLavoro(nPren, false, passi, versione);
    if (r.esito == Esito::Registrata) {
        if (valoreNumerico(m_ctx.settings.AssegnazioneAutomatica) == 0)
            m_ctx.op().messageBox({QString::fromUtf16(Titolo),
                                   u"Numero assegnato alla prenotazione : "_s + QString::number(r.numero),
                                   OperatorPort::Icon::None,
                                   OperatorPort::Buttons::Ok,
                                   OperatorPort::Answer::Ok,
                                   {}});
        segnala();
    }
    return r;
}

QString ScritturaPrenotazione::scriviNuova(Lavoro& l, const Testata& t, const CamereRichieste& camere, Risultato& r,
                                           bool& errore)
{
    // Read once for all the bookings this writer makes (a review).
    if (!m_tipo)
        m_tipo = tipoPrenotazione(m_ctx);
    if (!m_ora)
        m_ora = oraArrivo(m_ctx);
    const QString tipo = *m_tipo;
    const QString oggi = TextDate::toYmd(m_ctx.clock().today());
    const QString adesso = m_ctx.clock().now().toString(u"HHmm"_s);
    const qint16 hotel = m_ctx.NumeroHotelCorrente;

    if (!camereLibere(t, camere, 0, r))
        return {};

    const auto numero = AssegnazioneCamere::NuovoNumeroPrenotazione(l.db, hotel);
    if (!numero.numero) {
        errore = true;
        return contatoreInutilizzabile(t.chi(), numero.problema);
    }
    const qint32 n = *numero.numero;
    QString avviso;
    if (numero.saltati > 0)
        avviso = t.chi() + u" ha il numero "_s + QString::number(n) +
                 u": il contatore delle prenotazioni di QV era indietro, "_s +
                 (numero.saltati == 1 ? u"il numero "_s + QString::number(numero.primoSaltato) +
                                            u", già usato in QV, è stato saltato."_s
                                      : QString::number(numero.saltati) + u" numeri già usati in QV (dal "_s +
                                            QString::number(numero.primoSaltato) + u") sono stati saltati."_s);

    double personeTotali = 0;
    for (const RigaCamera& riga : camere.righe)
        personeTotali += riga.persone;

    Recordset scheda = l.db.OpenRecordset(u"Scheda_Prenotazione"_s);
    scheda.AddNew();
    const auto campo = [&](const char16_t* nome, const QVariant& valore) {
        scheda.setField(QString::fromUtf16(nome), valore);
    };
    const QString blank = u" "_s;
    campo(u"NumeroHotel", hotel);
    campo(u"IdUser", u"WEB"_s);
    campo(u"NumeroPrenotazione", n);
    campo(u"DataRegistrazione", oggi);
    campo(u"DataModifica", oggi);
    campo(u"OraRegistrazione", adesso);
    campo(u"Operatore", blank);
    campo(u"NomeCliente", tagliaTesto(t.lastName + u' ' + t.firstName, 100));
    campo(u"CodiceCliente", 0);
    campo(u"Ditta", blank);
    campo(u"CodiceDitta", 0);
    campo(u"Agenzia", tagliaTesto(t.agency, 100));
    campo(u"CodiceAgenzia", 0);
    campo(u"Indirizzo", tagliaTesto(t.street, 100));
    campo(u"CAP", blank);
    campo(u"Località", tagliaTesto(t.city, 100));
    campo(u"Provincia", blank);
    campo(u"Telefono", tagliaTesto(t.phone, 20));
    campo(u"Telefono2", blank);
    campo(u"EMail", tagliaTesto(t.email, 50));
    campo(u"CartaCredito", blank);
    campo(u"Calendario", blank);
    campo(u"Listino", blank);
    campo(u"Trattamento", PulisciValore(camere.riga(1).trattamento, 0));
    campo(u"Prezzo", t.amount);
    campo(u"NumeroPersone", personeTotali);
    campo(u"OraArrivo", *m_ora);
    campo(u"TimeLimit", 0);
    campo(u"TipoPrenotazione", tipo);
    campo(u"DataScadenza", blank);
    campo(u"Agente", blank);
    campo(u"CodiceAgente", 0);
    campo(u"CodiceAllotment", 0);
    campo(u"Commento", tagliaTesto(u"*WEB* "_s + t.notes, 100));
    campo(u"NVoucher", voucher(t.nPren));
    campo(u"Preventivo", 0);
    campo(u"Stato", tagliaTesto(t.country, 6));
    campo(u"Nazione", tagliaTesto(t.country, 6));
    campo(u"OffertaS", blank);
    campo(u"TipoCliente", u"WEB"_s);
    campo(u"Pagamento", u"S"_s);
    for (const char16_t* k : {u"1", u"2", u"3"}) {
        const QString i = QString::fromUtf16(k);
        scheda.setField(u"TipoDoc"_s + i, blank);
        scheda.setField(u"NumeDoc"_s + i, 0);
        scheda.setField(u"DataDoc"_s + i, blank);
        scheda.setField(u"ImpoDoc"_s + i, 0);
    }
    campo(u"Referente", blank);
    campo(u"CodScaCap", blank);
    campo(u"ContoExtra", 1);
    scheda.Update();

    const QList<RigaScritta> scritte = scriviRighe(l, t, camere, n, tipo, false);
    registraApplicata(l, n, scritte);
    l.segnaGestita();
    if (const auto problema = CalcolaDisponibilita(m_ctx).conta(l.db, u"P"_s, n, 1)) {
        errore = true;
        return t.chi() + u" non è stata registrata: "_s + motivoConteggio(*problema, n) + u". Resta in attesa."_s;
    }
    l.work.commit();
    r.esito = Esito::Registrata;
    r.numero = n;
    return avviso;
}

ScritturaPrenotazione::Risultato ScritturaPrenotazione::AnnullaPrenotazione(const QString& nPren)
{
    const Risultato r = inUnitaDiLavoro(nPren, true, [&](Lavoro& l, const Testata& t, Risultato& r, bool& errore) {
        const QString criterio = u"StrComp(NVoucher, ?, 0) = 0"_s;
        Recordset schede = l.db.OpenRecordset(u"Scheda_Prenotazione"_s);
        if (!schede.FindFirst(criterio, {voucher(nPren)})) {
            l.segnaGestita();
            l.work.commit();
            r.esito = Esito::NonTrovata;
            return t.chi() + u" è stata cancellata, ma in QV non c'è una sua prenotazione da annullare."_s;
        }
        r.numero = schede.Field(u"NumeroPrenotazione"_s).toInt();
        Recordset altra = l.db.OpenRecordset(u"Scheda_Prenotazione"_s);
        altra.FindFirst(criterio, {voucher(nPren)});
        if (altra.FindNext(criterio, {voucher(nPren)}) || l.voucherCondiviso(nPren))
            return t.chi() +
                   u" è stata cancellata, ma più prenotazioni di QV o web hanno lo stesso riferimento: la "_s
                   u"prenotazione n. "_s +
                   QString::number(r.numero) + u" non è stata annullata. Resta in attesa di un operatore."_s;
        // A booking already cancelled gave its rooms back then: never twice.
        if (schede.Field(u"TipoPrenotazione"_s).toString().trimmed() != u"A")
            if (const auto problema = CalcolaDisponibilita(m_ctx).conta(l.db, u"P"_s, r.numero, 0)) {
                errore = true;
                return t.chi() + u" è stata cancellata, ma la prenotazione n. "_s + QString::number(r.numero) +
                       u" di QV non è stata annullata: "_s + motivoConteggio(*problema, r.numero) +
                       u". Resta in attesa."_s;
            }
        annulla(l, schede, r.numero);
        l.segnaGestita();
        l.work.commit();
        r.esito = Esito::Annullata;
        return QString();
    });
    if (r.esito == Esito::Annullata || r.esito == Esito::NonTrovata)
        segnala();
    return r;
}

void ScritturaPrenotazione::annulla(Lavoro& l, Recordset& scheda, qint32 n)
{
    Recordset righe = l.db.OpenRecordset(u"Camere_Prenotazione"_s);
    const QString criterio = u"NumeroPrenotazione = ?"_s;
    if (valoreNumerico(m_ctx.settings.CancellazioneDefinitiva) != 1) {
        scheda.Edit();
        scheda.setField(u"TipoPrenotazione"_s, u"A"_s);
        scheda.Update();
        for (bool f = righe.FindFirst(criterio, {n}); f; f = righe.FindNext(criterio, {n})) {
            righe.Edit();
            righe.setField(u"TipoPrenotazione"_s, u"A"_s);
            righe.Update();
        }
        return;
    }
    scheda.Delete();
    while (righe.FindFirst(criterio, {n}))
        righe.Delete();
    Recordset notti = l.db.OpenRecordset(u"Arrangiamento"_s);
    const QString propri = u"CodiceCliente = ? and left(NumeroCamera,1)='*'"_s;
    while (notti.FindFirst(propri, {n}))
        notti.Delete();
}

ScritturaPrenotazione::Risultato ScritturaPrenotazione::segnaGestita(const QString& nPren, bool cancellazione)
{
    return inUnitaDiLavoro(nPren, cancellazione, [&](Lavoro& l, const Testata&, Risultato& r, bool&) {
        l.segnaGestita();
        l.work.commit();
        r.esito = Esito::Segnata;
        return QString();
    });
}

bool ScritturaPrenotazione::camereLibere(const Testata& t, const CamereRichieste& camere, qint32 proprio, Risultato& r)
{
    // The unit of work holds the booking files, so what the check sees stays true until the commit.
    // A room another workstation took since it was proposed, a typed room that is not free, or one
    // room on two lines is never booked twice.
    const QString dal = dataLeggibile(t.dataFrom);
    const QString al = dataLeggibile(t.dataTo);
    QStringList prese;
    for (int i = 1; i <= CamereRichieste::Righe; ++i) {
        const RigaCamera& riga = camere.riga(i);
        if (vuoto(riga.tipoWeb) || !riga.haCamera())
            continue;
        const QString camera = riga.camera.trimmed();
        if (prese.contains(codice(camera)) ||
            m_file.controllo().VerificaCamera(camera, dal, al, u"P"_s, proprio) != 1) {
            r.esito = Esito::CameraOccupata;
            r.camera = camera;
            r.riga = i;
            return false;
        }
        prese << codice(camera);
    }
    return true;
}

QList<RigaScritta> ScritturaPrenotazione::scriviRighe(Lavoro& l, const Testata& t, const CamereRichieste& camere,
                                                      qint32 n, const QString& tipo, bool riusa)
{
    const QString oggi = TextDate::toYmd(m_ctx.clock().today());
    const QString adesso = m_ctx.clock().now().toString(u"HHmm"_s);
    const qint16 hotel = m_ctx.NumeroHotelCorrente;
    const QString blank = u" "_s;
    QList<RigaScritta> scritte;

    Recordset notti = l.db.OpenRecordset(u"Arrangiamento"_s);
    const QString propri = u"NumeroHotel = ? and CodiceCliente = ? and left(NumeroCamera,1) = '*'"_s;
    while (notti.FindFirst(propri, {hotel, n}))
        notti.Delete();

    Recordset righe = l.db.OpenRecordset(u"Camere_Prenotazione"_s);
    const QString delle = u"NumeroPrenotazione = ?"_s;
    // The booking's own rows, walked in order and written again one per line.
    bool altre = riusa;
    bool prima = true;
    const auto prossima = [&] {
        if (!altre)
            return false;
        altre = prima ? righe.FindFirst(delle, {n}) : righe.FindNext(delle, {n});
        prima = false;
        return altre;
    };
    Recordset prezzi = l.db.OpenRecordset(u"ReservationsPrice"_s);
    for (const RigaCamera& riga : camere.righe) {
        if (vuoto(riga.tipoWeb) || vuoto(riga.tipoCamera))
            continue;
        // Every line is a room of its own, also two lines without a room number or with the same one.
        if (prossima()) {
            righe.Edit();
        } else {
            righe.AddNew();
            righe.setField(u"NumeroHotel"_s, hotel);
            righe.setField(u"NumeroPrenotazione"_s, n);
            righe.setField(u"DataRegistrazione"_s, oggi);
            righe.setField(u"OraRegistrazione"_s, adesso);
            righe.setField(u"TipoPrenotazione"_s, tipo);
            righe.setField(u"GiorniTariffa"_s, 1);
            righe.setField(u"Note"_s, blank);
            righe.setField(u"CodiceAllotment"_s, 0);
            righe.setField(u"OffertaS"_s, blank);
            righe.setField(u"Food"_s, 1);
            righe.setField(u"Beverage"_s, 1);
        }
        righe.setField(u"DataModifica"_s, oggi);
        righe.setField(u"DataArrivo"_s, t.dataFrom);
        righe.setField(u"DataPartenza"_s, t.dataTo);
        righe.setField(u"TipoCamera"_s, tagliaTesto(riga.tipoCamera, 6));
        righe.setField(u"NumeroCamera"_s, codice(riga.camera));
        righe.setField(u"QuantitàCamere"_s, 1);
        const QString trattamento = codice(riga.trattamento);
        righe.setField(u"Trattamento"_s, trattamento);
        righe.setField(u"NumeroPersone"_s, riga.persone > 0 ? riga.persone : 2.0);
        righe.setField(u"Prezzo"_s, riga.prezzo);
        righe.setField(u"Totale"_s, riga.prezzo);
        scritte.append({codice(riga.camera).trimmed(), tagliaTesto(riga.tipoCamera, 6).trimmed(), t.dataFrom.trimmed(),
                        t.dataTo.trimmed()});

        if (trattamento > blank) {
            const QString cameraNotte = u"*"_s + tagliaTesto(riga.camera, 6);
            const qint16 voce = AssegnazioneCamere(m_ctx).CercaVoceAddebito(l.db, tagliaTesto(riga.trattamento, 6));
            for (const auto& [giorno, letto] : prezziNotti(prezzi, t.nPren, riga, t.dataFrom, t.dataTo)) {
                const QVariant prezzo =
                    riga.parti > 1 ? QVariant(quota(importo(letto), riga.parte, riga.parti)) : letto;
                // A row of its own: a nightly row of another booking is never taken over.
                notti.AddNew();
                notti.setField(u"NumeroHotel"_s, 1);
                notti.setField(u"CodiceCliente"_s, n);
                notti.setField(u"NumeroCamera"_s, cameraNotte);
                notti.setField(u"Calendario"_s, blank);
                notti.setField(u"Tariffario"_s, blank);
                notti.setField(u"Arrangiamento"_s, trattamento);
                notti.setField(u"VoceAddebito"_s, voce);
                notti.setField(u"Descrizione"_s, trattamento);
                notti.setField(u"Quantità"_s, 1);
                notti.setField(u"ImportoUnitario"_s, prezzo);
                notti.setField(u"ImportoTotale"_s, prezzo);
                notti.setField(u"NumeroConto"_s, 1);
                notti.setField(u"Pacchetto"_s, 1);
                notti.setField(u"DataInizio"_s, giorno);
                notti.setField(u"DataFine"_s, TextDate::toYmd(TextDate::fromYmd(giorno).addDays(1)));
                notti.setField(u"OffertaS"_s, blank);
                notti.setField(u"TipoArran"_s, u"C"_s);
                notti.Update();
            }
        }
        righe.Update();
    }
    // Rooms the new version no longer has.
    while (prossima())
        righe.Delete();
    return scritte;
}

void ScritturaPrenotazione::registraApplicata(Lavoro& l, qint32 n, const std::optional<QList<RigaScritta>>& righe,
                                              const std::optional<VersionePrenotazione>& versione)
{
    VersioneApplicata::registra(l.db, l.prenotazioni.Field(u"NPren"_s).toString(),
                                {n, versione ? *versione : VersionePrenotazione::leggi(l.prenotazioni, l.db), righe},
                                m_ctx.clock().now());
}

QString ScritturaPrenotazione::ostacoloModifica(Database& db, qint32 numero,
                                                const std::optional<QList<RigaScritta>>& scritte, const QString& dal,
                                                const QString& al)
{
    const QString qv = u"la prenotazione n. "_s + QString::number(numero) + u" di QV"_s;
    Recordset schede = db.OpenRecordset(u"Scheda_Prenotazione"_s);
    if (numero <= 0 || !schede.FindFirst(u"NumeroPrenotazione = ?"_s, {numero}))
        return u"in QV non c'è più la sua prenotazione (cancellata a mano o mai scritta)"_s;
    if (schede.Field(u"TipoPrenotazione"_s).toString().trimmed() == u"A")
        return qv + u" è stata annullata"_s;
    if (m_file.controllo().ospitiArrivati(numero))
        return u"l'ospite della prenotazione n. "_s + QString::number(numero) + u" di QV è già arrivato"_s;
    // What the desk may have changed: the rooms, their types, the dates of the booking's room rows.
    QList<RigaScritta> presenti;
    Recordset righe = db.OpenRecordset(u"Camere_Prenotazione"_s);
    for (bool f = righe.FindFirst(u"NumeroPrenotazione = ?"_s, {numero}); f;
         f = righe.FindNext(u"NumeroPrenotazione = ?"_s, {numero}))
        presenti.append(
            {righe.Field(u"NumeroCamera"_s).toString().trimmed(), righe.Field(u"TipoCamera"_s).toString().trimmed(),
             righe.Field(u"DataArrivo"_s).toString().trimmed(), righe.Field(u"DataPartenza"_s).toString().trimmed()});
    bool cambiata = false;
    if (scritte) {
        cambiata = presenti != *scritte;
    } else {
        // Written by an older bridge, which kept no record of its rows: the dates still tell.
        for (const RigaScritta& r : std::as_const(presenti))
            cambiata = cambiata || r.dal != dal.trimmed() || r.al != al.trimmed();
    }
    if (cambiata)
        return qv + u" è stata cambiata in QV dopo che il collegamento l'aveva scritta (camere, tipi o date)"_s;
    return {};
}

ScritturaPrenotazione::Risultato ScritturaPrenotazione::ApplicaModifica(const QString& nPren,
                                                                        const CamereRichieste& camere, qint32 numero,
                                                                        qint64 versione)
{
    QString cliente;
    const auto passi = [&](Lavoro& l, const Testata& t, Risultato& r, bool& errore) -> QString {
        r.numero = numero;
        const auto applicata = VersioneApplicata::leggi(l.db, nPren);
        const VersionePrenotazione nuova = VersionePrenotazione::leggi(l.prenotazioni, l.db);
        const QString modifiche =
            applicata ? VersionePrenotazione::differenze(applicata->versione, nuova) : nuova.soggiorno();
        if (const QString ostacolo = ostacoloModifica(l.db, numero, applicata ? applicata->righe : std::nullopt,
                                                      applicata ? applicata->versione.dal : t.dataFrom,
                                                      applicata ? applicata->versione.al : t.dataTo);
            !ostacolo.isEmpty())
            return u"La modifica della "_s + t.chi().mid(3) + u" non è stata applicata: "_s + ostacolo + u" ("_s +
                   modifiche + u"). Resta in attesa di un operatore."_s;
        if (!camereLibere(t, camere, numero, r))
            return {};
        Recordset scheda = l.db.OpenRecordset(u"Scheda_Prenotazione"_s);
        scheda.FindFirst(u"NumeroPrenotazione = ?"_s, {numero});
        cliente = tagliaTesto(t.lastName + u' ' + t.firstName, 100);
        // Its old rooms and nights are given back while its old rows still stand.
        if (scheda.Field(u"TipoPrenotazione"_s).toString().trimmed() != u"A")
            if (const auto problema = CalcolaDisponibilita(m_ctx).conta(l.db, u"P"_s, numero, 0)) {
                errore = true;
                return t.chi() + u": la modifica non è stata applicata alla prenotazione n. "_s +
                       QString::number(numero) + u" di QV: "_s + motivoConteggio(*problema, numero) +
                       u". Resta in attesa."_s;
            }
        double personeTotali = 0;
        for (const RigaCamera& riga : camere.righe)
            personeTotali += riga.persone;
        const QString tipo = scheda.Field(u"TipoPrenotazione"_s).toString().trimmed();
        scheda.Edit();
        scheda.setField(u"NomeCliente"_s, cliente);
        scheda.setField(u"Trattamento"_s, PulisciValore(camere.riga(1).trattamento, 0));
        scheda.setField(u"Prezzo"_s, t.amount);
        scheda.setField(u"NumeroPersone"_s, personeTotali);
        scheda.setField(u"DataModifica"_s, TextDate::toYmd(m_ctx.clock().today()));
        scheda.Update();
        const QList<RigaScritta> scritte = scriviRighe(l, t, camere, numero, tipo, true);
        registraApplicata(l, numero, scritte, nuova);
        l.segnaGestita();
        if (const auto problema = CalcolaDisponibilita(m_ctx).conta(l.db, u"P"_s, numero, 1)) {
            errore = true;
            return t.chi() + u": la modifica non è stata applicata alla prenotazione n. "_s + QString::number(numero) +
                   u" di QV: "_s + motivoConteggio(*problema, numero) + u". Resta in attesa."_s;
        }
        l.work.commit();
        r.esito = Esito::Modificata;
        return u"Modificata prenotazione n. "_s + QString::number(numero) + u" ("_s + cliente.trimmed() + u"): "_s +
               modifiche;
    };
    const Risultato r = inUnitaDiLavoro(nPren, false, passi, versione);
    if (r.esito == Esito::Modificata)
        segnala();
    return r;
}

ScritturaPrenotazione::Risultato ScritturaPrenotazione::segnaApplicataAMano(const QString& nPren, qint32 numero,
                                                                            qint64 versione)
{
    return inUnitaDiLavoro(
        nPren, false,
        [&](Lavoro& l, const Testata&, Risultato& r, bool&) {
            registraApplicata(l, numero, std::nullopt);
            l.segnaGestita();
            l.work.commit();
            r.esito = Esito::Segnata;
            r.numero = numero;
            return QString();
        },
        versione);
}
