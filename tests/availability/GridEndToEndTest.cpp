// Availability from QV to the service, end to end: a service room type mapped to a QV type, a QV
// booking counted into the per-type counters, a month imported from them, the file prepared, and
// the scheduler's send to the simulated service, whose notification is read back.

#include "availability/CalcolaDisponibilita.h"
#include "availability/GrigliaMese.h"
#include "mapping/MappaturaCamere.h"
#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "support/SimServer.h"
#include "support/WorkDir.h"

#include <QDir>
#include <QRegularExpression>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Every AvailStatusMessage of a notification as "InvTypeCode Start BookingLimit", in order.
QStringList messaggi(const QString& xml)
{
    static const QRegularExpression re(
        uR"re(<AvailStatusMessage LocatorID="(\d+)" BookingLimit="([^"]*)"> <StatusApplicationControl Start="([^"]*)" End="([^"]*)" InvTypeCode="([^"]*)" />)re"_s);
    QStringList out;
    for (auto it = re.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        EXPECT_EQ(m.captured(3), m.captured(4));
        out.append(m.captured(5) + u' ' + m.captured(3) + u' ' + m.captured(2));
    }
    return out;
}

class GridEndToEnd : public ::testing::Test
{
protected:
    GridEndToEnd()
        : w(QDateTime(QDate(2026, 5, 20), QTime(12, 11, 0))), registro(w.clock, false), sessione(w.ctx, registro)
    {
        w.bootstrap();
        w.write(u"SBookParam.txt"_s, (u" 1 \r\n"_s + sim.reservationsUrl() +
                                      u"\r\nprov\r\nppwd\r\nacc\r\npwd\r\n1001\r\nP1\r\nBB\r\n77\r\n 0 \r\n 0 \r\n"_s)
                                         .toLatin1());
        w.ctx.baseUrl = sim.baseUrl();
        EXPECT_TRUE(sessione.attiva()); // adds hotel 1001 to HotelId
        for (const auto& [sigla, quantita] : {std::pair{u"DOP"_s, 5}, std::pair{u"SIN"_s, 3}})
            w.insert(u"TipiCamere.mdb"_s, u"TipiCamere"_s,
                     {{u"NumeroHotel"_s, 1},
                      {u"Sigla"_s, sigla},
                      {u"Descrizione"_s, sigla},
                      {u"Tipologia"_s, u"C"_s},
                      {u"Quantita"_s, quantita}});
        // The service's room types as the download leaves them: not mapped yet.
        for (const QString& id : {u"DBL"_s, u"SGL"_s})
            w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
                     {{u"NumeroHotel"_s, 1},
                      {u"HotelId"_s, u"1001"_s},
                      {u"RoomsId"_s, id},
                      {u"RoomsLevel"_s, 1},
                      {u"DesRooms"_s, id},
                      {u"QVRooms"_s, u" "_s}});
    }

    void mappa()
    {
        MappaturaCamere m(w.ctx);
        ASSERT_TRUE(m.apri());
        ASSERT_TRUE(m.scegliAlbergo(0));
        auto tipo = [&](const QString& sigla) {
            for (int i = 0; i < m.tipiQV().size(); ++i)
                if (m.tipiQV().at(i).chiave == sigla)
                    return i;
            return -1;
        };
        ASSERT_TRUE(m.salva(u"DBL"_s, u"Double"_s, 1, tipo(u"DOP"_s)));
        ASSERT_TRUE(m.salva(u"SGL"_s, u"Single"_s, 1, tipo(u"SIN"_s)));
    }

    // A confirmed QV booking of one DOP room from 30 May to 3 June, counted as QV counts it.
    void prenotazione()
    {
        w.insert(u"Colori.mdb"_s, u"Colori"_s,
                 {{u"Tipo"_s, u"CONFE"_s},
                  {u"Utente"_s, u" "_s},
                  {u"Codice"_s, 0},
                  {u"Rosso"_s, 0},
                  {u"Verde"_s, 128},
                  {u"Blu"_s, 0}});
        w.insert(u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroPrenotazione"_s, 4711},
                  {u"TipoPrenotazione"_s, u"C"_s},
                  {u"NomeCliente"_s, u"ROSSI MARIO"_s},
                  {u"Commento"_s, u" "_s},
                  {u"CodiceDitta"_s, 0}});
        w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroPrenotazione"_s, 4711},
                  {u"TipoPrenotazione"_s, u"C"_s},
                  {u"DataArrivo"_s, u"20260530"_s},
                  {u"DataPartenza"_s, u"20260603"_s},
                  {u"TipoCamera"_s, u"DOP"_s},
                  {u"NumeroCamera"_s, u"201"_s},
                  {u"QuantitàCamere"_s, 1},
                  {u"NumeroPersone"_s, 2}});
        ASSERT_TRUE(CalcolaDisponibilita(w.ctx).esegui(u"P"_s, 4711, 1));
    }

    SimServer sim;
    WorkDir w;
    Registro registro;
    Sessione sessione;
};

TEST_F(GridEndToEnd, ABookingCountedInQVReachesTheServiceAcrossTheMonthEnd)
{
    mappa();
    prenotazione();
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(w.clock.today()));
    ASSERT_EQ(g.tipi(), 2);
    ASSERT_TRUE(g.importaDaQV());
    // 20 May .. 19 June: the booked nights 30 May .. 2 June leave 4 double rooms.
    EXPECT_EQ(g.disponibilita(0, 9), 5);
    EXPECT_EQ(g.disponibilita(0, 10), 4);
    EXPECT_EQ(g.disponibilita(0, 13), 4);
    EXPECT_EQ(g.disponibilita(0, 14), 5);
    const auto nome = g.preparaFile();
    ASSERT_TRUE(nome);

    EXPECT_TRUE(sessione.esegui(Sessione::Comando::Tick));
    EXPECT_THAT(QDir(w.tmp.path()).entryList({u"WBValuesRooms*"_s}, QDir::Files), IsEmpty());
    const QStringList notifiche = sim.availabilityNotifications();
    ASSERT_EQ(notifiche.size(), 1);
    EXPECT_THAT(notifiche.at(0).toStdString(), ::testing::HasSubstr(R"(<AvailStatusMessages HotelCode="1001">)"));
    const QStringList m = messaggi(notifiche.at(0));
    ASSERT_EQ(m.size(), 62);
    EXPECT_EQ(m.at(0), u"DBL 2026-05-20 5"_s);
    EXPECT_EQ(m.at(10), u"DBL 2026-05-30 4"_s);
    EXPECT_EQ(m.at(11), u"DBL 2026-05-31 4"_s);
    EXPECT_EQ(m.at(12), u"DBL 2026-06-01 4"_s);
    EXPECT_EQ(m.at(13), u"DBL 2026-06-02 4"_s);
    EXPECT_EQ(m.at(14), u"DBL 2026-06-03 5"_s);
    EXPECT_EQ(m.at(30), u"DBL 2026-06-19 5"_s);
    EXPECT_EQ(m.at(31), u"SGL 2026-05-20 3"_s);
    EXPECT_EQ(m.at(61), u"SGL 2026-06-19 3"_s);
}

} // namespace
