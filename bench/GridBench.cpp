// The monthly grid: "Importa da QV" and the opening of its window, with 50 room types.
#include "availability/GrigliaMese.h"
#include "availability/SBMese.h"
#include "store/DaySlots.h"
#include "support/CatalogoQV.h"
#include "support/WorkDir.h"

#include <QApplication>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTipi = 50;

// 50 mapped room types, each with its counter rows for the two months a period from 20 May reads,
// among the rows of a whole year.
void albergo(WorkDir& w)
{
    w.bootstrap();
    for (int t = 0; t < kTipi; ++t) {
        const QString sigla = u"T"_s + QString::number(t).rightJustified(2, u'0');
        CatalogoQV::tipoCamera(w.dir(), sigla, 20);
        CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"R"_s + sigla, 1, sigla);
        for (int mese = 1; mese <= 12; ++mese)
            w.insert(u"Disponibilita.mdb"_s, u"DisponibilitàTipi"_s,
                     {{u"NumeroHotel"_s, 1},
                      {u"AMT"_s, u"2026"_s + QString::number(mese).rightJustified(2, u'0') + sigla},
                      {u"Libere"_s, DaySlots::repeated(DaySlots::counter((t + mese) % 7))}});
    }
}

void BM_ImportaDaQV50Tipi31Giorni(benchmark::State& state)
{
    WorkDir w(QDateTime(QDate(2026, 5, 20), QTime(10, 0)));
    albergo(w);
    GrigliaMese g(w.ctx);
    if (!g.costruisci(QDate(2026, 5, 20)) || g.tipi() != kTipi) {
        state.SkipWithError("grid not built");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(g.importaDaQV());
    if (!w.op.messages.isEmpty() || g.disponibilita(kTipi - 1, 30) == 0)
        state.SkipWithError("import failed");
}
BENCHMARK(BM_ImportaDaQV50Tipi31Giorni)->Unit(benchmark::kMillisecond);

QApplication& applicazione()
{
    static int argc = 1;
    static char nome[] = "sbbench";
    static char* argv[] = {nome, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

// From the constructor to the grid of the first activation painted on the screen.
void BM_AperturaSBMese50Tipi(benchmark::State& state)
{
    applicazione();
    WorkDir w(QDateTime(QDate(2026, 5, 20), QTime(10, 0)));
    albergo(w);
    for (auto _ : state) {
        SBMese f(w.ctx);
        f.show();
        while (f.attivazioni() == 0)
            QApplication::processEvents();
        f.Grid1()->viewport()->repaint();
        benchmark::DoNotOptimize(f.griglia().tipi());
    }
}
BENCHMARK(BM_AperturaSBMese50Tipi)->Unit(benchmark::kMillisecond);

} // namespace
