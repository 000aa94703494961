#include "sync/ArchivioSync.h"

#include "service/MascheraDati.h"
#include "store/Database.h"
#include "store/DaySlots.h"

#include <QHash>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

constexpr const char16_t* kFormato = u"yyyy-MM-ddTHH:mm:ss";

QSqlQuery esegui(Database& db, const QString& sql, const QVariantList& params)
{
    QSqlQuery q = db.query();
    q.setForwardOnly(true);
    db.exec(q, sql, params);
    return q;
}

QString tabella(Database& db, const QString& nome)
{
    return db.table(nome)->sql;
}

// Rows of `nome` keyed by `chiave` over the days from inizio: [position of the key][day] = valore.
Deriva::Detti perGiorno(Database& db, const QString& nome, const QString& chiave, const QString& valore,
                        const QStringList& chiavi, const QDate& inizio, int giorni)
{
    QHash<QString, int> posizione;
    for (qsizetype i = 0; i < chiavi.size(); ++i)
        posizione.insert(chiavi.at(i).trimmed().toLower(), int(i));
    Deriva::Detti out(size_t(chiavi.size()), std::vector<std::optional<qint64>>(size_t(std::max(giorni, 0))));
    QSqlQuery q = esegui(db,
                         u"SELECT "_s + chiave + u", Giorno, "_s + valore + u" FROM "_s + tabella(db, nome) +
                             u" WHERE NumeroHotel = 1 AND Giorno >= ? AND Giorno < ?"_s,
                         {TextDate::toYmd(inizio), TextDate::toYmd(inizio.addDays(giorni))});
    while (q.next()) {
        const auto p = posizione.constFind(q.value(0).toString().trimmed().toLower());
        const qint64 g = inizio.daysTo(TextDate::fromYmd(q.value(1).toString()));
        if (p == posizione.cend() || g < 0 || g >= giorni || q.value(2).isNull())
            continue;
        out[size_t(*p)][size_t(g)] = q.value(2).toLongLong();
    }
    return out;
}

} // namespace

QString ArchivioSync::istante(const QDateTime& t)
{
    return t.toString(QString::fromUtf16(kFormato));
}

QDateTime ArchivioSync::leggiIstante(const QVariant& v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromString(v.toString().trimmed(), QString::fromUtf16(kFormato));
}

Deriva::Detti ArchivioSync::detti(Database& sb, const QStringList& roomsIds, const QDate& inizio, int giorni)
{
    return perGiorno(sb, u"DisponibilitaInviata"_s, u"RoomsId"_s, u"Valore"_s, roomsIds, inizio, giorni);
}

void ArchivioSync::registraDetti(Database& uow, const QList<ServiceClient::Avviso>& avvisi, const QDateTime& quando)
{
    const QString t = tabella(uow, u"DisponibilitaInviata"_s);
    // Days gone by are never compared again.
    esegui(uow, u"DELETE FROM "_s + t + u" WHERE NumeroHotel = 1 AND Giorno < ?"_s, {TextDate::toYmd(quando.date())});
    for (const ServiceClient::Avviso& a : avvisi) {
        const QString giorno = TextDate::toYmd(a.giorno);
        esegui(uow, u"DELETE FROM "_s + t + u" WHERE NumeroHotel = 1 AND RoomsId = ? AND Giorno = ?"_s,
               {a.roomsId, giorno});
        esegui(uow,
               u"INSERT INTO "_s + t + u" (NumeroHotel, RoomsId, Giorno, Valore, Inviata) VALUES (1, ?, ?, ?, ?)"_s,
               {a.roomsId, giorno, a.valore, istante(quando)});
    }
}

Deriva::Detti ArchivioSync::limiti(Database& sb, const QStringList& sigle, const QDate& inizio, int giorni)
{
    return perGiorno(sb, u"LimitiDisponibilita"_s, u"QVRooms"_s, u"Limite"_s, sigle, inizio, giorni);
}

