#include "booking/VerificaCamera.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"

#include <QSqlQuery>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar kAccento = u'\u00B4';

// dd/mm/yyyy -> yyyymmdd: characters 7 to 10, then 4 to 5, then 1 to 2.
QString ymd(const QString& dmy)
{
    return dmy.mid(6, 4) + dmy.mid(3, 2) + dmy.left(2);
}

// What takes a room for a stay (the departure, then the arrival, as values): the room check and the
// free-room search ask the same. Out of service: the period's last day still blocks a stay that
// arrives on it. Guests in house. Booked room rows of the kinds that hold a room, with someone in them.
const QString kInagibile = u"DataInizio < ? and DataFine >= ?"_s;
const QString kOspite = u"Partito <> 'S' and DataArrivo < ? and DataPartenza > ?"_s;
const QString kPrenotata = u"NumeroPersone > 0 and TipoPrenotazione IN ('C', 'D', 'O', 'R', 'T') and DataArrivo < ? "
                           u"and DataPartenza > ? and NumeroPrenotazione > 0"_s;

// Whether a row of the table meets the criteria: one statement, compiled once, read no further.
bool esiste(Database& db, const QString& tabella, const QString& criterio, const QVariantList& valori)
{
    QSqlQuery& q =
        db.run(u"SELECT 1 FROM "_s + db.table(tabella)->sql + u" WHERE "_s + criterio + u" LIMIT 1"_s, valori);
    const bool trovato = q.next();
    q.finish();
    return trovato;
}

} // namespace

struct ControlloCamere::Dati
{
    explicit Dati(const QDir& dir)
        : generico(dir, u"Generico.mdb"_s), clienti(dir, u"Scheda_Cliente.mdb"_s),
          camere(dir, u"Camere_Prenotazione.mdb"_s)
    {
    }
    Database generico;
    Database clienti;
    Database camere;
};

ControlloCamere::ControlloCamere(AppContext& ctx) : m_ctx(ctx), m_dati(std::make_unique<Dati>(ctx.workDir())) {}

ControlloCamere::~ControlloCamere() = default;

qint16 ControlloCamere::VerificaCamera(const QString& camera, const QString& dal, const QString& al,
                                       const QString& tipoPrenotazione, qint32 numeroPrenotazione)
{
    const QString arrivo = ymd(dal);
    const QString partenza = ymd(al);
    const QVariant hotel = m_ctx.NumeroHotelCorrente;
    // QV's own rows hold a room as it is named ("3'1"); the bridge's room rows hold it cleaned
    // ("3´1"): a room is the same in either form.
    QString apice = camera, accento = camera;
    apice.replace(kAccento, u'\'');
    accento.replace(u'\'', kAccento);
    const QVariantList stay{hotel, apice, accento, partenza, arrivo};

    const QString stanza = u"NumeroHotel = ? and (NumeroCamera = ? or NumeroCamera = ?) and "_s;
    if (esiste(m_dati->generico, u"Camere_Inagibili"_s, stanza + kInagibile, stay))
        return 0;

    // Guests in house. A guest of the booking being checked is its own occupation, not a conflict;
    // that exception never frees a room that is out of service or booked by someone else.
    if (numeroPrenotazione != 0 || tipoPrenotazione != u"O") {
        const QString ospiti = stanza + kOspite;
        if (esiste(m_dati->clienti, u"Scheda_Cliente"_s, ospiti, stay)) {
            const bool propri =
                numeroPrenotazione > 0 && esiste(m_dati->clienti, u"Scheda_Cliente"_s,
                                                 ospiti + u" and NumeroProgressivo > 0 and (NumeroProgressivo = ? or "
                                                          u"NumeroPrenotazione = ?)"_s,
                                                 stay + QVariantList{numeroPrenotazione, numeroPrenotazione});
            if (!propri)
                return 0;
        }
    }

    // Booked rows of another booking.
    const QString prenotate = stanza + kPrenotata;
    const bool altre = numeroPrenotazione > 0 ? esiste(m_dati->camere, u"Camere_Prenotazione"_s,
                                                       prenotate + u" and NumeroPrenotazione <> ?"_s,
                                                       stay + QVariantList{numeroPrenotazione})
                                              : esiste(m_dati->camere, u"Camere_Prenotazione"_s, prenotate, stay);
    return altre ? 0 : 1;
}

