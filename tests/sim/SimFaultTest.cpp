// Each way the simulated service can misbehave, and that a failed request leaves its state alone.

#include "BridgeLikePost.h"
#include "support/SimServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <stdexcept>

using namespace Qt::StringLiterals;
using ::testing::HasSubstr;

namespace {

const QString ResRS = u"/xmlservice.asmx/ResRS"_s;
const QString RoomList = u"/xmlservice.asmx/RoomListRQ"_s;

QString confirmation(const QString& id)
{
    return u"<OTA_HotelResNotifRS> <Success /><HotelReservationID ResID_Value=\"%1\" /></OTA_HotelResNotifRS>"_s.arg(
        id);
}

bool wellFormed(const QByteArray& text)
{
    QXmlStreamReader reader(text);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

class SimFaults : public ::testing::Test
{
protected:
    SimServer sim{SimServer::scenario(u"two-hotels"_s)};

    Posted confirm(const QString& id, long timeoutMs = 0)
    {
        return postLikeBridge(sim.baseUrl() + ResRS, confirmation(id), timeoutMs);
    }
    QString lastJournalFault() const { return sim.journal().last().toObject().value(u"fault"_s).toString(); }
};

TEST_F(SimFaults, SlowAnswerOutlastsAClientTimeoutButStillTakesEffect)
{
    sim.setFault(SimFault::slow(5000).times(1));
    EXPECT_EQ(confirm(u"SB1001"_s, 300).code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB1001"_s}));
    EXPECT_EQ(confirm(u"SB1002"_s, 3000).code, CURLE_OK); // count 1: the next one is prompt
}

TEST_F(SimFaults, HttpStatusCarriesTheGivenBodyAndConfirmsNothing)
{
    sim.setFault(SimFault::httpStatus(503, u"<html>busy</html>"_s));
    const Posted answer = confirm(u"SB1001"_s);
    EXPECT_EQ(answer.code, CURLE_OK);
    EXPECT_EQ(answer.status, 503);
    EXPECT_EQ(answer.body, "<html>busy</html>");
    EXPECT_THAT(sim.confirmedIds(), ::testing::IsEmpty());
    EXPECT_EQ(sim.pendingNew().size(), 3);
    EXPECT_EQ(lastJournalFault(), u"status"_s);

    sim.setFault(SimFault::httpStatus(500));
    EXPECT_EQ(confirm(u"SB1001"_s).body, "Simulated service error 500");
}

TEST_F(SimFaults, BrokenAndTruncatedTextsArriveAsCompleteHttpAnswers)
{
    const QString fixed = u"<OTA_HotelResNotifRS><Success/></OTA_HotelResNotifRS>"_s;
    sim.setRawAnswer(ResRS, fixed);
    ASSERT_TRUE(wellFormed(confirm(u"A"_s).body));

    sim.setFault(SimFault::broken());
    const Posted broken = confirm(u"A"_s);
    EXPECT_EQ(broken.status, 200);
    EXPECT_FALSE(wellFormed(broken.body));
    EXPECT_EQ(broken.body, "<OTA_HotelResNotifRS><Success/><OTA_HotelResNotifRS>&<");

    sim.setFault(SimFault::truncated());
    const Posted truncated = confirm(u"A"_s);
    EXPECT_EQ(truncated.code, CURLE_OK);
    EXPECT_EQ(truncated.body, fixed.toUtf8().first(fixed.size() / 2));
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"A"_s})); // only the first, unfaulted one counted
}

TEST_F(SimFaults, CutAndDropBreakTheTransfer)
{
    sim.setFault(SimFault::cut());
    EXPECT_EQ(confirm(u"SB1001"_s).code, CURLE_PARTIAL_FILE);

    sim.setFault(SimFault::drop());
    const Posted dropped = confirm(u"SB1001"_s);
    EXPECT_EQ(dropped.code, CURLE_GOT_NOTHING);
    EXPECT_TRUE(dropped.body.isEmpty());

    const QJsonObject last = sim.journal().last().toObject(); // the lost request still reached the journal
    EXPECT_EQ(last.value(u"fault"_s).toString(), u"drop"_s);
    EXPECT_EQ(last.value(u"status"_s).toInt(), 0);
    EXPECT_THAT(sim.confirmedIds(), ::testing::IsEmpty());

    // An answer lost after the service acted on the request.
    sim.setFault(SimFault::drop().applied());
    EXPECT_EQ(confirm(u"SB1001"_s).code, CURLE_GOT_NOTHING);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"SB1001"_s}));
}

TEST_F(SimFaults, FaultOnOnePathForACountedNumberOfRequests)
{
    sim.setFault(SimFault::drop().onPath(ResRS).times(2));
    EXPECT_EQ(postLikeBridge(sim.baseUrl() + RoomList, u"<HotelRoomList HotelCode=\"1234\"/>"_s).code, CURLE_OK);
    EXPECT_EQ(confirm(u"SB1001"_s).code, CURLE_GOT_NOTHING);
    EXPECT_EQ(confirm(u"SB1001"_s).code, CURLE_GOT_NOTHING);
    EXPECT_EQ(confirm(u"SB1001"_s).code, CURLE_OK);

    // A fault for a path wins over the one for every path; clearing removes both.
    sim.setFault(SimFault::httpStatus(502));
    sim.setFault(SimFault::httpStatus(504).onPath(ResRS));
    EXPECT_EQ(confirm(u"X"_s).status, 504);
    EXPECT_EQ(postLikeBridge(sim.baseUrl() + RoomList, u"<x/>"_s).status, 502);
    sim.clearFault();
    EXPECT_EQ(confirm(u"X"_s).status, 200);
}

TEST_F(SimFaults, ControlRejectsWhatItCannotDo)
{
    SimFault bad = SimFault::httpStatus(42);
    EXPECT_THROW(sim.setFault(bad), std::runtime_error);
    EXPECT_THROW(sim.setRawAnswer(u"/_sim/state"_s, u"x"_s), std::runtime_error);
    EXPECT_THROW(sim.addReservation(u"   "_s), std::runtime_error);
}

} // namespace
