// The built SBDeskTop without windows, against the simulated service: each --once command, an
// answer script and a log file, the start-up failures, the data directory, --version and SIGTERM.

#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"
#include "store/TextFile.h"
#include "support/CatalogoQV.h"
#include "support/SimServer.h"

#include "Contiene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

struct Esito
{
    int exitCode = -1;
    QString err;
};

class Unattended : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(QString::fromUtf8(SB_SBDESKTOP_PATH))) << "build SBDeskTop first";
        env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SB_BASE_URL"_s, sim.baseUrl());
        // A hotel's data directory: it holds its table definitions.
        ASSERT_TRUE(QFile::copy(QString::fromUtf8(SB_DBT_PATH), file(u"SBOOK.DBT"_s)));
    }

    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void parametri(bool attivo = false)
    {
        write(u"SBookParam.txt"_s, (QString(attivo ? u" 1 "_s : u" 0 "_s) + u"\r\n"_s + sim.reservationsUrl() +
                                    u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n1234\r\nP1\r\nBB\r\n77\r\n 0 \r\n 0 \r\n"_s)
                                       .toLatin1());
    }
    Esito run(const QStringList& args, const QString& cartella = {})
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(cartella.isEmpty() ? dir.path() : cartella);
        p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    int rows(const QString& sql)
    {
        Database db(QDir(dir.path()), u"SimpleBooking.mdb"_s);
        return db.OpenRecordset(sql).RecordCount();
    }

    SimServer sim{SimServer::scenario(u"two-hotels"_s)};
    QTemporaryDir dir;
    QProcessEnvironment env;
};

TEST_F(Unattended, OnceGetRoomsAndGetRates)
{
    parametri();
    Esito e = run({u"--headless"_s, u"--once"_s, u"getRooms"_s});
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();
    EXPECT_THAT(e.err, Contiene(u"Comando getRooms: inizio"_s));
    EXPECT_THAT(e.err, Contiene(u"Comando getRooms: terminato"_s));
    EXPECT_EQ(rows(u"Select * From Rooms Where HotelId = '1234'"_s), 3);
    EXPECT_EQ(rows(u"Select * From HotelId Where HotelId = '1234'"_s), 1);

    e = run({u"--headless"_s, u"--once"_s, u"getRates"_s});
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();
    EXPECT_EQ(rows(u"Select * From Rates Where HotelId = '1234'"_s), 2);
    EXPECT_EQ(rows(u"Select * From HotelId"_s), 1);
}

TEST_F(Unattended, OnceReservationsWithAnAnswerScriptAndALog)
{
    parametri();
    write(u"risposte.txt"_s, "yes\r\n101\r\nno\r\n");
    const Esito e = run({u"--headless"_s, u"--once"_s, u"reservations"_s, u"--answers"_s, file(u"risposte.txt"_s),
                         u"--log"_s, file(u"registro.log"_s)});
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();
    EXPECT_EQ(rows(u"Select * From Reservations Where NPren = 'SB1001'"_s), 1);
    EXPECT_EQ(rows(u"Select * From Reservations Where NPren = 'SB1002'"_s), 1);
    EXPECT_TRUE(sim.confirmedIds().contains(u"SB1001"_s));

    const QString log = TextFile::readAll(file(u"registro.log"_s)).value_or(QString());
    EXPECT_THAT(log, Contiene(u"Comando reservations: inizio\r\n"_s));
    EXPECT_THAT(log, Contiene(u"Comando reservations: terminato\r\n"_s));
    EXPECT_THAT(log, Contiene(u"(modalita 1 'Semi automatica')"_s));
    // The exchanges left their files in the exchange folder.
    EXPECT_THAT(QDir(file(u"SimpleBooking"_s)).entryList(QDir::Files), Not(IsEmpty()));
}

TEST_F(Unattended, OnceTickSendsAndDeletesThePreparedFiles)
{
    parametri(true);
    // A QV room type the service's DBL is mapped to, with the rooms the file offers.
    CreaStrutture(QDir(dir.path()), QString::fromUtf8(SB_DBT_PATH));
    CatalogoQV::tipoCamera(QDir(dir.path()), u"DBL"_s, 3);
    CatalogoQV::cameraServizio(QDir(dir.path()), u"1234"_s, u"DBL"_s, 1, u"DBL"_s);
    const QString today = QDate::currentDate().toString(u"dd/MM/yyyy"_s);
    write(u"WBValuesRooms20260101000000.txt"_s, (today + u",DBL,Avail,3,2,\r\n"_s).toLatin1());
    write(u"WBValuesRooms20260101000100.txt"_s, "");
    const Esito e = run({u"--headless"_s, u"--once"_s, u"tick"_s});
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();
    EXPECT_EQ(sim.availabilityNotifications().size(), 1);
    EXPECT_THAT(QDir(dir.path()).entryList({u"WBValuesRooms*"_s}, QDir::Files), IsEmpty());
    EXPECT_THAT(e.err, Contiene(u"Disponibilità inviata: WBValuesRooms20260101000000.txt"_s));
}

