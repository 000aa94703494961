// Web reservations from a download to QV's booking rows, in both working modes, with the operator's
// answers scripted.

#include "HotelFixture.h"

#include "booking/ScritturaPrenotazione.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace HotelSupport;

namespace {

QString ymd(const QDate& d)
{
    return d.toString(u"yyyyMMdd"_s);
}

QStringList valori(const QList<QVariantMap>& rows, const QString& campo)
{
    QStringList out;
    for (const QVariantMap& r : rows)
        out << r.value(campo).toString();
    return out;
}

TEST_F(Hotel, AutomaticModeWritesWholeBookingsAndLeavesIncompleteOnesWaiting)
{
    qputenv("NTERM", "2");
    // Stay 1 priced without an end: its last price row falls on the departure day.
    Reservation r1 =
        prenotazione(u"WB1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"SGL"_s, u"RO"_s, {1}, u"70.00"_s}});
    r1.stays[0].rates = {{kArrivo.toString(Qt::ISODate), std::nullopt, u"100.00"_s}};
    r1.globalTotal = u"510.00"_s;
    r1.guestComment = u"Arrivo tardi, "_s.repeated(10); // longer than the comment field
    sim.addReservation(fragment(r1));
    // A stay of a type Rooms lacks, and seven single rooms (more lines than the first five).
    sim.addReservation(fragment(
        prenotazione(u"WB2"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"XYZ"_s, u"BB"_s, {2}, u"80.00"_s}})));
    QList<std::tuple<QString, QString, QList<int>, QString>> sette;
    for (int i = 1; i <= 7; ++i)
        sette.append({u"SGL"_s, u"HB"_s, {i}, u"%1.00"_s.arg(50 + i)});
    const QDate settembre(2026, 9, 7);
    sim.addReservation(fragment(prenotazione(u"WB3"_s, sette, settembre, 2)));
    const auto primaDop = contatori(w.dir(), u"DOP"_s, kArrivo);

    scarica();

    // WB1: one booking, its rooms the first free ones of the level-1 types.
    const auto sheet = schede(u"NVoucher = ?"_s, {u"WB1"_s});
    ASSERT_EQ(sheet.size(), 1);
    const qint32 n = sheet[0].value(u"NumeroPrenotazione"_s).toInt();
    EXPECT_EQ(n, kUltimoNumero + 1);
    EXPECT_EQ(sheet[0].value(u"NomeCliente"_s).toString(), u"Rossi Mario"_s);
    EXPECT_EQ(sheet[0].value(u"Commento"_s).toString(),
              (u"*WEB* "_s + row(u"WB1"_s).value(u"Notes"_s).toString()).left(100));
    EXPECT_EQ(sheet[0].value(u"Trattamento"_s).toString(), u"BB"_s);
    EXPECT_EQ(sheet[0].value(u"Prezzo"_s).toDouble(), 510.0);
    EXPECT_EQ(sheet[0].value(u"NumeroPersone"_s).toDouble(), 3.0);
    EXPECT_EQ(sheet[0].value(u"TipoPrenotazione"_s).toString(), u"C"_s);
    EXPECT_EQ(sheet[0].value(u"OraArrivo"_s).toString(), u"20"_s);
    EXPECT_EQ(sheet[0].value(u"CAP"_s).toString(), u" "_s);
    const auto rooms = camere(n);
    EXPECT_EQ(valori(rooms, u"NumeroCamera"_s), (QStringList{u"204"_s, u"101"_s}));
    EXPECT_EQ(valori(rooms, u"Trattamento"_s), (QStringList{u"BB"_s, u"PN"_s})); // RO falls back to CodArr
    EXPECT_EQ(valori(rooms, u"NumeroPersone"_s), (QStringList{u"2"_s, u"1"_s}));
    EXPECT_EQ(valori(rooms, u"Prezzo"_s), (QStringList{u"100"_s, u"70"_s}));
    // Nights only: three per room, none on the departure day.
    const auto nights = notti(n);
    ASSERT_EQ(nights.size(), 6);
    for (const QVariantMap& night : nights) {
        const bool doppia = night.value(u"NumeroCamera"_s) == u"*204"_s;
        EXPECT_EQ(night.value(u"VoceAddebito"_s).toInt(), doppia ? 11 : 10);
        EXPECT_LT(night.value(u"DataInizio"_s).toString(), ymd(kArrivo.addDays(3)));
        EXPECT_EQ(night.value(u"DataFine"_s).toString(),
                  ymd(TextDate::fromYmd(night.value(u"DataInizio"_s).toString()).addDays(1)));
    }
    EXPECT_EQ(contatori(w.dir(), u"DOP"_s, kArrivo).first, (primaDop.first == -9999 ? 5 : primaDop.first) - 1);
    EXPECT_EQ(registrata(u"WB1"_s), 1);
    for (const char* t : {"T0", "T1", "T2"})
        EXPECT_TRUE(QFile::exists(w.file(QString::fromLatin1(t)))) << t;
    EXPECT_FALSE(mostrato(u"Numero assegnato"_s)) << "mode 2 assigns unattended";

