// The questions a download of the timer asks at the desk, with the desk's own windows and boxes: while
// one waits the status line and the service are still kept up to date, and one left unanswered closes
// by itself after five minutes of the bridge's clock, the reservation left waiting.

#include "availability/GridNotifiche.h"
#include "gui/GuiSupport.h"
#include "import/ImportAnswers.h"
#include "shell/QtOperatorPort.h"
#include "shell/Registro.h"
#include "shell/SBDeskTop.h"
#include "shell/Sessione.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/BancoQV.h"
#include "support/CatalogoQV.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"

#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QDate kOggi(2026, 5, 4);
const QDate kArrivo(2026, 5, 10);

// The demo's front desk in "Semi automatica": two double rooms, the web's DBL mapped to them,
// publishing on at every tick; the main window on the screen.
struct Banco
{
    Banco()
        : w(QDateTime(kOggi, QTime(12, 9, 50))), registro(w.clock, false), op(&registro), ctx(w.tmp.path(), w.clock, op)
    {
        w.bootstrap();
        w.write(u"SBookParam.txt"_s,
                (u" 1 \r\n"_s + sim.reservationsUrl() +
                 u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n1234\r\nP1\r\nBB\r\n77\r\n 0 \r\n 0 \r\n 1 \r\n\r\n"_s)
                    .toLatin1());
        ctx.baseUrl = sim.baseUrl();
        ctx.connectTimeoutMs = 5000;
        ctx.exchangeTimeoutMs = 30000;
        CatalogoQV::tipoCamera(w.dir(), u"DOP"_s, 2);
        CatalogoQV::cameraServizio(w.dir(), u"1234"_s, u"DBL"_s, 1, u"DOP"_s);
        CatalogoQV::tariffaServizio(w.dir(), u"1234"_s, u"BB"_s, u"BB"_s, u"BB"_s, 11);
        for (const QString& numero : {u"201"_s, u"202"_s})
            w.insert(u"NumeriCamere.mdb"_s, u"NumeriCamere"_s,
                     {{u"NumeroHotel"_s, 1}, {u"NumeroCamera"_s, numero}, {u"TipoCamera"_s, u"DOP"_s}});
        {
            Database contatori(w.dir(), u"Contatori.mdb"_s);
            QSqlQuery q = contatori.query();
            contatori.exec(q, u"INSERT INTO Contatori VALUES (1, 1000)"_s, {});
        }
        BancoQV::coloreConferma(w);
        sessione = std::make_unique<Sessione>(ctx, registro);
        window = std::make_unique<SBDeskTop>(ctx, *sessione);
        op.setWindow(window.get());
        window->show();
        EXPECT_TRUE(aspetta([&] { return window->attivazioni() == 1; }));
    }
    ~Banco() { sessione->scheduler().stop(); }

    void prenotazioneWeb(const QString& id)
    {
        ImportAnswers::Reservation r;
        r.id = id;
        r.stays.append(ImportAnswers::stay(u"DBL"_s, kArrivo, 2));
        sim.addReservation(ImportAnswers::fragment(r));
    }
    // The web reservations stored and not yet in QV.
    int inAttesa() const
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        return db.OpenRecordset(u"Select * From Reservations Where Registrata = 0"_s).RecordCount();
    }
    // What the service was last told of the web's DBL on a day; empty when it was never told.
    QString detto(const QDate& giorno) const
    {
        QString valore;
        for (const QString& n : sim.availabilityNotifications())
            for (const QString& m : GridNotifiche::messaggi(n))
                if (m.startsWith(u"DBL "_s + giorno.toString(Qt::ISODate) + u' '))
                    valore = m.section(u' ', 2);
        return valore;
    }

    SimServer sim;
    WorkDir w;
    Registro registro;
    QtOperatorPort op;
    AppContext ctx;
    std::unique_ptr<Sessione> sessione;
    std::unique_ptr<SBDeskTop> window;
};

TEST(DomandeDelTimer, WhileTheTimersRoomPromptWaitsTheStatusLineAndTheServiceKeepUp)
{
    Banco b;
    b.prenotazioneWeb(u"SB7001"_s);
    bool controllato = false;
    QuandoModale<QInputDialog> prompt([&](QInputDialog* d) {
        // Across the download minute, with nobody at the prompt: a booking is taken at the front desk.
        b.w.clock.set(QDateTime(kOggi, QTime(12, 11, 0)));
        BancoQV::prenota(b.w, 950, u"DOP"_s, u"202"_s, kArrivo, 1);
        b.window->lineaStato()->clear();
        // The next ticks still refresh the status line and tell the service: of two rooms one is
        // the front desk's, the other the web reservation's still waiting at this prompt.
        EXPECT_TRUE(aspetta([&] { return !b.window->lineaStato()->text().isEmpty(); }));
        EXPECT_TRUE(aspetta([&] { return b.detto(kArrivo) == u"0"_s; })) << b.detto(kArrivo).toStdString();
        EXPECT_EQ(b.detto(kArrivo.addDays(1)), u"1"_s);
        EXPECT_TRUE(d->isVisible()); // the question still waits for its answer
        controllato = true;
        d->reject();
    });
    b.sessione->scheduler().timer().setInterval(30);
    b.w.clock.set(QDateTime(kOggi, QTime(12, 10, 0)));
    b.sessione->scheduler().timer().start();
    ASSERT_TRUE(aspetta([&] { return controllato; }, 20000));
    b.sessione->scheduler().stop();
    EXPECT_EQ(b.inAttesa(), 1); // "Annulla": it waits
}

TEST(DomandeDelTimer, AnUnansweredPromptOfTheTimerClosesAfterFiveMinutesAndTheRestWaitToo)
{
    Banco b;
    b.prenotazioneWeb(u"SB7001"_s);
    b.prenotazioneWeb(u"SB7002"_s);
    int prompt = 0;
    QuandoModale<QInputDialog> primo([&](QInputDialog*) {
        ++prompt;
        b.w.clock.advanceSecs(4 * 60);
        lascia(600);
        EXPECT_NE(qobject_cast<QInputDialog*>(QApplication::activeModalWidget()), nullptr); // not yet
        b.w.clock.advanceSecs(61);
    });
    b.w.clock.set(QDateTime(kOggi, QTime(12, 10, 0)));
    bool finito = false;
    QTimer::singleShot(0, [&] {
        b.sessione->scheduler().tick();
        finito = true;
    });
    // The second reservation is not asked about: the tick ends with nobody having answered.
    ASSERT_TRUE(aspetta([&] { return finito; }, 20000));
    EXPECT_EQ(prompt, 1);
    EXPECT_EQ(b.inAttesa(), 2);
    EXPECT_TRUE(b.window->Text1(1)->toPlainText().contains(u"Nessuna risposta in 5 minuti"_s))
        << b.window->Text1(1)->toPlainText().toStdString();

    // The operator's own download asks again, and waits as long as the operator takes.
    bool aperto = false;
    std::optional<QuandoModale<QInputDialog>> secondo;
    QuandoModale<QInputDialog> operatore([&](QInputDialog* d) {
        b.w.clock.advanceSecs(3600);
        lascia(600);
        aperto = d->isVisible();
        d->reject();
        secondo.emplace([](QInputDialog* altro) { altro->reject(); });
    });
    ChiudiMessaggi messaggi;
    b.window->T(4)->click();
    EXPECT_TRUE(operatore.avvenuto());
    EXPECT_TRUE(aperto);
    EXPECT_EQ(b.inAttesa(), 2);
}

} // namespace
