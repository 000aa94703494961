#pragma once

// Other workstations: this test program started again as a child process that runs one job in the
// same working directory, and what every state of the booking files must satisfy.

#include "HotelFixture.h"

#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>

#include <memory>

namespace HotelSupport {

// Starts this program running only the child test `filter` in dir.
inline std::unique_ptr<QProcess> avviaPostazione(const QString& filter, const QString& dir, const SimServer& sim,
                                                 const QString& extra = {})
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"SB_BOOKING_CHILD_DIR"_s, dir);
    env.insert(u"SB_BOOKING_BASE_URL"_s, sim.baseUrl());
    env.insert(u"SB_BOOKING_HOST_URL"_s, sim.reservationsUrl());
    env.insert(u"SB_BOOKING_EXTRA"_s, extra);
    child->setProcessEnvironment(env);
    child->start(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath(), {u"--gtest_filter="_s + filter});
    return child;
}

// Reservation i of a steady stream: a double and a single room for two to four nights, perSettimana
// arrivals a week from January 2027, so that the rooms of levels 1 and 2 suffice. Returns the nights.
inline int coppiaDiCamere(SimServer& sim, const QString& id, int i, int perSettimana, const QString& trattamento)
{
    const int n = 2 + i % 3;
    sim.addReservation(
        fragment(prenotazione(id, {{u"DBL"_s, u"BB"_s, {2}, u"90.00"_s}, {u"SGL"_s, trattamento, {1}, u"50.00"_s}},
                              QDate(2027, 1, 4).addDays(7 * (i / perSettimana)), n)));
    return n;
}

// The child's side: a context on the parent's directory, unattended mode, every question answered yes.
struct Postazione
{
    Postazione() : ctx(qEnvironmentVariable("SB_BOOKING_CHILD_DIR"), clock, op)
    {
        useSimulator(ctx, qEnvironmentVariable("SB_BOOKING_BASE_URL"), qEnvironmentVariable("SB_BOOKING_HOST_URL"));
        ctx.settings.AssegnazioneAutomatica = u"1"_s;
        ctx.settings.Modalita = u"2"_s;
        ctx.settings.CancellazioneDefinitiva = u"0"_s;
        ctx.settings.CodArr = u"PN"_s;
        ctx.settings.CodAdd = 10;
        for (int i = 0; i < 1000; ++i)
            op.answer(OperatorPort::Answer::Yes);
    }
    static bool attiva() { return qEnvironmentVariableIsSet("SB_BOOKING_CHILD_DIR"); }

    SystemClock clock;
    FakeOperatorPort op;
    AppContext ctx;
};

