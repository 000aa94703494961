#include "availability/CamereLibere.h"

#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

QHash<QString, qint64> CamereLibere::quantita(const QDir& workDir, Database::Apertura apertura)
{
    QHash<QString, qint64> out; // codes compare without regard to case
    Database db(workDir, u"TipiCamere.mdb"_s, apertura);
    Recordset rs = db.OpenRecordset(u"Select * From TipiCamere Where NumeroHotel = 1 and Tipologia = 'C'"_s);
    for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
        const QString sigla = rs[u"Sigla"_s].toString().trimmed().toLower();
        if (!out.contains(sigla))
            out.insert(sigla, rs[u"Quantita"_s].toLongLong());
    }
    return out;
}

std::vector<std::vector<qint64>> CamereLibere::leggi(const QDir& workDir, const QStringList& sigle,
                                                     const QHash<QString, qint64>& quantita, const QDate& inizio,
                                                     int giorni, Database::Apertura apertura)
{
    // One counter row per type and month ("yyyyMM" and the code): the first of each key counts.
    QHash<QString, QString> righe;
    if (giorni > 0) {
        // One statement read to its end: up to 400 days of every type, read at every tick.
        Database db(workDir, u"Disponibilita.mdb"_s, apertura);
        QSqlQuery q = db.query();
        q.setForwardOnly(true);
        db.exec(q,
                u"SELECT AMT, Libere FROM "_s + db.table(u"DisponibilitàTipi"_s)->sql +
                    u" WHERE AMT >= ? AND AMT < ? ORDER BY rowid"_s,
                {inizio.toString(u"yyyyMM"_s), inizio.addDays(giorni).addMonths(1).toString(u"yyyyMM"_s)});
        while (q.next()) {
            const QString chiave = q.value(0).toString().trimmed().toLower();
            if (!righe.contains(chiave))
                righe.insert(chiave, q.value(1).toString());
        }
    }
    std::vector<std::vector<qint64>> out;
    out.reserve(size_t(sigle.size()));
    for (const QString& s : sigle) {
        const QString sigla = s.trimmed().toLower();
        const qint64 tutte = quantita.value(sigla, 0);
        std::vector<qint64> giorniTipo(size_t(std::max(giorni, 0)), tutte);
        for (int g = 0; g < giorni; ++g) {
            const QDate data = inizio.addDays(g);
            const auto it = righe.constFind(data.toString(u"yyyyMM"_s) + sigla);
            if (it != righe.cend())
                giorniTipo[size_t(g)] = DaySlots::leadingNumber(DaySlots::slot(*it, data.day(), 5));
        }
        out.push_back(std::move(giorniTipo));
    }
    return out;
}

QHash<QString, std::vector<qint64>> CamereLibere::fuoriServizio(const QDir& workDir, const QDate& inizio, int giorni,
                                                                Database::Apertura apertura)
{
    QHash<QString, std::vector<qint64>> out;
    if (giorni <= 0 || !QFileInfo::exists(databaseFile(workDir, u"Generico.mdb"_s)) ||
        !QFileInfo::exists(databaseFile(workDir, u"NumeriCamere.mdb"_s)))
        return out;
    const QDate fine = inizio.addDays(giorni - 1);
    // Each period that touches the days, room by room; a room in two periods of one day counts once.
    QHash<QString, QSet<qint64>> giorniDellaCamera;
    {
        Database db(workDir, u"Generico.mdb"_s, apertura);
        const auto tabella = db.table(u"Camere_Inagibili"_s);
        if (!tabella)
            return out;
        QSqlQuery q = db.query();
        q.setForwardOnly(true);
        db.exec(q,
                u"SELECT NumeroCamera, DataInizio, DataFine FROM "_s + tabella->sql +
                    u" WHERE NumeroHotel = 1 AND DataInizio <= ? AND DataFine >= ?"_s,
                {TextDate::toYmd(fine), TextDate::toYmd(inizio)});
        while (q.next()) {
            const QDate dal = std::max(TextDate::fromYmd(q.value(1).toString().trimmed()), inizio);
            const QDate al = std::min(TextDate::fromYmd(q.value(2).toString().trimmed()), fine);
            QSet<qint64>& giorniCamera = giorniDellaCamera[q.value(0).toString().trimmed().toLower()];
            for (QDate d = dal; d.isValid() && d <= al; d = d.addDays(1))
                giorniCamera.insert(inizio.daysTo(d));
        }
    }
    if (giorniDellaCamera.isEmpty())
        return out;
    Database db(workDir, u"NumeriCamere.mdb"_s, apertura);
    Recordset rs = db.OpenRecordset(u"Select * From NumeriCamere Where NumeroHotel = 1"_s);
    for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
        const auto camera = giorniDellaCamera.constFind(rs[u"NumeroCamera"_s].toString().trimmed().toLower());
        if (camera == giorniDellaCamera.cend())
            continue;
        std::vector<qint64>& tipo = out[rs[u"TipoCamera"_s].toString().trimmed().toLower()];
        tipo.resize(size_t(giorni));
        for (const qint64 g : *camera)
            ++tipo[size_t(g)];
    }
    return out;
}
