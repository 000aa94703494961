#include "service/TagScanner.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// One reservation as the service sends it.
QString reservation(const QString& id, const QString& status = u"Reserved"_s, const QString& city = u"Firenze"_s)
{
    QString r =
        uR"(<HotelReservation CreateDateTime="2026-05-04T10:11:12" ResStatus="%STATUS%"><RoomStays><RoomStay>)"
        uR"(<RoomTypes><RoomType RoomTypeCode="DBL" NumberOfUnit="1"/></RoomTypes><RatePlans>)"
        uR"(<RatePlan RatePlanCode="BB"><MealsIncluded MealPlanCodes="BB"/></RatePlan></RatePlans><RoomRates>)"
        uR"(<RoomRate EffectiveDate="2026-08-01" ExpireDate="2026-08-01" RoomTypeCode="DBL"><Rates><Rate>)"
        uR"(<Base AmountAfterTax="100.00" CurrencyCode="EUR"/></Rate></Rates></RoomRate>)"
        uR"(<RoomRate EffectiveDate="2026-08-02" ExpireDate="2026-08-02" RoomTypeCode="DBL"><Rates><Rate>)"
        uR"(<Base AmountAfterTax="110.00" CurrencyCode="EUR"/></Rate></Rates></RoomRate></RoomRates>)"
        uR"(<GuestCounts><GuestCount AgeQualifyingCode="10" Count="2"/></GuestCounts>)"
        uR"(<TimeSpan Start="2026-08-01" End="2026-08-03"/><Total AmountAfterTax="210.00" CurrencyCode="EUR"/>)"
        uR"(</RoomStay></RoomStays><ResGuests><ResGuest><Profiles><ProfileInfo><Profile><Customer><PersonName>)"
        uR"(<GivenName>Mario</GivenName><Surname>Rossi</Surname></PersonName>)"
        uR"(<Telephone PhoneNumber="+39 055 123456"/><Email>mario.rossi@example.it</Email><Address>)"
        uR"(<AddressLine>Via Roma 1</AddressLine><CityName>%CITY%</CityName><PostalCode>50100</PostalCode>)"
        uR"(<CountryName Code="IT">Italia</CountryName></Address></Customer></Profile></ProfileInfo></Profiles>)"
        uR"(<Comments><Comment GuestViewable="true"><Text>Arrivo tardi</Text></Comment>)"
        uR"(<Comment GuestViewable="false"><Text>Nota interna</Text></Comment></Comments></ResGuest></ResGuests>)"
        uR"(<ResGlobalInfo><Total AmountAfterTax="210.00" CurrencyCode="EUR"/><HotelReservationIDs>)"
        uR"(<HotelReservationID ResID_Type="14" ResID_Value="%ID%" ResID_Date="2026-05-04T10:11:12"/>)"
        uR"(</HotelReservationIDs><Profiles><ProfileInfo><Profile><CompanyInfo>)"
        uR"(<CompanyName>ACME srl</CompanyName></CompanyInfo></Profile></ProfileInfo></Profiles></ResGlobalInfo>)"
        uR"(</HotelReservation>)"_s;
    return r.replace(u"%ID%"_s, id).replace(u"%STATUS%"_s, status).replace(u"%CITY%"_s, city);
}

QString answer(const QStringList& reservations)
{
    return uR"(<OTA_HotelResNotifRQ xmlns="http://www.opentravel.org/OTA/2003/05" Version="1.0">)"
           uR"(<HotelReservations>)"_s +
           reservations.join(QString()) + u"</HotelReservations></OTA_HotelResNotifRQ>"_s;
}

QString cut(QString text, const QString& part)
{
    return text.remove(part);
}

} // namespace

