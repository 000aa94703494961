#include "mapping/MappaturaCamere.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"

using namespace Qt::StringLiterals;

namespace {

const QString kRighe = u"Select * From Rooms Where HotelId = ? Order by RoomsId,RoomsLevel;"_s;
const QString kStessaRiga = u"NumeroHotel = 1 and RoomsId = ? and RoomsLevel = ?"_s;

} // namespace

bool MappaturaCamere::apri()
{
    return esegui([this](Database& db) {
        leggiAlberghi(db);
        m_tipiQV.clear();
        Database tipi(m_ctx.workDir(), u"TipiCamere.mdb"_s);
        Recordset rs = tipi.OpenRecordset(
            u"Select * From TipiCamere Where NumeroHotel = 1 and (Tipologia = 'C' or Tipologia = 'A') Order by Sigla;"_s);
        for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
            const QString sigla = rs[u"Sigla"_s].toString();
            m_tipiQV.append({aSinistra(sigla, LarghezzaCodiceQV) + u' ' + rs[u"Descrizione"_s].toString().trimmed(),
                             sigla.trimmed()});
        }
    });
}

QStringList MappaturaCamere::livelli()
{
    QStringList l;
    for (int i = 1; i <= 10; ++i)
        l.append(QString::number(i));
    return l;
}

QString MappaturaCamere::riga(const QString& id, const QString& descrizione, int livello, const QString& qv)
{
    return aDestra(id, LarghezzaId) + u' ' + Mappatura::descrizione(descrizione) + u' ' +
           aDestra(QString::number(livello), 2) + u' ' + aDestra(qv, LarghezzaCodiceQV);
}

void MappaturaCamere::leggiRighe(Database& db)
{
    m_dati.clear();
    Recordset rs = db.OpenRecordset(kRighe, {m_albergo});
    for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
        Riga r{rs[u"RoomsId"_s].toString().trimmed(), rs[u"DesRooms"_s].toString(), rs[u"RoomsLevel"_s].toInt(),
               rs[u"QVRooms"_s].toString().trimmed()};
        m_righe.append(riga(r.id, r.descrizione, r.livello, r.qv));
        m_dati.append(r);
    }
}

std::optional<MappaturaCamere::Scelta> MappaturaCamere::scegliRiga(int indice) const
{
    if (indice < 0 || indice >= m_dati.size() || m_righe.at(indice).trimmed().isEmpty())
        return std::nullopt;
    const Riga& r = m_dati.at(indice);
    Scelta s{r.id, r.descrizione, r.livello, std::nullopt};
    if (!r.qv.isEmpty())
        for (int i = 0; i < m_tipiQV.size(); ++i)
            if (m_tipiQV.at(i).chiave == r.qv)
                s.tipoQV = i;
    return s;
}

bool MappaturaCamere::salva(const QString& id, const QString& descrizione, int livello, int tipoQV)
{
    const QString codice = id.trimmed();
    const QString qv = tipoQV >= 0 && tipoQV < m_tipiQV.size() ? m_tipiQV.at(tipoQV).chiave : QString();
    if (!verificaSalvataggio(codice, qv))
        return false;
    return salvaRiga(kRighe, kStessaRiga, {codice, livello}, [&](Recordset& rs) {
        rs.setField(u"RoomsId"_s, codice);
        rs.setField(u"DesRooms"_s, descrizione);
        rs.setField(u"RoomsLevel"_s, livello);
        rs.setField(u"QVRooms"_s, codiceQV(qv));
    });
}

bool MappaturaCamere::rimuovi(const QString& id, int livello)
{
    if (m_albergo.isEmpty()) {
        errore(u"Scegliere un hotel!"_s);
        return false;
    }
    const bool fatto = esegui([&](Database& db) {
        Recordset rs = db.OpenRecordset(kRighe, {m_albergo});
        if (rs.FindFirst(kStessaRiga, {id.trimmed(), livello}))
            rs.Delete();
    });
    ricarica();
    return fatto;
}
