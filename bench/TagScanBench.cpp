// Reading every value of a reservation download the way the reservation parser does, with the indexed
// TagScanner and, for comparison, with a scanner that rescans the answer from its start on every call.

#include "service/TagScanner.h"

#include <benchmark/benchmark.h>

#include <QHash>
#include <QStringList>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// A download of `count` reservations with 1 to 3 room stays each, about 2 kB per reservation.
QString buildAnswer(int count)
{
    static constexpr std::array kRooms = {u"DBL", u"SGL", u"TRP", u"SUI", u"QUA"};
    static constexpr std::array kCities = {u"Firenze", u"Città di Castello", u"Forlì", u"A Coruña", u"Köln"};
    static constexpr std::array kSurnames = {u"Rossi", u"Nuñez", u"Dell'Acqua", u"Müller", u"Bianchi"};
    QString text =
        uR"(<?xml version="1.0" encoding="UTF-8"?>)"
        uR"(<OTA_HotelResNotifRQ xmlns="http://www.opentravel.org/OTA/2003/05" TimeStamp="2026-05-04T10:11:12")"
        uR"( Version="1.0">)"
        uR"(<HotelReservations>)"_s;
    text.reserve(count * 2600);
    for (int i = 0; i < count; ++i) {
        const int stays = 1 + (i % 4 == 3 ? 2 : i % 2); // 1, 2, 1, 3
        const int nights = 1 + i % 3;
        const QString day = u"2026-08-%1"_s.arg(1 + i % 20, 2, 10, QChar(u'0'));
        text += uR"(<HotelReservation CreateDateTime="2026-05-04T10:11:12" ResStatus="%1"><RoomStays>)"_s.arg(
            i % 17 == 0 ? u"Modify"_s : u"Reserved"_s);
        for (int k = 0; k < stays; ++k) {
            const QString room = QString::fromUtf16(kRooms[static_cast<size_t>((i + k) % 5)]);
            text += uR"(<RoomStay><RoomTypes><RoomType RoomTypeCode="%1" NumberOfUnit="1"/></RoomTypes><RatePlans>)"
                    uR"(<RatePlan RatePlanCode="BB"><MealsIncluded MealPlanCodes="BB"/></RatePlan></RatePlans>)"
                    uR"(<RoomRates>)"_s.arg(room);
            for (int d = 0; d < nights; ++d) {
                const QString date = u"2026-08-%1"_s.arg(1 + i % 20 + d, 2, 10, QChar(u'0'));
                text +=
                    uR"(<RoomRate EffectiveDate="%1" ExpireDate="%1" RoomTypeCode="%2"><Rates><Rate>)"
                    uR"(<Base AmountAfterTax="%3.00" CurrencyCode="EUR"/></Rate></Rates></RoomRate>)"_s.arg(date, room)
                        .arg(80 + (i + d) % 70);
            }
            text += uR"(</RoomRates><GuestCounts><GuestCount AgeQualifyingCode="10" Count="2"/>)"_s;
            if (k % 2 == 1) {
                text += uR"(<GuestCount AgeQualifyingCode="8" Count="1"/>)"_s;
            }
            text += uR"(</GuestCounts><TimeSpan Start="%1" End="2026-08-%2"/>)"
                    uR"(<Total AmountAfterTax="%3.00" CurrencyCode="EUR"/></RoomStay>)"_s.arg(day)
                        .arg(1 + i % 20 + nights, 2, 10, QChar(u'0'))
                        .arg(100 * nights);
        }
        text += uR"(</RoomStays><ResGuests><ResGuest><Profiles><ProfileInfo><Profile><Customer><PersonName>)"
                uR"(<GivenName>Mario</GivenName><Surname>%1</Surname></PersonName>)"
                uR"(<Telephone PhoneNumber="+39 055 %2"/><Email>ospite%2@example.it</Email><Address>)"
                uR"(<AddressLine>Via Roma %3</AddressLine><CityName>%4</CityName><PostalCode>50100</PostalCode>)"
                uR"(<CountryName Code="IT">Italia</CountryName></Address></Customer></Profile></ProfileInfo>)"
                uR"(</Profiles><Comments><Comment GuestViewable="true">)"
                uR"(<Text>Arrivo in tarda serata, camera silenziosa se possibile</Text></Comment>)"
                uR"(<Comment GuestViewable="false"><Text>Cliente abituale</Text></Comment></Comments></ResGuest>)"
                uR"(</ResGuests>)"_s.arg(QString::fromUtf16(kSurnames[static_cast<size_t>(i % 5)]))
                    .arg(100000 + i)
                    .arg(1 + i % 90)
                    .arg(QString::fromUtf16(kCities[static_cast<size_t>(i % 5)]));
        text += uR"(<ResGlobalInfo><Total AmountAfterTax="%1.00" CurrencyCode="EUR"/><HotelReservationIDs>)"
                uR"(<HotelReservationID ResID_Type="14" ResID_Value="SB%2" ResID_Date="2026-05-04T10:11:12"/>)"
                uR"(</HotelReservationIDs><Profiles><ProfileInfo><Profile><CompanyInfo>)"
                uR"(<CompanyName>Agenzia %2 srl</CompanyName></CompanyInfo></Profile></ProfileInfo></Profiles>)"
                uR"(</ResGlobalInfo></HotelReservation>)"_s.arg(100 * nights * stays)
                    .arg(100000 + i);
    }
    text += u"</HotelReservations></OTA_HotelResNotifRQ>"_s;
    return text;
}

