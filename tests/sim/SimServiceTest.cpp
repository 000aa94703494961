// The simulated service as the bridge sees it: catalogue answers, the pending reservation lists and their
// confirmation, availability notifications and the journal of what arrived.

#include "BridgeLikePost.h"
#include "support/SimServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

QString download(const QString& filterType)
{
    return u"<OTA_HotelResNotifRQ xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns=\"http://www.opentravel.org/OTA/2003/05\" TimeStamp=\"2026-05-04T10:00:00\" Target=\"Production\" "
           "Version=\"2.001\"><TPA_Extensions><provider Name=\"p\" Pwd=\"q\"></provider><XMLHotelAgent Name=\"a\" "
           "Pwd=\"b\"></XMLHotelAgent><Filter HotelCode=\"1234\" Start=\"2026-04-29\" End=\"2026-05-04\" Code=\"\" "
           "FilterType=\"%1\"></Filter></TPA_Extensions></OTA_HotelResNotifRQ>"_s.arg(filterType);
}

QString confirmation(const QString& id)
{
    return u"<OTA_HotelResNotifRS xmlns=\"http://www.opentravel.org/OTA/2003/05\" Version=\"2.001\"> <Success />    "
           "<HotelReservations>       <HotelReservation>          <ResGlobalInfo>             <HotelReservationIDs>"
           "                <HotelReservationID ResID_Value=\"%1\" />             </HotelReservationIDs>          "
           "</ResGlobalInfo>       </HotelReservation>    </HotelReservations></OTA_HotelResNotifRS>"_s.arg(id);
}

QString roomList(const QString& hotel)
{
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><OTA_HotelRoomListRQ xmlns=\"http://www.opentravel.org/OTA/"
           "2003/05\">  <HotelRoomLists>    <HotelRoomList HotelCode=\"%1\"/>  </HotelRoomLists></OTA_HotelRoomListRQ>"_s
               .arg(hotel);
}

QString ratePlans(const QString& hotel)
{
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<OTA_HotelRatePlanRQ>\r\n  <RatePlans>\r\n   <RatePlan>\r\n"
           "    <HotelRef HotelCode=\"%1\"/>\r\n   </RatePlan>\r\n  </RatePlans>\r\n</OTA_HotelRatePlanRQ>\r\n"_s.arg(
               hotel);
}

QString ids(const QString& answer)
{
    QStringList found;
    const QString marker = u"ResID_Value=\""_s;
    for (qsizetype p = answer.indexOf(marker); p >= 0; p = answer.indexOf(marker, p + 1))
        found << answer.mid(p + marker.size(), answer.indexOf(u'"', p + marker.size()) - p - marker.size());
    return found.join(u',');
}

class SimService : public ::testing::Test
{
protected:
    SimServer sim{SimServer::scenario(u"two-hotels"_s)};

    QString post(const QString& path, const QString& xml)
    {
        const Posted answer = postLikeBridge(sim.baseUrl() + path, xml);
        EXPECT_EQ(answer.code, CURLE_OK);
        EXPECT_EQ(answer.status, 200);
        // The bridge cuts an answer at its first "Result>"; no answer may carry one by accident.
        EXPECT_THAT(answer.text().toStdString(), Not(HasSubstr("Result>")));
        return answer.text();
    }
    QString downloadNew() { return post(u"/reservations"_s, download(u"new"_s)); }
    QString downloadCanc() { return post(u"/reservations"_s, download(u"canc"_s)); }
    QString confirm(const QString& id) { return post(u"/xmlservice.asmx/ResRS"_s, confirmation(id)); }
};

