// Reservations and catalogues in shapes the service may well send but the other tests do not: attributes in
// another order or with the standard OTA name, CDATA texts, grouped amounts, long identifiers, elements that
// lack an attribute, and a modification that arrives together with the reservation it changes.

#include "ImportAnswers.h"
#include "ImportFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ImportAnswers;
using namespace ImportSupport;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using Answer = OperatorPort::Answer;

using ImportEdgeCases = SimImportTest;

TEST_F(ImportEdgeCases, RoomCountWrittenAsNumberOfUnitsFillsTheSlot)
{
    // OTA's RoomType carries NumberOfUnits; the attribute is looked for as plain text, so it is read too.
    Reservation r = basic(u"SB100"_s);
    r.stays[0].units = u"2"_s;
    sim.addReservation(replaced(fragment(r), u"NumberOfUnit="_s, u"NumberOfUnits="_s));
    run();

    const QVariantMap v = row(u"SB100"_s);
    EXPECT_EQ(v[u"Room1_Q"_s].toInt(), 2);
    EXPECT_EQ(v[u"Room1_S"_s].toString(), u"DBL"_s);
    EXPECT_DOUBLE_EQ(v[u"Room1_P"_s].toDouble(), 100.0);
}

TEST_F(ImportEdgeCases, RoomTypeWithItsCodeAfterAnotherAttributeStillGivesNightlyPrices)
{
    const Reservation r = basic(u"SB101"_s);
    sim.addReservation(replaced(fragment(r), u"<RoomType RoomTypeCode=\"DBL\" NumberOfUnit=\"1\"/>"_s,
                                u"<RoomType NumberOfUnit=\"1\" RoomTypeCode=\"DBL\"/>"_s));
    run();

    EXPECT_EQ(row(u"SB101"_s)[u"Room1_Q"_s].toInt(), 1);
    EXPECT_EQ(prices(u"SB101"_s).byDay,
              (QMap<QString, QString>{{u"DBL|20260810"_s, u"100,00"_s}, {u"DBL|20260811"_s, u"100,00"_s}}));
}

TEST_F(ImportEdgeCases, AmountWithAThousandsCommaIsNotStoredAsZero)
{
    Reservation r = basic(u"SB102"_s);
    r.globalTotal = u"1,234.50"_s;
    sim.addReservation(fragment(r));
    run();

    EXPECT_EQ(row(u"SB102"_s)[u"Amount"_s].toString(), u"1.234,50"_s);
}

TEST_F(ImportEdgeCases, NamesAndCommentsInCDataAreStoredAsTheirText)
{
    Reservation r = basic(u"SB103"_s);
    r.givenName = u"<![CDATA[Maria]]>"_s;
    r.surname = u"<![CDATA[Dell'Acqua]]>"_s;
    r.guestComment = u"<![CDATA[Arrivo &amp; partenza]]>"_s;
    sim.addReservation(fragment(r));
    run();

    const QVariantMap v = row(u"SB103"_s);
    EXPECT_EQ(v[u"FirstName"_s].toString(), u"Maria"_s);
    EXPECT_EQ(v[u"LastName"_s].toString(), u"Dell'Acqua"_s);
    // Inside CDATA "&amp;" is text, not a reference.
    EXPECT_THAT(v[u"Notes"_s].toString().toStdString(), HasSubstr("Arrivo &amp; partenza"));
    EXPECT_THAT(v[u"Notes"_s].toString().toStdString(), Not(HasSubstr("CDATA")));
}

TEST_F(ImportEdgeCases, ModificationArrivingWithItsReservationDoesNotLoseIt)
{
    // The service still holds both versions: the reservation, then its modification, in one answer.
    sim.addReservation(fragment(basic(u"SB104"_s)));
    Reservation changed = basic(u"SB104"_s, QDate(2026, 8, 20), 3);
    changed.status = u"Modify"_s;
    sim.addReservation(fragment(changed));
    w.op.answer(Answer::Yes);
    run();

    // Not yet registered in QV: marking it handled would drop it from the review for good. It waits
    // with the new stay and as a new reservation, not as a change of one never received.
    const QVariantMap v = row(u"SB104"_s);
    EXPECT_EQ(v[u"Registrata"_s].toInt(), 0);
    EXPECT_EQ(v[u"DataFrom"_s].toString(), u"20260820"_s);
    EXPECT_EQ(v[u"Status"_s].toString(), u"Reserved"_s);
}

TEST_F(ImportEdgeCases, NightlyPricesAndAmountsAreItalianTextsWithGroupingAndTwoDecimals)
{
    Reservation r = basic(u"SB105"_s);
    r.globalTotal = u"-10.00"_s;
    r.stays = {stay(u"DBL"_s, QDate(2026, 8, 10), 1, u"1234.50"_s), stay(u"SGL"_s, QDate(2026, 8, 10), 1, u"95.5"_s)};
    r.stays[0].total = u"1234.5"_s;
    sim.addReservation(fragment(r));
    run();

    const QVariantMap v = row(u"SB105"_s);
    EXPECT_EQ(v[u"Amount"_s].toString(), u"-10,00"_s);
    EXPECT_EQ(v[u"Orig_Amount"_s].toString(), u"1.234,50"_s);
    EXPECT_DOUBLE_EQ(v[u"Room1_P"_s].toDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(v[u"Room2_P"_s].toDouble(), 95.5);
    EXPECT_EQ(prices(u"SB105"_s).byDay,
              (QMap<QString, QString>{{u"DBL|20260810"_s, u"1.234,50"_s}, {u"SGL|20260810"_s, u"95,50"_s}}));
}

TEST_F(ImportEdgeCases, IdentifierLongerThanTheFieldIsRefusedNeverCutIntoAnotherOnesKey)
{
    // Two identifiers that differ only after the 50 characters NPren keeps.
    const QString id = QString(55, u'A') + u"12345"_s;
    const QString other = QString(55, u'A') + u"67890"_s;
    sim.addReservation(fragment(basic(id)));
    sim.addReservation(fragment(basic(other)));
    run();

    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 0);
    EXPECT_EQ(countRows(w.dir(), u"ReservationsPrice"_s), 0);
    EXPECT_THAT(sim.confirmedIds(), ::testing::IsEmpty());
    ASSERT_EQ(w.op.messageTexts().size(), 2);
    EXPECT_THAT(w.op.messageTexts().first().toStdString(), ::testing::HasSubstr("più lungo di 50 caratteri"));
}