// The reservation parser's reads: the reservation's values, the ten room type codes and, per room stay, its
// price, guests, meal plan and the dates and price of every rate. Returns a hash of all values read.
template <typename Scanner> size_t readAll(Scanner& s, int count, qsizetype* valuesRead)
{
    static const QString kValues[][2] = {
        {u"HotelReservationID"_s, u"ResID_Value"_s},
        {u"ResGlobalInfo"_s, u"AmountAfterTax"_s},
        {u"HotelReservationID "_s, u"ResID_Date"_s},
        {u"TimeSpan"_s, u"Start"_s},
        {u"TimeSpan"_s, u"End"_s},
        {u"Email"_s, QString()},
        {u"GivenName"_s, QString()},
        {u"Surname"_s, QString()},
        {u"AddressLine"_s, QString()},
        {u"CityName"_s, QString()},
        {u"PostalCode"_s, QString()},
        {u"CountryName "_s, u"Code"_s},
        {uR"(Comment GuestViewable="true")"_s, u"Text"_s},
        {uR"(Comment GuestViewable="false")"_s, u"Text"_s},
        {u"CompanyName"_s, QString()},
        {u"Total"_s, u"AmountAfterTax"_s},
        {u"HotelReservation "_s, u"ResStatus"_s},
    };
    size_t hash = 0;
    qsizetype reads = 0;
    auto take = [&](const QString& value) {
        hash = hash * 31 + qHash(value);
        ++reads;
        return value;
    };
    for (int n = 1; n <= count; ++n) {
        for (const auto& v : kValues) {
            take(s.CercaTag(n, v[0], v[1]));
        }
        if (take(s.CercaTagPrenotazione(n, 1, u"Telephone "_s, u"PhoneNumber"_s)).trimmed().isEmpty()) {
            take(s.CercaTagPrenotazione(n, 2, u"Telephone "_s, u"PhoneNumber"_s));
        }
        std::array<QString, 10> codes;
        for (int k = 1; k <= 10; ++k) {
            codes[static_cast<size_t>(k - 1)] = take(s.CercaTagPrenotazione(n, k, u"RoomType "_s, u"RoomTypeCode"_s));
        }
        for (int k = 1; k <= 10; ++k) {
            if (codes[static_cast<size_t>(k - 1)] == u" "_s) {
                continue;
            }
            take(s.CercaTagPrenotazione(n, k, u"RoomType "_s, u"NumberOfUnit"_s));
            const qsizetype a = s.PosizioneTag();
            take(s.CercaTagDa(a, 1, u"Base "_s, u"AmountAfterTax"_s));
            for (int g = 1; g <= 3; ++g) {
                take(s.CercaTagDa(a, g, u"GuestCount "_s, u"Count"_s));
            }
            take(s.CercaTagDa(a, 1, u"MealsIncluded "_s, u"MealPlanCodes"_s));
            for (int m = 1; take(s.CercaTagDa(a, m, u"RoomRate "_s, u"EffectiveDate"_s)) != u" "_s; ++m) {
                take(s.CercaTagDa(a, m, u"RoomRate "_s, u"ExpireDate"_s));
                take(s.CercaTagDa(a, m, u"Base "_s, u"AmountAfterTax"_s));
            }
        }
    }
    *valuesRead = reads;
    return hash;
}

// The straightforward form of the routines, for comparison: every call finds reservation n by scanning from the
// start of the answer, comparing at every position, and searches without regard to where the reservation ends.
class RescanReference
{
public:
    explicit RescanReference(const QString& text) : m_t(text) {}

    QString CercaTag(int n, const QString& tag, const QString& attr) const
    {
        qsizetype p = nthReservation(n);
        const QString search = searchText(tag, attr);
        if (search == u"<HotelReservation ") {
            p = std::max<qsizetype>(p - 2, 0);
        }
        for (; p + search.size() <= m_t.size(); ++p) {
            if (at(p, search)) {
                const qsizetype q = p + search.size();
                if (attr == u"Text") {
                    const qsizetype w = find(u"Text", q);
                    return w < 0 ? u" "_s : result(copyUntil(w + 4, u"</Text>"));
                }
                if (search == u"<Text>") {
                    return result(copyUntil(q, u"</Text>"));
                }
                return readValue(q, attr);
            }
        }
        return u" "_s;
    }

