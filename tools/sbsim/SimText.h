#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

// Small text routines the simulator shares: form decoding, attribute lookup, XML escaping and the
// date tokens of scenario files.
namespace SimText {

// Decodes one application/x-www-form-urlencoded component: "+" is a blank, "%XX" a byte; a "%" that is
// not followed by two hex digits stays as it is. The bytes are read as UTF-8.
QString formDecode(QByteArrayView component);

// The decoded value of the first field called `name` in a form body; found tells whether it was there.
QString formValue(QByteArrayView body, QByteArrayView name, bool* found = nullptr);

// The value of the first attribute `name` (a whole attribute name, single or double quotes) at or after
// `from`; empty when there is none. `found` tells an empty value from a missing attribute.
QString attributeValue(const QString& text, const QString& name, qsizetype from = 0, bool* found = nullptr);

// Every value of the attribute `name` in the text, in order.
QStringList attributeValues(const QString& text, const QString& name);

QString xmlEscape(const QString& text);

// A CDATA section holding `text`; a "]]>" inside it is split across two sections.
QString cdata(const QString& text);

// Replaces {{today}}, {{today+N}}, {{today-N}} with a YYYY-MM-DD date and {{now}}, {{now+N}}, {{now-N}}
// with YYYY-MM-DDTHH:MM:SS (N in days), so scenario data stays current whatever the day.
QString expandDateTokens(const QString& text, const QDateTime& now);

// The local time in the OTA form YYYY-MM-DDTHH:MM:SS.
QString otaTimeStamp(const QDateTime& when);

} // namespace SimText
