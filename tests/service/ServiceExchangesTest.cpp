#include "service/ServiceClient.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/TextFile.h"
#include "support/CatalogoQV.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"
#include "sync/Pubblicazione.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ServiceExchanges : public ::testing::Test
{
protected:
    explicit ServiceExchanges(const QString& scenario = SimServer::scenario(u"two-hotels"_s)) : sim(scenario)
    {
        w.bootstrap();
        w.ctx.baseUrl = sim.baseUrl();
        Settings& s = w.ctx.settings;
        s.HostName = sim.reservationsUrl();
        s.ProvName = u"prov"_s;
        s.ProvPwd = u"p+&%"_s;
        s.Account = u"acc"_s;
        s.Password = u"pw"_s;
        s.CodiceHotel = u"1234"_s;
        w.ctx.connectTimeoutMs = 2000;
        w.ctx.exchangeTimeoutMs = 3000;
    }

    void addHotels()
    {
        for (const QString& id : {u"1234"_s, u"5678"_s})
            w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                     {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, id}, {u"DesHotel"_s, id}});
    }

    QStringList rows(const QString& table, const QString& idField, const QString& desField)
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Select * From "_s + table + u" Order by HotelId, "_s + idField);
        QStringList out;
        for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f; f = rs.FindNext(u"NumeroHotel = 1"_s))
            out.append(rs[u"HotelId"_s].toString() + u'/' + rs[idField].toString() + u'/' + rs[desField].toString() +
                       u'/' + rs[table == u"Rooms" ? u"QVRooms"_s : u"QVRates"_s].toString());
        return out;
    }

    QJsonObject lastRequest() const { return sim.journal().last().toObject(); }

    WorkDir w;
    SimServer sim;
};

TEST_F(ServiceExchanges, PostsTheFormWithTheServicesHeaders)
{
    ServiceClient client(w.ctx);
    const QString request = u"<x a=\"1+1&2%3 città\"/>"_s;
    client.transport().ChiamaServizio(sim.baseUrl() + u"/xmlservice.asmx/ResRS"_s, QString(), request);
    const QJsonObject entry = lastRequest();
    EXPECT_EQ(entry[u"xml"_s].toString(), request); // "+", "&" and "%" arrive unchanged
    QStringList names;
    QString soap = u"<missing>"_s;
    for (const QJsonValue& h : entry[u"headers"_s].toArray()) {
        const QString name = h.toArray().at(0).toString();
        names.append(name.toLower());
        if (name.compare(u"SOAPAction"_s, Qt::CaseInsensitive) == 0)
            soap = h.toArray().at(1).toString();
    }
    EXPECT_TRUE(names.contains(u"content-type"_s));
    EXPECT_TRUE(names.contains(u"cache-control"_s));
    EXPECT_EQ(soap, QString()); // sent, and empty
    EXPECT_FALSE(names.contains(u"expect"_s));
    EXPECT_EQ(w.op.answers.size(), 1); // the raw answer went to the lower box
}

TEST_F(ServiceExchanges, CatalogueDownloadsAddOnlyWhatIsNew)
{
    addHotels();
    w.insert(u"SimpleBooking.mdb"_s, u"Rates"_s,
             {{u"NumeroHotel"_s, 1},
              {u"HotelId"_s, u"1234"_s},
              {u"RatesId"_s, u"BB"_s},
              {u"DesRates"_s, u"kept"_s},
              {u"QVRates"_s, u"BB"_s}});
    ServiceClient client(w.ctx);
    client.ScaricaRoomList();
    client.ScaricaRatePlan();
    const QStringList rooms = rows(u"Rooms"_s, u"RoomsId"_s, u"DesRooms"_s);
    EXPECT_EQ(rooms, (QStringList{u"1234/DBL/Camera doppia/ "_s, u"1234/FAM/Famiglia \"Plus\" & bimbi/ "_s,
                                  u"1234/SGL/Camera singola/ "_s, u"5678/DBL/Doppia vista lago/ "_s}));
    EXPECT_EQ(rows(u"Rates"_s, u"RatesId"_s, u"DesRates"_s),
              (QStringList{u"1234/BB/kept/BB"_s, u"1234/RO/Solo pernottamento/ "_s, u"5678/HB/Mezza pensione/ "_s}));

    client.ScaricaRoomList(); // a second download adds nothing
    EXPECT_EQ(rows(u"Rooms"_s, u"RoomsId"_s, u"DesRooms"_s), rooms);

    // The last hotel's exchange is kept in the subfolder.
    const auto request = TextFile::readAll(w.ctx.path(u"SimpleBooking\\Chiamata.txt"_s));
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->contains(u"<HotelRoomList HotelCode=\"5678\"/>"_s));
    EXPECT_TRUE(request->endsWith(u"</OTA_HotelRoomListRQ>\r\n"_s));
    EXPECT_TRUE(QFileInfo::exists(w.ctx.path(u"SimpleBooking\\RoomList.txt"_s)));
    EXPECT_TRUE(QFileInfo::exists(w.ctx.path(u"SimpleBooking\\RateList.txt"_s)));
}

