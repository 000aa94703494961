// Availability counting and room conflict checks.
#include "availability/CalcolaDisponibilita.h"
#include "booking/VerificaCamera.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"

#include <QDate>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// Nobody to show anything to: a message would end the measurement.
class SilentPort final : public OperatorPort
{
public:
    Answer messageBox(const Message&) override
    {
        ++shown;
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void setRequestText(const QString&) override {}
    void setAnswerText(const QString&) override {}
    void setCaption(const QString&) override {}
    int shown = 0;
};

struct Hotel
{
    QTemporaryDir tmp;
    FixedClock clock{QDateTime(QDate(2026, 5, 4), QTime(10, 0))};
    SilentPort op;
    AppContext ctx{tmp.path(), clock, op};

    Hotel() { CreaStrutture(QDir(tmp.path()), QString::fromUtf8(SB_DBT_PATH)); }

    // One row: the fields named, with the values in the same order.
    void add(const QString& file, const QString& table, const QStringList& names, const QVariantList& values)
    {
        Database db(QDir(tmp.path()), file);
        Recordset rs = db.OpenRecordset(table);
        rs.AddNew();
        for (qsizetype i = 0; i < names.size(); ++i)
            rs.setField(names.at(i), values.at(i));
        rs.Update();
    }
};

// One confirmed booking (4711) of ten rooms for 60 nights: three months of rack and counter rows.
void prenotazioneLunga(Hotel& h)
{
    h.add(u"TipiCamere.mdb"_s, u"TipiCamere"_s, {u"NumeroHotel"_s, u"Sigla"_s, u"Tipologia"_s, u"Quantita"_s},
          {1, u"DBL"_s, u"C"_s, 40});
    h.add(u"Colori.mdb"_s, u"Colori"_s, {u"Tipo"_s, u"Utente"_s, u"Codice"_s, u"Rosso"_s, u"Verde"_s, u"Blu"_s},
          {u"CONFE"_s, u" "_s, 0, 0, 128, 0});
    h.add(u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s,
          {u"NumeroHotel"_s, u"NumeroPrenotazione"_s, u"TipoPrenotazione"_s, u"NomeCliente"_s, u"Commento"_s,
           u"CodiceDitta"_s},
          {1, 4711, u"C"_s, u"ROSSI MARIO"_s, u"*WEB* "_s, 0});
    for (int r = 0; r < 10; ++r)
        h.add(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
              {u"NumeroHotel"_s, u"NumeroPrenotazione"_s, u"TipoPrenotazione"_s, u"DataArrivo"_s, u"DataPartenza"_s,
               u"TipoCamera"_s, u"NumeroCamera"_s, u"QuantitàCamere"_s, u"NumeroPersone"_s},
              {1, 4711, u"C"_s, u"20260710"_s, u"20260908"_s, u"DBL"_s, QString::number(101 + r), 1, 2});
}

// The booking counted in a unit of work of its own, commit included; each uncount in between is
// not measured.
void BM_CalcolaDisponibilita60Notti10Camere(benchmark::State& state)
{
    Hotel h;
    prenotazioneLunga(h);
    CalcolaDisponibilita calcolo(h.ctx);
    for (auto _ : state) {
        calcolo.esegui(u"P"_s, 4711, 1);
        state.PauseTiming();
        calcolo.esegui(u"P"_s, 4711, 0);
        state.ResumeTiming();
    }
    if (h.op.shown)
        state.SkipWithError("the booking was not counted");
}
BENCHMARK(BM_CalcolaDisponibilita60Notti10Camere)->Unit(benchmark::kMillisecond);

// The same count inside a caller's unit of work, rolled back (not measured): the counting alone.
void BM_ContaNellaUnitaDiLavoro(benchmark::State& state)
{
    Hotel h;
    prenotazioneLunga(h);
    Database uow(QDir(h.tmp.path()), u"Disponibilita.mdb"_s);
    for (const QString& file : CalcolaDisponibilita::fileNecessari())
        uow.attach(file);
    CalcolaDisponibilita calcolo(h.ctx);
    for (auto _ : state) {
        state.PauseTiming();
        uow.begin();
        state.ResumeTiming();
        benchmark::DoNotOptimize(calcolo.conta(uow, u"P"_s, 4711, 1));
        state.PauseTiming();
        uow.rollback();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ContaNellaUnitaDiLavoro)->Unit(benchmark::kMillisecond);

// One room against 100,000 booked room rows of 200 rooms over eight years.
void BM_VerificaCamera100k(benchmark::State& state)
{
    static Hotel h;
    static const bool filled = [] {
        Database db(QDir(h.tmp.path()), u"Camere_Prenotazione.mdb"_s);
        Database::Transaction work(db);
        QSqlQuery q = db.query();
        q.prepare(u"INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, TipoPrenotazione, DataArrivo, "
                  "DataPartenza, TipoCamera, NumeroCamera, QuantitàCamere, NumeroPersone) VALUES "
                  "(1, ?, 'C', ?, ?, 'DBL', ?, 1, 2)"_s);
        std::mt19937 random(7);
        const QDate first(2020, 1, 1);
        for (int i = 0; i < 100000; ++i) {
            const QDate arrival = first.addDays(std::uniform_int_distribution<int>(0, 8 * 365)(random));
            q.addBindValue(i + 1);
            q.addBindValue(arrival.toString(u"yyyyMMdd"_s));
            q.addBindValue(arrival.addDays(std::uniform_int_distribution<int>(1, 14)(random)).toString(u"yyyyMMdd"_s));
            q.addBindValue(QString::number(100 + i % 200));
            q.exec();
        }
        q.finish();
        work.commit();
        return true;
    }();
    (void)filled;
    ControlloCamere controllo(h.ctx);
    int i = 0;
    for (auto _ : state) {
        const QDate dal = QDate(2026, 1, 1).addDays(i % 300);
        const qint16 libera = controllo.VerificaCamera(QString::number(100 + i % 200), dal.toString(u"dd/MM/yyyy"_s),
                                                       dal.addDays(3).toString(u"dd/MM/yyyy"_s), u"P"_s, 0);
        benchmark::DoNotOptimize(libera);
        ++i;
    }
}
BENCHMARK(BM_VerificaCamera100k)->Unit(benchmark::kMicrosecond);

} // namespace
