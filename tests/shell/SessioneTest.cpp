// One run of the bridge without windows: start-up on a usable or unusable working directory, what
// an activation does, commands one at a time, the real availability send against the simulator,
// and the unattended operator with its answer script and log.

#include "shell/Sessione.h"
#include "Contiene.h"
#include "shell/HeadlessOperatorPort.h"
#include "shell/Registro.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/TextFile.h"
#include "support/CatalogoQV.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;

using ::testing::IsEmpty;
using Answer = OperatorPort::Answer;

namespace {

QByteArray parametri(const QString& host, const QString& hotel, bool automatica, bool attivo = false)
{
    return (QString(attivo ? u" 1 "_s : u" 0 "_s) + u"\r\n"_s + host + u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n"_s + hotel +
            u"\r\nP1\r\nBB\r\n77\r\n"_s + (automatica ? u" 1 "_s : u" 0 "_s) + u"\r\n 0 \r\n"_s)
        .toLatin1();
}

int righeHotel(const WorkDir& w, const QString& codice)
{
    Database db(w.dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select * From HotelId Where HotelId = ?"_s, {codice});
    int n = 0;
    for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
        EXPECT_EQ(rs.Field(u"DesHotel"_s).toString(), codice);
        ++n;
    }
    return n;
}

struct Bridge
{
    Bridge() : registro(w.clock, false), sessione(w.ctx, registro) {}
    WorkDir w;
    Registro registro;
    Sessione sessione;
};

TEST(SessioneStartUp, AnUnusableWorkingDirectoryIsAClearError)
{
    FixedClock clock(QDateTime::currentDateTime());
    FakeOperatorPort op;
    Registro registro(clock, false);
    QTemporaryDir tmp;

    AppContext missing(tmp.filePath(u"non-esiste"_s), clock, op);
    EXPECT_THAT(Sessione(missing, registro).avvia(), Contiene(u"non esiste"_s));

    QFile(tmp.filePath(u"un-file"_s)).open(QIODevice::WriteOnly);
    AppContext file(tmp.filePath(u"un-file"_s), clock, op);
    EXPECT_THAT(Sessione(file, registro).avvia(), Contiene(u"non è una cartella"_s));

    // An exchange folder that cannot be made (a file holds its name).
    QTemporaryDir blocked;
    QFile(QDir(blocked.path()).filePath(u"SimpleBooking"_s)).open(QIODevice::WriteOnly);
    AppContext noFolder(blocked.path(), clock, op);
    EXPECT_THAT(Sessione(noFolder, registro).avvia(), Contiene(u"SimpleBooking"_s));
}

TEST(SessioneStartUp, MakesTheExchangeFolderAndTheDatabases)
{
    Bridge b;
    QFile::copy(QString::fromUtf8(SB_DBT_PATH), b.w.file(u"SBOOK.DBT"_s));
    EXPECT_EQ(b.sessione.avvia(), QString());
    EXPECT_TRUE(QFileInfo(b.w.file(u"SimpleBooking"_s)).isDir());
    EXPECT_TRUE(QFileInfo::exists(b.w.file(u"SimpleBooking.mdb"_s)));
    EXPECT_TRUE(QFileInfo::exists(b.w.file(u"Contatori.mdb"_s)));
    EXPECT_THAT(b.w.dir().entryList({u".sbprova*"_s}, QDir::Files | QDir::Hidden), IsEmpty());
}

TEST(SessioneActivation, ReadsTheSettingsSetsTheCaptionAndAddsTheHotelOnce)
{
    Bridge b;
    b.w.bootstrap();
    EXPECT_FALSE(b.sessione.attiva());
    EXPECT_EQ(b.w.op.caption, QString()); // no caption until the file is found

    b.w.write(u"SBookParam.txt"_s, parametri(u"http://h/res"_s, u"H-1"_s, false));
    EXPECT_TRUE(b.sessione.attiva());
    EXPECT_EQ(b.w.op.caption, u"Interfaccia QV <--> SimpleBooking (modalita 1 'Semi automatica')"_s);
    EXPECT_EQ(righeHotel(b.w, u"H-1"_s), 1);

    b.w.write(u"SBookParam.txt"_s, parametri(u"http://h/res"_s, u"H-1"_s, true));
    EXPECT_TRUE(b.sessione.attiva());
    EXPECT_EQ(b.w.op.caption, u"Interfaccia QV <--> SimpleBooking (modalita 2 'Automatica')"_s);
    EXPECT_EQ(righeHotel(b.w, u"H-1"_s), 1);

    // A code with a quote is a value like any other; a blank code adds nothing.
    b.w.write(u"SBookParam.txt"_s, parametri(u"http://h/res"_s, u"O'Hara"_s, false));
    EXPECT_TRUE(b.sessione.attiva());
    EXPECT_EQ(righeHotel(b.w, u"O'Hara"_s), 1);
    b.w.write(u"SBookParam.txt"_s, parametri(u"http://h/res"_s, u"  "_s, false));
    EXPECT_TRUE(b.sessione.attiva());
    EXPECT_EQ(righeHotel(b.w, u"  "_s), 0);
}

class SessioneSend : public ::testing::Test
{
protected:
    SessioneSend()
    {
        b.w.bootstrap();
        b.w.clock.set(QDateTime(QDate::currentDate(), QTime(12, 11, 0))); // not a download minute
        b.w.write(u"SBookParam.txt"_s, parametri(sim.reservationsUrl(), u"1234"_s, false, true));
        b.w.ctx.baseUrl = sim.baseUrl();
        EXPECT_TRUE(b.sessione.attiva());
        // A QV room type the service's DBL is mapped to, with the rooms the file offers.
        CatalogoQV::tipoCamera(b.w.dir(), u"DBL"_s, 3);
        CatalogoQV::cameraServizio(b.w.dir(), u"1234"_s, u"DBL"_s, 1, u"DBL"_s);
        const QString today = QDate::currentDate().toString(u"dd/MM/yyyy"_s);
        file = (today + u",DBL,Avail,3,2,\r\n"_s + today + u",DBL,Price,90,90,\r\n"_s).toLatin1();
    }
    SimServer sim;
    Bridge b;
    QByteArray file;
};

TEST_F(SessioneSend, ASentFileIsDeletedAFailedOneKept)
{
    b.w.write(u"WBValuesRooms20260101000000.txt"_s, file);
    EXPECT_TRUE(b.sessione.esegui(Sessione::Comando::Tick));
    EXPECT_EQ(sim.availabilityNotifications().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(b.w.file(u"WBValuesRooms20260101000000.txt"_s)));

    // The service answers with an HTTP error: the file is put aside, not lost.
    sim.setFault(SimFault::httpStatus(500).onPath(u"/xmlservice.asmx/AvailabilityRQ"_s));
    b.w.write(u"WBValuesRooms20260101000100.txt"_s, file);
    b.sessione.esegui(Sessione::Comando::Tick);
    EXPECT_TRUE(QFileInfo::exists(b.w.file(u"WBValuesRooms20260101000100.txt.failed"_s)));
    ASSERT_FALSE(b.w.op.answers.isEmpty());
    EXPECT_THAT(b.w.op.answers.last(), Contiene(u"non riuscito"_s));

    // An answer without the ok text is a failure too.
    sim.clearFault();
    sim.setRawAnswer(u"/xmlservice.asmx/AvailabilityRQ"_s,
                     u"<OTA_HotelAvailNotifRS><Errors/></OTA_HotelAvailNotifRS>"_s);
    b.w.write(u"WBValuesRooms20260101000200.txt"_s, file);
    b.sessione.esegui(Sessione::Comando::Tick);
    EXPECT_TRUE(QFileInfo::exists(b.w.file(u"WBValuesRooms20260101000200.txt.failed"_s)));
}

// SIGTERM while the service is slow: a stop of the program's own, never a failure of the service.
TEST_F(SessioneSend, AStopDuringAnExchangeIsNoFailureAndTheFileKeepsItsName)
{
    QElapsedTimer dal;
    b.w.ctx.avanzamento.setArresto([&] { return dal.isValid() && dal.hasExpired(300); });
    sim.setFault(SimFault::slow(3000));
    b.w.write(u"WBValuesRooms20260101000000.txt"_s, file);
    dal.start();
    b.sessione.esegui(Sessione::Comando::Tick);
    EXPECT_TRUE(QFileInfo::exists(b.w.file(u"WBValuesRooms20260101000000.txt"_s)));
    EXPECT_TRUE(b.w.dir().entryList({u"*.failed"_s}).isEmpty());

    b.w.clock.set(QDateTime(QDate::currentDate(), QTime(12, 10, 0))); // a download minute
    dal.start();
    b.sessione.esegui(Sessione::Comando::Reservations);
    EXPECT_THAT(b.w.op.messageTexts().join(u'\n'), ::testing::Not(Contiene(u"errata"_s)));
    EXPECT_THAT(b.w.op.answers.join(u'\n'), Contiene(u"interrotto per la chiusura del programma"_s));
    Database sb(b.w.dir(), u"SimpleBooking.mdb"_s);
    EXPECT_EQ(sb.OpenRecordset(u"Select * From StatoScambi Where UltimoFallito > ''"_s).RecordCount(), 0);
}

TEST(HeadlessOperator, AnswersComeFromTheScriptInOrder)
{
    FixedClock clock(QDateTime(QDate(2026, 5, 4), QTime(10, 0, 0)));
    Registro registro(clock, false);
    QTemporaryDir tmp;
    ASSERT_EQ(registro.apri(tmp.filePath(u"log.txt"_s)), QString());
    HeadlessOperatorPort op(registro, {u"yes"_s, u"101"_s, u"No"_s, u"forse"_s});

    op.inform(u"Simple Booking"_s, u"Solo OK"_s); // takes no line
    EXPECT_EQ(op.ask(u"Prenotazioni on-line"_s, u"Registrare?"_s, Answer::No), Answer::Yes);
    EXPECT_EQ(op.inputBox(u"Camera?"_s, u"Prenotazioni on-line"_s, u"1"_s), u"101"_s);
    EXPECT_EQ(op.ask(u"T"_s, u"Q"_s, Answer::Yes), Answer::No);
    // A line that is neither yes nor no is not taken for either.
    EXPECT_EQ(op.ask(u"T"_s, u"Q"_s, Answer::Yes, Answer::Unanswered), Answer::Unanswered);
    // Out of answers: the unattended answer, else the default button; the input box stays unanswered.
    EXPECT_EQ(op.ask(u"T"_s, u"Stampare?"_s, Answer::Yes, Answer::No), Answer::No);
    EXPECT_EQ(op.ask(u"T"_s, u"Continuare?"_s, Answer::Yes), Answer::Yes);
    EXPECT_EQ(op.inputBox(u"Camera?"_s, u"T"_s, u"1"_s), std::nullopt);

    op.setCaption(u"Interfaccia"_s);
    op.setAnswerText(u"<ok/>"_s);
    EXPECT_EQ(op.answerText(), u"<ok/>"_s);

    const QString log = TextFile::readAll(tmp.filePath(u"log.txt"_s)).value_or(QString());
    EXPECT_THAT(log, Contiene(u"2026-05-04 10:00:00 [Simple Booking] Solo OK"_s));
    EXPECT_THAT(log, Contiene(u"-> risposta: OK"_s));
    EXPECT_THAT(log, Contiene(u"[Prenotazioni on-line] Registrare?\r\n                    -> risposta: Sì"_s));
    EXPECT_THAT(log, Contiene(u"Camera?\r\n                    -> risposta: \"101\""_s));
    EXPECT_THAT(log, Contiene(u"\"forse\" non valida"_s));
    EXPECT_THAT(log, Contiene(u"risposte esaurite"_s));
    EXPECT_THAT(log, Contiene(u"Interfaccia\r\n"_s));
}

TEST(HeadlessOperator, ReadsAnswerScriptsInUtf8OrTheSystemCodePage)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"risposte.txt"_s);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("s\xc3\xac\r\n101\r\n");
    f.close();
    EXPECT_THAT(*HeadlessOperatorPort::leggiRisposte(path, nullptr), ElementsAre(u"sì"_s, u"101"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("s\xec\nPi\xf9\n\n");
    f.close();
    EXPECT_THAT(*HeadlessOperatorPort::leggiRisposte(path, nullptr), ElementsAre(u"sì"_s, u"Più"_s, u""_s));
    QString errore;
    EXPECT_EQ(HeadlessOperatorPort::leggiRisposte(tmp.filePath(u"manca"_s), &errore), std::nullopt);
    EXPECT_FALSE(errore.isEmpty());
}

} // namespace