TEST_F(Unattended, StartUpFailuresAreClearAndNotZero)
{
    // No settings: nothing is created in a directory that may be the wrong one.
    Esito e = run({u"--headless"_s, u"--once"_s, u"getRooms"_s});
    EXPECT_NE(e.exitCode, 0);
    EXPECT_THAT(e.err, Contiene(u"SBookParam.txt non esiste"_s));
    EXPECT_FALSE(QFileInfo::exists(file(u"SimpleBooking.mdb"_s)));

    parametri();
    e = run({u"--headless"_s, u"--once"_s, u"getRooms"_s, u"--answers"_s, file(u"manca.txt"_s)});
    EXPECT_NE(e.exitCode, 0);
    EXPECT_THAT(e.err, Contiene(u"file delle risposte"_s));

    // On a server there is no display: a wrong command is told, never a crash of the window system.
    env.remove(u"DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    e = run({u"--headless"_s, u"--once"_s, u"getHotels"_s});
    EXPECT_EQ(e.exitCode, 2);
    EXPECT_THAT(e.err, Contiene(u"comando sconosciuto: getHotels"_s));

    // A working directory where the exchange folder cannot be made.
    write(u"SimpleBooking"_s, "a file, not a folder");
    e = run({u"--headless"_s, u"--once"_s, u"getRooms"_s});
    EXPECT_NE(e.exitCode, 0);
    EXPECT_THAT(e.err, Contiene(u"Avvio non riuscito: Impossibile creare la cartella"_s));
}

TEST_F(Unattended, OnlyAQvDataDirectoryBecomesAHotelUnlessInitIsGiven)
{
    // Parameters, but neither table definitions nor QV's files.
    QTemporaryDir vuota;
    parametri();
    ASSERT_TRUE(QFile::copy(file(u"SBookParam.txt"_s), QDir(vuota.path()).filePath(u"SBookParam.txt"_s)));
    Esito e = run({u"--headless"_s, u"--once"_s, u"getRooms"_s}, vuota.path());
    EXPECT_EQ(e.exitCode, 1);
    EXPECT_THAT(e.err, Contiene(u"non è una cartella dei dati di QV"_s));
    EXPECT_THAT(e.err, Contiene(QDir::toNativeSeparators(QDir(vuota.path()).absolutePath())));
    EXPECT_EQ(QDir(vuota.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"SBookParam.txt"_s});
    EXPECT_TRUE(sim.confirmedIds().isEmpty());

    // --dir names it from elsewhere; --init makes the new hotel there on purpose.
    e = run({u"--headless"_s, u"--once"_s, u"getRooms"_s, u"--dir"_s, vuota.path(), u"--init"_s}, dir.path());
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(vuota.path()).filePath(u"Contatori.mdb"_s)));
    // From then on it is a QV data directory.
    e = run({u"--headless"_s, u"--once"_s, u"getRates"_s, u"--dir"_s, vuota.path()});
    EXPECT_EQ(e.exitCode, 0) << e.err.toStdString();

    e = run({u"--headless"_s, u"--once"_s, u"tick"_s, u"--dir"_s, QDir(vuota.path()).filePath(u"manca"_s)});
    EXPECT_EQ(e.exitCode, 1);
    EXPECT_THAT(e.err, Contiene(u"manca: non esiste"_s));
}

TEST_F(Unattended, VersionNeedsNoDisplay)
{
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), {u"--version"_s});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith(u"SBDeskTop "_s) && out.size() > 10 && out.at(10).isDigit()) << out.toStdString();
}

TEST_F(Unattended, TheTimerRunsUntilSigterm)
{
    parametri();
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.setReadChannel(QProcess::StandardError);
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), {u"--headless"_s});
    QString err;
    QDeadlineTimer deadline(30000);
    // A loaded machine may take more than a second to start: wait for the text, not for one read.
    while (!err.contains(u"SIGTERM termina"_s) && !deadline.hasExpired() && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(1000);
        err += QString::fromLocal8Bit(p.readAllStandardError());
    }
    ASSERT_THAT(err, Contiene(u"SIGTERM termina"_s));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    err += QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_THAT(err, Contiene(u"Programma terminato."_s));
}

TEST_F(Unattended, SigtermEndsALongReviewBetweenTwoReservations)
{
    parametri();
    // Unattended assignment (line 11), and far more waiting reservations than the time a stop may take.
    QStringList righe = TextFile::readLines(file(u"SBookParam.txt"_s)).value_or(QStringList());
    ASSERT_GE(righe.size(), 11);
    righe[10] = u" 1 "_s;
    ASSERT_TRUE(TextFile::writeLines(file(u"SBookParam.txt"_s), righe).isEmpty());
    CreaStrutture(QDir(dir.path()), QString::fromUtf8(SB_DBT_PATH));
    constexpr int kInAttesa = 20000;
    {
        Database db(QDir(dir.path()), u"SimpleBooking.mdb"_s);
        Database::Transaction work(db);
        for (int i = 0; i < kInAttesa; ++i)
            db.run(u"INSERT INTO Reservations (NumeroHotel, NPren, DataFrom, DataTo, LastName, Status, Registrata, "
                   u"Room1, Room1_Q, Room1_S, Room1_QP, Room1_P, Room1_A) VALUES (1, ?, '20270110', '20270112', "
                   u"'Rossi', 'Reserved', 0, 'DBL', 1, 'DBL', 2, 100, 'BB')"_s,
                   {u"LUNGA%1"_s.arg(i)})
                .finish();
        work.commit();
    }
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.setReadChannel(QProcess::StandardError);
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), {u"--headless"_s, u"--once"_s, u"reservations"_s});
    QString err;
    QDeadlineTimer deadline(60000);
    while (!err.contains(u"Registrazione "_s) && !deadline.hasExpired() && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(1000);
        err += QString::fromLocal8Bit(p.readAllStandardError());
    }
    ASSERT_THAT(err, Contiene(u"Registrazione 1 di "_s));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(60000));
    err += QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_THAT(err, Contiene(u"interrotta su richiesta"_s));
    // Stopped between two reservations, long before the last: those seen (maybe none, when the signal
    // came at once) have their reason kept, the others are untouched.
    EXPECT_LT(rows(u"Select * From AttesaPrenotazioni Where Motivo Is Not Null"_s), kInAttesa / 2);
    EXPECT_EQ(rows(u"Select * From Reservations Where Registrata = 0 And NPren Like 'LUNGA%'"_s), kInAttesa);
}

} // namespace
