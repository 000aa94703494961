#include "import/VersionePrenotazione.h"

#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/ValueCleaning.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A reservation's id compares exactly, case and all; the first test lets the index find it.
const QString kStessoId = u"(NPren = ? AND NPren = ? COLLATE BINARY)"_s;

QString campo(int k, const char16_t* suffisso = u"")
{
    return u"Room"_s + QString::number(k) + QString::fromUtf16(suffisso);
}

// A stored amount: a number, or the Italian text "1.234,50"; 0 when it is none.
double importo(const QVariant& v)
{
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return v.toDouble();
    return ItalianNumber::parse(v.toString()).value_or(0);
}

qint64 centesimi(double v)
{
    return qRound64(v * 100);
}

QString euro(double v)
{
    return ItalianNumber::format(v, u"##,###,##0.00"_s);
}

QString numero(double v)
{
    return ItalianNumber::toText(v);
}

QString dmy(const QString& ymd)
{
    return TextDate::ymdToDmy(ymd.trimmed());
}

bool stessoSlot(const VersionePrenotazione::Slot& a, const VersionePrenotazione::Slot& b)
{
    // A total one side never stored says nothing: only two known totals are compared.
    const bool totali = !a.totale || !b.totale || centesimi(*a.totale) == centesimi(*b.totale);
    return a.tipo.compare(b.tipo, Qt::CaseInsensitive) == 0 && a.quantita == b.quantita && a.persone == b.persone &&
           centesimi(a.prezzo) == centesimi(b.prezzo) &&
           a.trattamento.trimmed().compare(b.trattamento.trimmed(), Qt::CaseInsensitive) == 0 && totali;
}

// "DBL 1, SGL 2": the rooms of each room stay, in slot order.
QString camere(const VersionePrenotazione& v)
{
    QStringList out;
    for (const auto& s : v.slot)
        if (!s.tipo.isEmpty())
            out << s.tipo + u' ' + numero(s.quantita);
    return out.isEmpty() ? u"nessuna camera"_s : out.join(u", "_s);
}

// One value per room stay, joined: what the history shows of the guests or the meal plans.
template <typename F> QString perSoggiorno(const VersionePrenotazione& v, F&& valore)
{
    QStringList out;
    for (const auto& s : v.slot)
        if (!s.tipo.isEmpty())
            out << valore(s);
    return out.join(u", "_s);
}

QJsonValue facoltativo(const std::optional<double>& v)
{
    return v ? QJsonValue(*v) : QJsonValue();
}

} // namespace

VersionePrenotazione VersionePrenotazione::leggi(const Recordset& rs, Database& db)
{
    VersionePrenotazione v;
    const auto testo = [&](const QString& nome) {
        return rs.Field(nome).toString().trimmed();
    };
    v.cognome = testo(u"LastName"_s);
    v.nome = testo(u"FirstName"_s);
    v.dal = testo(u"DataFrom"_s);
    v.al = testo(u"DataTo"_s);
    v.totale = importo(rs.Field(u"Amount"_s));
    v.totaleOriginale = importo(rs.Field(u"Orig_Amount"_s));
    for (int k = 1; k <= Stanze; ++k) {
        const auto i = size_t(k - 1);
        v.codici[i] = testo(campo(k));
        Slot& s = v.slot[i];
        s.tipo = testo(campo(k, u"_S"));
        if (s.tipo.isEmpty())
            continue;
        s.quantita = rs.Field(campo(k, u"_Q")).toDouble();
        s.persone = rs.Field(campo(k, u"_QP")).toDouble();
        s.prezzo = rs.Field(campo(k, u"_P")).toDouble();
        s.trattamento = testo(campo(k, u"_A"));
        try {
            if (const QVariant t = rs.Field(campo(k, u"_T")); !t.isNull())
                s.totale = t.toDouble();
        } catch (const StoreError&) {
            // An interface database whose definitions predate the stays' totals.
        }
    }
    const QString nPren = rs.Field(u"NPren"_s).toString();
    QSqlQuery& q = db.run(u"SELECT RoomStay, Room, DayDate, Price FROM "_s + db.table(u"ReservationsPrice"_s)->sql +
                              u" WHERE "_s + kStessoId,
                          {nPren, nPren});
    while (q.next()) {
        Notte n;
        n.tipo = q.value(1).toString().trimmed();
        n.giorno = q.value(2).toString().trimmed();
        n.prezzo = importo(q.value(3));
        // A row stored before prices kept their room stay belongs to the first stay of its type.
        n.soggiorno = q.value(0).isNull() ? 0 : q.value(0).toInt();
        for (int k = 1; n.soggiorno == 0 && k <= Stanze; ++k)
            if (v.codici[size_t(k - 1)].compare(n.tipo, Qt::CaseInsensitive) == 0)
                n.soggiorno = k;
        v.notti.append(n);
    }
    q.finish();
    std::sort(v.notti.begin(), v.notti.end(), [](const Notte& a, const Notte& b) {
        return std::tie(a.soggiorno, a.giorno) < std::tie(b.soggiorno, b.giorno);
    });
    return v;
}