TEST_F(SimService, CatalogueAnswersFollowTheHotelCodeOfTheRequest)
{
    const QString rooms = post(u"/xmlservice.asmx/RoomListRQ"_s, roomList(u"1234"_s));
    EXPECT_THAT(rooms.toStdString(),
                HasSubstr("<HotelRoomList HotelCode=\"1234\"><RoomTypes>"
                          "<RoomType RoomTypeCode=\"SGL\" Name=\"Camera singola\"/>"
                          "<RoomType RoomTypeCode=\"DBL\" Name=\"Camera doppia\" MaxOccupancy=\"2\"/>"
                          "<RoomType RoomTypeCode=\"FAM\" "
                          "Name=\"Famiglia &quot;Plus&quot; &amp; bimbi\"/></RoomTypes>"));
    const QString rates = post(u"/xmlservice.asmx/RateListRQ"_s, ratePlans(u"1234"_s));
    EXPECT_THAT(rates.toStdString(), HasSubstr("<MealPlan MealPlanCode=\"RO\"><Text><![CDATA[Solo pernottamento]]>"
                                               "</Text></MealPlan><MealPlan MealPlanCode=\"BB\"><Text><![CDATA[Bed "
                                               "and breakfast]]></Text></MealPlan>"));

    const QString otherRooms = post(u"/xmlservice.asmx/RoomListRQ"_s, roomList(u"5678"_s));
    EXPECT_EQ(otherRooms.count(u"<RoomType "_s), 1);
    EXPECT_THAT(otherRooms.toStdString(), HasSubstr("<RoomType RoomTypeCode=\"DBL\" Name=\"Doppia vista lago\"/>"));
    EXPECT_THAT(post(u"/xmlservice.asmx/RateListRQ"_s, ratePlans(u"5678"_s)).toStdString(),
                HasSubstr("<MealPlan MealPlanCode=\"HB\"><Text><![CDATA[Mezza pensione]]></Text></MealPlan>"));

    const QString unknown = post(u"/xmlservice.asmx/RoomListRQ"_s, roomList(u"9999"_s));
    EXPECT_THAT(unknown.toStdString(), HasSubstr("<Errors>"));
    EXPECT_THAT(unknown.toStdString(), Not(HasSubstr("<RoomType ")));
}

TEST_F(SimService, ReservationsStayPendingUntilConfirmedAndAModificationFollowsItsReservation)
{
    const QString first = downloadNew();
    EXPECT_TRUE(first.startsWith(u"<?xml version=\"1.0\" encoding=\"utf-8\"?><OTA_HotelResNotifRQ "
                                 "xmlns=\"http://www.opentravel.org/OTA/2003/05\" "_s));
    EXPECT_THAT(first.toStdString(), HasSubstr("><HotelReservations><HotelReservation CreateDateTime="));
    EXPECT_TRUE(first.endsWith(u"</HotelReservation></HotelReservations></OTA_HotelResNotifRQ>"_s));
    EXPECT_EQ(ids(first), u"SB1001,SB1002"_s); // the modification waits for the second download
    EXPECT_EQ(sim.pendingNew(), QStringList({u"SB1001"_s, u"SB1002"_s, u"SB1001"_s}));

    EXPECT_THAT(confirm(u"SB1001"_s).toStdString(), HasSubstr("<Success/>"));
    const QString second = downloadNew();
    EXPECT_EQ(ids(second), u"SB1002,SB1001"_s);
    EXPECT_THAT(second.toStdString(), HasSubstr("ResStatus=\"Modify\""));
    EXPECT_EQ(second.count(u"ResStatus=\"Reserved\""_s), 1); // the confirmed original is gone

    confirm(u"SB1001"_s);
    confirm(u"SB1002"_s);
    EXPECT_THAT(sim.pendingNew(), IsEmpty());
    EXPECT_THAT(downloadNew().toStdString(), HasSubstr("<HotelReservations></HotelReservations>"));
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB1001"_s, u"SB1001"_s, u"SB1002"_s}));
    EXPECT_THAT(sim.unknownConfirmations(), IsEmpty());
}

TEST_F(SimService, CancellationsAreServedApartAndConfirmedAfterNewOnes)
{
    const QString canc = downloadCanc();
    EXPECT_EQ(ids(canc), u"SB0999"_s);
    EXPECT_THAT(canc.toStdString(), HasSubstr("<HotelReservation CreateDateTime="));
    EXPECT_THAT(canc.toStdString(), HasSubstr("ResStatus=\"Cancelled\""));

    // An id pending in both lists is taken from the new ones first.
    sim.addCancellation(u"<HotelReservation ResStatus=\"Cancelled\"><HotelReservationID ResID_Value=\"SB1002\"/>"
                        "</HotelReservation>"_s);
    confirm(u"SB1002"_s);
    EXPECT_EQ(sim.pendingNew(), QStringList({u"SB1001"_s, u"SB1001"_s}));
    EXPECT_EQ(sim.pendingCanc(), QStringList({u"SB0999"_s, u"SB1002"_s}));
    confirm(u"SB0999"_s);
    EXPECT_EQ(sim.pendingCanc(), QStringList({u"SB1002"_s}));

    EXPECT_THAT(confirm(u"NOPE"_s).toStdString(), HasSubstr("<Success/>"));
    EXPECT_EQ(sim.unknownConfirmations(), QStringList({u"NOPE"_s}));
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB1002"_s, u"SB0999"_s, u"NOPE"_s}));
}

