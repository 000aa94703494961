#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The hotel runs under Italian regional settings: every number that becomes text, or text that
// becomes a number, goes through these helpers, whatever the machine's own locale.
namespace ItalianNumber {

// A number as the Italian settings write it: "1234,5" (no grouping, shortest form).
QString toText(double value);
// A number formatted with a pattern of the kind "##,###,##0.00" or "0.00": the digits after the
// point fix the decimals, a comma in the pattern asks for grouping. "1.234,50".
QString format(double value, const QString& pattern);
// Reads "1.234,50", "1234,5", "-12", " 7 " as the Italian settings read them; nullopt when the
// text is no number there.
std::optional<double> parse(const QString& text);

} // namespace ItalianNumber

// Cleans a value for a criterion, a QV field or a number field. modo 0..5.
QString PulisciValore(const QVariant& valore, int modo);

// The service's amounts ("120.00", "95.5", "120"): the decimal number they are; 0 when missing or
// not a number.
double importoServizio(const QString& text);

// The first `larghezza` characters of a text, cut where a character ends: a character outside the
// Basic Multilingual Plane (two UTF-16 units) is never split, so the cut may be one unit shorter.
// Every cut of a value to its field's width goes through here.
QString tagliaTesto(const QString& testo, qsizetype larghezza);
