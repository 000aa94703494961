#include "service/Markup.h"
#include "service/TagScanner.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// One reservation whose comments are written as given.
QString prenotazione(const QString& commenti)
{
    return u"<HotelReservations><HotelReservation ResStatus=\"Reserved\"><ResGuests><ResGuest><Comments>"_s + commenti +
           u"</Comments></ResGuest></ResGuests><ResGlobalInfo><HotelReservationIDs><HotelReservationID "
           u"ResID_Value=\"A1\"/></HotelReservationIDs></ResGlobalInfo></HotelReservation>"
           u"<HotelReservation ResStatus=\"Reserved\"><Comments><Comment GuestViewable=\"true\"><Text>della "
           u"seconda</Text></Comment><Comment GuestViewable=\"false\"><Text>interno della seconda</Text></Comment>"
           u"</Comments></HotelReservation></HotelReservations>"_s;
}

struct Caso
{
    const char16_t* nome;
    QString commenti;
    QString ospite;
    QString interno;
};

TEST(Commenti, EveryLegalFormOfACommentIsRead)
{
    const QList<Caso> casi = {
        {u"forma solita",
         u"<Comment GuestViewable=\"true\"><Text>Arrivo tardi</Text></Comment>"
         u"<Comment GuestViewable=\"false\"><Text>Nota</Text></Comment>"_s,
         u">Arrivo tardi"_s, u">Nota"_s},
        {u"virgolette semplici",
         u"<Comment GuestViewable='true'><Text>Culla</Text></Comment>"
         u"<Comment GuestViewable='false'><Text>VIP</Text></Comment>"_s,
         u">Culla"_s, u">VIP"_s},
        {u"uno e zero",
         u"<Comment GuestViewable=\"1\"><Text>Allergia</Text></Comment>"
         u"<Comment GuestViewable=\"0\"><Text>Pagato</Text></Comment>"_s,
         u">Allergia"_s, u">Pagato"_s},
        {u"blank attorno a =",
         u"<Comment GuestViewable = \"true\" ><Text>Piano alto</Text></Comment>"
         u"<Comment\r\n  GuestViewable =\t'false'><Text>Ok</Text></Comment>"_s,
         u">Piano alto"_s, u">Ok"_s},
        {u"altri attributi prima", u"<Comment Name=\"x\" GuestViewable=\"true\"><Text>Cane</Text></Comment>"_s,
         u">Cane"_s, u" "_s},
        {u"altri attributi dopo", u"<Comment GuestViewable=\"false\" Language=\"it\"><Text>Sconto</Text></Comment>"_s,
         u" "_s, u">Sconto"_s},
        {u"maiuscole nel valore",
         u"<Comment GuestViewable=\"True\"><Text>A</Text></Comment>"
         u"<Comment GuestViewable=\"FALSE\"><Text>B</Text></Comment>"_s,
         u">A"_s, u">B"_s},
        {u"senza GuestViewable", u"<Comment><Text>Senza attributo</Text></Comment>"_s, u">Senza attributo"_s, u" "_s},
        {u"piu commenti dello stesso tipo",
         u"<Comment GuestViewable=\"true\"><Text>Uno</Text></Comment><Comment GuestViewable=\"false\"><Text>I1"
         u"</Text></Comment><Comment><Text>Due</Text></Comment><Comment GuestViewable=\"1\"><Text>Tre</Text></Comment>"
         u"<Comment GuestViewable=\"0\"><Text>I2</Text></Comment>"_s,
         u">Uno / Due / Tre"_s, u">I1 / I2"_s},
        {u"piu Text in un commento", u"<Comment GuestViewable=\"true\"><Text>a</Text><Text>b</Text></Comment>"_s,
         u">a / b"_s, u" "_s},
        {u"testo senza Text", u"<Comment GuestViewable=\"true\">Diretto</Comment>"_s, u">Diretto"_s, u" "_s},
        {u"testo vuoto", u"<Comment GuestViewable=\"true\"><Text></Text></Comment>"_s, u">"_s, u" "_s},
        {u"commento vuoto", u"<Comment GuestViewable=\"false\"/>"_s, u" "_s, u">"_s},
        {u"CDATA", u"<Comment GuestViewable=\"true\"><Text><![CDATA[a < b]]></Text></Comment>"_s,
         u"><![CDATA[a < b]]>"_s, u" "_s},
        {u"riferimenti", u"<Comment GuestViewable=\"true\"><Text>D&apos;Angelo &amp; C.</Text></Comment>"_s,
         u">D&apos;Angelo &amp; C."_s, u" "_s},
        {u"prefisso", u"<ota:Comment GuestViewable=\"true\"><ota:Text>Prefissato</ota:Text></ota:Comment>"_s,
         u">Prefissato"_s, u" "_s},
        {u"nessun commento", u""_s, u" "_s, u" "_s},
        {u"blank attorno al testo", u"<Comment GuestViewable=\"true\"><Text>\r\n  Tardi  \r\n</Text></Comment>"_s,
         u">Tardi"_s, u" "_s},
    };
    for (const Caso& c : casi) {
        const TagScanner s(prenotazione(c.commenti));
        SCOPED_TRACE(QString::fromUtf16(c.nome).toStdString());
        EXPECT_EQ(s.commento(1, true), c.ospite);
        EXPECT_EQ(s.commento(1, false), c.interno);
        // Each reservation reads its own comments only.
        EXPECT_EQ(s.commento(2, true), u">della seconda"_s);
        EXPECT_EQ(s.commento(2, false), u">interno della seconda"_s);
    }
    const TagScanner s(prenotazione({}));
    EXPECT_EQ(s.commento(0, true), u" "_s);
    EXPECT_EQ(s.commento(3, false), u" "_s);
}

