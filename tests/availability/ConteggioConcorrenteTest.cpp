// Two bridges counting different bookings of the same type and month at the same moment: every
// count lands on the shared month row, none is lost.

#include "Albergo.h"
#include "availability/CalcolaDisponibilita.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace AlbergoSupport;

namespace {

constexpr int kPerProcesso = 15;

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
    for (int p = 0; p < 2; ++p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SB_COUNT_CHILD_DIR"_s, w.tmp.path());
        env.insert(u"SB_COUNT_CHILD_FIRST"_s, QString::number(p * 100 + 1));
        figli[p].setProcessEnvironment(env);
        figli[p].setProcessChannelMode(QProcess::MergedChannels);
        figli[p].start(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath(),
                       {u"--gtest_filter=ConteggioConcorrenteFiglio.Figlio"_s});
        ASSERT_TRUE(figli[p].waitForStarted(10000));
    }
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

// Runs only as a child of the test above.
TEST(ConteggioConcorrenteFiglio, Figlio)
{
    const QString dir = qEnvironmentVariable("SB_COUNT_CHILD_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "runs as a child process only";
    const qint32 primo = qEnvironmentVariableIntValue("SB_COUNT_CHILD_FIRST");
    QElapsedTimer attesa;
    attesa.start();
    while (!QFile::exists(QDir(dir).filePath(u"via"_s)) && attesa.elapsed() < 30000)
        QThread::msleep(1);
    SystemClock clock;
    FakeOperatorPort op;
    AppContext ctx(dir, clock, op);
    CalcolaDisponibilita calcolo(ctx);
    for (qint32 n = primo; n < primo + kPerProcesso; ++n)
        ASSERT_TRUE(calcolo.esegui(u"P"_s, n, 1)) << n;
    EXPECT_TRUE(op.messages.isEmpty());
}

} // namespace
