#include "service/OtaMessages.h"
#include "context/Settings.h"
#include "service/Transport.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

Settings credentials()
{
    Settings s;
    s.ProvName = u"prov"_s;
    s.ProvPwd = u"pp"_s;
    s.Account = u"acc"_s;
    s.Password = u"pw"_s;
    s.CodiceHotel = u"1234"_s;
    return s;
}

const QString kLongAttrs =
    uR"( xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns="http://www.opentravel.org/OTA/2003/05" xsi:schemaLocation="http://www.opentravel.org/OTA/2003/05 )"_s;

TEST(Ota, TimeStampIsLocalWithoutFractionOrZone)
{
    EXPECT_EQ(Ota::TimeStampOTA(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3, 999))), u"2026-03-07T09:05:03"_s);
}

TEST(Ota, RatePlanRequestHasTwelveCrLfLines)
{
    const QString r = Ota::ratePlanRequest(credentials(), u"1234"_s, u"2026-03-07T09:05:03"_s);
    EXPECT_EQ(r, uR"(<?xml version="1.0" encoding="UTF-8"?>
<OTA_HotelRatePlanRQ xmlns="http://www.opentravel.org/OTA/2003/05" TimeStamp="2026-03-07T09:05:03" Target="Production" Version="1.000">
  <RatePlans>
   <RatePlan>
    <HotelRef HotelCode="1234"/>
    <TPA_Extensions>
     <provider Name="prov" Pwd="pp" />
     <XMLHotelAgent Name="acc" Pwd="pw" />
    </TPA_Extensions>
   </RatePlan>
  </RatePlans>
</OTA_HotelRatePlanRQ>
)"_s.replace(u"\n"_s, u"\r\n"_s));
    EXPECT_EQ(r.count(u"\r\n"_s), 12);
}

TEST(Ota, OneLineRequests)
{
    const Settings s = credentials();
    const QString stamp = u"2026-03-07T09:05:03"_s;
    EXPECT_EQ(
        Ota::roomListRequest(s, u"1234"_s, stamp),
        uR"(<?xml version="1.0" encoding="UTF-8"?><OTA_HotelRoomListRQ xmlns="http://www.opentravel.org/OTA/2003/05" TimeStamp="2026-03-07T09:05:03" Target="Production" Version="1.000">  <HotelRoomLists>    <HotelRoomList HotelCode="1234"/>  </HotelRoomLists>  <TPA_Extensions>    <provider Name="prov" Pwd="pp" />    <XMLHotelAgent Name="acc" Pwd="pw" />  </TPA_Extensions></OTA_HotelRoomListRQ>)"_s);
    EXPECT_EQ(
        Ota::reservationRequest(s, u"canc"_s, u"2024-02-27"_s, u"2024-03-03"_s, stamp),
        u"<OTA_HotelResNotifRQ"_s + kLongAttrs +
            uR"(OTA_HotelResNotifRQ.xsd" TimeStamp="2026-03-07T09:05:03" Target="Production" Version="2.001"><TPA_Extensions><provider Name="prov" Pwd="pp"></provider><XMLHotelAgent Name="acc" Pwd="pw"></XMLHotelAgent><Filter HotelCode="1234" Start="2024-02-27" End="2024-03-03" Code="" FilterType="canc"></Filter></TPA_Extensions></OTA_HotelResNotifRQ>)"_s);
    EXPECT_EQ(
        Ota::confirmationRequest(s, u"SB1001"_s, stamp),
        u"<OTA_HotelResNotifRS"_s + kLongAttrs +
            uR"(OTA_HotelResNotifRS.xsd" TimeStamp="2026-03-07T09:05:03" Target="Production" Version="2.001"> <Success />    <HotelReservations>       <HotelReservation>          <ResGlobalInfo>             <HotelReservationIDs>                <HotelReservationID ResID_Value="SB1001" />             </HotelReservationIDs>          </ResGlobalInfo>       </HotelReservation>    </HotelReservations> <TPA_Extensions>    <provider Name="prov" Pwd="pp"></provider>    <XMLHotelAgent Name="acc" Pwd="pw"></XMLHotelAgent> </TPA_Extensions></OTA_HotelResNotifRS>)"_s);
    EXPECT_EQ(
        Ota::availabilityRequest(s, u"1234"_s, u"<X/>"_s, stamp),
        u"<OTA_HotelAvailNotifRQ"_s + kLongAttrs +
            uR"(OTA_HotelAvailNotifRQ.xsd" TimeStamp="2026-03-07T09:05:03" Target="Production" Version="1.002"><AvailStatusMessages HotelCode="1234"><X/></AvailStatusMessages><TPA_Extensions><provider Name="prov" Pwd="pp"></provider><XMLHotelAgent Name="acc" Pwd="pw"></XMLHotelAgent></TPA_Extensions></OTA_HotelAvailNotifRQ>)"_s);
}

TEST(Ota, ValuesAreEscapedOnceAndEmptyOnesStayEmpty)
{
    Settings s = credentials();
    s.ProvPwd = QString();
    s.Password = u"a&b\"c"_s;
    s.CodiceHotel = u"x'<y&amp;"_s;
    const QString r = Ota::reservationRequest(s, u"new"_s, u"a"_s, u"b"_s, u"t"_s);
    EXPECT_TRUE(r.contains(uR"(<provider Name="prov" Pwd="">)"_s));
    EXPECT_TRUE(r.contains(uR"(Pwd="a&amp;b&quot;c")"_s));
    EXPECT_TRUE(r.contains(uR"(HotelCode="x&apos;&lt;y&amp;")"_s));
}

TEST(Transport, ExtractsBetweenTheFirstResultAndTheFirstClosingTag)
{
    EXPECT_EQ(Transport::estraiRisposta(u"<OrderResult>payload</OrderResult>"_s), u"payload"_s);
    EXPECT_EQ(Transport::estraiRisposta(u"<a>no result</a>"_s), u"<a>no result</a>"_s);
    EXPECT_EQ(Transport::estraiRisposta(QString()), QString());
    EXPECT_TRUE(Transport::estraiRisposta(u"<a>x</a><OrderResult>y</OrderResult>"_s).startsWith(u"Error: 5 - "_s));
    // Positions are not 16-bit: a long answer is read whole.
    const QString pad(40000, u'x');
    EXPECT_EQ(Transport::estraiRisposta(pad + u"<SResult>v</SResult>"_s), u"v"_s);
}

} // namespace
