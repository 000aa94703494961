#include "service/OtaMessages.h"

#include "context/Settings.h"
#include "service/XmlText.h"

using namespace Qt::StringLiterals;

namespace Ota {
namespace {

QString quoted(const QString& value)
{
    return u'"' + value + u'"';
}

QString ns()
{
    return QString::fromUtf16(Namespace);
}

QString shortRoot(const QString& root, const QString& timeStamp)
{
    return u"<"_s + root + u" xmlns="_s + quoted(ns()) + u" TimeStamp="_s + quoted(timeStamp) + u" Target="_s +
           quoted(u"Production"_s) + u" Version="_s + quoted(u"1.000"_s) + u">"_s;
}

QString longRoot(const QString& root, const QString& version, const QString& timeStamp)
{
    return u"<"_s + root + u" xmlns:xsi="_s + quoted(QString::fromUtf16(SchemaInstance)) + u" xmlns="_s + quoted(ns()) +
           u" xsi:schemaLocation="_s + quoted(ns() + u' ' + root + u".xsd"_s) + u" TimeStamp="_s + quoted(timeStamp) +
           u" Target="_s + quoted(u"Production"_s) + u" Version="_s + quoted(version) + u">"_s;
}

QString declaration()
{
    return u"<?xml version="_s + quoted(u"1.0"_s) + u" encoding="_s + quoted(u"UTF-8"_s) + u"?>"_s;
}

QString blanks(int n)
{
    return QString(n, u' ');
}

// The provider and agent pieces, closed with " />" or with end tags.
QStringList credentials(const Settings& s, int indent, bool closed)
{
    const auto piece = [&](const QString& tag, const QString& name, const QString& pwd) {
        return blanks(indent) + u'<' + tag + u" Name="_s + quoted(escapeXml(name)) + u" Pwd="_s +
               quoted(escapeXml(pwd)) + (closed ? u" />"_s : u"></"_s + tag + u'>');
    };
    return {piece(u"provider"_s, s.ProvName, s.ProvPwd), piece(u"XMLHotelAgent"_s, s.Account, s.Password)};
}

} // namespace

QString TimeStampOTA(const QDateTime& now)
{
    return now.toString(u"yyyy-MM-ddTHH:mm:ss"_s);
}

QString ratePlanRequest(const Settings& s, const QString& hotelCode, const QString& timeStamp)
{
    const QString root = u"OTA_HotelRatePlanRQ"_s;
    const QStringList lines =
        QStringList{declaration(),
                    shortRoot(root, timeStamp),
                    blanks(2) + u"<RatePlans>"_s,
                    blanks(3) + u"<RatePlan>"_s,
                    blanks(4) + u"<HotelRef HotelCode="_s + quoted(escapeXml(hotelCode)) + u"/>"_s,
                    blanks(4) + u"<TPA_Extensions>"_s} +
        credentials(s, 5, true) +
        QStringList{blanks(4) + u"</TPA_Extensions>"_s, blanks(3) + u"</RatePlan>"_s, blanks(2) + u"</RatePlans>"_s,
                    u"</"_s + root + u">"_s};
    QString out;
    for (const QString& line : lines)
        out += line + u"\r\n"_s;
    return out;
}

QString roomListRequest(const Settings& s, const QString& hotelCode, const QString& timeStamp)
{
    const QString root = u"OTA_HotelRoomListRQ"_s;
    return declaration() + shortRoot(root, timeStamp) + blanks(2) + u"<HotelRoomLists>"_s + blanks(4) +
           u"<HotelRoomList HotelCode="_s + quoted(escapeXml(hotelCode)) + u"/>"_s + blanks(2) +
           u"</HotelRoomLists>"_s + blanks(2) + u"<TPA_Extensions>"_s + credentials(s, 4, true).join(QString()) +
           blanks(2) + u"</TPA_Extensions>"_s + u"</"_s + root + u">"_s;
}

QString reservationRequest(const Settings& s, const QString& filterType, const QString& start, const QString& end,
                           const QString& timeStamp)
{
    const QString root = u"OTA_HotelResNotifRQ"_s;
    const QString filter = u"<Filter HotelCode="_s + quoted(escapeXml(s.CodiceHotel)) + u" Start="_s + quoted(start) +
                           u" End="_s + quoted(end) + u" Code="_s + quoted(QString()) + u" FilterType="_s +
                           quoted(filterType) + u"></Filter>"_s;
    return longRoot(root, u"2.001"_s, timeStamp) + u"<TPA_Extensions>"_s + credentials(s, 0, false).join(QString()) +
           filter + u"</TPA_Extensions>"_s + u"</"_s + root + u">"_s;
}

QString confirmationRequest(const Settings& s, const QString& resId, const QString& timeStamp)
{
    const QString root = u"OTA_HotelResNotifRS"_s;
    const QString body = blanks(1) + u"<Success />"_s + blanks(4) + u"<HotelReservations>"_s + blanks(7) +
                         u"<HotelReservation>"_s + blanks(10) + u"<ResGlobalInfo>"_s + blanks(13) +
                         u"<HotelReservationIDs>"_s + blanks(16) + u"<HotelReservationID ResID_Value="_s +
                         quoted(escapeXml(resId)) + u" />"_s + blanks(13) + u"</HotelReservationIDs>"_s + blanks(10) +
                         u"</ResGlobalInfo>"_s + blanks(7) + u"</HotelReservation>"_s + blanks(4) +
                         u"</HotelReservations>"_s;
    return longRoot(root, u"2.001"_s, timeStamp) + body + blanks(1) + u"<TPA_Extensions>"_s +
           credentials(s, 4, false).join(QString()) + blanks(1) + u"</TPA_Extensions>"_s + u"</"_s + root + u">"_s;
}

QString availabilityRequest(const Settings& s, const QString& hotelCode, const QString& availStatusMessages,
                            const QString& timeStamp)
{
    const QString root = u"OTA_HotelAvailNotifRQ"_s;
    return longRoot(root, u"1.002"_s, timeStamp) + u"<AvailStatusMessages HotelCode="_s + quoted(escapeXml(hotelCode)) +
           u">"_s + availStatusMessages + u"</AvailStatusMessages>"_s + u"<TPA_Extensions>"_s +
           credentials(s, 0, false).join(QString()) + u"</TPA_Extensions>"_s + u"</"_s + root + u">"_s;
}

} // namespace Ota
