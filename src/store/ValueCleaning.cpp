#include "store/ValueCleaning.h"

#include <QLocale>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QLocale& italian()
{
    static const QLocale locale = [] {
        QLocale l(QLocale::Italian, QLocale::Italy);
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l;
    }();
    return locale;
}

} // namespace

namespace ItalianNumber {

QString toText(double value)
{
    if (value == 0)
        return u"0"_s;
    return italian().toString(value, 'g', 15);
}

QString format(double value, const QString& pattern)
{
    const qsizetype point = pattern.indexOf(u'.');
    const int decimals = point < 0 ? 0 : int(pattern.size() - point - 1);
    const bool grouping = pattern.left(point < 0 ? pattern.size() : point).contains(u',');
    QLocale l(QLocale::Italian, QLocale::Italy);
    l.setNumberOptions(grouping ? QLocale::NumberOptions{} : QLocale::OmitGroupSeparator);
    // Round half away from zero on the decimal value, as the original formatting does.
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(std::abs(value) * scale + 1e-9) / scale;
    if (value < 0)
        rounded = -rounded;
    if (rounded == 0)
        rounded = 0; // no "-0,00"
    return l.toString(rounded, 'f', decimals);
}

std::optional<double> parse(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (t.startsWith(u'+'))
        t.remove(0, 1);
    // Thousands points may stand anywhere before the comma, as the Italian settings accept them.
    const qsizetype comma = t.indexOf(u',');
    QString whole = comma < 0 ? t : t.left(comma);
    const QString fraction = comma < 0 ? QString() : t.mid(comma + 1);
    whole.remove(u'.');
    bool negative = false;
    if (whole.startsWith(u'-')) {
        negative = true;
        whole.remove(0, 1);
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    for (QChar c : whole)
        if (!c.isDigit() || c.unicode() > 127)
            return std::nullopt;
    for (QChar c : fraction)
        if (!c.isDigit() || c.unicode() > 127)
            return std::nullopt;
    bool ok = false;
    const double v =
        (whole.isEmpty() ? u"0"_s : whole).append(u'.').append(fraction.isEmpty() ? u"0"_s : fraction).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return negative ? -v : v;
}

} // namespace ItalianNumber

QString PulisciValore(const QVariant& valore, int modo)
{
    QString testo;
    if (valore.isNull() || !valore.isValid()) {
        testo = u" "_s;
    } else {
        switch (valore.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            testo = ItalianNumber::toText(valore.toDouble());
            break;
        default:
            testo = valore.toString();
        }
        testo = testo.trimmed();
    }

    QString risultato;
    risultato.reserve(testo.size());
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const QChar c = testo.at(i).toUpper();
        const bool digit = c >= u'0' && c <= u'9';
        switch (modo) {
        case 0:
            risultato += c == u'\'' ? QChar(u'\u00B4') : c;
            break;
        case 1:
        case 3:
            if (digit || c == u'-' || c == u',' || c == u'.')
                risultato += c;
            break;
        case 2:
            if (digit || c == u'-' || c == u',')
                risultato += c;
            else if (c == u'.')
                risultato += (testo.size() - i - 1 == 2) ? QChar(u',') : c;
            break;
        case 4:
            if (digit || c == u'-')
                risultato += c;
            else if (c == u',')
                risultato += u'.';
            break;
        case 5:
            if (digit || c == u'-')
                risultato += c;
            else if (c == u'.')
                risultato += u',';
            break;
        default:
            risultato += c;
        }
    }
    if (risultato.isEmpty())
        risultato = modo == 0 ? u" "_s : u"0"_s;

    if (modo == 2 || modo == 3) {
        // Formatting needs a number; a text the Italian settings cannot read is left as cleaned.
        if (auto n = ItalianNumber::parse(risultato))
            risultato = ItalianNumber::format(*n, u"##,###,##0.00"_s).trimmed();
    }
    return risultato;
}

double importoServizio(const QString& text)
{
    QString t = text.trimmed();
    // "1,234.50": a comma before the decimal point only groups thousands; a lone comma is the
    // decimal separator ("95,50").
    if (t.contains(u'.'))
        t.remove(u',');
    else
        t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok); // the service writes a point before the decimals
    if (!ok || !std::isfinite(v))
        return 0;
    return v;
}

QString tagliaTesto(const QString& testo, qsizetype larghezza)
{
    if (larghezza <= 0)
        return {};
    if (testo.size() <= larghezza)
        return testo;
    qsizetype n = larghezza;
    if (testo.at(n - 1).isHighSurrogate() && testo.at(n).isLowSurrogate())
        --n;
    return testo.left(n);
}
