// The tick's comparison on random hotels: what it sends, applied to what the service was told,
// gives exactly what the service should offer; the days at risk go first; every notification
// stays within one period.

#include "sync/Deriva.h"
#include "support/Seed.h"

#include <gtest/gtest.h>
#include <random>

namespace {

TEST(Deriva, TheDifferencesBringTheServiceExactlyToTheRoomsToOfferRiskFirst)
{
    const unsigned seed = seedFrom("SB_SEED");
    SCOPED_TRACE("SB_SEED=" + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto caso = [&](int n) {
        return int(rng() % unsigned(n));
    };
    for (int prova = 0; prova < 200; ++prova) {
        const int tipi = caso(6);
        const int giorni = 1 + caso(120);
        Deriva::Valori camere{size_t(tipi), std::vector<qint64>(size_t(giorni))};
        Deriva::Detti limiti{size_t(tipi), std::vector<std::optional<qint64>>(size_t(giorni))};
        Deriva::Detti detto = limiti;
        for (int t = 0; t < tipi; ++t)
            for (int g = 0; g < giorni; ++g) {
                camere[size_t(t)][size_t(g)] = caso(5);
                if (caso(4) == 0)
                    limiti[size_t(t)][size_t(g)] = caso(5);
                if (caso(5) != 0)
                    detto[size_t(t)][size_t(g)] = caso(5);
            }
        const Deriva::Valori obiettivo = Deriva::obiettivo(camere, limiti);
        const QList<Deriva::Differenza> diff = Deriva::confronta(obiettivo, detto);

        Deriva::Detti servizio = detto;
        bool rischiFiniti = false;
        for (const Deriva::Differenza& d : diff) {
            EXPECT_NE(d.detto, obiettivo[size_t(d.tipo)][size_t(d.giorno)]);
            EXPECT_EQ(d.detto, detto[size_t(d.tipo)][size_t(d.giorno)]);
            EXPECT_FALSE(rischiFiniti && d.rischio());
            rischiFiniti = !d.rischio();
            servizio[size_t(d.tipo)][size_t(d.giorno)] = d.valore;
        }
        for (int t = 0; t < tipi; ++t)
            for (int g = 0; g < giorni; ++g) {
                const qint64 atteso = limiti[size_t(t)][size_t(g)]
                                          ? std::min(camere[size_t(t)][size_t(g)], *limiti[size_t(t)][size_t(g)])
                                          : camere[size_t(t)][size_t(g)];
                EXPECT_EQ(servizio[size_t(t)][size_t(g)], atteso);
            }

        const int periodo = 1 + caso(40);
        qsizetype inviate = 0;
        bool senzaRischi = false;
        for (const QList<Deriva::Differenza>& n : Deriva::notifiche(diff, periodo)) {
            ASSERT_FALSE(n.isEmpty());
            inviate += n.size();
            const bool rischio = n.first().rischio();
            EXPECT_FALSE(senzaRischi && rischio);
            senzaRischi = !rischio;
            for (const Deriva::Differenza& d : n)
                EXPECT_EQ(d.giorno / periodo, n.first().giorno / periodo);
        }
        EXPECT_EQ(inviate, diff.size());
    }
}

} // namespace
