// Web reservations downloaded from the simulated service through the real transport and stored by the
// importer: new, repeated, modified and cancelled ones, their room slots and nightly prices, and what a
// broken answer or a store error leaves behind.

#include "ImportAnswers.h"
#include "ImportFixture.h"

#include "store/StoreError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace Qt::StringLiterals;
using namespace ImportAnswers;
using namespace ImportSupport;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using Answer = OperatorPort::Answer;

class ReservationImportTest : public SimImportTest
{
protected:
    void add(const Reservation& r) { sim.addReservation(fragment(r)); }
    void setRegistrata(const QString& id, int value)
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Reservations"_s);
        ASSERT_TRUE(rs.FindFirst(u"NPren = ?"_s, {id}));
        rs.Edit();
        rs.setField(u"Registrata"_s, value);
        rs.Update();
    }
    QStringList shown() const { return w.op.messageTexts(); }
};

// The confirmations of a group go over several connections at once: the service gets them in any order.
QStringList inOrdine(QStringList ids)
{
    ids.sort();
    return ids;
}

QStringList sorted(const QSet<QString>& set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

TEST_F(ReservationImportTest, NewReservationStoresEveryValueDecodedAndItsPrices)
{
    Reservation r;
    r.id = u"SB1001"_s;
    r.resDate = u"2026-05-04T10:11:12"_s;
    r.surname = u"D&#39;Angelo"_s;
    r.givenName = u"Maria &amp; Pia"_s;
    r.city = u"Forl&#236;"_s;
    r.zip = u"501001"_s;
    r.phones = {u""_s, u"+39 333 1234567"_s}; // the first is blank: the second is taken
    r.guestComment = u"Arrivo &lt;tardi&gt;"_s;
    r.internalComment = std::nullopt;
    r.company = u"Rossi &amp; Figli"_s;
    r.globalTotal = u"1234.50"_s;
    r.stays = {stay(u"DBL"_s, QDate(2026, 8, 10), 2, u"120"_s)};
    r.stays[0].total = u"95.5"_s;
    r.stays[0].guestCounts = {2, 1};
    add(r);
    run();

    const QVariantMap v = row(u"SB1001"_s);
    ASSERT_FALSE(v.isEmpty());
    EXPECT_EQ(v[u"NumeroHotel"_s].toInt(), 1);
    EXPECT_EQ(v[u"Language"_s].toInt(), 1);
    EXPECT_EQ(v[u"Opportunities"_s].toInt(), 0);
    EXPECT_EQ(v[u"Amount"_s].toString(), u"1.234,50"_s);
    EXPECT_EQ(v[u"Orig_Amount"_s].toString(), u"95,50"_s); // a decimal amount, not digits / 100
    EXPECT_EQ(v[u"Amount_Reason"_s].toString(), u" "_s);
    EXPECT_EQ(v[u"RDate"_s].toString(), u"20260504"_s);
    EXPECT_EQ(v[u"DataFrom"_s].toString(), u"20260810"_s);
    EXPECT_EQ(v[u"DataTo"_s].toString(), u"20260812"_s);
    EXPECT_EQ(v[u"LastName"_s].toString(), u"D'Angelo"_s);
    EXPECT_EQ(v[u"FirstName"_s].toString(), u"Maria & Pia"_s);
    EXPECT_EQ(v[u"City"_s].toString(), u"Forlì"_s);
    EXPECT_EQ(v[u"zipCode"_s].toString(), u"50100"_s);
    EXPECT_EQ(v[u"Country"_s].toString(), u"IT"_s);
    EXPECT_EQ(v[u"Phone"_s].toString(), u"+39 333 1234567"_s);
    EXPECT_EQ(v[u"EMail"_s].toString(), u"mario.rossi@example.it"_s);
    EXPECT_EQ(v[u"Notes"_s].toString(), u">Arrivo <tardi>---\r\n "_s);
    EXPECT_EQ(v[u"Agency"_s].toString(), u"Rossi & Figli"_s);
    EXPECT_EQ(v[u"Status"_s].toString(), u"Reserved"_s);
    EXPECT_EQ(v[u"Status_Reason"_s].toString(), u" "_s);
    EXPECT_EQ(v[u"Registrata"_s].toInt(), 0);

    EXPECT_EQ(v[u"Room1"_s].toString(), u"DBL"_s);
    EXPECT_EQ(v[u"Room1_Q"_s].toInt(), 1);
    EXPECT_EQ(v[u"Room1_S"_s].toString(), u"DBL"_s);
    EXPECT_EQ(v[u"Room1_D"_s].toString(), u"Camera doppia"_s);
    EXPECT_DOUBLE_EQ(v[u"Room1_P"_s].toDouble(), 120.0);
    EXPECT_DOUBLE_EQ(v[u"Room1_QP"_s].toDouble(), 3.0);
    EXPECT_EQ(v[u"Room1_A"_s].toString(), u"BB"_s);
    for (int k = 2; k <= 10; ++k) {
        const QString room = u"Room"_s + QString::number(k);
        EXPECT_EQ(v[room].toString(), u" "_s) << room.toStdString();
        EXPECT_EQ(v[room + u"_Q"_s].toInt(), 0);
        EXPECT_EQ(v[room + u"_S"_s].toString(), u" "_s);
        EXPECT_EQ(v[room + u"_D"_s].toString(), u" "_s);
        EXPECT_EQ(v[room + u"_A"_s].toString(), u" "_s);
        EXPECT_DOUBLE_EQ(v[room + u"_P"_s].toDouble(), 0.0);
    }

    const PriceRows p = prices(u"SB1001"_s);
    EXPECT_EQ(p.byDay, (QMap<QString, QString>{{u"DBL|20260810"_s, u"120,00"_s}, {u"DBL|20260811"_s, u"120,00"_s}}));
    EXPECT_EQ(sim.confirmedIds(), QStringList{u"SB1001"_s});
    EXPECT_THAT(shown(), IsEmpty());
}

TEST_F(ReservationImportTest, RepeatedReservationIsRewrittenAndKeepsItsRegistrata)
{
    Reservation waiting = basic(u"SB2"_s);
    waiting.stays.append(stay(u"SGL"_s, QDate(2026, 8, 10), 2, u"80.00"_s));
    add(waiting);
    add(basic(u"SB3"_s));
    run();
    setRegistrata(u"SB3"_s, 1); // registered in QV meanwhile; SB2 still waits for the review

    add(basic(u"SB1"_s));
    Reservation again = basic(u"SB2"_s); // one room stay now, and another surname
    again.surname = u"Verdi"_s;
    again.status = u" "_s;
    add(again);
    Reservation registered = basic(u"SB3"_s);
    registered.status = u"Confirmed"_s; // any other status: rewritten, Registrata as it was
    add(registered);
    run();

    EXPECT_EQ(row(u"SB1"_s)[u"Registrata"_s].toInt(), 0);
    const QVariantMap sb2 = row(u"SB2"_s);
    EXPECT_EQ(sb2[u"Registrata"_s].toInt(), 0); // not marked handled unseen
    EXPECT_EQ(sb2[u"LastName"_s].toString(), u"Verdi"_s);
    EXPECT_TRUE(sb2[u"Status"_s].toString().trimmed().isEmpty());
    EXPECT_EQ(sb2[u"Room2"_s].toString(), u" "_s);
    // The room stay it no longer has counts nowhere: its slot and its nights are gone.
    EXPECT_EQ(sb2[u"Room2_S"_s].toString(), u" "_s);
    EXPECT_DOUBLE_EQ(sb2[u"Room2_P"_s].toDouble(), 0.0);
    EXPECT_EQ(prices(u"SB2"_s).count, 2);
    const QVariantMap sb3 = row(u"SB3"_s);
    EXPECT_EQ(sb3[u"Registrata"_s].toInt(), 1);
    EXPECT_EQ(sb3[u"Status"_s].toString(), u"Confirmed"_s);
    EXPECT_EQ(reservationRows(w.dir(), u"SB2"_s).size(), 1);

    EXPECT_EQ(journalConfirmations(sim), QStringList({u"SB2"_s, u"SB3"_s, u"SB1"_s, u"SB2"_s, u"SB3"_s}));
    EXPECT_THAT(sim.pendingNew(), IsEmpty());
}

TEST_F(ReservationImportTest, AChangedDeliveryOfAReservationInQvIsStoredWholeAndWaitsToBeApplied)
{
    for (const QString& id : {u"SB5"_s, u"SB6"_s, u"SB7"_s})
        add(basic(id));
    run();
    for (const QString& id : {u"SB5"_s, u"SB6"_s, u"SB7"_s})
        setRegistrata(id, 1); // registered in QV by the review
    const QVariantMap before7 = row(u"SB7"_s);

    // SB5 says "Modify", SB6 comes again as "Reserved" with another stay: both are changes. SB7 is a
    // repeat. No question holds the download.
    Reservation changed5 = basic(u"SB5"_s, QDate(2026, 10, 1), 5);
    changed5.status = u"Modify"_s;
    changed5.surname = u"Neri"_s;
    Reservation changed6 = basic(u"SB6"_s, QDate(2026, 8, 11), 2);
    changed6.stays.append(stay(u"SGL"_s, QDate(2026, 8, 11), 2, u"80.00"_s));
    for (const Reservation& r : {changed5, changed6, basic(u"SB7"_s)})
        add(r);
    run();
    EXPECT_THAT(shown(), IsEmpty());

    const QVariantMap v5 = row(u"SB5"_s);
    EXPECT_EQ(v5[u"Registrata"_s].toInt(), 0);
    EXPECT_EQ(v5[u"Status"_s].toString(), u"Modify"_s);
    EXPECT_EQ(v5[u"DataFrom"_s].toString(), u"20261001"_s);
    EXPECT_EQ(v5[u"LastName"_s].toString(), u"Neri"_s);
    EXPECT_EQ(prices(u"SB5"_s).byDay.firstKey(), u"DBL|20261001"_s); // the old nights are gone
    EXPECT_EQ(prices(u"SB5"_s).count, 5);
    EXPECT_EQ(row(u"SB6"_s)[u"Registrata"_s].toInt(), 0);
    EXPECT_EQ(row(u"SB6"_s)[u"Room2_S"_s].toString(), u"SGL"_s);
    EXPECT_EQ(row(u"SB7"_s), before7);

    // The history keeps the versions replaced; the old side is what QV holds.
    const auto storico = [&] {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        db.exec(q, u"SELECT NPren, Status, Modifiche FROM StoricoPrenotazioni ORDER BY rowid"_s, {});
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + u'|' + q.value(1).toString() + u'|' + q.value(2).toString();
        return out;
    };
    const QStringList righe = storico();
    ASSERT_EQ(righe.size(), 2);
    EXPECT_THAT(righe[0].toStdString(), ::testing::StartsWith("SB5|Modify|dal 10/08/2026 al 12/08/2026 -> dal "
                                                              "01/10/2026 al 06/10/2026, DBL 1 -> DBL 1"));
    EXPECT_THAT(righe[0].toStdString(), ::testing::HasSubstr("nome Rossi Mario -> Neri Mario"));
    EXPECT_THAT(righe[1].toStdString(), ::testing::HasSubstr("DBL 1 -> DBL 1, SGL 1"));
    EXPECT_THAT(w.op.answers.join(u'\n').toStdString(), ::testing::HasSubstr("sarà applicata alla prenotazione di QV"));

    // The same change delivered again is a repeat; a second one keeps QV's version as its old side.
    add(changed5);
    changed6.stays.removeLast();
    add(changed6);
    run();
    const QStringList poi = storico();
    ASSERT_EQ(poi.size(), 3);
    EXPECT_THAT(poi[2].toStdString(), ::testing::HasSubstr("SB6|Reserved|dal 10/08/2026 al 12/08/2026 -> dal "
                                                           "11/08/2026 al 13/08/2026, DBL 1 -> DBL 1"));
    EXPECT_EQ(sim.confirmedIds().size(), 8); // every delivery is confirmed once
}

TEST_F(ReservationImportTest, ModifyOfAnUnknownReservationWaitsForTheReviewAndIsTold)
{
    Reservation r = basic(u"SB7"_s);
    r.status = u"Modify"_s;
    add(r);
    run();

    const QVariantMap v = row(u"SB7"_s);
    EXPECT_EQ(v[u"Registrata"_s].toInt(), 0);
    EXPECT_EQ(v[u"Status"_s].toString(), u"Modify"_s);
    EXPECT_EQ(prices(u"SB7"_s).count, 2);
    EXPECT_THAT(shown(), IsEmpty()); // no box: a notice below the answer
    EXPECT_THAT(w.op.answers.last().toStdString(), ::testing::HasSubstr("modifica di una prenotazione mai ricevuta"));
    EXPECT_EQ(sim.confirmedIds(), QStringList{u"SB7"_s});
}

TEST_F(ReservationImportTest, EachRoomStayFillsItsOwnSlotAndCountsOnlyItsOwnGuests)
{
    Reservation r = basic(u"SB8"_s);
    r.stays[0].guestCounts = {2, 1};
    r.stays[0].units = u"2"_s;
    r.stays.append(stay(u"XXX"_s, QDate(2026, 8, 10), 2, u"300.00"_s)); // a type Rooms lacks
    r.stays[1].guestCounts = {3};
    r.stays.append(stay(u"SGL"_s, QDate(2026, 8, 11), 1, u"55.50"_s));
    r.stays[2].guestCounts = {1};
    r.stays[2].meal = u"HB"_s;
    add(r);
    run();

    const QVariantMap v = row(u"SB8"_s);
    EXPECT_EQ(v[u"Room1"_s].toString(), u"DBL"_s);
    EXPECT_EQ(v[u"Room2"_s].toString(), u"XXX"_s);
    EXPECT_EQ(v[u"Room3"_s].toString(), u"SGL"_s);
    EXPECT_EQ(v[u"Room4"_s].toString(), u" "_s);
    EXPECT_EQ(v[u"Room1_Q"_s].toInt(), 2);
    EXPECT_DOUBLE_EQ(v[u"Room1_QP"_s].toDouble(), 3.0);  // 2 + 1, not the next room stay's 3
    EXPECT_DOUBLE_EQ(v[u"Room1_T"_s].toDouble(), 200.0); // the stay's own Total
    // A type Rooms lacks keeps its slot and names it with its code.
    EXPECT_EQ(v[u"Room2_S"_s].toString() + v[u"Room2_D"_s].toString(), u"XXXXXX"_s);
    EXPECT_DOUBLE_EQ(v[u"Room2_QP"_s].toDouble(), 3.0);
    EXPECT_EQ(v[u"Room3_S"_s].toString(), u"SGL"_s);
    EXPECT_EQ(v[u"Room3_D"_s].toString(), u"Camera singola"_s);
    EXPECT_DOUBLE_EQ(v[u"Room3_P"_s].toDouble(), 55.5);
    EXPECT_DOUBLE_EQ(v[u"Room3_QP"_s].toDouble(), 1.0);
    EXPECT_EQ(v[u"Room3_A"_s].toString(), u"HB"_s);
    EXPECT_EQ(v[u"Room4_Q"_s].toInt(), 0);
    EXPECT_EQ(v[u"Room4_S"_s].toString(), u" "_s);

    // The unknown type still has its prices.
    const PriceRows p = prices(u"SB8"_s);
    EXPECT_EQ(p.byDay.value(u"XXX|20260810"_s), u"300,00"_s);
    EXPECT_EQ(p.byDay.value(u"SGL|20260811"_s), u"55,50"_s);
    EXPECT_EQ(p.count, 5);
}

TEST_F(ReservationImportTest, RatesWithMissingOrBadDatesAndAmounts)
{
    Reservation r = basic(u"SB9"_s);
    // Room stay 1: a rate without ExpireDate runs to the departure day, included.
    r.stays[0].rates = {{u"2026-08-10"_s, std::nullopt, u"100.00"_s}};
    RoomStay second = stay(u"SGL"_s, QDate(2026, 8, 10), 2);
    second.rates = {
        {u"2026-08-10"_s, std::nullopt, u"70.00"_s},      // room stay 2 without ExpireDate: no days
        {u"2026-08-11"_s, u"2026-08-11"_s, std::nullopt}, // a day without an amount: Price 0
        {u"2026-08-11"_s, u"2026-08-11"_s, u"70.00"_s},   // the same day again: the first one stays
        {u"2026-02-30"_s, u"2026-03-02"_s, u"10.00"_s},   // no such date: the rate is skipped
        {u"domani"_s, u"2026-08-20"_s, u"10.00"_s},
        {u"2015-12-30"_s, u"2016-01-02"_s, u"5.00"_s}, // days up to 1 January 2016 are not kept
        {u"2026-08-01"_s, u"9999-08-01"_s, u"1.00"_s}, // a year mistyped: no rate runs that long
    };
    r.stays.append(second);
    RoomStay third = stay(u"TRP"_s, QDate(2026, 8, 12), 1);
    third.rates.clear(); // no rate at all: room stay 3 gives no days
    r.stays.append(third);
    add(r);
    run();

    EXPECT_EQ(prices(u"SB9"_s).byDay, (QMap<QString, QString>{
                                          {u"DBL|20260810"_s, u"100,00"_s},
                                          {u"DBL|20260811"_s, u"100,00"_s},
                                          {u"DBL|20260812"_s, u"100,00"_s},
                                          {u"SGL|20160102"_s, u"5,00"_s},
                                          {u"SGL|20260811"_s, u"0"_s},
                                      }));
    EXPECT_EQ(prices(u"SB9"_s).count, 5);
    EXPECT_EQ(sim.confirmedIds(), QStringList{u"SB9"_s});
}

TEST_F(ReservationImportTest, EachReservationTakesPricesFromItsOwnRates)
{
    add(basic(u"SB10"_s));
    Reservation other = basic(u"SB11"_s);
    other.stays = {stay(u"DBL"_s, QDate(2026, 8, 10), 3, u"150.00"_s)};
    add(other);
    run();

    EXPECT_EQ(prices(u"SB10"_s).byDay,
              (QMap<QString, QString>{{u"DBL|20260810"_s, u"100,00"_s}, {u"DBL|20260811"_s, u"100,00"_s}}));
    EXPECT_EQ(prices(u"SB11"_s).byDay, (QMap<QString, QString>{{u"DBL|20260810"_s, u"150,00"_s},
                                                               {u"DBL|20260811"_s, u"150,00"_s},
                                                               {u"DBL|20260812"_s, u"150,00"_s}}));
    EXPECT_DOUBLE_EQ(row(u"SB11"_s)[u"Room1_P"_s].toDouble(), 150.0);
}

TEST_F(ReservationImportTest, SecondDownloadOfTheSameReservationChangesNothing)
{
    Reservation r = basic(u"SB12"_s);
    r.stays.append(stay(u"SGL"_s, QDate(2026, 8, 11), 3));
    add(r);
    run();
    const QVariantMap before = row(u"SB12"_s);
    const PriceRows pricesBefore = prices(u"SB12"_s);
    const int allPrices = countRows(w.dir(), u"ReservationsPrice"_s);

    add(r);
    run();

    EXPECT_EQ(row(u"SB12"_s), before);
    EXPECT_EQ(prices(u"SB12"_s).byDay, pricesBefore.byDay);
    EXPECT_EQ(countRows(w.dir(), u"ReservationsPrice"_s), allPrices);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 1);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB12"_s, u"SB12"_s}));
}

