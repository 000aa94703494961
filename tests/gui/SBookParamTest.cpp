// The parameters window: what it shows from SBookParam.txt, what "&Registra" writes, "&Esci",
// Enter and focus behaviour, the password field, and a file that cannot be written.

#include "shell/SBookParam.h"
#include "DeskTop.h"
#include "GuiSupport.h"
#include "store/TextFile.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;

namespace {

const QByteArray kFile =
    " 1 \r\nhttps://host/res\r\nprov\r\np&w\r\nacc\r\n pwd \r\nH1\r\nP1\r\nBB\r\n12x\r\n 0 \r\n1\r\n";

void invio(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

TEST(SBookParamWindow, ControlsLabelsAndOrder)
{
    DeskTop d;
    SBookParam p(d.ctx);
    EXPECT_EQ(p.windowTitle(), u"Parametri web services"_s);
    EXPECT_EQ(p.Chk()->text(), u"Attivo"_s);
    EXPECT_EQ(p.Check1()->text(), u"Assegnazione automatica"_s);
    EXPECT_EQ(p.Check2()->text(), u"Cancellazione definitiva"_s);
    EXPECT_EQ(p.T(0)->text(), u"&Registra"_s);
    EXPECT_EQ(p.T(1)->text(), u"&Esci"_s);
    const QStringList labels{u"Host name"_s, u"Prov Name"_s,  u"Prov Pwd"_s,  u"Account"_s,  u"Password"_s,
                             u"Hotel ID"_s,  u"Portals ID"_s, u"Cod. Arr."_s, u"Cod. Add."_s};
    for (int i = 0; i < SBookParam::NumeroCampi; ++i)
        EXPECT_EQ(p.Label1(i)->text(), labels.at(i));
    // Both passwords are masked, nothing else.
    for (int i = 0; i < SBookParam::NumeroCampi; ++i)
        EXPECT_EQ(p.Text1(i)->echoMode() == QLineEdit::Password, i == 2 || i == 4) << labels.at(i).toStdString();

    p.show();
    ASSERT_TRUE(aspetta([&] { return p.isVisible(); }));
    auto y = [&](QWidget* w) {
        return w->mapTo(&p, QPoint(0, 0)).y();
    };
    auto x = [&](QWidget* w) {
        return w->mapTo(&p, QPoint(0, 0)).x();
    };
    // "Attivo" top left; the other two boxes top right, one above the other; the fields below in
    // index order, each with its label at its left; the buttons at the bottom.
    EXPECT_EQ(y(p.Chk()), y(p.Check1()));
    EXPECT_LT(x(p.Chk()), x(p.Check1()));
    EXPECT_GT(y(p.Check2()), y(p.Check1()));
    EXPECT_EQ(x(p.Check2()), x(p.Check1()));
    EXPECT_GT(y(p.Text1(0)), y(p.Check2()));
    for (int i = 1; i < SBookParam::NumeroCampi; ++i)
        EXPECT_GT(y(p.Text1(i)), y(p.Text1(i - 1)));
    for (int i = 0; i < SBookParam::NumeroCampi; ++i)
        EXPECT_LT(x(p.Label1(i)) + p.Label1(i)->width(), x(p.Text1(i)) + 1);
    EXPECT_GT(y(p.T(0)), y(p.Text1(8)));
    EXPECT_EQ(y(p.T(0)), y(p.T(1)));

    // Typed password characters show as "*".
    EXPECT_EQ(p.Text1(4)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(p.Text1(4)->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, p.Text1(4)), u'*');

    // Centred on the screen.
    const QRect s = p.screen()->geometry();
    EXPECT_NEAR(p.x(), (s.width() - p.width()) / 2, 1);
    EXPECT_NEAR(p.y(), (s.height() - p.height()) / 2, 1);
    EXPECT_TRUE(p.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(SBookParamWindow, FillsFromTheFileAndRegistraWritesItBack)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, kFile);
    SBookParam p(d.ctx);
    EXPECT_TRUE(p.Chk()->isChecked()); // " 1 " reads as 1
    EXPECT_FALSE(p.Check1()->isChecked());
    EXPECT_TRUE(p.Check2()->isChecked());
    EXPECT_EQ(p.Text1(0)->text(), u"https://host/res"_s);
    EXPECT_EQ(p.Text1(4)->text(), u" pwd "_s); // untrimmed
    EXPECT_EQ(p.Text1(8)->text(), u"12x"_s);

    p.Chk()->setChecked(false);
    p.Check1()->setChecked(true);
    p.Text1(5)->setText(u"H2"_s);
    p.Text1(8)->setText(u"abc"_s);
    EXPECT_FALSE(p.Check3()->isChecked()); // a file of twelve lines: not publishing
    p.Check3()->setChecked(true);
    p.Text2()->setText(u"90"_s);
    p.Text3()->setText(u"45"_s);
    p.show();
    p.T(0)->click();
    EXPECT_EQ(p.result(), QDialog::Accepted);
    EXPECT_FALSE(p.isVisible());
    EXPECT_THAT(*TextFile::readLines(d.file(u"SBookParam.txt"_s)),
                ElementsAre(u" 0 "_s, u"https://host/res"_s, u"prov"_s, u"p&w"_s, u"acc"_s, u" pwd "_s, u"H2"_s,
                            u"P1"_s, u"BB"_s, u"abc"_s, u" 1 "_s, u" 1 "_s, u" 1 "_s, u"90"_s, u"45"_s));
    EXPECT_EQ(d.ctx.settings.orizzonte(), 90);
    EXPECT_EQ(d.ctx.settings.giorniConservazione(), 45);
    EXPECT_EQ(d.ctx.settings.CodiceHotel, u"H2"_s);
    EXPECT_EQ(d.ctx.settings.CodAdd, 0); // not a number: saved as typed, held as 0
    EXPECT_EQ(d.ctx.settings.Attivo, u"0"_s);
}

TEST(SBookParamWindow, EsciLeavesFileAndSettingsUntouched)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, kFile);
    d.ctx.reloadSettings();
    SBookParam p(d.ctx);
    p.Text1(5)->setText(u"changed"_s);
    p.show();
    p.T(1)->click();
    EXPECT_EQ(p.result(), QDialog::Rejected);
    EXPECT_EQ(TextFile::readAll(d.file(u"SBookParam.txt"_s)).value_or(QString()).toLatin1(), kFile);
    EXPECT_EQ(d.ctx.settings.CodiceHotel, u"H1"_s);
}