// What must hold whatever moment a workstation stopped at: each reservation is registered whole or
// still waiting, a cancellation is applied whole or still waiting, no booking number and no room
// night is given twice, and the per-type counters equal a recount from the room rows.
inline void verificaArchivio(const QDir& dir, const QHash<QString, int>& notti, qint32 primoNumero)
{
    QHash<QString, QVariantMap> prenotazioni;
    for (const QVariantMap& r : righe(dir, u"SimpleBooking.mdb"_s, u"Reservations"_s))
        prenotazioni.insert(r.value(u"NPren"_s).toString(), r);

    QHash<QString, QVariantMap> perVoucher;
    QSet<qint32> numeri;
    qint32 massimo = primoNumero - 1;
    for (const QVariantMap& s : righe(dir, u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s,
                                      u"NumeroPrenotazione >= ?"_s, {primoNumero})) {
        const qint32 n = s.value(u"NumeroPrenotazione"_s).toInt();
        EXPECT_FALSE(numeri.contains(n)) << "booking number " << n << " used twice";
        numeri.insert(n);
        massimo = std::max(massimo, n);
        const QString v = s.value(u"NVoucher"_s).toString();
        EXPECT_FALSE(perVoucher.contains(v)) << v.toStdString() << " registered twice";
        perVoucher.insert(v, s);
    }
    EXPECT_EQ(righe(dir, u"Contatori.mdb"_s, u"Contatori"_s).value(0).value(u"PrenotazioniHotel"_s).toInt(), massimo)
        << "a number drawn but not used, or used but not drawn";

    for (auto it = prenotazioni.cbegin(); it != prenotazioni.cend(); ++it) {
        const QString id = it.key();
        const bool gestita = it->value(u"Registrata"_s).toInt() == 1;
        const bool cancellata = it->value(u"Status"_s).toString() == u"Cancelled";
        const auto s = perVoucher.constFind(id);
        if (!cancellata) {
            EXPECT_EQ(gestita, s != perVoucher.cend()) << id.toStdString() << " half registered";
        } else {
            ASSERT_NE(s, perVoucher.cend()) << id.toStdString();
            EXPECT_EQ(gestita, s->value(u"TipoPrenotazione"_s).toString() == u"A")
                << id.toStdString() << " half cancelled";
        }
        if (s == perVoucher.cend())
            continue;
        const qint32 n = s->value(u"NumeroPrenotazione"_s).toInt();
        const auto rooms =
            righe(dir, u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s, u"NumeroPrenotazione = ?"_s, {n});
        EXPECT_EQ(rooms.size(), 2) << id.toStdString();
        const auto nights = righe(dir, u"Arrangiamento.mdb"_s, u"Arrangiamento"_s, u"CodiceCliente = ?"_s, {n});
        EXPECT_EQ(nights.size(), 2 * notti.value(id)) << id.toStdString();
    }

    // Recount: every room night of a bridge booking not cancelled, by type and day; no room twice a night.
    QHash<QString, int> occupate; // type|yyyymmdd
    QSet<QString> stanze;         // room|yyyymmdd
    for (const QVariantMap& c :
         righe(dir, u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
               u"NumeroPrenotazione >= ? and TipoPrenotazione <> 'A' and NumeroPersone > 0"_s, {primoNumero})) {
        for (QDate d = TextDate::fromYmd(c.value(u"DataArrivo"_s).toString());
             d < TextDate::fromYmd(c.value(u"DataPartenza"_s).toString()); d = d.addDays(1)) {
            const QString giorno = d.toString(u"yyyyMMdd"_s);
            occupate[c.value(u"TipoCamera"_s).toString() + u'|' + giorno] += 1;
            const QString stanza = c.value(u"NumeroCamera"_s).toString() + u'|' + giorno;
            EXPECT_FALSE(stanze.contains(stanza)) << stanza.toStdString() << " booked twice";
            stanze.insert(stanza);
        }
    }
    const QHash<QString, int> quantita{{u"SIN"_s, 3}, {u"DOP"_s, 5}, {u"TRI"_s, 2}};
    for (const QVariantMap& t : righe(dir, u"Disponibilita.mdb"_s, u"DisponibilitàTipi"_s)) {
        const QString amt = t.value(u"AMT"_s).toString();
        const QString tipo = amt.mid(6);
        for (int day = 1; day <= QDate(amt.left(4).toInt(), amt.mid(4, 2).toInt(), 1).daysInMonth(); ++day) {
            const int n = occupate.take(tipo + u'|' + amt.left(6) + u"%1"_s.arg(day, 2, 10, QChar(u'0')));
            EXPECT_EQ(DaySlots::leadingNumber(DaySlots::slot(t.value(u"Libere"_s).toString(), day, 5)),
                      quantita.value(tipo) - n)
                << amt.toStdString() << " day " << day;
            EXPECT_EQ(DaySlots::leadingNumber(DaySlots::slot(t.value(u"Confermate"_s).toString(), day, 5)), n)
                << amt.toStdString() << " day " << day;
        }
    }
    for (auto it = occupate.cbegin(); it != occupate.cend(); ++it)
        EXPECT_EQ(it.value(), 0) << it.key().toStdString() << " booked but never counted";
}

} // namespace HotelSupport
