// Several workstations at once: booking numbers drawn together stay distinct, and two reviews of the
// same download register each reservation once, never a room twice.

#include "Workstations.h"

#include "booking/AssegnazioneCamere.h"

#include <gtest/gtest.h>

using namespace HotelSupport;

namespace {

TEST_F(Hotel, FourWorkstationsDrawingNumbersAtOnceGetDistinctNumbers)
{
    constexpr int kPostazioni = 4;
    std::vector<std::unique_ptr<QProcess>> figli;
    for (int i = 0; i < kPostazioni; ++i)
        figli.push_back(avviaPostazione(u"BookingChild.Draw"_s, w.tmp.path(), sim));
    QSet<qint32> numeri;
    int totale = 0;
    for (auto& figlio : figli) {
        ASSERT_TRUE(figlio->waitForFinished(240000));
        QByteArray altro;
        for (const QByteArray& riga : figlio->readAllStandardOutput().split('\n')) {
            if (!riga.startsWith("N=")) {
                altro += riga + '\n';
                continue;
            }
            numeri.insert(riga.mid(2).toInt());
            ++totale;
        }
        ASSERT_EQ(figlio->exitCode(), 0) << altro.toStdString();
    }
    EXPECT_EQ(totale, kPostazioni * 500);
    EXPECT_EQ(numeri.size(), kPostazioni * 500);
    EXPECT_EQ(*std::min_element(numeri.cbegin(), numeri.cend()), kUltimoNumero + 1);
    EXPECT_EQ(contatore(), kUltimoNumero + kPostazioni * 500);
}

TEST_F(Hotel, TwoReviewsAtOnceRegisterEachReservationOnce)
{
    QHash<QString, int> notti;
    for (int i = 0; i < 24; ++i) {
        const QString id = u"WT%1"_s.arg(i, 3, 10, QChar(u'0'));
        notti.insert(id, coppiaDiCamere(sim, id, i, 3, u"RO"_s));
    }
    download(w.ctx);
    auto a = avviaPostazione(u"BookingChild.Review"_s, w.tmp.path(), sim);
    auto b = avviaPostazione(u"BookingChild.Review"_s, w.tmp.path(), sim);
    for (auto* figlio : {a.get(), b.get()}) {
        ASSERT_TRUE(figlio->waitForFinished(240000));
        ASSERT_EQ(figlio->exitCode(), 0) << figlio->readAllStandardOutput().toStdString();
    }
    verificaArchivio(w.dir(), notti, kUltimoNumero + 1);
    EXPECT_EQ(schede(u"NumeroPrenotazione > ?"_s, {kUltimoNumero}).size(), 24);
    for (const QString& id : notti.keys())
        EXPECT_EQ(registrata(id), 1) << id.toStdString();
}

// Run only as children of the tests above.
TEST(BookingChild, Draw)
{
    if (!Postazione::attiva())
        GTEST_SKIP() << "runs as a child process only";
    Postazione p;
    AssegnazioneCamere a(p.ctx);
    QByteArray out;
    for (int i = 0; i < 500; ++i) {
        const auto n = a.NuovoNumeroPrenotazione();
        ASSERT_TRUE(n);
        out += "N=" + QByteArray::number(*n) + '\n';
    }
    fwrite(out.constData(), 1, size_t(out.size()), stdout);
}

TEST(BookingChild, Review)
{
    if (!Postazione::attiva())
        GTEST_SKIP() << "runs as a child process only";
    Postazione p;
    RevisionePrenotazioni(p.ctx).EsaminaPrenotazioniWeb();
}

} // namespace
