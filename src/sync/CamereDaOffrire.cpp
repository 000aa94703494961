#include "sync/CamereDaOffrire.h"

#include "availability/CamereLibere.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"

#include <QMap>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStanze = 10; // a stored reservation's room slots

struct Mappa
{
    QMap<QString, QString> inviato; // lower-case QV code -> the service room type told about it
    QHash<QString, QString> qv;     // lower-case service room type -> lower-case QV code
    QHash<QString, QString> nome;   // lower-case QV code -> as the catalogue writes it
};

Mappa leggiMappa(Database& sb)
{
    Mappa m;
    QHash<QString, int> livello;
    Recordset rs = sb.OpenRecordset(u"Select * From Rooms Where NumeroHotel = 1"_s);
    for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
        const QString sigla = rs[u"QVRooms"_s].toString().trimmed().toLower();
        const QString id = rs[u"RoomsId"_s].toString().trimmed();
        if (sigla.isEmpty() || id.isEmpty())
            continue;
        if (!m.nome.contains(sigla))
            m.nome.insert(sigla, rs[u"QVRooms"_s].toString().trimmed());
        // The level-1 type is the one the service sells; without one, the first mapped.
        const bool primo = rs[u"RoomsLevel"_s].toInt() == 1;
        // A waiting reservation's rooms are those of the type the review books first: its level 1.
        if (primo || !m.qv.contains(id.toLower()))
            m.qv.insert(id.toLower(), sigla);
        if (!m.inviato.contains(sigla) || (primo && livello.value(sigla) != 1)) {
            m.inviato.insert(sigla, id);
            livello.insert(sigla, primo ? 1 : 0);
        }
    }
    return m;
}

} // namespace

CamereDaOffrire CamereDaOffrire::leggi(const QDir& workDir, const QDate& inizio, int giorni,
                                       Database::Apertura apertura)
{
    CamereDaOffrire out;
    out.m_inizio = inizio;
    out.m_giorni = std::max(giorni, 0);
    Database sb(workDir, u"SimpleBooking.mdb"_s, apertura);
    const Mappa mappa = leggiMappa(sb);
    const QHash<QString, qint64> quantita = CamereLibere::quantita(workDir, apertura);

    QStringList sigle;
    for (auto it = mappa.inviato.cbegin(); it != mappa.inviato.cend(); ++it)
        if (quantita.contains(it.key()))
            sigle.append(it.key());
    const auto libere = CamereLibere::leggi(workDir, sigle, quantita, inizio, out.m_giorni, apertura);
    // QV's counters do not count a room out of service: on its days it is not for sale.
    const auto fuoriServizio = CamereLibere::fuoriServizio(workDir, inizio, out.m_giorni, apertura);
    for (qsizetype i = 0; i < sigle.size(); ++i) {
        Tipo t{mappa.nome.value(sigle.at(i)), mappa.inviato.value(sigle.at(i)), quantita.value(sigle.at(i)),
               libere[size_t(i)]};
        const auto fuori = fuoriServizio.constFind(sigle.at(i));
        for (size_t g = 0; g < t.camere.size(); ++g) {
            qint64& v = t.camere[g];
            v = std::clamp(v, qint64(0), std::max(t.quantita, qint64(0)));
            if (fuori != fuoriServizio.cend())
                v = std::max(qint64(0), v - fuori->at(g));
        }
        out.m_indice.insert(sigle.at(i), int(out.m_tipi.size()));
        out.m_tipi.push_back(std::move(t));
    }

    // Web reservations stored but not yet in QV: their rooms are sold, QV's counters do not show it yet.
    Recordset rs = sb.OpenRecordset(u"Select * From Reservations Where NumeroHotel = 1 and Registrata = 0"_s);
    for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
        if (rs[u"Status"_s].toString().trimmed().compare(u"Cancelled"_s, Qt::CaseInsensitive) == 0)
            continue;
        const QDate dal = TextDate::fromYmd(rs[u"DataFrom"_s].toString().trimmed());
        const QDate al = TextDate::fromYmd(rs[u"DataTo"_s].toString().trimmed());
        if (!dal.isValid() || !al.isValid())
            continue;
        for (int k = 1; k <= kStanze; ++k) {
            const QString campo = u"Room"_s + QString::number(k);
            const qint64 q = rs[campo + u"_Q"_s].toLongLong();
            const auto t = out.m_indice.constFind(mappa.qv.value(rs[campo + u"_S"_s].toString().trimmed().toLower()));
            if (q <= 0 || t == out.m_indice.cend())
                continue;
            std::vector<qint64>& camere = out.m_tipi[size_t(*t)].camere;
            const qint64 primo = std::max(qint64(0), inizio.daysTo(dal));
            const qint64 ultimo = std::min(qint64(out.m_giorni), inizio.daysTo(al));
            for (qint64 g = primo; g < ultimo; ++g)
                camere[size_t(g)] = std::max(qint64(0), camere[size_t(g)] - q);
        }
    }
    return out;
}

const CamereDaOffrire::Tipo* CamereDaOffrire::tipo(const QString& sigla) const
{
    const auto it = m_indice.constFind(sigla.trimmed().toLower());
    return it == m_indice.cend() ? nullptr : &m_tipi[size_t(*it)];
}

std::optional<qint64> CamereDaOffrire::camere(const QString& sigla, const QDate& giorno) const
{
    const Tipo* t = tipo(sigla);
    const qint64 g = m_inizio.daysTo(giorno);
    if (!t || g < 0 || g >= m_giorni)
        return std::nullopt;
    return t->camere[size_t(g)];
}
