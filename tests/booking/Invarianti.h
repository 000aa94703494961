#pragma once

// What must hold in QV's files and the interface database after any run of the bridge, whatever
// the order of workstations, kills, locks and answers: every test of the booking chain ends with it.

#include "HotelFixture.h"

#include <gtest/gtest.h>

namespace HotelSupport {

// A room as QV names it and as the bridge's room rows store it ("3'1" and "3´1") is one room.
inline QString stanza(const QString& numero)
{
    return numero.trimmed().toUpper().replace(QChar(0x00B4), u'\'');
}

// Bookings numbered above contateDa are those counted in DisponibilitàTipi (the bridge's, and any
// a test counted itself): their rooms must equal a recount.
inline void verificaInvarianti(const QDir& dir, qint32 contateDa = kUltimoNumero)
{
    const auto vuoti = [&](const QString& sql, const char* cosa) {
        EXPECT_EQ(leggi(dir, sql), QStringList()) << cosa;
    };
    vuoti(u"SELECT NumeroPrenotazione FROM Scheda_Prenotazione GROUP BY 1 HAVING count(*) > 1"_s,
          "one booking number on two sheets");
    vuoti(u"SELECT NVoucher FROM Scheda_Prenotazione WHERE trim(NVoucher) <> '' GROUP BY 1 HAVING count(*) > 1"_s,
          "one web reservation booked twice");
    // A web booking's number holds only what the bridge wrote for it: nothing of another booking. (A
    // reservation whose change waits still has the version before it in QV.)
    vuoti(u"SELECT s.NumeroPrenotazione, c.DataArrivo FROM Scheda_Prenotazione s JOIN Reservations r ON "
          u"s.NVoucher = substr(r.NPren, 1, 20) JOIN Camere_Prenotazione c ON c.NumeroPrenotazione = "
          u"s.NumeroPrenotazione WHERE r.Registrata = 1 AND (r.Status <> 'Cancelled' OR s.TipoPrenotazione <> 'A') AND "
          u"(c.DataArrivo <> r.DataFrom OR c.DataPartenza <> "
          u"r.DataTo) UNION ALL SELECT s.NumeroPrenotazione, a.DataInizio FROM Scheda_Prenotazione s JOIN "
          u"Reservations r ON s.NVoucher = substr(r.NPren, 1, 20) JOIN Arrangiamento a ON a.CodiceCliente = "
          u"s.NumeroPrenotazione WHERE r.Registrata = 1 AND (r.Status <> 'Cancelled' OR s.TipoPrenotazione <> 'A') AND "
          u"(a.DataInizio < r.DataFrom OR a.DataInizio >= r.DataTo "
          u"OR substr(a.NumeroCamera, 1, 1) <> '*') UNION ALL "
          u"SELECT NumeroPrenotazione, 'lista' FROM ListaClienti_Prenotazione WHERE NumeroPrenotazione IN (SELECT "
          u"NumeroPrenotazione FROM Scheda_Prenotazione WHERE IdUser = 'WEB') UNION ALL SELECT NumeroPrenotazione, "
          u"'allot' FROM RifAllot_Prenotazione WHERE NumeroPrenotazione IN (SELECT NumeroPrenotazione FROM "
          u"Scheda_Prenotazione WHERE IdUser = 'WEB')"_s,
          "a booking number shared by two bookings");
    vuoti(u"SELECT r.NPren FROM Reservations r JOIN Scheda_Prenotazione s ON s.NVoucher = substr(r.NPren, 1, 20) "
          u"WHERE r.Status = 'Cancelled' AND r.Registrata = 1 AND s.TipoPrenotazione <> 'A'"_s,
          "a cancelled web reservation whose booking is live");

    // Every occupation of a room on a night: booked rows, guests in house, rooms out of service.
    QSet<QString> notti;            // room|yyyymmdd
    QHash<QString, int> contate;    // type + yyyymmdd, for the types QV counts: rooms taken
    QHash<QString, int> confermate; // the same, of confirmed bookings
    const QStringList tipi = leggi(dir, u"SELECT Sigla FROM TipiCamere"_s);
    const auto occupa = [&](const QString& camera, const QString& dal, const QString& al, const QString& chi) {
        for (QDate d = TextDate::fromYmd(dal); d.isValid() && d < TextDate::fromYmd(al); d = d.addDays(1)) {
            const QString chiave = stanza(camera) + u'|' + TextDate::toYmd(d);
            EXPECT_FALSE(notti.contains(chiave))
                << chiave.toStdString() << " taken twice, again by " << chi.toStdString();
            notti.insert(chiave);
        }
    };
    for (const QString& riga :
         leggi(dir,
               u"SELECT NumeroCamera, DataArrivo, DataPartenza, NumeroPrenotazione, TipoCamera, TipoPrenotazione "
               u"FROM Camere_Prenotazione WHERE NumeroPersone > 0 AND TipoPrenotazione IN ('C','D','O','R','T')"_s)) {
        const QStringList v = riga.split(u'|');
        if (v[3].toInt() > contateDa && tipi.contains(v[4].trimmed()))
            for (QDate d = TextDate::fromYmd(v[1]); d < TextDate::fromYmd(v[2]); d = d.addDays(1)) {
                ++contate[v[4] + TextDate::toYmd(d)];
                confermate[v[4] + TextDate::toYmd(d)] += v[5] == u"C" ? 1 : 0;
            }
        if (!v[0].trimmed().isEmpty())
            occupa(v[0], v[1], v[2], u"booking "_s + v[3]);
    }
    const auto righe = [&](const QString& file, const QString& sql) {
        Database db(dir, file);
        QSqlQuery q = db.query();
        db.exec(q, sql, {});
        QList<QStringList> out;
        while (q.next())
            out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
        return out;
    };
    for (const QStringList& v : righe(u"Scheda_Cliente.mdb"_s, u"SELECT NumeroCamera, DataArrivo, DataPartenza FROM "
                                                               u"Scheda_Cliente WHERE Partito <> 'S'"_s))
        occupa(v[0], v[1], v[2], u"a guest"_s);
    for (const QStringList& v :
         righe(u"Generico.mdb"_s, u"SELECT NumeroCamera, DataInizio, DataFine FROM Camere_Inagibili"_s))
        occupa(v[0], v[1], TextDate::toYmd(TextDate::fromYmd(v[2]).addDays(1)), u"out of service"_s);

    // The counters of every type and day equal a recount of the counted bookings' rooms.
    for (const QString& riga : leggi(dir, u"SELECT AMT, Libere, Confermate, (SELECT Quantita FROM TipiCamere WHERE "
                                          u"Sigla = substr(AMT, 7)) FROM \"DisponibilitàTipi\""_s)) {
        const QStringList v = riga.split(u'|');
        const QDate mese(v[0].left(4).toInt(), v[0].mid(4, 2).toInt(), 1);
        for (int giorno = 1; giorno <= mese.daysInMonth(); ++giorno) {
            const int n = contate.take(v[0].mid(6) + TextDate::toYmd(mese.addDays(giorno - 1)));
            EXPECT_EQ(DaySlots::leadingNumber(DaySlots::slot(v[1], giorno, 5)), v[3].toInt() - n)
                << v[0].toStdString() << " day " << giorno;
            EXPECT_EQ(DaySlots::leadingNumber(DaySlots::slot(v[2], giorno, 5)),
                      confermate.value(v[0].mid(6) + TextDate::toYmd(mese.addDays(giorno - 1))))
                << v[0].toStdString();
        }
    }
    EXPECT_TRUE(contate.isEmpty()) << "nights booked but never counted: " << contate.keys().join(u' ').toStdString();
}

} // namespace HotelSupport
