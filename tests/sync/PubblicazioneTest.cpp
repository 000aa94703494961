// The service kept in step with QV at every tick, against the simulated service: what it was told,
// notification after notification, is checked day by day against QV's own counters.

#include "availability/CalcolaDisponibilita.h"
#include "availability/GridNotifiche.h"
#include "availability/GrigliaMese.h"
#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "store/DaySlots.h"
#include "support/BancoQV.h"
#include "support/CatalogoQV.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"
#include "sync/ArchivioSync.h"
#include "sync/LimitiOperatore.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ::testing::IsEmpty;

namespace {

const QDate kOggi(2026, 5, 20);

class Pubblicazione : public ::testing::Test
{
protected:
    Pubblicazione() : w(QDateTime(kOggi, QTime(12, 11, 0))), registro(w.clock, false)
    {
        w.bootstrap();
        w.write(u"SBookParam.txt"_s,
                (u" 1 \r\n"_s + sim.reservationsUrl() +
                 u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n1001\r\nP1\r\nBB\r\n77\r\n 0 \r\n 0 \r\n 1 \r\n\r\n"_s)
                    .toLatin1());
        w.ctx.baseUrl = sim.baseUrl();
        sessione = std::make_unique<Sessione>(w.ctx, registro);
        EXPECT_TRUE(sessione->attiva());
        CatalogoQV::tipoCamera(w.dir(), u"DOP"_s, 4);
        CatalogoQV::tipoCamera(w.dir(), u"SIN"_s, 2);
        CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"DBL2"_s, 2, u"DOP"_s);
        CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"DBL"_s, 1, u"DOP"_s);
        CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"SGL"_s, 1, u"SIN"_s);
        BancoQV::coloreConferma(w);
    }

    // A booking as the front desk makes it: its rows, then QV's counters.
    void prenotaAlBanco(qint32 numero, const QString& tipo, const QDate& arrivo, int notti)
    {
        BancoQV::prenota(w, numero, tipo, tipo + QString::number(numero), arrivo, notti);
    }

    // A web reservation stored but not yet registered in QV.
    void inAttesa(const QString& id, const QString& roomsId, const QDate& dal, int notti)
    {
        w.insert(u"SimpleBooking.mdb"_s, u"Reservations"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NPren"_s, id},
                  {u"DataFrom"_s, TextDate::toYmd(dal)},
                  {u"DataTo"_s, TextDate::toYmd(dal.addDays(notti))},
                  {u"Status"_s, u"Confirmed"_s},
                  {u"Registrata"_s, 0},
                  {u"Room1_S"_s, roomsId},
                  {u"Room1_Q"_s, 1}});
    }

    Scheduler::Esito tick(int secondi = 25)
    {
        w.clock.advanceSecs(secondi);
        return sessione->scheduler().tick();
    }
    int notifiche() const { return int(sim.availabilityNotifications().size()); }
    QStringList ultima() const
    {
        return GridNotifiche::messaggi(sim.availabilityNotifications().value(notifiche() - 1));
    }

    // QV's free rooms of a type on a day, read straight from its counter row; all its rooms without one.
    qint64 libereQV(const QString& tipo, qint64 tutte, const QDate& d) const
    {
        Database db(w.dir(), u"Disponibilita.mdb"_s);
        Recordset rs = db.OpenRecordset(u"DisponibilitàTipi"_s);
        if (!rs.FindFirst(u"AMT = ?"_s, {d.toString(u"yyyyMM"_s) + tipo}))
            return tutte;
        return DaySlots::leadingNumber(DaySlots::slot(rs[u"Libere"_s].toString(), d.day(), 5));
    }

    // What the service holds now, replaying every notification it took: never more than QV has
    // free less `meno` (rooms sold on the web, not yet in QV), never above a closure, and, where `esatto`,
    // exactly that.
    void servizioAllineato(QHash<QString, qint64> meno = {}, QHash<QString, qint64> chiusi = {},
                           bool esatto = true) const
    {
        QHash<QString, QString> detto;
        for (const QString& n : sim.availabilityNotifications())
            for (const QString& m : GridNotifiche::messaggi(n))
                detto.insert(m.section(u' ', 0, 1), m.section(u' ', 2));
        for (int g = 0; g < 31; ++g) {
            const QDate d = kOggi.addDays(g);
            for (const auto& [id, tipo, tutte] : {std::tuple{u"DBL"_s, u"DOP"_s, 4}, {u"SGL"_s, u"SIN"_s, 2}}) {
                const QString k = id + u' ' + TextDate::toIso(d);
                qint64 atteso = std::max<qint64>(0, std::min<qint64>(libereQV(tipo, tutte, d), tutte) - meno.value(k));
                if (chiusi.contains(k))
                    atteso = std::min(atteso, chiusi.value(k));
                SCOPED_TRACE(k.toStdString());
                ASSERT_TRUE(detto.contains(k));
                if (esatto)
                    EXPECT_EQ(detto.value(k).toLongLong(), atteso);
                else
                    EXPECT_LE(detto.value(k).toLongLong(), atteso);
            }
        }
        EXPECT_FALSE(sim.availabilityNotifications().join(u' ').contains(u"DBL2"_s));
    }

    SimServer sim;
    WorkDir w;
    Registro registro;
    std::unique_ptr<Sessione> sessione;
};

