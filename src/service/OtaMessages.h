#pragma once

#include <QDateTime>
#include <QString>

struct Settings;

// The frame every OTA request of the bridge shares: declaration, root tags with the namespaces,
// time stamp, target, version, and the credentials in TPA_Extensions. Every value inserted is
// escaped for XML, so a password holding "&" or a code typed with a quote cannot break a message.
namespace Ota {

inline constexpr const char16_t* Namespace = u"http://www.opentravel.org/OTA/2003/05";
inline constexpr const char16_t* SchemaInstance = u"http://www.w3.org/2001/XMLSchema-instance";

// YYYY-MM-DDTHH:MM:SS, local time, no fraction, no zone.
QString TimeStampOTA(const QDateTime& now);

QString ratePlanRequest(const Settings& s, const QString& hotelCode, const QString& timeStamp);
QString roomListRequest(const Settings& s, const QString& hotelCode, const QString& timeStamp);
// FilterType "new" or "canc"; dates YYYY-MM-DD.
QString reservationRequest(const Settings& s, const QString& filterType, const QString& start, const QString& end,
                           const QString& timeStamp);
QString confirmationRequest(const Settings& s, const QString& resId, const QString& timeStamp);
// availStatusMessages: the AvailStatusMessage elements, already built.
QString availabilityRequest(const Settings& s, const QString& hotelCode, const QString& availStatusMessages,
                            const QString& timeStamp);

} // namespace Ota
