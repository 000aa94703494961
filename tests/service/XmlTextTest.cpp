#include "service/XmlText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(XmlText, EscapesMarkupCharactersOnce)
{
    EXPECT_EQ(escapeXml(u"Tom & Jerry <\"Città\"> l'hotel"_s),
              u"Tom &amp; Jerry &lt;&quot;Città&quot;&gt; l&apos;hotel"_s);
    // A value read from an answer keeps its references.
    EXPECT_EQ(escapeXml(u"B&amp;B &lt;3 caff&#232; &#x1F600; &quot;"_s),
              u"B&amp;B &lt;3 caff&#232; &#x1F600; &quot;"_s);
    // Anything that is no valid reference is an ordinary "&".
    EXPECT_EQ(escapeXml(u"&"_s), u"&amp;"_s);
    EXPECT_EQ(escapeXml(u"&#;"_s), u"&amp;#;"_s);
    EXPECT_EQ(escapeXml(u"&amp"_s), u"&amp;amp"_s);
    EXPECT_EQ(escapeXml(u"&nbsp;"_s), u"&amp;nbsp;"_s);
    EXPECT_EQ(escapeXml(u"&#99999999999;"_s), u"&amp;#99999999999;"_s);
    EXPECT_EQ(escapeXml(u"&#0;"_s), u"&amp;#0;"_s);
    EXPECT_EQ(escapeXml(u"&#X41;"_s), u"&amp;#X41;"_s);
    EXPECT_EQ(escapeXml(u"Q&A"_s), u"Q&amp;A"_s);
}

TEST(XmlText, DecodesEntitiesAndCharacterReferences)
{
    EXPECT_EQ(decodeXmlText(u"&lt;b&gt; &amp; &quot;x&quot; &apos;y&apos;"_s), u"<b> & \"x\" 'y'"_s);
    EXPECT_EQ(decodeXmlText(u"Citt&#224; &#xD1;&#XD1;"_s), u"Città Ñ&#XD1;"_s);
    EXPECT_EQ(decodeXmlText(u"&#x1F600;"_s), QString::fromUcs4(U"\U0001F600"));
    // Decoded once: "&amp;lt;" is the text "&lt;".
    EXPECT_EQ(decodeXmlText(u"&amp;lt;"_s), u"&lt;"_s);
    // Broken or unknown references stay as they are.
    for (const QString& kept : {u"&"_s, u"a & b"_s, u"&#;"_s, u"&#x;"_s, u"&#99999999999;"_s, u"&#xD800;"_s, u"&#12"_s,
                                u"&euro;"_s, u"&#1;"_s, u"text&"_s}) {
        EXPECT_EQ(decodeXmlText(kept), kept);
    }
}

TEST(XmlText, EscapedValuesDecodeBack)
{
    const QString values[] = {u"Rossi & figli <srl>"_s, u"L'Aquila \"centro\""_s, u"Ñandú & Città"_s, u"&#;&"_s};
    for (const QString& value : values) {
        EXPECT_EQ(decodeXmlText(escapeXml(value)), value);
    }
}
