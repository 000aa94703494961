// Whether a room is free for a stay: out-of-service periods, guests in house and booked room rows,
// each with its own boundaries and exceptions.

#include "booking/VerificaCamera.h"
#include "booking/AssegnazioneCamere.h"
#include "store/DaySlots.h"
#include "support/Seed.h"
#include "support/WorkDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QVariantMap campi(const QStringList& nomi, const QVariantList& valori)
{
    QVariantMap out{{u"NumeroHotel"_s, 1}};
    for (qsizetype i = 0; i < nomi.size(); ++i)
        out.insert(nomi.at(i), valori.at(i));
    return out;
}

struct Caso
{
    const char16_t* camera;
    const char16_t* dal;
    const char16_t* al;
    const char16_t* tipo;
    qint32 numero;
    qint16 libera;
    const char* perche;
};

TEST(VerificaCamera, OutOfServiceGuestsInHouseAndBookedRooms)
{
    WorkDir w;
    w.bootstrap();
    const QStringList camera{u"NumeroPrenotazione"_s, u"NumeroCamera"_s,  u"DataArrivo"_s, u"DataPartenza"_s,
                             u"TipoPrenotazione"_s,   u"NumeroPersone"_s, u"TipoCamera"_s};
    auto prenotata = [&](qint32 n, const QString& c, const QString& tipo, double persone) {
        w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                 campi(camera, {n, c, u"20260510"_s, u"20260512"_s, tipo, persone, u"DBL"_s}));
    };
    prenotata(10, u"101"_s, u"C"_s, 2);
    prenotata(11, u"102"_s, u"A"_s, 2);
    prenotata(12, u"103"_s, u"C"_s, 0);
    prenotata(13, u"104"_s, u"R"_s, 1);
    prenotata(14, u"105"_s, u"X"_s, 2);
    prenotata(92, u"107"_s, u"C"_s, 2);
    const QStringList periodo{u"NumeroCamera"_s, u"DataInizio"_s, u"DataFine"_s};
    w.insert(u"Generico.mdb"_s, u"Camere_Inagibili"_s, campi(periodo, {u"201"_s, u"20260501"_s, u"20260505"_s}));
    w.insert(u"Generico.mdb"_s, u"Camere_Inagibili"_s, campi(periodo, {u"401"_s, u"20260504"_s, u"20260504"_s}));
    const QStringList ospite{u"NumeroProgressivo"_s, u"NumeroPrenotazione"_s, u"NumeroCamera"_s,
                             u"DataArrivo"_s,        u"DataPartenza"_s,       u"Partito"_s};
    for (const QVariantList& o : {QVariantList{500, 77, u"301"_s, u"20260503"_s, u"20260506"_s, u" "_s},
                                  QVariantList{501, 78, u"302"_s, u"20260503"_s, u"20260506"_s, u"S"_s},
                                  QVariantList{600, 90, u"401"_s, u"20260503"_s, u"20260506"_s, u" "_s},
                                  QVariantList{601, 91, u"107"_s, u"20260509"_s, u"20260512"_s, u" "_s}})
        w.insert(u"Scheda_Cliente.mdb"_s, u"Scheda_Cliente"_s, campi(ospite, o));

    const Caso casi[] = {
        {u"101", u"12/05/2026", u"14/05/2026", u"P", 0, 1, "the departure day is free"},
        {u"101", u"08/05/2026", u"09/05/2026", u"P", 0, 1, "the night before"},
        {u"101", u"11/05/2026", u"13/05/2026", u"P", 0, 0, "overlap"},
        {u"101", u"01/05/2026", u"31/05/2026", u"P", 0, 0, "a stay around the booking"},
        {u"101", u"11/05/2026", u"13/05/2026", u"C", 10, 1, "the booking's own rows"},
        {u"101", u"11/05/2026", u"13/05/2026", u"C", 9, 0, "another booking's row"},
        {u"102", u"10/05/2026", u"12/05/2026", u"P", 0, 1, "a cancelled row"},
        {u"103", u"10/05/2026", u"12/05/2026", u"P", 0, 1, "a row without persons"},
        {u"104", u"10/05/2026", u"12/05/2026", u"P", 0, 0, "an allotment holds its room"},
        {u"105", u"10/05/2026", u"12/05/2026", u"P", 0, 1, "a kind that holds no room"},
        {u"201", u"05/05/2026", u"07/05/2026", u"P", 0, 0, "the last day out of service blocks"},
        {u"201", u"06/05/2026", u"07/05/2026", u"P", 0, 1, "the day after"},
        {u"201", u"28/04/2026", u"01/05/2026", u"P", 0, 1, "leaving on the first day out of service"},
        {u"201", u"28/04/2026", u"02/05/2026", u"P", 0, 0, "staying into it"},
        {u"301", u"04/05/2026", u"05/05/2026", u"P", 0, 0, "a guest in house"},
        {u"301", u"06/05/2026", u"08/05/2026", u"P", 0, 1, "arriving on the guest's departure"},
        {u"301", u"04/05/2026", u"05/05/2026", u"O", 0, 1, "a new option skips the register"},
        {u"301", u"04/05/2026", u"05/05/2026", u"O", 12, 0, "a numbered option does not"},
        {u"301", u"04/05/2026", u"05/05/2026", u"C", 77, 1, "the guest came from this booking"},
        {u"301", u"04/05/2026", u"05/05/2026", u"C", 500, 1, "the guest number given as the booking"},
        {u"302", u"04/05/2026", u"05/05/2026", u"P", 0, 1, "a departed guest"},
        // A guest of the booking never frees a room that is out of service or booked by another.
        {u"401", u"03/05/2026", u"06/05/2026", u"C", 90, 0, "own guest, room out of service"},
        {u"107", u"10/05/2026", u"11/05/2026", u"C", 91, 0, "own guest, room booked by another"},
        {u"107", u"10/05/2026", u"11/05/2026", u"C", 92, 0, "own rows, another booking's guest"},
    };
    ControlloCamere controllo(w.ctx);
    for (const Caso& c : casi)
        EXPECT_EQ(controllo.VerificaCamera(QString::fromUtf16(c.camera), QString::fromUtf16(c.dal),
                                           QString::fromUtf16(c.al), QString::fromUtf16(c.tipo), c.numero),
                  c.libera)
            << c.perche;

    // The checker keeps its files open but reads the rows as they are at each call.
    prenotata(15, u"106"_s, u"O"_s, 2);
    EXPECT_EQ(controllo.VerificaCamera(u"106"_s, u"10/05/2026"_s, u"11/05/2026"_s, u"P"_s, 0), 0);
}

