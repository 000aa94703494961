// Two bridges counting different bookings of the same type and month at the same moment: every
// count lands on the shared month row, none is lost. A bridge killed while it counts leaves a
// booking counted whole or not at all, allotment rows included.

#include "Albergo.h"
#include "availability/CalcolaDisponibilita.h"
#include "support/ChildContext.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <random>

using namespace Qt::StringLiterals;
using namespace AlbergoSupport;

namespace {

constexpr int kPerProcesso = 15;

void avvia(QProcess& figlio, const WorkDir& w, const QString& modo, qint32 numero)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"SB_COUNT_CHILD_DIR"_s, w.tmp.path());
    env.insert(modo, QString::number(numero));
    figlio.setProcessEnvironment(env);
    figlio.setProcessChannelMode(QProcess::MergedChannels);
    figlio.start(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath(),
                 {u"--gtest_filter=ConteggioConcorrenteFiglio.Figlio"_s});
    ASSERT_TRUE(figlio.waitForStarted(10000));
}

TEST(ConteggioConcorrente, TwoProcessesCountingTheSameMonthLoseNothing)
{
    WorkDir w;
    Albergo h(w);
    // Bookings 1..15 for the first process, 101..115 for the second: all DBL, all on 10-12 May.
    for (int p = 0; p < 2; ++p)
        for (int i = 1; i <= kPerProcesso; ++i) {
            const qint32 numero = p * 100 + i;
            h.scheda(numero, u"C"_s, u"CLIENTE %1"_s.arg(numero));
            h.camera(numero, {u"DBL"_s, QString::number(numero + 1000), u"20260510"_s, u"20260513"_s});
        }

    QProcess figli[2];
    for (int p = 0; p < 2; ++p)
        avvia(figli[p], w, u"SB_COUNT_CHILD_FIRST"_s, p * 100 + 1);
    if (::testing::Test::HasFatalFailure())
        return;
    // Both wait for this file, so that their counts overlap.
    w.write(u"via"_s, "1");
    for (QProcess& figlio : figli) {
        ASSERT_TRUE(figlio.waitForFinished(120000));
        const QByteArray uscita = figlio.readAll();
        ASSERT_EQ(figlio.exitStatus(), QProcess::NormalExit) << uscita.toStdString();
        ASSERT_EQ(figlio.exitCode(), 0) << uscita.toStdString();
    }

    for (int d = 10; d <= 12; ++d) {
        EXPECT_EQ(h.slot(u"202605DBL"_s, u"Libere"_s, d), 10 - 2 * kPerProcesso) << d;
        EXPECT_EQ(h.slot(u"202605DBL"_s, u"Confermate"_s, d), 2 * kPerProcesso) << d;
    }
    EXPECT_EQ(h.contatori().size(), 1);
    EXPECT_EQ(h.rack().size(), 2 * kPerProcesso);
}

TEST(ConteggioConcorrente, KilledWhileCountingNeverLeavesHalfABooking)
{
    WorkDir w;
    Albergo h(w);
    for (int d = 1; d <= 20; ++d)
        h.riserva(900, 42, u"DBL"_s, u" "_s, u"202608%1"_s.arg(d, 2, 10, QChar(u'0')), 5);
    h.scheda(980, u"D"_s, u"DITTA 42"_s, u"*WEB*"_s, {{u"CodiceDitta"_s, 42}});
    for (const QString& camera : {u"131"_s, u"132"_s, u"133"_s}) {
        h.camera(980, {u"DBL"_s, camera, u"20260801"_s, u"20260820"_s, u"D"_s, 1, 2, 900});
        h.rifAllot(980, camera, u"DBL"_s, 42, u"20260801"_s, u"20260820"_s);
    }

    std::mt19937 random(std::random_device{}());
    for (int uccisioni = 0; uccisioni < 12; ++uccisioni) {
        QProcess figlio;
        avvia(figlio, w, u"SB_COUNT_CHILD_LOOP"_s, 980);
        if (::testing::Test::HasFatalFailure())
            return;
        ASSERT_FALSE(figlio.waitForFinished(std::uniform_int_distribution<int>(50, 600)(random)))
            << figlio.readAll().toStdString();
        figlio.kill(); // no clean-up of any kind
        ASSERT_TRUE(figlio.waitForFinished(10000));

        // Counted (3 rooms a night) or not (0), the same on every night, in both files.
        QMap<QString, int> usate;
        for (const QVariantMap& r : h.righe(u"Allotments.mdb"_s, u"Riserva"_s))
            usate.insert(r.value(u"DataAllotments"_s).toString(), r.value(u"CamereUtilizzate"_s).toInt());
        const int contate = usate.value(u"20260801"_s);
        ASSERT_TRUE(contate == 0 || contate == 3) << contate;
        for (int d = 1; d <= 19; ++d) {
            ASSERT_EQ(usate.value(u"202608%1"_s.arg(d, 2, 10, QChar(u'0'))), contate) << "day " << d;
            if (h.contatori().isEmpty())
                continue; // killed before the first count was stored
            ASSERT_EQ(h.slot(u"202608DBL"_s, u"Confermate"_s, d), contate) << "day " << d;
            ASSERT_EQ(h.slot(u"202608DBL"_s, u"Allotment"_s, d), -contate) << "day " << d;
            ASSERT_EQ(h.slot(u"202608DBL"_s, u"Libere"_s, d), 10) << "day " << d;
        }
        ASSERT_EQ(usate.value(u"20260820"_s), 0) << "the departure day";
    }
}

// Runs only as a child of the tests above: counts its bookings once, or counts and uncounts one
// booking over and over.
TEST(ConteggioConcorrenteFiglio, Figlio)
{
    const auto child = ChildContext::fromEnvironment("SB_COUNT_CHILD_DIR");
    if (!child)
        GTEST_SKIP() << "runs as a child process only";
    const QString& dir = child->dir;
    CalcolaDisponibilita calcolo(child->ctx);
    if (qEnvironmentVariableIsSet("SB_COUNT_CHILD_LOOP")) {
        const qint32 numero = qEnvironmentVariableIntValue("SB_COUNT_CHILD_LOOP");
        // The run before was killed with the booking counted or not: go on from there.
        bool contata =
            Database(QDir(dir), u"Allotments.mdb"_s).OpenRecordset(u"Riserva"_s).FindFirst(u"CamereUtilizzate > 0"_s);
        for (int i = 0; i < 2000; ++i, contata = !contata)
            ASSERT_TRUE(calcolo.esegui(u"P"_s, numero, qint16(contata ? 0 : 1)));
        return;
    }
    const qint32 primo = qEnvironmentVariableIntValue("SB_COUNT_CHILD_FIRST");
    QElapsedTimer attesa;
    attesa.start();
    while (!QFile::exists(QDir(dir).filePath(u"via"_s)) && attesa.elapsed() < 30000)
        QThread::msleep(1);
    for (qint32 n = primo; n < primo + kPerProcesso; ++n)
        ASSERT_TRUE(calcolo.esegui(u"P"_s, n, 1)) << n;
    EXPECT_TRUE(child->op.messages.isEmpty());
}

} // namespace
