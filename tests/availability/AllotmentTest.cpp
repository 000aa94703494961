// Allotments: the allotment booking (kind R) holds its rooms, bookings drawn from it (kind D) take
// them room by room, and uncounting gives them back. Their order matters, so they run in a fixed one.

#include "Albergo.h"
#include "availability/AggiornaAllotment.h"
#include "availability/CalcolaDisponibilita.h"

#include <gtest/gtest.h>

#include <QFile>

#include "store/StoreError.h"

using namespace Qt::StringLiterals;
using namespace AlbergoSupport;

namespace {

class Allotment : public ::testing::Test
{
protected:
    // Company 42's rows: day|room -> "used/unused/Scaduto"
    QMap<QString, QString> riserva() const
    {
        QMap<QString, QString> out;
        for (const QVariantMap& r : h.righe(u"Allotments.mdb"_s, u"Riserva"_s))
            if (r.value(u"CodiceDitta"_s).toInt() == 42)
                out.insert(r.value(u"DataAllotments"_s).toString().mid(6) + u'|' +
                               r.value(u"NumeroCamera"_s).toString().trimmed(),
                           u"%1/%2/%3"_s.arg(r.value(u"CamereUtilizzate"_s).toInt())
                               .arg(r.value(u"CamereNonUtilizzate"_s).toInt())
                               .arg(r.value(u"Scaduto"_s).toString()));
        return out;
    }
    // day -> "free/confirmed/allotment" of July's DBL row
    QString luglio(int giorno) const
    {
        return u"%1/%2/%3"_s.arg(h.slot(u"202607DBL"_s, u"Libere"_s, giorno))
            .arg(h.slot(u"202607DBL"_s, u"Confermate"_s, giorno))
            .arg(h.slot(u"202607DBL"_s, u"Allotment"_s, giorno));
    }
    bool esegui(qint32 numero, qint16 segno) { return CalcolaDisponibilita(w.ctx).esegui(u"P"_s, numero, segno); }

    void prelievo(qint32 numero, const QString& camera, const QString& arrivo, const QString& partenza)
    {
        h.scheda(numero, u"D"_s, u"DITTA "_s + camera, u"*WEB*"_s,
                 {{u"CodiceDitta"_s, 42}, {u"CodiceAllotment"_s, 900}});
        h.camera(numero, {u"DBL"_s, camera, arrivo, partenza, u"D"_s, 1, 2, 900});
        h.rifAllot(numero, camera, u"DBL"_s, 42, arrivo, partenza);
    }

