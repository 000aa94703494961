// The main window on the offscreen platform: captions, button texts, states and layout, the first
// start without SBookParam.txt, the caption after each activation, what is and is not an
// activation, the exit question, and the commands bound to the exchanges.

#include "DeskTop.h"
#include "GuiSupport.h"
#include "shell/SBookParam.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/SimServer.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;

namespace {

const QString kIniziale = u"Interfaccia QV <--> SimpleBooking"_s;
const QString kModo1 = u"Interfaccia QV <--> SimpleBooking (modalita 1 'Semi automatica')"_s;
const QString kModo2 = u"Interfaccia QV <--> SimpleBooking (modalita 2 'Automatica')"_s;

TEST(SBDeskTopWindow, CaptionsStatesAndLayout)
{
    DeskTop d;
    SBDeskTop& w = *d.window;
    EXPECT_EQ(w.windowTitle(), kIniziale);

    const QStringList captions{u"getHotels"_s,
                               u"&Esci"_s,
                               u"getRates"_s,
                               u"getRooms"_s,
                               u"reservations With Details"_s,
                               u"view Inventory"_s,
                               u"update Inventory"_s,
                               u"getRate Comparison Hotels"_s,
                               u"getRate Comparison Rooms"_s,
                               u"view Rates"_s,
                               u"change Password"_s,
                               u"Types of rooms QV"_s,
                               u"Types of rates QV"_s};
    const QList<int> off{0, 5, 7, 8, 9, 10};
    for (int i = 0; i < SBDeskTop::NumeroComandi; ++i) {
        EXPECT_EQ(w.T(i)->text(), captions.at(i)) << i;
        EXPECT_EQ(w.T(i)->isEnabled(), !off.contains(i)) << i;
    }
    ASSERT_EQ(w.menuBar()->actions().size(), 1);
    EXPECT_EQ(w.menuBar()->actions().first()->text(), u"&Parametri"_s);
    ASSERT_NE(w.menuBar()->actions().first()->menu(), nullptr);
    EXPECT_EQ(w.menuBar()->actions().first()->menu()->actions(), (QList<QAction*>{w.menuParametri(), w.menuStato()}));
    EXPECT_EQ(w.menuStato()->text(), u"Stato"_s);

    QuandoModale<SBookParam> chiudi([](SBookParam* p) { p->close(); }); // the first start's parameters window
    w.show();
    ASSERT_TRUE(aspetta([&] { return chiudi.avvenuto() && w.attivazioni() == 2; }));

    auto pos = [&](int i) {
        return w.T(i)->mapTo(&w, QPoint(0, 0));
    };
    // Left column 0, 2, 3, 4, 5, 11 and right column 6, 7, 8, 9, 10, 12, top to bottom.
    const int left[] = {0, 2, 3, 4, 5, 11};
    const int right[] = {6, 7, 8, 9, 10, 12};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(pos(left[r]).x(), pos(0).x());
        EXPECT_EQ(pos(right[r]).x(), pos(6).x());
        EXPECT_EQ(pos(left[r]).y(), pos(right[r]).y()) << r; // 11 and 12 side by side on the last row
        if (r > 0) {
            EXPECT_GT(pos(left[r]).y(), pos(left[r - 1]).y());
        }
    }
    EXPECT_GT(pos(6).x(), pos(0).x());
    // "&Esci" below both columns, as wide as both, white.
    EXPECT_GT(pos(1).y(), pos(11).y() + w.T(11)->height());
    EXPECT_EQ(pos(1).x(), pos(0).x());
    EXPECT_GE(w.T(1)->width(), pos(6).x() + w.T(6)->width() - pos(0).x() - 1);
    EXPECT_EQ(w.T(1)->palette().color(QPalette::Button), QColor(Qt::white));
    // Every caption fits its button.
    for (int i = 0; i < SBDeskTop::NumeroComandi; ++i)
        EXPECT_LE(w.T(i)->fontMetrics().horizontalAdvance(w.T(i)->text().remove(u'&')) + 8, w.T(i)->width()) << i;

