// Random bookings of the kinds that hold rooms on their own (C, O, T and others), counted in one
// order and uncounted in another: the counters equal a recount from the room rows, and
// uncounting gives back every slot and clears the rack.

#include "Albergo.h"
#include "availability/CalcolaDisponibilita.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <QDate>
#include <algorithm>
#include <map>
#include <random>

using namespace Qt::StringLiterals;
using namespace AlbergoSupport;

namespace {

struct Prenotazione
{
    qint32 numero;
    QString tipo;
    QList<Stanza> stanze;
};

TEST(ConteggioCasuale, CountingAndUncountingInAnyOrderAgreesWithARecount)
{
    const unsigned seed = seedFrom("SB_COUNT_SEED");
    SCOPED_TRACE("SB_COUNT_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    auto caso = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };

    WorkDir w;
    Albergo h(w);
    const QHash<QString, int> quantita{{u"DBL"_s, 10}, {u"SGL"_s, 4}, {u"SUI"_s, 1}};
    const QHash<QString, QStringList> stanzeDi{
        {u"DBL"_s, {u"101"_s, u"102"_s, u"103"_s, u"104"_s}}, {u"SGL"_s, {u"201"_s, u"202"_s}}, {u"SUI"_s, {u"301"_s}}};
    const QStringList tipi{u"DBL"_s, u"SGL"_s, u"SUI"_s, u"WEBX"_s};
    const QStringList kinds{u"C"_s, u"O"_s, u"T"_s, u"Q"_s};
    const QDate inizio(2026, 11, 20);

    QList<Prenotazione> prenotazioni;
    for (qint32 n = 1; n <= 24; ++n) {
        Prenotazione p{n * 37, kinds.at(caso(0, 3)), {}};
        h.scheda(p.numero, p.tipo, u"OSPITE %1"_s.arg(n));
        for (int r = caso(1, 3); r > 0; --r) {
            Stanza s;
            s.tipoCamera = tipi.at(caso(0, 9) == 0 ? 3 : caso(0, 2));
            const QStringList stanze = stanzeDi.value(s.tipoCamera, {u"999"_s});
            s.numeroCamera = caso(0, 9) == 0 ? QString() : stanze.at(caso(0, int(stanze.size()) - 1));
            const QDate arrivo = inizio.addDays(caso(0, 80));
            s.arrivo = TextDate::toYmd(arrivo);
            s.partenza = TextDate::toYmd(arrivo.addDays(caso(0, 40)));
            s.tipoPrenotazione = p.tipo;
            s.quantita = caso(1, 2);
            s.persone = caso(0, 9) == 0 ? 0 : caso(1, 3);
            h.camera(p.numero, s);
            p.stanze.append(s);
        }
        prenotazioni.append(p);
    }

    // The recount: per month row and day, rooms taken, confirmed and optioned; per rack slot, who.
    std::map<std::pair<QString, int>, std::array<int, 3>> attesi;
    std::map<std::pair<QString, int>, QList<qint32>> occupanti;
    for (const Prenotazione& p : prenotazioni)
        for (const Stanza& s : p.stanze) {
            if (s.persone <= 0)
                continue;
            for (QDate d = TextDate::fromYmd(s.arrivo); d < TextDate::fromYmd(s.partenza); d = d.addDays(1)) {
                const QString mese = d.toString(u"yyyyMM"_s);
                // A kind outside the rack's table (Q here) never writes the rack.
                if (!s.numeroCamera.isEmpty() && p.tipo != u"Q")
                    occupanti[{mese + s.numeroCamera, d.day()}].append(p.numero);
                if (!quantita.contains(s.tipoCamera))
                    continue;
                auto& c = attesi[{mese + s.tipoCamera, d.day()}];
                c[0] += s.quantita;
                c[1] += p.tipo == u"C" ? s.quantita : 0;
                c[2] += p.tipo == u"O" ? s.quantita : 0;
            }
        }

    CalcolaDisponibilita calcolo(w.ctx);
    std::shuffle(prenotazioni.begin(), prenotazioni.end(), random);
    for (const Prenotazione& p : prenotazioni)
        ASSERT_TRUE(calcolo.esegui(u"P"_s, p.numero, 1));

    const auto contatori = h.contatori();
    QSet<QString> mesiAttesi;
    for (const auto& [chiave, c] : attesi)
        mesiAttesi.insert(chiave.first);
    EXPECT_EQ(QSet<QString>(contatori.keyBegin(), contatori.keyEnd()), mesiAttesi);
    for (auto it = contatori.cbegin(); it != contatori.cend(); ++it) {
        const int totale = quantita.value(it.key().mid(6));
        for (int d = 1; d <= 31; ++d) {
            const auto c = attesi.count({it.key(), d}) ? attesi.at({it.key(), d}) : std::array<int, 3>{};
            auto letto = [&](const QString& campo) {
                return DaySlots::slot(it.value().value(campo).toString(), d, 5);
            };
            ASSERT_EQ(letto(u"Libere"_s), DaySlots::counter(totale - c[0])) << it.key().toStdString() << " day " << d;
            ASSERT_EQ(letto(u"Confermate"_s), DaySlots::counter(c[1])) << it.key().toStdString() << " day " << d;
            ASSERT_EQ(letto(u"Opzionate"_s), DaySlots::counter(c[2])) << it.key().toStdString() << " day " << d;
        }
    }
    auto rack = h.rack();
    for (const auto& [chiave, chi] : occupanti) {
        const QString codice = DaySlots::slot(rack.value(chiave.first).value(u"Codice"_s).toString(), chiave.second, 5);
        const QString uso = DaySlots::slot(rack.value(chiave.first).value(u"Uso"_s).toString(), chiave.second, 1);
        // Where two bookings share a night of a room, the one counted last holds the slot.
        ASSERT_TRUE(std::any_of(chi.cbegin(), chi.cend(),
                                [&](qint32 n) { return codice == QString::number(n).leftJustified(5, u' '); }))
            << chiave.first.toStdString() << " day " << chiave.second;
        ASSERT_NE(uso, u" "_s);
    }

    std::shuffle(prenotazioni.begin(), prenotazioni.end(), random);
    for (const Prenotazione& p : prenotazioni)
        ASSERT_TRUE(calcolo.esegui(u"P"_s, p.numero, 0));
    for (auto it = contatori.cbegin(); it != contatori.cend(); ++it) {
        const QVariantMap riga = h.contatori().value(it.key());
        EXPECT_EQ(riga.value(u"Libere"_s).toString(),
                  DaySlots::repeated(DaySlots::counter(quantita.value(it.key().mid(6)))));
        EXPECT_EQ(riga.value(u"Confermate"_s).toString(), DaySlots::repeated(DaySlots::counter(0)));
        EXPECT_EQ(riga.value(u"Opzionate"_s).toString(), DaySlots::repeated(DaySlots::counter(0)));
    }
    rack = h.rack();
    for (const auto& [chiave, chi] : occupanti) {
        const QVariantMap riga = rack.value(chiave.first);
        ASSERT_EQ(DaySlots::slot(riga.value(u"Uso"_s).toString(), chiave.second, 1), u" "_s);
        ASSERT_EQ(DaySlots::slot(riga.value(u"Codice"_s).toString(), chiave.second, 5), u"00000"_s);
        ASSERT_EQ(DaySlots::slot(riga.value(u"Cliente"_s).toString(), chiave.second, 3), u"   "_s);
    }
    EXPECT_TRUE(w.op.messages.isEmpty());
}

} // namespace