TEST_F(ReservationImportTest, CancellationMarksAKnownReservationAndIgnoresAnUnknownOne)
{
    add(basic(u"SB20"_s));
    run();
    setRegistrata(u"SB20"_s, 1);
    const QVariantMap before = row(u"SB20"_s);

    sim.addCancellation(cancellation(u"SB20"_s));
    sim.addCancellation(cancellation(u"SB999"_s));
    run();

    QVariantMap after = row(u"SB20"_s);
    EXPECT_EQ(after[u"Registrata"_s].toInt(), 0);
    EXPECT_EQ(after[u"Status"_s].toString(), u"Cancelled"_s);
    after[u"Registrata"_s] = before[u"Registrata"_s];
    after[u"Status"_s] = before[u"Status"_s];
    EXPECT_EQ(after, before);
    EXPECT_TRUE(reservationRows(w.dir(), u"SB999"_s).isEmpty());
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB20"_s, u"SB20"_s}));
    EXPECT_EQ(sim.pendingCanc(), QStringList{u"SB999"_s}); // never confirmed, so sent again

    sim.addCancellation(cancellation(u"SB20"_s)); // the same cancellation twice
    run();
    EXPECT_EQ(row(u"SB20"_s)[u"Status"_s].toString(), u"Cancelled"_s);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB20"_s, u"SB20"_s, u"SB20"_s}));
    EXPECT_THAT(shown(), IsEmpty());
}

