// Counting and uncounting bookings in the rack and the per-type counters of a small hotel.

#include "availability/CalcolaDisponibilita.h"
#include "Albergo.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using namespace Qt::StringLiterals;
using namespace AlbergoSupport;

namespace {

class Conteggio : public ::testing::Test
{
protected:
    bool esegui(qint32 numero, qint16 segno) { return CalcolaDisponibilita(w.ctx).esegui(u"P"_s, numero, segno); }

    static QString slot(const QVariantMap& riga, const QString& campo, int giorno, int larghezza)
    {
        return DaySlots::slot(riga.value(campo).toString(), giorno, larghezza);
    }

    WorkDir w;
    Albergo h{w};
};

TEST_F(Conteggio, StayAcrossTheMonthEndFillsRackAndCountersAndUncountingRestoresThem)
{
    h.scheda(101, u"C"_s, u"ROSSI MARIO"_s, u"*WEB* arrivo tardi"_s);
    h.camera(101, {u"DBL"_s, u"101"_s, u"20260130"_s, u"20260202"_s});
    h.camera(101, {u"DBL"_s, u"102"_s, u"20260130"_s, u"20260202"_s, u"C"_s, 1, 0}); // nobody in it
    h.camera(101, {u"DBL"_s, {}, u"20260131"_s, u"20260201"_s});                     // no room yet
    h.camera(101, {u"WEBX"_s, {}, u"20260131"_s, u"20260201"_s});                    // not a QV type
    h.ospiteLista(101, u"101"_s, u"  BIANCHI LUCA "_s);

    ASSERT_TRUE(esegui(101, 1));
    EXPECT_TRUE(w.op.messages.isEmpty());

    const auto rack = h.rack();
    ASSERT_EQ(rack.keys().size(), 2) << "no rack row for a blank room, none for the room without persons";
    const QVariantMap gen = rack.value(u"202601101"_s);
    const QVariantMap feb = rack.value(u"202602101"_s);
    EXPECT_EQ(gen.value(u"NumeroCamera"_s).toString(), u"101"_s);
    EXPECT_EQ(gen.value(u"Uso"_s).toString(), QString(29, u' ') + u"CC"_s);
    EXPECT_EQ(feb.value(u"Uso"_s).toString(), u"C"_s + QString(30, u' '));
    EXPECT_EQ(slot(gen, u"Codice"_s, 30, 5), u"101  "_s);
    EXPECT_EQ(slot(feb, u"Codice"_s, 1, 5), u"101  "_s);
    EXPECT_EQ(slot(feb, u"Codice"_s, 2, 5), u"     "_s) << "the departure day stays free";
    // The guest list's name, three characters a night, across the month end.
    EXPECT_EQ(slot(gen, u"Cliente"_s, 30, 3) + slot(gen, u"Cliente"_s, 31, 3) + slot(feb, u"Cliente"_s, 1, 3),
              u"BIANCHI L"_s);
    EXPECT_EQ(slot(gen, u"Red"_s, 30, 3) + slot(gen, u"Green"_s, 30, 3) + slot(gen, u"Blue"_s, 30, 3), u"010020030"_s);
    for (const QVariantMap& riga : rack) {
        EXPECT_EQ(riga.value(u"Uso"_s).toString().size(), 31);
        EXPECT_EQ(riga.value(u"Codice"_s).toString().size(), 155);
        for (const QString& campo : {u"Cliente"_s, u"Red"_s, u"Green"_s, u"Blue"_s})
            EXPECT_EQ(riga.value(campo).toString().size(), 93);
    }

    const auto contatori = h.contatori();
    EXPECT_EQ(QSet<QString>(contatori.keyBegin(), contatori.keyEnd()), (QSet<QString>{u"202601DBL"_s, u"202602DBL"_s}));
    EXPECT_EQ(h.slot(u"202601DBL"_s, u"Libere"_s, 29), 10);
    EXPECT_EQ(h.slot(u"202601DBL"_s, u"Libere"_s, 30), 9);
    EXPECT_EQ(h.slot(u"202601DBL"_s, u"Libere"_s, 31), 8);
    EXPECT_EQ(h.slot(u"202601DBL"_s, u"Confermate"_s, 31), 2);
    EXPECT_EQ(h.slot(u"202602DBL"_s, u"Libere"_s, 1), 9);
    EXPECT_EQ(h.slot(u"202602DBL"_s, u"Libere"_s, 2), 10);
    EXPECT_EQ(contatori.value(u"202602DBL"_s).value(u"Occupate"_s).toString(), DaySlots::repeated(u"    0"_s));

    ASSERT_TRUE(esegui(101, 0));
    for (const QVariantMap& riga : h.contatori()) {
        EXPECT_EQ(riga.value(u"Libere"_s).toString(), DaySlots::repeated(u"   10"_s));
        EXPECT_EQ(riga.value(u"Confermate"_s).toString(), DaySlots::repeated(u"    0"_s));
    }
    const auto dopo = h.rack();
    EXPECT_EQ(dopo.value(u"202601101"_s).value(u"Uso"_s).toString(), QString(31, u' '));
    EXPECT_EQ(slot(dopo.value(u"202601101"_s), u"Codice"_s, 31, 5), u"00000"_s);
    EXPECT_EQ(slot(dopo.value(u"202602101"_s), u"Codice"_s, 1, 5), u"00000"_s);
    EXPECT_EQ(slot(dopo.value(u"202602101"_s), u"Codice"_s, 2, 5), u"     "_s);
    EXPECT_EQ(dopo.value(u"202602101"_s).value(u"Red"_s).toString(), QString(93, u' '));
}

TEST_F(Conteggio, ADepartureOnTheFirstTouchesNothingInTheDepartureMonth)
{
    h.scheda(7, u"C"_s, u"VERDI"_s);
    h.camera(7, {u"SGL"_s, u"201"_s, u"20280228"_s, u"20280301"_s});
    ASSERT_TRUE(esegui(7, 1));
    EXPECT_EQ(h.rack().keys(), QList<QString>{u"202802201"_s});
    EXPECT_EQ(h.contatori().keys(), QList<QString>{u"202802SGL"_s});
    EXPECT_EQ(h.slot(u"202802SGL"_s, u"Libere"_s, 28), 3);
    EXPECT_EQ(h.slot(u"202802SGL"_s, u"Libere"_s, 29), 3) << "2028 is a leap year: the 29th is a night";
    EXPECT_EQ(h.slot(u"202802SGL"_s, u"Libere"_s, 30), 4);
}

TEST_F(Conteggio, ColourOwnerRackLetterAndCountersFollowTheKind)
{
    // A company without a starred key takes the company's colour.
    h.scheda(11, u"C"_s, u"DITTA SPA"_s, u"nessuna chiave"_s, {{u"CodiceDitta"_s, 42}});
    h.camera(11, {u"SUI"_s, u"301"_s, u"20260510"_s, u"20260511"_s});
    // A starred key without a row of its own falls back on the class's default.
    h.scheda(12, u"T"_s, u"ATTESA"_s, u"*VIP*"_s, {{u"CodiceDitta"_s, 42}});
    h.camera(12, {u"SUI"_s, u"302"_s, u"20260510"_s, u"20260511"_s, u"T"_s});
    // No option colour at all: white.
    h.scheda(13, u"O"_s, u"OPZIONE"_s);
    h.camera(13, {u"SUI"_s, u"303"_s, u"20260510"_s, u"20260511"_s, u"O"_s});
    // A kind outside the table leaves the rack alone but takes its room.
    h.scheda(14, u"Q"_s, u"ALTRO"_s);
    h.camera(14, {u"SUI"_s, u"304"_s, u"20260510"_s, u"20260511"_s, u"Q"_s});
    for (qint32 n : {11, 12, 13, 14})
        ASSERT_TRUE(esegui(n, 1));

    const auto rack = h.rack();
    auto colore = [&](const QString& amc) {
        const QVariantMap r = rack.value(amc);
        return slot(r, u"Uso"_s, 10, 1) + u':' + slot(r, u"Red"_s, 10, 3) + slot(r, u"Green"_s, 10, 3) +
               slot(r, u"Blue"_s, 10, 3);
    };
    EXPECT_EQ(colore(u"202605301"_s), u"C:200100050"_s);
    EXPECT_EQ(colore(u"202605302"_s), u"T:001002003"_s);
    EXPECT_EQ(colore(u"202605303"_s), u"P:255255255"_s);
    EXPECT_FALSE(rack.contains(u"202605304"_s));

    // One suite, four bookings: the counter goes below zero and keeps its sign.
    const QVariantMap sui = h.contatori().value(u"202605SUI"_s);
    EXPECT_EQ(slot(sui, u"Libere"_s, 10, 5), u"   -3"_s);
    EXPECT_EQ(slot(sui, u"Confermate"_s, 10, 5), u"    1"_s);
    EXPECT_EQ(slot(sui, u"Opzionate"_s, 10, 5), u"    1"_s);
    EXPECT_EQ(slot(sui, u"Libere"_s, 11, 5), u"    1"_s);
}

TEST_F(Conteggio, WideValuesAreCutToTheirSlotAndNeverShiftTheNextOnes)
{
    h.colore(u"CONFE"_s, u"BIG"_s, 6, 1000, 5, 999);
    h.scheda(123456, u"C"_s, u"AB"_s, u"*BIG*"_s);
    h.camera(123456, {u"DBL"_s, u"110"_s, u"20260610"_s, u"20260613"_s});
    ASSERT_TRUE(esegui(123456, 1));
    const QVariantMap r = h.rack().value(u"202606110"_s);
    EXPECT_EQ(r.value(u"Codice"_s).toString().mid(45, 20), u"123451234512345     "_s);
    // "AB " then "AB  " again: the last piece, one blank, still fills its three characters.
    EXPECT_EQ(r.value(u"Cliente"_s).toString().mid(27, 12), u"AB AB       "_s);
    EXPECT_EQ(r.value(u"Red"_s).toString().mid(27, 12), u"100100100   "_s);
    EXPECT_EQ(r.value(u"Blue"_s).toString().mid(27, 12), u"999999999   "_s);
    for (const QString& campo : {u"Cliente"_s, u"Red"_s, u"Green"_s, u"Blue"_s})
        EXPECT_EQ(r.value(campo).toString().size(), 93);
}

TEST_F(Conteggio, DatesThatFailTheChecksCountNothingAndTheMessageComesAfterTheLocksAreGone)
{
    h.scheda(20, u"C"_s, u"ERRATA"_s);
    h.camera(20, {u"DBL"_s, u"120"_s, u"20260505"_s, u"20260507"_s});
    h.camera(20, {u"DBL"_s, u"121"_s, u"20260230"_s, u"20260302"_s});
    h.scheda(21, u"C"_s, u"ROVESCIATA"_s);
    h.camera(21, {u"DBL"_s, u"122"_s, u"20260507"_s, u"20260505"_s});
    h.scheda(22, u"C"_s, u"ANNULLATA"_s);
    h.camera(22, {u"DBL"_s, u"123"_s, u"20260505"_s, u"20260507"_s});

    // The caller's unit of work: the error comes back, nothing is shown.
    {
        Database uow(w.dir(), u"Disponibilita.mdb"_s);
        for (const QString& f : CalcolaDisponibilita::fileNecessari())
            uow.attach(f);
        Database::Transaction t(uow);
        EXPECT_EQ(CalcolaDisponibilita(w.ctx).conta(uow, u"P"_s, 20, 1),
                  std::optional<QString>(u"Errore riscontrato nella Prenotazione n. 20"_s));
        EXPECT_TRUE(w.op.messages.isEmpty());
        // A booking counted in a unit of work that is then rolled back leaves nothing behind.
        EXPECT_EQ(CalcolaDisponibilita(w.ctx).conta(uow, u"P"_s, 22, 1), std::nullopt);
    }

    // On its own: while the message is up, another writer can take the files at once.
    struct Sonda : FakeOperatorPort
    {
        QDir dir;
        bool libero = false;
        Answer messageBox(const Message& m) override
        {
            Database altro(dir, u"Disponibilita.mdb"_s);
            altro.attach(u"Camere_Prenotazione.mdb"_s);
            altro.query().exec(u"PRAGMA busy_timeout = 0"_s);
            try {
                altro.begin();
                altro.rollback();
                libero = true;
            } catch (const std::exception&) {
            }
            return FakeOperatorPort::messageBox(m);
        }
    } sonda;
    sonda.dir = w.dir();
    AppContext ctx(w.tmp.path(), w.clock, sonda);
    EXPECT_FALSE(CalcolaDisponibilita(ctx).esegui(u"P"_s, 21, 1));
    ASSERT_EQ(sonda.messages.size(), 1);
    EXPECT_EQ(sonda.messages[0].message.title, u"Errore"_s);
    EXPECT_EQ(sonda.messages[0].message.text, u"Errore riscontrato nella Prenotazione n. 21"_s);
    EXPECT_EQ(sonda.messages[0].message.buttons, OperatorPort::Buttons::Ok);
    EXPECT_TRUE(sonda.libero);

    EXPECT_TRUE(h.rack().isEmpty());
    EXPECT_TRUE(h.contatori().isEmpty());
    // No sheet, or an operation other than a booking: nothing to do, nothing shown.
    EXPECT_TRUE(esegui(99, 1));
    EXPECT_TRUE(CalcolaDisponibilita(w.ctx).esegui(u"X"_s, 20, 1));
    EXPECT_TRUE(h.contatori().isEmpty());
    EXPECT_TRUE(w.op.messages.isEmpty());
}

} // namespace
