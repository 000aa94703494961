#include "service/CopieScambi.h"

#include "service/MascheraDati.h"
#include "store/Database.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

constexpr const char16_t* kIstante = u"yyyy-MM-ddTHH:mm:ss";

QString istante(const QDateTime& t)
{
    return t.isValid() ? t.toString(QString::fromUtf16(kIstante)) : QString();
}

QDateTime leggiIstante(const QVariant& v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromString(v.toString(), QString::fromUtf16(kIstante));
}

// The record's one row, made when missing.
QString riga(Database& uow)
{
    using CopieScambi::Tabella;
    const QString t = uow.table(QString::fromUtf16(Tabella))->sql;
    QSqlQuery& c = uow.run(u"SELECT COUNT(*) FROM "_s + t + u" WHERE NumeroHotel = 1"_s, {});
    const bool esiste = c.next() && c.value(0).toInt() > 0;
    c.finish();
    if (!esiste)
        uow.run(u"INSERT INTO "_s + t + u" (NumeroHotel) VALUES (1)"_s, {}).finish();
    return t;
}

} // namespace

std::optional<QDateTime> CopieScambi::scritta(const QString& nome)
{
    static const QRegularExpression forma(
        u"^(?:Prenotazioni|Cancellazioni|Conferma|AggDispo)(\\d{14})(?:-\\d+)?\\.xml$"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = forma.match(nome);
    if (!m.hasMatch())
        return std::nullopt;
    const QDateTime quando = QDateTime::fromString(m.captured(1), u"yyyyMMddHHmmss"_s);
    if (!quando.isValid())
        return std::nullopt;
    return quando;
}

QStringList CopieScambi::ultimiNellaCartella()
{
    return {u"Chiamata.txt"_s, u"ChiamataC.txt"_s};
}

QStringList CopieScambi::ultimiInSimpleBooking()
{
    return {u"Chiamata.txt"_s, u"RateList.txt"_s, u"RoomList.txt"_s};
}

CopieScambi::Maschera CopieScambi::mascheraFile(const QString& path, QString* errore)
{
    const auto fallita = [&](const QString& testo) {
        if (errore)
            *errore = path + u": "_s + testo;
        return Maschera::Errore;
    };
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return fallita(in.errorString());
    const QByteArray bytes = in.readAll();
    in.close();
    const QByteArray mascherati = mascheraCopia(bytes);
    if (mascherati == bytes)
        return Maschera::Invariata;
    // Written aside and renamed: a reader sees the old copy or the masked one, never half of either.
    // The file keeps its rights.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(mascherati) != mascherati.size() || !out.commit())
        return fallita(out.errorString());
    return Maschera::Mascherata;
}

std::optional<CopieScambi::Stato> CopieScambi::leggi(Database& sb)
{
    if (!sb.hasTable(QString::fromUtf16(Tabella)))
        return std::nullopt;
    QSqlQuery& q = sb.run(u"SELECT Pulizia, Giorni, Rimosse, Tenute, PiuVecchia, Revisione, Mascherate, "
                          u"NonMascherate FROM "_s +
                              sb.table(QString::fromUtf16(Tabella))->sql + u" WHERE NumeroHotel = 1"_s,
                          {});
    std::optional<Stato> s;
    if (q.next())
        s = Stato{leggiIstante(q.value(0)), q.value(1).toInt(),       q.value(2).toInt(), q.value(3).toInt(),
                  leggiIstante(q.value(4)), leggiIstante(q.value(5)), q.value(6).toInt(), q.value(7).toInt()};
    q.finish();
    return s;
}

void CopieScambi::registraPulizia(Database& uow, const Stato& s)
{
    uow.run(u"UPDATE "_s + riga(uow) +
                u" SET Pulizia = ?, Giorni = ?, Rimosse = ?, Tenute = ?, PiuVecchia = ? WHERE NumeroHotel = 1"_s,
            {istante(s.pulizia), s.giorni, s.rimosse, s.tenute,
             s.piuVecchia.isValid() ? QVariant(istante(s.piuVecchia)) : QVariant()})
        .finish();
}

void CopieScambi::registraRevisione(Database& uow, const Stato& s)
{
    uow.run(u"UPDATE "_s + riga(uow) + u" SET Revisione = ?, Mascherate = ?, NonMascherate = ? WHERE NumeroHotel = 1"_s,
            {istante(s.revisione), s.mascherate, s.nonMascherate})
        .finish();
}
