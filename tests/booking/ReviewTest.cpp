// Web reservations from a download to QV's booking rows, in both working modes, with the operator's
// answers scripted.

#include "HotelFixture.h"
#include "Invarianti.h"
#include "shell/Contiene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>

using namespace HotelSupport;
using ::testing::IsEmpty;

namespace {

TEST_F(Hotel, AutomaticModeWritesWholeBookingsAndLeavesIncompleteOnesWaiting)
{
    qputenv("NTERM", "2");
    // Stay 1 priced without an end: its last price row falls on the departure day.
    Reservation r1 =
        prenotazione(u"WB1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"SGL"_s, u"RO"_s, {1}, u"70.00"_s}});
    r1.stays[0].rates = {{kArrivo.toString(Qt::ISODate), std::nullopt, u"100.00"_s}};
    r1.guestComment = u"Arrivo tardi, "_s.repeated(10); // longer than the comment field
    r1.globalTotal = u"510.00"_s;
    sim.addReservation(fragment(r1));
    // A stay of a type Rooms lacks; seven single rooms, more lines than the first five.
    sim.addReservation(fragment(
        prenotazione(u"WB2"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"XYZ"_s, u"BB"_s, {2}, u"80.00"_s}})));
    QList<std::tuple<QString, QString, QList<int>, QString>> sette;
    for (int i = 1; i <= 7; ++i)
        sette.append({u"SGL"_s, u"HB"_s, {i}, u"5%1.00"_s.arg(i)});
    sim.addReservation(fragment(prenotazione(u"WB3"_s, sette, QDate(2026, 9, 7), 2)));
    // A modification of a reservation never stored here, which the import keeps waiting.
    sim.addReservation(fragment(prenotazione(u"WB4"_s, {{u"TRP"_s, u"BB"_s, {3}, u"150.00"_s}})));
    download(w.ctx);
    esegui(w.dir(), u"SimpleBooking.mdb"_s,
           u"UPDATE Reservations SET Status = 'Modify', Registrata = 0 WHERE NPren = 'WB4'"_s);
    rivedi();

    const qint32 n = numero(u"WB1"_s);
    EXPECT_EQ(n, kUltimoNumero + 1);
    const QString notes = reservationRow(w.dir(), u"WB1"_s).value(u"Notes"_s).toString();
    EXPECT_EQ(leggi(u"SELECT NomeCliente, Commento, Trattamento, Prezzo, NumeroPersone, TipoPrenotazione, OraArrivo, "
                    u"CAP, IdUser FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s,
                    {n}),
              QStringList{u"Rossi Mario|"_s + (u"*WEB* "_s + notes).left(100) + u"|BB|510|3|C|20| |WEB"_s});
    // The first free rooms of the level-1 types; RO, not mapped, falls back to CodArr and CodAdd.
    EXPECT_EQ(camere(n, u"NumeroCamera, TipoCamera, Trattamento, NumeroPersone, Prezzo"_s),
              (QStringList{u"204|DOP|BB|2|100"_s, u"101|SIN|PN|1|70"_s}));
    // Nights only: none on the departure day.
    EXPECT_EQ(leggi(u"SELECT NumeroCamera, VoceAddebito, group_concat(DataInizio || '-' || DataFine) FROM "
                    u"Arrangiamento WHERE CodiceCliente = ? GROUP BY NumeroCamera, VoceAddebito ORDER BY 1"_s,
                    {n}),
              (QStringList{u"*101|10|20260810-20260811,20260811-20260812,20260812-20260813"_s,
                           u"*204|11|20260810-20260811,20260811-20260812,20260812-20260813"_s}));
    EXPECT_EQ(contatori(u"DOP"_s, kArrivo), u"4|1"_s);
    EXPECT_EQ(registrata(u"WB1"_s), 1);
    for (const char* t : {"T0", "T1", "T2"})
        EXPECT_TRUE(QFile::exists(w.file(QString::fromLatin1(t)))) << t;
    EXPECT_FALSE(mostrato(u"Numero assegnato"_s)) << "mode 2 assigns unattended";

