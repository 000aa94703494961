// The room type and rate mapping windows on the offscreen platform: captions and controls, the
// hotel and line choices bound to their models, "&Save", "&Remove" and "&Exit".

#include "GuiSupport.h"
#include "mapping/SBRates.h"
#include "mapping/SBRooms.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/CatalogoQV.h"
#include "support/WorkDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;

namespace {

struct Catalogo
{
    Catalogo()
    {
        w.bootstrap();
        w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                 {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, u"1001"_s}, {u"DesHotel"_s, u"Hotel Demo"_s}});
        w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                 {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, u"2002"_s}, {u"DesHotel"_s, u"Altro"_s}});
        for (const auto& [sigla, tipologia] :
             {std::pair{u"DOP"_s, u"C"_s}, std::pair{u"SIN"_s, u"C"_s}, std::pair{u"SAL"_s, u"A"_s}})
            CatalogoQV::tipoCamera(w.dir(), sigla, 2, tipologia, u"Tipo "_s + sigla);
        CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"DBL"_s, 3, u"DOP"_s, u"Double"_s);
        CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"NEW"_s, 1, u" "_s, u"Not mapped"_s);
        w.insert(u"Arrangiamenti.mdb"_s, u"NomiArrangiamenti"_s,
                 {{u"NumeroHotel"_s, 1}, {u"Sigla"_s, u"BB"_s}, {u"Descrizione"_s, u"Colazione"_s}});
        w.insert(u"VociFattura.mdb"_s, u"VociFattura"_s,
                 {{u"NumeroHotel"_s, 1}, {u"Reparto"_s, u"ARR"_s}, {u"Codice"_s, 11}, {u"Descrizione"_s, u"Camera"_s}});
        CatalogoQV::tariffaServizio(w.dir(), u"1001"_s, u"BB"_s, u"Bed and breakfast"_s, u"BB"_s, 11);
    }
    // The texts of a combo box's items or of a list's lines, in order.
    static QStringList testi(const QAbstractItemModel* m)
    {
        QStringList out;
        for (int i = 0; i < m->rowCount(); ++i)
            out.append(m->index(i, 0).data().toString());
        return out;
    }
    static QStringList testi(const QComboBox* c) { return testi(c->model()); }
    static QStringList righe(const QListWidget* l) { return testi(l->model()); }
    WorkDir w;
};

void comuni(FinestraMappatura& f, const QString& titolo, const QString& tabella)
{
    EXPECT_EQ(f.windowTitle(), titolo);
    EXPECT_EQ(f.titoloTabella()->text(), tabella);
    EXPECT_TRUE(f.titoloTabella()->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(larghezzaFissa(f.List1()->font()));
    EXPECT_EQ(f.T(0)->text(), u"&Save"_s);
    EXPECT_EQ(f.T(1)->text(), u"&Exit"_s);
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.isModal());
    f.show();
    ASSERT_TRUE(aspetta([&] { return f.isVisible(); }));
    const QRect s = f.screen()->geometry();
    EXPECT_NEAR(f.x(), (s.width() - f.width()) / 2, 1);
    EXPECT_NEAR(f.y(), (s.height() - f.height()) / 2, 1);
    // Top to bottom: the hotel, the table, the fields, the buttons.
    auto y = [&](QWidget* w) {
        return w->mapTo(&f, QPoint(0, 0)).y();
    };
    EXPECT_LT(y(f.Combo1()), y(f.titoloTabella()));
    EXPECT_LT(y(f.titoloTabella()), y(f.List1()));
    EXPECT_LT(y(f.List1()), y(f.Text1(0)));
    EXPECT_LT(y(f.Text1(1)), y(f.Combo2(0)));
    EXPECT_LT(y(f.Combo2(1)), y(f.T(0)));
    EXPECT_EQ(f.Combo1()->currentIndex(), -1);
}

