// The monthly availability and price window on the offscreen platform: captions and controls, the
// start date, the cell pick and its edit box, the list and the boxes of one room type with their
// Enter and focus rules, the buttons, and the exit question.

#include "availability/SBMese.h"
#include "DeskTop.h"
#include "GuiSupport.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/TextFile.h"
#include "support/CatalogoQV.h"
#include "support/WorkDir.h"

#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTableView>
#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;

namespace {

void invio(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

// A hotel with two mapped room types and a counter row for May 2026.
void albergo(const QDir& w)
{
    for (const auto& [sigla, quantita] : {std::pair{u"DOP"_s, 5}, std::pair{u"SIN"_s, 3}}) {
        CatalogoQV::tipoCamera(w, sigla, quantita);
        CatalogoQV::cameraServizio(w, u"1001"_s, u"S"_s + sigla, 1, sigla);
    }
    CatalogoQV::inserisci(w, u"Disponibilita.mdb"_s, u"DisponibilitàTipi"_s,
                          {{u"NumeroHotel"_s, 1},
                           {u"AMT"_s, u"202605DOP"_s},
                           {u"Libere"_s, DaySlots::repeated(DaySlots::counter(4), 3) + DaySlots::counter(0) +
                                             DaySlots::repeated(DaySlots::counter(4), 27)}});
}

struct Mese
{
    Mese()
    {
        w.bootstrap();
        albergo(w.dir());
        f = std::make_unique<SBMese>(w.ctx);
        f->show();
        f->activateWindow();
        EXPECT_TRUE(aspetta([&] { return f->attivazioni() == 1 && f->isActiveWindow(); }));
    }
    QString riga(int i) const { return f->List1()->item(i)->text(); }
    void fuoco(QWidget* w) const
    {
        w->setFocus(Qt::MouseFocusReason);
        aspetta([&] { return QApplication::focusWidget() != nullptr; }, 200);
    }

    WorkDir w; // 4 May 2026
    std::unique_ptr<SBMese> f;
};

TEST(SBMeseWindow, CaptionControlsAndTheGridOfTheFirstActivation)
{
    Mese m;
    SBMese& f = *m.f;
    EXPECT_EQ(f.windowTitle(), u"Disponibilità e Prezzi mensile"_s);
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isModal());
    EXPECT_EQ(f.Text2()->text(), u"04/05/2026"_s);
    EXPECT_EQ(f.findChild<QLabel*>(u"Label2"_s)->text(), u"Data inizio periodo : "_s);
    EXPECT_EQ(f.T(0)->text(), u"&Registra"_s);
    EXPECT_EQ(f.T(1)->text(), u"&Importa da QV"_s);
    EXPECT_EQ(f.T(2)->text(), u"&Esci"_s);
    EXPECT_EQ(f.T(3)->text(), u"&Prepara File"_s);
    EXPECT_EQ(f.Text1(1)->text(), u"Disponib."_s);
    EXPECT_EQ(f.Text1(33)->text(), u"Prezzo"_s);
    EXPECT_EQ(f.Text1(66)->text(), u"Modifica"_s);
    // What the day values mean at the service, under the grid.
    EXPECT_EQ(f.Label4()->text(), u"-1 = chiuso, 0 = invariato"_s);
    EXPECT_GT(f.Label4()->mapTo(&f, QPoint(0, 0)).y(), f.Grid1()->mapTo(&f, QPoint(0, 0)).y());
    EXPECT_EQ(f.Text1(2)->text(), u"0"_s);
    EXPECT_EQ(f.Text1(64)->text(), u"0,00"_s);
    EXPECT_TRUE(larghezzaFissa(f.List1()->font()));

    QAbstractItemModel* g = f.Grid1()->model();
    EXPECT_EQ(g->columnCount(), 33);
    EXPECT_EQ(g->rowCount(), 300);
    EXPECT_EQ(g->index(0, 2).data().toString(), u"  04   "_s);
    EXPECT_EQ(g->index(1, 0).data().toString(), u"DOP"_s);
    EXPECT_EQ(g->index(5, 1).data().toString(), u" Prezzi "_s);
    ASSERT_EQ(f.List1()->count(), 7);
    EXPECT_EQ(m.riga(4).left(14), u"SIN    Disp.  "_s);

    // A month of 31 days reads without scrolling, in the grid and in the list; the window is centred.
    EXPECT_LE(f.Grid1()->horizontalHeader()->length(), f.Grid1()->viewport()->width());
    EXPECT_LE(QFontMetrics(f.List1()->font()).horizontalAdvance(m.riga(1)), f.List1()->viewport()->width());
    const QRect s = f.screen()->availableGeometry();
    EXPECT_EQ(s.width(), 1920);
    EXPECT_LE(f.width(), s.width());
    EXPECT_NEAR(f.x(), s.x() + std::max(0, (s.width() - f.width()) / 2), 1);
}

TEST(SBMeseWindow, EnterInTheStartDateRebuildsOrFallsBackToToday)
{
    Mese m;
    SBMese& f = *m.f;
    f.Text2()->setText(u"150326"_s);
    invio(f.Text2());
    EXPECT_EQ(f.Text2()->text(), u"15/03/2026"_s);
    EXPECT_EQ(f.griglia().inizio(), QDate(2026, 3, 15));
    EXPECT_EQ(f.Grid1()->model()->index(0, 19).data().toString(), u"  01   "_s);
    f.Text2()->setText(u"31/04/2026"_s);
    invio(f.Text2());
    EXPECT_EQ(f.Text2()->text(), u"04/05/2026"_s);
    EXPECT_EQ(f.griglia().inizio(), QDate(2026, 3, 15));
    // The date typed but never confirmed is not the grid's: the file carries 15/03/2026.
    f.Text2()->setText(u"01/01/2027"_s);
    f.T(3)->click();
    const QStringList file = QDir(m.w.tmp.path()).entryList({u"WBValuesRooms*.txt"_s});
    ASSERT_EQ(file.size(), 1);
    EXPECT_TRUE(TextFile::readAll(m.w.file(file.at(0)))->startsWith(u"15/03/2026,DOP,Avail,"_s));
}

TEST(SBMeseWindow, ACellPickedAndEditedChangesGridListAndBoxes)
{
    Mese m;
    SBMese& f = *m.f;
    const QModelIndex cella = f.Grid1()->model()->index(1, 4);
    f.Grid1()->setCurrentIndex(cella);
    emit f.Grid1()->clicked(cella);
    // The value trimmed and selected: a key typed replaces it.
    EXPECT_EQ(f.Text1(65)->text(), u"0"_s);
    EXPECT_EQ(f.Text1(65)->selectedText(), u"0"_s);
    EXPECT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.Text1(65); }));
    QKeyEvent quattro(QEvent::KeyPress, Qt::Key_4, Qt::NoModifier, u"4"_s);
    QApplication::sendEvent(f.Text1(65), &quattro);
    EXPECT_EQ(f.Text1(65)->text(), u"4"_s);
    // The same cell picked again fills the box again, the typing not sent.
    emit f.Grid1()->clicked(cella);
    EXPECT_EQ(f.Text1(65)->text(), u"0"_s);
    f.Text1(65)->setText(u"12"_s);
    invio(f.Text1(65));
    EXPECT_EQ(f.Text1(65)->text(), u"12"_s);
    EXPECT_EQ(cella.data().toString(), u"  12   "_s);
    EXPECT_EQ(m.riga(1).mid(14 + 2 * 7, 7), u"  12   "_s);
    // Not a number: refused with a message, nothing changed.
    f.Text1(65)->setText(u"dodici"_s);
    invio(f.Text1(65));
    ASSERT_EQ(m.w.op.messages.size(), 1);
    EXPECT_EQ(m.w.op.messages.at(0).message.title, u"Errore"_s);
    EXPECT_EQ(cella.data().toString(), u"  12   "_s);
    // The boxes of the type show the same value.
    emit f.List1()->itemClicked(f.List1()->item(1));
    EXPECT_EQ(f.Text1(0)->text(), u"DOP"_s);
    EXPECT_EQ(f.Text1(4)->text(), u"12"_s);
}

