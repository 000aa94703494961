// The review killed at random points while it registers and cancels bookings: afterwards every
// reservation is registered whole or still waiting, every cancellation applied whole or still
// waiting, no booking number is used twice and the counters equal a recount.

#include "Workstations.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <random>

using namespace HotelSupport;

namespace {

constexpr int kKills = 20;

TEST_F(Hotel, KilledAtRandomPointsEveryBookingIsWholeOrWaiting)
{
    const unsigned seed = qEnvironmentVariableIsSet("SB_CRASH_SEED")
                              ? unsigned(qEnvironmentVariableIntValue("SB_CRASH_SEED"))
                              : std::random_device{}();
    SCOPED_TRACE("SB_CRASH_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);

    QHash<QString, int> notti;
    int prossima = 0;
    const auto aggiungi = [&](int quante) {
        for (int k = 0; k < quante; ++k, ++prossima) {
            const QString id = u"WK%1"_s.arg(prossima, 4, 10, QChar(u'0'));
            notti.insert(id, coppiaDiCamere(sim, id, prossima, 2, u"HB"_s));
        }
        download(w.ctx);
    };
    aggiungi(30);

    QElapsedTimer timer;
    int kills = 0;
    qint64 fullRunMs = 0;
    for (int run = 0; kills < kKills && run < 200; ++run) {
        auto child = avviaPostazione(u"BookingChild.Review"_s, w.tmp.path(), sim);
        ASSERT_TRUE(child->waitForStarted(10000));
        timer.start();
        const int delay = fullRunMs == 0 ? 120000 : std::uniform_int_distribution<int>(1, int(fullRunMs))(random);
        if (child->waitForFinished(delay)) {
            ASSERT_EQ(child->exitCode(), 0) << child->readAllStandardOutput().toStdString();
            if (fullRunMs == 0)
                fullRunMs = std::max<qint64>(timer.elapsed(), 50);
        } else {
            child->kill(); // SIGKILL: no clean-up of any kind
            ASSERT_TRUE(child->waitForFinished(10000));
            ++kills;
        }
        verificaArchivio(w.dir(), notti, kUltimoNumero + 1);
        if (HasFailure())
            return;
        // Cancellations of two registered bookings, as the import leaves them, for the next run.
        esegui(w.dir(), u"SimpleBooking.mdb"_s,
               u"UPDATE Reservations SET Status = 'Cancelled', Registrata = 0 WHERE rowid IN (SELECT rowid FROM "
               u"Reservations WHERE Registrata = 1 AND Status <> 'Cancelled' ORDER BY random() LIMIT 2)"_s);
        if (righe(w.dir(), u"SimpleBooking.mdb"_s, u"Reservations"_s, u"Registrata = 0"_s).size() < 12)
            aggiungi(15);
    }
    ASSERT_GE(kills, kKills);
    RecordProperty("kills", kills);

    auto last = avviaPostazione(u"BookingChild.Review"_s, w.tmp.path(), sim);
    ASSERT_TRUE(last->waitForFinished(300000));
    verificaArchivio(w.dir(), notti, kUltimoNumero + 1);
    EXPECT_TRUE(righe(w.dir(), u"SimpleBooking.mdb"_s, u"Reservations"_s, u"Registrata = 0"_s).isEmpty());
}

} // namespace