TEST(SBookParamWindow, EnterMovesTheFocusAndAFocusedFieldIsSelectedWhole)
{
    DeskTop d;
    d.write(u"SBookParam.txt"_s, kFile);
    SBookParam p(d.ctx);
    p.show();
    p.activateWindow();
    ASSERT_TRUE(aspetta([&] { return QApplication::activeWindow() == &p; }));

    p.Text1(0)->setFocus(Qt::MouseFocusReason);
    for (int i = 0; i < SBookParam::NumeroCampi; ++i) {
        ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == p.Text1(i); })) << i;
        ASSERT_TRUE(aspetta([&] { return p.Text1(i)->selectedText() == p.Text1(i)->text(); })) << i;
        invio(p.Text1(i));
    }
    ASSERT_TRUE(aspetta([&] { return QApplication::focusWidget() == p.T(0); }));
    EXPECT_TRUE(p.isVisible()); // Enter in a field never saves by itself
    EXPECT_EQ(p.result(), 0);
}

TEST(SBookParamWindow, AFileThatCannotBeWrittenIsReportedAndTheWindowStays)
{
    DeskTop d;
    QDir(d.tmp.path()).mkdir(u"SBookParam.txt"_s); // a folder where the file should be
    SBookParam p(d.ctx);
    p.Text1(5)->setText(u"H3"_s);
    p.show();
    RispostaAlMessaggio ok(u"OK"_s);
    QTimer::singleShot(0, p.T(0), &QPushButton::click);
    ASSERT_TRUE(aspetta([&] { return ok.mostrato() && QApplication::activeModalWidget() != nullptr; }) ||
                ok.mostrato());
    lascia(50);
    EXPECT_EQ(ok.titolo, u"Errore"_s);
    EXPECT_TRUE(p.isVisible());
    EXPECT_EQ(p.Text1(5)->text(), u"H3"_s);
    EXPECT_NE(d.ctx.settings.CodiceHotel, u"H3"_s);
    p.reject();
}

} // namespace