    // The text boxes: the request above in light yellow, the answer below in light orange.
    EXPECT_LT(w.Text1(0)->mapTo(&w, QPoint(0, 0)).y(), w.Text1(1)->mapTo(&w, QPoint(0, 0)).y());
    EXPECT_LT(w.Text1(0)->mapTo(&w, QPoint(0, 0)).x(), pos(0).x());
    const QColor giallo = w.Text1(0)->palette().color(QPalette::Base);
    const QColor arancio = w.Text1(1)->palette().color(QPalette::Base);
    EXPECT_TRUE(giallo.red() == 255 && giallo.green() == 255 && giallo.blue() < 224);
    EXPECT_TRUE(arancio.red() == 255 && arancio.green() < 240 && arancio.blue() < arancio.green());
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(SBDeskTopWindow, FirstStartWithoutSettingsAsksForTheParameters)
{
    DeskTop d;
    ASSERT_FALSE(QFile::exists(d.file(u"SBookParam.txt"_s)));
    bool empty = false;
    QuandoModale<SBookParam> parametri([&](SBookParam* p) {
        empty = !p->Chk()->isChecked() && !p->Check1()->isChecked() && p->Text1(0)->text().isEmpty() &&
                p->Text1(8)->text().isEmpty();
        EXPECT_EQ(d.window->windowTitle(), kIniziale); // the caption waits for the file
        p->Text1(0)->setText(u"http://127.0.0.1:1/res"_s);
        for (int i = 1; i <= 4; ++i)
            p->Text1(i)->setText(u"x"_s); // an empty credential would be asked about
        p->Text1(5)->setText(u"H9"_s);
        p->Check1()->setChecked(true);
        p->T(0)->click();
    });
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->windowTitle() == kModo2; }));
    EXPECT_TRUE(parametri.avvenuto());
    EXPECT_TRUE(empty);
    EXPECT_EQ(d.window->attivazioni(), 2); // the first display, then the return from the parameters
    EXPECT_TRUE(QFile::exists(d.file(u"SBookParam.txt"_s)));
    EXPECT_EQ(d.ctx.settings.CodiceHotel, u"H9"_s);

    // The hotel of the settings has its HotelId row, so the catalogue downloads have a hotel to ask for.
    Database db(QDir(d.tmp.path()), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"HotelId"_s);
    EXPECT_TRUE(rs.FindFirst(u"HotelId = 'H9' and NumeroHotel = 1 and DesHotel = 'H9'"_s));
}

TEST(SBDeskTopWindow, LeavingTheParametersUnsavedDoesNotTrapTheOperator)
{
    DeskTop d;
    auto esci = std::make_unique<QuandoModale<SBookParam>>([](SBookParam* p) { p->T(1)->click(); });
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return esci->avvenuto() && d.window->attivazioni() == 2; }));
    lascia(200);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // not opened again by itself
    EXPECT_EQ(d.window->windowTitle(), kIniziale);

    // The menu still opens it.
    QuandoModale<SBookParam> ancora([](SBookParam* p) { p->T(1)->click(); });
    QTimer::singleShot(0, d.window->menuParametri(), &QAction::trigger);
    ASSERT_TRUE(aspetta([&] { return ancora.avvenuto() && d.window->attivazioni() == 3; }));
}

TEST(SBDeskTopWindow, EveryReturnFromTheParametersWindowReadsTheSettingsAgain)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(false));
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->windowTitle() == kModo1; }));
    EXPECT_EQ(d.window->attivazioni(), 1);

    // Changed behind the window's back; leaving the parameters window with "&Esci" re-reads it.
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(true));
    QuandoModale<SBookParam> esci([](SBookParam* p) { p->T(1)->click(); });
    QTimer::singleShot(0, d.window->menuParametri(), &QAction::trigger);
    ASSERT_TRUE(aspetta([&] { return d.window->windowTitle() == kModo2; }));
    EXPECT_EQ(d.window->attivazioni(), 2);
}