TEST_F(ServiceExchanges, ReservationDownloadSavesBothExchanges)
{
    w.clock.set(QDateTime(QDate(2024, 3, 3), QTime(14, 7, 9)));
    ServiceClient client(w.ctx);
    const auto answers = client.ScaricaPrenotazioni();
    ASSERT_TRUE(answers);
    EXPECT_TRUE(answers->nuove.contains(u"SB1001"_s));
    EXPECT_TRUE(answers->cancellazioni.contains(u"SB0999"_s));
    EXPECT_EQ(w.ctx.UltimaRisposta, answers->nuove);
    EXPECT_EQ(w.op.answers.last(), answers->cancellazioni);

    const auto nuova = TextFile::readAll(w.file(u"Chiamata.txt"_s));
    const auto canc = TextFile::readAll(w.file(u"ChiamataC.txt"_s));
    ASSERT_TRUE(nuova && canc);
    EXPECT_TRUE(nuova->contains(u"Start=\"2024-02-27\" End=\"2024-03-03\" Code=\"\" FilterType=\"new\""_s));
    EXPECT_TRUE(canc->contains(u"FilterType=\"canc\""_s));
    EXPECT_EQ(TextFile::readAll(w.ctx.path(u"SimpleBooking\\Prenotazioni20240303140709.xml"_s)),
              answers->nuove + u"\r\n"_s);
    EXPECT_TRUE(QFileInfo::exists(w.ctx.path(u"SimpleBooking\\Cancellazioni20240303140709.xml"_s)));

    // The upper text box shows both requests with the passwords masked; the service gets them whole.
    ASSERT_GE(w.op.requests.size(), 2);
    for (const QString& shown : w.op.requests.mid(w.op.requests.size() - 2)) {
        EXPECT_TRUE(shown.contains(u"<provider Name=\"prov\" Pwd=\"********\""_s)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(u"Pwd=\"********\""_s));
        EXPECT_FALSE(shown.contains(u"p+&amp;%"_s));
        EXPECT_FALSE(shown.contains(u"Pwd=\"pw\""_s));
    }
    // Nothing else of the request changes.
    QString inviata = lastRequest()[u"xml"_s].toString();
    EXPECT_TRUE(inviata.contains(u"Pwd=\"pw\""_s));
    inviata.replace(u"Pwd=\"p+&amp;%\""_s, u"Pwd=\"********\""_s).replace(u"Pwd=\"pw\""_s, u"Pwd=\"********\""_s);
    EXPECT_EQ(w.op.requests.last(), inviata);

    EXPECT_TRUE(client.ConfermaPrenotazione(u"SB1001"_s));
    EXPECT_EQ(sim.confirmedIds(), QStringList{u"SB1001"_s});
    const QString sent = lastRequest()[u"xml"_s].toString();
    EXPECT_EQ(sent.count(u"<HotelReservationID "_s), 1);
    EXPECT_TRUE(sent.contains(u"Version=\"2.001\"> <Success />"_s));
    EXPECT_TRUE(QFileInfo::exists(w.ctx.path(u"SimpleBooking\\Conferma20240303140709.xml"_s)));
}

TEST_F(ServiceExchanges, FailuresComeBackAsErrorTexts)
{
    ServiceClient client(w.ctx);
    Transport& t = client.transport();
    const QString address = sim.baseUrl() + u"/xmlservice.asmx/ResRS"_s;

    sim.setFault(SimFault::httpStatus(500, u"<h1>Server Error</h1>"_s));
    EXPECT_EQ(t.ChiamaServizio(address, QString(), u"<x/>"_s), u"<h1>Server Error</h1>"_s); // the body, as any answer

    sim.setFault(SimFault::slow(5000));
    EXPECT_TRUE(t.ChiamaServizio(address, QString(), u"<x/>"_s).startsWith(u"Error: 28 - "_s));
    EXPECT_FALSE(t.ultimaRiuscita());

    // The program asked to stop (SIGTERM) ends a waiting exchange at once, not at its time-out.
    w.ctx.avanzamento.setArresto([] { return true; });
    EXPECT_TRUE(t.ChiamaServizio(address, QString(), u"<x/>"_s).startsWith(u"Error: 42 - Scambio interrotto"_s));
    w.ctx.avanzamento.setArresto({});

    sim.setFault(SimFault::drop());
    EXPECT_TRUE(t.ChiamaServizio(address, QString(), u"<x/>"_s).startsWith(u"Error: 52 - "_s));

    sim.setFault(SimFault::broken());
    EXPECT_FALSE(t.ChiamaServizio(address, QString(), u"<x/>"_s).startsWith(u"Error: "_s));
    sim.clearFault();

    const int lowerBoxWrites = int(w.op.answers.size());
    EXPECT_TRUE(t.ChiamaServizio(u"http://127.0.0.1:1/x"_s, QString(), u"<x/>"_s).startsWith(u"Error: 7 - "_s));
    EXPECT_EQ(w.op.answers.size(), lowerBoxWrites); // the lower box keeps what it showed

    // An address typed without a scheme is tried over HTTPS: the credentials never go in clear.
    const qsizetype journalSize = sim.journal().size();
    EXPECT_TRUE(t.ChiamaServizio(address.mid(7), QString(), u"<x/>"_s).startsWith(u"Error: "_s));
    EXPECT_EQ(sim.journal().size(), journalSize);

    // A failed download still saves both answers and hands the error texts on.
    w.ctx.settings.HostName = u"http://127.0.0.1:1/reservations"_s;
    const auto answers = client.ScaricaPrenotazioni();
    ASSERT_TRUE(answers);
    EXPECT_TRUE(answers->nuove.startsWith(u"Error: 7 - "_s));
    EXPECT_TRUE(answers->cancellazioni.startsWith(u"Error: 7 - "_s));
}

