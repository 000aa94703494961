#include "booking/VerificaCamera.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar kAccento = u'\u00B4';

// dd/mm/yyyy -> yyyymmdd: characters 7 to 10, then 4 to 5, then 1 to 2.
QString ymd(const QString& dmy)
{
    return dmy.mid(6, 4) + dmy.mid(3, 2) + dmy.left(2);
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

    // Out of service: the period's last day still blocks a stay that arrives on it.
    Recordset inagibili = m_dati->generico.OpenRecordset(u"Select NumeroCamera From Camere_Inagibili Where NumeroHotel "
                                                         u"= ? and (NumeroCamera = ? or NumeroCamera = ?) and "
                                                         "DataInizio < ? and DataFine >= ?"_s,
                                                         stay);
    if (inagibili.FindFirst({}))
        return 0;

    // Guests in house. A guest of the booking being checked is its own occupation, not a conflict;
    // that exception never frees a room that is out of service or booked by someone else.
    if (numeroPrenotazione != 0 || tipoPrenotazione != u"O") {
        Recordset ospiti = m_dati->clienti.OpenRecordset(
            u"Select NumeroProgressivo,NumeroPrenotazione From Scheda_Cliente Where NumeroHotel = ? and "
            "(NumeroCamera = ? or NumeroCamera = ?) and Partito <> 'S' and DataArrivo < ? and DataPartenza > ?"_s,
            stay);
        if (ospiti.FindFirst({})) {
            const bool propri =
                numeroPrenotazione > 0 &&
                ospiti.FindFirst(u"NumeroProgressivo > 0 and (NumeroProgressivo = ? or NumeroPrenotazione = ?)"_s,
                                 {numeroPrenotazione, numeroPrenotazione});
            if (!propri)
                return 0;
        }
    }

    // Booked room rows of the kinds that hold a room, with someone in them, of another booking.
    Recordset prenotate = m_dati->camere.OpenRecordset(
        u"Select NumeroPrenotazione,TipoPrenotazione From Camere_Prenotazione Where NumeroHotel = ? and "
        "(NumeroCamera = ? or NumeroCamera = ?) and NumeroPersone > 0 and (TipoPrenotazione = 'C' or TipoPrenotazione "
        "= 'D' or "
        "TipoPrenotazione = 'O' or TipoPrenotazione = 'R' or TipoPrenotazione = 'T') and DataArrivo < ? and "
        "DataPartenza > ?"_s,
        stay);
    const bool altre =
        numeroPrenotazione > 0
            ? prenotate.FindFirst(u"NumeroPrenotazione > 0 and NumeroPrenotazione <> ?"_s, {numeroPrenotazione})
            : prenotate.FindFirst(u"NumeroPrenotazione > 0"_s);
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

QSet<QString> ControlloCamere::occupate(const QString& dal, const QString& al)
{
    const QVariantList stay{m_ctx.NumeroHotelCorrente, ymd(al), ymd(dal)};
    QSet<QString> out;
    const auto leggi = [&](Database& db, const QString& tabella, const QString& criterio) {
        QSqlQuery& q = db.run(u"SELECT NumeroCamera FROM "_s + db.table(tabella)->sql +
                                  u" WHERE NumeroHotel = ? and "_s + criterio + u" and NumeroCamera IS NOT NULL"_s,
                              stay);
        while (q.next())
            out.insert(chiave(q.value(0).toString()));
        q.finish();
    };
    leggi(m_dati->generico, u"Camere_Inagibili"_s, u"DataInizio < ? and DataFine >= ?"_s);
    leggi(m_dati->clienti, u"Scheda_Cliente"_s, u"Partito <> 'S' and DataArrivo < ? and DataPartenza > ?"_s);
    leggi(m_dati->camere, u"Camere_Prenotazione"_s,
          u"NumeroPersone > 0 and TipoPrenotazione IN ('C', 'D', 'O', 'R', 'T') and DataArrivo < ? and "
          u"DataPartenza > ? and NumeroPrenotazione > 0"_s);
    return out;
}