TEST_F(Pubblicazione, AFrontDeskBookingAndAWaitingWebReservationArePublishedByTheNextTickAndNothingElse)
{
    tick();
    ASSERT_EQ(notifiche(), 1);
    EXPECT_EQ(ultima().size(), 62);
    servizioAllineato();

    tick(); // nothing changed: nothing sent
    EXPECT_EQ(notifiche(), 1);

    prenotaAlBanco(501, u"DOP"_s, kOggi.addDays(3), 2);
    inAttesa(u"W1"_s, u"SGL"_s, kOggi.addDays(4), 2);
    tick();
    ASSERT_EQ(notifiche(), 2);
    // The days the service offered more than there is go first.
    EXPECT_EQ(ultima(), (QStringList{u"DBL 2026-05-23 3"_s, u"DBL 2026-05-24 3"_s, u"SGL 2026-05-24 1"_s,
                                     u"SGL 2026-05-25 1"_s}));
    servizioAllineato({{u"SGL 2026-05-24"_s, 1}, {u"SGL 2026-05-25"_s, 1}});
    {
        Database sb(w.dir(), u"SimpleBooking.mdb"_s);
        EXPECT_EQ(ArchivioSync::inAttesaDal(sb).value(u"W1"_s), w.clock.now()); // seen waiting by this tick
    }
    tick();
    EXPECT_EQ(notifiche(), 2);
}

TEST_F(Pubblicazione, ADayClosedInTheGridStaysClosedWhileQVHasRoomsAndReopenedFollowsQV)
{
    GrigliaMese griglia(w.ctx);
    ASSERT_TRUE(griglia.costruisci(kOggi));
    ASSERT_TRUE(griglia.importaDaQV());
    ASSERT_FALSE(griglia.modificaCella(1, 2 + 5, u"-1"_s).has_value()); // DOP, the sixth day: closed
    ASSERT_FALSE(griglia.modificaCella(4, 2 + 6, u"1"_s).has_value());  // SIN, the seventh day: one room only
    ASSERT_TRUE(LimitiOperatore::preparaFile(w.ctx, griglia));
    tick();
    tick();
    const QHash<QString, qint64> chiusi{{u"DBL 2026-05-25"_s, 0}, {u"SGL 2026-05-26"_s, 1}};
    servizioAllineato({}, chiusi);
    const int prima = notifiche();
    prenotaAlBanco(502, u"DOP"_s, kOggi.addDays(5), 1); // QV still has rooms that night
    tick();
    servizioAllineato({}, chiusi);
    EXPECT_THAT(ultima(), ::testing::Not(::testing::Contains(u"DBL 2026-05-25 3"_s)));

    // Reopened: the grid's value is QV's again, and the service follows QV.
    ASSERT_TRUE(griglia.importaDaQV());
    ASSERT_TRUE(LimitiOperatore::preparaFile(w.ctx, griglia));
    tick();
    tick();
    servizioAllineato();
    EXPECT_GT(notifiche(), prima);
}

