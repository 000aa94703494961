// Booking registration: one large reservation written with its counting, the free-room search of a
// large room type against a busy booking table, and a download of new reservations reviewed
// unattended from the service to QV's rows.

#include "import/ImportAnswers.h"
#include "import/ImportFixture.h"
#include "support/WorkDir.h"

#include "booking/AssegnazioneCamere.h"
#include "booking/RevisionePrenotazioni.h"
#include "booking/ScritturaPrenotazione.h"
#include "shell/Comandi.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

// Rows added in one transaction of plain statements: setting up is not what is measured.
void aggiungi(const QDir& dir, const QString& file, const QString& sql, const QList<QVariantList>& righe)
{
    Database db(dir, file);
    Database::Transaction work(db);
    QSqlQuery q = db.query();
    for (const QVariantList& valori : righe)
        db.exec(q, sql, valori);
    q.finish();
    work.commit();
}

// Room i of a web type's QV type: six characters at most, as QV's room numbers.
QString numeroCamera(const QString& web, int i)
{
    return web.left(2) + u"%1"_s.arg(i, 4, 10, QChar(u'0'));
}

// A hotel of one QV type per web type, count rooms each, the counter at 1000.
void albergo(WorkDir& w, const QStringList& tipiWeb, int camere)
{
    w.bootstrap();
    w.ctx.settings.CodArr = u"PN"_s;
    w.ctx.settings.CodAdd = 10;
    w.ctx.settings.AssegnazioneAutomatica = u"1"_s;
    w.ctx.settings.Modalita = u"2"_s;
    QList<QVariantList> tipi, numeri, rooms;
    for (const QString& web : tipiWeb) {
        const QString qv = u"Q"_s + web.left(5);
        tipi.append({qv, camere});
        rooms.append({web, qv});
        for (int i = 1; i <= camere; ++i)
            numeri.append({numeroCamera(web, i), qv});
    }
    aggiungi(
        w.dir(), u"TipiCamere.mdb"_s,
        u"INSERT INTO TipiCamere (NumeroHotel, Sigla, Descrizione, Tipologia, Quantita) VALUES (1, ?, 'T', 'C', ?)"_s,
        tipi);
    aggiungi(
        w.dir(), u"NumeriCamere.mdb"_s,
        u"INSERT INTO NumeriCamere (NumeroHotel, NumeroCamera, TipoCamera, PostiLetto, Attributi) VALUES (1, ?, ?, "
        u"2, ' ')"_s,
        numeri);
    aggiungi(w.dir(), u"SimpleBooking.mdb"_s,
             u"INSERT INTO Rooms (NumeroHotel, HotelId, RoomsId, RoomsLevel, DesRooms, QVRooms) VALUES (1, '1234', ?, "
             u"1, 'Tipo', ?)"_s,
             rooms);
    aggiungi(w.dir(), u"SimpleBooking.mdb"_s,
             u"INSERT INTO Rates (NumeroHotel, HotelId, RatesId, DesRates, QVRates, RateCode) VALUES (1, '1234', 'BB', "
             u"'BB', 'BB', 11)"_s,
             {{}});
    aggiungi(w.dir(), u"Contatori.mdb"_s, u"INSERT INTO Contatori (NumeroHotel, PrenotazioniHotel) VALUES (1, 1000)"_s,
             {{}});
}

// A hotel of the generated reservations' room types, count rooms each, and quante of those
// reservations waiting at the simulator.
void albergoConPrenotazioni(WorkDir& w, SimServer& sim, int camere, int quante)
{
    QStringList tipi;
    for (const QString& t : ImportAnswers::generatedRoomTypes())
        tipi << t;
    albergo(w, tipi, camere);
    ImportSupport::useSimulator(w.ctx, sim.baseUrl(), sim.reservationsUrl());
    for (int i = 0; i < quante; ++i)
        sim.addReservation(ImportAnswers::fragment(ImportAnswers::generated(i)));
}

// A stay of ten rooms, five stays of two rooms each with their own nightly prices, for fourteen nights.
constexpr int kCamereBench = 10;
constexpr int kNottiBench = 14;

CamereRichieste camereBench()
{
    CamereRichieste camere;
    for (int k = 1; k <= kCamereBench; ++k) {
        RigaCamera& r = camere.riga(k);
        r.soggiorno = (k + 1) / 2;
        r.primoDelTipo = r.soggiorno == 1;
        r.parte = (k - 1) % 2;
        r.tipoWeb = u"DBL"_s;
        r.camera = numeroCamera(u"DBL"_s, k);
        r.tipoCamera = u"QDBL"_s;
        r.trattamento = u"BB"_s;
        r.persone = 2;
        r.prezzo = 120;
    }
    return camere;
}

