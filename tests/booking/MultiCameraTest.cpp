// Reservations of several rooms booked as sold: random stays of one to three rooms, of one type or
// several, priced per room or for all their rooms, some of a type mapped only after the download.
// Every stay gets its rooms, its guests and each night's own price; nothing is booked twice.

#include "Invarianti.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <random>

using namespace HotelSupport;

namespace {

struct Soggiorno
{
    QString tipo;
    int camere;
    int ospiti;
    QList<double> notti; // the price of each night
    int modo;            // 0: prices per room, 1: for all the rooms, 2: a total that says neither
};

class MultiCamera : public Hotel
{
protected:
    void SetUp() override
    {
        Hotel::SetUp();
        // Enough rooms of every type for the week of each reservation.
        for (int i = 0; i < 12; ++i)
            for (const auto& [prefisso, tipo] : {std::pair{u"1"_s, u"SIN"_s}, {u"2"_s, u"DOP"_s}, {u"3"_s, u"TRI"_s}})
                camera(prefisso + QString::number(50 + i), tipo);
        esegui(w.dir(), u"TipiCamere.mdb"_s, u"UPDATE TipiCamere SET Quantita = Quantita + 12"_s);
    }
    QString invia(const QString& id, const QList<Soggiorno>& soggiorni, const QDate& arrivo)
    {
        Reservation r = prenotazione(id, {}, arrivo);
        for (const Soggiorno& s : soggiorni) {
            RoomStay rs = stay(s.tipo, arrivo, int(s.notti.size()));
            double somma = 0;
            for (qsizetype d = 0; d < s.notti.size(); ++d) {
                rs.rates[d].amount = QString::number(s.notti[d], 'f', 2);
                somma += s.notti[d];
            }
            rs.units = QString::number(s.camere);
            rs.guestCounts = {s.ospiti};
            rs.total = QString::number(s.modo == 1 ? somma : somma * s.camere + (s.modo == 2 ? 1 : 0), 'f', 2);
            r.stays.append(rs);
        }
        sim.addReservation(fragment(r));
        return id;
    }
};

TEST_F(MultiCamera, EveryStayGetsItsRoomsGuestsAndNightlyPrices)
{
    const unsigned seed = seedFrom("SB_MULTI_SEED");
    SCOPED_TRACE("SB_MULTI_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const auto tra = [&](int a, int b) {
        return std::uniform_int_distribution<int>(a, b)(random);
    };
    const QStringList tipi{u"SGL"_s, u"DBL"_s, u"TRP"_s, u"FAM"_s}; // FAM is mapped only after the download
    QHash<QString, QList<Soggiorno>> inviate;
    for (int i = 0; i < 12; ++i) {
        QList<Soggiorno> soggiorni;
        for (int camere = tra(1, 10), stanze = 0; stanze < camere;) {
            Soggiorno s{tipi[tra(0, 3)], std::min(tra(1, 3), camere - stanze), 0, {}, tra(0, 2)};
            s.ospiti = s.camere + tra(0, 4);
            for (int d = 0; d < 3; ++d)
                s.notti << 40 + 10 * soggiorni.size() + d + tra(0, 99) / 100.0;
            stanze += s.camere;
            soggiorni << s;
        }
        inviate.insert(invia(u"MC%1"_s.arg(i), soggiorni, QDate(2027, 3, 1).addDays(7 * i)), soggiorni);
    }
    download(w.ctx);
    esegui(
        w.dir(), u"SimpleBooking.mdb"_s,
        u"INSERT INTO Rooms (NumeroHotel, HotelId, RoomsId, RoomsLevel, DesRooms, QVRooms) VALUES (1, '1234', 'FAM', "
        u"1, 'Camera famiglia', 'TRI'), (1, '1234', 'FAM', 2, 'Camera famiglia', 'DOP')"_s);
    rivedi();

    for (auto it = inviate.cbegin(); it != inviate.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const qint32 n = numero(it.key());
        ASSERT_GT(n, 0);
        // The rooms are written stay after stay, each room with its nights.
        const QStringList righe = camere(n, u"NumeroCamera, NumeroPersone, Prezzo"_s);
        qsizetype riga = 0;
        for (const Soggiorno& s : it.value()) {
            int persone = 0;
            for (int parte = 0; parte < s.camere; ++parte, ++riga) {
                ASSERT_LT(riga, righe.size());
                const QStringList v = righe[riga].split(u'|');
                persone += v[1].toInt();
                const int parti = s.modo == 1 ? s.camere : 1;
                EXPECT_DOUBLE_EQ(v[2].toDouble(), quota(s.notti[0], parte, parti));
                QStringList attesi, scritti;
                for (int d = 0; d < 3; ++d)
                    attesi << QString::number(quota(s.notti[d], parte, parti), 'f', 2);
                for (const QString& p : leggi(u"SELECT ImportoUnitario FROM Arrangiamento WHERE CodiceCliente = ? AND "
                                              u"NumeroCamera = ? ORDER BY DataInizio"_s,
                                              {n, u"*"_s + v[0]}))
                    scritti << QString::number(p.toDouble(), 'f', 2);
                EXPECT_EQ(scritti, attesi) << "room " << v[0].toStdString();
            }
            EXPECT_EQ(persone, s.ospiti) << s.tipo.toStdString();
        }
        EXPECT_EQ(riga, righe.size());
        bool ambiguo = false;
        for (const Soggiorno& s : it.value())
            ambiguo = ambiguo || (s.camere > 1 && s.modo == 2);
        EXPECT_EQ(w.op.messageTexts().filter(u"web "_s + it.key() + u" ("_s).filter(u"preso per ogni camera"_s).size(),
                  ambiguo ? 1 : 0);
    }
    verificaInvarianti(w.dir());

    // Cancelled, every room of every stay is given back.
    esegui(w.dir(), u"SimpleBooking.mdb"_s, u"UPDATE Reservations SET Status = 'Cancelled', Registrata = 0"_s);
    for (int i = 0; i < inviate.size(); ++i)
        w.op.answer(OperatorPort::Answer::Yes);
    rivedi();
    verificaInvarianti(w.dir());
    EXPECT_EQ(leggi(u"SELECT count(*) FROM \"DisponibilitàTipi\" WHERE Confermate <> ?"_s,
                    {DaySlots::repeated(DaySlots::counter(0))}),
              QStringList{u"0"_s});
}

TEST_F(MultiCamera, WhatCannotBeBookedAsSoldWaits)
{
    const QList<double> notti{50, 50, 50};
    invia(u"XL1"_s,
          {{u"DBL"_s, 3, 6, notti, 0},
           {u"SGL"_s, 3, 3, notti, 0},
           {u"TRP"_s, 3, 9, notti, 0}, // 11 rooms
           {u"DBL"_s, 2, 4, notti, 0}},
          kArrivo);
    invia(u"XL2"_s, {{u"TRP"_s, 3, 2, notti, 0}}, kArrivo.addDays(21)); // two guests for three rooms
    invia(u"XL3"_s, {{u"TRP"_s, 30, 60, notti, 0}}, kArrivo.addDays(28));
    automatica(false);
    w.op.answer(OperatorPort::Answer::No); // XL1 has not been entered by hand yet
    for (const char* camera : {"301", "302", "350"})
        w.op.type(QString::fromLatin1(camera));
    scarica();
    EXPECT_EQ(numero(u"XL1"_s) + registrata(u"XL1"_s), 0);
    EXPECT_TRUE(
        mostrato(u"XL1 (Rossi Mario, dal 10/08/2026 al 13/08/2026) chiede 11 camere (3 DBL, 3 SGL, 3 TRP, 2 DBL)"_s));
    EXPECT_EQ(camere(numero(u"XL2"_s), u"NumeroCamera, NumeroPersone, Prezzo"_s),
              (QStringList{u"301|1|50"_s, u"302|1|50"_s, u"350|1|50"_s}));
    EXPECT_EQ(numero(u"XL3"_s), 0);
    EXPECT_TRUE(w.op.inputPrompts.value(0).contains(u"n. 3 Camera tripla"_s));
    verificaInvarianti(w.dir());
}

TEST_F(MultiCamera, AReservationStoredByAnOlderVersionRegistersAsItWasStored)
{
    // As older versions stored them: price rows without their stay, no stay totals, and slots only for
    // the types Rooms knew, in their order (ZZZ took none).
    const QList<Soggiorno> primo{{u"SGL"_s, 1, 1, {50, 51, 52}, 0}, {u"DBL"_s, 1, 2, {90, 91, 92}, 0}};
    invia(u"OLD1"_s, primo, kArrivo);
    invia(u"OLD2"_s, {{u"ZZZ"_s, 1, 2, {70, 70, 70}, 0}, {u"SGL"_s, 1, 1, {50, 50, 50}, 0}}, kArrivo.addDays(7));
    download(w.ctx);
    esegui(w.dir(), u"SimpleBooking.mdb"_s, u"UPDATE ReservationsPrice SET RoomStay = NULL"_s);
    esegui(
        w.dir(), u"SimpleBooking.mdb"_s,
        u"UPDATE Reservations SET Room1_T = NULL, Room2_T = NULL, Room1_S = Room2_S, Room1_QP = Room2_QP, Room1_P "
        u"= Room2_P, Room1_A = Room2_A, Room2_Q = 0, Room2_S = ' ', Room2_QP = 0, Room2_P = 0 WHERE NPren = 'OLD2'"_s);
    rivedi();
    const qint32 n = numero(u"OLD1"_s);
    EXPECT_EQ(camere(n, u"NumeroCamera, NumeroPersone, Prezzo"_s), (QStringList{u"101|1|50"_s, u"204|2|90"_s}));
    EXPECT_EQ(leggi(u"SELECT ImportoUnitario FROM Arrangiamento WHERE CodiceCliente = ? ORDER BY NumeroCamera, "
                    u"DataInizio"_s,
                    {n}),
              (QStringList{u"50"_s, u"51"_s, u"52"_s, u"90"_s, u"91"_s, u"92"_s}));
    EXPECT_EQ(numero(u"OLD2"_s), 0);
    EXPECT_TRUE(mostrato(u"OLD2 (Rossi Mario, dal 17/08/2026 al 20/08/2026): per la camera 1 (tipo ZZZ) non sono "_s
                         u"stati memorizzati ospiti, prezzo e trattamento"_s));
    verificaInvarianti(w.dir());

    const QStringList prezzi = leggi(u"SELECT count(*) FROM ReservationsPrice"_s);
    invia(u"OLD1"_s, primo, kArrivo); // delivered again
    download(w.ctx);
    EXPECT_EQ(leggi(u"SELECT count(*) FROM ReservationsPrice"_s), prezzi);
}

} // namespace