TEST_F(SimService, MalformedRequestsGetAnErrorDocumentAndChangeNothing)
{
    EXPECT_THAT(
        post(u"/xmlservice.asmx/ResRS"_s, u"<OTA_HotelResNotifRS><Success /></OTA_HotelResNotifRS>"_s).toStdString(),
        HasSubstr("<Errors>"));
    EXPECT_THAT(post(u"/reservations"_s, download(u"NEW"_s)).toStdString(), HasSubstr("<Errors>"));
    EXPECT_THAT(sim.confirmedIds(), IsEmpty());
    EXPECT_EQ(sim.state().value(u"downloads"_s).toObject().value(u"new"_s).toInt(), 0);

    const Posted lost = postLikeBridge(sim.baseUrl() + u"/xmlservice.asmx/Nothing"_s, u"<x/>"_s);
    EXPECT_EQ(lost.status, 404);
    EXPECT_EQ(sim.journal().last().toObject().value(u"path"_s).toString(), u"/xmlservice.asmx/Nothing"_s);
}

TEST_F(SimService, AvailabilityNotificationsAreKeptAsDecodedText)
{
    // Beyond 8 KiB, where the HTTP library would refuse a form body it read itself, and full of characters
    // a form body must encode.
    QString request = u"<OTA_HotelAvailNotifRQ><AvailStatusMessages HotelCode=\"1234\">"_s;
    for (int i = 1; i <= 100; ++i)
        request += u"<AvailStatusMessage LocatorID=\"%1\" BookingLimit=\"3\"> <StatusApplicationControl "
                   "Start=\"2026-08-01\" End=\"2026-08-01\" InvTypeCode=\"DBL\" /></AvailStatusMessage>"_s.arg(i);
    request += u"</AvailStatusMessages><!-- 50% & più + = ? --></OTA_HotelAvailNotifRQ>"_s;

    EXPECT_THAT(post(u"/xmlservice.asmx/AvailabilityRQ"_s, request).toStdString(),
                HasSubstr("<Response><ok/></Response>"));
    post(u"/xmlservice.asmx/AvailabilityRQ"_s, u"<second/>"_s);
    EXPECT_EQ(sim.availabilityNotifications(), QStringList({request, u"<second/>"_s}));
}

TEST_F(SimService, JournalKeepsHeadersInOrderTheRawBodyAndTheDecodedRequest)
{
    const QString xml = u"<a b=\"1 + 1 = 2\">50% & più</a>"_s;
    post(u"/xmlservice.asmx/AvailabilityRQ"_s, xml);
    sim.pendingNew(); // control requests stay out of the journal

    const QJsonArray journal = sim.journal();
    ASSERT_EQ(journal.size(), 1);
    const QJsonObject entry = journal.first().toObject();
    EXPECT_EQ(entry.value(u"method"_s).toString(), u"POST"_s);
    EXPECT_EQ(entry.value(u"path"_s).toString(), u"/xmlservice.asmx/AvailabilityRQ"_s);
    EXPECT_EQ(entry.value(u"xml"_s).toString(), xml);
    EXPECT_EQ(entry.value(u"body"_s).toString().toUtf8(), "xml=" + QUrl::toPercentEncoding(xml));
    EXPECT_FALSE(entry.value(u"time"_s).toString().isEmpty());

    QStringList names;
    QString soapAction = u"(absent)"_s;
    for (const QJsonValue h : entry.value(u"headers"_s).toArray()) {
        const QString name = h.toArray().at(0).toString();
        if (name == u"Content-Type"_s || name == u"cache-control"_s || name == u"SOAPAction"_s)
            names << name + u": "_s + h.toArray().at(1).toString();
        if (name == u"SOAPAction"_s)
            soapAction = h.toArray().at(1).toString();
    }
    EXPECT_EQ(names, QStringList({u"Content-Type: application/x-www-form-urlencoded"_s, u"cache-control: no-cache"_s,
                                  u"SOAPAction: "_s}));
    EXPECT_EQ(soapAction, QString(u""_s));

    QFile file(sim.journalPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 1);
}

