#include "mapping/MappaturaTariffe.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"

using namespace Qt::StringLiterals;

namespace {

const QString kRighe = u"Select * From Rates Where HotelId = ? Order by RatesId;"_s;

// The last item whose code is the one given; nullopt when none is (or the code is empty).
std::optional<int> ultimaVoce(const QList<Mappatura::Voce>& voci, const QString& chiave)
{
    std::optional<int> trovata;
    if (chiave.isEmpty())
        return trovata;
    for (int i = 0; i < voci.size(); ++i)
        if (voci.at(i).chiave == chiave)
            trovata = i;
    return trovata;
}

} // namespace

bool MappaturaTariffe::apri()
{
    return esegui([this](Database& db) {
        leggiAlberghi(db);
        m_arrangiamenti.clear();
        m_voci.clear();
        {
            Database arr(m_ctx.workDir(), u"Arrangiamenti.mdb"_s);
            Recordset rs =
                arr.OpenRecordset(u"Select * From NomiArrangiamenti Where NumeroHotel = 1 Order by Sigla;"_s);
            for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
                const QString sigla = rs[u"Sigla"_s].toString();
                m_arrangiamenti.append(
                    {aSinistra(sigla, LarghezzaCodiceQV) + u' ' + rs[u"Descrizione"_s].toString().trimmed(),
                     sigla.trimmed()});
            }
        }
        Database voci(m_ctx.workDir(), u"VociFattura.mdb"_s);
        Recordset rs = voci.OpenRecordset(
            u"Select * From VociFattura Where NumeroHotel = 1 and Reparto = 'ARR' Order by Codice;"_s);
        for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
            const QString codice = QString::number(rs[u"Codice"_s].toLongLong());
            m_voci.append(
                {aDestra(codice, LarghezzaCodiceQV) + u' ' + rs[u"Descrizione"_s].toString().trimmed(), codice});
        }
    });
}

QString MappaturaTariffe::riga(const QString& id, const QString& descrizione, const QString& qv, qint64 codice)
{
    return aSinistra(id, LarghezzaId) + u' ' + Mappatura::descrizione(descrizione) + u' ' +
           aSinistra(qv, LarghezzaCodiceQV) + u' ' + aSinistra(QString::number(codice), LarghezzaCodiceQV);
}

void MappaturaTariffe::leggiRighe(Database& db)
{
    m_dati.clear();
    Recordset rs = db.OpenRecordset(kRighe, {m_albergo});
    for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
        Riga r{rs[u"RatesId"_s].toString().trimmed(), rs[u"DesRates"_s].toString(),
               rs[u"QVRates"_s].toString().trimmed(), rs[u"RateCode"_s].toLongLong()};
        m_righe.append(riga(r.id, r.descrizione, r.qv, r.codice));
        m_dati.append(r);
    }
}

std::optional<MappaturaTariffe::Scelta> MappaturaTariffe::scegliRiga(int indice) const
{
    if (indice < 0 || indice >= m_dati.size() || m_righe.at(indice).trimmed().isEmpty())
        return std::nullopt;
    const Riga& r = m_dati.at(indice);
    return Scelta{r.id, r.descrizione, ultimaVoce(m_arrangiamenti, r.qv),
                  ultimaVoce(m_voci, QString::number(r.codice))};
}

bool MappaturaTariffe::salva(const QString& id, const QString& descrizione, int arrangiamento, int voce)
{
    const QString codice = id.trimmed();
    const QString qv = arrangiamento >= 0 && arrangiamento < m_arrangiamenti.size()
                           ? m_arrangiamenti.at(arrangiamento).chiave
                           : QString();
    const qint64 rateCode = voce >= 0 && voce < m_voci.size() ? m_voci.at(voce).chiave.toLongLong() : 0;
    if (!verificaSalvataggio(codice, qv))
        return false;
    return salvaRiga(kRighe, u"NumeroHotel = 1 and RatesId = ?"_s, {codice}, [&](Recordset& rs) {
        rs.setField(u"RatesId"_s, codice);
        rs.setField(u"DesRates"_s, descrizione);
        rs.setField(u"RateCode"_s, rateCode);
        rs.setField(u"QVRates"_s, codiceQV(qv));
    });
}
