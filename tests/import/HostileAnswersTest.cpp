// Answers that are broken, hostile or unusual: text that looks like markup, attributes in other quotes,
// values no field can hold, and deliveries that would undo a cancellation. No reservation may be lost,
// stored wrong or confirmed without being stored, and a bad one never stops the next ones.

#include "ImportFixture.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;
using namespace ImportSupport;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class HostileAnswers : public SimImportTest
{
protected:
    void add(const QString& fragment) { sim.addReservation(fragment); }
    void setRow(const QString& id, const QString& status, int registrata)
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Reservations"_s);
        ASSERT_TRUE(rs.FindFirst(u"NPren = ?"_s, {id}));
        rs.Edit();
        rs.setField(u"Status"_s, status);
        rs.setField(u"Registrata"_s, registrata);
        rs.Update();
    }
    // A reservation stored whole: name, dates, room and e-mail as sent.
    void expectWhole(const QString& id, const QString& lastName = u"Rossi"_s)
    {
        const QVariantMap v = row(id);
        EXPECT_EQ(v[u"LastName"_s].toString(), lastName) << id.toStdString();
        EXPECT_EQ(v[u"DataFrom"_s].toString(), u"20260810"_s) << id.toStdString();
        EXPECT_EQ(v[u"DataTo"_s].toString(), u"20260812"_s) << id.toStdString();
        EXPECT_EQ(v[u"Room1"_s].toString(), u"DBL"_s) << id.toStdString();
        EXPECT_EQ(v[u"EMail"_s].toString(), u"mario.rossi@example.it"_s) << id.toStdString();
        EXPECT_EQ(prices(id).count, 2) << id.toStdString();
    }
};

// Boundaries: reservations and the elements read are markup only, never text that looks like it.
TEST_F(HostileAnswers, TextThatLooksLikeMarkupNeitherSplitsNorFeedsAReservation)
{
    using Text = std::optional<QString> Reservation::*;
    const std::tuple<const char16_t*, Text, QString> cases[] = {
        {u"A1", &Reservation::guestComment, u"Please see HotelReservation number 5"_s},
        {u"A2", &Reservation::company, u"HotelReservation Srl"_s},
        {u"A3", &Reservation::guestComment, u"<![CDATA[vedi <HotelReservation ResStatus=\"X\">]]>"_s},
        {u"A4", &Reservation::internalComment, u"<![CDATA[chiusa </HotelReservation> qui]]>"_s},
        {u"A5", &Reservation::guestComment, u"<!-- <HotelReservationID ResID_Value=\"Z9\"/> -->ok"_s},
        {u"A6", &Reservation::guestComment, u"<![CDATA[<Surname>Falso</Surname><TimeSpan Start=\"1999-01-01\">]]>"_s},
    };
    QStringList ids;
    for (const auto& [id, field, text] : cases) {
        Reservation r = basic(QString::fromUtf16(id));
        r.*field = text;
        add(fragment(r));
        ids.append(QString::fromUtf16(id));
    }
    add(fragment(basic(u"A7"_s)));
    ids.append(u"A7"_s);
    run();

    for (const QString& id : ids)
        expectWhole(id);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), ids.size());
    EXPECT_EQ(sim.confirmedIds(), ids);
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(row(u"A2"_s)[u"Agency"_s].toString(), u"HotelReservation Srl"_s);
    EXPECT_THAT(row(u"A4"_s)[u"Notes"_s].toString().toStdString(), HasSubstr("chiusa </HotelReservation> qui"));

    // The same texts in a cancellation: it is applied, never lost to a blank status.
    Reservation c = basic(u"A1"_s);
    c.status = u"Cancelled"_s;
    c.guestComment = u"Please see HotelReservation number 5 <![CDATA[<HotelReservation ]]>"_s;
    sim.addCancellation(fragment(c));
    run();
    EXPECT_EQ(row(u"A1"_s)[u"Status"_s].toString(), u"Cancelled"_s);
    EXPECT_EQ(row(u"A1"_s)[u"Registrata"_s].toInt(), 0);
}

TEST_F(HostileAnswers, AttributesInSingleQuotesAreReadAsXmlDefinesThem)
{
    Reservation r = basic(u"D1"_s);
    r.globalTotal = u"330.00"_s;
    QString x = replaced(fragment(r), u"ResID_Value=\"D1\""_s, u"ResID_Value='D3'"_s);
    x = replaced(x, u"Start=\"2026-08-10\""_s, u"Start = '2026-08-10'"_s);
    x = replaced(x, u"<Total AmountAfterTax=\"330.00\""_s, u"<Total AmountAfterTax='330.00'"_s);
    add(x);
    Reservation second = basic(u"D4"_s);
    add(replaced(fragment(second), u"ResID_Value=\"D4\""_s, u"ResID_Value='D4'"_s));
    run();

    expectWhole(u"D3"_s);
    expectWhole(u"D4"_s);
    EXPECT_EQ(row(u"D3"_s)[u"Amount"_s].toString(), u"330,00"_s);
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"D3"_s, u"D4"_s}));
}

