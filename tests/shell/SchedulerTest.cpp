// The timer's tick with the clock fixed: when it downloads, which availability files it sends and
// deletes, what happens to a failed send or a file that cannot be deleted, and a tick that comes
// while earlier work still waits for the operator.

#include "shell/Scheduler.h"
#include "Contiene.h"
#include "shell/Registro.h"
#include "support/WorkDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;

using ::testing::IsEmpty;

namespace {

const QString kA = u"WBValuesRooms20260504120000.txt"_s;
const QString kB = u"WBValuesRooms20260504120100.txt"_s;
const QString kC = u"WBValuesRooms20260504120200.txt"_s;
const QByteArray kData = "04/05/2026,DBL,Avail,3,2,\r\n04/05/2026,DBL,Price,90,90,\r\n";

class FakeLavori : public Scheduler::Lavori
{
public:
    void scaricaPrenotazioni() override
    {
        ++scaricamenti;
        if (duranteScaricamento)
            duranteScaricamento();
    }
    bool inviaDisponibilita(const QString& codiceHotel, const QString& nomeFile) override
    {
        codici.append(codiceHotel);
        inviati.append(nomeFile);
        if (duranteInvio)
            duranteInvio();
        return !respinti.contains(nomeFile);
    }
    bool eliminaFile(const QString& path) override
    {
        if (nonEliminabili.contains(QFileInfo(path).fileName())) {
            ++eliminazioniRifiutate;
            return false;
        }
        return Lavori::eliminaFile(path);
    }
    bool rinominaFile(const QString& da, const QString& a) override
    {
        if (nonRinominabili.contains(QFileInfo(da).fileName()))
            return false;
        return Lavori::rinominaFile(da, a);
    }

    int scaricamenti = 0;
    QStringList inviati;
    QStringList codici;
    QSet<QString> respinti;
    QSet<QString> nonEliminabili;
    QSet<QString> nonRinominabili;
    int eliminazioniRifiutate = 0;
    std::function<void()> duranteScaricamento;
    std::function<void()> duranteInvio;
};

class SchedulerTest : public ::testing::Test
{
protected:
    SchedulerTest() : w(at(12, 11, 0)), scheduler(w.ctx, occupazione, lavori)
    {
        w.ctx.settings.Attivo = u"1"_s;
        w.ctx.settings.CodiceHotel = u"1234"_s;
    }
    static QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 5, 4), QTime(h, m, s)); }
    bool exists(const QString& name) const { return QFileInfo::exists(w.file(name)); }
    QStringList files() const { return w.dir().entryList(QDir::Files, QDir::Name); }

    WorkDir w;
    Occupazione occupazione;
    FakeLavori lavori;
    Scheduler scheduler;
};

TEST_F(SchedulerTest, DownloadsAtMinutesTenThirtyFiftyAndFiftyNine)
{
    struct Case
    {
        QTime time;
        bool download;
    };
    const Case cases[] = {
        {QTime(12, 10, 5), true},  {QTime(12, 11, 0), false}, {QTime(12, 30, 0), true}, {QTime(12, 50, 24), true},
        {QTime(12, 59, 59), true}, {QTime(12, 9, 59), false}, {QTime(12, 5, 0), false}, {QTime(13, 0, 0), false},
    };
    for (const Case& c : cases) {
        w.clock.set(QDateTime(QDate(2026, 5, 4), c.time));
        const int before = lavori.scaricamenti;
        const Scheduler::Esito esito = scheduler.tick();
        EXPECT_EQ(esito.scaricato, c.download) << c.time.toString().toStdString();
        EXPECT_EQ(lavori.scaricamenti - before, c.download ? 1 : 0) << c.time.toString().toStdString();
    }
}

TEST_F(SchedulerTest, EachTickSetsTheIntervalBackTo25Seconds)
{
    EXPECT_EQ(scheduler.timer().interval(), 25000);
    scheduler.timer().setInterval(1000);
    scheduler.tick();
    EXPECT_EQ(scheduler.timer().interval(), 25000);
}

TEST_F(SchedulerTest, AttivoZeroLeavesThePreparedFilesAlone)
{
    w.ctx.settings.Attivo = u"0"_s;
    w.write(kA, kData);
    w.write(kB, "");
    scheduler.tick();
    EXPECT_THAT(lavori.inviati, IsEmpty());
    EXPECT_TRUE(exists(kA));
    EXPECT_TRUE(exists(kB));
}