TEST_F(Pubblicazione, AStaleFileAndARenamedFailedFileNeverOfferARoomQVNoLongerHas)
{
    w.ctx.settings.Pubblica = u"0"_s; // only the files speak
    GrigliaMese griglia(w.ctx);
    ASSERT_TRUE(griglia.costruisci(kOggi));
    ASSERT_TRUE(griglia.importaDaQV());
    ASSERT_TRUE(griglia.preparaFile()); // prepared with every room free
    const QString vecchio = w.file(u"WBValuesRooms20260101000000.txt"_s);
    ASSERT_TRUE(
        QFile::copy(w.file(QDir(w.tmp.path()).entryList({u"WBValuesRooms*"_s}).first()), vecchio + u".failed"_s));
    prenotaAlBanco(503, u"DOP"_s, kOggi.addDays(1), 3);
    prenotaAlBanco(504, u"SIN"_s, kOggi, 1);
    prenotaAlBanco(505, u"SIN"_s, kOggi, 1);
    tick();
    servizioAllineato({}, {}, false);
    ASSERT_TRUE(QFile::rename(vecchio + u".failed"_s, vecchio)); // as the log advises
    tick();
    ASSERT_EQ(notifiche(), 2);
    servizioAllineato({}, {}, false);
    EXPECT_THAT(w.op.answers.join(u' ').toStdString(), ::testing::HasSubstr("SIN 20/05/2026: richieste 2, inviate 0"));
}

TEST_F(Pubblicazione, ARefusedNotificationRecordsNothingAndIsRetriedAfterTheWaitMissingNothing)
{
    sim.setFault(SimFault::httpStatus(503).onPath(u"/xmlservice.asmx/AvailabilityRQ"_s));
    const auto richieste = [&] {
        int n = 0;
        for (const auto& r : sim.journal())
            n += r.toObject().value(u"path"_s).toString().contains(u"Availability"_s) ? 1 : 0;
        return n;
    };
    tick();
    const int dopoIlPrimo = richieste();
    for (int i = 0; i < 4; ++i)
        tick(); // 100 s: still waiting
    EXPECT_EQ(richieste(), dopoIlPrimo);
    prenotaAlBanco(506, u"DOP"_s, kOggi.addDays(2), 1);
    // An hour down: at most one attempt per tick, one every two minutes.
    for (int i = 0; i < 144; ++i)
        tick();
    EXPECT_LE(richieste() - dopoIlPrimo, 144 / 4);
    EXPECT_GE(richieste() - dopoIlPrimo, 144 / 6);
    EXPECT_EQ(notifiche(), 0); // refused ones are not kept
    const auto scambio = [&](const char16_t* nome) {
        Database sb(w.dir(), u"SimpleBooking.mdb"_s);
        return ArchivioSync::scambio(sb, QString::fromUtf16(nome));
    };
    EXPECT_TRUE(scambio(ArchivioSync::Disponibilita).inErrore());
    EXPECT_TRUE(scambio(ArchivioSync::Prenotazioni).riuscito.isValid()); // the downloads of that hour went on
    sim.clearFault();
    for (int i = 0; i < 6; ++i)
        tick();
    ASSERT_EQ(notifiche(), 1);
    EXPECT_EQ(ultima().size(), 62); // nothing was recorded: every day goes
    servizioAllineato();
    EXPECT_FALSE(scambio(ArchivioSync::Disponibilita).inErrore());
}

TEST_F(Pubblicazione, TwoBridgesOnOneDirectoryPublishOneAtATime)
{
    FakeOperatorPort op;
    AppContext altro(w.tmp.path(), w.clock, op);
    altro.baseUrl = sim.baseUrl();
    Registro registroAltro(w.clock, false);
    auto secondo = std::make_unique<Sessione>(altro, registroAltro);
    ASSERT_TRUE(secondo->attiva());
    tick();
    ASSERT_EQ(notifiche(), 1);
    prenotaAlBanco(507, u"SIN"_s, kOggi.addDays(8), 2);
    secondo->scheduler().tick();
    EXPECT_EQ(notifiche(), 1); // the first holds the lease
    tick();
    ASSERT_EQ(notifiche(), 2);
    servizioAllineato();
    sessione.reset(); // the first stops and gives the lease up
    prenotaAlBanco(508, u"SIN"_s, kOggi.addDays(9), 2);
    secondo->scheduler().tick();
    ASSERT_EQ(notifiche(), 3);
    servizioAllineato();
}

