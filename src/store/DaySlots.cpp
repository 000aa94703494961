#include "store/DaySlots.h"

#include "store/ValueCleaning.h"

#include <QDateTime>
#include <array>

using namespace Qt::StringLiterals;

namespace DaySlots {

QString slot(const QString& field, int day, int width)
{
    return field.mid(qsizetype(day - 1) * width, width).leftJustified(width, u' ');
}

QString withSlot(const QString& field, int day, int width, const QString& value)
{
    const qsizetype start = qsizetype(day - 1) * width;
    QString out = field;
    if (out.size() < start + width)
        out = out.leftJustified(start + width, u' ');
    out.replace(start, width, tagliaTesto(value, width).leftJustified(width, u' '));
    return out;
}

long long leadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9') {
        if (value < 100000000000000000LL)
            value = value * 10 + (text.at(i).unicode() - u'0');
        ++i;
    }
    return negative ? -value : value;
}

QString counter(long long value)
{
    return QString::number(value).rightJustified(5, u' ');
}

QString repeated(const QString& slotValue, int count)
{
    return slotValue.repeated(count);
}

} // namespace DaySlots

namespace TextDate {

QString toYmd(const QDate& date)
{
    return date.toString(u"yyyyMMdd"_s);
}

QString toDmy(const QDate& date)
{
    return date.toString(u"dd/MM/yyyy"_s);
}

QString toIso(const QDate& date)
{
    return date.toString(u"yyyy-MM-dd"_s);
}

QDate fromYmd(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() != 8)
        return {};
    return QDate::fromString(t, u"yyyyMMdd"_s);
}

QDate fromDmy(const QString& text)
{
    return QDate::fromString(text.trimmed(), u"dd/MM/yyyy"_s);
}

QDate fromIso(const QString& text)
{
    return QDate::fromString(text.trimmed().left(10), u"yyyy-MM-dd"_s);
}

QString isoToYmd(const QString& text)
{
    if (text.trimmed().isEmpty())
        return u" "_s;
    return text.mid(0, 4) + text.mid(5, 2) + text.mid(8, 2);
}

QString ymdToDmy(const QString& text)
{
    return text.mid(6, 2) + u'/' + text.mid(4, 2) + u'/' + text.mid(0, 4);
}

QString stamp14(const QDateTime& at)
{
    return at.toString(u"yyyyMMddHHmmss"_s);
}

} // namespace TextDate

namespace {

// The number in characters [from, from + count) of s when they are all digits, else -1.
int digits(const QString& s, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (i >= s.size() || s.at(i) < u'0' || s.at(i) > u'9')
            return -1;
        value = value * 10 + (s.at(i).unicode() - u'0');
    }
    return value;
}

} // namespace

QString TestoTraAsterischi(const QString& s)
{
    const qsizetype open = s.indexOf(u'*');
    if (open < 0)
        return {};
    const qsizetype close = s.indexOf(u'*', open + 1);
    if (close < 0)
        return {};
    return s.mid(open + 1, close - open - 1).trimmed();
}

bool AnnoBisestile(int anno)
{
    return (anno % 4 == 0 && anno % 100 != 0) || anno % 400 == 0;
}

bool DataValida(const QString& s)
{
    static constexpr int kGiorni[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const QString t = s.trimmed();
    if (t.size() != 10)
        return false;
    const int giorno = digits(t, 0, 2);
    const int mese = digits(t, 3, 2);
    const int anno = digits(t, 6, 4);
    if (mese < 1 || mese > 12 || anno < 1900 || giorno < 1)
        return false;
    const int lunghezza = mese == 2 && AnnoBisestile(anno) ? 29 : kGiorni[mese - 1];
    return giorno <= lunghezza;
}

bool DataNonSuccessiva(const QString& a, const QString& b)
{
    auto chiave = [](const QString& d) {
        const QString t = d.left(10);
        return std::array<int, 3>{digits(t, 6, 4), digits(t, 3, 2), digits(t, 0, 2)};
    };
    return chiave(a) <= chiave(b);
}
