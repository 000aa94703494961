#include "service/MascheraDati.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

bool benFormato(const QString& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

struct Caso
{
    const char16_t* nome;
    QString testo;
    QString atteso;
};

TEST(MascheraDati, EachSecretIsMaskedAndEverythingElseStays)
{
    const QList<Caso> casi = {
        {u"attributo CardNumber", u"<PaymentCard CardCode=\"VI\" CardNumber=\"4111111111111111\"/>"_s,
         u"<PaymentCard CardCode=\"VI\" CardNumber=\"************1111\"/>"_s},
        {u"virgolette semplici", u"<PaymentCard CardNumber='5500000000000004'/>"_s,
         u"<PaymentCard CardNumber='************0004'/>"_s},
        {u"blank attorno a =", u"<PaymentCard CardNumber = \"4111 1111 1111 1111\"/>"_s,
         u"<PaymentCard CardNumber = \"************1111\"/>"_s},
        {u"elemento CardNumber", u"<CardNumber>4111-1111-1111-1111</CardNumber>"_s,
         u"<CardNumber>************1111</CardNumber>"_s},
        {u"CardNumber con testo in chiaro annidato",
         u"<CardNumber><PlainText>378282246310005</PlainText></CardNumber>"_s,
         u"<CardNumber><PlainText>***********0005</PlainText></CardNumber>"_s},
        {u"CardNumber fuori da una carta", u"<R CardNumber=\"30569309025904\"/>"_s,
         u"<R CardNumber=\"**********5904\"/>"_s},
        {u"CardNumber con prefisso", u"<ota:PaymentCard ota:CardNumber=\"4111111111111111\"/>"_s,
         u"<ota:PaymentCard ota:CardNumber=\"************1111\"/>"_s},
        {u"cifre in PaymentCard", u"<PaymentCard><Note>carta 4111 1111 1111 1111 ok</Note></PaymentCard>"_s,
         u"<PaymentCard><Note>carta ************1111 ok</Note></PaymentCard>"_s},
        {u"cifre in Guarantee", u"<Guarantee GuaranteeCode=\"4012888888881881\">n. 4012-8888-8888-1881</Guarantee>"_s,
         u"<Guarantee GuaranteeCode=\"************1881\">n. ************1881</Guarantee>"_s},
        {u"cifre in PaymentForm", u"<PaymentForm><![CDATA[6011111111111117]]></PaymentForm>"_s,
         u"<PaymentForm><![CDATA[************1117]]></PaymentForm>"_s},
        {u"diciannove cifre", u"<PaymentForm>6011000990139424123</PaymentForm>"_s,
         u"<PaymentForm>***************4123</PaymentForm>"_s},
        {u"tredici cifre", u"<PaymentForm>4222222222222</PaymentForm>"_s,
         u"<PaymentForm>*********2222</PaymentForm>"_s},
        {u"dodici cifre restano", u"<PaymentForm>422222222222</PaymentForm>"_s,
         u"<PaymentForm>422222222222</PaymentForm>"_s},
        {u"venti cifre restano", u"<PaymentForm>42222222222222222222</PaymentForm>"_s,
         u"<PaymentForm>42222222222222222222</PaymentForm>"_s},
        {u"SeriesCode attributo", u"<PaymentCard SeriesCode=\"123\" ExpireDate=\"1227\"/>"_s,
         u"<PaymentCard SeriesCode=\"***\" ExpireDate=\"1227\"/>"_s},
        {u"CardSecurityCode elemento", u"<PaymentCard><CardSecurityCode>9876</CardSecurityCode></PaymentCard>"_s,
         u"<PaymentCard><CardSecurityCode>***</CardSecurityCode></PaymentCard>"_s},
        {u"CVV minuscolo", u"<cvv>321</cvv>"_s, u"<cvv>***</cvv>"_s},
        {u"SeriesCode annidato", u"<SeriesCode><PlainText>456</PlainText></SeriesCode>"_s,
         u"<SeriesCode><PlainText>***</PlainText></SeriesCode>"_s},
        {u"titolare e scadenza restano",
         u"<PaymentCard CardNumber=\"4111111111111111\" ExpireDate=\"0528\"><CardHolderName>Mario Rossi "
         u"1234</CardHolderName></PaymentCard>"_s,
         u"<PaymentCard CardNumber=\"************1111\" ExpireDate=\"0528\"><CardHolderName>Mario Rossi "
         u"1234</CardHolderName></PaymentCard>"_s},
        {u"password del fornitore", u"<provider Name=\"prov\" Pwd=\"p+&amp;%\" />"_s,
         u"<provider Name=\"prov\" Pwd=\"********\" />"_s},
        {u"password dell'agente", u"<XMLHotelAgent Name=\"acc\" Pwd='segreta'></XMLHotelAgent>"_s,
         u"<XMLHotelAgent Name=\"acc\" Pwd='********'></XMLHotelAgent>"_s},
        {u"Pwd altrove resta", u"<Other Pwd=\"x\"/>"_s, u"<Other Pwd=\"x\"/>"_s},
        {u"telefono resta", u"<Telephone PhoneNumber=\"+39 055 1234 5678 9012\"/>"_s,
         u"<Telephone PhoneNumber=\"+39 055 1234 5678 9012\"/>"_s},
        {u"id di sedici cifre resta", u"<HotelReservationID ResID_Value=\"1234567890123456\"/>"_s,
         u"<HotelReservationID ResID_Value=\"1234567890123456\"/>"_s},
        {u"prezzo resta", u"<PaymentCard/><Total AmountAfterTax=\"1234567890123.45\"/>"_s,
         u"<PaymentCard/><Total AmountAfterTax=\"1234567890123.45\"/>"_s},
        {u"dopo la carta chiusa resta", u"<PaymentCard></PaymentCard><Note>4111111111111111</Note>"_s,
         u"<PaymentCard></PaymentCard><Note>4111111111111111</Note>"_s},
        {u"riferimenti non si toccano", u"<PaymentForm>&#52;&#49;11111111111111</PaymentForm>"_s,
         u"<PaymentForm>&#52;&#49;**********1111</PaymentForm>"_s},
        {u"testo che non e XML", u"Error: 7 - Impossibile connettersi 4111111111111111"_s,
         u"Error: 7 - Impossibile connettersi 4111111111111111"_s},
        {u"carta lasciata aperta", u"<PaymentCard CardNumber=\"4111111111111111"_s,
         u"<PaymentCard CardNumber=\"************1111"_s},
        {u"elemento lasciato aperto", u"<PaymentForm>4111 1111 1111 1111"_s, u"<PaymentForm>************1111"_s},
        {u"vuoto", u""_s, u""_s},
    };
    for (const Caso& c : casi) {
        EXPECT_EQ(mascheraDati(c.testo), c.atteso) << QString::fromUtf16(c.nome).toStdString();
        // Masking twice changes nothing more.
        EXPECT_EQ(mascheraDati(mascheraDati(c.testo)), c.atteso) << QString::fromUtf16(c.nome).toStdString();
    }
}

// A random card number of 13 to 19 digits, written with groups of four separated by sep (none when empty).
QString numero(QRandomGenerator& rng, int cifre, const QString& sep)
{
    QString n;
    for (int i = 0; i < cifre; ++i) {
        if (i > 0 && i % 4 == 0)
            n += sep;
        n += QChar(u'0' + char16_t(rng.bounded(10)));
    }
    return n;
}

TEST(MascheraDati, RandomReservationsKeepNoCardDigitsAndStayWellFormed)
{
    QRandomGenerator rng(20260504);
    const QStringList contenitori{u"PaymentCard"_s, u"PaymentForm"_s, u"Guarantee"_s, u"ota:PaymentCard"_s};
    const QStringList separatori{QString(), u" "_s, u"-"_s};
    for (int prova = 0; prova < 400; ++prova) {
        const int cifre = 13 + int(rng.bounded(7));
        const QString carta = numero(rng, cifre, separatori.at(rng.bounded(3)));
        const QString codice = QString::number(100 + rng.bounded(900));
        const QString id = numero(rng, 16, QString());
        const QString telefono = u"+39 "_s + numero(rng, 10, u" "_s);
        const QString contenitore = contenitori.at(rng.bounded(contenitori.size()));
        const bool comeAttributo = rng.bounded(2) == 0;
        const QString pagamento =
            comeAttributo
                ? u"<%1 CardCode=\"MC\" CardNumber=\"%2\" SeriesCode=\"%3\" ExpireDate=\"1129\"><CardHolderName>Anna "
                  u"Bianchi</CardHolderName></%1>"_s.arg(contenitore, carta, codice)
                : u"<%1><CardHolderName>Anna Bianchi</CardHolderName><Note>%2</Note><CVV>%3</CVV></%1>"_s.arg(
                      contenitore, carta, codice);
        const QString xml =
            u"<HotelReservation xmlns:ota=\"urn:x\" ResStatus=\"Reserved\"><Telephone PhoneNumber=\"%1\"/>"
            u"<ResGuarantee>%2</ResGuarantee><Total AmountAfterTax=\"%3.00\"/><HotelReservationID ResID_Value=\"%4\"/>"
            u"<provider Name=\"p\" Pwd=\"%5\"/></HotelReservation>"_s.arg(
                telefono, pagamento, QString::number(rng.bounded(100000)), id, codice + u"pw"_s);
        const QString m = mascheraDati(xml);
        SCOPED_TRACE(xml.toStdString());
        ASSERT_TRUE(benFormato(xml));
        EXPECT_TRUE(benFormato(m)) << m.toStdString();
        QString cifreCarta = carta;
        cifreCarta.remove(u' ').remove(u'-');
        EXPECT_FALSE(m.contains(carta));
        EXPECT_FALSE(m.contains(cifreCarta.left(cifre - 4)));
        EXPECT_TRUE(m.contains(QString(cifre - 4, u'*') + cifreCarta.right(4))) << m.toStdString();
        EXPECT_FALSE(m.contains(u">"_s + codice + u'<') || m.contains(u'"' + codice + u'"'));
        EXPECT_FALSE(m.contains(codice + u"pw"_s));
        EXPECT_TRUE(m.contains(u"Pwd=\"********\""_s));
        // What is no secret stays as it was.
        EXPECT_TRUE(m.contains(telefono));
        EXPECT_TRUE(m.contains(u"ResID_Value=\""_s + id + u'"'));
        EXPECT_TRUE(m.contains(u"Anna Bianchi"_s));
        EXPECT_EQ(comeAttributo, m.contains(u"ExpireDate=\"1129\""_s));
        // Apart from the secrets, the text is the same.
        EXPECT_EQ(mascheraDati(m), m);
    }
}

TEST(MascheraDati, TheExcerptIsMaskedBeforeItIsCut)
{
    // The card number stands across the 200th character: cut first, a part of it would show.
    const QString testo = QString(185, u'a') + u"<PaymentCard CardNumber=\"4111111111111111\"/>"_s;
    const QString e = estrattoMascherato(testo);
    EXPECT_LE(e.size(), 200);
    EXPECT_FALSE(e.contains(u"41111111"_s));
    EXPECT_EQ(estrattoMascherato(u"  <a>\r\n  b  </a> "_s), u"<a> b </a>"_s);
}

TEST(MascheraDati, ASavedCopyIsMaskedInItsOwnCharacterSetAndOtherwiseKeptByteForByte)
{
    const QByteArray carta = "<PaymentCard CardNumber=\"4111111111111111\" SeriesCode=\"123\"/>";
    const QByteArray mascherata = "<PaymentCard CardNumber=\"************1111\" SeriesCode=\"***\"/>";
    const auto utf16 = [](const QByteArray& latin1) {
        QStringEncoder e(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        return QByteArray(e.encode(QString::fromLatin1(latin1)));
    };
    struct CasoCopia
    {
        const char* nome;
        QByteArray bytes;
        QByteArray tipo; // the Content-Type it came with
        QByteArray atteso;
    };
    const QList<CasoCopia> casi = {
        {"UTF-8", "<R>caff\xC3\xA8" + carta + "</R>\r\n", {}, "<R>caff\xC3\xA8" + mascherata + "</R>\r\n"},
        {"UTF-8 con BOM", "\xEF\xBB\xBF<R>\xE2\x82\xAC" + carta + "</R>", "text/xml; charset=utf-8",
         "\xEF\xBB\xBF<R>\xE2\x82\xAC" + mascherata + "</R>"},
        {"Latin-1 dall'intestazione", "<R>caff\xE8" + carta + "</R>", "text/xml; charset=ISO-8859-1",
         "<R>caff\xE8" + mascherata + "</R>"},
        {"Windows-1252 dalla dichiarazione",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><R>\x80" + carta + "</R>", "text/xml; charset=utf-8",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><R>\x80" + mascherata + "</R>"},
        {"UTF-16 con BOM", utf16("<R>caff\xE8" + carta + "</R>"), {}, utf16("<R>caff\xE8" + mascherata + "</R>")},
        {"byte estraneo in UTF-8", "<R>\xFF\xC3" + carta + "</R>", {}, "<R>\xFF\xC3" + mascherata + "</R>"},
        {"niente da mascherare", "<R>\xC3 4111111111111111</R>", {}, "<R>\xC3 4111111111111111</R>"},
        {"richiesta con password",
         "<provider Name=\"p\" Pwd=\"p\xE8\"></provider>",
         {},
         "<provider Name=\"p\" Pwd=\"********\"></provider>"},
        {"testo d'errore", "Error: 7 - Impossibile connettersi\r\n", {}, "Error: 7 - Impossibile connettersi\r\n"},
    };
    for (const CasoCopia& c : casi)
        EXPECT_EQ(mascheraCopia(c.bytes, c.tipo), c.atteso) << c.nome;
}

} // namespace