TEST_F(HostileAnswers, MalformedReservationsAreNeitherStoredNorConfirmedAndSayWhy)
{
    struct Case
    {
        const char16_t* id;
        QString from;
        QString to;
        const char* reason;
    };
    const Case cases[] = {
        {u"M1", u"ResID_Value=\"M1\""_s, u"ResID_Value=M1"_s, "valore di attributo senza virgolette"},
        {u"M2", u"<Total AmountAfterTax=\"200.00\""_s, u"<Total AmountAfterTax=330.00"_s,
         "valore di attributo senza virgolette"},
        {u"M3", u"<Surname>Rossi</Surname>"_s, u"<Surname><![CDATA[Rossi</Surname>"_s, "sezione CDATA non chiusa"},
        {u"M4", u"<RoomStays>"_s, u"<RoomStays>"_s + fragment(basic(u"M5"_s)), "contiene un'altra prenotazione"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        WorkDir fresh;
        SimServer service;
        prepare(fresh, service, {{u"DBL"_s, u"Camera doppia"_s}});
        service.addReservation(fragment(basic(u"OK1"_s)));
        service.addReservation(replaced(fragment(basic(QString::fromUtf16(c.id))), c.from, c.to));
        if (QString::fromUtf16(c.id) != u"M3") // an unclosed CDATA takes the rest of the answer with it
            service.addReservation(fragment(basic(u"OK2"_s)));
        download(fresh.ctx);

        EXPECT_TRUE(reservationRows(fresh.dir(), QString::fromUtf16(c.id)).isEmpty());
        EXPECT_TRUE(reservationRows(fresh.dir(), u"M5"_s).isEmpty());
        EXPECT_EQ(reservationRow(fresh.dir(), u"OK1"_s)[u"LastName"_s].toString(), u"Rossi"_s);
        EXPECT_FALSE(service.confirmedIds().contains(QString::fromUtf16(c.id)));
        EXPECT_FALSE(service.confirmedIds().contains(u"M5"_s));
        EXPECT_TRUE(service.confirmedIds().contains(u"OK1"_s));
        const std::string text = fresh.op.messageTexts().join(u'\n').toStdString();
        EXPECT_THAT(text, HasSubstr("non è scritta correttamente"));
        EXPECT_THAT(text, HasSubstr(c.reason));
        EXPECT_THAT(text, ::testing::Not(HasSubstr("non ha un numero")));
    }
}

// Values: one a field cannot hold refuses its reservation, named; never another number, never the next ones.
TEST_F(HostileAnswers, ValuesBeyondTheirFieldRefuseOnlyTheirReservation)
{
    struct Case
    {
        const char16_t* id;
        std::function<void(Reservation&)> change;
        const char* field;
    };
    const Case cases[] = {
        {u"V1", [](Reservation& r) { r.stays[0].units = u"2147483648"_s; }, "Room1_Q"},
        {u"V2", [](Reservation& r) { r.globalTotal = u"99999999999999999.00"_s; }, "Amount"},
        {u"V3", [](Reservation& r) { r.stays[0].rates[0].amount = u"-99999999999999999.00"_s; }, "Room1_P"},
        {u"V4", [](Reservation& r) { r.stays[0].total = u"123456789012345678901234567890.00"_s; }, "Orig_Amount"},
        {u"V5", [](Reservation& r) { r.stays[0].guestCounts = {2}; }, "Room1_QP"},
        {u"V6", [](Reservation& r) { r.stays[0].rates[1].amount = u"1e300"_s; }, "Price"},
    };
    for (const Case& c : cases) {
        Reservation r = basic(QString::fromUtf16(c.id));
        c.change(r);
        QString x = fragment(r);
        if (QString::fromUtf16(c.id) == u"V5")
            x = replaced(x, u"Count=\"2\""_s, u"Count=\"100000000000000000000\""_s);
        add(x);
    }
    Reservation big = basic(u"V9"_s);
    big.globalTotal = u"123456789012.34"_s; // large, but what a currency field holds: exact
    add(fragment(big));
    run();

    for (const Case& c : cases) {
        const QString id = QString::fromUtf16(c.id);
        EXPECT_TRUE(reservationRows(w.dir(), id).isEmpty()) << c.field;
        EXPECT_EQ(prices(id).count, 0) << c.field;
        EXPECT_THAT(shown(), HasSubstr(id.toStdString() + " (n. ")) << c.field;
        EXPECT_THAT(shown(), HasSubstr(std::string("campo ") + c.field)) << c.field;
    }
    EXPECT_THAT(shown(), HasSubstr("\"2147483648\""));
    EXPECT_EQ(row(u"V9"_s)[u"Amount"_s].toString(), u"123.456.789.012,34"_s);
    EXPECT_EQ(sim.confirmedIds(), QStringList{u"V9"_s});
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 1);
}