// The reservation id waiting from arrivo, as the import stores it: its row (Versione versione) and
// its nightly prices.
void prenotazioneBench(const WorkDir& w, const QString& id, const QDate& arrivo, int versione)
{
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        QSqlQuery q = db.query();
        db.exec(q, u"DELETE FROM Reservations WHERE NPren = ?"_s, {id});
        db.exec(q, u"DELETE FROM ReservationsPrice WHERE NPren = ?"_s, {id});
    }
    aggiungi(
        w.dir(), u"SimpleBooking.mdb"_s,
        u"INSERT INTO Reservations (NumeroHotel, NPren, Amount, DataFrom, DataTo, LastName, FirstName, Notes, "
        u"Agency, Street, City, Phone, EMail, Country, Status, Registrata, Versione) VALUES (1, ?, '16.800,00', ?, "
        u"?, 'Rossi', 'Mario', 'Nota', ' ', 'Via Roma 1', 'Firenze', '055', 'a@b.it', 'IT', ?, 0, ?)"_s,
        {{id, arrivo.toString(u"yyyyMMdd"_s), arrivo.addDays(kNottiBench).toString(u"yyyyMMdd"_s),
          versione > 0 ? u"Modify"_s : u"Reserved"_s, versione}});
    QList<QVariantList> prezzi;
    for (int soggiorno = 1; soggiorno <= kCamereBench / 2; ++soggiorno)
        for (int d = 0; d <= kNottiBench; ++d)
            prezzi.append({id, arrivo.addDays(d).toString(u"yyyyMMdd"_s), soggiorno});
    aggiungi(w.dir(), u"SimpleBooking.mdb"_s,
             u"INSERT INTO ReservationsPrice (NumeroHotel, NPren, Room, DayDate, Price, RoomStay) VALUES (1, ?, "
             u"'DBL', ?, '120,00', ?)"_s,
             prezzi);
}

// Writes one ten-room booking per iteration, a month apart: prepara(id, arrivo) sets it up untimed,
// scrivi(id) is timed and returns whether it was written.
template <typename Prepara, typename Scrivi>
void scriviOgniMese(benchmark::State& state, WorkDir& w, Prepara&& prepara, Scrivi&& scrivi)
{
    albergo(w, {u"DBL"_s}, 40);
    int n = 0;
    qint64 notti = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString id = u"BENCH%1"_s.arg(++n);
        prepara(id, QDate(2027, 1, 1).addMonths(n));
        state.ResumeTiming();
        if (!scrivi(id)) {
            state.SkipWithError("not written");
            return;
        }
        notti += kCamereBench * kNottiBench;
    }
    state.counters["nightly_rows"] = double(notti);
}

void BM_RegistraPrenotazione(benchmark::State& state)
{
    WorkDir w;
    ScritturaPrenotazione scrittura(w.ctx);
    const CamereRichieste camere = camereBench();
    scriviOgniMese(
        state, w, [&](const QString& id, const QDate& arrivo) { prenotazioneBench(w, id, arrivo, 0); },
        [&](const QString& id) {
            return scrittura.RegistraPrenotazione(id, camere).esito == ScritturaPrenotazione::Esito::Registrata;
        });
}

// The same booking, moved by a day: its counts taken back, its rows written again, counted again.
void BM_ApplicaModifica(benchmark::State& state)
{
    WorkDir w;
    ScritturaPrenotazione scrittura(w.ctx);
    const CamereRichieste camere = camereBench();
    qint32 numero = 0;
    scriviOgniMese(
        state, w,
        [&](const QString& id, const QDate& arrivo) {
            prenotazioneBench(w, id, arrivo, 0);
            numero = scrittura.RegistraPrenotazione(id, camere).numero;
            prenotazioneBench(w, id, arrivo.addDays(1), 1);
        },
        [&](const QString& id) {
            return scrittura.ApplicaModifica(id, camere, numero, 1).esito == ScritturaPrenotazione::Esito::Modificata;
        });
}

void BM_CercaCamereLibere(benchmark::State& state)
{
    constexpr int kCamere = 200;
    const int righe = int(state.range(0));
    WorkDir w;
    albergo(w, {u"DBL"_s}, kCamere);
    // Two-night stays over the years before, and one in three rooms taken during the stay searched.
    QList<QVariantList> prenotate;
    prenotate.reserve(righe);
    for (int i = 0; i < righe; ++i) {
        const QString camera = numeroCamera(u"DBL"_s, 1 + i % kCamere);
        const bool ora = i < kCamere && i % 3 == 0;
        const QDate dal = ora ? QDate(2026, 8, 9) : QDate(2015, 1, 1).addDays((i / kCamere) * 3);
        prenotate.append({10000 + i, dal.toString(u"yyyyMMdd"_s), dal.addDays(2).toString(u"yyyyMMdd"_s), camera});
    }
    aggiungi(w.dir(), u"Camere_Prenotazione.mdb"_s,
             u"INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, TipoPrenotazione, DataArrivo, "
             u"DataPartenza, TipoCamera, NumeroCamera, \"QuantitàCamere\", NumeroPersone) VALUES (1, ?, 'C', ?, ?, "
             u"'QDBL', ?, 1, 2)"_s,
             prenotate);
    AssegnazioneCamere a(w.ctx);
    const CamereRichieste camere;
    qsizetype libere = 0;
    for (auto _ : state) {
        a.CercaCamereLibere(u"DBL"_s, u"10/08/2026"_s, u"13/08/2026"_s, camere);
        libere = a.ElencoCamereLibere().count(u',') - 1;
    }
    state.counters["free_rooms"] = double(libere);
}

