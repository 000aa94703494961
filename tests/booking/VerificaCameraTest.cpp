// Whether a room is free for a stay: out-of-service periods, guests in house and booked room rows,
// each with its own boundaries and exceptions.

#include "booking/VerificaCamera.h"
#include "support/WorkDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class VerificaCameraTest : public ::testing::Test
{
protected:
    void SetUp() override { w.bootstrap(); }

    void prenotata(qint32 numero, const QString& camera, const QString& arrivo, const QString& partenza,
                   const QString& tipo = u"C"_s, double persone = 2)
    {
        w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroPrenotazione"_s, numero},
                  {u"TipoPrenotazione"_s, tipo},
                  {u"DataArrivo"_s, arrivo},
                  {u"DataPartenza"_s, partenza},
                  {u"TipoCamera"_s, u"DBL"_s},
                  {u"NumeroCamera"_s, camera},
                  {u"QuantitàCamere"_s, 1},
                  {u"NumeroPersone"_s, persone}});
    }

    void ospite(qint32 progressivo, qint32 prenotazione, const QString& camera, const QString& arrivo,
                const QString& partenza, const QString& partito = u" "_s)
    {
        w.insert(u"Scheda_Cliente.mdb"_s, u"Scheda_Cliente"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroProgressivo"_s, progressivo},
                  {u"NumeroPrenotazione"_s, prenotazione},
                  {u"NumeroCamera"_s, camera},
                  {u"DataArrivo"_s, arrivo},
                  {u"DataPartenza"_s, partenza},
                  {u"Partito"_s, partito}});
    }

    void inagibile(const QString& camera, const QString& inizio, const QString& fine)
    {
        w.insert(
            u"Generico.mdb"_s, u"Camere_Inagibili"_s,
            {{u"NumeroHotel"_s, 1}, {u"NumeroCamera"_s, camera}, {u"DataInizio"_s, inizio}, {u"DataFine"_s, fine}});
    }

    WorkDir w;
};

TEST_F(VerificaCameraTest, BookedRoomsBlockOnlyOverlappingStaysOfOtherBookingsWithPersons)
{
    prenotata(10, u"101"_s, u"20260510"_s, u"20260512"_s);
    prenotata(11, u"102"_s, u"20260510"_s, u"20260512"_s, u"A"_s);
    prenotata(12, u"103"_s, u"20260510"_s, u"20260512"_s, u"C"_s, 0);
    prenotata(13, u"104"_s, u"20260510"_s, u"20260512"_s, u"R"_s);
    prenotata(14, u"105"_s, u"20260510"_s, u"20260512"_s, u"X"_s);
    ControlloCamere c(w.ctx);

    // The departure day is free, and so is the night before the arrival.
    EXPECT_EQ(c.VerificaCamera(u"101"_s, u"12/05/2026"_s, u"14/05/2026"_s, u"P"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"101"_s, u"08/05/2026"_s, u"10/05/2026"_s, u"P"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"101"_s, u"11/05/2026"_s, u"13/05/2026"_s, u"P"_s, 0), 0);
    EXPECT_EQ(c.VerificaCamera(u"101"_s, u"01/05/2026"_s, u"31/05/2026"_s, u"P"_s, 0), 0);
    // The booking's own rows never block it; another booking's do.
    EXPECT_EQ(c.VerificaCamera(u"101"_s, u"11/05/2026"_s, u"13/05/2026"_s, u"C"_s, 10), 1);
    EXPECT_EQ(c.VerificaCamera(u"101"_s, u"11/05/2026"_s, u"13/05/2026"_s, u"C"_s, 9), 0);
    // Cancelled rows, rows without persons and kinds that hold no room never block.
    EXPECT_EQ(c.VerificaCamera(u"102"_s, u"10/05/2026"_s, u"12/05/2026"_s, u"P"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"103"_s, u"10/05/2026"_s, u"12/05/2026"_s, u"P"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"104"_s, u"10/05/2026"_s, u"12/05/2026"_s, u"P"_s, 0), 0);
    EXPECT_EQ(c.VerificaCamera(u"105"_s, u"10/05/2026"_s, u"12/05/2026"_s, u"P"_s, 0), 1);

    // The checker keeps its files open but reads the rows as they are at each call.
    prenotata(15, u"106"_s, u"20260510"_s, u"20260512"_s, u"O"_s);
    EXPECT_EQ(c.VerificaCamera(u"106"_s, u"10/05/2026"_s, u"11/05/2026"_s, u"P"_s, 0), 0);
}

