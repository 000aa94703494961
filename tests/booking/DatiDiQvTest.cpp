// QV's data as the bridge finds it at a hotel, not as it writes it: a booking counter behind the
// bookings or damaged, room numbers with an apostrophe or none at all, counters at the edge of their
// slots, files held by another program. Every reservation is booked soundly or waits with a message.

#include "Invarianti.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>

using namespace HotelSupport;

namespace {

class DatiDiQv : public Hotel
{
protected:
    void arriva(const QString& id, const QString& tipo, int settimana = 0)
    {
        sim.addReservation(
            fragment(prenotazione(id, {{tipo, u"BB"_s, {2}, u"80.00"_s}}, kArrivo.addDays(7 * settimana))));
    }
    void contatore(const QVariant& valore)
    {
        esegui(w.dir(), u"Contatori.mdb"_s, u"UPDATE Contatori SET PrenotazioniHotel = ?"_s, {valore});
    }
};

TEST_F(DatiDiQv, ABookingNumberQvHoldsAnywhereIsNeverHandedOutAgain)
{
    for (int i = 0; i < 3; ++i)
        arriva(u"NB%1"_s.arg(i), u"DBL"_s, i);
    scarica(); // 1001 .. 1003
    contatore(1000);
    // 1004 survives only as a nightly row of a booking QV has otherwise deleted.
    esegui(w.dir(), u"Arrangiamento.mdb"_s,
           u"INSERT INTO Arrangiamento (NumeroHotel, CodiceCliente, NumeroCamera, DataInizio) VALUES (1, 1004, "
           u"'*205', '20260101')"_s);
    arriva(u"NB3"_s, u"DBL"_s, 3);
    scarica();
    EXPECT_EQ(numero(u"NB3"_s), 1005);
    EXPECT_EQ(leggi(u"SELECT PrenotazioniHotel FROM Contatori"_s), QStringList{u"1005"_s});
    EXPECT_EQ(w.op.messageTexts().filter(u"numeri già usati in QV (dal 1001) sono stati saltati"_s).size(), 1);
    verificaInvarianti(w.dir());

    // A counter that is no number, or that cannot grow, hands out nothing: the reservation waits.
    arriva(u"NB4"_s, u"DBL"_s, 4);
    download(w.ctx);
    for (const QVariant& valore : {QVariant(u"mille"_s), QVariant(2147483647), QVariant(-3)}) {
        SCOPED_TRACE(valore.toString().toStdString());
        contatore(valore);
        rivedi();
        EXPECT_EQ(numero(u"NB4"_s), 0);
        EXPECT_EQ(registrata(u"NB4"_s), 0);
        EXPECT_TRUE(mostrato(u"contatore delle prenotazioni di QV (tabella Contatori, NumeroHotel = 1) "_s));
        verificaInvarianti(w.dir());
    }
}

TEST_F(DatiDiQv, ARoomNamedWithAnApostropheIsTakenInEitherForm)
{
    camera(u"3'1"_s, u"TRI"_s);
    esegui(w.dir(), u"TipiCamere.mdb"_s, u"UPDATE TipiCamere SET Quantita = 3 WHERE Sigla = 'TRI'"_s);
    // QV holds 301 and 302 in both weeks, and 3'1 in its own form in the first.
    for (const auto& [settimana, stanza] :
         {std::pair{0, u"301"_s}, {0, u"302"_s}, {0, u"3'1"_s}, {1, u"301"_s}, {1, u"302"_s}})
        esegui(w.dir(), u"Camere_Prenotazione.mdb"_s,
               u"INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, TipoPrenotazione, DataArrivo, "
               u"DataPartenza, TipoCamera, NumeroCamera, NumeroPersone) VALUES (1, 960, 'C', ?, ?, 'TRI', ?, 2)"_s,
               {TextDate::toYmd(kArrivo.addDays(7 * settimana)), TextDate::toYmd(kArrivo.addDays(7 * settimana + 3)),
                stanza});
    arriva(u"AP0"_s, u"TRP"_s, 0);
    arriva(u"AP1"_s, u"TRP"_s, 1);
    arriva(u"AP2"_s, u"TRP"_s, 1);
    scarica();
    EXPECT_EQ(numero(u"AP0"_s), 0);
    EXPECT_EQ(camere(numero(u"AP1"_s)), QStringList{u"3´1"_s});
    EXPECT_EQ(numero(u"AP2"_s), 0) << "3'1 booked by the bridge is taken";
    verificaInvarianti(w.dir());
}

TEST_F(DatiDiQv, ARoomWithoutANumberIsNeverOffered)
{
    esegui(w.dir(), u"NumeriCamere.mdb"_s, u"DELETE FROM NumeriCamere WHERE TipoCamera = 'SIN'"_s);
    for (const QString& numero : {u" "_s, u"101"_s})
        camera(numero, u"SIN"_s);
    arriva(u"BL1"_s, u"SGL"_s);
    scarica();
    EXPECT_EQ(camere(numero(u"BL1"_s)), QStringList{u"101"_s});
    verificaInvarianti(w.dir());
}

TEST_F(DatiDiQv, ACountThatDoesNotFitItsSlotFailsTheWholeCounting)
{
    // Day 11 of August: free rooms at the bottom of their slot, or confirmed ones at the top.
    for (const auto& [campo, valore, atteso] :
         {std::tuple{u"Libere"_s, u"-9999"_s, u"-10000"_s}, {u"Confermate"_s, u"99999"_s, u"100000"_s}}) {
        SCOPED_TRACE(campo.toStdString());
        esegui(w.dir(), u"Disponibilita.mdb"_s, u"DELETE FROM \"DisponibilitàTipi\""_s);
        QString slot = DaySlots::repeated(campo == u"Libere" ? u"    5"_s : u"    0"_s);
        slot = DaySlots::withSlot(slot, 11, 5, valore);
        const QString zero = DaySlots::repeated(u"    0"_s);
        esegui(w.dir(), u"Disponibilita.mdb"_s,
               u"INSERT INTO \"DisponibilitàTipi\" (NumeroHotel, AMT, Libere, Occupate, Confermate, Opzionate, "
               u"Allotment) VALUES (1, '202608DOP', ?, ?, ?, ?, ?)"_s,
               {campo == u"Libere" ? slot : DaySlots::repeated(u"    5"_s), zero, campo == u"Libere" ? zero : slot,
                zero, zero});
        const QStringList prima = leggi(u"SELECT * FROM \"DisponibilitàTipi\""_s);
        arriva(u"OV"_s + campo, u"DBL"_s);
        scarica();
        EXPECT_EQ(numero(u"OV"_s + campo), 0);
        EXPECT_EQ(registrata(u"OV"_s + campo), 0);
        EXPECT_EQ(leggi(u"SELECT * FROM \"DisponibilitàTipi\""_s), prima);
        EXPECT_TRUE(mostrato(campo + u" del tipo DOP il 11/08/2026 diventerebbe "_s + atteso));
        esegui(w.dir(), u"SimpleBooking.mdb"_s, u"UPDATE Reservations SET Registrata = 1"_s);
    }
    EXPECT_EQ(leggi(u"SELECT PrenotazioniHotel FROM Contatori"_s), QStringList{QString::number(kUltimoNumero)});
}

TEST_F(DatiDiQv, ABookingKindTheCountingHoldsNoRoomsForIsTakenAsC)
{
    const std::pair<QString, QString> casi[] = {{u"X"_s, u"C"_s}, {u"R"_s, u"C"_s},       {u"A"_s, u"C"_s},
                                                {u"o"_s, u"O"_s}, {u"opzione"_s, u"O"_s}, {u" "_s, u"C"_s}};
    int settimana = 0;
    for (const auto& [file, tipo] : casi) {
        SCOPED_TRACE(file.toStdString());
        w.write(u"TipoPrenoLista.txt"_s, file.toUtf8() + "\r\n");
        const QString id = u"KD"_s + QString::number(settimana);
        arriva(id, u"DBL"_s, settimana++);
        scarica();
        EXPECT_EQ(camere(numero(id), u"TipoPrenotazione"_s), QStringList{tipo});
        EXPECT_EQ(w.op.messageTexts().filter(u"Il file TipoPrenoLista.txt contiene \""_s + file + u'"').size(),
                  tipo == u"C" && file != u" " ? 1 : 0);
    }
    verificaInvarianti(w.dir());
}

TEST_F(DatiDiQv, AFileHeldByAnotherProgramIsNamedInTheMessage)
{
    arriva(u"LK1"_s, u"DBL"_s);
    download(w.ctx);
    {
        QSqlDatabase altro = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"altro-programma"_s);
        altro.setDatabaseName(databaseFile(w.dir(), u"Disponibilita.mdb"_s));
        ASSERT_TRUE(altro.open());
        QSqlQuery q(altro);
        ASSERT_TRUE(q.exec(u"BEGIN EXCLUSIVE"_s));
        rivedi(); // waits for the lock as long as the store waits for any, then gives up
        q.exec(u"ROLLBACK"_s);
        q.finish();
        altro.close();
    }
    QSqlDatabase::removeDatabase(u"altro-programma"_s);
    EXPECT_EQ(registrata(u"LK1"_s), 0);
    EXPECT_TRUE(
        mostrato(u"resta in attesa: "_s) &&
        mostrato(u"il file Disponibilita.mdb è bloccato da un altro programma o da un'altra postazione di QV"_s))
        << w.op.messageTexts().join(u'\n').toStdString();
    rivedi();
    EXPECT_GT(numero(u"LK1"_s), 0);
    verificaInvarianti(w.dir());
}

} // namespace