TEST_F(SimService, AddedFragmentsAndRawAnswersAreServed)
{
    sim.addReservation(u"<HotelReservation ResStatus=\"Reserved\"><TimeSpan Start=\"{{today+1}}\"/>"
                       "<HotelReservationID ResID_Value=\"T1\"/></HotelReservation>"_s);
    const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    const QString answer = downloadNew();
    EXPECT_EQ(ids(answer), u"SB1001,SB1002,T1"_s);
    // Midnight may pass between the two readings of the date.
    EXPECT_TRUE(answer.contains(u"<TimeSpan Start=\""_s + tomorrow) ||
                answer.contains(u"<TimeSpan Start=\""_s + QDate::currentDate().addDays(2).toString(Qt::ISODate)));

    const QString raw = u"<weird>{{today}} & no tokens expanded here</weird>"_s;
    sim.setRawAnswer(u"/xmlservice.asmx/ResRS"_s, raw);
    EXPECT_EQ(confirm(u"T1"_s), raw);
    EXPECT_EQ(sim.pendingNew(), QStringList({u"SB1001"_s, u"SB1002"_s, u"SB1001"_s})); // still confirmed
    sim.clearRawAnswer(u"/xmlservice.asmx/ResRS"_s);
    EXPECT_THAT(confirm(u"X"_s).toStdString(), HasSubstr("<Success/>"));
}

TEST(SimScenario, DateTokensFollowTheGivenDay)
{
    // Ten days on from 22 February 2024 crosses the leap day into March.
    SimServer sim(SimServer::scenario(u"two-hotels"_s), {u"--today"_s, u"2024-02-22"_s});
    const Posted answer = postLikeBridge(sim.reservationsUrl(), download(u"new"_s));
    EXPECT_THAT(answer.text().toStdString(), HasSubstr("<TimeSpan Start=\"2024-03-03\" End=\"2024-03-05\"/>"));
    EXPECT_THAT(answer.text().toStdString(), HasSubstr("ResID_Value=\"SB1001\" ResID_Date=\"2024-02-21T"));
    EXPECT_THAT(answer.text().toStdString(), HasSubstr("<TimeSpan Start=\"2024-02-25\" End=\"2024-02-26\"/>"));
}

TEST(SimScenario, AnswerFilesReplaceTheBuiltAnswers)
{
    SimServer sim(SimServer::scenario(u"fixed-answers"_s), {u"--today"_s, u"2026-05-04"_s});
    const Posted answer = postLikeBridge(sim.baseUrl() + u"/xmlservice.asmx/RoomListRQ"_s, roomList(u"1"_s));
    EXPECT_EQ(answer.text(), u"<string xmlns=\"http://example.invalid/\">&lt;RoomType RoomTypeCode=\"X\"/&gt; "
                             "stamped 2026-05-04</string>\n"_s);
    // Nothing else is configured: the rate list is an error document for any hotel.
    EXPECT_THAT(
        postLikeBridge(sim.baseUrl() + u"/xmlservice.asmx/RateListRQ"_s, ratePlans(u"1"_s)).text().toStdString(),
        HasSubstr("<Errors>"));
}

TEST(SimScenario, DemoHotelTellsItsStoryOverTwoDownloads)
{
    SimServer sim(QString::fromUtf8(SB_TESTS_DATA) + u"/../demo/sim"_s);
    const auto fetch = [&sim](const QString& type) {
        return postLikeBridge(sim.reservationsUrl(), download(type)).text();
    };
    const QString rooms = postLikeBridge(sim.baseUrl() + u"/xmlservice.asmx/RoomListRQ"_s, roomList(u"77"_s)).text();
    EXPECT_EQ(rooms.count(u"<RoomType "_s), 4);
    const QString rates = postLikeBridge(sim.baseUrl() + u"/xmlservice.asmx/RateListRQ"_s, ratePlans(u"77"_s)).text();
    EXPECT_EQ(rates.count(u"<MealPlan "_s), 3);

    EXPECT_EQ(ids(fetch(u"new"_s)), u"SB2001,SB2002,SB2003,SB2004,SB2005,SB2006"_s);
    EXPECT_EQ(ids(fetch(u"canc"_s)), QString());
    for (const QString& id : {u"SB2001"_s, u"SB2002"_s, u"SB2003"_s, u"SB2004"_s, u"SB2005"_s, u"SB2006"_s})
        postLikeBridge(sim.baseUrl() + u"/xmlservice.asmx/ResRS"_s, confirmation(id));

    const QString second = fetch(u"new"_s);
    EXPECT_EQ(ids(second), u"SB2001"_s);
    EXPECT_THAT(second.toStdString(), HasSubstr("ResStatus=\"Modify\""));
    EXPECT_EQ(ids(fetch(u"canc"_s)), u"SB2004"_s);
    EXPECT_THAT(sim.unknownConfirmations(), IsEmpty());
}

} // namespace