TEST(SBRoomsWindow, ControlsHotelAndLineChoice)
{
    Catalogo c;
    SBRooms f(c.w.ctx);
    comuni(f, u"Rooms assignment"_s, u"TABLE OF ROOMS"_s);
    EXPECT_EQ(f.T(2)->text(), u"&Remove"_s);
    EXPECT_TRUE(f.T(2)->isVisible());
    EXPECT_EQ(f.etichettaCombo2(0)->text(), u"Level"_s);
    EXPECT_EQ(f.etichettaCombo2(1)->text(), u"QV type of room"_s);
    EXPECT_EQ(f.Combo2(0)->count(), 10);
    EXPECT_EQ(f.Combo2(0)->currentText(), u"1"_s);
    EXPECT_EQ(f.Combo2(0)->itemText(9), u"10"_s);
    EXPECT_THAT(c.testi(f.Combo1()), ElementsAre(u"      1001 Hotel Demo"_s, u"      2002 Altro"_s));
    EXPECT_THAT(c.testi(f.Combo2(1)), ElementsAre(u"DOP    Tipo DOP"_s, u"SAL    Tipo SAL"_s, u"SIN    Tipo SIN"_s));
    EXPECT_EQ(f.Combo2(1)->currentIndex(), -1);

    f.Combo1()->setCurrentIndex(0);
    ASSERT_THAT(c.righe(f.List1()), ElementsAre(u"       DBL Double                3    DOP"_s,
                                                u"       NEW Not mapped            1       "_s));
    f.List1()->setCurrentRow(0);
    EXPECT_EQ(f.Text1(0)->text(), u"DBL"_s);
    EXPECT_EQ(f.Text1(1)->text(), u"Double"_s);
    EXPECT_EQ(f.Combo2(0)->currentText(), u"3"_s);
    EXPECT_EQ(f.Combo2(1)->currentText(), u"DOP    Tipo DOP"_s);
    // A line without a QV type leaves the combo as it was.
    f.List1()->setCurrentRow(1);
    EXPECT_EQ(f.Text1(0)->text(), u"NEW"_s);
    EXPECT_EQ(f.Combo2(0)->currentText(), u"1"_s);
    EXPECT_EQ(f.Combo2(1)->currentText(), u"DOP    Tipo DOP"_s);
    // Another hotel refills the list and keeps the fields.
    f.Combo1()->setCurrentIndex(1);
    EXPECT_EQ(f.List1()->count(), 0);
    EXPECT_EQ(f.Text1(0)->text(), u"NEW"_s);
    f.T(1)->click();
    EXPECT_FALSE(f.isVisible());
}

TEST(SBRoomsWindow, SaveAndRemoveChangeTheTableAndTheList)
{
    Catalogo c;
    SBRooms f(c.w.ctx);
    f.show();
    f.Combo1()->setCurrentIndex(0);
    f.Text1(0)->setText(u"O'NEIL"_s);
    f.Text1(1)->setText(u"Quote's room"_s);
    f.Combo2(0)->setCurrentIndex(1);
    f.Combo2(1)->setCurrentIndex(2);
    f.T(0)->click();
    EXPECT_THAT(c.righe(f.List1()), ElementsAre(u"       DBL Double                3    DOP"_s,
                                                u"       NEW Not mapped            1       "_s,
                                                u"    O'NEIL Quote's room          2    SIN"_s));
    f.List1()->setCurrentRow(2);
    EXPECT_EQ(f.Text1(1)->text(), u"Quote's room"_s);
    f.T(2)->click();
    EXPECT_EQ(f.List1()->count(), 2);
    // A refused save is told and leaves the list as it was.
    f.Text1(0)->setText(u"ELEVENCHARS"_s);
    f.T(0)->click();
    EXPECT_EQ(f.List1()->count(), 2);
    ASSERT_EQ(c.w.op.messages.size(), 1);
    EXPECT_EQ(c.w.op.messages.at(0).message.title, u"Errore"_s);
}

TEST(SBRatesWindow, ControlsSaveAndLineChoice)
{
    Catalogo c;
    SBRates f(c.w.ctx);
    comuni(f, u"Rates assignment"_s, u"TABLE OF RATES"_s);
    EXPECT_FALSE(f.T(2)->isVisible()); // no way to remove a rate row
    EXPECT_EQ(f.etichettaCombo2(0)->text(), u"QV type"_s);
    EXPECT_EQ(f.etichettaCombo2(1)->text(), u"QV code"_s);
    EXPECT_THAT(c.testi(f.Combo2(0)), ElementsAre(u"BB     Colazione"_s));
    EXPECT_THAT(c.testi(f.Combo2(1)), ElementsAre(u"    11 Camera"_s));
    EXPECT_EQ(f.Combo2(0)->currentIndex(), -1);
    EXPECT_EQ(f.Combo2(1)->currentIndex(), -1);
    f.Combo1()->setCurrentIndex(0);
    ASSERT_THAT(c.righe(f.List1()), ElementsAre(u"BB         Bed and breakfast    BB     11    "_s));
    f.List1()->setCurrentRow(0);
    EXPECT_EQ(f.Text1(0)->text(), u"BB"_s);
    EXPECT_EQ(f.Combo2(0)->currentIndex(), 0);
    EXPECT_EQ(f.Combo2(1)->currentIndex(), 0);
    f.Text1(1)->setText(u"B&B"_s);
    f.T(0)->click();
    f.Text1(0)->setText(u"RO"_s);
    f.Combo2(0)->setCurrentIndex(-1);
    f.Combo2(1)->setCurrentIndex(-1);
    f.T(0)->click();
    EXPECT_THAT(c.righe(f.List1()), ElementsAre(u"BB         B&B                  BB     11    "_s,
                                                u"RO         B&B                         0     "_s));
    EXPECT_TRUE(c.w.op.messages.isEmpty());
}

} // namespace
