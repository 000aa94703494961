// Record store and schema bootstrap timings.
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kDbt = QString::fromUtf8(SB_DBT_PATH);

// A working directory with every database and a ReservationsPrice table of 100,000 rows.
struct PriceTable
{
    QTemporaryDir tmp;
    PriceTable()
    {
        const QDir dir(tmp.path());
        CreaStrutture(dir, kDbt);
        Database db(dir, u"SimpleBooking.mdb"_s);
        Database::Transaction work(db);
        Recordset rs = db.OpenRecordset(u"ReservationsPrice"_s);
        for (int i = 0; i < 100000; ++i) {
            rs.AddNew();
            rs.setField(u"NumeroHotel"_s, 1);
            rs.setField(u"NPren"_s, u"SB"_s + QString::number(i / 10));
            rs.setField(u"Room"_s, u"DBL"_s);
            rs.setField(u"DayDate"_s, u"202608"_s + QString::number(10 + i % 10));
            rs.setField(u"Price"_s, u"100,00"_s);
            rs.Update();
        }
        work.commit();
    }
};

void BM_FindFirstIndexed100k(benchmark::State& state)
{
    static PriceTable table;
    Database db(QDir(table.tmp.path()), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"ReservationsPrice"_s);
    int i = 0;
    for (auto _ : state) {
        const int n = (i++ * 7919) % 100000;
        const bool found =
            rs.FindFirst(u"NPren = ? and Room = ? and DayDate = ?"_s,
                         {u"SB"_s + QString::number(n / 10), u"dbl"_s, u"202608"_s + QString::number(10 + n % 10)});
        if (!found)
            state.SkipWithError("row not found");
    }
}
BENCHMARK(BM_FindFirstIndexed100k)->Unit(benchmark::kMicrosecond);

void BM_CreaStruttureUpToDate(benchmark::State& state)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    CreaStrutture(dir, kDbt);
    for (auto _ : state)
        CreaStrutture(dir, kDbt);
}
BENCHMARK(BM_CreaStruttureUpToDate)->Unit(benchmark::kMillisecond);

void BM_CreaStruttureFirstRun(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tmp = std::make_unique<QTemporaryDir>();
        state.ResumeTiming();
        CreaStrutture(QDir(tmp->path()), kDbt);
        state.PauseTiming();
        tmp.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CreaStruttureFirstRun)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