TEST_F(ReservationImportTest, AnswerWithoutReservationsOrAnErrorTextIsReportedAndStoresNothing)
{
    run(); // nothing pending: the service's empty list is no error
    EXPECT_THAT(w.op.messages, IsEmpty());

    // An answer the service sends for an error lists no reservation either: that is reported.
    sim.setRawAnswer(u"/reservations"_s, u"<OTA_HotelResNotifRS><Errors><Error Code=\"1\">x</Error></Errors>"
                                         u"</OTA_HotelResNotifRS>"_s);
    run();
    sim.clearRawAnswer();
    ASSERT_EQ(w.op.messages.size(), 2);
    for (const auto& [shownMessage, text] :
         {std::pair(w.op.messages[0].message, u"Ricezione prenotazione errata: errore segnalato dal servizio: x"_s),
          std::pair(w.op.messages[1].message, u"Ricezione cancellazione errata: errore segnalato dal servizio: x"_s)}) {
        EXPECT_EQ(shownMessage.text, text);
        EXPECT_EQ(shownMessage.title, u"Simple Booking"_s);
        EXPECT_EQ(shownMessage.icon, OperatorPort::Icon::Exclamation);
        EXPECT_EQ(shownMessage.buttons, OperatorPort::Buttons::Ok);
    }

    add(basic(u"SB30"_s));
    sim.addCancellation(cancellation(u"SB30"_s));
    sim.setFault(SimFault::drop().onPath(u"/reservations"_s)); // the transport gives "Error: " texts
    run();
    // The reason is the transport's, as the log has it.
    const QStringList texts = w.op.messageTexts().mid(2);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].startsWith(u"Ricezione prenotazione errata: nessuna risposta dal servizio (Error: "_s))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[1].startsWith(u"Ricezione cancellazione errata: nessuna risposta dal servizio (Error: "_s))
        << texts[1].toStdString();
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 0);
    EXPECT_THAT(sim.confirmedIds(), IsEmpty());
}

