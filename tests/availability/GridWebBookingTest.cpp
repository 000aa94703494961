// A web booking's rooms leave the service's availability, end to end: a service room type mapped in
// the mapping model, a web reservation downloaded and registered in QV by the timer, the grid
// imported from the counters it changed and sent by the scheduler, the same through "--once
// publish", and "--publish" after the registration and after the cancellation.

#include "GridNotifiche.h"
#include "availability/GrigliaMese.h"
#include "booking/HotelFixture.h"
#include "mapping/MappaturaCamere.h"
#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "support/CatalogoQV.h"

#include <gmock/gmock.h>

namespace {

using namespace HotelSupport;
using GridNotifiche::attesi;
using GridNotifiche::messaggi;

class GridWebBooking : public Hotel
{
protected:
    void SetUp() override
    {
        Hotel::SetUp();
        // Today's date, as the program without windows has it; the stay runs across a month's end.
        oggi = QDate::currentDate();
        const QDate fineMese(oggi.year(), oggi.month(), oggi.daysInMonth());
        arrivo = std::max(oggi, fineMese.addDays(-1));
        w.clock.set(QDateTime(oggi, QTime(12, 11, 0)));
        w.ctx.settings.Attivo = u"1"_s;
        CatalogoQV::inserisci(w.dir(), u"SimpleBooking.mdb"_s, u"HotelId"_s,
                              {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, u"1234"_s}, {u"DesHotel"_s, u"Hotel"_s}});
        w.write(u"SBookParam.txt"_s, (u" 1 \r\nhttp://127.0.0.1:1/res\r\nprov\r\npwd\r\naccount\r\nsecret\r\n1234\r\n"
                                      u" \r\nPN\r\n10\r\n 1 \r\n 0 \r\n"_s)
                                         .toLatin1());
    }
    // The three service room types under their level-1 QV types, the double rooms with the web booking.
    QStringList notifica(bool prenotata) const
    {
        return attesi(oggi, {{u"DBL"_s, 5, prenotata ? arrivo : QDate(), 3}, {u"SGL"_s, 3}, {u"TRP"_s, 2}});
    }
    QStringList ultima() const { return messaggi(sim.availabilityNotifications().value(0 + ricevute() - 1)); }
    int ricevute() const { return int(sim.availabilityNotifications().size()); }

    QDate oggi;
    QDate arrivo;
};

TEST_F(GridWebBooking, TheServiceStopsSellingTheRoomsAWebBookingTook)
{
    Registro registro(w.clock, false);
    Sessione sessione(w.ctx, registro);

    // DBL's level-1 mapping, made again in the mapping model.
    MappaturaCamere mappatura(w.ctx);
    ASSERT_TRUE(mappatura.apri());
    ASSERT_TRUE(mappatura.scegliAlbergo(0));
    ASSERT_EQ(mappatura.albergo(), u"1234"_s);
    ASSERT_TRUE(mappatura.rimuovi(u"DBL"_s, 1));
    int dop = -1;
    for (int i = 0; i < mappatura.tipiQV().size(); ++i)
        if (mappatura.tipiQV().at(i).chiave == u"DOP"_s)
            dop = i;
    ASSERT_TRUE(mappatura.salva(u"DBL"_s, u"Camera doppia"_s, 1, dop));

    // At minute 10 the timer downloads the web reservation and registers it (mode Automatica); with
    // --publish the changed counters are published at once.
    sim.addReservation(fragment(prenotazione(u"SB5001"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}}, arrivo, 3)));
    sessione.setPubblica(true);
    w.clock.set(QDateTime(oggi, QTime(12, 10, 0)));
    EXPECT_TRUE(sessione.scheduler().tick().scaricato);
    ASSERT_NE(numero(u"SB5001"_s), 0);
    ASSERT_EQ(ricevute(), 1);
    EXPECT_EQ(ultima(), notifica(true));
    EXPECT_THAT(sim.availabilityNotifications().at(0).toStdString(),
                ::testing::HasSubstr(R"(<AvailStatusMessages HotelCode="1234">)"));

    // A later download that changes nothing publishes nothing.
    w.clock.set(QDateTime(oggi, QTime(12, 10, 30)));
    sessione.scheduler().tick();
    EXPECT_EQ(ricevute(), 1);

    // The operator's way: the grid imported from QV, the file prepared, sent by the next tick.
    w.clock.set(QDateTime(oggi, QTime(12, 11, 0)));
    GrigliaMese griglia(w.ctx);
    ASSERT_TRUE(griglia.costruisci(oggi));
    ASSERT_TRUE(griglia.importaDaQV());
    ASSERT_TRUE(griglia.preparaFile());
    sessione.scheduler().tick();
    ASSERT_EQ(ricevute(), 2);
    EXPECT_EQ(ultima(), notifica(true));

    // The same without an operator, through the program, once the timer's lease has run out: the
    // program reads the real clock, the timer here a clock of its own.
    esegui(w.dir(), u"SimpleBooking.mdb"_s, u"UPDATE Incarichi SET Titolare = '', Scadenza = ''"_s);
    ASSERT_TRUE(GridNotifiche::pubblica(w.tmp.path(), sim.baseUrl()));
    ASSERT_EQ(ricevute(), 3);
    EXPECT_EQ(ultima(), notifica(true));

    // The web reservation is cancelled and its QV booking with it: the rooms are for sale again, and
    // only the nights that changed are told.
    sim.addCancellation(cancellation(u"SB5001"_s));
    w.op.answer(OperatorPort::Answer::Yes);
    w.clock.set(QDateTime(oggi, QTime(12, 30, 0)));
    sessione.scheduler().tick();
    ASSERT_EQ(ricevute(), 4);
    QStringList liberate;
    for (const QString& m : notifica(false))
        if (!notifica(true).contains(m))
            liberate.append(m);
    EXPECT_EQ(ultima(), liberate);
}

} // namespace