// The free-room search reads what is taken once per stay; room by room, the check must agree with it
// on every room of the mapped types, whatever the dates, kinds, persons, spellings and guests.
TEST(VerificaCamera, TheSearchOfFreeRoomsAgreesWithTheCheckOfEachRoom)
{
    const unsigned seed = seedFrom("SB_SEED");
    std::mt19937 rng(seed);
    const auto uno = [&](const auto& scelte) {
        return scelte[rng() % std::size(scelte)];
    };
    WorkDir w;
    w.bootstrap();
    w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
             {{u"NumeroHotel"_s, 1}, {u"RoomsId"_s, u"W"_s}, {u"RoomsLevel"_s, 1}, {u"QVRooms"_s, u"T1"_s}});
    w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
             {{u"NumeroHotel"_s, 1}, {u"RoomsId"_s, u"W"_s}, {u"RoomsLevel"_s, 2}, {u"QVRooms"_s, u"T2"_s}});
    const QString camere[] = {u"101"_s, u"102"_s, u"3'1"_s, u"A1"_s, u"b2"_s, u" "_s, u"7´7"_s, u"104"_s};
    // The same rooms as other rows may spell them.
    const QString scritte[] = {u"101"_s, u"102"_s,  u"3'1"_s, u"3´1"_s, u"a1"_s, u"B2"_s,
                               u"7'7"_s, u"104 "_s, u"105"_s, u" "_s,   u"A1"_s};
    for (qsizetype i = 0; i < std::ssize(camere); ++i)
        w.insert(u"NumeriCamere.mdb"_s, u"NumeriCamere"_s,
                 {{u"NumeroHotel"_s, 1}, {u"NumeroCamera"_s, camere[i]}, {u"TipoCamera"_s, i % 3 ? u"T1"_s : u"T2"_s}});
    const auto giorno = [&] {
        return QDate(2026, 5, 1).addDays(int(rng() % 20));
    };
    const auto periodo = [&] {
        const QDate a = giorno();
        return std::pair{a, a.addDays(int(rng() % 5))};
    };
    for (int i = 0; i < 25; ++i) {
        const auto [a, b] = periodo();
        const char16_t* tipi[] = {u"C", u"D", u"O", u"R", u"T", u"A", u"X", u"c"};
        w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                 {{u"NumeroHotel"_s, rng() % 8 ? 1 : 2},
                  {u"NumeroPrenotazione"_s, int(rng() % 6) - 1},
                  {u"NumeroCamera"_s, uno(scritte)},
                  {u"TipoPrenotazione"_s, QString::fromUtf16(uno(tipi))},
                  {u"NumeroPersone"_s, int(rng() % 3)},
                  {u"DataArrivo"_s, TextDate::toYmd(a)},
                  {u"DataPartenza"_s, TextDate::toYmd(b)}});
    }
    for (int i = 0; i < 8; ++i) {
        const auto [a, b] = periodo();
        const char16_t* partiti[] = {u"S", u"N", u" "};
        w.insert(u"Scheda_Cliente.mdb"_s, u"Scheda_Cliente"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroProgressivo"_s, i + 1},
                  {u"NumeroCamera"_s, uno(scritte)},
                  {u"Partito"_s, QString::fromUtf16(uno(partiti))},
                  {u"DataArrivo"_s, TextDate::toYmd(a)},
                  {u"DataPartenza"_s, TextDate::toYmd(b)}});
        const auto [c, d] = periodo();
        w.insert(u"Generico.mdb"_s, u"Camere_Inagibili"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroCamera"_s, uno(scritte)},
                  {u"DataInizio"_s, TextDate::toYmd(c)},
                  {u"DataFine"_s, TextDate::toYmd(d)}});
    }
    ControlloCamere controllo(w.ctx);
    AssegnazioneCamere assegnazione(w.ctx);
    for (int i = 0; i < 60; ++i) {
        const auto [a, b] = periodo();
        const QString dal = TextDate::toDmy(a), al = TextDate::toDmy(b.addDays(1));
        QString attese = u","_s;
        for (const QString& tipo : {u"T1"_s, u"T2"_s})
            for (qsizetype k = 0; k < std::ssize(camere); ++k)
                if ((k % 3 ? u"T1"_s : u"T2"_s) == tipo && !camere[k].trimmed().isEmpty() &&
                    controllo.VerificaCamera(camere[k], dal, al, u"P"_s, 0) == 1)
                    attese += camere[k] + u',';
        assegnazione.CercaCamereLibere(u"W"_s, dal, al, CamereRichieste{});
        ASSERT_EQ(assegnazione.ElencoCamereLibere(), attese) << "seed " << seed << ", dal " << dal.toStdString();
    }
}

} // namespace
