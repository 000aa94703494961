#pragma once

// A small hotel on QV's side, with the service simulator on the web side: three room types, the
// web types mapped at up to three levels, a booked room, a guest in house, a room out of service,
// mapped and unmapped rate plans, and the booking counter.

#include "booking/RevisionePrenotazioni.h"
#include "booking/ScritturaPrenotazione.h"
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

// The rows a query over every booking file gives, each as its values joined by "|".
inline QStringList leggi(const QDir& dir, const QString& sql, const QVariantList& params = {})
{
    Database db(dir, u"SimpleBooking.mdb"_s);
    for (const QString& f : ScritturaPrenotazione::fileUnitaDiLavoro())
        db.attach(f);
    QSqlQuery q = db.query();
    db.exec(q, sql, params);
    QStringList out;
    while (q.next()) {
        QStringList valori;
        for (int i = 0; i < q.record().count(); ++i)
            valori << q.value(i).toString();
        out << valori.join(u'|');
    }
    return out;
}

inline void esegui(const QDir& dir, const QString& file, const QString& sql, const QVariantList& params = {})
{
    Database db(dir, file);
    QSqlQuery q = db.query();
    db.exec(q, sql, params);
}

// A reservation of room stays (type, meal plan, guest counts, nightly price) from arrivo for notti nights.
inline Reservation prenotazione(const QString& id,
                                const QList<std::tuple<QString, QString, QList<int>, QString>>& soggiorni,
                                const QDate& arrivo = kArrivo, int notti = 3)
{
    Reservation r;
    r.id = id;
    for (const auto& [tipo, trattamento, ospiti, prezzo] : soggiorni) {
        r.stays.append(stay(tipo, arrivo, notti, prezzo));
        r.stays.last().meal = trattamento;
        r.stays.last().guestCounts = ospiti;
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
        esegui(w.dir(), u"TipiCamere.mdb"_s,
               u"INSERT INTO TipiCamere (NumeroHotel, Sigla, Descrizione, Tipologia, Quantita) VALUES "
               u"(1, 'SIN', 'Singola', 'C', 3), (1, 'DOP', 'Doppia', 'C', 5), (1, 'TRI', 'Tripla', 'C', 2)"_s);
        for (const char* c : {"101", "102", "103", "201", "202", "203", "204", "205", "301", "302"})
            camera(QString::fromLatin1(c), c[0] == '1' ? u"SIN"_s : c[0] == '2' ? u"DOP"_s : u"TRI"_s);
        esegui(w.dir(), u"SimpleBooking.mdb"_s,
               u"INSERT INTO Rooms (NumeroHotel, HotelId, RoomsId, RoomsLevel, DesRooms, QVRooms) VALUES "
               u"(1, '1234', 'SGL', 1, 'Camera singola', 'SIN'), (1, '1234', 'SGL', 2, 'Camera singola', 'DOP'), "
               u"(1, '1234', 'SGL', 3, 'Camera singola', 'TRI'), (1, '1234', 'DBL', 1, 'Camera doppia', 'DOP'), "
               u"(1, '1234', 'DBL', 2, 'Camera doppia', 'TRI'), (1, '1234', 'TRP', 1, 'Camera tripla', 'TRI')"_s);
        // RO is downloaded but not mapped yet.
        esegui(
            w.dir(), u"SimpleBooking.mdb"_s,
            u"INSERT INTO Rates (NumeroHotel, HotelId, RatesId, DesRates, QVRates, RateCode) VALUES "
            u"(1, '1234', 'BB', 'BB', 'BB', 11), (1, '1234', 'HB', 'HB', 'MP', 12), (1, '1234', 'RO', 'RO', ' ', 0)"_s);
        esegui(w.dir(), u"Contatori.mdb"_s, u"INSERT INTO Contatori VALUES (1, ?)"_s, {kUltimoNumero});
        // 201 booked, 202 a guest in house, 203 out of service: all of August and September.
        esegui(w.dir(), u"Camere_Prenotazione.mdb"_s,
               u"INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, TipoPrenotazione, DataArrivo, "
               u"DataPartenza, TipoCamera, NumeroCamera, NumeroPersone) VALUES (1, 900, 'C', '20260801', '20261001', "
               u"'DOP', '201', 2)"_s);
        esegui(w.dir(), u"Scheda_Cliente.mdb"_s,
               u"INSERT INTO Scheda_Cliente VALUES (1, 77, 0, '202', '20260801', '20261001', 'N')"_s);
        esegui(w.dir(), u"Generico.mdb"_s, u"INSERT INTO Camere_Inagibili VALUES (1, '203', '20260801', '20260930')"_s);
    }

    void camera(const QString& numero, const QString& tipo)
    {
        esegui(w.dir(), u"NumeriCamere.mdb"_s, u"INSERT INTO NumeriCamere VALUES (1, ?, ?, 2, ?)"_s,
               {numero, tipo, u"VISTA "_s + numero});
    }
    void automatica(bool si)
    {
        w.ctx.settings.AssegnazioneAutomatica = si ? u"1"_s : u"0"_s;
        w.ctx.settings.Modalita = si ? u"2"_s : u"1"_s;
    }
    void scarica() { Comandi(w.ctx).reservations(); }
    void rivedi() { RevisionePrenotazioni(w.ctx).EsaminaPrenotazioniWeb(); }

    QStringList leggi(const QString& sql, const QVariantList& params = {}) const
    {
        return HotelSupport::leggi(w.dir(), sql, params);
    }
    // The booking of a web reservation; 0 when there is none.
    qint32 numero(const QString& id) const
    {
        return leggi(u"SELECT NumeroPrenotazione FROM Scheda_Prenotazione WHERE NVoucher = ?"_s, {id}).value(0).toInt();
    }
    QStringList camere(qint32 n, const QString& campi = u"NumeroCamera"_s) const
    {
        return leggi(u"SELECT "_s + campi + u" FROM Camere_Prenotazione WHERE NumeroPrenotazione = ? ORDER BY rowid"_s,
                     {n});
    }
    QStringList notti(qint32 n) const
    {
        return leggi(u"SELECT NumeroCamera FROM Arrangiamento WHERE CodiceCliente = ? ORDER BY rowid"_s, {n});
    }
    int registrata(const QString& id) const { return reservationRow(w.dir(), id).value(u"Registrata"_s).toInt(); }
    // Libere|Confermate of a type on a day.
    QString contatori(const QString& tipo, const QDate& giorno) const
    {
        const int at = (giorno.day() - 1) * 5 + 1;
        return leggi(u"SELECT trim(substr(Libere, ?, 5)), trim(substr(Confermate, ?, 5)) FROM \"DisponibilitàTipi\" "
                     u"WHERE AMT = ?"_s,
                     {at, at, giorno.toString(u"yyyyMM"_s) + tipo})
            .value(0);
    }
    bool mostrato(const QString& parte) const { return w.op.messageTexts().join(u'\n').contains(parte); }

    WorkDir w;
    SimServer sim;
};

} // namespace HotelSupport
