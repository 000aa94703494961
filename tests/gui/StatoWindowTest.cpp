// The status line of the main window in its three colours, and the "Stato" window over the same
// report, the days where the service offers more than there is in red.

#include "DeskTop.h"
#include "support/CatalogoQV.h"
#include "sync/ArchivioSync.h"
#include "sync/SBStato.h"

#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(StatoWindow, TheStatusLineAndTheWindowTellTheWorstFindingInItsColour)
{
    DeskTop d;
    // Attivo, publishing, two days.
    d.write(u"SBookParam.txt"_s, " 1 " + DeskTop::parametri(false).mid(3) + " 1 \r\n2\r\n");
    ASSERT_TRUE(d.sessione.attiva());
    CatalogoQV::tipoCamera(QDir(d.tmp.path()), u"DOP"_s, 3);
    CatalogoQV::cameraServizio(QDir(d.tmp.path()), u"1234"_s, u"DBL"_s, 1, u"DOP"_s);
    const auto linea = [&](int livello, const char* testo) {
        d.window->aggiornaStato();
        EXPECT_TRUE(d.window->lineaStato()->text().contains(QString::fromUtf8(testo)))
            << d.window->lineaStato()->text().toStdString();
        EXPECT_TRUE(d.window->lineaStato()->styleSheet().contains(SBStato::colore(livello)));
    };
    const auto detto = [&](int primo) {
        Database sb(QDir(d.tmp.path()), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        ArchivioSync::registraDetti(sb, {{u"DBL"_s, d.clock.today(), primo}, {u"DBL"_s, d.clock.today().addDays(1), 3}},
                                    d.clock.now());
        uow.commit();
    };
    linea(1, "Disponibilità: 2 giorni da pubblicare");
    detto(3);
    linea(0, "Tutto in ordine");
    detto(5);
    linea(2, "1 giorni in cui il servizio offre più camere");

    SBStato stato(d.ctx);
    EXPECT_TRUE(stato.Riassunto()->styleSheet().contains(SBStato::colore(2)));
    ASSERT_EQ(stato.Griglia()->rowCount(), 1);
    ASSERT_EQ(stato.Griglia()->columnCount(), 1);
    EXPECT_EQ(stato.Griglia()->item(0, 0)->text(), u"5 \u2192 3"_s);
    EXPECT_EQ(stato.Griglia()->item(0, 0)->background().color(), QColor(SBStato::colore(2)));
    EXPECT_EQ(stato.Lista1()->item(0)->text(), u"Nessuna"_s);
}

} // namespace
