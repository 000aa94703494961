#pragma once

#include "service/CopieScambi.h"

#include <QDate>

class AppContext;
class Registro;

// How long the copies of the exchanges are kept, and the one look at the copies already on disk.
// The copies under SimpleBooking/ older than the days of line 15 of SBookParam.txt (60 when blank, 0:
// for ever) are removed, and so are the rows of StoricoPrenotazioni received before them; the age
// comes from the stamp in a copy's name, so a file whose name the bridge does not give (someone's
// own, a ".failed" file) is never touched. What each run did is recorded in SimpleBooking.mdb, where
// the status report reads it. Store errors throw.
class Conservazione
{
public:
    Conservazione(AppContext& ctx, Registro& registro);

    // At start-up: the copies already on disk masked and kept from the other accounts, once for a
    // data directory (recorded), then the retention.
    void avvio();
    // From the timer: the retention, when it has not run today (here or at another workstation).
    void seDovuta();

    // One retention run, recorded.
    CopieScambi::Stato pulisci();
    // The one look: every copy masked in place, and the others' rights taken off what the bridge
    // wrote before its files became the owner's and the group's only. Recorded.
    CopieScambi::Stato revisione();

private:
    AppContext& m_ctx;
    Registro& m_registro;
    QDate m_fatta; // the day of the last run this program knows of
};