    // WB2 lacks a room for its unknown type, WB4 may be in QV already: both wait, and the operator is told.
    for (const QString& id : {u"WB2"_s, u"WB4"_s}) {
        EXPECT_EQ(registrata(id), 0) << id.toStdString();
        EXPECT_EQ(numero(id), 0) << id.toStdString();
        EXPECT_TRUE(mostrato(id)) << id.toStdString();
    }
    // WB3: seven lines, seven rooms, each with its own stay's guests and price.
    const qint32 n3 = numero(u"WB3"_s);
    EXPECT_EQ(camere(n3, u"NumeroCamera, NumeroPersone, Prezzo, Trattamento"_s).join(u' '),
              u"101|1|51|MP 102|2|52|MP 103|3|53|MP 204|4|54|MP 205|5|55|MP 301|6|56|MP 302|7|57|MP"_s);
    EXPECT_EQ(notti(n3).size(), 14);
    EXPECT_EQ(leggi(u"SELECT PrenotazioniHotel FROM Contatori"_s), QStringList{u"1002"_s});
    qunsetenv("NTERM");
}

TEST_F(Hotel, SemiAutomaticModeFollowsTheOperatorsAnswers)
{
    automatica(false);
    camera(u"2'A"_s, u"DOP"_s);
    // The one suite is booked: line 2 finds no room, and is written without one when the operator says so.
    camera(u"401"_s, u"SUI"_s);
    esegui(w.dir(), u"TipiCamere.mdb"_s,
           u"INSERT INTO TipiCamere (NumeroHotel, Sigla, Descrizione, Tipologia, Quantita) VALUES (1, 'SUI', 'Suite', "
           u"'C', 1)"_s);
    esegui(w.dir(), u"SimpleBooking.mdb"_s,
           u"INSERT INTO Rooms (NumeroHotel, HotelId, RoomsId, RoomsLevel, DesRooms, QVRooms) VALUES (1, '1234', "
           u"'SUITE', 1, 'Suite', 'SUI')"_s);
    esegui(w.dir(), u"Camere_Prenotazione.mdb"_s,
           u"INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, TipoPrenotazione, DataArrivo, "
           u"DataPartenza, TipoCamera, NumeroCamera, NumeroPersone) VALUES (1, 901, 'C', '20260801', '20261001', "
           u"'SUI', '401', 2)"_s);
    sim.addReservation(fragment(prenotazione(u"WS1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s},
                                                        {u"SUITE"_s, u"BB"_s, {4}, u"80.00"_s},
                                                        {u"SGL"_s, u"HB"_s, {1}, u"70.00"_s},
                                                        {u"DBL"_s, u"BB"_s, {2, 1}, u"90.00"_s},
                                                        {u"DBL"_s, u"RO"_s, {2}, u"80.00"_s}})));
    for (const QString& id : {u"WS2"_s, u"WS3"_s})
        sim.addReservation(fragment(prenotazione(id, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    w.write(u"WBSchPreno.st2"_s, "layout");
    w.ctx.settings.CodArr = u" "_s; // no default arrangement: the unmapped plan of line 5 gives none
    // Line 1: no such room, a room with a guest in house, nothing, then 205; line 3 none; line 5 a
    // booked room, then 204: each refusal says why. WS2 without a room; WS3's input box goes unanswered.
    for (const char* a : {"999", "202", " ", "205", "-", "2'A", "201", "204", "-"})
        w.op.type(QString::fromUtf8(a));
    w.op.answer(OperatorPort::Answer::Yes); // line 2 without a room
    w.op.answer(OperatorPort::Answer::Yes); // print
    w.op.answer(OperatorPort::Answer::Yes); // WS2 is left out of QV for good
    scarica();

    const qint32 n = numero(u"WS1"_s);
    ASSERT_GT(n, 0);
    EXPECT_EQ(camere(n, u"NumeroCamera, TipoCamera, NumeroPersone, Prezzo, Trattamento"_s),
              (QStringList{u"205|DOP|2|100|BB"_s, u" |SUI|4|80| "_s, u"2´A|DOP|3|90|BB"_s, u"204|DOP|2|80| "_s}));
    EXPECT_EQ(leggi(u"SELECT NumeroPersone FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s, {n}),
              QStringList{u"11"_s});
    EXPECT_EQ(notti(n), (QStringList{u"*205"_s, u"*205"_s, u"*205"_s, u"*2'A"_s, u"*2'A"_s, u"*2'A"_s}));
    EXPECT_EQ(w.op.inputPrompts.size(), 10); // four for line 1, one each for lines 3 and 4, two for line 5,
                                             // one each for WS2 and WS3
    EXPECT_TRUE(mostrato(u"La camera 999 non esiste"_s));
    EXPECT_TRUE(mostrato(u"La camera 202 è occupata da un ospite in casa dal 01/08/2026 al 01/10/2026"_s));
    EXPECT_TRUE(mostrato(u"La camera 201 è occupata dal 01/08/2026 al 01/10/2026 (prenotazione 900)"_s));
    EXPECT_TRUE(mostrato(
        u"Registro comunque la prenotazione senza camera (overbooking del tipo SUI dal 10/08/2026 al 13/08/2026)?"_s));
    EXPECT_EQ(w.op.inputPrompts[0],
              u"NUOVA PRENOTAZIONE DAL WEB!\r\n\r\nNr.Pren. WS1\r\n\r\nSig./Sig.ra "
              u"Rossi\r\ndal 10/08/2026 al 13/08/2026\r\n\r\nn. 3 Camera doppia\r\nn. 1 Suite\r\n"
              u"n. 1 Camera singola\r\n\r\n\r\n204 DOP n. letti 2 VISTA 204\r\n205 DOP n. letti 2 VISTA "
              u"205\r\n2'A DOP n. letti 2 VISTA 2'A\r\n301 TRI n. letti 2 VISTA "
              u"301\r\n302 TRI n. letti 2 VISTA 302\r\n\r\nScegli la camera da assegnare alla "
              u"prenotazione!\r\n- = nessuna camera per questa riga, Annulla = più tardi"_s);
    EXPECT_TRUE(mostrato(u"Non ci sono camere disponibili!"_s));
    EXPECT_TRUE(mostrato(u"Numero assegnato alla prenotazione : "_s + QString::number(n)));
    EXPECT_TRUE(mostrato(u"stampe2.exe"_s)); // the print program cannot be started here: said, no crash
    QFile pss(w.file(u"stampa2.pss"_s));
    ASSERT_TRUE(pss.open(QIODevice::ReadOnly));
    EXPECT_EQ(pss.readAll(), "WBSchPreno.st2\r\nWS1\r\n");
    EXPECT_EQ(registrata(u"WS1"_s), 1);
    // Handled with nothing written to QV once the operator confirms it. Unanswered: still waiting.
    EXPECT_EQ(registrata(u"WS2"_s), 1);
    EXPECT_TRUE(mostrato(u"WS2 (Rossi Mario, dal 10/08/2026 al 13/08/2026) non sarà scritta in QV e non sarà più "
                         u"proposta.\r\nConfermi?"_s));
    EXPECT_EQ(registrata(u"WS3"_s), 0);
    EXPECT_EQ(numero(u"WS2"_s) + numero(u"WS3"_s), 0);
}

TEST_F(Hotel, RegisteringTwiceGivesOneBookingAndSharedReferencesWait)
{
    const QString lungo = u"ABCDEFGHIJKLMNOPQRST-1"_s;
    sim.addReservation(fragment(prenotazione(u"WD1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    sim.addReservation(fragment(prenotazione(lungo, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    scarica();
    const qint32 n = numero(u"WD1"_s);
    ASSERT_EQ(numero(lungo.left(20)), n + 1);

    // The same reservation offered again: reported, not written twice.
    esegui(w.dir(), u"SimpleBooking.mdb"_s, u"UPDATE Reservations SET Registrata = 0 WHERE NPren = 'WD1'"_s);
    const QString prima = contatori(u"DOP"_s, kArrivo);
    rivedi();
    EXPECT_EQ(leggi(u"SELECT count(*) FROM Scheda_Prenotazione WHERE NVoucher = 'WD1'"_s), QStringList{u"1"_s});
    EXPECT_TRUE(mostrato(u"Modificata prenotazione n. "_s + QString::number(n) + u" (Rossi Mario)"_s));
    EXPECT_EQ(registrata(u"WD1"_s), 1);
    EXPECT_EQ(contatori(u"DOP"_s, kArrivo), prima);

    // Another reservation with the same first 20 characters: the booking may be either's.
    const QString gemello = lungo.left(20) + u"-2"_s;
    sim.addReservation(fragment(prenotazione(gemello, {{u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    scarica();
    EXPECT_EQ(registrata(gemello), 0);
    EXPECT_FALSE(mostrato(u"Modificata prenotazione n. "_s + QString::number(n + 1)));
    EXPECT_TRUE(mostrato(gemello));
    EXPECT_EQ(leggi(u"SELECT PrenotazioniHotel FROM Contatori"_s), QStringList{QString::number(n + 1)});

    // Without a counter row nothing is registered: no number is made up.
    esegui(w.dir(), u"Contatori.mdb"_s, u"DELETE FROM Contatori"_s);
    sim.addReservation(fragment(prenotazione(u"WD3"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    scarica();
    EXPECT_EQ(registrata(u"WD3"_s), 0);
    EXPECT_EQ(numero(u"WD3"_s), 0);
    EXPECT_TRUE(mostrato(u"manca il contatore delle prenotazioni"_s));
    EXPECT_TRUE(leggi(u"SELECT * FROM Contatori"_s).isEmpty());
}

class Cancellation : public Hotel, public ::testing::WithParamInterface<bool>
{
};

TEST_P(Cancellation, GivesTheRoomsBackOnceAndOnlyOnce)
{
    const bool definitiva = GetParam();
    w.ctx.settings.CancellazioneDefinitiva = definitiva ? u"1"_s : u"0"_s;
    const auto conteggi = [&] {
        return contatori(u"DOP"_s, kArrivo) + u' ' + contatori(u"SIN"_s, kArrivo.addDays(2));
    };
    sim.addReservation(fragment(
        prenotazione(u"WC2"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    scarica();
    const QString senza = conteggi(); // what the counters must come back to
    sim.addReservation(fragment(
        prenotazione(u"WC1"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}, {u"SGL"_s, u"BB"_s, {1}, u"60.00"_s}})));
    scarica();
    const qint32 n = numero(u"WC1"_s);
    ASSERT_NE(conteggi(), senza);

    // Declined: nothing changes, not offered again.
    sim.addCancellation(cancellation(u"WC2"_s));
    w.op.answer(OperatorPort::Answer::No);
    scarica();
    EXPECT_EQ(registrata(u"WC2"_s), 1);
    EXPECT_EQ(camere(numero(u"WC2"_s), u"TipoPrenotazione"_s), (QStringList{u"C"_s, u"C"_s}));

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
        EXPECT_EQ(conteggi(), senza);
        EXPECT_EQ(leggi(u"SELECT TipoPrenotazione FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s, {n}),
                  definitiva ? QStringList() : QStringList{u"A"_s});
        EXPECT_EQ(camere(n, u"TipoPrenotazione"_s), definitiva ? QStringList() : (QStringList{u"A"_s, u"A"_s}));
        EXPECT_EQ(notti(n).size(), definitiva ? 0 : 6);
    }
    // The freed double room is offered again.
    sim.addReservation(fragment(prenotazione(u"WC3"_s, {{u"DBL"_s, u"BB"_s, {2}, u"100.00"_s}})));
    scarica();
    EXPECT_EQ(camere(numero(u"WC3"_s)), QStringList{u"205"_s});
}

INSTANTIATE_TEST_SUITE_P(BothSettings, Cancellation, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Definitiva" : "SegnataA"; });

// Reservations that keep waiting for the same reason are not told again and again: the reason is told
// once, the others are counted in one line, and only a new reason is told. A stop request ends the
// review between two reservations.
TEST_F(Hotel, AReasonIsToldOnceAndAStopEndsTheReviewBetweenTwoReservations)
{
    esegui(w.dir(), u"Contatori.mdb"_s, u"DELETE FROM Contatori"_s);
    for (int i = 1; i <= 6; ++i)
        sim.addReservation(
            fragment(prenotazione(u"WT%1"_s.arg(i), {{u"DBL"_s, u"BB"_s, {2}, u"90.00"_s}}, kArrivo.addDays(4 * i))));
    sim.addReservation(fragment(prenotazione(u"WX"_s, {{u"XYZ"_s, u"BB"_s, {2}, u"80.00"_s}})));
    download(w.ctx);
    const auto mostrati = [&](const QString& parte) {
        qsizetype n = 0;
        for (const auto& m : std::as_const(w.op.messages))
            n += m.message.text.contains(parte) ? 1 : 0;
        w.op.messages.clear();
        return n;
    };
    const QString contatore = u"manca il contatore delle prenotazioni"_s;
    // The closing line is a notice: it goes below the lower text box, never into a box.
    const auto riepilogo = [&] {
        return w.op.answers.isEmpty() ? QString() : w.op.answers.last();
    };
    w.ctx.nuovoComando();
    rivedi();
    EXPECT_EQ(mostrati(u"La prenotazione web WT"_s), 1);
    // The reason told once names, when the review ends, every reservation it keeps waiting.
    EXPECT_THAT(riepilogo(), Contiene(u"7 prenotazioni web restano in attesa"_s));
    EXPECT_THAT(riepilogo(), Contiene(u"non viene sistemato in QV: WT1, WT2, WT3, WT4, WT5, WT6, WX"_s));

    w.ctx.nuovoComando();
    rivedi();
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
    EXPECT_THAT(riepilogo(), Contiene(u"7 prenotazioni web restano"_s));
    EXPECT_THAT(riepilogo(), Contiene(u"non è stata registrata: "_s + contatore));
    EXPECT_THAT(riepilogo(), Contiene(u": WT1, WT2, WT3, WT4, WT5, WT6, WX"_s));

    // A new reason is told; a stop asked after three reservations leaves the others untouched.
    esegui(w.dir(), u"Contatori.mdb"_s, u"INSERT INTO Contatori VALUES (1, 'x')"_s);
    w.ctx.avanzamento.setArresto([&] { return w.ctx.avanzamento.corrente() > 3; });
    rivedi();
    EXPECT_EQ(mostrati(u"La prenotazione web WT"_s), 1);
    EXPECT_EQ(leggi(u"SELECT NPren FROM AttesaPrenotazioni WHERE Motivo LIKE '%non vale%' ORDER BY NPren"_s),
              (QStringList{u"WT1"_s, u"WT2"_s, u"WT3"_s}));
    esegui(w.dir(), u"Contatori.mdb"_s, u"UPDATE Contatori SET PrenotazioniHotel = ?"_s, {kUltimoNumero});
    w.ctx.avanzamento.setArresto({});
    rivedi();
    verificaInvarianti(w.dir());
    EXPECT_EQ(leggi(u"SELECT count(*) FROM Reservations WHERE Registrata = 0"_s), QStringList{u"1"_s});
}

} // namespace
