// The command line as a server's administrator types it: every option and its refusals, read before
// any window, and what the built program answers where there is no display at all.

#include "shell/Opzioni.h"

#include "Contiene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

LetturaOpzioni leggi(QStringList args)
{
    args.prepend(u"SBDeskTop"_s);
    return Opzioni::leggi(args);
}

struct Rifiutata
{
    QStringList args;
    const char16_t* problema;
    int codice;
};

TEST(CommandLine, AWrongLineIsRefusedNamingWhatIsWrongWithTheMonitoringCodeWhenItAsksForTheStatus)
{
    const Rifiutata casi[] = {
        {{u"--bogus"_s}, u"opzione sconosciuta: --bogus", 2},
        {{u"--headless"_s, u"-x"_s}, u"opzione sconosciuta: -x", 2},
        {{u"--headless"_s, u"--once"_s, u"status"_s, u"--bogus"_s}, u"opzione sconosciuta: --bogus", 3},
        // An unknown option before the command still lets a monitor read the answer as "unknown".
        {{u"--bogus"_s, u"--headless"_s, u"--once"_s, u"status"_s}, u"opzione sconosciuta: --bogus", 3},
        {{u"--headless"_s, u"--once"_s}, u"--once richiede un valore", 2},
        {{u"--headless"_s, u"--once"_s, u"tick"_s, u"--log"_s}, u"--log richiede un valore", 2},
        {{u"--headless"_s, u"--once"_s, u"tick"_s, u"--dir="_s}, u"--dir richiede un valore", 2},
        {{u"--headless"_s, u"--once"_s, u"getHotels"_s}, u"comando sconosciuto: getHotels", 2},
        {{u"--headless"_s, u"reservations"_s}, u"argomento inatteso: reservations", 2},
        {{u"--once"_s, u"tick"_s}, u"valgono solo con --headless", 2},
        {{u"--publish"_s}, u"valgono solo con --headless", 2},
        {{u"--headless"_s, u"--json"_s}, u"--json vale solo con --once status", 2},
        {{u"--headless"_s, u"--once"_s, u"status"_s, u"--publish"_s}, u"non accetta --publish", 3},
        {{u"--headless"_s, u"--once"_s, u"tick"_s, u"--once"_s, u"status"_s}, u"una volta sola", 3},
        {{u"--ask-dir"_s, u"--dir"_s, u"/srv/qv"_s}, u"--ask-dir vale solo", 2},
    };
    for (const Rifiutata& caso : casi) {
        const LetturaOpzioni l = leggi(caso.args);
        const std::string riga = caso.args.join(u' ').toStdString();
        EXPECT_FALSE(l.opzioni) << riga;
        EXPECT_THAT(l.problema, Contiene(QString::fromUtf16(caso.problema))) << riga;
        EXPECT_EQ(l.codiceUscita, caso.codice) << riga;
    }
}

TEST(CommandLine, EveryOptionOfTheUsageIsReadWithItsValue)
{
    const QString qui = QDir::currentPath();
    const LetturaOpzioni l = leggi({u"--headless"_s, u"--once"_s, u"reservations"_s, u"--answers"_s, u"risposte.txt"_s,
                                    u"--log=registro.log"_s, u"--dir"_s, u"/srv/qv/hotel-rossi"_s, u"--init"_s});
    ASSERT_TRUE(l.opzioni) << l.problema.toStdString();
    EXPECT_TRUE(l.opzioni->headless && l.opzioni->init);
    EXPECT_EQ(l.opzioni->once, Sessione::Comando::Reservations);
    // Files are taken from where the program was started, before --dir moves the working directory.
    EXPECT_EQ(l.opzioni->answers, QDir(qui).filePath(u"risposte.txt"_s));
    EXPECT_EQ(l.opzioni->log, QDir(qui).filePath(u"registro.log"_s));
    EXPECT_EQ(l.opzioni->dir, u"/srv/qv/hotel-rossi"_s);

    const LetturaOpzioni s = leggi({u"--headless"_s, u"--once"_s, u"status"_s, u"--json"_s});
    ASSERT_TRUE(s.opzioni);
    EXPECT_TRUE(s.opzioni->status && s.opzioni->json && !s.opzioni->once);
    const LetturaOpzioni t = leggi({u"--headless"_s, u"--publish"_s});
    ASSERT_TRUE(t.opzioni);
    EXPECT_TRUE(t.opzioni->publish && !t.opzioni->once && !t.opzioni->status);
}

