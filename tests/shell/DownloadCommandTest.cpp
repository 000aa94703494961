// The reservation download command against the simulator: what a failure in one step leaves to the
// others, and what the operator and the service see of failed confirmations and saves.

#include "Contiene.h"
#include "import/ImportFixture.h"
#include "shell/Comandi.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;
using namespace ImportSupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class DownloadCommand : public SimImportTest
{
protected:
    void refuse(const QString& trigger)
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        ASSERT_TRUE(q.exec(trigger)) << trigger.toStdString();
    }
    void command() { Comandi(w.ctx).reservations(); }
};

TEST_F(DownloadCommand, AStoreErrorInTheNewReservationsStillLetsTheCancellationsRun)
{
    sim.addReservation(fragment(basic(u"S1"_s)));
    command();
    sim.addReservation(fragment(basic(u"S2"_s, QDate(2026, 8, 14), 3)));
    sim.addCancellation(cancellation(u"S1"_s));
    // The whole table of new reservations fails, as a locked or damaged one would.
    refuse(u"CREATE TRIGGER refuse BEFORE INSERT ON ReservationsPrice BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"_s);
    command();

    EXPECT_EQ(row(u"S1"_s)[u"Status"_s].toString(), u"Cancelled"_s);
    EXPECT_TRUE(reservationRows(w.dir(), u"S2"_s).isEmpty());
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"S1"_s, u"S1"_s}));
    EXPECT_THAT(sim.pendingNew(), ElementsAre(u"S2"_s));
    EXPECT_THAT(sim.pendingCanc(), IsEmpty());
}

TEST_F(DownloadCommand, AStoreErrorInOneCancellationSkipsOnlyThatOne)
{
    for (const QString& id : {u"K1"_s, u"K2"_s, u"K3"_s})
        sim.addReservation(fragment(basic(id)));
    command();
    for (const QString& id : {u"K1"_s, u"K2"_s, u"K3"_s})
        sim.addCancellation(cancellation(id));
    refuse(u"CREATE TRIGGER refuse BEFORE UPDATE ON Reservations WHEN NEW.NPren = 'K2' "
           "BEGIN SELECT RAISE(ABORT, 'riga bloccata'); END"_s);
    command();

    EXPECT_EQ(row(u"K1"_s)[u"Status"_s].toString(), u"Cancelled"_s);
    EXPECT_EQ(row(u"K2"_s)[u"Status"_s].toString(), u"Reserved"_s);
    EXPECT_EQ(row(u"K3"_s)[u"Status"_s].toString(), u"Cancelled"_s);
    EXPECT_THAT(sim.pendingCanc(), ElementsAre(u"K2"_s));
    EXPECT_THAT(w.op.messageTexts().join(u'\n'), Contiene(u"riga bloccata"_s));
}

} // namespace