    WorkDir w;
    Albergo h{w};
};

TEST_F(Allotment, HeldDrawnAndGivenBackInAFixedOrder)
{
    // Company 42 holds three rooms of any DBL from the 10th to the 14th (the 13th has lapsed),
    // and room 105 on the 11th and 12th.
    for (int d = 10; d <= 14; ++d)
        h.riserva(900, 42, u"DBL"_s, u" "_s, u"202607%1"_s.arg(d), 3, d == 13 ? u"S"_s : u" "_s);
    h.riserva(900, 42, u"DBL"_s, u"105"_s, u"20260711"_s, 1);
    h.riserva(900, 42, u"DBL"_s, u"105"_s, u"20260712"_s, 1);
    h.scheda(900, u"R"_s, u"DITTA 42"_s, u" "_s, {{u"CodiceDitta"_s, 42}});
    h.camera(900, {u"DBL"_s, {}, u"20260710"_s, u"20260716"_s, u"R"_s, 3});

    // The allotment itself: the days with a row hold their rooms; the 15th has none and holds nothing.
    ASSERT_TRUE(esegui(900, 1));
    EXPECT_EQ(luglio(10), u"7/0/3"_s);
    EXPECT_EQ(luglio(13), u"7/0/3"_s);
    EXPECT_EQ(luglio(15), u"10/0/0"_s);

    // No row of room 103: every row of the type on its nights, those of other rooms included.
    prelievo(901, u"103"_s, u"20260710"_s, u"20260712"_s);
    ASSERT_TRUE(esegui(901, 1));
    // Room 105 has rows of its own: only those.
    prelievo(902, u"105"_s, u"20260711"_s, u"20260713"_s);
    ASSERT_TRUE(esegui(902, 1));
    // One night on the lapsed day: only that day's row, and the room comes from Libere.
    prelievo(903, u"104"_s, u"20260713"_s, u"20260714"_s);
    ASSERT_TRUE(esegui(903, 1));

    const QMap<QString, QString> contati{{u"10|"_s, u"1/2/*"_s},   {u"11|"_s, u"1/2/*"_s}, {u"12|"_s, u"0/3/ "_s},
                                         {u"13|"_s, u"1/3/S"_s},   {u"14|"_s, u"0/3/ "_s}, {u"11|105"_s, u"2/-1/*"_s},
                                         {u"12|105"_s, u"1/0/*"_s}};
    EXPECT_EQ(riserva(), contati);
    EXPECT_EQ(luglio(10), u"7/1/2"_s);
    EXPECT_EQ(luglio(11), u"7/2/1"_s);
    EXPECT_EQ(luglio(12), u"7/1/2"_s);
    EXPECT_EQ(luglio(13), u"6/1/3"_s);
    EXPECT_EQ(luglio(14), u"7/0/3"_s);

    // Uncounting a drawn booking gives its rooms back (the rows stay in use).
    ASSERT_TRUE(esegui(902, 0));
    QMap<QString, QString> resi = contati;
    resi[u"11|105"_s] = u"1/0/*"_s;
    resi[u"12|105"_s] = u"0/1/*"_s;
    EXPECT_EQ(riserva(), resi);
    EXPECT_EQ(luglio(11), u"7/1/2"_s);
    EXPECT_EQ(luglio(12), u"7/0/3"_s);

    ASSERT_TRUE(esegui(903, 0));
    ASSERT_TRUE(esegui(901, 0));
    resi[u"10|"_s] = u"0/3/*"_s;
    resi[u"11|"_s] = u"0/3/*"_s;
    resi[u"11|105"_s] = u"0/1/*"_s;
    resi[u"13|"_s] = u"0/3/S"_s;
    EXPECT_EQ(riserva(), resi);
    ASSERT_TRUE(esegui(900, 0));
    for (int d = 1; d <= 31; ++d)
        EXPECT_EQ(luglio(d), u"10/0/0"_s) << d;
    EXPECT_TRUE(w.op.messages.isEmpty());
}

TEST_F(Allotment, AnAllotmentBookingHoldsItsRoomsFromItsDeadline)
{
    for (int d = 1; d <= 4; ++d) {
        h.riserva(950, 42, u"DBL"_s, u" "_s, u"2026070%1"_s.arg(d), 2);
        h.riserva(951, 42, u"DBL"_s, u" "_s, u"2026070%1"_s.arg(d), 2);
    }
    h.scheda(950, u"R"_s, u"DITTA 42"_s, u" "_s, {{u"CodiceDitta"_s, 42}, {u"DataScadenza"_s, u"20260703"_s}});
    h.camera(950, {u"DBL"_s, {}, u"20260701"_s, u"20260705"_s, u"R"_s, 2});
    h.scheda(951, u"R"_s, u"DITTA 42"_s, u" "_s, {{u"CodiceDitta"_s, 42}, {u"DataScadenza"_s, u"20260720"_s}});
    h.camera(951, {u"DBL"_s, {}, u"20260701"_s, u"20260705"_s, u"R"_s, 2});
    ASSERT_TRUE(esegui(950, 1));
    ASSERT_TRUE(esegui(951, 1)); // the deadline after the departure: nothing to hold
    EXPECT_EQ(luglio(2), u"10/0/0"_s);
    EXPECT_EQ(luglio(3), u"8/0/2"_s);
    EXPECT_EQ(luglio(4), u"8/0/2"_s);
}

TEST_F(Allotment, RoomsBookedAgainstTheHolderRows)
{
    h.riserva(960, 42, u"DBL"_s, u" "_s, u"20260801"_s, 2);
    h.riserva(960, 42, u"DBL"_s, u" "_s, u"20260802"_s, 2);
    h.riserva(960, 42, u"DBL"_s, u"107"_s, u"20260820"_s, 1);
    h.riserva(960, 77, u"DBL"_s, u" "_s, u"20260801"_s, 5);

    // A negative count on a row never used changes no counter but marks the row.
    AggiornaAllotment(w.ctx, 42, u"D"_s, u"20260802"_s, u"20260803"_s, u"DBL  "_s, u"106"_s, -1);
    // A row of room 107 on a later day does not stand for the rows of this stay.
    AggiornaAllotment(w.ctx, 42, u"D"_s, u"20260801"_s, u"20260802"_s, u"DBL"_s, u"107"_s, 1);
    QMap<QString, QString> attese{{u"01|"_s, u"1/1/*"_s}, {u"02|"_s, u"0/2/*"_s}, {u"20|107"_s, u"0/1/ "_s}};
    EXPECT_EQ(riserva(), attese);

    // Without Allotments.mdb nothing happens, and no file is made.
    ASSERT_TRUE(QFile::remove(w.file(u"allotments.mdb"_s)) || QFile::remove(w.file(u"Allotments.mdb"_s)));
    AggiornaAllotment(w.ctx, 42, u"D"_s, u"20260801"_s, u"20260802"_s, u"DBL"_s, u"107"_s, 1);
    h.scheda(961, u"D"_s, u"SENZA"_s, u"*WEB*"_s, {{u"CodiceDitta"_s, 42}});
    h.camera(961, {u"DBL"_s, u"108"_s, u"20260801"_s, u"20260802"_s, u"D"_s, 1, 2, 960});
    h.rifAllot(961, u"108"_s, u"DBL"_s, 42, u"20260801"_s, u"20260802"_s);
    ASSERT_TRUE(esegui(961, 1));
    EXPECT_EQ(h.slot(u"202608DBL"_s, u"Libere"_s, 1), 9);
    EXPECT_EQ(h.slot(u"202608DBL"_s, u"Confermate"_s, 1), 1);
    EXPECT_FALSE(QFile::exists(w.file(u"allotments.mdb"_s)) || QFile::exists(w.file(u"Allotments.mdb"_s)));
}

TEST_F(Allotment, AStoreErrorHalfWayLeavesEveryRowAsItWas)
{
    h.riserva(970, 42, u"DBL"_s, u"131"_s, u"20260901"_s, 2);
    h.riserva(970, 42, u"SGL"_s, u"132"_s, u"20260901"_s, 2);
    {
        // The second room's allotment row cannot take one more room.
        Database db(w.dir(), u"Allotments.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Riserva"_s);
        ASSERT_TRUE(rs.FindFirst(u"NumeroCamera = '132'"_s));
        rs.Edit();
        rs.setField(u"CamereUtilizzate"_s, 32767);
        rs.Update();
    }
    h.scheda(971, u"D"_s, u"DUE CAMERE"_s, u"*WEB*"_s, {{u"CodiceDitta"_s, 42}});
    h.camera(971, {u"DBL"_s, u"131"_s, u"20260901"_s, u"20260902"_s, u"D"_s, 1, 2, 970});
    h.camera(971, {u"SGL"_s, u"132"_s, u"20260901"_s, u"20260902"_s, u"D"_s, 1, 2, 970});
    h.rifAllot(971, u"131"_s, u"DBL"_s, 42, u"20260901"_s, u"20260902"_s);
    h.rifAllot(971, u"132"_s, u"SGL"_s, 42, u"20260901"_s, u"20260902"_s);
    const auto prima = riserva();

    EXPECT_THROW(esegui(971, 1), StoreError);
    EXPECT_EQ(riserva(), prima);
    EXPECT_TRUE(h.contatori().isEmpty());
    EXPECT_TRUE(h.rack().isEmpty());
}

} // namespace