TEST_F(ReservationImportTest, TruncatedAnswerStoresOnlyWholeReservations)
{
    QList<Reservation> all;
    for (int i = 0; i < 6; ++i) {
        all.append(generated(i));
        add(all.last());
    }
    sim.setFault(SimFault::truncated().onPath(u"/reservations"_s).times(1));
    run();

    int stored = 0;
    for (const Reservation& r : all) {
        const QList<QVariantMap> rows = reservationRows(w.dir(), *r.id);
        const bool confirmed = sim.confirmedIds().contains(*r.id);
        ASSERT_LE(rows.size(), 1);
        EXPECT_EQ(rows.size() == 1, confirmed) << r.id->toStdString();
        EXPECT_EQ(prices(*r.id).count, rows.isEmpty() ? 0 : int(expectedPriceDays(r).size()));
        stored += int(rows.size());
    }
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, 6);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), stored);
    // The reservation the answer cut in two is named to the operator.
    EXPECT_EQ(shown().filter(u"non è stata registrata né confermata"_s).size(), 1) << shown().join(u'\n').toStdString();

    run(); // the service sends the rest again
    for (const Reservation& r : all) {
        EXPECT_EQ(reservationRows(w.dir(), *r.id).size(), 1);
        EXPECT_EQ(prices(*r.id).byDay.keys(), sorted(expectedPriceDays(r))) << r.id->toStdString();
    }
    EXPECT_EQ(sim.confirmedIds().size(), 6);
    EXPECT_THAT(sim.pendingNew(), IsEmpty());
}