// The lease never compares clocks: a workstation whose clock runs four minutes ahead does not take it
// from a live holder, and takes it over only after the holder stopped renewing it for a while.
TEST_F(Pubblicazione, AClockAheadNeverTakesTheLeaseFromALiveHolderAndAStoppedHolderIsReplaced)
{
    FakeOperatorPort op;
    FixedClock avanti(w.clock.now().addSecs(240));
    AppContext altro(w.tmp.path(), avanti, op);
    altro.baseUrl = sim.baseUrl();
    Registro registroAltro(avanti, false);
    Sessione secondo(altro, registroAltro);
    ASSERT_TRUE(secondo.attiva());
    tick();
    ASSERT_EQ(notifiche(), 1);
    const int cicli = ::Pubblicazione::cicliDiSubentro(altro);
    for (int i = 0; i < 2 * cicli; ++i) {
        prenotaAlBanco(600 + i, u"SIN"_s, kOggi.addDays(i % 20), 1);
        avanti.advanceSecs(25);
        secondo.scheduler().tick();
        tick();
    }
    // Every change went out through the holder alone, and the service is in step with QV.
    servizioAllineato();
    const int primaDelSubentro = notifiche();

    // The holder stops ticking (killed: the lease stays in its name). The other waits, then publishes.
    prenotaAlBanco(700, u"DOP"_s, kOggi.addDays(3), 2);
    secondo.scheduler().tick(); // the first look at a counter that no longer moves
    for (int i = 0; i < cicli - 1; ++i) {
        avanti.advanceSecs(25);
        secondo.scheduler().tick();
    }
    EXPECT_EQ(notifiche(), primaDelSubentro);
    avanti.advanceSecs(25);
    secondo.scheduler().tick();
    EXPECT_EQ(notifiche(), primaDelSubentro + 1);
    servizioAllineato();
}

// A room out of service in QV is not for sale on its days, the last one included, though QV's counters
// still count it free.
TEST_F(Pubblicazione, ARoomOutOfServiceIsNotOfferedOnItsDays)
{
    for (const QString& numero : {u"21"_s, u"22"_s, u"23"_s, u"24"_s})
        w.insert(u"NumeriCamere.mdb"_s, u"NumeriCamere"_s,
                 {{u"NumeroHotel"_s, 1}, {u"NumeroCamera"_s, numero}, {u"TipoCamera"_s, u"DOP"_s}});
    const auto inagibile = [&](const QString& camera, const QDate& dal, const QDate& al) {
        w.insert(u"Generico.mdb"_s, u"Camere_Inagibili"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroCamera"_s, camera},
                  {u"DataInizio"_s, TextDate::toYmd(dal)},
                  {u"DataFine"_s, TextDate::toYmd(al)}});
    };
    // Two periods of one room overlapping on the 24th count it once; another room on the 25th only.
    inagibile(u"21"_s, kOggi.addDays(3), kOggi.addDays(4));
    inagibile(u"21"_s, kOggi.addDays(4), kOggi.addDays(5));
    inagibile(u"22"_s, kOggi.addDays(5), kOggi.addDays(5));
    inagibile(u"23"_s, kOggi.addDays(-10), kOggi.addDays(-1)); // over before the period
    tick();
    ASSERT_EQ(notifiche(), 1);
    const auto giorno = [](int g) {
        return u"DBL "_s + TextDate::toIso(kOggi.addDays(g));
    };
    servizioAllineato({{giorno(3), 1}, {giorno(4), 1}, {giorno(5), 2}});

    // Back in service: the next tick offers it again.
    {
        Database generico(w.dir(), u"Generico.mdb"_s);
        QSqlQuery q = generico.query();
        generico.exec(q, u"DELETE FROM Camere_Inagibili"_s, {});
    }
    tick();
    ASSERT_EQ(notifiche(), 2);
    servizioAllineato();
}

} // namespace