TEST(SBMeseWindow, ListLinesBoxesEnterAndFocus)
{
    Mese m;
    SBMese& f = *m.f;
    // A box with no room chosen sends the focus to the list.
    m.fuoco(f.Text1(5));
    ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.List1(); }));
    ASSERT_EQ(m.w.op.messages.size(), 1);
    EXPECT_EQ(m.w.op.messages.at(0).message.text, u"Selezionare una camera!"_s);
    EXPECT_EQ(m.w.op.messages.at(0).message.title, u"Errore"_s);
    // The header and a price line carry no room code.
    for (int r : {0, 2, 3}) {
        emit f.List1()->itemClicked(f.List1()->item(r));
        EXPECT_EQ(m.w.op.messages.last().message.text, u"Selezionare una riga con la sigla camera!"_s);
        EXPECT_EQ(m.w.op.messages.last().message.icon, OperatorPort::Icon::Exclamation);
    }
    EXPECT_EQ(m.w.op.messages.size(), 4);
    EXPECT_TRUE(f.Text1(0)->text().isEmpty());

    emit f.List1()->itemClicked(f.List1()->item(4));
    EXPECT_EQ(f.Text1(0)->text(), u"SIN"_s);
    ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.Text1(2); }));
    EXPECT_EQ(f.Label3()->text(), u"04/05/2026"_s);
    f.Text1(2)->setText(u" 3 camere"_s);
    invio(f.Text1(2));
    EXPECT_EQ(f.Text1(2)->text(), u"3"_s);
    ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.Text1(3); }));
    EXPECT_EQ(f.Label3()->text(), u"05/05/2026"_s);
    EXPECT_TRUE(aspetta([&] { return f.Text1(3)->selectedText() == f.Text1(3)->text(); }));
    // The last availability box goes on to the first price; the last price to "Registra".
    m.fuoco(f.Text1(32));
    invio(f.Text1(32));
    ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.Text1(34); }));
    EXPECT_EQ(f.Label3()->text(), u"04/05/2026"_s);
    f.Text1(34)->setText(u"1234"_s);
    invio(f.Text1(34));
    EXPECT_EQ(f.Text1(34)->text(), u"1.234,00"_s);
    m.fuoco(f.Text1(64));
    EXPECT_EQ(f.Label3()->text(), u"03/06/2026"_s);
    invio(f.Text1(64));
    ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.T(0); }));

    // "Registra" writes the boxes into the model: grid and list show them.
    f.T(0)->click();
    EXPECT_EQ(f.Grid1()->model()->index(4, 2).data().toString(), u"  3    "_s);
    EXPECT_EQ(f.Grid1()->model()->index(5, 2).data().toString(), u"1234,00"_s);
    EXPECT_EQ(m.riga(5).mid(14, 7), u"1234,00"_s);
    // "Importa da QV" fills the availability and the boxes follow.
    f.T(1)->click();
    EXPECT_EQ(f.Grid1()->model()->index(1, 2).data().toString(), u"  -1   "_s);
    EXPECT_EQ(f.Grid1()->model()->index(1, 3).data().toString(), u"  4    "_s);
    EXPECT_EQ(f.Text1(2)->text(), u"3"_s); // SIN has no counter row: all 3 free
    EXPECT_EQ(f.Text1(34)->text(), u"1234,00"_s);
    EXPECT_EQ(m.w.op.messages.size(), 4);
}