TEST(SBDeskTopWindow, TheReturnFromAMessageBoxIsNoActivation)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(false));
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->windowTitle() == kModo1; }));
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(true));

    for (int volta = 0; volta < 2; ++volta) {
        RispostaAlMessaggio no(u"&No"_s);
        QTimer::singleShot(0, d.window->T(1), &QPushButton::click);
        ASSERT_TRUE(aspetta([&] { return no.mostrato() && !QApplication::activeModalWidget(); }));
        EXPECT_EQ(no.testo, u"Chiudere l'interfaccia QV <--> SimpleBooking?"_s);
    }
    lascia(50);
    EXPECT_EQ(d.window->attivazioni(), 1);
    EXPECT_EQ(d.window->windowTitle(), kModo1);
}

TEST(SBDeskTopWindow, EsciAndTheTitleBarAskBeforeEnding)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(false));
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->windowTitle() == kModo1; }));

    {
        RispostaAlMessaggio no(u"&No"_s);
        QTimer::singleShot(0, d.window->T(1), &QPushButton::click);
        ASSERT_TRUE(aspetta([&] { return no.mostrato() && !QApplication::activeModalWidget(); }));
        EXPECT_EQ(no.testo, u"Chiudere l'interfaccia QV <--> SimpleBooking?"_s);
        EXPECT_THAT(no.pulsanti, ElementsAre(u"&Sì"_s, u"&No"_s));
        lascia(20);
        EXPECT_TRUE(d.window->isVisible());
    }
    {
        RispostaAlMessaggio no(u"&No"_s);
        QTimer::singleShot(0, d.window.get(), &QWidget::close); // the title bar's close
        ASSERT_TRUE(aspetta([&] { return no.mostrato() && !QApplication::activeModalWidget(); }));
        lascia(20);
        EXPECT_TRUE(d.window->isVisible());
    }
    RispostaAlMessaggio si(u"&Sì"_s);
    QTimer::singleShot(0, d.window->T(1), &QPushButton::click);
    ASSERT_TRUE(aspetta([&] { return si.mostrato() && !d.window->isVisible(); }));
    EXPECT_FALSE(d.sessione.scheduler().timer().isActive());
}

TEST(SBDeskTopWindow, CommandButtonsRunTheExchangesAndFillTheTextBoxes)
{
    SimServer sim(SimServer::scenario(u"two-hotels"_s));
    DeskTop d;
    d.ctx.baseUrl = sim.baseUrl();
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(false, sim.reservationsUrl()));
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->windowTitle() == kModo1; }));

    ChiudiMessaggi messaggi;
    d.window->T(3)->click(); // getRooms
    EXPECT_TRUE(d.window->Text1(0)->toPlainText().contains(u"RoomListRQ"_s) ||
                d.window->Text1(0)->toPlainText().contains(u"HotelCode=\"1234\""_s));
    EXPECT_FALSE(d.window->Text1(1)->toPlainText().isEmpty());
    {
        Database db(QDir(d.tmp.path()), u"SimpleBooking.mdb"_s);
        EXPECT_EQ(db.OpenRecordset(u"Select * From Rooms Where HotelId = '1234'"_s).RecordCount(), 3);
    }

    // The review says on the status line how far it has come, and clears it at its end.
    QStringList avanzamento;
    QObject::connect(d.window->statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& testo) { avanzamento << testo; });
    d.window->T(4)->click(); // reservations With Details
    EXPECT_TRUE(avanzamento.contains(u"Registrazione 1 di 2"_s)) << avanzamento.join(u" | "_s).toStdString();
    EXPECT_TRUE(d.window->statusBar()->currentMessage().isEmpty());
    Database db(QDir(d.tmp.path()), u"SimpleBooking.mdb"_s);
    EXPECT_GE(db.OpenRecordset(u"Reservations"_s).RecordCount(), 1);
    EXPECT_FALSE(sim.confirmedIds().isEmpty());
    EXPECT_EQ(d.window->attivazioni(), 1); // a command is no activation
}

} // namespace