TEST_F(SchedulerTest, ThreeFilesOneEmptyTwoSendsThreeDeletionsInNameOrder)
{
    w.write(kC, kData);
    w.write(kB, "");
    w.write(kA, kData);
    w.write(u"Altro.txt"_s, kData);
    w.write(u"WBValuesRooms.bak"_s, kData);

    const Scheduler::Esito esito = scheduler.tick();

    EXPECT_THAT(lavori.inviati, ElementsAre(kA, kC));
    EXPECT_THAT(lavori.codici, ElementsAre(u"1234"_s, u"1234"_s));
    EXPECT_THAT(esito.inviati, ElementsAre(kA, kC));
    EXPECT_THAT(esito.vuoti, ElementsAre(kB));
    EXPECT_THAT(files(), ElementsAre(u"Altro.txt"_s, u"WBValuesRooms.bak"_s));
}

TEST_F(SchedulerTest, AFileWhoseFirstLineIsBlankCountsAsEmpty)
{
    w.write(kA, "   \r\n04/05/2026,DBL,Avail,3,2,\r\n");
    w.write(kB, "\r\n04/05/2026,DBL,Avail,3,2,\r\n");
    w.write(kC, "  " + kData);
    scheduler.tick();
    EXPECT_THAT(lavori.inviati, ElementsAre(kC)); // blanks before data on the first line are still data
    EXPECT_THAT(files(), IsEmpty());
}

TEST_F(SchedulerTest, NameMatchIgnoresCase)
{
    w.write(u"wbvaluesrooms20260504.TXT"_s, kData);
    scheduler.tick();
    EXPECT_THAT(lavori.inviati, ElementsAre(u"wbvaluesrooms20260504.TXT"_s));
}

TEST_F(SchedulerTest, AFailedSendIsKeptAsFailedShownAndNotSentAgain)
{
    w.write(kA, kData);
    w.write(kB, kData);
    w.write(kB + u".failed"_s, "older"); // an earlier failure of the same name is not overwritten
    lavori.respinti = {kA, kB};
    w.ctx.UltimaRisposta = u"Error: HTTP 500"_s;

    const Scheduler::Esito esito = scheduler.tick();

    EXPECT_THAT(esito.falliti, ElementsAre(kA, kB));
    EXPECT_FALSE(exists(kA));
    EXPECT_TRUE(exists(kA + u".failed"_s));
    EXPECT_TRUE(exists(kB + u".2.failed"_s));
    EXPECT_TRUE(exists(kB + u".failed"_s));
    ASSERT_FALSE(w.op.answers.isEmpty());
    EXPECT_THAT(w.op.answers.last(), Contiene(u"Error: HTTP 500"_s));
    EXPECT_THAT(w.op.answers.last(), Contiene(kB + u".2.failed"_s));

    scheduler.tick();
    EXPECT_EQ(lavori.inviati.size(), 2); // nothing sent blindly again

    // The operator renames it back: the next tick sends it, and this time it goes.
    lavori.respinti.clear();
    ASSERT_TRUE(QFile::rename(w.file(kA + u".failed"_s), w.file(kA)));
    scheduler.tick();
    EXPECT_THAT(lavori.inviati, ElementsAre(kA, kB, kA));
    EXPECT_FALSE(exists(kA));
}

TEST_F(SchedulerTest, AFileThatCannotBeDeletedIsReportedOnceAndPassedBy)
{
    w.write(kA, kData);
    w.write(kB, "");
    w.write(kC, kData);
    lavori.nonEliminabili = {kA, kB};

    const Scheduler::Esito first = scheduler.tick();
    EXPECT_THAT(lavori.inviati, ElementsAre(kA, kC));
    EXPECT_THAT(first.nonEliminati, ElementsAre(kA, kB));
    EXPECT_EQ(lavori.eliminazioniRifiutate, 2);
    const qsizetype reports = w.op.answers.size();
    EXPECT_EQ(reports, 2);
    EXPECT_THAT(w.op.answers.at(0), Contiene(kA));

    const QString kD = u"WBValuesRooms20260504130000.txt"_s;
    w.write(kD, kData);
    const Scheduler::Esito second = scheduler.tick();
    EXPECT_THAT(lavori.inviati, ElementsAre(kA, kC, kD)); // A is not sent again, D goes
    EXPECT_THAT(second.nonEliminati, IsEmpty());
    EXPECT_EQ(lavori.eliminazioniRifiutate, 2);
    EXPECT_EQ(w.op.answers.size(), reports);
    EXPECT_THAT(files(), ElementsAre(kA, kB));
}

TEST_F(SchedulerTest, AFailedSendThatCannotBeRenamedIsPassedBy)
{
    w.write(kA, kData);
    lavori.respinti = {kA};
    lavori.nonRinominabili = {kA};
    EXPECT_THAT(scheduler.tick().nonEliminati, ElementsAre(kA));
    scheduler.tick();
    EXPECT_THAT(lavori.inviati, ElementsAre(kA));
    EXPECT_TRUE(exists(kA));
}