TEST(SBMeseWindow, LeavingWithoutTheFileAsksFirst)
{
    Mese m;
    SBMese& f = *m.f;
    m.w.op.answer(OperatorPort::Answer::No);
    f.T(2)->click();
    ASSERT_EQ(m.w.op.messages.size(), 1);
    const auto& q = m.w.op.messages.at(0).message;
    EXPECT_EQ(q.title, u"Invio File"_s);
    EXPECT_EQ(q.text, u"Non è stato preparato il file per l'invio al web! Confermi l'uscita?"_s);
    EXPECT_EQ(q.buttons, OperatorPort::Buttons::YesNo);
    EXPECT_EQ(q.defaultButton, OperatorPort::Answer::No);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(aspetta([&] { return QApplication::focusWidget() == f.T(3); }));
    // The title bar's close asks the same.
    m.w.op.answer(OperatorPort::Answer::No);
    f.close();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(m.w.op.messages.size(), 2);
    // Once the file is prepared, "Esci" leaves at once.
    f.T(3)->click();
    f.T(2)->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(m.w.op.messages.size(), 2);
    EXPECT_EQ(QDir(m.w.tmp.path()).entryList({u"WBValuesRooms*.txt"_s}).size(), 1);
}

TEST(SBMeseWindow, OpenedByTheMainWindowAMessageBoxIsNoActivation)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(false));
    albergo(d.ctx.workDir());
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->attivazioni() == 1; }));

    bool controllato = false;
    QuandoModale<SBMese> mese([&](SBMese* f) {
        if (!aspetta([&] { return f->attivazioni() == 1; }))
            return;
        const QModelIndex cella = f->Grid1()->model()->index(1, 2);
        f->Grid1()->setCurrentIndex(cella);
        f->Text1(65)->setText(u"7"_s);
        invio(f->Text1(65));
        {
            // A real message box over the window: its return wipes nothing.
            RispostaAlMessaggio ok(u"OK"_s);
            emit f->List1()->itemClicked(f->List1()->item(0));
            aspetta([&] { return ok.mostrato(); });
            EXPECT_EQ(ok.testo, u"Selezionare una riga con la sigla camera!"_s);
            EXPECT_EQ(ok.titolo, u"Errore"_s);
        }
        lascia(50);
        EXPECT_EQ(f->attivazioni(), 1);
        EXPECT_EQ(cella.data().toString(), u"  7    "_s);
        controllato = true;
        f->T(3)->click();
        f->T(2)->click();
    });
    QTimer::singleShot(0, d.window->T(6), &QPushButton::click);
    ASSERT_TRUE(aspetta([&] { return mese.avvenuto() && !QApplication::activeModalWidget(); }, 10000));
    EXPECT_TRUE(controllato);
    // The return from the window is an activation of the main window.
    ASSERT_TRUE(aspetta([&] { return d.window->attivazioni() == 2; }));
}

TEST(SBMeseWindow, TheMappingButtonsOpenTheirWindowsModally)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, DeskTop::parametri(false));
    d.window->show();
    ASSERT_TRUE(aspetta([&] { return d.window->attivazioni() == 1; }));
    int attese = 1;
    for (const auto& [indice, titolo] : {std::pair{11, u"Rooms assignment"_s}, std::pair{12, u"Rates assignment"_s}}) {
        QString visto;
        QuandoModale<QDialog> finestra([&](QDialog* w) {
            visto = w->windowTitle();
            w->accept();
        });
        QTimer::singleShot(0, d.window->T(indice), &QPushButton::click);
        ASSERT_TRUE(aspetta([&] { return finestra.avvenuto() && !QApplication::activeModalWidget(); }));
        EXPECT_EQ(visto, titolo);
        ASSERT_TRUE(aspetta([&] { return d.window->attivazioni() == attese + 1; }));
        ++attese;
    }
}

} // namespace
