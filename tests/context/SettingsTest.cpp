#include "context/Settings.h"
#include "store/TextFile.h"
#include "support/WorkDir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kFile =
    " 1 \r\nhttps://host/res\r\nprov\r\np&w\r\nacc\r\n pwd \r\nH1\r\nP1\r\nBB\r\n12x\r\n 1 \r\n 0 \r\n";

TEST(Settings, LoadsTheTwelveLines)
{
    WorkDir w;
    w.write(u"SBookParam.txt"_s, kFile);
    Settings s;
    ASSERT_TRUE(s.load(w.tmp.path()));
    EXPECT_EQ(s.Attivo, u"1"_s);
    EXPECT_TRUE(s.attivo());
    EXPECT_EQ(s.Password, u" pwd "_s); // read as it stands
    EXPECT_EQ(s.CodiceHotel, u"H1"_s);
    EXPECT_EQ(s.CodAdd, 12);
    EXPECT_EQ(s.AssegnazioneAutomatica, u"1"_s);
    EXPECT_EQ(s.CancellazioneDefinitiva, u"0"_s);
    EXPECT_EQ(s.Modalita, u"2"_s);
    EXPECT_EQ(s.nomeModalita(), u"Automatica"_s);
    EXPECT_FALSE(s.pubblica()); // a file of twelve lines: publishing off
    EXPECT_EQ(s.orizzonte(), 31);
    for (const auto& [righe, pubblica, giorni] : {std::tuple{" 1 \r\n\r\n", true, 31},
                                                  {" 1 \r\n90\r\n", true, 90},
                                                  {" 0 \r\n9999\r\n", false, 400},
                                                  {"\r\nxx\r\n", false, 31}}) {
        w.write(u"SBookParam.txt"_s, kFile + righe);
        ASSERT_TRUE(s.load(w.tmp.path()));
        EXPECT_EQ(s.pubblica(), pubblica) << righe;
        EXPECT_EQ(s.orizzonte(), giorni) << righe;
    }
}

TEST(Settings, ShortOrMissingFile)
{
    WorkDir w;
    Settings s;
    s.HostName = u"before"_s;
    s.Modalita = u"2"_s;
    EXPECT_FALSE(s.load(w.tmp.path()));
    EXPECT_EQ(s.Modalita, u"1"_s);

    w.write(u"SBookParam.txt"_s, "0\r\nhost-only");
    ASSERT_TRUE(s.load(w.tmp.path()));
    EXPECT_EQ(s.HostName, u"host-only"_s);
    EXPECT_EQ(s.Attivo, u"0"_s);
    EXPECT_EQ(s.Modalita, u"1"_s);
    EXPECT_EQ(s.CodAdd, 0);
}

TEST(ParametriForm, RegistraWritesPrintedFlagsAndTypedTexts)
{
    WorkDir w;
    ParametriForm empty = ParametriForm::fromFile(w.tmp.path());
    EXPECT_FALSE(empty.attivo);
    EXPECT_TRUE(empty.testi[0].isEmpty());

    ParametriForm form;
    form.attivo = true;
    const QString texts[9] = {u"h"_s, u"pn"_s, u"pp"_s, u"a"_s, u"pw"_s, u"H1"_s, u"P"_s, u"BB"_s, u"abc"_s};
    std::copy(std::begin(texts), std::end(texts), std::begin(form.testi));
    form.cancellazioneDefinitiva = true;
    Settings s;
    ASSERT_TRUE(form.registra(w.tmp.path(), s, w.op));
    QFile f(w.file(u"SBookParam.txt"_s));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(),
              QByteArray(" 1 \r\nh\r\npn\r\npp\r\na\r\npw\r\nH1\r\nP\r\nBB\r\nabc\r\n 0 \r\n 1 \r\n 0 \r\n\r\n\r\n"));
    EXPECT_EQ(s.CodAdd, 0); // a non-numeric code is saved as typed but reads 0
    EXPECT_EQ(s.Attivo, u"1"_s);
    EXPECT_EQ(s.Modalita, u"1"_s); // the mode follows at the next activation

    ParametriForm again = ParametriForm::fromFile(w.tmp.path());
    EXPECT_TRUE(again.attivo);
    EXPECT_TRUE(again.cancellazioneDefinitiva);
    EXPECT_EQ(again.testi[8], u"abc"_s);

    // Publishing with a horizon; a horizon that is no number of days from 1 to 400 is refused.
    form.pubblica = true;
    for (const QString& sbagliato : {u"0"_s, u"401"_s, u"tre"_s}) {
        form.orizzonte = sbagliato;
        EXPECT_FALSE(form.registra(w.tmp.path(), s, w.op));
    }
    form.orizzonte = u" 60 "_s;
    ASSERT_TRUE(form.registra(w.tmp.path(), s, w.op));
    EXPECT_TRUE(s.pubblica());
    EXPECT_EQ(s.orizzonte(), 60);
    again = ParametriForm::fromFile(w.tmp.path());
    EXPECT_TRUE(again.pubblica);
    EXPECT_EQ(again.orizzonte, u"60"_s);
}

