// The comparison every tick makes with publishing on: 50 QV room types over 400 days, against what
// the service was told of every one of those days. Alone, and with the reads of QV's counters, the
// waiting reservations, the limits and the record from real files.
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/SchemaBootstrap.h"
#include "support/WorkDir.h"
#include "sync/ArchivioSync.h"
#include "sync/CamereDaOffrire.h"
#include "sync/Deriva.h"

#include <QSqlQuery>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTipi = 50;
constexpr int kGiorni = 400;
const QDate kOggi(2026, 5, 4);

// A hotel of 50 types, each with its counter rows for 14 months and a record of every day.
struct Albergo
{
    WorkDir w;
    Albergo()
    {
        w.bootstrap();
        Database sb(w.dir(), u"SimpleBooking.mdb"_s);
        Database disp(w.dir(), u"Disponibilita.mdb"_s);
        Database tipi(w.dir(), u"TipiCamere.mdb"_s);
        Database::Transaction a(sb);
        Database::Transaction b(tipi);
        QList<ServiceClient::Avviso> detti;
        for (int t = 0; t < kTipi; ++t) {
            const QString sigla = u"T"_s + QString::number(t);
            QSqlQuery q = tipi.query();
            tipi.exec(q, u"INSERT INTO TipiCamere (NumeroHotel, Sigla, Tipologia, Quantita) VALUES (1, ?, 'C', 20)"_s,
                      {sigla});
            QSqlQuery r = sb.query();
            sb.exec(r, u"INSERT INTO Rooms (NumeroHotel, RoomsId, RoomsLevel, QVRooms) VALUES (1, ?, 1, ?)"_s,
                    {u"S"_s + sigla, sigla});
            for (int g = 0; g < kGiorni; ++g)
                detti.append({u"S"_s + sigla, kOggi.addDays(g), (t + g) % 20});
        }
        ArchivioSync::registraDetti(sb, detti, QDateTime(kOggi, QTime(8, 0)));
        a.commit();
        b.commit();
        // QV's counters: one row per type and month, 31 slots of five characters.
        QSqlQuery crea = disp.query();
        disp.exec(crea,
                  u"CREATE TABLE IF NOT EXISTS \"DisponibilitàTipi\" (AMT TEXT(50) COLLATE NOCASE, Libere TEXT(155))"_s,
                  {});
        Database::Transaction c(disp);
        for (int m = 0; m < 15; ++m)
            for (int t = 0; t < kTipi; ++t) {
                QSqlQuery q = disp.query();
                disp.exec(q, u"INSERT INTO \"DisponibilitàTipi\" (AMT, Libere) VALUES (?, ?)"_s,
                          {kOggi.addMonths(m).toString(u"yyyyMM"_s) + u'T' + QString::number(t),
                           DaySlots::repeated(DaySlots::counter(12))});
            }
        c.commit();
    }
};

void ConfrontoSoltanto(benchmark::State& state)
{
    Deriva::Valori obiettivo(kTipi, std::vector<qint64>(kGiorni, 12));
    Deriva::Detti detto(kTipi, std::vector<std::optional<qint64>>(kGiorni, 12));
    for (int t = 0; t < kTipi; ++t)
        detto[size_t(t)][size_t(t * 7 % kGiorni)] = 13;
    for (auto _ : state)
        benchmark::DoNotOptimize(Deriva::notifiche(Deriva::confronta(obiettivo, detto), 31));
}
BENCHMARK(ConfrontoSoltanto)->Unit(benchmark::kMillisecond);

void ConfrontoDaiFile(benchmark::State& state)
{
    Albergo a;
    for (auto _ : state) {
        const CamereDaOffrire offerta = CamereDaOffrire::leggi(a.w.dir(), kOggi, kGiorni);
        QStringList sigle, ids;
        Deriva::Valori camere;
        for (const auto& t : offerta.tipi()) {
            sigle.append(t.sigla);
            ids.append(t.roomsId);
            camere.push_back(t.camere);
        }
        Database sb(a.w.dir(), u"SimpleBooking.mdb"_s);
        const auto diff = Deriva::confronta(Deriva::obiettivo(camere, ArchivioSync::limiti(sb, sigle, kOggi, kGiorni)),
                                            ArchivioSync::detti(sb, ids, kOggi, kGiorni));
        if (offerta.tipi().size() != size_t(kTipi) || diff.isEmpty())
            state.SkipWithError("the hotel was not read whole");
        benchmark::DoNotOptimize(diff);
    }
}
BENCHMARK(ConfrontoDaiFile)->Unit(benchmark::kMillisecond);

} // namespace
