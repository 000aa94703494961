#include "service/TagScanner.h"

#include <QStringView>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kReservation = u"HotelReservation ";
constexpr QStringView kReservationEnd = u"</HotelReservation>";
// Without the blank: also matches inside "</HotelReservation>", "HotelReservationID" and "HotelReservations".
constexpr QStringView kCercaTagDaStop = u"HotelReservation";

QString missing()
{
    return u" "_s;
}

// First occurrence of needle that starts in [from, startLimit); -1 when none. Only the characters the match
// could use are looked at, so a search inside one reservation never walks the rest of the answer.
qsizetype findBefore(QStringView text, QStringView needle, qsizetype from, qsizetype startLimit)
{
    from = std::max<qsizetype>(from, 0);
    startLimit = std::min(startLimit, text.size());
    if (from >= startLimit) {
        return -1;
    }
    const qsizetype viewEnd = std::min(text.size(), startLimit + needle.size() - 1);
    return text.first(viewEnd).indexOf(needle, from);
}

// The characters from `from` up to the next stop (not included), or up to the end of the text.
QStringView copyUntil(QStringView text, qsizetype from, QStringView stop)
{
    if (from >= text.size()) {
        return {};
    }
    qsizetype end = text.indexOf(stop, from);
    if (end < 0) {
        end = text.size();
    }
    return text.sliced(from, end - from);
}

// An element's text: up to the next "<", but a CDATA section is text, not a tag, and is copied whole.
QStringView copyElementText(QStringView text, qsizetype from)
{
    if (from >= text.size())
        return {};
    for (qsizetype at = from;;) {
        const qsizetype lt = text.indexOf(u'<', at);
        if (lt < 0)
            return text.sliced(from);
        if (!text.sliced(lt).startsWith(u"<![CDATA["))
            return text.sliced(from, lt - from);
        const qsizetype close = text.indexOf(u"]]>", lt + 9);
        if (close < 0)
            return text.sliced(from);
        at = close + 3;
    }
}

// Every value starts as " " plus what was copied; blanks around it go, unless nothing else is left, so an
// empty or missing value reads " " and callers can test for it.
QString result(QStringView copied)
{
    QString r;
    r.reserve(copied.size() + 1);
    r.append(u' ');
    r.append(copied);
    qsizetype begin = 0;
    qsizetype end = r.size();
    while (begin < end && r.at(begin) == u' ') {
        ++begin;
    }
    while (end > begin && r.at(end - 1) == u' ') {
        --end;
    }
    return begin == end ? r : r.sliced(begin, end - begin);
}

// The value after a found tag: q is just after the search text. The attribute and its opening quote must
// start before limit (the end of the region being read), so a tag that lacks the attribute never reads
// another reservation's. An unclosed value is copied to the end of the text.
QString readValue(QStringView text, qsizetype q, QStringView attr, qsizetype limit)
{
    if (attr.isEmpty()) {
        return result(copyElementText(text, q));
    }
    const qsizetype at = findBefore(text, attr, q, limit);
    if (at < 0) {
        return missing();
    }
    const qsizetype quote = findBefore(text, u"\"", at + attr.size(), limit);
    if (quote < 0) {
        return missing();
    }
    return result(copyUntil(text, quote + 1, u"\""));
}

QString searchText(const QString& tag, const QString& attr)
{
    return attr.isEmpty() ? u"<"_s + tag + u">"_s : u"<"_s + tag;
}

// The m-th occurrence (overlapping ones counted) of needle starting in [from, startLimit); -1 when none.
qsizetype findNth(QStringView text, QStringView needle, int m, qsizetype from, qsizetype startLimit)
{
    if (m < 1) {
        return -1;
    }
    qsizetype found = -1;
    for (int k = 0; k < m; ++k) {
        found = findBefore(text, needle, from, startLimit);
        if (found < 0) {
            return -1;
        }
        from = found + 1;
    }
    return found;
}

// The characters from `from` up to the first stop character. The catalogue readers stop one short of the
// text's end, so its last character is never collected.
QString collectShortOfLast(QStringView t, qsizetype from, QChar stop)
{
    const qsizetype last = t.size() - 1;
    if (from >= last) {
        return u""_s;
    }
    qsizetype end = t.first(last).indexOf(stop, from);
    if (end < 0) {
        end = last;
    }
    return t.sliced(from, end - from).toString();
}

} // namespace

