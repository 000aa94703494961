#pragma once

#include "availability/CalcolaDisponibilita.h"
#include "store/DaySlots.h"
#include "support/WorkDir.h"

#include <QDate>
#include <gtest/gtest.h>

// Bookings as QV's front desk writes them: the booking's card, one room row, then QV's own counting
// into the rack and the per-type counters.
namespace BancoQV {

// The confirmation colour QV gives a booking without one of its own.
inline void coloreConferma(const WorkDir& w)
{
    w.insert(QStringLiteral("Colori.mdb"), QStringLiteral("Colori"),
             {{QStringLiteral("Tipo"), QStringLiteral("CONFE")},
              {QStringLiteral("Utente"), QStringLiteral(" ")},
              {QStringLiteral("Codice"), 0},
              {QStringLiteral("Rosso"), 0},
              {QStringLiteral("Verde"), 128},
              {QStringLiteral("Blu"), 0}});
}

// A confirmed booking of one room of a type for `notti` nights from `arrivo`.
inline void prenota(WorkDir& w, qint32 numero, const QString& tipo, const QString& camera, const QDate& arrivo,
                    int notti)
{
    w.insert(QStringLiteral("Scheda_Prenotazione.mdb"), QStringLiteral("Scheda_Prenotazione"),
             {{QStringLiteral("NumeroHotel"), 1},
              {QStringLiteral("NumeroPrenotazione"), numero},
              {QStringLiteral("TipoPrenotazione"), QStringLiteral("C")},
              {QStringLiteral("NomeCliente"), QStringLiteral("ROSSI MARIO")},
              {QStringLiteral("Commento"), QStringLiteral(" ")},
              {QStringLiteral("CodiceDitta"), 0}});
    w.insert(QStringLiteral("Camere_Prenotazione.mdb"), QStringLiteral("Camere_Prenotazione"),
             {{QStringLiteral("NumeroHotel"), 1},
              {QStringLiteral("NumeroPrenotazione"), numero},
              {QStringLiteral("TipoPrenotazione"), QStringLiteral("C")},
              {QStringLiteral("DataArrivo"), TextDate::toYmd(arrivo)},
              {QStringLiteral("DataPartenza"), TextDate::toYmd(arrivo.addDays(notti))},
              {QStringLiteral("TipoCamera"), tipo},
              {QStringLiteral("NumeroCamera"), camera},
              {QStringLiteral("QuantitàCamere"), 1},
              {QStringLiteral("NumeroPersone"), 2}});
    ASSERT_TRUE(CalcolaDisponibilita(w.ctx).esegui(QStringLiteral("P"), numero, 1));
}

} // namespace BancoQV
