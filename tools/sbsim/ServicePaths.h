#pragma once

#include <QString>

// The addresses the bridge posts to, and the simulator's own control prefix.
namespace ServicePaths {

enum class Kind { RateList, RoomList, Confirmation, Availability, Reservations, Control, Unknown };

inline constexpr char16_t RateList[] = u"/xmlservice.asmx/RateListRQ";
inline constexpr char16_t RoomList[] = u"/xmlservice.asmx/RoomListRQ";
inline constexpr char16_t Confirmation[] = u"/xmlservice.asmx/ResRS";
inline constexpr char16_t Availability[] = u"/xmlservice.asmx/AvailabilityRQ";
inline constexpr char16_t Reservations[] = u"/reservations";
inline constexpr char16_t ControlPrefix[] = u"/_sim/";

inline Kind kindOf(const QString& path)
{
    if (path == QStringView(RateList))
        return Kind::RateList;
    if (path == QStringView(RoomList))
        return Kind::RoomList;
    if (path == QStringView(Confirmation))
        return Kind::Confirmation;
    if (path == QStringView(Availability))
        return Kind::Availability;
    if (path == QStringView(Reservations))
        return Kind::Reservations;
    if (path.startsWith(QStringView(ControlPrefix)))
        return Kind::Control;
    return Kind::Unknown;
}

// "RoomListRQ" -> "/xmlservice.asmx/RoomListRQ", "reservations" -> "/reservations"; empty for other names.
inline QString pathForName(const QString& name)
{
    for (const QStringView path : {QStringView(RateList), QStringView(RoomList), QStringView(Confirmation),
                                   QStringView(Availability), QStringView(Reservations)}) {
        if (path.endsWith(QString(u'/') + name))
            return path.toString();
    }
    return {};
}

} // namespace ServicePaths