TagScanner::TagScanner(QString text) : m_text(std::move(text))
{
    const QStringView t = m_text;
    for (qsizetype i = t.indexOf(kReservation); i >= 0; i = t.indexOf(kReservation, i + 1)) {
        m_reservations.push_back({i, t.size()});
        if (i > 0 && t.at(i - 1) == u'<') {
            m_startTags.push_back(i - 1);
        }
    }
    // A reservation ends at its end tag; when that is missing, at the next reservation's "<".
    for (size_t k = 0; k < m_reservations.size(); ++k) {
        Reservation& res = m_reservations[k];
        const qsizetype limit = k + 1 < m_reservations.size() ? m_reservations[k + 1].at - 1 : t.size();
        const qsizetype close = findBefore(t, kReservationEnd, res.at + 1, limit);
        res.end = close >= 0 ? close : limit;
    }
}

QString TagScanner::CercaTag(int n, const QString& tag, const QString& attr) const
{
    if (n < 1 || n > reservationCount()) {
        return missing();
    }
    const Reservation& res = m_reservations[static_cast<size_t>(n - 1)];
    const QString search = searchText(tag, attr);
    qsizetype from = res.at + 1;
    if (search == u"<HotelReservation ") {
        // Back onto the "<" so the reservation's own start tag (ResStatus) is the one read.
        from = std::max<qsizetype>(res.at - 1, 0);
    }
    const qsizetype found = findBefore(m_text, search, from, res.end);
    if (found < 0) {
        return missing();
    }
    const qsizetype q = found + search.size();
    if (attr == u"Text") {
        // Comments: the text after the word "Text", that is the ">" of <Text> and the comment itself.
        const qsizetype word = findBefore(m_text, u"Text", q, res.end);
        if (word < 0) {
            return missing();
        }
        return result(copyUntil(m_text, word + 4, u"</Text>"));
    }
    if (search == u"<Text>") {
        return result(copyUntil(m_text, q, u"</Text>"));
    }
    return readValue(m_text, q, attr, res.end);
}

int TagScanner::ContaOccorrenze(const QString& needle) const
{
    return ::ContaOccorrenze(m_text, needle);
}

QString TagScanner::CercaTagPrenotazione(int n, int m, const QString& tag, const QString& attr)
{
    m_posizioneTag = 0;
    if (n < 1 || n > reservationCount()) {
        return missing();
    }
    const Reservation& res = m_reservations[static_cast<size_t>(n - 1)];
    const QString search = searchText(tag, attr);
    const qsizetype found = findNth(m_text, search, m, res.at + 1, res.end);
    if (found < 0) {
        return missing();
    }
    m_posizioneTag = found + 1;
    return readValue(m_text, found + search.size(), attr, res.end);
}

QString TagScanner::CercaTagDa(qsizetype start, int m, const QString& tag, const QString& attr)
{
    m_posizioneTag = 0;
    const QStringView t = m_text;
    const qsizetype from = start < 1 ? 0 : start - 1;
    if (from >= t.size()) {
        return missing();
    }
    qsizetype stop = t.indexOf(kCercaTagDaStop, from);
    if (stop < 0) {
        stop = t.size();
    }
    const QString search = searchText(tag, attr);
    const qsizetype found = findNth(t, search, m, from, stop);
    if (found < 0) {
        return missing();
    }
    m_posizioneTag = found + 1;
    return readValue(t, found + search.size(), attr, stop);
}

qsizetype TagScanner::reservationStart(int n) const
{
    if (n < 1 || static_cast<size_t>(n) > m_startTags.size()) {
        return 0;
    }
    return m_startTags[static_cast<size_t>(n - 1)] + 1;
}

int ContaOccorrenze(const QString& text, const QString& needle)
{
    if (needle.isEmpty()) {
        return 0;
    }
    int count = 0;
    for (qsizetype i = text.indexOf(needle); i >= 0; i = text.indexOf(needle, i + 1)) {
        ++count;
    }
    return count;
}

QString ValoreAttributo(const QString& t, qsizetype s, const QString& name)
{
    const qsizetype at = t.indexOf(name, std::max<qsizetype>(s, 1) - 1);
    if (at < 0) {
        return u""_s;
    }
    const qsizetype quote = t.indexOf(u'"', at);
    if (quote < 0) {
        return u""_s;
    }
    return collectShortOfLast(t, quote + 1, u'"');
}

QString TestoCData(const QString& t, qsizetype s, const QString& marker)
{
    const qsizetype at = t.indexOf(marker, std::max<qsizetype>(s, 1) - 1);
    if (at < 0) {
        return u""_s;
    }
    return collectShortOfLast(t, at + marker.size(), u']');
}