void ArchivioSync::registraLimite(Database& uow, const QString& sigla, const QDate& giorno,
                                  std::optional<qint64> limite)
{
    const QString t = tabella(uow, u"LimitiDisponibilita"_s);
    esegui(uow, u"DELETE FROM "_s + t + u" WHERE NumeroHotel = 1 AND QVRooms = ? AND Giorno = ?"_s,
           {sigla, TextDate::toYmd(giorno)});
    if (limite)
        esegui(uow, u"INSERT INTO "_s + t + u" (NumeroHotel, QVRooms, Giorno, Limite) VALUES (1, ?, ?, ?)"_s,
               {sigla, TextDate::toYmd(giorno), *limite});
}

ArchivioSync::Scambio ArchivioSync::scambio(Database& sb, const QString& nome)
{
    Scambio s;
    QSqlQuery q = esegui(sb,
                         u"SELECT UltimoRiuscito, UltimoFallito, Errore FROM "_s + tabella(sb, u"StatoScambi"_s) +
                             u" WHERE NumeroHotel = 1 AND Scambio = ?"_s,
                         {nome});
    if (q.next()) {
        s.riuscito = leggiIstante(q.value(0));
        s.fallito = leggiIstante(q.value(1));
        s.errore = q.value(2).toString();
    }
    return s;
}

void ArchivioSync::segnaScambio(Database& uow, const QString& nome, bool riuscito, const QDateTime& quando,
                                const QString& errore)
{
    const QString t = tabella(uow, u"StatoScambi"_s);
    QSqlQuery c = esegui(uow, u"SELECT COUNT(*) FROM "_s + t + u" WHERE NumeroHotel = 1 AND Scambio = ?"_s, {nome});
    const bool esiste = c.next() && c.value(0).toInt() > 0;
    c.finish();
    if (!esiste)
        esegui(uow, u"INSERT INTO "_s + t + u" (NumeroHotel, Scambio) VALUES (1, ?)"_s, {nome});
    if (riuscito)
        esegui(uow, u"UPDATE "_s + t + u" SET UltimoRiuscito = ? WHERE NumeroHotel = 1 AND Scambio = ?"_s,
               {istante(quando), nome});
    else
        esegui(uow, u"UPDATE "_s + t + u" SET UltimoFallito = ?, Errore = ? WHERE NumeroHotel = 1 AND Scambio = ?"_s,
               {istante(quando), mascheraDati(errore).left(255), nome});
}

QList<QPair<QString, QString>> ArchivioSync::inAttesa(Database& sb)
{
    QList<QPair<QString, QString>> out;
    QSqlQuery q = esegui(sb,
                         u"SELECT NPren, RDate, Status FROM "_s + tabella(sb, u"Reservations"_s) +
                             u" WHERE NumeroHotel = 1 AND Registrata = 0"_s,
                         {});
    while (q.next())
        if (q.value(2).toString().trimmed().compare(u"Cancelled"_s, Qt::CaseInsensitive) != 0)
            out.append({q.value(0).toString().trimmed(), q.value(1).toString().trimmed()});
    return out;
}

QHash<QString, QDateTime> ArchivioSync::inAttesaDal(Database& sb)
{
    QHash<QString, QDateTime> out;
    QSqlQuery q = esegui(
        sb, u"SELECT NPren, Dal FROM "_s + tabella(sb, u"AttesaPrenotazioni"_s) + u" WHERE NumeroHotel = 1"_s, {});
    while (q.next())
        out.insert(q.value(0).toString().trimmed(), leggiIstante(q.value(1)));
    return out;
}