TEST_F(ReservationImportTest, ReservationWithoutItsOwnIdentifierIsSkippedAndNamed)
{
    add(basic(u"SB40"_s));
    Reservation nameless = basic(u"x"_s, QDate(2026, 9, 5), 4);
    nameless.id = std::nullopt;
    nameless.surname = u"Senzanumero"_s;
    add(nameless);
    Reservation last = basic(u"SB42"_s);
    last.company = u"Agenzia Tre"_s; // the one before has none and must not take this
    add(last);
    run();

    EXPECT_EQ(row(u"SB40"_s)[u"Agency"_s].toString(), u" "_s);
    EXPECT_EQ(row(u"SB42"_s)[u"LastName"_s].toString(), u"Rossi"_s);
    EXPECT_EQ(row(u"SB42"_s)[u"DataFrom"_s].toString(), u"20260810"_s);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 2);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB40"_s, u"SB42"_s}));
    EXPECT_EQ(shown(), QStringList{u"La prenotazione (n. 2 della risposta, Senzanumero Mario, dal 05/09/2026 al "
                                   "09/09/2026) non ha un numero di prenotazione: non è stata registrata né "
                                   "confermata e sarà ricevuta di nuovo con il prossimo scarico."_s});
}

TEST_F(ReservationImportTest, StoreErrorSkipsOnlyTheReservationInProgressAndNamesIt)
{
    add(basic(u"SB50"_s));
    add(basic(u"SB51"_s, QDate(2026, 8, 14), 3)); // its price for 15 August will fail
    add(basic(u"SB52"_s));
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        ASSERT_TRUE(q.exec(u"CREATE TRIGGER refuse BEFORE INSERT ON ReservationsPrice WHEN NEW.DayDate = '20260815' "
                           "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"_s));
    }
    EXPECT_NO_THROW(run());

    EXPECT_EQ(row(u"SB50"_s)[u"NPren"_s].toString(), u"SB50"_s);
    EXPECT_TRUE(reservationRows(w.dir(), u"SB51"_s).isEmpty()); // its row went with its prices
    EXPECT_EQ(prices(u"SB51"_s).count, 0);
    EXPECT_EQ(row(u"SB52"_s)[u"NPren"_s].toString(), u"SB52"_s); // the next one goes on
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB50"_s, u"SB52"_s}));
    ASSERT_EQ(shown().size(), 1);
    EXPECT_THAT(shown().first().toStdString(), ::testing::HasSubstr("SB51 (n. 2 della risposta, Rossi Mario"));
    EXPECT_THAT(shown().first().toStdString(), ::testing::HasSubstr("disco pieno"));

    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        ASSERT_TRUE(q.exec(u"DROP TRIGGER refuse"_s));
    }
    run();
    EXPECT_EQ(prices(u"SB51"_s).count, 3);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 3);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB50"_s, u"SB52"_s, u"SB51"_s}));
}