TEST(CommandLine, AValueThatLooksLikeAnOptionStaysAValue)
{
    const LetturaOpzioni l = leggi({u"--log"_s, u"--headless"_s});
    ASSERT_TRUE(l.opzioni) << l.problema.toStdString();
    EXPECT_FALSE(l.opzioni->headless) << "the log file's name made the program headless";
    EXPECT_EQ(QFileInfo(l.opzioni->log).fileName(), u"--headless"_s);
}

TEST(CommandLine, HelpIsAnsweredInEveryModeAndTheUsageNamesEveryCommandAndOption)
{
    for (const QStringList& args :
         {QStringList{u"--help"_s}, QStringList{u"-h"_s}, QStringList{u"--headless"_s, u"--help"_s}}) {
        const LetturaOpzioni l = leggi(args);
        ASSERT_TRUE(l.opzioni) << l.problema.toStdString();
        EXPECT_TRUE(l.opzioni->help);
    }
    const QString uso = Opzioni::uso();
    for (const QString& parola :
         {u"--headless"_s, u"--once"_s, u"--publish"_s, u"--answers"_s, u"--log"_s, u"--dir"_s, u"--init"_s,
          u"--ask-dir"_s, u"--json"_s, u"--version"_s, u"--help"_s, u"getRooms"_s, u"getRates"_s, u"reservations"_s,
          u"tick"_s, u"publish"_s, u"status"_s, u"man SBDeskTop"_s})
        EXPECT_THAT(uso, Contiene(parola));
}

// The built program on a server: no display, no platform named.
struct Risposta
{
    int codice = -1;
    bool terminato = false;
    QString out;
    QString err;
};

Risposta senzaSchermo(const QStringList& args, const QString& display = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.insert(u"DISPLAY"_s, display);
    QTemporaryDir dir;
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.exitStatus() == QProcess::NormalExit,
            QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST(CommandLine, WithoutADisplayHelpAndAWrongOptionAreAnsweredAndTheWindowsRefusedInOneLine)
{
    ASSERT_TRUE(QFileInfo::exists(QString::fromUtf8(SB_SBDESKTOP_PATH))) << "build SBDeskTop first";
    for (const QStringList& args : {QStringList{u"--help"_s}, QStringList{u"--headless"_s, u"-h"_s}}) {
        const Risposta r = senzaSchermo(args);
        EXPECT_EQ(r.codice, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(u"uso: SBDeskTop"_s)) << r.out.toStdString();
    }
    Risposta r = senzaSchermo({u"--bogus"_s});
    EXPECT_EQ(r.codice, 2);
    EXPECT_TRUE(r.err.startsWith(u"SBDeskTop: opzione sconosciuta: --bogus\nuso: SBDeskTop"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    // The desktop program itself: told why and what to type instead, never Qt's abort and core dump.
    for (const QString& display : {QString(), u":97"_s}) {
        r = senzaSchermo({}, display);
        EXPECT_TRUE(r.terminato) << "crashed with DISPLAY='" << display.toStdString() << "': " << r.err.toStdString();
        EXPECT_EQ(r.codice, 1) << r.err.toStdString();
        const QStringList righe = r.err.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(righe.isEmpty());
        EXPECT_THAT(righe.constLast(), Contiene(u"--headless"_s));
        EXPECT_TRUE(righe.constLast().startsWith(u"SBDeskTop: impossibile aprire le finestre"_s))
            << r.err.toStdString();
    }
    EXPECT_EQ(senzaSchermo({}).err.count(u'\n'), 1) << "more than one line without any display";
}

} // namespace
