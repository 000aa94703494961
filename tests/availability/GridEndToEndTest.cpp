// Availability from QV to the service, end to end: a service room type mapped to a QV type, a QV
// booking counted into the per-type counters, a month imported from them, the file prepared, and
// the scheduler's send to the simulated service, whose notification is read back.

#include "GridNotifiche.h"
#include "availability/CalcolaDisponibilita.h"
#include "availability/GrigliaMese.h"
#include "mapping/MappaturaCamere.h"
#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "store/DaySlots.h"
#include "store/TextFile.h"
#include "support/BancoQV.h"
#include "support/CatalogoQV.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using GridNotifiche::messaggi;

class GridEndToEnd : public ::testing::Test
{
protected:
    GridEndToEnd()
        : w(QDateTime(QDate(2026, 5, 20), QTime(12, 11, 0))), registro(w.clock, false), sessione(w.ctx, registro)
    {
        w.bootstrap();
        parametri(true);
        w.ctx.baseUrl = sim.baseUrl();
        EXPECT_TRUE(registro.apri(w.file(u"registro.log"_s)).isEmpty());
        EXPECT_TRUE(sessione.attiva()); // adds hotel 1001 to HotelId
        for (const auto& [sigla, quantita] : {std::pair{u"DOP"_s, 5}, std::pair{u"SIN"_s, 3}})
            CatalogoQV::tipoCamera(w.dir(), sigla, quantita);
        // The service's room types as the download leaves them: not mapped yet.
        for (const QString& id : {u"DBL"_s, u"SGL"_s})
            CatalogoQV::cameraServizio(w.dir(), u"1001"_s, id, 1, u" "_s);
    }

    void parametri(bool attivo)
    {
        w.write(u"SBookParam.txt"_s, (QString(attivo ? u" 1 "_s : u" 0 "_s) + u"\r\n"_s + sim.reservationsUrl() +
                                      u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n1001\r\nP1\r\nBB\r\n77\r\n 0 \r\n 0 \r\n"_s)
                                         .toLatin1());
    }
    QString registrato() const { return TextFile::readAll(w.file(u"registro.log"_s)).value_or(QString()); }
    QStringList preparati() const { return QDir(w.tmp.path()).entryList({u"WBValuesRooms*"_s}, QDir::Files); }

    // The one notification the service holds: 31 days of DBL, then of SGL, from `dal`, with 4 double
    // rooms on the nights booked from `arrivo` (two nights) and every other room free.
    void notificaAttesa(const QDate& dal, const QDate& arrivo, int notti)
    {
        const QStringList notifiche = sim.availabilityNotifications();
        ASSERT_EQ(notifiche.size(), 1);
        EXPECT_THAT(notifiche.at(0).toStdString(), ::testing::HasSubstr(R"(<AvailStatusMessages HotelCode="1001">)"));
        EXPECT_EQ(messaggi(notifiche.at(0)), GridNotifiche::attesi(dal, {{u"DBL"_s, 5, arrivo, notti}, {u"SGL"_s, 3}}));
    }

    void mappa()
    {
        MappaturaCamere m(w.ctx);
        ASSERT_TRUE(m.apri());
        ASSERT_TRUE(m.scegliAlbergo(0));
        auto tipo = [&](const QString& sigla) {
            for (int i = 0; i < m.tipiQV().size(); ++i)
                if (m.tipiQV().at(i).chiave == sigla)
                    return i;
            return -1;
        };
        ASSERT_TRUE(m.salva(u"DBL"_s, u"Double"_s, 1, tipo(u"DOP"_s)));
        ASSERT_TRUE(m.salva(u"SGL"_s, u"Single"_s, 1, tipo(u"SIN"_s)));
    }

    // A confirmed QV booking of one DOP room, counted as QV counts it.
    void prenotazione(const QDate& arrivo, int notti)
    {
        BancoQV::coloreConferma(w);
        BancoQV::prenota(w, 4711, u"DOP"_s, u"201"_s, arrivo, notti);
    }

    SimServer sim;
    WorkDir w;
    Registro registro;
    Sessione sessione;
};

TEST_F(GridEndToEnd, ABookingCountedInQVReachesTheServiceAcrossTheMonthEnd)
{
    mappa();
    prenotazione(QDate(2026, 5, 30), 4);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(w.clock.today()));
    ASSERT_EQ(g.tipi(), 2);
    ASSERT_TRUE(g.importaDaQV());
    // 20 May .. 19 June: the booked nights 30 May .. 2 June leave 4 double rooms.
    EXPECT_EQ(g.disponibilita(0, 9), 5);
    EXPECT_EQ(g.disponibilita(0, 10), 4);
    EXPECT_EQ(g.disponibilita(0, 13), 4);
    EXPECT_EQ(g.disponibilita(0, 14), 5);
    ASSERT_TRUE(g.preparaFile());

