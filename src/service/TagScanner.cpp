#include "service/TagScanner.h"

#include "service/Markup.h"

#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString missing()
{
    return u" "_s;
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

QString searchText(const QString& tag, const QString& attr)
{
    return attr.isEmpty() ? u"<"_s + tag + u">"_s : u"<"_s + tag;
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

TagScanner::TagScanner(QString text) : m_text(Markup::senzaPrefissi(text))
{
    leggiMarkup();
    leggiPrenotazioni();
}

void TagScanner::leggiMarkup()
{
    const QStringView t = m_text;
    const qsizetype size = t.size();
    const auto isBlank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    const auto nameStop = [&](QChar c) {
        return isBlank(c) || c == u'=' || c == u'>' || c == u'/' || c == u'<' || c == u'"' || c == u'\'';
    };
    // Passes over a construct that ends with close; false when it never does (the rest of the text is in it).
    const auto salta = [&](qsizetype& i, qsizetype skip, QStringView close, const QString& cosa) {
        const qsizetype e = t.indexOf(close, i + skip);
        if (e < 0) {
            difettoA(i, cosa);
            return false;
        }
        i = e + close.size();
        return true;
    };
    qsizetype i = t.indexOf(u'<');
    while (i >= 0 && i < size) {
        const QStringView rest = t.sliced(i);
        bool avanti = true;
        if (rest.startsWith(u"<!--"))
            avanti = salta(i, 4, u"-->", u"commento non chiuso"_s);
        else if (rest.startsWith(u"<![CDATA["))
            avanti = salta(i, 9, u"]]>", u"sezione CDATA non chiusa"_s);
        else if (rest.startsWith(u"<?"))
            avanti = salta(i, 2, u"?>", u"istruzione non chiusa"_s);
        else if (rest.startsWith(u"<!"))
            avanti = salta(i, 2, u">", u"dichiarazione non chiusa"_s);
        else {
            Tag tag{i, 0, false, 1, 0, int(m_attrs.size()), 0};
            qsizetype j = i + 1;
            if (j < size && t.at(j) == u'/') {
                tag.closing = true;
                ++j;
            }
            const QChar first = j < size ? t.at(j) : QChar();
            if (!(first.isLetter() || first == u'_' || first == u':')) {
                i = t.indexOf(u'<', i + 1); // a "<" that begins no name is text
                continue;
            }
            tag.nameStart = int(j - i);
            while (j < size && !nameStop(t.at(j)))
                ++j;
            tag.nameLength = int(j - i - tag.nameStart);
            // The attributes, up to the ">" that closes the tag.
            for (;;) {
                while (j < size && isBlank(t.at(j)))
                    ++j;
                if (j >= size || t.at(j) == u'<') {
                    difettoA(i, u"tag non chiuso"_s);
                    break;
                }
                if (t.at(j) == u'>') {
                    ++j;
                    break;
                }
                if (t.at(j) == u'/') {
                    ++j;
                    if (j < size && t.at(j) == u'>') {
                        ++j;
                        break;
                    }
                    difettoA(j - 1, u"carattere \"/\" fuori posto in un tag"_s);
                    continue;
                }
                const qsizetype nome = j;
                while (j < size && !nameStop(t.at(j)))
                    ++j;
                if (j == nome) {
                    difettoA(j, u"virgolette fuori posto in un tag"_s);
                    ++j;
                    continue;
                }
                Attr attr{nome, j - nome, j, 0};
                while (j < size && isBlank(t.at(j)))
                    ++j;
                if (j >= size || t.at(j) != u'=') {
                    difettoA(nome, u"attributo senza valore"_s);
                    m_attrs.push_back(attr);
                    continue;
                }
                ++j;
                while (j < size && isBlank(t.at(j)))
                    ++j;
                if (j < size && (t.at(j) == u'"' || t.at(j) == u'\'')) {
                    const QChar quote = t.at(j);
                    attr.value = j + 1;
                    qsizetype close = t.indexOf(quote, attr.value);
                    if (close < 0) {
                        difettoA(nome, u"valore di attributo non chiuso"_s);
                        close = size; // read to the end, as the values of the answers always were
                    }
                    attr.valueLength = close - attr.value;
                    j = close + 1;
                } else {
                    difettoA(nome, u"valore di attributo senza virgolette"_s);
                    attr.value = j;
                    while (j < size && !isBlank(t.at(j)) && t.at(j) != u'>' && t.at(j) != u'<')
                        ++j;
                    attr.valueLength = j - attr.value;
                }
                m_attrs.push_back(attr);
            }
            tag.end = std::min(j, size);
            tag.attrCount = int(m_attrs.size()) - tag.firstAttr;
            m_tags.push_back(tag);
            i = tag.end;
        }
        if (!avanti)
            break;
        i = t.indexOf(u'<', i);
    }
}

void TagScanner::leggiPrenotazioni()
{
    constexpr QStringView kNome = u"HotelReservation";
    std::vector<size_t> aperte; // reservations whose end tag has not come yet
    for (const Tag& tag : m_tags) {
        if (nome(tag) != kNome)
            continue;
        if (!tag.closing) {
            m_reservations.push_back({tag.at, m_text.size(), false, {}});
            aperte.push_back(m_reservations.size() - 1);
        } else if (!aperte.empty()) {
            Reservation& r = m_reservations[aperte.back()];
            r.end = tag.at;
            r.closed = true;
            aperte.pop_back();
        }
    }
    for (size_t k = 0; k < m_reservations.size(); ++k) {
        Reservation& r = m_reservations[k];
        if (!r.closed) {
            // Without its end tag a reservation ends where the next begins.
            if (k + 1 < m_reservations.size())
                r.end = m_reservations[k + 1].at;
            continue;
        }
        // Another reservation that starts before this one's end stands inside it.
        for (size_t j = k + 1; j < m_reservations.size() && m_reservations[j].at < r.end; ++j) {
            r.difetto = u"contiene un'altra prenotazione"_s;
            m_reservations[j].difetto = u"si trova dentro un'altra prenotazione"_s;
        }
    }
    for (Reservation& r : m_reservations) {
        if (!r.difetto.isEmpty())
            continue;
        const auto d = std::lower_bound(m_difetti.begin(), m_difetti.end(), r.at,
                                        [](const auto& e, qsizetype at) { return e.first < at; });
        if (d != m_difetti.end() && d->first <= r.end)
            r.difetto = d->second + u" alla posizione "_s + QString::number(d->first + 1);
    }
}

size_t TagScanner::primoTag(qsizetype pos) const
{
    const auto it =
        std::lower_bound(m_tags.begin(), m_tags.end(), pos, [](const Tag& t, qsizetype at) { return t.at < at; });
    return size_t(it - m_tags.begin());
}

qsizetype TagScanner::trovaTag(QStringView search, int m, qsizetype from, qsizetype limit) const
{
    if (m < 1)
        return -1;
    const QStringView t = m_text;
    const QChar second = search.size() > 1 ? search.at(1) : QChar();
    for (size_t k = primoTag(std::max<qsizetype>(from, 0)); k < m_tags.size() && m_tags[k].at < limit; ++k) {
        const qsizetype at = m_tags[k].at;
        if (at + 1 < t.size() && t.at(at + 1) == second && t.sliced(at).startsWith(search) && --m == 0)
            return qsizetype(k);
    }
    return -1;
}

qsizetype TagScanner::trovaMarkup(QStringView prefix, qsizetype from, qsizetype limit) const
{
    const qsizetype k = trovaTag(prefix, 1, from - 1, limit - 1);
    return k < 0 ? 0 : m_tags[size_t(k)].at + 1;
}

QString TagScanner::leggiValore(size_t k, const QString& search, const QString& attr, qsizetype limit) const
{
    const QStringView t = m_text;
    const Tag& found = m_tags[k];
    if (attr.isEmpty()) {
        // An element's text: up to the next tag; a CDATA section or a comment is part of it.
        const qsizetype from = std::max(found.at + search.size(), found.end);
        const size_t next = primoTag(from);
        const qsizetype stop = next < m_tags.size() ? m_tags[next].at : t.size();
        return result(t.sliced(std::min(from, stop), stop - std::min(from, stop)));
    }
    // The attribute of the tag found or, when it lacks it, of the first later tag that has it.
    for (size_t j = k; j < m_tags.size() && m_tags[j].at < limit; ++j) {
        const Tag& tag = m_tags[j];
        const Attr* prefissato = nullptr;
        for (int a = tag.firstAttr; a < tag.firstAttr + tag.attrCount; ++a) {
            const Attr& at = m_attrs[size_t(a)];
            const QStringView name = t.sliced(at.name, at.nameLength);
            if (name == attr)
                return result(t.sliced(at.value, at.valueLength));
            if (!prefissato && name.startsWith(attr))
                prefissato = &at;
        }
        if (prefissato)
            return result(t.sliced(prefissato->value, prefissato->valueLength));
    }
    return missing();
}

QString TagScanner::CercaTag(int n, const QString& tag, const QString& attr) const
{
    if (n < 1 || n > reservationCount()) {
        return missing();
    }
    const Reservation& res = m_reservations[static_cast<size_t>(n - 1)];
    const QString search = searchText(tag, attr);
    // From the reservation's own start tag only when that is the tag asked for (ResStatus).
    const qsizetype from = search == u"<HotelReservation " ? res.at : res.at + 1;
    const qsizetype found = trovaTag(search, 1, from, res.end);
    if (found < 0) {
        return missing();
    }
    const QStringView t = m_text;
    if (attr == u"Text" || search == u"<Text>") {
        // Comments: the text of the next Text element, which attribute "Text" reads with the ">" of its
        // start tag in front.
        const qsizetype text = search == u"<Text>" ? found : trovaTag(u"<Text", 1, m_tags[size_t(found)].end, res.end);
        if (text < 0)
            return missing();
        const Tag& open = m_tags[size_t(text)];
        // A Text left open ends with its reservation: the search never walks the rest of the answer.
        const qsizetype close = trovaTag(u"</Text>", 1, open.end, res.end);
        const qsizetype stop = close < 0 ? std::max(res.end, open.end) : m_tags[size_t(close)].at;
        const qsizetype from = attr == u"Text" ? open.end - 1 : open.end;
        return result(t.sliced(from, std::max<qsizetype>(stop - from, 0)));
    }
    return leggiValore(size_t(found), search, attr, res.end);
}

QString TagScanner::commento(int n, bool ospite) const
{
    if (n < 1 || n > reservationCount())
        return missing();
    const Reservation& res = m_reservations[size_t(n - 1)];
    const QStringView t = m_text;
    const auto aperto = [&](const Tag& tag) {
        return tag.end < 2 || t.at(tag.end - 2) != u'/';
    };
    const auto perOspite = [&](const Tag& tag) {
        for (int a = tag.firstAttr; a < tag.firstAttr + tag.attrCount; ++a) {
            const Attr& at = m_attrs[size_t(a)];
            if (t.sliced(at.name, at.nameLength) != u"GuestViewable")
                continue;
            const QStringView v = t.sliced(at.value, at.valueLength).trimmed();
            return !(v.compare(u"false", Qt::CaseInsensitive) == 0 || v == u"0");
        }
        return true;
    };
    // The text between the tags from k up to fine (exclusive: its end tag), trimmed.
    const auto testoTra = [&](size_t k, size_t fine, qsizetype stop) {
        QString out;
        for (size_t j = k; j < fine; ++j) {
            const qsizetype fino = j + 1 < fine ? m_tags[j + 1].at : stop;
            out += t.sliced(m_tags[j].end, std::max<qsizetype>(fino - m_tags[j].end, 0));
        }
        return out.trimmed();
    };
    bool trovato = false;
    QStringList testi;
    for (size_t k = primoTag(res.at + 1); k < m_tags.size() && m_tags[k].at < res.end; ++k) {
        const Tag& tag = m_tags[k];
        if (tag.closing || nome(tag) != u"Comment" || perOspite(tag) != ospite)
            continue;
        trovato = true;
        if (!aperto(tag))
            continue;
        // The comment's own tags, up to its end tag (or the reservation's end).
        size_t fine = k + 1;
        while (fine < m_tags.size() && m_tags[fine].at < res.end &&
               !(m_tags[fine].closing && nome(m_tags[fine]) == u"Comment"))
            ++fine;
        QStringList suoi;
        for (size_t j = k + 1; j < fine; ++j) {
            if (m_tags[j].closing || nome(m_tags[j]) != u"Text" || !aperto(m_tags[j]))
                continue;
            size_t chiude = j + 1;
            while (chiude < fine && !(m_tags[chiude].closing && nome(m_tags[chiude]) == u"Text"))
                ++chiude;
            // Its text with whatever stands inside it (a CDATA section is part of it).
            const qsizetype stop = chiude < m_tags.size() ? m_tags[chiude].at : res.end;
            suoi.append(t.sliced(m_tags[j].end, std::max<qsizetype>(stop - m_tags[j].end, 0)).trimmed().toString());
            j = chiude;
        }
        if (suoi.isEmpty())
            suoi.append(testoTra(k, fine, fine < m_tags.size() ? std::min(m_tags[fine].at, res.end) : res.end));
        for (const QString& s : suoi)
            if (!s.isEmpty())
                testi.append(s);
    }
    return trovato ? u'>' + testi.join(u" / "_s) : missing();
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
    const qsizetype found = trovaTag(search, m, res.at + 1, res.end);
    if (found < 0) {
        return missing();
    }
    m_posizioneTag = m_tags[size_t(found)].at + 1;
    return leggiValore(size_t(found), search, attr, res.end);
}

QString TagScanner::CercaTagDa(qsizetype start, int m, const QString& tag, const QString& attr)
{
    m_posizioneTag = 0;
    const qsizetype from = start < 1 ? 0 : start - 1;
    if (from >= m_text.size()) {
        return missing();
    }
    // The search stops at the next tag named HotelReservation..., the end of the reservation's part.
    qsizetype stop = m_text.size();
    for (size_t k = primoTag(from); k < m_tags.size(); ++k) {
        if (nome(m_tags[k]).startsWith(u"HotelReservation")) {
            stop = m_tags[k].at;
            break;
        }
    }
    const QString search = searchText(tag, attr);
    const qsizetype found = trovaTag(search, m, from, stop);
    if (found < 0) {
        return missing();
    }
    m_posizioneTag = m_tags[size_t(found)].at + 1;
    return leggiValore(size_t(found), search, attr, stop);
}

qsizetype TagScanner::reservationStart(int n) const
{
    if (n < 1 || n > reservationCount()) {
        return 0;
    }
    return m_reservations[size_t(n - 1)].at + 1;
}

bool TagScanner::reservationClosed(int n) const
{
    return n >= 1 && n <= reservationCount() && m_reservations[size_t(n - 1)].closed;
}

QString TagScanner::difetto(int n) const
{
    if (n < 1 || n > reservationCount())
        return {};
    return m_reservations[size_t(n - 1)].difetto;
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