bool VersionePrenotazione::operator==(const VersionePrenotazione& o) const
{
    if (cognome != o.cognome || nome != o.nome || dal != o.dal || al != o.al ||
        centesimi(totale) != centesimi(o.totale) || centesimi(totaleOriginale) != centesimi(o.totaleOriginale) ||
        notti.size() != o.notti.size())
        return false;
    for (int i = 0; i < Stanze; ++i)
        if (codici[size_t(i)].compare(o.codici[size_t(i)], Qt::CaseInsensitive) != 0 ||
            !stessoSlot(slot[size_t(i)], o.slot[size_t(i)]))
            return false;
    for (qsizetype i = 0; i < notti.size(); ++i) {
        const Notte& a = notti.at(i);
        const Notte& b = o.notti.at(i);
        if (a.soggiorno != b.soggiorno || a.giorno != b.giorno || a.tipo.compare(b.tipo, Qt::CaseInsensitive) != 0 ||
            centesimi(a.prezzo) != centesimi(b.prezzo))
            return false;
    }
    return true;
}

QString VersionePrenotazione::testo() const
{
    QJsonArray stanze;
    for (int i = 0; i < Stanze; ++i) {
        const Slot& s = slot[size_t(i)];
        stanze.append(QJsonObject{{u"codice"_s, codici[size_t(i)]},
                                  {u"tipo"_s, s.tipo},
                                  {u"quantita"_s, s.quantita},
                                  {u"persone"_s, s.persone},
                                  {u"prezzo"_s, s.prezzo},
                                  {u"trattamento"_s, s.trattamento},
                                  {u"totale"_s, facoltativo(s.totale)}});
    }
    QJsonArray giorni;
    for (const Notte& n : notti)
        giorni.append(QJsonArray{n.soggiorno, n.tipo, n.giorno, n.prezzo});
    const QJsonObject o{{u"cognome"_s, cognome}, {u"nome"_s, nome},     {u"dal"_s, dal},
                        {u"al"_s, al},           {u"totale"_s, totale}, {u"totaleOriginale"_s, totaleOriginale},
                        {u"stanze"_s, stanze},   {u"notti"_s, giorni}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::optional<VersionePrenotazione> VersionePrenotazione::daTesto(const QString& testo)
{
    const QJsonDocument doc = QJsonDocument::fromJson(testo.toUtf8());
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    VersionePrenotazione v;
    v.cognome = o.value(u"cognome"_s).toString();
    v.nome = o.value(u"nome"_s).toString();
    v.dal = o.value(u"dal"_s).toString();
    v.al = o.value(u"al"_s).toString();
    v.totale = o.value(u"totale"_s).toDouble();
    v.totaleOriginale = o.value(u"totaleOriginale"_s).toDouble();
    const QJsonArray stanze = o.value(u"stanze"_s).toArray();
    for (int i = 0; i < Stanze && i < stanze.size(); ++i) {
        const QJsonObject s = stanze.at(i).toObject();
        v.codici[size_t(i)] = s.value(u"codice"_s).toString();
        Slot& slot = v.slot[size_t(i)];
        slot.tipo = s.value(u"tipo"_s).toString();
        slot.quantita = s.value(u"quantita"_s).toDouble();
        slot.persone = s.value(u"persone"_s).toDouble();
        slot.prezzo = s.value(u"prezzo"_s).toDouble();
        slot.trattamento = s.value(u"trattamento"_s).toString();
        if (const QJsonValue t = s.value(u"totale"_s); t.isDouble())
            slot.totale = t.toDouble();
    }
    for (const QJsonValue& g : o.value(u"notti"_s).toArray()) {
        const QJsonArray n = g.toArray();
        v.notti.append({n.at(0).toInt(), n.at(1).toString(), n.at(2).toString(), n.at(3).toDouble()});
    }
    return v;
}

QString VersionePrenotazione::soggiorno() const
{
    return u"dal "_s + dmy(dal) + u" al "_s + dmy(al) + u", "_s + camere(*this);
}

QString VersionePrenotazione::differenze(const VersionePrenotazione& prima, const VersionePrenotazione& dopo)
{
    QStringList out{u"dal "_s + dmy(prima.dal) + u" al "_s + dmy(prima.al) + u" -> dal "_s + dmy(dopo.dal) + u" al "_s +
                        dmy(dopo.al),
                    camere(prima) + u" -> "_s + camere(dopo)};
    const auto cambiato = [&](const QString& nome, const QString& a, const QString& b) {
        if (a != b)
            out << nome + u' ' + a + u" -> "_s + b;
    };
    const auto persone = [](const Slot& s) {
        return numero(s.persone);
    };
    const auto trattamento = [](const Slot& s) {
        return s.trattamento.trimmed().isEmpty() ? u"-"_s : s.trattamento.trimmed();
    };
    const auto prezzo = [](const Slot& s) {
        return euro(s.prezzo);
    };
    cambiato(u"persone"_s, perSoggiorno(prima, persone), perSoggiorno(dopo, persone));
    cambiato(u"trattamento"_s, perSoggiorno(prima, trattamento), perSoggiorno(dopo, trattamento));
    cambiato(u"prezzo"_s, perSoggiorno(prima, prezzo), perSoggiorno(dopo, prezzo));
    cambiato(u"totale"_s, euro(prima.totale), euro(dopo.totale));
    cambiato(u"nome"_s, (prima.cognome + u' ' + prima.nome).trimmed(), (dopo.cognome + u' ' + dopo.nome).trimmed());
    double notti1 = 0, notti2 = 0;
    for (const Notte& n : prima.notti)
        notti1 += n.prezzo;
    for (const Notte& n : dopo.notti)
        notti2 += n.prezzo;
    if (centesimi(notti1) != centesimi(notti2))
        out << u"prezzi delle notti "_s + euro(notti1) + u" -> "_s + euro(notti2);
    return out.join(u", "_s);
}

std::optional<VersioneApplicata> VersioneApplicata::leggi(Database& db, const QString& nPren)
{
    QSqlQuery& q = db.run(u"SELECT NumeroPrenotazione, Versione, Righe FROM "_s + db.table(u"VersioniInQV"_s)->sql +
                              u" WHERE NumeroHotel = 1 AND "_s + kStessoId + u" ORDER BY rowid DESC LIMIT 1"_s,
                          {nPren, nPren});
    if (!q.next()) {
        q.finish();
        return std::nullopt;
    }
    VersioneApplicata out;
    out.numero = q.value(0).toInt();
    const auto versione = VersionePrenotazione::daTesto(q.value(1).toString());
    const QVariant righe = q.value(2);
    q.finish();
    if (!versione)
        return std::nullopt;
    out.versione = *versione;
    if (!righe.isNull()) {
        QList<RigaScritta> lette;
        for (const QJsonValue& r : QJsonDocument::fromJson(righe.toString().toUtf8()).array()) {
            const QJsonArray a = r.toArray();
            lette.append({a.at(0).toString(), a.at(1).toString(), a.at(2).toString(), a.at(3).toString()});
        }
        out.righe = lette;
    }
    return out;
}

void VersioneApplicata::registra(Database& db, const QString& nPren, const VersioneApplicata& v, const QDateTime& ora)
{
    const QString t = db.table(u"VersioniInQV"_s)->sql;
    db.run(u"DELETE FROM "_s + t + u" WHERE NumeroHotel = 1 AND "_s + kStessoId, {nPren, nPren}).finish();
    QVariant righe;
    if (v.righe) {
        QJsonArray a;
        for (const RigaScritta& r : *v.righe)
            a.append(QJsonArray{r.camera, r.tipo, r.dal, r.al});
        righe = QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
    }
    db.run(u"INSERT INTO "_s + t +
               u" (NumeroHotel, NPren, NumeroPrenotazione, Versione, Righe, Applicata) VALUES (1, ?, ?, ?, ?, ?)"_s,
           {nPren, v.numero, v.versione.testo(), righe, ora.toString(u"yyyy-MM-dd HH:mm:ss"_s)})
        .finish();
}

void StoricoPrenotazioni::aggiungi(Database& db, const QString& nPren, const QDateTime& ricevuta, const QString& status,
                                   const VersionePrenotazione& prima, const QString& modifiche)
{
    db.run(u"INSERT INTO "_s + db.table(u"StoricoPrenotazioni"_s)->sql +
               u" (NumeroHotel, NPren, Ricevuta, Status, Prima, Modifiche) VALUES (1, ?, ?, ?, ?, ?)"_s,
           {nPren, ricevuta.toString(u"yyyy-MM-dd HH:mm:ss"_s), status.left(10), prima.testo(), modifiche})
        .finish();
}

QString StoricoPrenotazioni::ultimaModifica(Database& db, const QString& nPren)
{
    QSqlQuery& q = db.run(u"SELECT Modifiche FROM "_s + db.table(u"StoricoPrenotazioni"_s)->sql +
                              u" WHERE NumeroHotel = 1 AND "_s + kStessoId + u" ORDER BY rowid DESC LIMIT 1"_s,
                          {nPren, nPren});
    const QString out = q.next() ? q.value(0).toString() : QString();
    q.finish();
    return out;
}