    EXPECT_TRUE(sessione.esegui(Sessione::Comando::Tick));
    EXPECT_THAT(preparati(), IsEmpty());
    notificaAttesa(QDate(2026, 5, 20), QDate(2026, 5, 30), 4);
    const QStringList m = messaggi(sim.availabilityNotifications().at(0));
    ASSERT_EQ(m.size(), 62);
    EXPECT_EQ(m.at(11), u"DBL 2026-05-31 4"_s);
    EXPECT_EQ(m.at(12), u"DBL 2026-06-01 4"_s);
    EXPECT_TRUE(w.op.messages.isEmpty());
}

TEST_F(GridEndToEnd, PublishSendsAtOnceOrLeavesTheFileForTheTimer)
{
    mappa();
    prenotazione(QDate(2026, 6, 1), 4);
    EXPECT_TRUE(sessione.esegui(Sessione::Comando::Publish));
    EXPECT_THAT(preparati(), IsEmpty());
    notificaAttesa(QDate(2026, 5, 20), QDate(2026, 6, 1), 4);
    EXPECT_THAT(registrato().toStdString(),
                ::testing::HasSubstr("Disponibilità pubblicata: WBValuesRooms20260520121100.txt"));

    // Attivo 0: prepared, left for the timer, and said so.
    parametri(false);
    ASSERT_TRUE(sessione.attiva());
    w.clock.advanceSecs(60);
    EXPECT_TRUE(sessione.esegui(Sessione::Comando::Publish));
    EXPECT_THAT(preparati(), ElementsAre(u"WBValuesRooms20260520121200.txt"_s));
    EXPECT_EQ(sim.availabilityNotifications().size(), 1);
    EXPECT_THAT(registrato().toStdString(), ::testing::HasSubstr("Attivo è 0"));
    const QStringList righe = *TextFile::readLines(w.file(u"WBValuesRooms20260520121200.txt"_s));
    ASSERT_EQ(righe.size(), 4);
    EXPECT_EQ(righe.at(1), u"20/05/2026,DOP,Price,"_s + QString(31, u','));

    // The service refuses: the file is kept as ".failed", as the timer keeps it.
    parametri(true);
    ASSERT_TRUE(sessione.attiva());
    QFile::remove(w.file(u"WBValuesRooms20260520121200.txt"_s));
    sim.setFault(SimFault::httpStatus(500).onPath(u"/xmlservice.asmx/AvailabilityRQ"_s));
    EXPECT_TRUE(sessione.esegui(Sessione::Comando::Publish));
    EXPECT_THAT(preparati(), ElementsAre(u"WBValuesRooms20260520121200.txt.failed"_s));
    EXPECT_THAT(registrato().toStdString(), ::testing::HasSubstr("non pubblicata"));
    EXPECT_TRUE(w.op.messages.isEmpty());
}

TEST_F(GridEndToEnd, PublishWithNothingMappedSaysSo)
{
    EXPECT_TRUE(sessione.esegui(Sessione::Comando::Publish));
    EXPECT_THAT(preparati(), IsEmpty());
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_THAT(w.op.messages.at(0).message.text.toStdString(), ::testing::HasSubstr("Types of rooms QV"));
    EXPECT_TRUE(sim.availabilityNotifications().isEmpty());
}

// The same through the program without windows, on today's date.
TEST_F(GridEndToEnd, OncePublishThroughTheProgram)
{
    ASSERT_TRUE(QFileInfo::exists(QString::fromUtf8(SB_SBDESKTOP_PATH))) << "build SBDeskTop first";
    const QDate oggi = QDate::currentDate();
    w.clock.set(QDateTime(oggi, QTime(12, 0)));
    mappa();
    prenotazione(oggi.addDays(3), 2);
    const auto err = GridNotifiche::pubblica(w.tmp.path(), sim.baseUrl());
    ASSERT_TRUE(err);
    EXPECT_THAT(err->toStdString(), ::testing::HasSubstr("Comando publish: terminato"));
    EXPECT_THAT(err->toStdString(), ::testing::HasSubstr("Disponibilità pubblicata: WBValuesRooms"));
    EXPECT_THAT(preparati(), IsEmpty());
    notificaAttesa(oggi, oggi.addDays(3), 2);
}
} // namespace