TEST_F(SchedulerTest, ATickWhileEarlierWorkWaitsForTheOperatorStartsNothing)
{
    w.clock.set(at(12, 10, 5));
    w.write(kA, kData);
    w.write(kB, kData);

    // The download waits on a question of the review; the timer ticks twice meanwhile.
    QList<Scheduler::Esito> nested;
    lavori.duranteScaricamento = [&] {
        nested.append(scheduler.tick());
        w.clock.advanceSecs(25);
        nested.append(scheduler.tick());
    };
    lavori.duranteInvio = [&] {
        nested.append(scheduler.tick());
    };

    const Scheduler::Esito outer = scheduler.tick();
    EXPECT_TRUE(outer.scaricato);
    EXPECT_EQ(lavori.scaricamenti, 1);
    EXPECT_THAT(lavori.inviati, ElementsAre(kA, kB)); // each file once, from the outer tick
    ASSERT_EQ(nested.size(), 4);
    for (const Scheduler::Esito& e : nested) {
        EXPECT_TRUE(e.saltato);
        EXPECT_FALSE(e.scaricato);
        EXPECT_THAT(e.inviati, IsEmpty());
    }

    // A command started from a button that waits for the operator holds the timer off too.
    w.write(kC, kData);
    {
        Occupazione::Guardia comando(occupazione);
        EXPECT_TRUE(scheduler.tick().saltato);
    }
    EXPECT_EQ(lavori.scaricamenti, 1);
    EXPECT_TRUE(exists(kC));
    EXPECT_FALSE(scheduler.tick().saltato);
    EXPECT_FALSE(exists(kC));
}

TEST_F(SchedulerTest, WhatTheTimerStartedReportsInTheTextBoxAndTheLogAndStillAsks)
{
    QTemporaryDir logDir;
    Registro registro(w.clock, false);
    ASSERT_TRUE(registro.apri(logDir.filePath(u"log.txt"_s)).isEmpty());
    Scheduler logged(w.ctx, occupazione, lavori, &registro);
    w.clock.set(at(16, 10, 6));
    OperatorPort::Answer asked = OperatorPort::Answer::Ok;
    lavori.duranteScaricamento = [&] {
        EXPECT_TRUE(w.ctx.senzaAttesa());
        w.ctx.op().setAnswerText(u"Error: 7 - Impossibile connettersi al server"_s);
        w.ctx.op().inform(u"Simple Booking"_s, u"Ricezione prenotazione errata!"_s);
        w.ctx.op().inform(u"Errore"_s, u"Impossibile scrivere il file X"_s, OperatorPort::Icon::Critical);
        w.op.answer(OperatorPort::Answer::Yes);
        asked = w.ctx.op().ask(u"Simple Booking"_s, u"Confermi?"_s, OperatorPort::Answer::No);
    };
    logged.tick();

    // Only the question was a box; the two notices sit under the service's answer and in the log.
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_EQ(w.op.messages.first().message.text, u"Confermi?"_s);
    EXPECT_EQ(asked, OperatorPort::Answer::Yes);
    EXPECT_EQ(w.op.answers.last(), u"Error: 7 - Impossibile connettersi al server\r\n\r\nSimple Booking: Ricezione "
                                   u"prenotazione errata!\r\n\r\nErrore: Impossibile scrivere il file X"_s);
    QFile log(logDir.filePath(u"log.txt"_s));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(log.readAll());
    EXPECT_THAT(text, Contiene(u"Simple Booking: Ricezione prenotazione errata!"_s));
    EXPECT_THAT(text, Contiene(u"Errore: Impossibile scrivere il file X"_s));

    // The next tick is not held off, and a command started by hand keeps its boxes.
    w.clock.advanceSecs(25);
    lavori.duranteScaricamento = nullptr;
    EXPECT_FALSE(logged.tick().saltato);
    EXPECT_FALSE(w.ctx.senzaAttesa());
    w.ctx.op().inform(u"Simple Booking"_s, u"Ricezione prenotazione errata!"_s);
    EXPECT_EQ(w.op.messages.size(), 2);
    // A notice never waits, whoever started the command.
    w.ctx.op().avviso(u"Simple Booking"_s, u"Conferma non riuscita"_s);
    EXPECT_EQ(w.op.messages.size(), 2);
    EXPECT_THAT(w.op.answers.last(), Contiene(u"Simple Booking: Conferma non riuscita"_s));
}

TEST_F(SchedulerTest, TheTimerRunsTheTick)
{
    w.write(kA, kData);
    scheduler.timer().setInterval(1);
    scheduler.timer().start();
    QDeadlineTimer deadline(5000);
    while (lavori.inviati.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    scheduler.stop();
    EXPECT_THAT(lavori.inviati, ElementsAre(kA));
}

} // namespace