    QString CercaTagPrenotazione(int n, int m, const QString& tag, const QString& attr)
    {
        m_posizioneTag = 0;
        const QString search = searchText(tag, attr);
        int found = 0;
        for (qsizetype p = nthReservation(n); p + search.size() <= m_t.size(); ++p) {
            if (at(p, u"</HotelReservation>")) {
                break;
            }
            if (at(p, search) && ++found == m) {
                m_posizioneTag = p + 1;
                return readValue(p + search.size(), attr);
            }
        }
        return u" "_s;
    }

    QString CercaTagDa(qsizetype start, int m, const QString& tag, const QString& attr)
    {
        m_posizioneTag = 0;
        const QString search = searchText(tag, attr);
        int found = 0;
        for (qsizetype p = start < 1 ? 0 : start - 1; p + search.size() <= m_t.size(); ++p) {
            if (at(p, u"HotelReservation")) {
                break;
            }
            if (at(p, search) && ++found == m) {
                m_posizioneTag = p + 1;
                return readValue(p + search.size(), attr);
            }
        }
        return u" "_s;
    }

    qsizetype PosizioneTag() const { return m_posizioneTag; }

private:
    bool at(qsizetype p, QStringView s) const
    {
        return m_t.at(p) == s.front() && QStringView(m_t).sliced(p, s.size()) == s;
    }

    qsizetype find(QStringView s, qsizetype from) const
    {
        for (qsizetype p = from; p + s.size() <= m_t.size(); ++p) {
            if (at(p, s)) {
                return p;
            }
        }
        return -1;
    }

    // 0-based index just after the start of the n-th "HotelReservation ", or the end when there is none.
    qsizetype nthReservation(int n) const
    {
        int found = 0;
        for (qsizetype p = 0; p + 17 <= m_t.size(); ++p) {
            if (at(p, u"HotelReservation ") && ++found == n) {
                return p + 1;
            }
        }
        return m_t.size();
    }

    static QString searchText(const QString& tag, const QString& attr)
    {
        return attr.isEmpty() ? u"<"_s + tag + u">"_s : u"<"_s + tag;
    }

    QStringView copyUntil(qsizetype from, QStringView stop) const
    {
        const qsizetype e = find(stop, from);
        return QStringView(m_t).sliced(from, (e < 0 ? m_t.size() : e) - from);
    }

    QString readValue(qsizetype q, const QString& attr) const
    {
        if (attr.isEmpty()) {
            return result(copyUntil(q, u"<"));
        }
        const qsizetype r = find(attr, q);
        if (r < 0) {
            return u" "_s;
        }
        const qsizetype quote = find(u"\"", r + attr.size());
        return quote < 0 ? u" "_s : result(copyUntil(quote + 1, u"\""));
    }

    static QString result(QStringView copied)
    {
        const QString r = u" "_s + copied.toString();
        QStringView v = r;
        while (v.startsWith(u' ')) {
            v = v.sliced(1);
        }
        while (v.endsWith(u' ')) {
            v.chop(1);
        }
        return v.isEmpty() ? r : v.toString();
    }

    const QString& m_t;
    qsizetype m_posizioneTag = 0;
};

void report(benchmark::State& state, qsizetype chars, qsizetype values)
{
    state.counters["reservations"] = static_cast<double>(state.range(0));
    state.counters["Mchars"] = static_cast<double>(chars) / 1e6;
    state.counters["values"] = static_cast<double>(values);
    state.counters["ns/value"] = benchmark::Counter(
        static_cast<double>(values), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TagScannerReadAll(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const QString answer = buildAnswer(count);
    qsizetype values = 0;
    for (auto _ : state) {
        // Indexing the answer is part of the work: the parser builds one scanner per answer.
        TagScanner scanner(answer);
        benchmark::DoNotOptimize(readAll(scanner, count, &values));
    }
    report(state, answer.size(), values);
}

void BM_RescanReferenceReadAll(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const QString answer = buildAnswer(count);
    qsizetype values = 0;
    if (count <= 100) {
        // On a well-formed answer where every reservation has all its values the two must agree.
        TagScanner scanner(answer);
        RescanReference reference(answer);
        qsizetype referenceValues = 0;
        if (readAll(scanner, count, &values) != readAll(reference, count, &referenceValues) ||
            values != referenceValues) {
            state.SkipWithError("the indexed scanner and the rescanning reference read different values");
            return;
        }
    }
    for (auto _ : state) {
        RescanReference reference(answer);
        benchmark::DoNotOptimize(readAll(reference, count, &values));
    }
    report(state, answer.size(), values);
}

} // namespace

BENCHMARK(BM_TagScannerReadAll)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
// Quadratic: 1,000 reservations take minutes, so the reference stops at 200, in one pass.
BENCHMARK(BM_RescanReferenceReadAll)->Arg(100)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);
