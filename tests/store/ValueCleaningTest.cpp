#include "store/ValueCleaning.h"
#include "store/DaySlots.h"
#include "store/TextFile.h"

#include "support/QtPrinters.h"
#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(PulisciValore, ModesOnTextsNumbersAndNull)
{
    EXPECT_EQ(PulisciValore(QVariant(), 0), u" "_s);
    EXPECT_EQ(PulisciValore(QVariant(), 1), u"0"_s);
    EXPECT_EQ(PulisciValore(u"  l'hotel  "_s, 0), u"L\u00B4HOTEL"_s);
    EXPECT_EQ(PulisciValore(u"città"_s, 0), u"CITTÀ"_s);
    EXPECT_EQ(PulisciValore(u"-12 camere"_s, 1), u"-12"_s);
    EXPECT_EQ(PulisciValore(u"1.234.56"_s, 2), u"1.234,56"_s);
    EXPECT_EQ(PulisciValore(u"120.00"_s, 2), u"120,00"_s);
    EXPECT_EQ(PulisciValore(1234.5, 2), u"1.234,50"_s); // the number is first written "1234,5"
    EXPECT_EQ(PulisciValore(120, 2), u"120,00"_s);
    EXPECT_EQ(PulisciValore(u"1234567,891"_s, 3), u"1.234.567,89"_s);
    EXPECT_EQ(PulisciValore(u"-0,004"_s, 2), u"0,00"_s);
    EXPECT_EQ(PulisciValore(u"12,50"_s, 4), u"12.50"_s);
    EXPECT_EQ(PulisciValore(u"12.50"_s, 5), u"12,50"_s);
    for (int modo : {1, 4, 5})
        EXPECT_EQ(PulisciValore(u"abc"_s, modo), u"0"_s) << modo;
    EXPECT_EQ(PulisciValore(u"abc"_s, 2), u"0,00"_s); // the amount modes format the "0"
    EXPECT_EQ(PulisciValore(u"abc"_s, 3), u"0,00"_s);
    EXPECT_EQ(PulisciValore(u""_s, 0), u" "_s);
}

TEST(ItalianNumber, ReadsAndWritesTheItalianWay)
{
    EXPECT_EQ(ItalianNumber::parse(u"1.234,50"_s), 1234.5);
    EXPECT_EQ(ItalianNumber::parse(u" -7 "_s), -7);
    EXPECT_EQ(ItalianNumber::parse(u"0,5"_s), 0.5);
    EXPECT_EQ(ItalianNumber::parse(u"12.50"_s), 1250); // the point groups thousands
    EXPECT_EQ(ItalianNumber::parse(u"abc"_s), std::nullopt);
    EXPECT_EQ(ItalianNumber::parse(u""_s), std::nullopt);
    EXPECT_EQ(ItalianNumber::parse(u"1,2,3"_s), std::nullopt);
    EXPECT_EQ(ItalianNumber::toText(1234.5), u"1234,5"_s);
    EXPECT_EQ(ItalianNumber::toText(95), u"95"_s);
    EXPECT_EQ(ItalianNumber::format(95.5, u"0.00"_s), u"95,50"_s);
    EXPECT_EQ(ItalianNumber::format(2.345, u"0.00"_s), u"2,35"_s);
    EXPECT_EQ(ItalianNumber::format(1234567.0, u"##,###,##0.00"_s), u"1.234.567,00"_s);
    EXPECT_DOUBLE_EQ(importoServizio(u"95.5"_s), 95.5);
    EXPECT_DOUBLE_EQ(importoServizio(u"120"_s), 120);
    EXPECT_DOUBLE_EQ(importoServizio(u" "_s), 0);
}

TEST(DaySlots, FixedWidthMonthStrings)
{
    const QString libere = DaySlots::repeated(DaySlots::counter(4));
    EXPECT_EQ(libere.size(), 155);
    QString f = DaySlots::withSlot(libere, 31, 5, DaySlots::counter(-2));
    EXPECT_EQ(DaySlots::slot(f, 31, 5), u"   -2"_s);
    EXPECT_EQ(DaySlots::leadingNumber(DaySlots::slot(f, 31, 5)), -2);
    EXPECT_EQ(DaySlots::leadingNumber(DaySlots::slot(f, 30, 5)), 4);
    EXPECT_EQ(DaySlots::leadingNumber(u"     "_s), 0);
    EXPECT_EQ(DaySlots::leadingNumber(u"12ab"_s), 12);
    // A short field is padded so that the slot lands in its place.
    EXPECT_EQ(DaySlots::withSlot(u"C"_s, 3, 1, u"T"_s), u"C T"_s);
    EXPECT_EQ(DaySlots::slot(u"AB"_s, 2, 3), u"   "_s);
}

TEST(TextDate, ConversionsBetweenTheSystemsForms)
{
    const QDate d(2026, 3, 7);
    EXPECT_EQ(TextDate::toYmd(d), u"20260307"_s);
    EXPECT_EQ(TextDate::toDmy(d), u"07/03/2026"_s);
    EXPECT_EQ(TextDate::toIso(d), u"2026-03-07"_s);
    EXPECT_EQ(TextDate::isoToYmd(u"2026-05-04T10:11:12"_s), u"20260504"_s);
    EXPECT_EQ(TextDate::isoToYmd(u" "_s), u" "_s);
    EXPECT_EQ(TextDate::ymdToDmy(u"20260504"_s), u"04/05/2026"_s);
    EXPECT_EQ(TextDate::fromIso(u"2026-02-30"_s), QDate());
    EXPECT_EQ(TextDate::fromYmd(u"20240229"_s), QDate(2024, 2, 29));
    EXPECT_EQ(TextDate::stamp14(QDateTime(QDate(2026, 5, 5), QTime(14, 7, 9))), u"20260505140709"_s);
}

TEST(TextFile, Windows1252WithCrLf)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"a.txt"_s);
    ASSERT_TRUE(TextFile::writeLines(path, {u"Città €"_s, u""_s, u"x"_s}).isEmpty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Citt\xE0 \x80\r\n\r\nx\r\n"));
    EXPECT_EQ(TextFile::readLines(path), (QStringList{u"Città €"_s, u""_s, u"x"_s}));
    EXPECT_EQ(TextFile::readLines(tmp.filePath(u"missing.txt"_s)), std::nullopt);
    EXPECT_FALSE(TextFile::writeLines(tmp.path(), {u"x"_s}).isEmpty()); // a folder cannot be written over
}
