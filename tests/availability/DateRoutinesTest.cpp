// The shared date and text routines, against the Gregorian calendar of QDate.

#include "store/DaySlots.h"

#include <gtest/gtest.h>

#include <QDate>
#include <random>

using namespace Qt::StringLiterals;

namespace {

QString dmy(int d, int m, int y)
{
    return u"%1/%2/%3"_s.arg(d, 2, 10, QChar(u'0')).arg(m, 2, 10, QChar(u'0')).arg(y, 4, 10, QChar(u'0'));
}

TEST(DateRoutines, DataValidaAgreesWithTheCalendarForEveryDayMonthAndYear)
{
    for (int y : {1899, 1900, 1996, 2000, 2023, 2024, 2026, 2100, 2400})
        for (int m = 0; m <= 13; ++m)
            for (int d = 0; d <= 32; ++d)
                EXPECT_EQ(DataValida(dmy(d, m, y)), y >= 1900 && QDate(y, m, d).isValid())
                    << dmy(d, m, y).toStdString();
    EXPECT_TRUE(DataValida(u"  29/02/2000 "_s));
    EXPECT_FALSE(DataValida(u"29/02/2100"_s));
    EXPECT_FALSE(DataValida(u"1/02/2026"_s));
    EXPECT_FALSE(DataValida(u"//"_s));
    EXPECT_FALSE(DataValida(u"0a/02/2026"_s));
    EXPECT_TRUE(AnnoBisestile(2000));
    EXPECT_FALSE(AnnoBisestile(1900));
    EXPECT_FALSE(AnnoBisestile(2100));
    EXPECT_TRUE(AnnoBisestile(2028));
    EXPECT_FALSE(AnnoBisestile(2027));
}

TEST(DateRoutines, DataNonSuccessivaOrdersAsTheCalendar)
{
    std::mt19937 random(8);
    std::uniform_int_distribution<qint64> day(QDate(1990, 1, 1).toJulianDay(), QDate(2060, 12, 31).toJulianDay());
    for (int i = 0; i < 2000; ++i) {
        const QDate a = QDate::fromJulianDay(day(random));
        const QDate b = i % 5 == 0 ? a : QDate::fromJulianDay(day(random));
        EXPECT_EQ(DataNonSuccessiva(TextDate::toDmy(a) + u" 10:00"_s, TextDate::toDmy(b)), a <= b);
    }
}

TEST(DateRoutines, TestoTraAsterischi)
{
    EXPECT_EQ(TestoTraAsterischi(u"*WEB* arrivo tardi"_s), u"WEB"_s);
    EXPECT_EQ(TestoTraAsterischi(u"nota * VIP  * e *altro*"_s), u"VIP"_s);
    EXPECT_EQ(TestoTraAsterischi(u"solo * una stella"_s), QString());
    EXPECT_EQ(TestoTraAsterischi(u"nessuna"_s), QString());
    EXPECT_EQ(TestoTraAsterischi(u"**"_s), QString());
}

} // namespace
