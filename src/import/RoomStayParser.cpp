#include "import/RoomStayParser.h"

#include "service/TagScanner.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/ValueCleaning.h"

#include <QDate>
#include <QSet>
#include <optional>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A rate longer than this is taken for a date written wrong (a year 9999, say), not for a stay.
constexpr qint64 kGiorniMassimi = 731;
// The largest number of rooms a Long field holds; three guest counts that fit in a currency field.
constexpr double kMassimoLong = 2147483647.0;
constexpr double kMassimoOspiti = 300000000000000.0;

bool blank(const QString& value)
{
    return value.trimmed().isEmpty();
}

QString fieldName(int slot, QStringView suffix)
{
    return u"Room"_s + QString::number(slot) + suffix.toString();
}

// The day a rate starts or ends: the service's yyyy-mm-dd, or the row's yyyymmdd when room stay 1
// falls back to the stay's own dates. Invalid when it is no date.
QDate giorno(const QString& serviceDate, const QString& rowDate, bool fallback)
{
    if (!blank(serviceDate))
        return TextDate::fromIso(serviceDate);
    return fallback ? TextDate::fromYmd(rowDate.trimmed()) : QDate();
}

} // namespace

double importoCampo(const QString& text, const QString& campo)
{
    // The largest amount a currency field holds.
    constexpr double kMassimo = 922337203685477.5807;
    const double importo = importoServizio(text);
    if (std::abs(importo) > kMassimo)
        throw ValoreRifiutato{campo, text.trimmed()};
    return importo;
}

QString importoTesto(double importo)
{
    // Through the two-decimal text, never through the shortest form, which turns large amounts
    // into an exponent whose digits PulisciValore would read as another number.
    return PulisciValore(ItalianNumber::format(importo, u"0.00"_s), 2);
}

double numeroCampo(const QString& text, const QString& campo, double massimo)
{
    qsizetype i = 0;
    const QString t = text.trimmed();
    const bool negativo = t.startsWith(u'-');
    if (negativo || t.startsWith(u'+'))
        ++i;
    double valore = 0;
    for (; i < t.size() && t.at(i) >= u'0' && t.at(i) <= u'9'; ++i) {
        valore = valore * 10 + (t.at(i).unicode() - u'0');
        if (valore > massimo)
            throw ValoreRifiutato{campo, t};
    }
    return negativo ? -valore : valore;
}

QString chiaveCamera(const QString& codice)
{
    return codice.toCaseFolded();
}

RoomStayParser::RoomStayParser(TagScanner& scanner, const CatalogoCamere& rooms) : m_scanner(scanner), m_rooms(rooms) {}

QString RoomStayParser::attributoProprio(QStringView text, qsizetype pos, QStringView name)
{
    const QString missing = u" "_s;
    if (pos < 1 || pos > text.size())
        return missing;
    std::optional<QStringView> prefixed;
    qsizetype i = pos; // 0-based, just after the "<"
    const qsizetype size = text.size();
    auto isBlank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    while (i < size && !isBlank(text.at(i)) && text.at(i) != u'>' && text.at(i) != u'/')
        ++i; // the tag name
    const auto trimmedValue = [&](QStringView value) {
        qsizetype b = 0;
        qsizetype e = value.size();
        while (b < e && value.at(b) == u' ')
            ++b;
        while (e > b && value.at(e - 1) == u' ')
            --e;
        return b == e ? missing : value.sliced(b, e - b).toString();
    };
    while (i < size) {
        while (i < size && isBlank(text.at(i)))
            ++i;
        if (i >= size || text.at(i) == u'>' || text.at(i) == u'/' || text.at(i) == u'<')
            break;
        const qsizetype nameStart = i;
        while (i < size && !isBlank(text.at(i)) && text.at(i) != u'=' && text.at(i) != u'>')
            ++i;
        const QStringView attribute = text.sliced(nameStart, i - nameStart);
        while (i < size && isBlank(text.at(i)))
            ++i;
        if (i >= size || text.at(i) != u'=')
            continue; // a name without a value: not XML, look on
        ++i;
        while (i < size && isBlank(text.at(i)))
            ++i;
        if (i >= size || (text.at(i) != u'"' && text.at(i) != u'\''))
            break;
        const QChar quote = text.at(i);
        const qsizetype valueStart = i + 1;
        qsizetype valueEnd = text.indexOf(quote, valueStart);
        if (valueEnd < 0)
            valueEnd = size; // left open: up to the end, as the tag routines copy it
        // The name is matched as the service's texts are searched: a longer attribute name that
        // begins with it (NumberOfUnits for NumberOfUnit) counts too, an exact one first.
        if (attribute == name)
            return trimmedValue(text.sliced(valueStart, valueEnd - valueStart));
        if (!prefixed && attribute.startsWith(name))
            prefixed = text.sliced(valueStart, valueEnd - valueStart);
        i = valueEnd + 1;
    }
    return prefixed ? trimmedValue(*prefixed) : missing;
}