TEST(ParametriForm, LineFifteenAndTheLinesAfterItSurviveASave)
{
    WorkDir w;
    // A file a later version wrote: its lines after the fifteenth are kept as they are.
    w.write(u"SBookParam.txt"_s, " 0 \r\nh\r\npn\r\npp\r\na\r\npw\r\nH1\r\n\r\n\r\n0\r\n 0 \r\n 0 \r\n 1 \r\n90\r\n"
                                 " 30 \r\nnuova\r\n\r\n 1 \r\n");
    ParametriForm form = ParametriForm::fromFile(w.tmp.path());
    EXPECT_EQ(form.conservazione, u"30"_s);
    Settings s;
    for (const QString& sbagliato : {u"-1"_s, u"tre"_s, u"36501"_s}) {
        form.conservazione = sbagliato;
        EXPECT_FALSE(form.registra(w.tmp.path(), s, w.op));
    }
    form.conservazione = u"0"_s;
    ASSERT_TRUE(form.registra(w.tmp.path(), s, w.op));
    const auto righe = TextFile::readLines(w.file(u"SBookParam.txt"_s));
    ASSERT_TRUE(righe);
    EXPECT_EQ(righe->mid(13), QStringList({u"90"_s, u"0"_s, u"nuova"_s, QString(), u" 1 "_s}));
    ASSERT_TRUE(s.load(w.tmp.path()));
    EXPECT_EQ(s.giorniConservazione(), 0);

    // What line 15 reads as: blank or no number keeps 60 days.
    const QList<std::pair<QString, int>> casi{{QString(), 60}, {u" 7 "_s, 7},
                                              {u"0"_s, 0},     {u"x"_s, 60},
                                              {u"-3"_s, 60},   {u"99999"_s, Settings::ConservazioneMassima}};
    for (const auto& [riga, giorni] : casi) {
        s.Conservazione = riga;
        EXPECT_EQ(s.giorniConservazione(), giorni) << riga.toStdString();
    }
}

TEST(ParametriForm, AWriteFailureIsReportedNotFatal)
{
    WorkDir w;
    QDir(w.tmp.path()).mkdir(u"SBookParam.txt"_s); // a folder where the file should be
    Settings s;
    s.HostName = u"kept"_s;
    ParametriForm form;
    const QString texts[9] = {u"new"_s, u"pn"_s, u"pp"_s, u"a"_s, u"pw"_s, u"H1"_s, u"P"_s, u"BB"_s, u"10"_s};
    std::copy(std::begin(texts), std::end(texts), std::begin(form.testi));
    EXPECT_FALSE(form.registra(w.tmp.path(), s, w.op));
    EXPECT_EQ(s.HostName, u"kept"_s);
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_EQ(w.op.messages[0].message.title, u"Errore"_s);
}

// Without the address or the hotel's code no exchange can be made: nothing is saved, and the message
// names the field as the window labels it. An empty credential is the hotel's business: asked once.
TEST(ParametriForm, AnEmptyHostOrHotelIsRefusedAndAnEmptyCredentialAsked)
{
    WorkDir w;
    Settings s;
    const QString pieno[9] = {u"h"_s, u"pn"_s, u"pp"_s, u"a"_s, u"pw"_s, u"H1"_s, u"P"_s, u"BB"_s, u"10"_s};
    const auto form = [&](const QList<int>& vuoti) {
        ParametriForm f;
        std::copy(std::begin(pieno), std::end(pieno), std::begin(f.testi));
        for (int i : vuoti)
            f.testi[i] = i == 0 ? u"  "_s : QString();
        return f;
    };
    for (const auto& [vuoti, nomi] : {std::pair{QList<int>{0}, u"Il campo \"Host name\" è vuoto"_s},
                                      {{5}, u"Il campo \"Hotel ID\" è vuoto"_s},
                                      {{0, 5, 2}, u"I campi \"Host name\", \"Hotel ID\" sono vuoti"_s}}) {
        w.op.messages.clear();
        EXPECT_FALSE(form(vuoti).registra(w.tmp.path(), s, w.op));
        ASSERT_EQ(w.op.messages.size(), 1); // refused before anything is asked
        EXPECT_TRUE(w.op.messages[0].message.text.startsWith(nomi)) << w.op.messages[0].message.text.toStdString();
        EXPECT_FALSE(QFileInfo::exists(w.file(u"SBookParam.txt"_s)));
        EXPECT_TRUE(s.HostName.isEmpty());
    }

    w.op.messages.clear();
    w.op.answer(OperatorPort::Answer::No);
    EXPECT_FALSE(form({2, 4}).registra(w.tmp.path(), s, w.op));
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_EQ(w.op.messages[0].message.buttons, OperatorPort::Buttons::YesNo);
    EXPECT_EQ(w.op.messages[0].message.defaultButton, OperatorPort::Answer::No);
    EXPECT_TRUE(w.op.messages[0].message.text.startsWith(u"I campi \"Prov Pwd\", \"Password\" sono vuoti"_s));
    EXPECT_TRUE(w.op.messages[0].message.text.endsWith(u"Confermi?"_s));
    EXPECT_FALSE(QFileInfo::exists(w.file(u"SBookParam.txt"_s)));
    w.op.answer(OperatorPort::Answer::Yes);
    EXPECT_TRUE(form({2, 4}).registra(w.tmp.path(), s, w.op));
    EXPECT_TRUE(s.ProvPwd.isEmpty());
    EXPECT_EQ(s.HostName, u"h"_s);
}

TEST(AppContext, PathsAndCaption)
{
    WorkDir w;
    QDir(w.tmp.path()).mkdir(u"simplebooking"_s);
    w.write(u"simplebooking/CHIAMATA.TXT"_s, "x");
    EXPECT_EQ(w.ctx.path(u"Simplebooking\\Chiamata.txt"_s), w.file(u"simplebooking/CHIAMATA.TXT"_s));
    EXPECT_EQ(w.ctx.path(u"SimpleBooking\\New.xml"_s), w.file(u"simplebooking/New.xml"_s));
    EXPECT_EQ(w.ctx.exchangeDir(), w.file(u"simplebooking"_s));
    w.ctx.settings.Modalita = u"1"_s;
    EXPECT_EQ(w.ctx.caption(), u"Interfaccia QV <--> SimpleBooking (modalita 1 'Semi automatica')"_s);
}

} // namespace