TEST(Prefissi, ElementNamesLoseTheirPrefixAndNothingElseChanges)
{
    const std::pair<QString, QString> casi[] = {
        {u"<ota:A xmlns:ota=\"u\"><ota:B c:d=\"e:f\">x:y</ota:B></ota:A>"_s,
         u"<A xmlns:ota=\"u\"><B c:d=\"e:f\">x:y</B></A>"_s},
        {u"<a:b:C/>"_s, u"<C/>"_s},
        {u"<!-- <ota:A> --><![CDATA[<ota:B>]]><?pi ota:x?>"_s, u"<!-- <ota:A> --><![CDATA[<ota:B>]]><?pi ota:x?>"_s},
        {u"<A>senza prefissi</A>"_s, u"<A>senza prefissi</A>"_s},
        {u"a < b:c e 3<4"_s, u"a < b:c e 3<4"_s},
        {u"<ota: A>"_s, u"<ota: A>"_s},
        {u"<ota:Surname>Rossi</ota:Surname"_s, u"<Surname>Rossi</Surname"_s},
        {u""_s, u""_s},
    };
    for (const auto& [testo, atteso] : casi)
        EXPECT_EQ(Markup::senzaPrefissi(testo), atteso) << testo.toStdString();
}

TEST(Prefissi, APrefixedReservationReadsLikeAPlainOne)
{
    const QString semplice =
        u"<HotelReservations><HotelReservation ResStatus=\"Reserved\"><Surname>Rossi</Surname>"
        u"<RoomType RoomTypeCode=\"DBL\"/><Telephone PhoneNumber=\"055\"/><HotelReservationID ResID_Value=\"X1\"/>"
        u"</HotelReservation></HotelReservations>"_s;
    QString prefissato = semplice;
    prefissato.replace(u"</"_s, u"</ota:"_s).replace(QRegularExpression(u"<([A-Z])"_s), u"<ota:\\1"_s);
    prefissato.replace(u"<ota:HotelReservations>"_s, u"<ota:HotelReservations xmlns:ota=\"urn:ota\">"_s);
    ASSERT_TRUE(prefissato.contains(u"<ota:Surname>Rossi</ota:Surname>"_s));
    for (const QString& testo : {semplice, prefissato}) {
        TagScanner s(testo);
        EXPECT_EQ(s.reservationCount(), 1);
        EXPECT_TRUE(s.reservationClosed(1));
        EXPECT_EQ(s.CercaTag(1, u"Surname"_s, {}), u"Rossi"_s);
        EXPECT_EQ(s.CercaTag(1, u"HotelReservationID"_s, u"ResID_Value"_s), u"X1"_s);
        EXPECT_EQ(s.CercaTag(1, u"HotelReservation "_s, u"ResStatus"_s), u"Reserved"_s);
        EXPECT_EQ(s.CercaTagPrenotazione(1, 1, u"RoomType "_s, u"RoomTypeCode"_s), u"DBL"_s);
        EXPECT_EQ(s.CercaTagPrenotazione(1, 1, u"Telephone "_s, u"PhoneNumber"_s), u"055"_s);
    }
}

} // namespace