TEST_F(VerificaCameraTest, OutOfServiceIncludesItsLastDay)
{
    inagibile(u"201"_s, u"20260501"_s, u"20260505"_s);
    ControlloCamere c(w.ctx);
    EXPECT_EQ(c.VerificaCamera(u"201"_s, u"05/05/2026"_s, u"07/05/2026"_s, u"P"_s, 0), 0);
    EXPECT_EQ(c.VerificaCamera(u"201"_s, u"06/05/2026"_s, u"07/05/2026"_s, u"P"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"201"_s, u"28/04/2026"_s, u"01/05/2026"_s, u"P"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"201"_s, u"28/04/2026"_s, u"02/05/2026"_s, u"P"_s, 0), 0);
    EXPECT_EQ(c.VerificaCamera(u"202"_s, u"01/05/2026"_s, u"05/05/2026"_s, u"P"_s, 0), 1);
}

TEST_F(VerificaCameraTest, GuestsInHouseBlockExceptTheirOwnBookingAndOptionsWithoutNumber)
{
    ospite(500, 77, u"301"_s, u"20260503"_s, u"20260506"_s);
    ospite(501, 78, u"302"_s, u"20260503"_s, u"20260506"_s, u"S"_s);
    ControlloCamere c(w.ctx);

    EXPECT_EQ(c.VerificaCamera(u"301"_s, u"04/05/2026"_s, u"05/05/2026"_s, u"P"_s, 0), 0);
    EXPECT_EQ(c.VerificaCamera(u"301"_s, u"06/05/2026"_s, u"08/05/2026"_s, u"P"_s, 0), 1);
    // A new option skips the register; a numbered one does not.
    EXPECT_EQ(c.VerificaCamera(u"301"_s, u"04/05/2026"_s, u"05/05/2026"_s, u"O"_s, 0), 1);
    EXPECT_EQ(c.VerificaCamera(u"301"_s, u"04/05/2026"_s, u"05/05/2026"_s, u"O"_s, 12), 0);
    // The guest came from the booking being checked (by booking, or by the number compared).
    EXPECT_EQ(c.VerificaCamera(u"301"_s, u"04/05/2026"_s, u"05/05/2026"_s, u"C"_s, 77), 1);
    EXPECT_EQ(c.VerificaCamera(u"301"_s, u"04/05/2026"_s, u"05/05/2026"_s, u"C"_s, 500), 1);
    // A departed guest never blocks.
    EXPECT_EQ(c.VerificaCamera(u"302"_s, u"04/05/2026"_s, u"05/05/2026"_s, u"P"_s, 0), 1);
}

TEST_F(VerificaCameraTest, OwnGuestNeverFreesARoomOutOfServiceOrBookedByAnother)
{
    ospite(600, 90, u"401"_s, u"20260503"_s, u"20260506"_s);
    inagibile(u"401"_s, u"20260504"_s, u"20260504"_s);
    ospite(601, 91, u"402"_s, u"20260503"_s, u"20260506"_s);
    prenotata(92, u"402"_s, u"20260504"_s, u"20260505"_s);
    ControlloCamere c(w.ctx);
    EXPECT_EQ(c.VerificaCamera(u"401"_s, u"03/05/2026"_s, u"06/05/2026"_s, u"C"_s, 90), 0);
    EXPECT_EQ(c.VerificaCamera(u"402"_s, u"03/05/2026"_s, u"06/05/2026"_s, u"C"_s, 91), 0);
    EXPECT_EQ(c.VerificaCamera(u"402"_s, u"05/05/2026"_s, u"06/05/2026"_s, u"C"_s, 91), 1);
}

} // namespace
