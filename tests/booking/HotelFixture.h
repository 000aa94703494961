#pragma once

// A small hotel on QV's side, with the service simulator on the web side: room types mapped at
// several levels, rooms with beds and attributes, a booked room, an in-house guest, a room out of
// service, mapped and unmapped rate plans, and the booking counter.

#include "booking/RevisionePrenotazioni.h"
#include "import/ImportAnswers.h"
#include "import/ImportFixture.h"
#include "shell/Comandi.h"
#include "store/DaySlots.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace HotelSupport {

using namespace Qt::StringLiterals;
using namespace ImportAnswers;
using namespace ImportSupport;

constexpr qint32 kUltimoNumero = 1000;
inline const QDate kArrivo{2026, 8, 10};

// Every row of a table matching a WHERE text ("" for all), as name -> value, in row order.
inline QList<QVariantMap> righe(const QDir& dir, const QString& file, const QString& table, const QString& where = {},
                                const QVariantList& params = {})
{
    Database db(dir, file);
    QSqlQuery q = db.query();
    db.exec(q,
            u"SELECT * FROM \""_s + table + u"\""_s + (where.isEmpty() ? QString() : u" WHERE "_s + where) +
                u" ORDER BY rowid"_s,
            params);
    QList<QVariantMap> out;
    while (q.next()) {
        QVariantMap row;
        for (int i = 0; i < q.record().count(); ++i)
            row.insert(q.record().fieldName(i), q.value(i));
        out.append(row);
    }
    return out;
}

inline void esegui(const QDir& dir, const QString& file, const QString& sql, const QVariantList& params = {})
{
    Database db(dir, file);
    QSqlQuery q = db.query();
    db.exec(q, sql, params);
}

// The per-type counters of a type and day: Libere and Confermate.
inline std::pair<long long, long long> contatori(const QDir& dir, const QString& tipo, const QDate& giorno)
{
    const auto rows =
        righe(dir, u"Disponibilita.mdb"_s, u"DisponibilitàTipi"_s, u"AMT = ?"_s, {giorno.toString(u"yyyyMM"_s) + tipo});
    if (rows.isEmpty())
        return {-9999, -9999};
    const auto slot = [&](const char* f) {
        return DaySlots::leadingNumber(
            DaySlots::slot(rows.first().value(QString::fromLatin1(f)).toString(), giorno.day(), 5));
    };
    return {slot("Libere"), slot("Confermate")};
}

// A reservation of room stays that all run from arrival for nights nights.
inline Reservation prenotazione(const QString& id,
                                const QList<std::tuple<QString, QString, QList<int>, QString>>& soggiorni,
                                const QDate& arrivo = kArrivo, int notti = 3)
{
    Reservation r;
    r.id = id;
    for (const auto& [tipo, trattamento, ospiti, prezzo] : soggiorni) {
        RoomStay s = stay(tipo, arrivo, notti, prezzo);
        s.meal = trattamento;
        s.guestCounts = ospiti;
        r.stays.append(s);
    }
    return r;
}