QHash<QString, QString> ArchivioSync::motiviAttesa(Database& sb)
{
    QHash<QString, QString> out;
    QSqlQuery q = esegui(sb,
                         u"SELECT NPren, Motivo FROM "_s + tabella(sb, u"AttesaPrenotazioni"_s) +
                             u" WHERE NumeroHotel = 1 AND Motivo IS NOT NULL"_s,
                         {});
    while (q.next())
        out.insert(q.value(0).toString().trimmed(), q.value(1).toString());
    return out;
}

void ArchivioSync::registraMotivi(Database& sb, const QHash<QString, QString>& motivi, const QDateTime& ora)
{
    if (motivi.isEmpty())
        return;
    const QString t = tabella(sb, u"AttesaPrenotazioni"_s);
    Database::Transaction uow(sb);
    for (auto it = motivi.cbegin(); it != motivi.cend(); ++it) {
        QSqlQuery& q =
            sb.run(u"UPDATE "_s + t + u" SET Motivo = ? WHERE NumeroHotel = 1 AND NPren = ?"_s, {it.value(), it.key()});
        const bool c = q.numRowsAffected() > 0;
        q.finish();
        if (!c)
            sb.run(u"INSERT INTO "_s + t + u" (NumeroHotel, NPren, Dal, Motivo) VALUES (1, ?, ?, ?)"_s,
                   {it.key(), istante(ora), it.value()})
                .finish();
    }
    uow.commit();
}

void ArchivioSync::aggiornaAttese(Database& uow, const QDateTime& ora)
{
    const QString t = tabella(uow, u"AttesaPrenotazioni"_s);
    QHash<QString, QDateTime> viste = inAttesaDal(uow);
    for (const auto& [nPren, rDate] : inAttesa(uow)) {
        if (!viste.remove(nPren))
            esegui(uow, u"INSERT INTO "_s + t + u" (NumeroHotel, NPren, Dal) VALUES (1, ?, ?)"_s,
                   {nPren, istante(ora)});
    }
    for (auto it = viste.cbegin(); it != viste.cend(); ++it)
        esegui(uow, u"DELETE FROM "_s + t + u" WHERE NumeroHotel = 1 AND NPren = ?"_s, {it.key()});
}

bool ArchivioSync::prendiIncarico(Database& sb, const QString& titolare, qint64 ciclo, int cicli, VistaIncarico& vista)
{
    const QString t = tabella(sb, u"Incarichi"_s);
    Database::Transaction uow(sb);
    QSqlQuery q = esegui(
        sb, u"SELECT Titolare, Battito FROM "_s + t + u" WHERE NumeroHotel = 1 AND Incarico = 'Pubblicazione'"_s, {});
    const bool esiste = q.next();
    const QString altro = esiste ? q.value(0).toString() : QString();
    // A row an older version wrote has no counter: it reads as 0.
    const qint64 battito = esiste ? q.value(1).toLongLong() : 0;
    q.finish();
    if (esiste && !altro.isEmpty() && altro != titolare) {
        if (vista.titolare != altro || vista.battito != battito)
            vista = {altro, battito, ciclo, 0};
        else if (vista.ciclo != ciclo)
            vista = {altro, battito, ciclo, vista.invariato + 1};
        if (vista.invariato < cicli)
            return false;
    }
    if (!esiste)
        esegui(sb, u"INSERT INTO "_s + t + u" (NumeroHotel, Incarico) VALUES (1, 'Pubblicazione')"_s, {});
    esegui(sb,
           u"UPDATE "_s + t + u" SET Titolare = ?, Battito = ? WHERE NumeroHotel = 1 AND Incarico = 'Pubblicazione'"_s,
           {titolare, battito + 1});
    uow.commit();
    vista = {};
    return true;
}

void ArchivioSync::lasciaIncarico(Database& sb, const QString& titolare)
{
    esegui(sb,
           u"UPDATE "_s + tabella(sb, u"Incarichi"_s) +
               u" SET Titolare = '' WHERE NumeroHotel = 1 AND Incarico = 'Pubblicazione' AND "
               u"Titolare = ?"_s,
           {titolare});
}