void BM_ScaricaERivedi(benchmark::State& state)
{
    const int quante = int(state.range(0));
    qint64 registrate = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WorkDir w;
        SimServer sim;
        albergoConPrenotazioni(w, sim, 120, quante);
        state.ResumeTiming();
        Comandi(w.ctx).reservations();
        state.PauseTiming();
        Database db(w.dir(), u"Scheda_Prenotazione.mdb"_s);
        registrate = db.OpenRecordset(u"Scheda_Prenotazione"_s).RecordCount();
        state.ResumeTiming();
    }
    state.counters["registered"] = double(registrate);
    state.counters["reservations"] = quante;
}

// A review of reservations that all wait (the hotel has no booking counter): each is seen once, so the
// cost per reservation stays the same however many wait.
void BM_RivediInAttesa(benchmark::State& state)
{
    const int quante = int(state.range(0));
    WorkDir w;
    albergo(w, {u"DBL"_s}, 40);
    aggiungi(w.dir(), u"Contatori.mdb"_s, u"DELETE FROM Contatori"_s, {{}});
    QList<QVariantList> righe;
    for (int i = 0; i < quante; ++i)
        righe.append({u"WAIT%1"_s.arg(i, 5, 10, QChar(u'0'))});
    aggiungi(w.dir(), u"SimpleBooking.mdb"_s,
             u"INSERT INTO Reservations (NumeroHotel, NPren, DataFrom, DataTo, LastName, Status, Registrata, Room1, "
             u"Room1_Q, Room1_S, Room1_QP, Room1_P, Room1_A) VALUES (1, ?, '20270110', '20270112', 'Rossi', "
             u"'Reserved', 0, 'DBL', 1, 'DBL', 2, 100, 'BB')"_s,
             righe);
    for (auto _ : state)
        RevisionePrenotazioni(w.ctx).EsaminaPrenotazioniWeb();
    state.counters["per_reservation_ms"] = benchmark::Counter(
        double(quante) / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One answer of many new reservations for a hotel without a booking counter: download, store, confirm,
// and a review that leaves every one waiting. Then (with "vuoto") a download that brings nothing, while
// they all still wait: the review sees each again and tells nothing new. With "lontano" the second and
// third arguments are the service's delay per request in milliseconds and the connections the
// confirmations go over.
void scaricaInAttesa(benchmark::State& state, bool vuoto, bool lontano)
{
    const int quante = int(state.range(0));
    const int ritardoMs = lontano ? int(state.range(1)) : 0;
    for (auto _ : state) {
        state.PauseTiming();
        WorkDir w;
        SimServer sim;
        albergoConPrenotazioni(w, sim, 40, quante);
        aggiungi(w.dir(), u"Contatori.mdb"_s, u"DELETE FROM Contatori"_s, {{}});
        if (lontano)
            w.ctx.confermeInParallelo = int(state.range(2));
        if (ritardoMs > 0)
            sim.setFault(SimFault::slow(ritardoMs));
        if (vuoto)
            Comandi(w.ctx).reservations();
        state.ResumeTiming();
        Comandi(w.ctx).reservations();
        state.PauseTiming();
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        if (db.OpenRecordset(u"Select * From Reservations Where Registrata = 0"_s).RecordCount() != quante ||
            sim.confirmedIds().size() != quante) {
            state.SkipWithError("not every reservation was stored, confirmed and left waiting");
            return;
        }
        state.ResumeTiming();
    }
    state.counters["per_reservation_ms"] = benchmark::Counter(
        double(quante) / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ScaricaInAttesa(benchmark::State& state)
{
    scaricaInAttesa(state, false, true);
}

void BM_ScaricoVuotoConInAttesa(benchmark::State& state)
{
    scaricaInAttesa(state, true, false);
}

} // namespace

// Arguments: reservations, the service's delay in ms, connections: at hand, and 50 ms away over 4 kept
// connections and over one.
BENCHMARK(BM_ScaricaInAttesa)
    ->Args({200, 0, 4})
    ->Args({2000, 0, 4})
    ->Args({2000, 50, 4})
    ->Args({2000, 50, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaricoVuotoConInAttesa)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RivediInAttesa)->Arg(200)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegistraPrenotazione)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplicaModifica)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CercaCamereLibere)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaricaERivedi)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
