#pragma once

#include <QDate>
#include <QString>

// QV's month rows keep one fixed-width slot per day, 31 slots whatever the month's length:
// day d of a field with slot width w is at characters (d-1)*w+1 .. d*w.
namespace DaySlots {

// The slot of day d (1..31); missing characters of a short field read as blanks.
QString slot(const QString& field, int day, int width);
// The field with the slot of day d replaced by value, cut or blank-padded to width. A short
// field is first padded with blanks so that the slot lands in its place.
QString withSlot(const QString& field, int day, int width, const QString& value);
// The leading number of a text (blanks skipped, sign kept): " -3  " is -3, "   " is 0, "12ab" 12.
long long leadingNumber(const QString& text);
// A counter right-aligned in 5 characters, minus sign kept: 7 -> "    7", -2 -> "   -2".
QString counter(long long value);
// 31 slots of the same value.
QString repeated(const QString& slotValue, int count = 31);

} // namespace DaySlots

// Dates as the system writes them in text.
namespace TextDate {

QString toYmd(const QDate& date);   // yyyymmdd
QString toDmy(const QDate& date);   // dd/mm/yyyy
QString toIso(const QDate& date);   // YYYY-MM-DD
QDate fromYmd(const QString& text); // invalid when it is not a date
QDate fromDmy(const QString& text); // invalid when it is not a date
QDate fromIso(const QString& text); // reads the first 10 characters; invalid when not a date
// "2026-05-04T10:11:12" -> "20260504": characters 1-4, 6-7, 9-10 joined; " " stays " ".
QString isoToYmd(const QString& text);
// "20260504" -> "04/05/2026".
QString ymdToDmy(const QString& text);
// Year, month, day, hour, minute, second with nothing between them: 14 digits.
QString stamp14(const QDateTime& at);

} // namespace TextDate

// The date and text routines the availability counting and the room checks share.

// The text between the first "*" of s and the next "*", trimmed; "" when there is no pair of stars.
QString TestoTraAsterischi(const QString& s);
// A dd/mm/yyyy text (trimmed: exactly 10 characters) whose day, month and year (from 1900) make a
// calendar date. February's length comes from the year checked.
bool DataValida(const QString& s);
// Date a on or before date b, both dd/mm/yyyy (first 10 characters), compared year, month, day.
bool DataNonSuccessiva(const QString& a, const QString& b);
// Gregorian leap year: every fourth year, except centuries not divisible by 400.
bool AnnoBisestile(int anno);