// A large answer, committed in groups: a reservation refused in the middle of a group takes nothing
// of its own with it, nor anything of the others.
TEST_F(ReservationImportTest, ReservationsRefusedInTheMiddleOfAGroupAreTheOnlyOnesLeftOut)
{
    QList<Reservation> all;
    for (int i = 0; i < 150; ++i)
        all.append(generated(i));
    // WB100049's last price cannot be held by its field: its row and its first prices are written by then.
    all[49].stays.last().rates.last().amount = u"1e300"_s;
    for (const Reservation& r : std::as_const(all))
        add(r);
    {
        // WB100120's second price row is refused by the store.
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        ASSERT_TRUE(q.exec(u"CREATE TRIGGER refuse BEFORE INSERT ON ReservationsPrice WHEN NEW.NPren = 'WB100120' "
                           "AND (SELECT count(*) FROM ReservationsPrice WHERE NPren = NEW.NPren) > 0 "
                           "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"_s));
    }
    run();

    QStringList stored;
    qsizetype priceDays = 0;
    for (const Reservation& r : std::as_const(all)) {
        if (*r.id == u"WB100049" || *r.id == u"WB100120")
            continue;
        stored.append(*r.id);
        priceDays += expectedPriceDays(r).size();
    }
    EXPECT_EQ(inOrdine(sim.confirmedIds()), stored);
    EXPECT_EQ(sim.pendingNew(), QStringList({u"WB100049"_s, u"WB100120"_s}));
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), stored.size());
    EXPECT_EQ(countRows(w.dir(), u"ReservationsPrice"_s), priceDays);
    EXPECT_TRUE(reservationRows(w.dir(), u"WB100049"_s).isEmpty());
    EXPECT_TRUE(reservationRows(w.dir(), u"WB100120"_s).isEmpty());
    ASSERT_EQ(shown().size(), 2);
    EXPECT_THAT(shown()[0].toStdString(), HasSubstr("WB100049 (n. 50 della risposta"));
    EXPECT_THAT(shown()[0].toStdString(), HasSubstr("campo Price"));
    EXPECT_THAT(shown()[1].toStdString(), HasSubstr("WB100120 (n. 121 della risposta"));
    EXPECT_THAT(shown()[1].toStdString(), HasSubstr("disco pieno"));
}