qsizetype RoomStayParser::trovaTag(qsizetype start, int m, const QString& tag, qsizetype limit)
{
    if (start < 1)
        return 0;
    m_scanner.CercaTagDa(start, m, tag, u"_"_s);
    const qsizetype pos = m_scanner.PosizioneTag();
    return pos > 0 && pos < limit ? pos : 0;
}

RoomStayParser::Soggiorni RoomStayParser::soggiorni(int n)
{
    const qsizetype next = m_scanner.reservationStart(n + 1);
    m_fineReservation = next > 0 ? next : m_scanner.text().size() + 1;
    Soggiorni out;
    for (int k = 1; k <= MaxCamere; ++k) {
        Soggiorno& s = out[static_cast<size_t>(k - 1)];
        m_scanner.CercaTagPrenotazione(n, k, u"RoomType "_s, u"RoomTypeCode"_s);
        s.posizione = m_scanner.PosizioneTag();
        s.codice = attributoProprio(m_scanner.text(), s.posizione, u"RoomTypeCode");
    }
    return out;
}

qsizetype RoomStayParser::fineSoggiorno(const Soggiorni& soggiorni, int k) const
{
    if (k + 1 < MaxCamere && soggiorni[static_cast<size_t>(k + 1)].posizione > 0)
        return soggiorni[static_cast<size_t>(k + 1)].posizione;
    return m_fineReservation;
}

void RoomStayParser::clear()
{
    m_datiCamere.fill(Slot{});
}

void RoomStayParser::LeggiCamera(const Soggiorni& soggiorni, int k)
{
    const Soggiorno& soggiorno = soggiorni[static_cast<size_t>(k - 1)];
    if (blank(soggiorno.codice) || soggiorno.posizione < 1)
        return;
    Slot* slot = &m_datiCamere[static_cast<size_t>(k - 1)];
    const auto room = m_rooms.constFind(chiaveCamera(soggiorno.codice));
    const QString codice = soggiorno.codice.trimmed();
    const QString& text = m_scanner.text();
    const qsizetype a = soggiorno.posizione;
    const qsizetype fine = fineSoggiorno(soggiorni, k - 1);
    const QString campo = u"Room"_s + QString::number(k);
    slot->quantita = numeroCampo(attributoProprio(text, a, u"NumberOfUnit"), campo + u"_Q"_s, kMassimoLong);
    if (!(slot->quantita > 0))
        slot->quantita = 1; // a room stay is at least one room
    slot->roomsId = room != m_rooms.cend() ? room->RoomsId : codice;
    slot->descrizione = room != m_rooms.cend() ? room->DesRooms : codice;

    if (const qsizetype base = trovaTag(a, 1, u"Base "_s, fine)) {
        const QString amount = attributoProprio(text, base, u"AmountAfterTax");
        if (!blank(amount))
            slot->prezzo = ItalianNumber::parse(importoTesto(importoCampo(amount, campo + u"_P"_s))).value_or(0);
    }

    // Only the counts inside the room stay's own GuestCounts element, up to three.
    const qsizetype g = m_scanner.trovaMarkup(u"</GuestCounts>", a, fine);
    for (int m = 1; m <= 3; ++m) {
        const qsizetype count = trovaTag(a, m, u"GuestCount "_s, fine);
        if (count == 0 || (m > 1 && count >= g))
            break;
        slot->ospiti += numeroCampo(attributoProprio(text, count, u"Count"), campo + u"_QP"_s, kMassimoOspiti);
    }

    slot->trattamento = attributoProprio(text, trovaTag(a, 1, u"MealsIncluded "_s, fine), u"MealPlanCodes");

    // The room stay's own Total, inside its RoomStay: never the reservation's.
    const qsizetype chiusa = m_scanner.trovaMarkup(u"</RoomStay>", a, fine);
    if (const qsizetype totale = m_scanner.trovaMarkup(u"<Total ", a, chiusa > 0 ? chiusa : fine)) {
        const QString amount = attributoProprio(text, totale, u"AmountAfterTax");
        if (!blank(amount))
            slot->totale = ItalianNumber::parse(importoTesto(importoCampo(amount, campo + u"_T"_s))).value_or(0);
    }
}

void RoomStayParser::scriviSlot(Recordset& reservation) const
{
    for (int j = 1; j <= MaxCamere; ++j) {
        const Slot& s = m_datiCamere[static_cast<size_t>(j - 1)];
        if (s.roomsId.isEmpty())
            continue;
        reservation.setField(fieldName(j, u"_Q"), s.quantita);
        reservation.setField(fieldName(j, u"_S"), tagliaTesto(s.roomsId, 10));
        reservation.setField(fieldName(j, u"_D"), tagliaTesto(s.descrizione, 100));
        reservation.setField(fieldName(j, u"_P"), s.prezzo);
        reservation.setField(fieldName(j, u"_QP"), s.ospiti);
        reservation.setField(fieldName(j, u"_A"), tagliaTesto(s.trattamento, 10));
        reservation.setField(fieldName(j, u"_T"), s.totale ? QVariant(*s.totale) : QVariant());
    }
}