TEST(TagScanner, ReadsTheValuesOfOneReservation)
{
    const TagScanner s(answer({reservation(u"SB1001"_s)}));
    EXPECT_EQ(s.reservationCount(), 1);
    EXPECT_EQ(s.CercaTag(1, u"HotelReservationID"_s, u"ResID_Value"_s), u"SB1001"_s);
    EXPECT_EQ(s.CercaTag(1, u"ResGlobalInfo"_s, u"AmountAfterTax"_s), u"210.00"_s);
    EXPECT_EQ(s.CercaTag(1, u"TimeSpan"_s, u"End"_s), u"2026-08-03"_s);
    EXPECT_EQ(s.CercaTag(1, u"CityName"_s, QString()), u"Firenze"_s);
    EXPECT_EQ(s.CercaTag(1, u"CountryName "_s, u"Code"_s), u"IT"_s);
    EXPECT_EQ(s.CercaTag(1, u"HotelReservation "_s, u"ResStatus"_s), u"Reserved"_s);
    // Comments keep the ">" of their Text element; a Text element read directly does not.
    EXPECT_EQ(s.CercaTag(1, uR"(Comment GuestViewable="true")"_s, u"Text"_s), u">Arrivo tardi"_s);
    EXPECT_EQ(s.CercaTag(1, uR"(Comment GuestViewable="false")"_s, u"Text"_s), u">Nota interna"_s);
    EXPECT_EQ(s.CercaTag(1, u"Text"_s, QString()), u"Arrivo tardi"_s);
}

TEST(TagScanner, MissingEmptyAndBlankValues)
{
    const TagScanner s(answer({uR"(<HotelReservation ResStatus=""><CityName></CityName><Surname>  Rossi </Surname>)"
                               uR"(<GivenName>   </GivenName><Email x="1"/></HotelReservation>)"_s}));
    EXPECT_EQ(s.CercaTag(1, u"PostalCode"_s, QString()), u" "_s);
    EXPECT_EQ(s.CercaTag(1, u"CityName"_s, QString()), u" "_s);
    EXPECT_EQ(s.CercaTag(1, u"Surname"_s, QString()), u"Rossi"_s);
    EXPECT_EQ(s.CercaTag(1, u"GivenName"_s, QString()), u"    "_s); // the starting blank and the three
    // Only blanks are trimmed: a line break is content.
    EXPECT_EQ(TagScanner(u"<HotelReservation A=\"1\"><Text> \r\n</Text>"_s).CercaTag(1, u"Text"_s, QString()),
              u"\r\n"_s);
    EXPECT_EQ(s.CercaTag(1, u"HotelReservation "_s, u"ResStatus"_s), u" "_s);
    EXPECT_EQ(s.CercaTag(1, u"Email"_s, u"Address"_s), u" "_s);
    // No such reservation.
    EXPECT_EQ(s.CercaTag(0, u"CityName"_s, QString()), u" "_s);
    EXPECT_EQ(s.CercaTag(2, u"Surname"_s, QString()), u" "_s);
}

