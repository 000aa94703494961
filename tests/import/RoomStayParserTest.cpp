// Attributes of the room stay elements are read from the element's own start tag, never from the next one.

#include "import/RoomStayParser.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString own(const QString& text, const QString& tag, QStringView name)
{
    return RoomStayParser::attributoProprio(text, text.indexOf(tag) + 1, name);
}

TEST(RoomStayParserTest, AttributeComesOnlyFromTheElementsOwnStartTag)
{
    const QString rates = u"<RoomRate EffectiveDate=\"2026-08-01\" RoomTypeCode=\"DBL\"><Base CurrencyCode=\"EUR\"/>"
                          u"</RoomRate><RoomRate EffectiveDate=\"2026-08-02\" ExpireDate=\"2026-08-03\">"
                          u"<Base AmountAfterTax = '95.5' Note=\"a > b\"/><Total AmountAfterTax=\"300.00\"/>"_s;
    EXPECT_EQ(own(rates, u"<RoomRate "_s, u"EffectiveDate"), u"2026-08-01"_s);
    EXPECT_EQ(own(rates, u"<RoomRate "_s, u"ExpireDate"), u" "_s); // not the next rate's
    EXPECT_EQ(own(rates, u"<Base "_s, u"AmountAfterTax"), u" "_s); // not the Total's
    EXPECT_EQ(own(rates, u"<Base AmountAfterTax"_s, u"AmountAfterTax"), u"95.5"_s);
    EXPECT_EQ(own(rates, u"<Base AmountAfterTax"_s, u"Note"), u"a > b"_s);
    EXPECT_EQ(own(rates, u"<RoomRate "_s, u"Date"), u" "_s); // whole names only

    const QString blanks = u"<RoomType RoomTypeCode=\"  DBL \" NumberOfUnit=\"\" Open=\"12"_s;
    EXPECT_EQ(own(blanks, u"<RoomType"_s, u"RoomTypeCode"), u"DBL"_s);
    EXPECT_EQ(own(blanks, u"<RoomType"_s, u"NumberOfUnit"), u" "_s);
    EXPECT_EQ(own(blanks, u"<RoomType"_s, u"Open"), u"12"_s); // left open: up to the end
    EXPECT_EQ(RoomStayParser::attributoProprio(blanks, 0, u"RoomTypeCode"), u" "_s);
}

} // namespace
