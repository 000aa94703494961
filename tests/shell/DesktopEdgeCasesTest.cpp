// Edge cases of the desktop program's session and of the unattended mode: the working mode shown
// after the settings file goes away, an odd command line, a log reader that goes away, and SIGTERM
// while a command waits on the service.

#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "store/TextFile.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"

#include "Contiene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray parametri(const QString& host, bool automatica, bool attivo = false)
{
    return (QString(attivo ? u" 1 "_s : u" 0 "_s) + u"\r\n"_s + host + u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n1234"_s +
            u"\r\nP1\r\nBB\r\n77\r\n"_s + (automatica ? u" 1 "_s : u" 0 "_s) + u"\r\n 0 \r\n"_s)
        .toLatin1();
}

// A working directory holding only the settings file.
// A hotel's data directory for the program: its parameters and its table definitions.
void scriviParametri(const QTemporaryDir& dir, const QString& host)
{
    QFile f(QDir(dir.path()).filePath(u"SBookParam.txt"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(parametri(host, false));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(SB_DBT_PATH), QDir(dir.path()).filePath(u"SBOOK.DBT"_s)));
}

// The caption is the operator's only sight of the working mode: whatever an activation does, it must
// not name a mode other than the one the next download will use.
TEST(DesktopEdgeCases, TheCaptionNamesTheModeInForceAfterTheSettingsFileGoesAway)
{
    WorkDir w;
    w.bootstrap();
    Registro registro(w.clock, false);
    Sessione sessione(w.ctx, registro);

    w.write(u"SBookParam.txt"_s, parametri(u"http://127.0.0.1:1/res"_s, true));
    ASSERT_TRUE(sessione.attiva());
    ASSERT_EQ(w.op.caption, u"Interfaccia QV <--> SimpleBooking (modalita 2 'Automatica')"_s);

    // The file is moved away (by hand, or while the operator replaces it); the unattended mode goes
    // on "with the parameters read before", the desktop waits in the parameters window.
    ASSERT_TRUE(QFile::remove(w.file(u"SBookParam.txt"_s)));
    EXPECT_FALSE(sessione.attiva());
    EXPECT_EQ(w.op.caption, w.ctx.caption()) << "the caption names a mode that is no longer in force";
}

// An option value that happens to be "--headless" made the program build a console application and
// then the main window on it.
TEST(DesktopEdgeCases, ALogFileNamedLikeTheHeadlessOptionIsNoCrash)
{
    ASSERT_TRUE(QFileInfo::exists(QString::fromUtf8(SB_SBDESKTOP_PATH))) << "build SBDeskTop first";
    QTemporaryDir dir;
    scriviParametri(dir, u"http://127.0.0.1:1/res"_s);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    // "--headless" is the log file's name here: the desktop program opens (offscreen) and ends on SIGTERM.
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), {u"--log"_s, u"--headless"_s});
    ASSERT_TRUE(p.waitForStarted(10000));
    if (!p.waitForFinished(3000)) {
        p.terminate();
        ASSERT_TRUE(p.waitForFinished(15000));
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit)
        << "crashed: " << QString::fromLocal8Bit(p.readAllStandardError()).toStdString();
}

// Run unattended with standard error into a pipe whose reader has gone (a log collector that was
// restarted, "| head"), the bridge must still do its work and end normally.
TEST(DesktopEdgeCases, AStandardErrorWithoutReaderDoesNotKillTheUnattendedRun)
{
    ASSERT_TRUE(QFileInfo::exists(QString::fromUtf8(SB_SBDESKTOP_PATH))) << "build SBDeskTop first";
    QTemporaryDir dir;
    scriviParametri(dir, u"http://127.0.0.1:1/res"_s);
    const QByteArray cartella = QFile::encodeName(dir.path());
    const QByteArray programma = QFile::encodeName(QString::fromUtf8(SB_SBDESKTOP_PATH));
    const QByteArray registro = QFile::encodeName(QDir(dir.path()).filePath(u"registro.log"_s));

    int tubo[2];
    ASSERT_EQ(::pipe(tubo), 0);
    ::close(tubo[0]); // nobody reads
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(tubo[1], STDERR_FILENO);
        if (::chdir(cartella.constData()) != 0)
            ::_exit(126);
        ::execl(programma.constData(), "SBDeskTop", "--headless", "--once", "tick", "--log", registro.constData(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(tubo[1]);
    int stato = 0;
    ASSERT_EQ(::waitpid(pid, &stato, 0), pid);
    EXPECT_FALSE(WIFSIGNALED(stato)) << "ended by signal " << WTERMSIG(stato);
    EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0);
    const QString log = TextFile::readAll(QString::fromLocal8Bit(registro)).value_or(QString());
    EXPECT_THAT(log, Contiene(u"Comando tick: terminato"_s));
}

// SIGTERM while a command waits on the service: the command ends first, the run ends normally.
TEST(DesktopEdgeCases, SigtermWhileAnUnattendedCommandRunsLetsItFinish)
{
    SimServer sim{SimServer::scenario(u"two-hotels"_s)};
    sim.setFault(SimFault::slow(3000));
    QTemporaryDir dir;
    scriviParametri(dir, sim.reservationsUrl());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"SB_BASE_URL"_s, sim.baseUrl());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.setReadChannel(QProcess::StandardError);
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), {u"--headless"_s, u"--once"_s, u"getRooms"_s});
    QString err;
    while (!err.contains(u"Comando getRooms: inizio"_s) && p.waitForReadyRead(5000))
        err += QString::fromLocal8Bit(p.readAllStandardError());
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(20000));
    err += QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_THAT(err, Contiene(u"Comando getRooms: terminato"_s)) << err.toStdString();
}

} // namespace