TEST_F(ReservationImportTest, StopRequestCommitsAndConfirmsWhatIsStoredAndLeavesTheRestToTheNextDownload)
{
    QStringList ids;
    for (int i = 0; i < 150; ++i) {
        const Reservation r = generated(i);
        ids.append(*r.id);
        add(r);
    }
    // Asked when the 121st begins (the exchanges with the service ask it too).
    w.ctx.avanzamento.setArresto([&] { return w.ctx.avanzamento.corrente() > 120; });
    QStringList progress;
    w.ctx.avanzamento.setMostra([&](const QString& testo, bool) { progress.append(testo); });
    run();

    // The 120 stored; those of the last group are left unconfirmed, and come again as stored ones.
    const qsizetype confermate = sim.confirmedIds().size();
    EXPECT_EQ(inOrdine(sim.confirmedIds()), ids.mid(0, confermate));
    EXPECT_LE(confermate, 120);
    EXPECT_EQ(sim.pendingNew(), ids.mid(confermate));
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 120);
    EXPECT_TRUE(reservationRows(w.dir(), ids[120]).isEmpty());
    EXPECT_THAT(w.op.answers.join(u'\n').toStdString(),
                HasSubstr("Scarico interrotto su richiesta: 120 prenotazioni memorizzate"));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.first(), u"Prenotazioni scaricate 1 di 150"_s);
    EXPECT_EQ(progress.last(), QString()); // the status line is cleared

    w.ctx.avanzamento.setArresto({});
    run();
    EXPECT_EQ(inOrdine(sim.confirmedIds()), ids);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 150);
}

} // namespace
