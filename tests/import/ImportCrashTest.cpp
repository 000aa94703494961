// The bridge killed at random points while it imports a large download: after every restart each
// reservation is stored once, whole, with all its price rows, and none is confirmed before it is stored.

#include "ImportAnswers.h"
#include "ImportFixture.h"
#include "support/ChildContext.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSqlQuery>

#include <random>

using namespace Qt::StringLiterals;
using namespace ImportAnswers;
using namespace ImportSupport;

namespace {

constexpr int kKills = 24;
constexpr int kBatch = 150; // reservations added whenever fewer than kLow are pending
constexpr int kLow = 120;

struct Stored
{
    QHash<QString, int> rows;                // NPren -> Reservations rows
    QHash<QString, int> registrata;          // NPren -> Registrata
    QHash<QString, QSet<QString>> priceDays; // NPren -> "Room|DayDate"
    int priceRows = 0;
};

Stored readStore(const QDir& dir)
{
    Stored s;
    Database db(dir, u"SimpleBooking.mdb"_s);
    QSqlQuery q = db.query();
    db.exec(q, u"SELECT NPren, Registrata FROM Reservations"_s, {});
    while (q.next()) {
        s.rows[q.value(0).toString()] += 1;
        s.registrata[q.value(0).toString()] = q.value(1).toInt();
    }
    q.finish();
    db.exec(q, u"SELECT NPren, Room, DayDate FROM ReservationsPrice"_s, {});
    while (q.next()) {
        s.priceDays[q.value(0).toString()].insert(q.value(1).toString() + u'|' + q.value(2).toString());
        ++s.priceRows;
    }
    return s;
}

class ImportCrash : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.bootstrap();
        QList<std::pair<QString, QString>> rooms;
        for (const QString& code : generatedRoomTypes())
            rooms.append({code, u"Tipo "_s + code});
        addRooms(w.dir(), rooms);
        addBatch();
    }

    void addBatch()
    {
        for (int i = 0; i < kBatch; ++i) {
            const Reservation r = generated(m_next++, u"KX"_s);
            m_expected.insert(*r.id, expectedPriceDays(r));
            sim.addReservation(fragment(r));
        }
    }

    void startChild(QProcess& child)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SB_IMPORT_CHILD_DIR"_s, w.tmp.path());
        env.insert(u"SB_IMPORT_BASE_URL"_s, sim.baseUrl());
        env.insert(u"SB_IMPORT_HOST_URL"_s, sim.reservationsUrl());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath(), {u"--gtest_filter=ImportCrashChild.Child"_s});
        ASSERT_TRUE(child.waitForStarted(10000));
    }

    // What must hold after every run, killed or not.
    void checkStore(const QString& when)
    {
        SCOPED_TRACE(when.toStdString());
        const Stored s = readStore(w.dir());
        int expectedPriceRows = 0;
        for (auto it = s.rows.cbegin(); it != s.rows.cend(); ++it) {
            ASSERT_TRUE(m_expected.contains(it.key())) << it.key().toStdString();
            EXPECT_EQ(it.value(), 1) << it.key().toStdString() << " stored more than once";
            EXPECT_EQ(s.priceDays.value(it.key()), m_expected.value(it.key()))
                << it.key().toStdString() << " stored without all its price rows";
            EXPECT_EQ(s.registrata.value(it.key()), 0) << it.key().toStdString();
            expectedPriceRows += int(m_expected.value(it.key()).size());
        }
        EXPECT_EQ(s.priceRows, expectedPriceRows) << "price rows of reservations not stored, or doubled";
        for (const QString& id : journalConfirmations(sim))
            EXPECT_TRUE(s.rows.contains(id)) << id.toStdString() << " confirmed before it was stored";
    }

    WorkDir w;
    SimServer sim;
    QHash<QString, QSet<QString>> m_expected;
    int m_next = 0;
};

TEST_F(ImportCrash, KilledAtRandomPointsNothingIsLostDoubledOrConfirmedUnstored)
{
    const unsigned seed = seedFrom("SB_CRASH_SEED");
    SCOPED_TRACE("SB_CRASH_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);

    // Kills spread over a whole import: the first run, left alone, tells how long one takes.
    QElapsedTimer timer;
    int kills = 0;
    qint64 fullRunMs = 0;
    for (int run = 0; kills < kKills && run < 200; ++run) {
        QProcess child;
        startChild(child);
        if (HasFatalFailure())
            return;
        timer.start();
        const int delay = fullRunMs == 0 ? 120000 : std::uniform_int_distribution<int>(1, int(fullRunMs))(random);
        if (child.waitForFinished(delay)) {
            ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
            ASSERT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
            if (fullRunMs == 0)
                fullRunMs = std::max<qint64>(timer.elapsed(), 50);
        } else {
            child.kill(); // SIGKILL: no clean-up of any kind
            ASSERT_TRUE(child.waitForFinished(10000));
            ++kills;
        }
        checkStore(u"after run %1 (%2 kills)"_s.arg(run).arg(kills));
        if (HasFailure())
            return;
        if (sim.pendingNew().size() < kLow)
            addBatch(); // keep the answer large
    }
    ASSERT_GE(kills, kKills);
    RecordProperty("kills", kills);

    // A last run, left alone, takes everything that is still pending.
    QProcess last;
    startChild(last);
    ASSERT_TRUE(last.waitForFinished(300000));
    ASSERT_EQ(last.exitCode(), 0) << last.readAll().toStdString();
    checkStore(u"after the last run"_s);
    const Stored s = readStore(w.dir());
    EXPECT_EQ(s.rows.size(), m_expected.size());
    EXPECT_TRUE(sim.pendingNew().isEmpty());
    const QStringList confirmed = sim.confirmedIds();
    EXPECT_EQ(QSet<QString>(confirmed.begin(), confirmed.end()).size(), m_expected.size());
    EXPECT_TRUE(sim.unknownConfirmations().isEmpty());
}

// Runs only as the child of the test above: one reservation download, as the bridge runs it.
TEST(ImportCrashChild, Child)
{
    const auto child = ChildContext::fromEnvironment("SB_IMPORT_CHILD_DIR");
    if (!child)
        GTEST_SKIP() << "runs as a child process only";
    useSimulator(child->ctx, qEnvironmentVariable("SB_IMPORT_BASE_URL"), qEnvironmentVariable("SB_IMPORT_HOST_URL"));
    download(child->ctx);
}

} // namespace