int RoomStayParser::LeggiPrezzi(Recordset& prices, int n, const Soggiorni& soggiorni, const QString& nPren,
                                const QString& dataFrom, const QString& dataTo, qint16 numeroHotel)
{
    const QString& text = m_scanner.text();
    const qsizetype inizio = m_scanner.reservationStart(n);
    if (inizio < 1)
        return 0;
    const QString criteria = u"StrComp(NPren, ?, 0) = 0 and Room = ? and DayDate = ? and RoomStay = ?"_s;
    // Rows stored before prices kept their room stay belong to the first stay of their type.
    const QString criteriaPrimo =
        u"StrComp(NPren, ?, 0) = 0 and Room = ? and DayDate = ? and (RoomStay = ? or RoomStay Is Null)"_s;
    int added = 0;
    // A reservation without any price row yet (a new one, mostly) can only meet the days this call
    // adds: those are looked up here instead of in the table.
    const bool senzaPrezzi = !prices.FindFirst(u"StrComp(NPren, ?, 0) = 0"_s, {nPren});
    QSet<std::pair<int, QString>> aggiunti;
    for (int k = 0; k < MaxCamere; ++k) {
        const Soggiorno& soggiorno = soggiorni[static_cast<size_t>(k)];
        const QString& t = soggiorno.codice;
        // Room stay 1 is always looked at, but a missing code matches no room type.
        if (blank(t) || soggiorno.posizione < 1)
            continue;

        bool primo = true;
        for (int j = 0; j < k && primo; ++j)
            primo = soggiorni[static_cast<size_t>(j)].posizione < 1 ||
                    soggiorni[static_cast<size_t>(j)].codice.trimmed().compare(t.trimmed(), Qt::CaseInsensitive) != 0;

        // The room stay's own rates: the RoomRate elements before its "</RoomRates>".
        const qsizetype fine = fineSoggiorno(soggiorni, k);
        const qsizetype a = soggiorno.posizione;
        const qsizetype closeRates = m_scanner.trovaMarkup(u"</RoomRates>", a, fine);
        const qsizetype e = closeRates > 0 ? closeRates : fine;
        QList<qsizetype> rates;
        for (qsizetype r = m_scanner.trovaMarkup(u"<RoomRate ", a, e); r > 0;
             r = m_scanner.trovaMarkup(u"<RoomRate ", r + 1, e))
            rates.append(r);
        if (rates.isEmpty())
            rates.append(0); // no rate at all: room stay 1 still takes the stay's own dates

        for (qsizetype i = 0; i < rates.size(); ++i) {
            const qsizetype rate = rates.at(i);
            const qsizetype rateEnd = i + 1 < rates.size() ? rates.at(i + 1) : e;
            const QString d1 = attributoProprio(text, rate, u"EffectiveDate");
            const QString d2 = attributoProprio(text, rate, u"ExpireDate");
            if (k > 0 && (blank(d1) || blank(d2)))
                continue;
            QDate from = giorno(d1, dataFrom, k == 0);
            const QDate to = giorno(d2, dataTo, k == 0);
            if (!from.isValid() || !to.isValid() || from.daysTo(to) > kGiorniMassimi)
                continue;                             // a date that is no date, or a period no stay has, skips the rate
            from = std::max(from, QDate(2016, 1, 2)); // days up to 1 January 2016 are never kept

            QVariant price = 0;
            if (rate > 0) {
                if (const qsizetype base = m_scanner.trovaMarkup(u"<Base ", rate, rateEnd)) {
                    const QString amount = attributoProprio(text, base, u"AmountAfterTax");
                    if (!blank(amount))
                        price = importoTesto(importoCampo(amount, u"Price"_s));
                }
            }

            for (QDate d = from; d <= to; d = d.addDays(1)) {
                const QString y = TextDate::toYmd(d);
                if (senzaPrezzi ? aggiunti.contains({k, y})
                                : prices.FindFirst(primo ? criteriaPrimo : criteria, {nPren, t, y, k + 1}))
                    continue; // a stored day is never changed
                prices.AddNew();
                prices.setField(u"NumeroHotel"_s, numeroHotel);
                prices.setField(u"NPren"_s, nPren);
                prices.setField(u"Room"_s, t);
                prices.setField(u"DayDate"_s, y);
                prices.setField(u"Price"_s, price);
                prices.setField(u"RoomStay"_s, k + 1);
                prices.Update();
                if (senzaPrezzi)
                    aggiunti.insert({k, y});
                ++added;
            }
        }
    }
    return added;
}