// Catalogue downloads over answers the service could send.
class CatalogueEdgeCases : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.bootstrap();
        useSimulator(w.ctx, sim.baseUrl(), sim.reservationsUrl());
        w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                 {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, u"1234"_s}, {u"DesHotel"_s, u"Hotel"_s}});
    }

    // "code/description/level-or-mapping" of every row of the table, in code order.
    QStringList rows(const QString& table, const QString& idField, const QString& desField) const
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Select * From "_s + table + u" Order by "_s + idField);
        QStringList out;
        for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s))
            out.append(rs.Field(idField).toString() + u'/' + rs.Field(desField).toString());
        return out;
    }

    WorkDir w;
    SimServer sim;
};

QString roomList(const QString& roomTypes)
{
    return uR"(<?xml version="1.0" encoding="UTF-8"?><OTA_HotelRoomListRS Version="1.000"><Success/>)"
           uR"(<HotelRoomLists><HotelRoomList HotelCode="1234"><RoomTypes>)"_s +
           roomTypes + u"</RoomTypes></HotelRoomList></HotelRoomLists></OTA_HotelRoomListRS>"_s;
}

QString ratePlans(const QString& mealPlans)
{
    return uR"(<?xml version="1.0" encoding="UTF-8"?><OTA_HotelRatePlanRS Version="1.000"><Success/>)"
           uR"(<RatePlans HotelCode="1234"><MealPlans>)"_s +
           mealPlans + u"</MealPlans></RatePlans></OTA_HotelRatePlanRS>"_s;
}

TEST_F(CatalogueEdgeCases, RoomTypeWithoutCodeNeitherTakesNorLendsAnotherOnesValues)
{
    sim.setRawAnswer(QString::fromUtf16(ServiceClient::RoomListPath),
                     roomList(u"<RoomType Name=\"Senza codice\"/><RoomType RoomTypeCode=\"SGL\"/>"
                              u"<RoomType RoomTypeCode=\"DBL\" Name=\"Doppia\"/>"_s));
    ServiceClient(w.ctx).ScaricaRoomList();

    // The element without a code gives a row with an empty code, the one without a name an empty name.
    EXPECT_EQ(rows(u"Rooms"_s, u"RoomsId"_s, u"DesRooms"_s),
              (QStringList{u"/Senza codice"_s, u"DBL/Doppia"_s, u"SGL/"_s}));
}

TEST_F(CatalogueEdgeCases, MealPlanWithoutCDataDoesNotTakeTheNextPlansDescription)
{
    sim.setRawAnswer(QString::fromUtf16(ServiceClient::RateListPath),
                     ratePlans(u"<MealPlan MealPlanCode=\"RO\"><Text>Solo pernottamento</Text></MealPlan>"
                               u"<MealPlan MealPlanCode=\"HB\"><Text><![CDATA[Mezza pensione]]></Text></MealPlan>"_s));
    ServiceClient(w.ctx).ScaricaRatePlan();

    const QStringList stored = rows(u"Rates"_s, u"RatesId"_s, u"DesRates"_s);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[1], u"RO/Solo pernottamento"_s);
}

TEST_F(CatalogueEdgeCases, OnlyUnknownRoomTypesAreAddedAndAnEmptyCodeOnlyOnce)
{
    w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
             {{u"NumeroHotel"_s, 1},
              {u"HotelId"_s, u"1234"_s},
              {u"RoomsId"_s, u"SGL"_s},
              {u"RoomsLevel"_s, 2},
              {u"DesRooms"_s, u"tenuta"_s},
              {u"QVRooms"_s, u"SIN"_s}});
    sim.setRawAnswer(QString::fromUtf16(ServiceClient::RoomListPath),
                     roomList(u"<RoomType RoomTypeCode=\"DBL\" Name=\"Doppia\"/><RoomType RoomTypeCode=\"SGL\" "
                              u"Name=\"Singola\"/><RoomType RoomTypeCode=\"TRP\" Name=\"Tripla\"/>"
                              u"<RoomType Name=\"Senza\"/>"_s));
    ServiceClient client(w.ctx);
    client.ScaricaRoomList();
    client.ScaricaRoomList();

    EXPECT_EQ(rows(u"Rooms"_s, u"RoomsId"_s, u"DesRooms"_s),
              (QStringList{u"/Senza"_s, u"DBL/Doppia"_s, u"SGL/tenuta"_s, u"TRP/Tripla"_s}));
    EXPECT_EQ(rows(u"Rooms"_s, u"RoomsId"_s, u"QVRooms"_s),
              (QStringList{u"/ "_s, u"DBL/ "_s, u"SGL/SIN"_s, u"TRP/ "_s}));
    EXPECT_EQ(rows(u"Rooms"_s, u"RoomsId"_s, u"RoomsLevel"_s),
              (QStringList{u"/1"_s, u"DBL/1"_s, u"SGL/2"_s, u"TRP/1"_s}));
}

} // namespace
