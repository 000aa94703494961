// The exchanges over the real transport when the service misbehaves: answers in other character sets,
// answers too large to take, confirmations refused, failed or never answered, copies that cannot be saved
// and saved copies that would overwrite each other.

#include "import/ImportFixture.h"
#include "service/TagScanner.h"
#include "service/Transport.h"
#include "store/TextFile.h"
#include "support/CatalogoQV.h"
#include "sync/Pubblicazione.h"

#include <QElapsedTimer>
#include <QFile>

using namespace Qt::StringLiterals;
using namespace ImportSupport;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class TransportFaults : public SimImportTest
{
protected:
    static QString answerOf(const QString& fragment, const QString& declaration = {})
    {
        return declaration + u"<OTA_HotelResNotifRQ><HotelReservations>"_s + fragment +
               u"</HotelReservations></OTA_HotelResNotifRQ>"_s;
    }
    int posts(const QString& path) const
    {
        int n = 0;
        for (const QJsonValue v : sim.journal())
            n += v.toObject().value(u"path"_s).toString() == path;
        return n;
    }
    QByteArray saved(const QString& name) const
    {
        QFile f(w.ctx.path(u"SimpleBooking\\"_s + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
};

// Transport: answers are decoded as they declare themselves, and kept as the bytes received.
TEST_F(TransportFaults, AnswersAreDecodedAsTheyDeclareThemselvesAndSavedAsReceived)
{
    Reservation r = basic(u"CH1"_s);
    r.surname = u"Müller Ñuñez €"_s;
    const QString xml = answerOf(fragment(r));
    struct Case
    {
        const char* name;
        QByteArray bytes;
        QString contentType;
    };
    const auto utf16 = [](const QString& text) {
        QByteArray b("\xFF\xFE", 2);
        b.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return b;
    };
    const Case cases[] = {
        {"XML declaration", TextFile::toCp1252(u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"_s + xml), {}},
        {"Content-Type", TextFile::toCp1252(xml), u"text/xml; charset=windows-1252"_s},
        {"UTF-16 with a byte-order mark", utf16(xml), u"text/xml"_s},
        {"UTF-8 without any declaration", xml.toUtf8(), u"text/xml"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkDir fresh;
        SimServer service;
        prepare(fresh, service, {{u"DBL"_s, u"Camera doppia"_s}});
        service.setRawAnswerBytes(u"/reservations"_s, c.bytes, c.contentType);
        download(fresh.ctx);
        EXPECT_EQ(reservationRow(fresh.dir(), u"CH1"_s)[u"LastName"_s].toString(), r.surname);
        QFile copy(fresh.ctx.path(u"SimpleBooking\\Prenotazioni20260504140709.xml"_s));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), c.bytes + "\r\n");
    }
    // A declared set that is unknown falls back to UTF-8; so does a declaration that is no set at all.
    EXPECT_EQ(Transport::decodificaRisposta("<?xml encoding=\"x-nessuno\"?>\xC3\xA8", {}),
              u"<?xml encoding=\"x-nessuno\"?>\u00E8"_s);
}

TEST_F(TransportFaults, AnAnswerBeyondTheLimitEndsTheExchangeWithAClearMessage)
{
    w.ctx.maxRispostaBytes = 64 * 1024;
    const QString huge = answerOf(fragment(basic(u"BIG"_s)) + QString(100 * 1024, u' '));
    sim.setRawAnswer(u"/reservations"_s, huge);
    run();
    EXPECT_THAT(w.ctx.UltimaRisposta.toStdString(), HasSubstr("Error: "));
    EXPECT_THAT(w.ctx.UltimaRisposta.toStdString(), HasSubstr("troppo grande"));
    EXPECT_TRUE(reservationRows(w.dir(), u"BIG"_s).isEmpty());

    w.ctx.maxRispostaBytes = 1024 * 1024; // a generous limit takes it
    run();
    EXPECT_EQ(row(u"BIG"_s)[u"LastName"_s].toString(), u"Rossi"_s);
}

TEST_F(TransportFaults, RefusedOrFailedConfirmationsAreToldWithoutABox)
{
    const QString confirm = QString::fromUtf16(ServiceClient::ConfirmPath);
    const SimFault faults[] = {
        SimFault::httpStatus(500),
        SimFault::httpStatus(302, u"moved"_s),
        SimFault::httpStatus(200, u"<OTA_HotelResNotifRS><Errors><Error Code=\"1\">no</Error></Errors>"
                                  u"</OTA_HotelResNotifRS>"_s),
    };
    int n = 0;
    for (SimFault fault : faults) {
        const QString id = u"F"_s + QString::number(++n);
        sim.addReservation(fragment(basic(id)));
        sim.setFault(fault.onPath(confirm));
        w.op.answers.clear();
        run();
        EXPECT_EQ(row(id)[u"LastName"_s].toString(), u"Rossi"_s) << id.toStdString();
        EXPECT_THAT(notices(), HasSubstr("Conferma della prenotazione " + id.toStdString() + " rifiutata"));
        EXPECT_TRUE(sim.pendingNew().contains(id));
    }
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

TEST_F(TransportFaults, ADeadServiceCostsOneTimeOutNotOnePerReservation)
{
    for (int i = 1; i <= 4; ++i)
        sim.addReservation(fragment(basic(u"H"_s + QString::number(i))));
    sim.setFault(SimFault::slow(4000).onPath(QString::fromUtf16(ServiceClient::ConfirmPath)));
    w.ctx.exchangeTimeoutMs = 700;
    w.ctx.confermeInParallelo = 1; // one at a time: the first without an answer stops the others
    QElapsedTimer clock;
    clock.start();
    run();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(posts(QString::fromUtf16(ServiceClient::ConfirmPath)), 1);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 4);
    EXPECT_THAT(notices(), HasSubstr("Conferma della prenotazione H1 non riuscita"));
    EXPECT_THAT(notices(), HasSubstr("Prenotazione H4 non confermata"));
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

// Files: a copy that cannot be saved is told once and says what happens; copies never replace each other.
TEST_F(TransportFaults, ACopyThatCannotBeSavedIsToldOncePerCommandAndTheExchangeGoesOn)
{
    for (const QString& id : {u"P1"_s, u"P2"_s, u"P3"_s})
        sim.addReservation(fragment(basic(id)));
    ServiceClient client(w.ctx);
    ASSERT_TRUE(QDir(w.ctx.path(u"SimpleBooking"_s)).removeRecursively());
    w.write(u"SimpleBooking"_s, "a file where the folder should be");
    for (const QString& id : {u"P1"_s, u"P2"_s, u"P3"_s})
        EXPECT_TRUE(client.ConfermaPrenotazione(id));
    EXPECT_EQ(sim.confirmedIds(), QStringList({u"P1"_s, u"P2"_s, u"P3"_s}));
    ASSERT_EQ(w.op.messageTexts().size(), 1);
    EXPECT_THAT(w.op.messageTexts().first().toStdString(), HasSubstr("Lo scambio prosegue"));
    EXPECT_THAT(w.op.messageTexts().first().toStdString(), ::testing::Not(HasSubstr("interrotta")));
}

TEST_F(TransportFaults, SavedExchangesInTheSameSecondNeverReplaceEachOther)
{
    sim.addReservation(fragment(basic(u"R1"_s)));
    run();
    const QByteArray first = saved(u"Prenotazioni20260504140709.xml"_s);
    ASSERT_THAT(first.toStdString(), HasSubstr("R1"));
    // The availability answer is saved under the same prefix, in the same second.
    const QList<ServiceClient::Avviso> avvisi{{u"DBL"_s, QDate(2026, 5, 4), 3}};
    ServiceClient client(w.ctx);
    EXPECT_TRUE(client.InviaDisponibilita(u"1234"_s, avvisi));
    EXPECT_TRUE(client.InviaDisponibilita(u"1234"_s, avvisi));
    EXPECT_EQ(saved(u"Prenotazioni20260504140709.xml"_s), first);
    EXPECT_THAT(saved(u"Prenotazioni20260504140709-2.xml"_s).toStdString(), HasSubstr("<ok/>"));
    EXPECT_THAT(saved(u"AggDispo20260504140709-2.xml"_s).toStdString(), HasSubstr("BookingLimit=\"3\""));
    EXPECT_THAT(saved(u"Conferma20260504140709.xml"_s).toStdString(), HasSubstr("Success"));
}

// Files: an availability file is sent whole and trimmed, or not at all.
TEST_F(TransportFaults, AnAvailabilityFileIsSentWholeOrNotAtAll)
{
    const QString empties = QString(29, u',');
    struct Case
    {
        QByteArray file;
        const char* reason;
    };
    const Case bad[] = {
        {"04/05/2026,DBL,Avail,-5,\r\n", "giorno 1: \"-5\" non è un numero intero"},
        {"04/05/2026,DBL,Avail,99999999999,\r\n", "oltre 9999"},
        {"04/05/2026,DBL,Avail,1e9,\r\n", "\"1e9\" non è un numero"},
        {"04/05/2026,DBL,Avail,0x10,\r\n", "\"0x10\" non è un numero"},
        {"04/05/2026,DBL,Price,90,\r\n04/05/2026 DBL Avail 3\r\n", "riga 2"},
        {"31/02/2026,DBL,Avail,3,\r\n", "non è una data"},
        {"04/05/2026,DBL,Disp,3,\r\n", "non è \"Avail\" né \"Price\""},
        {QByteArray("\x00\x01\x02\xff\xfe,\x10,\r\n", 10), "riga 1"},
    };
    Pubblicazione::Incarico incarico(u"prova"_s);
    for (const Case& c : bad) {
        SCOPED_TRACE(c.reason);
        w.op.messages.clear();
        w.write(u"WBValuesRooms2.txt"_s, c.file);
        EXPECT_FALSE(Pubblicazione(w.ctx, incarico).inviaFile(u"1234"_s, u"WBValuesRooms2.txt"_s));
        EXPECT_THAT(shown(), HasSubstr(c.reason));
    }
    EXPECT_THAT(sim.availabilityNotifications(), IsEmpty());

    // Sixty room codes, every one sent; values trimmed; a code mapped at two levels goes as its level-1 type.
    QByteArray file;
    for (int i = 1; i <= 60; ++i) {
        const QString q = u"Q"_s + QString::number(i);
        CatalogoQV::tipoCamera(w.dir(), q, 3);
        CatalogoQV::cameraServizio(w.dir(), u"1234"_s, u"S"_s + q, 1, q);
        file += "04/05/2026," + q.toLatin1() + ",Avail, 3 ,\r\n";
    }
    CatalogoQV::tipoCamera(w.dir(), u"DOP"_s, 2);
    file += "04/05/2026,DOP,Avail,2,\r\n";
    w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
             {{u"NumeroHotel"_s, 1}, {u"RoomsId"_s, u"WEB2"_s}, {u"RoomsLevel"_s, 2}, {u"QVRooms"_s, u"DOP"_s}});
    w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
             {{u"NumeroHotel"_s, 1}, {u"RoomsId"_s, u"WEB1"_s}, {u"RoomsLevel"_s, 1}, {u"QVRooms"_s, u"DOP"_s}});
    w.write(u"WBValuesRooms3.txt"_s, file);
    EXPECT_TRUE(Pubblicazione(w.ctx, incarico).inviaFile(u"1234"_s, u"WBValuesRooms3.txt"_s));
    const QString sent = sim.journal().last().toObject().value(u"xml"_s).toString();
    EXPECT_EQ(ContaOccorrenze(sent, u"<AvailStatusMessage "_s), 61);
    EXPECT_EQ(ContaOccorrenze(sent, u"BookingLimit=\"3\""_s), 60);
    EXPECT_THAT(sent.toStdString(), HasSubstr("LocatorID=\"61\" BookingLimit=\"2\""));
    EXPECT_THAT(sent.toStdString(), HasSubstr("InvTypeCode=\"WEB1\""));
    EXPECT_THAT(sent.toStdString(), ::testing::Not(HasSubstr("WEB2")));
}

} // namespace