TEST(TagScanner, AReservationNeverReadsAnotherOnesValues)
{
    QString second =
        cut(reservation(u"SB2"_s, u"Cancelled"_s), u"<CompanyInfo><CompanyName>ACME srl</CompanyName></CompanyInfo>"_s);
    second = cut(second, uR"( End="2026-08-03")"_s);
    second = cut(second, uR"(<Comment GuestViewable="true"><Text>Arrivo tardi</Text></Comment>)"_s);
    QString third =
        cut(reservation(u"SB3"_s),
            uR"(<HotelReservationID ResID_Type="14" ResID_Value="SB3" ResID_Date="2026-05-04T10:11:12"/>)"_s);
    const TagScanner s(answer({reservation(u"SB1"_s), second, third}));

    EXPECT_EQ(s.CercaTag(2, u"HotelReservation "_s, u"ResStatus"_s), u"Cancelled"_s);
    EXPECT_EQ(s.CercaTag(2, u"CompanyName"_s, QString()), u" "_s);
    EXPECT_EQ(s.CercaTag(3, u"CompanyName"_s, QString()), u"ACME srl"_s);
    // The tag is there, the attribute only in the next reservation.
    EXPECT_EQ(s.CercaTag(2, u"TimeSpan"_s, u"End"_s), u" "_s);
    EXPECT_EQ(s.CercaTag(3, u"HotelReservationID "_s, u"ResID_Value"_s), u" "_s);
    EXPECT_EQ(s.CercaTag(2, uR"(Comment GuestViewable="true")"_s, u"Text"_s), u" "_s);
    EXPECT_EQ(s.CercaTag(2, uR"(Comment GuestViewable="false")"_s, u"Text"_s), u">Nota interna"_s);
    // Reservation 2 has one room stay; the next reservation's do not count as its second.
    TagScanner scan(s.text());
    EXPECT_EQ(scan.CercaTagPrenotazione(2, 1, u"RoomType "_s, u"RoomTypeCode"_s), u"DBL"_s);
    EXPECT_GT(scan.PosizioneTag(), 0);
    EXPECT_EQ(scan.CercaTagPrenotazione(2, 2, u"RoomType "_s, u"RoomTypeCode"_s), u" "_s);
    EXPECT_EQ(scan.PosizioneTag(), 0);
    // From inside the room stay, the search ends at the reservation's ID.
    const qsizetype roomStay = scan.text().indexOf(u"<RoomStay>"_s, scan.reservationStart(2)) + 1;
    EXPECT_EQ(scan.CercaTagDa(roomStay, 1, u"GuestCount "_s, u"Count"_s), u"2"_s);
    EXPECT_EQ(scan.CercaTagDa(roomStay, 2, u"GuestCount "_s, u"Count"_s), u" "_s);
    EXPECT_EQ(scan.PosizioneTag(), 0);
    EXPECT_EQ(scan.CercaTagDa(roomStay, 1, u"CompanyName"_s, QString()), u" "_s);
}

TEST(TagScanner, ReservationWithoutEndTagEndsWhereTheNextBegins)
{
    const TagScanner s(uR"(<HotelReservations><HotelReservation ResStatus="A"><Surname>Uno</Surname><Tel/>)"
                       uR"(<HotelReservation ResStatus="B"><Tel N="2"/><CityName>Due</CityName></HotelReservation>)"_s);
    EXPECT_EQ(s.reservationCount(), 2);
    EXPECT_EQ(s.CercaTag(1, u"CityName"_s, QString()), u" "_s);
    EXPECT_EQ(s.CercaTag(1, u"Tel"_s, u"N"_s), u" "_s);
    EXPECT_EQ(s.CercaTag(1, u"HotelReservation "_s, u"ResStatus"_s), u"A"_s);
    EXPECT_EQ(s.CercaTag(2, u"HotelReservation "_s, u"ResStatus"_s), u"B"_s);
    EXPECT_EQ(s.CercaTag(2, u"Tel "_s, u"N"_s), u"2"_s);
}

TEST(TagScanner, AnAttributeMissingFromItsReservationIsMissing)
{
    const QString text =
        uR"(<HotelReservation ResStatus="A"><RoomStay><RoomType RoomTypeCode="DBL"/><Base CurrencyCode="EUR"/>)"
        uR"(</RoomStay><Comment GuestViewable="true"/><Note>Count me in</Note></HotelReservation>)"
        uR"(<HotelReservation ResStatus="B"><RoomType RoomTypeCode="SGL" NumberOfUnit="2"/>)"
        uR"(<Base AmountAfterTax="9.00"/><Comment GuestViewable="true"><Text>Altro</Text></Comment>)"
        uR"(</HotelReservation>)"_s;
    TagScanner s(text);
    // "Count" stands in the element's text; the next quote belongs to reservation 2.
    EXPECT_EQ(s.CercaTag(1, u"Note"_s, u"Count"_s), u" "_s);
    EXPECT_EQ(s.CercaTag(1, uR"(Comment GuestViewable="true")"_s, u"Text"_s), u" "_s);
    EXPECT_EQ(s.CercaTagPrenotazione(1, 1, u"RoomType "_s, u"NumberOfUnit"_s), u" "_s);
    const qsizetype roomType = s.PosizioneTag();
    EXPECT_EQ(roomType, text.indexOf(u"<RoomType "_s) + 1);
    EXPECT_EQ(s.CercaTagDa(roomType, 1, u"Base "_s, u"AmountAfterTax"_s), u" "_s);
    EXPECT_EQ(s.PosizioneTag(), text.indexOf(u"<Base "_s) + 1);
    EXPECT_EQ(s.CercaTagPrenotazione(2, 1, u"RoomType "_s, u"NumberOfUnit"_s), u"2"_s);
}