QString ControlloCamere::chiave(const QString& camera)
{
    // QV's files compare room numbers as SQLite's NOCASE does: only A to Z are folded.
    QString k = camera;
    for (QChar& c : k) {
        if (c == kAccento)
            c = u'\'';
        else if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return k;
}

QSet<QString> ControlloCamere::occupate(const QString& dal, const QString& al, qint32 escluso)
{
    const QVariantList stay{m_ctx.NumeroHotelCorrente, ymd(al), ymd(dal)};
    QSet<QString> out;
    const auto leggi = [&](Database& db, const QString& tabella, const QString& criterio,
                           const QVariantList& altri = {}) {
        QSqlQuery& q = db.run(u"SELECT NumeroCamera FROM "_s + db.table(tabella)->sql +
                                  u" WHERE NumeroHotel = ? and "_s + criterio + u" and NumeroCamera IS NOT NULL"_s,
                              stay + altri);
        while (q.next())
            out.insert(chiave(q.value(0).toString()));
        q.finish();
    };
    leggi(m_dati->generico, u"Camere_Inagibili"_s, kInagibile);
    leggi(m_dati->clienti, u"Scheda_Cliente"_s, kOspite);
    if (escluso > 0)
        leggi(m_dati->camere, u"Camere_Prenotazione"_s, kPrenotata + u" and NumeroPrenotazione <> ?"_s, {escluso});
    else
        leggi(m_dati->camere, u"Camere_Prenotazione"_s, kPrenotata);
    return out;
}

QString ControlloCamere::occupazione(const QString& camera, const QString& dal, const QString& al, qint32 escluso)
{
    QString apice = camera, accento = camera;
    apice.replace(kAccento, u'\'');
    accento.replace(u'\'', kAccento);
    const QVariantList stay{m_ctx.NumeroHotelCorrente, apice, accento, ymd(al), ymd(dal)};
    const QString stanza = u"NumeroHotel = ? and (NumeroCamera = ? or NumeroCamera = ?) and "_s;
    // The first occupation found: its dates (and its booking).
    const auto prima = [&](Database& db, const QString& tabella, const QString& campi, const QString& criterio,
                           const QVariantList& altri) -> std::optional<QStringList> {
        QSqlQuery& q = db.run(u"SELECT "_s + campi + u" FROM "_s + db.table(tabella)->sql + u" WHERE "_s + stanza +
                                  criterio + u" LIMIT 1"_s,
                              stay + altri);
        std::optional<QStringList> out;
        if (q.next())
            out = QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
        q.finish();
        return out;
    };
    const auto date = [](const QStringList& v) {
        return u"dal "_s + TextDate::ymdToDmy(v.at(0).trimmed()) + u" al "_s + TextDate::ymdToDmy(v.at(1).trimmed());
    };
    if (const auto v = prima(m_dati->generico, u"Camere_Inagibili"_s, u"DataInizio, DataFine, 0"_s, kInagibile, {}))
        return u"è fuori servizio "_s + date(*v);
    if (const auto v = prima(m_dati->clienti, u"Scheda_Cliente"_s, u"DataArrivo, DataPartenza, NumeroPrenotazione"_s,
                             kOspite + u" and (? = 0 or NumeroPrenotazione <> ?)"_s, {escluso, escluso}))
        return u"è occupata da un ospite in casa "_s + date(*v);
    if (const auto v =
            prima(m_dati->camere, u"Camere_Prenotazione"_s, u"DataArrivo, DataPartenza, NumeroPrenotazione"_s,
                  kPrenotata + u" and NumeroPrenotazione <> ?"_s, {escluso}))
        return u"è occupata "_s + date(*v) + u" (prenotazione "_s + v->at(2) + u')';
    return {};
}

bool ControlloCamere::ospitiArrivati(qint32 numero)
{
    return esiste(m_dati->clienti, u"Scheda_Cliente"_s,
                  u"NumeroHotel = ? and NumeroPrenotazione = ? and Partito <> 'S'"_s,
                  {m_ctx.NumeroHotelCorrente, numero});
}