    // WB2 lacks a room for its unknown type: it waits, and the operator is told.
    EXPECT_EQ(registrata(u"WB2"_s), 0);
    EXPECT_TRUE(schede(u"NVoucher = ?"_s, {u"WB2"_s}).isEmpty());
    EXPECT_TRUE(mostrato(u"WB2"_s));

    // WB3: seven lines, seven different rooms, each with its own stay's guests and price.
    const auto sheet3 = schede(u"NVoucher = ?"_s, {u"WB3"_s});
    ASSERT_EQ(sheet3.size(), 1);
    const auto rooms3 = camere(sheet3[0].value(u"NumeroPrenotazione"_s).toInt());
    EXPECT_EQ(valori(rooms3, u"NumeroCamera"_s),
              (QStringList{u"101"_s, u"102"_s, u"103"_s, u"204"_s, u"205"_s, u"301"_s, u"302"_s}));
    EXPECT_EQ(valori(rooms3, u"NumeroPersone"_s),
              (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
    EXPECT_EQ(valori(rooms3, u"Prezzo"_s),
              (QStringList{u"51"_s, u"52"_s, u"53"_s, u"54"_s, u"55"_s, u"56"_s, u"57"_s}));
    EXPECT_EQ(valori(rooms3, u"Trattamento"_s), QStringList(7, u"MP"_s));
    EXPECT_EQ(notti(sheet3[0].value(u"NumeroPrenotazione"_s).toInt()).size(), 14);
    EXPECT_EQ(contatore(), kUltimoNumero + 2);
    qunsetenv("NTERM");
}

TEST_F(Hotel, AutomaticModeLeavesUnknownModificationsAndMissingCountersWaiting)
{
    sim.addReservation(fragment(prenotazione(u"WM1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    sim.addReservation(fragment(prenotazione(u"WM2"_s, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    download(w.ctx);
    // A modification of a reservation never stored here, as the import keeps it.
    esegui(w.dir(), u"SimpleBooking.mdb"_s,
           u"UPDATE Reservations SET Status = 'Modify', Registrata = 0 WHERE NPren = 'WM1'"_s);
    esegui(w.dir(), u"Contatori.mdb"_s, u"DELETE FROM Contatori"_s);

    rivedi();
    EXPECT_EQ(registrata(u"WM1"_s), 0);
    EXPECT_EQ(registrata(u"WM2"_s), 0);
    EXPECT_TRUE(schede(u"NVoucher LIKE 'WM%'"_s).isEmpty());
    EXPECT_TRUE(mostrato(u"WM1"_s));
    EXPECT_TRUE(mostrato(u"Contatori"_s));
    const qsizetype shown = w.op.messages.size();

    // The counter comes back: the next review writes WM2; WM1 still waits for an operator.
    w.insert(u"Contatori.mdb"_s, u"Contatori"_s, {{u"NumeroHotel"_s, 1}, {u"PrenotazioniHotel"_s, 41}});
    rivedi();
    EXPECT_EQ(registrata(u"WM2"_s), 1);
    EXPECT_EQ(schede(u"NVoucher = 'WM2'"_s).value(0).value(u"NumeroPrenotazione"_s).toInt(), 42);
    EXPECT_EQ(registrata(u"WM1"_s), 0);
    EXPECT_GT(w.op.messages.size(), shown);
}

TEST_F(Hotel, SemiAutomaticModeFollowsTheOperatorsAnswers)
{
    automatica(false);
    // Line 2's type is unknown, so line 4 takes the third slot's guests and price.
    sim.addReservation(fragment(prenotazione(u"WS1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s},
                                                        {u"XYZ"_s, u"BB"_s, {4}, u"80.00"_s},
                                                        {u"SGL"_s, u"HB"_s, {1}, u"70.00"_s},
                                                        {u"DBL"_s, u"BB"_s, {2, 1}, u"90.00"_s}})));
    sim.addReservation(fragment(prenotazione(u"WS2"_s, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    w.write(u"WBSchPreno.st2"_s, "layout");
    w.op.type(u"999"_s); // no such room: asked again
    w.op.type(u"202"_s); // not free, on a repeated asking: asked again
    w.op.type(u" "_s);   // nothing: asked again
    w.op.type(u"205"_s);
    w.op.type(u"-"_s);                      // line 3 (SGL) without a room
    w.op.type(u"201"_s);                    // line 4: a room outside the list, chosen on the first answer
    w.op.answer(OperatorPort::Answer::Yes); // print
    // WS2's input box goes unanswered.

    scarica();

    const auto sheet = schede(u"NVoucher = ?"_s, {u"WS1"_s});
    ASSERT_EQ(sheet.size(), 1);
    const qint32 n = sheet[0].value(u"NumeroPrenotazione"_s).toInt();
    const auto rooms = camere(n);
    EXPECT_EQ(valori(rooms, u"NumeroCamera"_s), (QStringList{u"205"_s, u" "_s, u"201"_s}));
    EXPECT_EQ(valori(rooms, u"TipoCamera"_s), (QStringList{u"DOP"_s, u"XYZ"_s, u"DOP"_s}));
    EXPECT_EQ(valori(rooms, u"NumeroPersone"_s), (QStringList{u"2"_s, u"2"_s, u"3"_s}));
    EXPECT_EQ(valori(rooms, u"Prezzo"_s), (QStringList{u"100"_s, u"0"_s, u"90"_s}));
    EXPECT_EQ(valori(rooms, u"Trattamento"_s), (QStringList{u"BB"_s, u" "_s, u"BB"_s}));
    EXPECT_EQ(sheet[0].value(u"NumeroPersone"_s).toDouble(), 5.0);
    const auto nights = notti(n);
    EXPECT_EQ(valori(nights, u"NumeroCamera"_s),
              (QStringList{u"*205"_s, u"*205"_s, u"*205"_s, u"*201"_s, u"*201"_s, u"*201"_s}));
    EXPECT_EQ(w.op.inputPrompts.size(), 7); // four for line 1, one each for lines 3 and 4, one for WS2
    EXPECT_TRUE(w.op.inputPrompts[0].contains(u"\r\n204 DOP n. letti 2 VISTA 204\r\n"_s));
    EXPECT_TRUE(w.op.inputPrompts[0].startsWith(u"NUOVA PRENOTAZIONE DAL WEB!\r\n\r\nNr.Pren. WS1\r\n\r\nSig./Sig.ra "
                                                u"Rossi\r\ndal 10/08/2026 al 13/08/2026\r\n\r\nn. 2 Camera doppia\r\n"
                                                u"n. 1 Camera singola\r\n"_s));
    EXPECT_TRUE(w.op.inputPrompts[0].endsWith(u"Scegli la camera da assegnare alla prenotazione!"_s));
    EXPECT_TRUE(mostrato(u"Non ci sono camere disponibili!"_s));
    EXPECT_TRUE(mostrato(u"Numero assegnato alla prenotazione : "_s + QString::number(n)));
    EXPECT_TRUE(mostrato(u"stampe2.exe"_s));
    QFile pss(w.file(u"stampa2.pss"_s));
    ASSERT_TRUE(pss.open(QIODevice::ReadOnly));
    EXPECT_EQ(pss.readAll(), "WBSchPreno.st2\r\nWS1\r\n");
    EXPECT_EQ(registrata(u"WS1"_s), 1);
    EXPECT_EQ(registrata(u"WS2"_s), 0);
    EXPECT_EQ(schede().size(), 2); // the existing booking and WS1
}

TEST_F(Hotel, RegisteringTwiceGivesOneBookingAndSharedReferencesWait)
{
    const QString lungo = u"ABCDEFGHIJKLMNOPQRST-1"_s;
    sim.addReservation(fragment(prenotazione(u"WD1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    sim.addReservation(fragment(prenotazione(lungo, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    scarica();
    ASSERT_EQ(schede(u"NVoucher = 'WD1'"_s).size(), 1);
    ASSERT_EQ(schede(u"NVoucher = ?"_s, {lungo.left(20)}).size(), 1);
    const qint32 n = schede(u"NVoucher = 'WD1'"_s)[0].value(u"NumeroPrenotazione"_s).toInt();

    // The same reservation offered again: reported, not written twice.
    esegui(w.dir(), u"SimpleBooking.mdb"_s, u"UPDATE Reservations SET Registrata = 0 WHERE NPren = 'WD1'"_s);
    const auto prima = contatori(w.dir(), u"DOP"_s, kArrivo);
    rivedi();
    EXPECT_EQ(schede(u"NVoucher = 'WD1'"_s).size(), 1);
    EXPECT_TRUE(mostrato(u"Modificata prenotazione n. "_s + QString::number(n) + u" (Rossi Mario)"_s));
    EXPECT_EQ(registrata(u"WD1"_s), 1);
    EXPECT_EQ(contatori(w.dir(), u"DOP"_s, kArrivo), prima);
    EXPECT_EQ(contatore(), kUltimoNumero + 2);

    // Another reservation with the same first 20 characters: the booking may be either's.
    const QString gemello = lungo.left(20) + u"-2"_s;
    sim.addReservation(fragment(prenotazione(gemello, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    scarica();
    EXPECT_EQ(registrata(gemello), 0);
    EXPECT_EQ(schede(u"NVoucher = ?"_s, {lungo.left(20)}).size(), 1);
    EXPECT_FALSE(mostrato(u"Modificata prenotazione n. "_s + QString::number(n + 1)));
    EXPECT_TRUE(mostrato(gemello));
}

TEST_F(Hotel, ApostrophesInRoomNumbersAndLinesWithoutArrangement)
{
    automatica(false);
    w.ctx.settings.CodArr = u" "_s; // no default arrangement: an unmapped plan gives none
    camera(u"2'A"_s, u"DOP"_s);
    sim.addReservation(fragment(
        prenotazione(u"WA1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"SGL"_s, u"RO"_s, {1}, u"50.00"_s}})));
    w.op.type(u"2'A"_s);
    w.op.type(u"102"_s);
    scarica();
    const auto sheet = schede(u"NVoucher = 'WA1'"_s);
    ASSERT_EQ(sheet.size(), 1);
    const qint32 n = sheet[0].value(u"NumeroPrenotazione"_s).toInt();
    EXPECT_EQ(valori(camere(n), u"NumeroCamera"_s), (QStringList{u"2´A"_s, u"102"_s}));
    EXPECT_EQ(valori(camere(n), u"Trattamento"_s), (QStringList{u"BB"_s, u" "_s}));
    EXPECT_EQ(valori(notti(n), u"NumeroCamera"_s), QStringList(3, u"*2'A"_s));
}

class Cancellation : public Hotel, public ::testing::WithParamInterface<bool>
{
};

TEST_P(Cancellation, GivesTheRoomsBackOnceAndOnlyOnce)
{
    const bool definitiva = GetParam();
    w.ctx.settings.CancellazioneDefinitiva = definitiva ? u"1"_s : u"0"_s;
    sim.addReservation(fragment(
        prenotazione(u"WC1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    sim.addReservation(fragment(prenotazione(u"WC2"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    scarica();
    const auto dopo = [&] {
        return std::pair{contatori(w.dir(), u"DOP"_s, kArrivo), contatori(w.dir(), u"SIN"_s, kArrivo.addDays(2))};
    };
    const auto registrate = dopo();
    const qint32 n = schede(u"NVoucher = 'WC1'"_s)[0].value(u"NumeroPrenotazione"_s).toInt();
    // What the counters would be without WC1: WC1 took one double and one single room.
    const auto senza = std::pair{std::pair{registrate.first.first + 1, registrate.first.second - 1},
                                 std::pair{registrate.second.first + 1, registrate.second.second - 1}};

    // Declined: nothing changes, not offered again.
    sim.addCancellation(cancellation(u"WC2"_s));
    w.op.answer(OperatorPort::Answer::No);
    scarica();
    EXPECT_EQ(registrata(u"WC2"_s), 1);
    EXPECT_EQ(schede(u"NVoucher = 'WC2'"_s).value(0).value(u"TipoPrenotazione"_s).toString(), u"C"_s);

    for (int volta = 1; volta <= 2; ++volta) {
        SCOPED_TRACE(volta);
        w.op.answer(OperatorPort::Answer::Yes);
        if (volta == 1) {
            sim.addCancellation(cancellation(u"WC1"_s));
            scarica();
        } else {
            // Delivered again after it was applied: offered again, given back never twice.
            esegui(w.dir(), u"SimpleBooking.mdb"_s,
                   u"UPDATE Reservations SET Registrata = 0, Status = 'Cancelled' WHERE NPren = 'WC1'"_s);
            rivedi();
        }
        EXPECT_TRUE(
            mostrato(u"Cancellata prenotazione a nome Rossi Mario dal 10/08/2026 al 13/08/2026\r\nConfermi?"_s));
        EXPECT_EQ(registrata(u"WC1"_s), 1);
        EXPECT_EQ(dopo(), senza);
        if (definitiva) {
            EXPECT_TRUE(schede(u"NumeroPrenotazione = ?"_s, {n}).isEmpty());
            EXPECT_TRUE(camere(n).isEmpty());
            EXPECT_TRUE(notti(n).isEmpty());
        } else {
            EXPECT_EQ(schede(u"NumeroPrenotazione = ?"_s, {n}).value(0).value(u"TipoPrenotazione"_s).toString(),
                      u"A"_s);
            EXPECT_EQ(valori(camere(n), u"TipoPrenotazione"_s), (QStringList{u"A"_s, u"A"_s}));
            EXPECT_EQ(notti(n).size(), 6);
        }
    }
    // The freed double room is offered again.
    sim.addReservation(fragment(prenotazione(u"WC3"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    scarica();
    EXPECT_EQ(
        valori(camere(schede(u"NVoucher = 'WC3'"_s)[0].value(u"NumeroPrenotazione"_s).toInt()), u"NumeroCamera"_s),
        QStringList{u"204"_s});
}

INSTANTIATE_TEST_SUITE_P(BothSettings, Cancellation, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Definitiva" : "SegnataA"; });

} // namespace
