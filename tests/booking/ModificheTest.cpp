// Guests change their stays online: random reservations and random changes (dates moved, nights
// added or taken, a room type changed, rooms added or removed, guests, prices and names changed, some
// with no room left, some cancelled afterwards), each delivered through the real download and
// reviewed unattended. After every download QV holds either the last version or, while a change
// waits, the one before it, and the service is never offered a room the hotel no longer has.

#include "Invarianti.h"
#include "support/Seed.h"
#include "sync/CamereDaOffrire.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using namespace HotelSupport;
using ::testing::HasSubstr;

namespace {

const QDate kInizio{2027, 1, 10}; // clear of the fixture's booked and closed rooms
constexpr int kGiorni = 16;

struct Soggiorno
{
    QString tipo;
    int camere = 1;
    int ospiti = 2;
    QString prezzo;
};

struct Versione
{
    QDate dal;
    int notti = 2;
    QList<Soggiorno> soggiorni;
    QString cognome = u"Rossi"_s;
    int camere() const
    {
        int n = 0;
        for (const Soggiorno& s : soggiorni)
            n += s.camere;
        return n;
    }
};

struct Modello
{
    Versione ultima;
    std::optional<Versione> applicata; // what QV's booking holds
    bool cancellata = false;
};

// The QV type each web type is booked into first.
QString livelloUno(const QString& web)
{
    return web == u"SGL" ? u"SIN"_s : web == u"DBL" ? u"DOP"_s : u"TRI"_s;
}

class Modifiche : public Hotel
{
protected:
    void invia(const QString& id, const Versione& v, const QString& status = u"Reserved"_s)
    {
        Reservation r = prenotazione(id, {}, v.dal, v.notti);
        for (const Soggiorno& s : v.soggiorni) {
            RoomStay rs = stay(s.tipo, v.dal, v.notti, s.prezzo);
            rs.units = QString::number(s.camere);
            rs.guestCounts = {s.ospiti};
            r.stays.append(rs);
        }
        r.surname = v.cognome;
        r.status = status;
        sim.addReservation(fragment(r));
    }
    // Downloads and reviews until the service has nothing left to send.
    void scaricaTutto()
    {
        for (int i = 0; i < 4 && (i == 0 || !sim.pendingNew().isEmpty() || !sim.pendingCanc().isEmpty()); ++i)
            scarica();
    }
    // The booking's room rows hold version v: its rooms and its stay.
    void contiene(qint32 n, const Versione& v, const char* cosa) const
    {
        const QStringList righe = camere(n, u"DataArrivo, DataPartenza"_s);
        EXPECT_EQ(righe.size(), v.camere()) << cosa;
        const QString stay = TextDate::toYmd(v.dal) + u'|' + TextDate::toYmd(v.dal.addDays(v.notti));
        for (const QString& r : righe)
            EXPECT_EQ(r, stay) << cosa;
        EXPECT_EQ(leggi(u"SELECT NomeCliente FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s, {n})
                      .value(0)
                      .section(u' ', 0, 0),
                  v.cognome)
            << cosa;
    }
    void verifica(QHash<QString, Modello>& modelli)
    {
        verificaInvarianti(w.dir());
        QHash<QString, int> chieste; // type + day: rooms of the reservations waiting for QV
        for (auto it = modelli.begin(); it != modelli.end(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            Modello& m = it.value();
            const qint32 n = numero(it.key());
            if (m.cancellata) {
                EXPECT_THAT(
                    leggi(u"SELECT TipoPrenotazione FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s, {n}),
                    ::testing::AnyOf(QStringList(), QStringList{u"A"_s}));
                continue;
            }
            if (registrata(it.key()) == 1) {
                ASSERT_GT(n, 0);
                contiene(n, m.ultima, "the applied version is the last one");
                m.applicata = m.ultima;
                continue;
            }
            if (m.applicata)
                contiene(n, *m.applicata, "a waiting change leaves the version before it in QV");
            else
                EXPECT_EQ(n, 0);
            for (const Soggiorno& s : m.ultima.soggiorni)
                for (int d = 0; d < m.ultima.notti; ++d)
                    chieste[livelloUno(s.tipo) + TextDate::toYmd(m.ultima.dal.addDays(d))] += s.camere;
        }
        // What the service may sell: never more than the rooms QV has free less those already sold.
        const CamereDaOffrire offerta = CamereDaOffrire::leggi(w.dir(), kInizio, kGiorni);
        for (const auto& [tipo, quante] : {std::pair{u"SIN"_s, 3}, {u"DOP"_s, 5}, {u"TRI"_s, 2}})
            for (int g = 0; g < kGiorni; ++g) {
                const QString giorno = TextDate::toYmd(kInizio.addDays(g));
                const int prese =
                    leggi(u"SELECT count(*) FROM Camere_Prenotazione WHERE TipoCamera = ? AND NumeroPersone > 0 AND "
                          u"TipoPrenotazione IN ('C','D','O','R','T') AND DataArrivo <= ? AND DataPartenza > ?"_s,
                          {tipo, giorno, giorno})
                        .value(0)
                        .toInt();
                EXPECT_LE(offerta.camere(tipo, kInizio.addDays(g)).value_or(0),
                          std::max(0, quante - prese - chieste.value(tipo + giorno)))
                    << tipo.toStdString() << ' ' << giorno.toStdString();
            }
    }
};

TEST_F(Modifiche, QvHoldsTheLastVersionOrTheOneBeforeAndNothingIsOversold)
{
    const unsigned seed = seedFrom("SB_MODIFICHE_SEED");
    SCOPED_TRACE("SB_MODIFICHE_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const auto tra = [&](int a, int b) {
        return std::uniform_int_distribution<int>(a, b)(random);
    };
    const QStringList tipi{u"SGL"_s, u"DBL"_s, u"TRP"_s};
    const auto soggiorno = [&] {
        return Soggiorno{tipi[tra(0, 2)], tra(1, 2), tra(1, 3), QString::number(tra(60, 140)) + u".00"_s};
    };
    QHash<QString, Modello> modelli;
    int nuove = 0;
    for (int giro = 0; giro < 10; ++giro) {
        for (int azioni = tra(1, 3); azioni > 0; --azioni) {
            QStringList vive;
            for (auto it = modelli.cbegin(); it != modelli.cend(); ++it)
                if (!it->cancellata)
                    vive << it.key();
            std::sort(vive.begin(), vive.end());
            const int scelta = vive.isEmpty() ? 0 : tra(0, 9);
            if (scelta < 4) {
                Versione v{kInizio.addDays(tra(0, 4)), tra(1, 4), {soggiorno()}};
                if (tra(0, 2) == 0)
                    v.soggiorni << soggiorno();
                const QString id = u"MOD%1"_s.arg(nuove++);
                modelli.insert(id, {v, std::nullopt, false});
                invia(id, v);
            } else if (scelta < 9) {
                const QString id = vive[tra(0, int(vive.size()) - 1)];
                Versione v = modelli[id].ultima;
                switch (tra(0, 6)) {
                case 0:
                    v.dal = v.dal.addDays(tra(-2, 3));
                    break;
                case 1:
                    v.notti = tra(1, 5);
                    break;
                case 2:
                    v.soggiorni[0].tipo = tipi[tra(0, 2)];
                    break;
                case 3:
                    v.soggiorni.size() > 1 ? v.soggiorni.removeLast() : v.soggiorni.append(soggiorno());
                    break;
                case 4:
                    v.soggiorni[0].camere = 3 - v.soggiorni[0].camere;
                    break;
                case 5:
                    v.soggiorni[0].ospiti += 1;
                    v.soggiorni[0].prezzo = u"155.00"_s;
                    break;
                default:
                    v.cognome = u"Bruni"_s;
                    break;
                }
                v.dal = std::clamp(v.dal, kInizio, kInizio.addDays(6));
                modelli[id].ultima = v;
                invia(id, v, tra(0, 1) ? u"Modify"_s : u"Reserved"_s);
            } else {
                const QString id = vive[tra(0, int(vive.size()) - 1)];
                modelli[id].cancellata = true;
                sim.addCancellation(cancellation(id));
                w.op.answer(OperatorPort::Answer::Yes);
            }
        }
        SCOPED_TRACE("round " + std::to_string(giro));
        scaricaTutto();
        verifica(modelli);
    }
    if (qEnvironmentVariableIsSet("SB_MODIFICHE_STATS"))
        qInfo() << w.op.messageTexts().filter(u"Modificata prenotazione n."_s).size() << "applied,"
                << leggi(u"SELECT count(*) FROM Reservations WHERE Registrata = 0"_s) << "waiting";
}

// Semi automatica: the operator sees what changed and keeps the guest's room when it is free; a change
// already made by hand is only marked.
TEST_F(Modifiche, TheOperatorSeesOldAndNewAndTheBookingKeepsItsNumberAndRoom)
{
    invia(u"R500"_s, {QDate(2027, 1, 15), 2, {{u"DBL"_s, 1, 2, u"100.00"_s}}, u"Bruni"_s});
    invia(u"R501"_s, {QDate(2027, 1, 15), 2, {{u"SGL"_s, 1, 1, u"60.00"_s}}});
    scarica();
    const qint32 n = numero(u"R500"_s);
    const QStringList stanza = camere(n);
    ASSERT_EQ(stanza.size(), 1);

    automatica(false);
    invia(u"R500"_s, {QDate(2027, 1, 16), 3, {{u"DBL"_s, 1, 3, u"110.00"_s}}, u"Bruni"_s}, u"Modify"_s);
    invia(u"R501"_s, {QDate(2027, 1, 20), 2, {{u"SGL"_s, 1, 1, u"60.00"_s}}}, u"Modify"_s);
    w.op.answer(OperatorPort::Answer::No);  // R500: not made by hand
    w.op.type(stanza[0]);                   // its own room, free on the new nights
    w.op.answer(OperatorPort::Answer::No);  // no print
    w.op.answer(OperatorPort::Answer::Yes); // R501: made by hand already
    scarica();

    const QString domanda = w.op.messages.first().message.text;
    EXPECT_THAT(domanda.toStdString(), HasSubstr("Modificata prenotazione a nome Bruni Mario dal 15/01/2027 al "
                                                 "17/01/2027\r\nNr.Pren. R500, prenotazione QV n. " +
                                                 std::to_string(n)));
    EXPECT_THAT(domanda.toStdString(),
                HasSubstr("dal 15/01/2027 al 17/01/2027 -> dal 16/01/2027 al 19/01/2027, DBL 1 -> DBL 1, persone "
                          "2 -> 3, prezzo 100,00 -> 110,00"));
    EXPECT_THAT(domanda.toStdString(), HasSubstr("È già stata apportata in QV a mano?"));
    EXPECT_EQ(w.op.inputDefaults.value(0), stanza[0]); // the guest's room first
    EXPECT_EQ(numero(u"R500"_s), n);
    EXPECT_EQ(camere(n, u"NumeroCamera, DataArrivo, DataPartenza, NumeroPersone, Prezzo"_s),
              QStringList{stanza[0] + u"|20270116|20270119|3|110"_s});
    EXPECT_EQ(notti(n).size(), 3);
    EXPECT_TRUE(mostrato(u"Modificata prenotazione n. "_s + QString::number(n) + u" (Bruni Mario): dal 15/01/2027"_s));
    // Made by hand: handled, QV untouched, never offered again.
    EXPECT_EQ(registrata(u"R501"_s), 1);
    EXPECT_EQ(camere(numero(u"R501"_s), u"DataArrivo"_s), QStringList{u"20270115"_s});
}

// What the bridge must not rewrite waits, and says why: no room on the new nights, a booking changed
// at the desk, a guest already in, a booking cancelled in QV.
TEST_F(Modifiche, WhatCannotBeAppliedWaitsWithItsReasonAndQvKeepsTheOldStay)
{
    // W1 and W2 take both TRI rooms on 1-2 February; W3 has one from the 3rd.
    for (const char* id : {"W1", "W2"})
        invia(QString::fromLatin1(id), {QDate(2027, 2, 1), 2, {{u"TRP"_s, 1, 2, u"90.00"_s}}});
    invia(u"W3"_s, {QDate(2027, 2, 3), 2, {{u"TRP"_s, 1, 2, u"90.00"_s}}});
    invia(u"W4"_s, {QDate(2027, 2, 1), 2, {{u"DBL"_s, 1, 2, u"80.00"_s}}});
    invia(u"W5"_s, {QDate(2027, 2, 1), 2, {{u"SGL"_s, 1, 1, u"50.00"_s}}});
    scarica();
    const qint32 n2 = numero(u"W2"_s), n3 = numero(u"W3"_s), n4 = numero(u"W4"_s), n5 = numero(u"W5"_s);
    ASSERT_GT(n3 * n4 * n5, 0);
    // At the desk: W2 stays a night more, W4 is cancelled, W5's guest checks in.
    esegui(w.dir(), u"Camere_Prenotazione.mdb"_s,
           u"UPDATE Camere_Prenotazione SET DataPartenza = '20270204' WHERE NumeroPrenotazione = ?"_s, {n2});
    esegui(w.dir(), u"Scheda_Prenotazione.mdb"_s,
           u"UPDATE Scheda_Prenotazione SET TipoPrenotazione = 'A' WHERE NumeroPrenotazione = ?"_s, {n4});
    esegui(w.dir(), u"Scheda_Cliente.mdb"_s,
           u"INSERT INTO Scheda_Cliente VALUES (1, 88, ?, '999', '20270201', '20270203', 'N')"_s, {n5});
    invia(u"W2"_s, {QDate(2027, 2, 1), 1, {{u"TRP"_s, 1, 2, u"90.00"_s}}}, u"Modify"_s);
    invia(u"W3"_s, {QDate(2027, 2, 2), 3, {{u"TRP"_s, 1, 2, u"90.00"_s}}}, u"Modify"_s);
    invia(u"W4"_s, {QDate(2027, 2, 1), 3, {{u"DBL"_s, 1, 2, u"80.00"_s}}}, u"Modify"_s);
    invia(u"W5"_s, {QDate(2027, 2, 1), 3, {{u"SGL"_s, 1, 1, u"50.00"_s}}}, u"Modify"_s);
    scarica();

    for (const char* id : {"W2", "W3", "W4", "W5"})
        EXPECT_EQ(registrata(QString::fromLatin1(id)), 0) << id;
    EXPECT_TRUE(mostrato(u"la prenotazione n. "_s + QString::number(n2) +
                         u" di QV è stata cambiata in QV dopo che il collegamento l'aveva scritta"_s));
    EXPECT_TRUE(mostrato(u"non può essere applicata: nessuna camera TRI libera il 02/02/2027"_s));
    EXPECT_TRUE(mostrato(u"la prenotazione n. "_s + QString::number(n4) + u" di QV è stata annullata"_s));
    EXPECT_TRUE(mostrato(u"l'ospite della prenotazione n. "_s + QString::number(n5) + u" di QV è già arrivato"_s));
    EXPECT_EQ(camere(n3, u"DataArrivo, DataPartenza"_s), QStringList{u"20270203|20270205"_s});
    EXPECT_EQ(camere(n5, u"DataPartenza"_s), QStringList{u"20270203"_s});
    // Until it is applied, W5's new night is sold: one SIN room fewer on 3 February.
    EXPECT_EQ(CamereDaOffrire::leggi(w.dir(), QDate(2027, 2, 3), 1).camere(u"SIN"_s, QDate(2027, 2, 3)), 2);

    // A cancellation of a reservation whose change waits cancels the booking and drops the change.
    sim.addCancellation(cancellation(u"W3"_s));
    w.op.answer(OperatorPort::Answer::Yes);
    scarica();
    EXPECT_EQ(registrata(u"W3"_s), 1);
    EXPECT_EQ(leggi(u"SELECT TipoPrenotazione FROM Scheda_Prenotazione WHERE NumeroPrenotazione = ?"_s, {n3}),
              QStringList{u"A"_s});
}

// Another workstation stores a change while this one's operator picks the rooms: the booking is never
// written from the version read before it.
TEST_F(Modifiche, AChangeStoredDuringTheRoomPromptIsReviewedAgain)
{
    automatica(false);
    invia(u"RACE"_s, {QDate(2027, 1, 18), 2, {{u"SGL"_s, 1, 1, u"60.00"_s}}});
    bool cambiata = false;
    w.op.beforeInput = [&](const QString&) {
        if (std::exchange(cambiata, true))
            return;
        invia(u"RACE"_s, {QDate(2027, 1, 28), 3, {{u"DBL"_s, 1, 2, u"120.00"_s}}}, u"Modify"_s);
        download(w.ctx); // as the other workstation's download would
    };
    w.op.type(u"101"_s); // for the single it was
    w.op.type(u"204"_s); // for the double it is now
    w.op.answer(OperatorPort::Answer::No);
    scarica();

    const qint32 n = numero(u"RACE"_s);
    ASSERT_GT(n, 0);
    EXPECT_EQ(w.op.inputPrompts.size(), 2);
    EXPECT_EQ(camere(n, u"NumeroCamera, TipoCamera, DataArrivo, DataPartenza, NumeroPersone, Prezzo"_s),
              QStringList{u"204|DOP|20270128|20270131|2|120"_s});
    EXPECT_EQ(notti(n).size(), 3);
    verificaInvarianti(w.dir());
}

} // namespace
