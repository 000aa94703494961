// How the simulator starts and stops: it must never outlive the test that started it.

#include "support/SimServer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QString sbsim()
{
    return QString::fromUtf8(SB_SBSIM_PATH);
}

TEST(SimLifecycle, StopsWhenItsStandardInputCloses)
{
    SimServer sim;
    ASSERT_GT(sim.port(), 0);
    EXPECT_TRUE(sim.closeStdinAndWait());
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
}

TEST(SimLifecycle, StopsOnSigtermAndAfterItsLifetime)
{
    SimServer sim;
    sim.process().terminate();
    ASSERT_TRUE(sim.process().waitForFinished(10000));
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);

    SimServer shortLived({}, {u"--lifetime"_s, u"1"_s});
    ASSERT_TRUE(shortLived.process().waitForFinished(10000));
    EXPECT_EQ(shortLived.process().exitCode(), 0);
}

TEST(SimLifecycle, WritesThePortFileAndIgnoresAnInputThatIsNoPipe)
{
    QTemporaryDir dir;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice()); // a background job's input: not a parent's pipe
    process.start(sbsim(), {u"--port"_s, u"0"_s, u"--port-file"_s, dir.filePath(u"port"_s), u"--lifetime"_s, u"30"_s});
    ASSERT_TRUE(process.waitForReadyRead(10000));
    const QByteArray line = process.readLine().trimmed();
    ASSERT_TRUE(line.startsWith("PORT "));
    QFile portFile(dir.filePath(u"port"_s));
    ASSERT_TRUE(portFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(portFile.readAll().trimmed(), line.mid(5));
    EXPECT_FALSE(process.waitForFinished(500)); // end of /dev/null does not stop it
    process.terminate();
    EXPECT_TRUE(process.waitForFinished(10000));
}

TEST(SimLifecycle, RefusesBadStartOptions)
{
    const auto run = [](const QStringList& args) {
        QProcess process;
        process.start(sbsim(), args);
        process.closeWriteChannel();
        process.waitForFinished(10000);
        return process.exitCode();
    };
    EXPECT_EQ(run({u"--port"_s, u"0"_s, u"--scenario"_s, u"/nonexistent/scenario"_s}), 1);
    EXPECT_EQ(run({u"--port"_s, u"0"_s, u"--colour"_s, u"red"_s}), 2);
    EXPECT_EQ(run({u"--scenario"_s, SimServer::scenario(u"two-hotels"_s)}), 2); // no port
}

} // namespace
