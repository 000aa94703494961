#include "SimText.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace SimText {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QString formDecode(QByteArrayView component)
{
    QByteArray bytes;
    bytes.reserve(component.size());
    for (qsizetype i = 0; i < component.size(); ++i) {
        const char c = component[i];
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%' && i + 2 < component.size() && hexDigit(component[i + 1]) >= 0 &&
                   hexDigit(component[i + 2]) >= 0) {
            bytes.append(static_cast<char>(hexDigit(component[i + 1]) * 16 + hexDigit(component[i + 2])));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    return QString::fromUtf8(bytes);
}

QString formValue(QByteArrayView body, QByteArrayView name, bool* found)
{
    if (found)
        *found = false;
    qsizetype start = 0;
    while (start <= body.size()) {
        qsizetype end = body.indexOf('&', start);
        if (end < 0)
            end = body.size();
        const QByteArrayView field = body.sliced(start, end - start);
        const qsizetype eq = field.indexOf('=');
        const QByteArrayView key = eq < 0 ? field : field.first(eq);
        if (formDecode(key) == QString::fromUtf8(name)) {
            if (found)
                *found = true;
            return eq < 0 ? QString() : formDecode(field.sliced(eq + 1));
        }
        start = end + 1;
    }
    return {};
}

QString attributeValue(const QString& text, const QString& name, qsizetype from, bool* found)
{
    const QRegularExpression re(u"(?<![\\w:.-])"_s + QRegularExpression::escape(name) +
                                u"\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"_s);
    const QRegularExpressionMatch m = re.match(text, from);
    if (found)
        *found = m.hasMatch();
    if (!m.hasMatch())
        return {};
    return m.capturedStart(1) >= 0 ? m.captured(1) : m.captured(2);
}

QStringList attributeValues(const QString& text, const QString& name)
{
    QStringList values;
    const QRegularExpression re(u"(?<![\\w:.-])"_s + QRegularExpression::escape(name) +
                                u"\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"_s);
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        values.append(m.capturedStart(1) >= 0 ? m.captured(1) : m.captured(2));
    }
    return values;
}

QString xmlEscape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += u"&amp;"_s;
            break;
        case '<':
            out += u"&lt;"_s;
            break;
        case '>':
            out += u"&gt;"_s;
            break;
        case '"':
            out += u"&quot;"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString cdata(const QString& text)
{
    QString body = text;
    body.replace(u"]]>"_s, u"]]]]><![CDATA[>"_s);
    return u"<![CDATA["_s + body + u"]]>"_s;
}

QString otaTimeStamp(const QDateTime& when)
{
    return when.toString(u"yyyy-MM-ddTHH:mm:ss"_s);
}

QString expandDateTokens(const QString& text, const QDateTime& now)
{
    static const QRegularExpression token(u"\\{\\{\\s*(today|now)\\s*(?:([+-])\\s*(\\d+)\\s*)?\\}\\}"_s);
    QString out;
    qsizetype last = 0;
    auto it = token.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).sliced(last, m.capturedStart() - last);
        qint64 days = m.captured(3).toLongLong();
        if (m.captured(2) == u"-"_s)
            days = -days;
        const QDateTime when = now.addDays(days);
        out += m.captured(1) == u"today"_s ? when.date().toString(u"yyyy-MM-dd"_s) : otaTimeStamp(when);
        last = m.capturedEnd();
    }
    out += QStringView(text).sliced(last);
    return out;
}

} // namespace SimText
