#pragma once

// Web reservations as the service writes them: one HotelReservation element each, built from a few
// values, and large generated downloads with the price days each reservation must leave behind.

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace ImportAnswers {

using namespace Qt::StringLiterals;

struct Rate
{
    std::optional<QString> effective; // attribute left out when empty
    std::optional<QString> expire;
    std::optional<QString> amount; // the Base's AmountAfterTax
};

struct RoomStay
{
    QString code = u"DBL"_s;
    QString units = u"1"_s;
    QString meal = u"BB"_s;
    QList<Rate> rates;
    QList<int> guestCounts{2};
    QString start; // TimeSpan of the room stay
    QString end;
    QString total = u"200.00"_s;
};

struct Reservation
{
    std::optional<QString> id = u"SB1001"_s; // no HotelReservationID at all when empty
    QString status = u"Reserved"_s;
    QString resDate = u"2026-05-03T10:11:12"_s;
    QList<RoomStay> stays;
    QString givenName = u"Mario"_s;
    QString surname = u"Rossi"_s;
    QStringList phones{u"+39 055 123456"_s};
    QString email = u"mario.rossi@example.it"_s;
    QString street = u"Via Roma 1"_s;
    QString city = u"Firenze"_s;
    QString zip = u"50100"_s;
    QString country = u"IT"_s;
    std::optional<QString> guestComment = u"Arrivo tardi"_s;
    std::optional<QString> internalComment = u"Nota interna"_s;
    std::optional<QString> company;
    QString globalTotal = u"200.00"_s;
};

// A stay of one room stay with one rate per night: from start, nights nights at amount each.
inline RoomStay stay(const QString& code, const QDate& start, int nights, const QString& amount = u"100.00"_s)
{
    RoomStay s;
    s.code = code;
    s.start = start.toString(Qt::ISODate);
    s.end = start.addDays(nights).toString(Qt::ISODate);
    for (int d = 0; d < nights; ++d) {
        const QString day = start.addDays(d).toString(Qt::ISODate);
        s.rates.append({day, day, amount});
    }
    return s;
}

inline QString attribute(const char16_t* name, const std::optional<QString>& value)
{
    return value ? u" "_s + QString::fromUtf16(name) + u"=\""_s + *value + u'"' : QString();
}

inline QString fragment(const Reservation& r)
{
    QString x = u"<HotelReservation CreateDateTime=\"%1\" ResStatus=\"%2\"><RoomStays>"_s.arg(r.resDate, r.status);
    for (const RoomStay& s : r.stays) {
        x += u"<RoomStay><RoomTypes><RoomType RoomTypeCode=\"%1\" NumberOfUnit=\"%2\"/></RoomTypes>"
             u"<RatePlans><RatePlan RatePlanCode=\"%3\"><MealsIncluded MealPlanCodes=\"%3\"/></RatePlan></RatePlans>"
             u"<RoomRates>"_s.arg(s.code, s.units, s.meal);
        for (const Rate& rate : s.rates) {
            x += u"<RoomRate"_s + attribute(u"EffectiveDate", rate.effective) + attribute(u"ExpireDate", rate.expire) +
                 u" RoomTypeCode=\""_s + s.code + u"\"><Rates><Rate><Base"_s +
                 attribute(u"AmountAfterTax", rate.amount) + u" CurrencyCode=\"EUR\"/></Rate></Rates></RoomRate>"_s;
        }
        x += u"</RoomRates><GuestCounts>"_s;
        for (int count : s.guestCounts)
            x += u"<GuestCount AgeQualifyingCode=\"10\" Count=\"%1\"/>"_s.arg(count);
        x += u"</GuestCounts><TimeSpan Start=\"%1\" End=\"%2\"/><Total AmountAfterTax=\"%3\" CurrencyCode=\"EUR\"/>"
             u"</RoomStay>"_s.arg(s.start, s.end, s.total);
    }
    x += u"</RoomStays><ResGuests><ResGuest><Profiles><ProfileInfo><Profile><Customer><PersonName><GivenName>%1"
         u"</GivenName><Surname>%2</Surname></PersonName>"_s.arg(r.givenName, r.surname);
    for (const QString& phone : r.phones)
        x += u"<Telephone PhoneNumber=\"%1\"/>"_s.arg(phone);
    x += u"<Email>%1</Email><Address><AddressLine>%2</AddressLine><CityName>%3</CityName><PostalCode>%4</PostalCode>"
         u"<CountryName Code=\"%5\">Italia</CountryName></Address></Customer></Profile></ProfileInfo></Profiles>"_s.arg(
             r.email, r.street, r.city, r.zip, r.country);
    if (r.guestComment || r.internalComment) {
        x += u"<Comments>"_s;
        if (r.guestComment)
            x += u"<Comment GuestViewable=\"true\"><Text>%1</Text></Comment>"_s.arg(*r.guestComment);
        if (r.internalComment)
            x += u"<Comment GuestViewable=\"false\"><Text>%1</Text></Comment>"_s.arg(*r.internalComment);
        x += u"</Comments>"_s;
    }
    x += u"</ResGuest></ResGuests><ResGlobalInfo><Total AmountAfterTax=\"%1\" CurrencyCode=\"EUR\"/>"_s.arg(
        r.globalTotal);
    if (r.id)
        x += u"<HotelReservationIDs><HotelReservationID ResID_Type=\"14\" ResID_Value=\"%1\" ResID_Date=\"%2\"/>"
             u"</HotelReservationIDs>"_s.arg(*r.id, r.resDate);
    if (r.company)
        x += u"<Profiles><ProfileInfo><Profile><CompanyInfo><CompanyName>%1</CompanyName></CompanyInfo></Profile>"
             u"</ProfileInfo></Profiles>"_s.arg(*r.company);
    x += u"</ResGlobalInfo></HotelReservation>"_s;
    return x;
}

// A cancellation as the "canc" download lists it.
inline QString cancellation(const QString& id, const QString& status = u"Cancelled"_s)
{
    return u"<HotelReservation CreateDateTime=\"2026-05-04T09:00:00\" ResStatus=\"%1\"><ResGlobalInfo>"
           u"<HotelReservationIDs><HotelReservationID ResID_Type=\"14\" ResID_Value=\"%2\" "
           u"ResID_Date=\"2026-04-20T10:00:00\"/></HotelReservationIDs></ResGlobalInfo></HotelReservation>"_s.arg(
               status, id);
}

inline const std::array<QString, 5>& generatedRoomTypes()
{
    static const std::array<QString, 5> codes{u"DBL"_s, u"SGL"_s, u"TRP"_s, u"SUI"_s, u"QUA"_s};
    return codes;
}

// Reservation i of a large download: 1 to 3 room stays of 1 to 14 nights, rates of 1 to 5 nights,
// varied names with accents and apostrophes. Deterministic.
inline Reservation generated(int i, const QString& prefix = u"WB"_s)
{
    static const std::array<QString, 6> surnames{u"Rossi"_s,         u"D&#39;Angelo"_s, u"Müller"_s,
                                                 u"Nuñez &amp; C"_s, u"Bianchi"_s,      u"Dell'Acqua"_s};
    Reservation r;
    r.id = prefix + QString::number(100000 + i);
    r.surname = surnames[static_cast<size_t>(i % 6)];
    r.givenName = i % 2 ? u"Anna"_s : u"Luca"_s;
    r.email = u"ospite%1@example.it"_s.arg(i);
    r.street = u"Via Garibaldi %1"_s.arg(1 + i % 200);
    r.city = i % 3 ? u"Città di Castello"_s : u"Forlì"_s;
    r.company = i % 5 == 0 ? std::optional<QString>(u"Agenzia %1 srl"_s.arg(i % 40)) : std::nullopt;
    const int stays = std::array{1, 2, 1, 3, 1}[static_cast<size_t>(i % 5)];
    const QDate arrival = QDate(2026, 6, 1).addDays((i * 13) % 120);
    const int nights = 1 + (i * 11) % 14;
    r.globalTotal = u"%1.50"_s.arg(90 * nights * stays);
    for (int k = 0; k < stays; ++k) {
        RoomStay s;
        s.code = generatedRoomTypes()[static_cast<size_t>((i + k) % 5)];
        s.start = arrival.toString(Qt::ISODate);
        s.end = arrival.addDays(nights).toString(Qt::ISODate);
        s.guestCounts = k % 2 ? QList<int>{2, 1} : QList<int>{2};
        s.total = u"%1.00"_s.arg(90 * nights);
        for (int d = 0; d < nights;) {
            const int span = std::min(1 + (i + d + k) % 5, nights - d);
            const QDate from = arrival.addDays(d);
            s.rates.append({from.toString(Qt::ISODate), from.addDays(span - 1).toString(Qt::ISODate),
                            u"%1.%2"_s.arg(70 + (i + d) % 60).arg((i + k) % 2 ? u"50"_s : u"00"_s)});
            d += span;
        }
        r.stays.append(s);
    }
    return r;
}

// The ReservationsPrice keys (room type code "|" yyyymmdd) a reservation made of whole rates leaves.
inline QSet<QString> expectedPriceDays(const Reservation& r)
{
    QSet<QString> days;
    for (const RoomStay& s : r.stays) {
        for (const Rate& rate : s.rates) {
            const QDate from = QDate::fromString(rate.effective.value_or(QString()), Qt::ISODate);
            const QDate to = QDate::fromString(rate.expire.value_or(QString()), Qt::ISODate);
            for (QDate d = from; d.isValid() && d <= to; d = d.addDays(1))
                days.insert(s.code + u'|' + d.toString(u"yyyyMMdd"_s));
        }
    }
    return days;
}

// One room stay of two nights in a double room.
inline Reservation basic(const QString& id, const QDate& arrival = QDate(2026, 8, 10), int nights = 2)
{
    Reservation r;
    r.id = id;
    r.stays = {stay(u"DBL"_s, arrival, nights)};
    return r;
}

} // namespace ImportAnswers
