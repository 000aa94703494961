#include "service/XmlText.h"

#include <QStringView>

using namespace Qt::StringLiterals;

namespace {

struct Reference
{
    qsizetype length = 0; // characters from the "&" to the ";" included; 0 when there is no valid reference
    char32_t codePoint = 0;
};

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

int digitValue(QChar c, bool hex)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (hex && u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (hex && u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// The reference that begins at text[at] (an "&").
Reference referenceAt(QStringView text, qsizetype at)
{
    struct Entity
    {
        QStringView name;
        char16_t ch;
    };
    static constexpr Entity kEntities[] = {
        {u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}, {u"quot;", u'"'}, {u"apos;", u'\''}};

    const QStringView rest = text.sliced(at + 1);
    for (const Entity& e : kEntities) {
        if (rest.startsWith(e.name)) {
            return {e.name.size() + 1, e.ch};
        }
    }
    if (!rest.startsWith(u'#')) {
        return {};
    }
    // XML writes hexadecimal references with a lower-case x only.
    const bool hex = rest.size() > 1 && rest.at(1) == u'x';
    qsizetype i = hex ? 2 : 1;
    const char32_t base = hex ? 16 : 10;
    char32_t value = 0;
    qsizetype digits = 0;
    for (; i < rest.size(); ++i) {
        const int d = digitValue(rest.at(i), hex);
        if (d < 0) {
            break;
        }
        value = value * base + static_cast<char32_t>(d);
        if (value > 0x10FFFF) {
            return {}; // also keeps the arithmetic from overflowing on long digit runs
        }
        ++digits;
    }
    if (digits == 0 || i >= rest.size() || rest.at(i) != u';' || !isXmlChar(value)) {
        return {};
    }
    return {i + 2, value};
}

} // namespace

QString escapeXml(const QString& value)
{
    QString out;
    out.reserve(value.size() + value.size() / 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        switch (c.unicode()) {
        case u'&':
            // The rest of a valid reference is letters, digits, "#" and ";", copied unchanged below.
            out += referenceAt(value, i).length > 0 ? u"&"_s : u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        case u'\'':
            out += u"&apos;"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString decodeXmlText(const QString& text)
{
    if (!text.contains(u'&') && !text.contains(u"<![CDATA[")) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A CDATA section holds its text as it is: no references inside it.
        if (c == u'<' && QStringView(text).sliced(i).startsWith(u"<![CDATA[")) {
            const qsizetype start = i + 9;
            qsizetype close = text.indexOf(u"]]>", start);
            if (close < 0)
                close = text.size();
            out += QStringView(text).sliced(start, close - start);
            i = close + 2;
            continue;
        }
        const Reference ref = c == u'&' ? referenceAt(text, i) : Reference{};
        if (ref.length == 0) {
            out += c;
            continue;
        }
        if (QChar::requiresSurrogates(ref.codePoint)) {
            out += QChar(QChar::highSurrogate(ref.codePoint));
            out += QChar(QChar::lowSurrogate(ref.codePoint));
        } else {
            out += QChar(static_cast<char16_t>(ref.codePoint));
        }
        i += ref.length - 1;
    }
    return out;
}
