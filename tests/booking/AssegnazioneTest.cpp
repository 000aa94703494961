// Booking numbers, free rooms by mapping level, and the arrangement and charge item of a rate plan.

#include "HotelFixture.h"

#include "booking/AssegnazioneCamere.h"

#include <gtest/gtest.h>

using namespace HotelSupport;

namespace {

TEST_F(Hotel, FreeRoomsFollowTheMappingLevelsAndSkipRoomsTakenOrChosen)
{
    AssegnazioneCamere a(w.ctx);
    CamereRichieste camere;
    // 201 booked, 202 a guest in house, 203 out of service: level 1 offers 204 and 205, level 2 the triples.
    EXPECT_EQ(a.CercaCamereLibere(u"DBL"_s, u"10/08/2026"_s, u"13/08/2026"_s, camere),
              u"\r\n204 DOP n. letti 2 VISTA 204\r\n205 DOP n. letti 2 VISTA 205\r\n301 TRI n. letti 2 VISTA 301\r\n"
              u"302 TRI n. letti 2 VISTA 302\r\n"_s);
    EXPECT_EQ(a.ElencoCamereLibere(), u",204,205,301,302,"_s);
    EXPECT_EQ(a.primaCameraLibera(), u"204"_s);

    // A room chosen for any line of the reservation, the seventh too, is not offered again.
    camere.riga(2).camera = u"204"_s;
    camere.riga(7).camera = u"301"_s;
    a.CercaCamereLibere(u"dbl"_s, u"10/08/2026"_s, u"13/08/2026"_s, camere);
    EXPECT_EQ(a.ElencoCamereLibere(), u",205,302,"_s);
    EXPECT_TRUE(a.inElenco(u"205"_s));
    EXPECT_FALSE(a.inElenco(u"20"_s));

    // Outside the occupied period every room of the type is free.
    EXPECT_EQ(a.CercaCamereLibere(u"TRP"_s, u"01/12/2026"_s, u"03/12/2026"_s, {}),
              u"\r\n301 TRI n. letti 2 VISTA 301\r\n"
              u"302 TRI n. letti 2 VISTA 302\r\n"_s);
    // A web type Rooms lacks, or one not mapped yet.
    EXPECT_EQ(a.CercaCamereLibere(u"XYZ"_s, u"10/08/2026"_s, u"13/08/2026"_s, {}), u",,"_s);
    EXPECT_EQ(a.ElencoCamereLibere(), u","_s);
    EXPECT_EQ(a.primaCameraLibera(), QString());
    mappa(u"NEW"_s, u"Nuova"_s, {u" "_s});
    EXPECT_EQ(a.CercaCamereLibere(u"NEW"_s, u"10/08/2026"_s, u"13/08/2026"_s, {}), u",,"_s);
}

TEST_F(Hotel, ArrangementAndChargeItemFallBackToTheSettings)
{
    AssegnazioneCamere a(w.ctx);
    EXPECT_EQ(a.CercaTrattamento(u" BB "_s), u"BB"_s);
    EXPECT_EQ(a.CercaTrattamento(u"HB"_s), u"MP"_s);
    EXPECT_EQ(a.CercaTrattamento(u"RO"_s), u"PN"_s); // downloaded, not mapped
    EXPECT_EQ(a.CercaTrattamento(u"ZZ"_s), u"PN"_s);
    EXPECT_EQ(a.CercaVoceAddebito(u"MP"_s), 12);
    EXPECT_EQ(a.CercaVoceAddebito(u"PN"_s), 10);
    EXPECT_EQ(a.CercaVoceAddebito(u" "_s), 10);
}

TEST_F(Hotel, BookingNumbersComeOnlyFromTheCounterRow)
{
    AssegnazioneCamere a(w.ctx);
    EXPECT_EQ(a.NuovoNumeroPrenotazione(), kUltimoNumero + 1);
    EXPECT_EQ(a.NuovoNumeroPrenotazione(), kUltimoNumero + 2);
    EXPECT_EQ(contatore(), kUltimoNumero + 2);
    esegui(w.dir(), u"Contatori.mdb"_s, u"DELETE FROM Contatori"_s);
    EXPECT_EQ(a.NuovoNumeroPrenotazione(), std::nullopt);
    EXPECT_EQ(a.NuovoNumeroPrenotazione(), std::nullopt);
    EXPECT_TRUE(righe(w.dir(), u"Contatori.mdb"_s, u"Contatori"_s).isEmpty()) << "no counter row is made up";
}

} // namespace