TEST(TagScanner, PositionsOfTagsAndRoomStays)
{
    const QString two = answer({reservation(u"SB1"_s), reservation(u"SB2"_s)});
    TagScanner s(two);
    const qsizetype second = two.indexOf(u"<HotelReservation "_s, two.indexOf(u"<HotelReservation "_s) + 1) + 1;
    EXPECT_EQ(s.reservationStart(2), second);
    EXPECT_EQ(s.reservationStart(3), 0);

    EXPECT_EQ(s.CercaTagPrenotazione(2, 1, u"RoomType "_s, u"NumberOfUnit"_s), u"1"_s);
    const qsizetype roomType = s.PosizioneTag();
    EXPECT_EQ(roomType, two.indexOf(u"<RoomType "_s, second) + 1);
    EXPECT_EQ(s.CercaTagDa(roomType, 2, u"RoomRate "_s, u"ExpireDate"_s), u"2026-08-02"_s);
    EXPECT_EQ(s.PosizioneTag(), two.indexOf(u"<RoomRate "_s, two.indexOf(u"<RoomRate "_s, second) + 1) + 1);
    EXPECT_EQ(s.CercaTagDa(roomType, 1, u"MealsIncluded "_s, u"MealPlanCodes"_s), u"BB"_s);
    // Start 0 means the beginning of the answer, where "HotelReservations" already stops the search.
    EXPECT_EQ(s.CercaTagDa(0, 1, u"RoomType "_s, u"RoomTypeCode"_s), u" "_s);
    EXPECT_EQ(s.PosizioneTag(), 0);
    EXPECT_EQ(s.CercaTagPrenotazione(1, 1, u"Telephone "_s, u"PhoneNumber"_s), u"+39 055 123456"_s);
    EXPECT_EQ(s.CercaTagPrenotazione(3, 1, u"Telephone "_s, u"PhoneNumber"_s), u" "_s);
    EXPECT_EQ(s.PosizioneTag(), 0);
}

TEST(TagScanner, CountsOverlappingOccurrencesToTheEnd)
{
    EXPECT_EQ(ContaOccorrenze(u"aaaa"_s, u"aa"_s), 3);
    EXPECT_EQ(ContaOccorrenze(u"xHotelReservation "_s, u"HotelReservation "_s), 1);
    EXPECT_EQ(ContaOccorrenze(u"<HotelReservations></HotelReservation>"_s, u"HotelReservation "_s), 0);
    EXPECT_EQ(ContaOccorrenze(u"abc"_s, QString()), 0);
    const TagScanner s(answer({reservation(u"1"_s), reservation(u"2"_s), reservation(u"3"_s)}));
    EXPECT_EQ(s.ContaOccorrenze(u"HotelReservation "_s), 3);
    EXPECT_EQ(s.reservationCount(), 3);
}

TEST(TagScanner, ValuesAtTheEndOfTheText)
{
    // A value left open runs to the end of the text; an element text ending the text is read whole.
    const TagScanner open(uR"(<HotelReservation ResStatus="Reserved"><HotelReservationID ResID_Value="SB10)"_s);
    EXPECT_EQ(open.CercaTag(1, u"HotelReservationID"_s, u"ResID_Value"_s), u"SB10"_s);
    const TagScanner tail(u"<HotelReservation ResStatus=\"X\"><Email>a@b.it"_s);
    EXPECT_EQ(tail.CercaTag(1, u"Email"_s, QString()), u"a@b.it"_s);
    EXPECT_EQ(tail.CercaTag(1, u"HotelReservation "_s, u"ResStatus"_s), u"X"_s);
}