TEST_F(ServiceExchanges, AFileThatCannotBeWrittenEndsTheExchange)
{
    addHotels();
    QDir(w.tmp.path()).rmdir(u"SimpleBooking"_s);
    w.write(u"SimpleBooking"_s, "a file where the folder should be");
    ServiceClient client(w.ctx);
    client.ScaricaRoomList();
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_TRUE(w.op.messages[0].message.text.startsWith(u"Impossibile creare la cartella"_s));
    EXPECT_TRUE(sim.journal().isEmpty()); // nothing was sent

    w.write(u"Chiamata.txt"_s, "");
    QDir(w.tmp.path()).mkdir(u"ChiamataC.txt"_s);
    EXPECT_FALSE(client.ScaricaPrenotazioni()); // its request file cannot be written
}

TEST_F(ServiceExchanges, AvailabilityFileBecomesOneMessagePerRoomAndDay)
{
    CatalogoQV::tipoCamera(w.dir(), u"DOP"_s, 5);
    w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
             {{u"NumeroHotel"_s, 1}, {u"RoomsId"_s, u"DBL"_s}, {u"QVRooms"_s, u"DOP"_s}});
    w.clock.set(QDateTime(QDate(2026, 1, 31), QTime(8, 0, 0)));
    const QString empties = QString(29, u',');
    TextFile::writeLines(w.file(u"WBValuesRooms20260131080000.txt"_s),
                         {u"31/01/2026,DOP,Avail,3,0,"_s + empties, u"31/01/2026,DOP,Price,90,95,"_s + empties,
                          u"31/01/2026,XXX,Avail,,2,"_s + empties});
    Pubblicazione::Incarico incarico(u"prova"_s);
    Pubblicazione invio(w.ctx, incarico);
    // A code that is no mapped QV room is told and left out.
    EXPECT_TRUE(invio.inviaFile(u"1234"_s, u"WBValuesRooms20260131080000.txt"_s));
    const QString sent = lastRequest()[u"xml"_s].toString();
    EXPECT_TRUE(sent.contains(
        uR"(<AvailStatusMessages HotelCode="1234"><AvailStatusMessage LocatorID="1" BookingLimit="3"> <StatusApplicationControl Start="2026-01-31" End="2026-01-31" InvTypeCode="DBL" /></AvailStatusMessage><AvailStatusMessage LocatorID="2" BookingLimit="0"> <StatusApplicationControl Start="2026-02-01" End="2026-02-01" InvTypeCode="DBL" /></AvailStatusMessage></AvailStatusMessages>)"_s))
        << sent.toStdString();
    EXPECT_TRUE(w.op.answers.join(u' ').contains(u"XXX"_s));
    EXPECT_EQ(sim.availabilityNotifications().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(w.ctx.path(u"SimpleBooking\\AggDispo20260131080000.xml"_s)));

    // A period that started yesterday sends its days from today on.
    w.clock.set(QDateTime(QDate(2026, 2, 1), QTime(8, 0, 0)));
    EXPECT_TRUE(invio.inviaFile(u"1234"_s, u"WBValuesRooms20260131080000.txt"_s));
    EXPECT_TRUE(lastRequest()[u"xml"_s].toString().contains(
        uR"(<AvailStatusMessages HotelCode="1234"><AvailStatusMessage LocatorID="1" BookingLimit="0"> <StatusApplicationControl Start="2026-02-01" End="2026-02-01" InvTypeCode="DBL" /></AvailStatusMessage></AvailStatusMessages>)"_s));

    sim.setFault(SimFault::httpStatus(500));
    EXPECT_FALSE(invio.inviaFile(u"1234"_s, u"WBValuesRooms20260131080000.txt"_s));
}

} // namespace