TEST_F(HostileAnswers, MissingOrNonNumericValuesStillCountAsZeroAndAStayIsOneRoom)
{
    Reservation r = basic(u"Z1"_s);
    r.stays[0].rates[0].amount = std::nullopt;
    r.stays[0].rates[1].amount = u"abc"_s;
    r.stays[0].units = u"due"_s;
    r.globalTotal = u"n/d"_s;
    add(fragment(r));
    run();
    const QVariantMap v = row(u"Z1"_s);
    EXPECT_EQ(v[u"Amount"_s].toString(), u"0,00"_s);
    EXPECT_EQ(v[u"Room1_Q"_s].toInt(), 1);
    EXPECT_EQ(v[u"Room1_S"_s].toString(), u"DBL"_s); // the slot's values are kept
    EXPECT_EQ(prices(u"Z1"_s).byDay.value(u"DBL|20260810"_s), u"0"_s);
    EXPECT_EQ(prices(u"Z1"_s).byDay.value(u"DBL|20260811"_s), u"0,00"_s);
    EXPECT_EQ(sim.confirmedIds(), QStringList{u"Z1"_s});
}

TEST_F(HostileAnswers, EveryCutToAFieldsWidthKeepsWholeCharacters)
{
    const QString emoji = u"\U0001F600"_s;
    Reservation r = basic(u"E1"_s);
    r.surname = QString(49, u'R') + emoji + u"xyz"_s; // the 50th character is the emoji's first half
    r.givenName = QString(49, u'G') + emoji;
    r.phones = {u"+39 055 1234567890"_s + emoji};
    r.city = QString(99, u'C') + emoji;
    add(fragment(r));
    run();

    const QVariantMap v = row(u"E1"_s);
    EXPECT_EQ(v[u"LastName"_s].toString(), QString(49, u'R'));
    EXPECT_EQ(v[u"FirstName"_s].toString(), QString(49, u'G'));
    EXPECT_EQ(v[u"City"_s].toString(), QString(99, u'C'));
    for (const QString& field : {u"LastName"_s, u"FirstName"_s, u"Phone"_s, u"City"_s}) {
        const QString value = v[field].toString();
        EXPECT_EQ(QString::fromUtf8(value.toUtf8()), value) << field.toStdString(); // no lone surrogate
    }
    // What the SQLite file holds is valid UTF-8 for any reader.
    Database db(w.dir(), u"SimpleBooking.mdb"_s);
    QSqlQuery q = db.query();
    ASSERT_TRUE(q.exec(u"SELECT CAST(LastName AS BLOB), CAST(Phone AS BLOB) FROM Reservations"_s) && q.next());
    for (int c = 0; c < 2; ++c) {
        const QByteArray bytes = q.value(c).toByteArray();
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes);
    }
}

// States: a cancellation is never undone, a modification of nothing known is never lost.
TEST_F(HostileAnswers, ACancellationIsNeverUndoneNorOfferedTwice)
{
    add(fragment(basic(u"C1"_s)));
    add(fragment(basic(u"C2"_s)));
    add(fragment(basic(u"C3"_s)));
    run();
    setRow(u"C2"_s, u"Reserved"_s, 1); // registered in QV

    // Entries of the cancellation answer with a missing or other status are cancellations all the same.
    sim.addCancellation(cancellation(u"C1"_s, u"Reserved"_s));
    sim.addCancellation(cancellation(u"C2"_s, u""_s));
    run();
    for (const QString& id : {u"C1"_s, u"C2"_s}) {
        EXPECT_EQ(row(id)[u"Status"_s].toString(), u"Cancelled"_s) << id.toStdString();
        EXPECT_EQ(row(id)[u"Registrata"_s].toInt(), 0) << id.toStdString();
    }
    EXPECT_THAT(notices(), HasSubstr("con lo stato \"Reserved\""));

    // A later delivery of the "new" answer leaves a waiting cancellation as it is.
    Reservation again = basic(u"C1"_s, QDate(2026, 9, 1), 3);
    again.status = u"Modify"_s;
    add(fragment(again));
    add(fragment(basic(u"C2"_s)));
    const QVariantMap before = row(u"C1"_s);
    run();
    EXPECT_EQ(row(u"C1"_s), before);
    EXPECT_EQ(row(u"C2"_s)[u"Status"_s].toString(), u"Cancelled"_s);
    EXPECT_EQ(row(u"C2"_s)[u"Registrata"_s].toInt(), 0);
    EXPECT_THAT(notices(), HasSubstr("C1 (Rossi Mario) è annullata"));

    // A cancellation the review handled is confirmed again when delivered again, but not reopened.
    setRow(u"C3"_s, u"Cancelled"_s, 1);
    sim.addCancellation(cancellation(u"C3"_s));
    run();
    EXPECT_EQ(row(u"C3"_s)[u"Registrata"_s].toInt(), 1);
    EXPECT_EQ(sim.confirmedIds().count(u"C3"_s), 2);
    EXPECT_EQ(sim.confirmedIds().count(u"C1"_s), 3);
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

} // namespace