TEST(TagScanner, AccentedTextsAndLongAnswers)
{
    QStringList many;
    for (int i = 1; i <= 30; ++i) {
        many << reservation(u"SB%1"_s.arg(i), u"Reserved"_s, i % 2 ? u"Città"_s : u"Ñuñoa"_s);
    }
    const QString text = answer(many);
    ASSERT_GT(text.size(), 40000);
    TagScanner s(text);
    ASSERT_EQ(s.reservationCount(), 30);
    ASSERT_GT(s.reservationStart(30), 32767);
    EXPECT_EQ(s.CercaTag(29, u"CityName"_s, QString()), u"Città"_s);
    EXPECT_EQ(s.CercaTag(30, u"CityName"_s, QString()), u"Ñuñoa"_s);
    EXPECT_EQ(s.CercaTag(30, u"HotelReservationID"_s, u"ResID_Value"_s), u"SB30"_s);
    EXPECT_EQ(s.CercaTagPrenotazione(30, 1, u"RoomType "_s, u"RoomTypeCode"_s), u"DBL"_s);
    const qsizetype roomType = s.PosizioneTag();
    EXPECT_EQ(roomType, text.indexOf(u"<RoomType "_s, s.reservationStart(30)) + 1);
    EXPECT_EQ(s.CercaTagDa(roomType, 1, u"Base "_s, u"AmountAfterTax"_s), u"100.00"_s);
    EXPECT_EQ(ValoreAttributo(text, s.reservationStart(30), u"ResStatus"_s), u"Reserved"_s);
}

TEST(CatalogueScanning, ValoreAttributo)
{
    const QString rooms =
        uR"(<RoomType RoomTypeCode="DBL" Name="Doppia Città"/><RoomType RoomTypeCode="SGL" Name="Singola"/>)"_s;
    EXPECT_EQ(ValoreAttributo(rooms, 1, u"Name"_s), u"Doppia Città"_s);
    const qsizetype second = rooms.indexOf(u"<RoomType "_s, 1) + 1;
    EXPECT_EQ(ValoreAttributo(rooms, second, u"RoomTypeCode"_s), u"SGL"_s);
    // Plain text match: "Code" is found inside "RoomTypeCode".
    EXPECT_EQ(ValoreAttributo(rooms, 1, u"Code"_s), u"DBL"_s);
    EXPECT_EQ(ValoreAttributo(rooms, 1, u"MealPlanCode"_s), QString());
    // The last character of the text is never collected.
    EXPECT_EQ(ValoreAttributo(u"<RoomType RoomTypeCode=\"DBL"_s, 1, u"RoomTypeCode"_s), u"DB"_s);
    // A name with no quote after it gives the empty text, never a crash.
    const QString noQuote = ValoreAttributo(u"<RoomType RoomTypeCode=DBL/>"_s, 1, u"RoomTypeCode"_s);
    EXPECT_TRUE(noQuote.isEmpty());
    EXPECT_FALSE(noQuote.isNull()); // stored as an empty code, not as Null
    EXPECT_EQ(ValoreAttributo(rooms, rooms.size() + 5, u"Name"_s), QString());
}

TEST(CatalogueScanning, TestoCData)
{
    const QString plan =
        u"<MealPlan MealPlanCode=\"BB\"><Text><![CDATA[Pernottamento e colazione]]></Text></MealPlan>"_s;
    EXPECT_EQ(TestoCData(plan, 1, u"<Text><![CDATA["_s), u"Pernottamento e colazione"_s);
    EXPECT_EQ(TestoCData(plan, 1, u"<Description><![CDATA["_s), QString());
    EXPECT_EQ(TestoCData(u"<Text><![CDATA[Camera Ñ"_s, 1, u"<Text><![CDATA["_s), u"Camera "_s);
}