class Hotel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.bootstrap();
        useSimulator(w.ctx, sim.baseUrl(), sim.reservationsUrl());
        w.ctx.settings.CodArr = u"PN"_s;
        w.ctx.settings.CodAdd = 10;
        automatica(true);
        qunsetenv("NTERM");

        const QList<std::tuple<QString, int, QStringList>> tipi{
            {u"SIN"_s, 3, {u"101"_s, u"102"_s, u"103"_s}},
            {u"DOP"_s, 5, {u"201"_s, u"202"_s, u"203"_s, u"204"_s, u"205"_s}},
            {u"TRI"_s, 2, {u"301"_s, u"302"_s}}};
        for (const auto& [sigla, quantita, camere] : tipi) {
            w.insert(u"TipiCamere.mdb"_s, u"TipiCamere"_s,
                     {{u"NumeroHotel"_s, 1},
                      {u"Sigla"_s, sigla},
                      {u"Descrizione"_s, u"Camera "_s + sigla},
                      {u"Tipologia"_s, u"C"_s},
                      {u"Quantita"_s, quantita}});
            for (const QString& c : camere)
                camera(c, sigla);
        }
        // Web types: level 1 first, then the further levels.
        mappa(u"SGL"_s, u"Camera singola"_s, {u"SIN"_s, u"DOP"_s, u"TRI"_s});
        mappa(u"DBL"_s, u"Camera doppia"_s, {u"DOP"_s, u"TRI"_s});
        mappa(u"TRP"_s, u"Camera tripla"_s, {u"TRI"_s});
        tariffa(u"BB"_s, u"BB"_s, 11);
        tariffa(u"HB"_s, u"MP"_s, 12);
        tariffa(u"RO"_s, u" "_s, 0); // downloaded, not mapped yet
        w.insert(u"Contatori.mdb"_s, u"Contatori"_s, {{u"NumeroHotel"_s, 1}, {u"PrenotazioniHotel"_s, kUltimoNumero}});

        // 201 booked, 202 taken by a guest in house, 203 out of service: all of August and September.
        w.insert(u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroPrenotazione"_s, 900},
                  {u"NomeCliente"_s, u"BIANCHI"_s},
                  {u"TipoPrenotazione"_s, u"C"_s},
                  {u"NVoucher"_s, u" "_s}});
        w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroPrenotazione"_s, 900},
                  {u"TipoPrenotazione"_s, u"C"_s},
                  {u"DataArrivo"_s, u"20260801"_s},
                  {u"DataPartenza"_s, u"20261001"_s},
                  {u"TipoCamera"_s, u"DOP"_s},
                  {u"NumeroCamera"_s, u"201"_s},
                  {u"QuantitàCamere"_s, 1},
                  {u"NumeroPersone"_s, 2}});
        w.insert(u"Scheda_Cliente.mdb"_s, u"Scheda_Cliente"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroProgressivo"_s, 77},
                  {u"NumeroPrenotazione"_s, 0},
                  {u"NumeroCamera"_s, u"202"_s},
                  {u"DataArrivo"_s, u"20260801"_s},
                  {u"DataPartenza"_s, u"20261001"_s},
                  {u"Partito"_s, u"N"_s}});
        w.insert(u"Generico.mdb"_s, u"Camere_Inagibili"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroCamera"_s, u"203"_s},
                  {u"DataInizio"_s, u"20260801"_s},
                  {u"DataFine"_s, u"20260930"_s}});
    }

    void camera(const QString& numero, const QString& tipo)
    {
        w.insert(u"NumeriCamere.mdb"_s, u"NumeriCamere"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroCamera"_s, numero},
                  {u"TipoCamera"_s, tipo},
                  {u"PostiLetto"_s, tipo == u"SIN" ? 1 : 2},
                  {u"Attributi"_s, u"VISTA "_s + numero}});
    }
    void mappa(const QString& web, const QString& nome, const QStringList& livelli)
    {
        for (qsizetype i = 0; i < livelli.size(); ++i)
            w.insert(u"SimpleBooking.mdb"_s, u"Rooms"_s,
                     {{u"NumeroHotel"_s, 1},
                      {u"HotelId"_s, u"1234"_s},
                      {u"RoomsId"_s, web},
                      {u"RoomsLevel"_s, int(i + 1)},
                      {u"DesRooms"_s, nome},
                      {u"QVRooms"_s, livelli.at(i)}});
    }
    void tariffa(const QString& web, const QString& qv, int voce)
    {
        w.insert(u"SimpleBooking.mdb"_s, u"Rates"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"HotelId"_s, u"1234"_s},
                  {u"RatesId"_s, web},
                  {u"DesRates"_s, web},
                  {u"QVRates"_s, qv},
                  {u"RateCode"_s, voce}});
    }
    void automatica(bool si)
    {
        w.ctx.settings.AssegnazioneAutomatica = si ? u"1"_s : u"0"_s;
        w.ctx.settings.Modalita = si ? u"2"_s : u"1"_s;
    }

    void scarica() { Comandi(w.ctx).reservations(); }
    void rivedi() { RevisionePrenotazioni(w.ctx).EsaminaPrenotazioniWeb(); }

    QList<QVariantMap> schede(const QString& where = {}, const QVariantList& p = {}) const
    {
        return righe(w.dir(), u"Scheda_Prenotazione.mdb"_s, u"Scheda_Prenotazione"_s, where, p);
    }
    QList<QVariantMap> camere(qint32 n) const
    {
        return righe(w.dir(), u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s, u"NumeroPrenotazione = ?"_s, {n});
    }
    QList<QVariantMap> notti(qint32 n) const
    {
        return righe(w.dir(), u"Arrangiamento.mdb"_s, u"Arrangiamento"_s, u"CodiceCliente = ?"_s, {n});
    }
    int registrata(const QString& id) const { return row(id).value(u"Registrata"_s).toInt(); }
    QVariantMap row(const QString& id) const { return reservationRow(w.dir(), id); }
    qint32 contatore() const
    {
        return righe(w.dir(), u"Contatori.mdb"_s, u"Contatori"_s).value(0).value(u"PrenotazioniHotel"_s).toInt();
    }
    bool mostrato(const QString& parte) const
    {
        for (const QString& t : w.op.messageTexts())
            if (t.contains(parte))
                return true;
        return false;
    }

    WorkDir w;
    SimServer sim;
};

} // namespace HotelSupport
