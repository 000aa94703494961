// StrComp(field, value, 0): the exact comparison for keys whose case counts, where text otherwise
// compares without regard to case.

#include "store/Database.h"
#include "store/Recordset.h"
#include "store/StoreError.h"

#include "support/WorkDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ConfrontoEsatto : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.bootstrap();
        for (const char16_t* id :
             {u"cx4", u"CX4", u"Cx4", u"AB-12345678901234567890", u"ab-12345678901234567890", u"città", u"CITTÀ"})
            add(QString::fromUtf16(id));
    }
    void add(const QString& id) const
    {
        w.insert(u"SimpleBooking.mdb"_s, u"Reservations"_s,
                 {{u"NumeroHotel"_s, 1}, {u"NPren"_s, id}, {u"LastName"_s, u"per "_s + id}, {u"Registrata"_s, 0}});
    }
    // The NPren of every row the criteria find, in table order.
    QStringList trovate(const QString& criteria, const QVariantList& values) const
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Reservations"_s);
        QStringList out;
        for (bool f = rs.FindFirst(criteria, values); f && out.size() < 20; f = rs.FindNext(criteria, values))
            out.append(rs.Field(u"NPren"_s).toString());
        return out;
    }

    WorkDir w;
};

TEST_F(ConfrontoEsatto, IdsThatDifferOnlyInCaseAreDifferentRows)
{
    const std::pair<QString, QStringList> casi[] = {
        {u"cx4"_s, {u"cx4"_s}},     {u"CX4"_s, {u"CX4"_s}},     {u"Cx4"_s, {u"Cx4"_s}}, {u"cX4"_s, {}}, {u"cx4 "_s, {}},
        {u"città"_s, {u"città"_s}}, {u"CITTÀ"_s, {u"CITTÀ"_s}}, {u"CITTà"_s, {}},       {u""_s, {}},
    };
    for (const auto& [id, attese] : casi) {
        EXPECT_EQ(trovate(u"StrComp(NPren, ?, 0) = 0"_s, {id}), attese) << id.toStdString();
        // With other criteria around it, and the value written in the criteria.
        EXPECT_EQ(trovate(u"NumeroHotel = 1 and StrComp(NPren, ?, 0) = 0 and Registrata = 0"_s, {id}), attese);
        if (!id.contains(u'\'')) {
            EXPECT_EQ(trovate(u"StrComp(NPren, '"_s + id + u"', 0) = 0"_s, {}), attese);
        }
    }
    // The usual comparison still finds them all, as the rows of older versions were found.
    EXPECT_EQ(trovate(u"NPren = ?"_s, {u"cx4"_s}), (QStringList{u"cx4"_s, u"CX4"_s, u"Cx4"_s}));
}

TEST_F(ConfrontoEsatto, NotEqualAndALeftPartCompareExactlyToo)
{
    EXPECT_EQ(trovate(u"StrComp(NPren, ?, 0) <> 0 and NPren = ?"_s, {u"CX4"_s, u"cx4"_s}),
              (QStringList{u"cx4"_s, u"Cx4"_s}));
    // The voucher test: another reservation whose first 20 characters are the same, exactly.
    const QString criteria = u"StrComp(NPren, ?, 0) <> 0 and StrComp(left(NPren, 20), ?, 0) = 0"_s;
    EXPECT_TRUE(trovate(criteria, {u"AB-12345678901234567890"_s, u"AB-12345678901234567"_s}).isEmpty());
    add(u"AB-12345678901234567XYZ"_s);
    EXPECT_EQ(trovate(criteria, {u"AB-12345678901234567890"_s, u"AB-12345678901234567"_s}),
              QStringList{u"AB-12345678901234567XYZ"_s});
    EXPECT_EQ(trovate(criteria, {u"ab-12345678901234567890"_s, u"ab-12345678901234567"_s}), QStringList{});
    // A Null never matches, equal or not.
    add(u"nullo"_s);
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Reservations"_s);
        ASSERT_TRUE(rs.FindFirst(u"NPren = ?"_s, {u"nullo"_s}));
        rs.Edit();
        rs.setField(u"NPren"_s, QVariant());
        rs.Update();
    }
    EXPECT_EQ(trovate(u"LastName = ?"_s, {u"per nullo"_s}), QStringList{QString()});
    EXPECT_EQ(trovate(u"StrComp(NPren, ?, 0) <> 0 and LastName = ?"_s, {u"x"_s, u"per nullo"_s}), QStringList{});
    EXPECT_EQ(trovate(u"StrComp(NPren, ?, 0) = 0 and LastName = ?"_s, {u"x"_s, u"per nullo"_s}), QStringList{});
}

TEST_F(ConfrontoEsatto, OnlyTheBinaryComparisonWithZeroIsAccepted)
{
    for (const QString& criteria :
         {u"StrComp(NPren, ?, 1) = 0"_s, u"StrComp(NPren, ?, 0) = 1"_s, u"StrComp(NPren, ?, 0) < 0"_s,
          u"StrComp(NPren, ?) = 0"_s, u"StrComp(NPren, ?, 0)"_s}) {
        EXPECT_THROW(trovate(criteria, {u"cx4"_s}), StoreError) << criteria.toStdString();
    }
}

} // namespace
