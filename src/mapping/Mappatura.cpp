#include "mapping/Mappatura.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/ValueCleaning.h"

using namespace Qt::StringLiterals;

QString Mappatura::aDestra(const QString& testo, int larghezza)
{
    return testo.trimmed().rightJustified(larghezza, u' ');
}

QString Mappatura::aSinistra(const QString& testo, int larghezza)
{
    return testo.trimmed().leftJustified(larghezza, u' ');
}

QString Mappatura::descrizione(const QString& testo)
{
    return tagliaTesto(testo.trimmed(), LarghezzaDescrizione).leftJustified(LarghezzaDescrizione, u' ');
}

bool Mappatura::scegliAlbergo(int indice)
{
    if (indice < 0 || indice >= m_alberghi.size() || m_alberghi.at(indice).chiave.isEmpty())
        return false;
    m_albergo = m_alberghi.at(indice).chiave;
    ricarica();
    return true;
}

void Mappatura::leggiAlberghi(Database& db)
{
    m_alberghi.clear();
    Recordset rs = db.OpenRecordset(u"Select * From HotelId Order by HotelId;"_s);
    for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
        const QString id = rs[u"HotelId"_s].toString();
        m_alberghi.append({aDestra(id, LarghezzaId) + u' ' + rs[u"DesHotel"_s].toString().trimmed(), id.trimmed()});
    }
}

void Mappatura::ricarica()
{
    m_righe.clear();
    if (m_albergo.isEmpty())
        return;
    esegui([this](Database& db) { leggiRighe(db); });
}

bool Mappatura::esegui(const std::function<void(Database& db)>& azione)
{
    try {
        Database db(m_ctx.workDir(), u"SimpleBooking.mdb"_s);
        azione(db);
        return true;
    } catch (const StoreError& e) {
        m_ctx.op().inform(u"Errore"_s, e.text() + u" ("_s + QString::number(e.number()) + u')',
                          OperatorPort::Icon::Critical);
    }
    return false;
}

bool Mappatura::verificaSalvataggio(const QString& id, const QString& codiceQV) const
{
    if (m_albergo.isEmpty()) {
        errore(u"Scegliere un hotel!"_s);
        return false;
    }
    if (id.isEmpty()) {
        errore(u"Inserire il codice (Id)!"_s);
        return false;
    }
    if (id.size() > LarghezzaId) {
        errore(u"Il codice \""_s + id + u"\" è più lungo di "_s + QString::number(LarghezzaId) +
               u" caratteri e non potrebbe essere mostrato: non viene registrato."_s);
        return false;
    }
    if (codiceQV.size() > LarghezzaCodiceQV) {
        errore(u"Il codice QV \""_s + codiceQV + u"\" è più lungo di "_s + QString::number(LarghezzaCodiceQV) +
               u" caratteri e non potrebbe essere mostrato: non viene registrato."_s);
        return false;
    }
    return true;
}

void Mappatura::errore(const QString& testo) const
{
    m_ctx.op().inform(u"Errore"_s, testo, OperatorPort::Icon::Exclamation);
}

bool Mappatura::salvaRiga(const QString& righe, const QString& criterio, const QVariantList& valori,
                          const std::function<void(Recordset& rs)>& campi)
{
    const bool fatto = esegui([&](Database& db) {
        Recordset rs = db.OpenRecordset(righe, {m_albergo});
        if (rs.FindFirst(criterio, valori))
            rs.Edit();
        else
            rs.AddNew();
        rs.setField(u"NumeroHotel"_s, int(m_ctx.NumeroHotelCorrente));
        rs.setField(u"HotelId"_s, m_albergo);
        campi(rs);
        rs.Update();
    });
    ricarica();
    return fatto;
}

QString Mappatura::codiceQV(const QString& codice)
{
    return codice.isEmpty() ? u" "_s : codice;
}
