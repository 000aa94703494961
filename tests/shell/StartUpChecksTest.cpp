// What start-up and the settings refuse rather than carry on with: table definitions that define none of
// the interface tables, a directory that is no QV data directory, and a hotel code that no row can hold
// or that is binary.

#include "Contiene.h"
#include "context/Settings.h"
#include "service/ServiceClient.h"
#include "shell/CartellaDati.h"
#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/WorkDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileInfo>

using namespace Qt::StringLiterals;
using ::testing::IsEmpty;

namespace {

struct Bridge
{
    Bridge() : registro(w.clock, false), sessione(w.ctx, registro) {}
    WorkDir w;
    Registro registro;
    Sessione sessione;
};

TEST(StartUpChecks, ABrokenTableDefinitionFileInANewDirectoryStopsTheStartUpNamingIt)
{
    const QByteArray broken[] = {"", "\x00\x01garbage\xff\r\n[nulla]\r\n,,,\r\n", "[Altro.mdbx]\r\nT,F,10,5,\r\n"};
    for (const QByteArray& dbt : broken) {
        Bridge b;
        b.w.ctx.definizioniProgramma.clear();
        b.w.write(u"SBOOK.DBT"_s, dbt);
        EXPECT_THAT(b.sessione.avvia(), Contiene(u"SBOOK.DBT"_s)) << dbt.toStdString();
    }
    // The program's own copy still gives the bridge its tables.
    {
        Bridge b;
        b.w.ctx.definizioniProgramma = QString::fromUtf8(SB_DBT_PATH);
        b.w.write(u"SBOOK.DBT"_s, broken[1]);
        EXPECT_EQ(b.sessione.avvia(), QString());
        EXPECT_TRUE(Database(b.w.dir(), u"SimpleBooking.mdb"_s).hasTable(u"ReservationsPrice"_s));
        EXPECT_FALSE(QFileInfo::exists(b.w.file(u"Contatori.mdb"_s))) << "QV's databases follow the hotel's file";
    }
    // Databases made before stay usable: a damaged file then only adds nothing.
    Bridge b;
    b.w.bootstrap();
    b.w.write(u"SBOOK.DBT"_s, "");
    EXPECT_EQ(b.sessione.avvia(), QString());
}

TEST(StartUpChecks, AnOlderDefinitionFileInTheDataDirectoryStillGetsTheBridgesNewFields)
{
    QFile programma(QString::fromUtf8(SB_DBT_PATH));
    ASSERT_TRUE(programma.open(QIODevice::ReadOnly));
    QByteArray vecchio;
    for (const QByteArray& riga : programma.readAll().split('\n'))
        if (!riga.contains("RoomStay") && !riga.contains("_T,5,"))
            vecchio += riga + '\n';
    Bridge b;
    b.w.write(u"SBOOK.DBT"_s, vecchio);
    EXPECT_EQ(b.sessione.avvia(), QString());
    Database db(b.w.dir(), u"SimpleBooking.mdb"_s);
    QStringList campi;
    for (const QString& tabella : {u"Reservations"_s, u"ReservationsPrice"_s})
        for (const FieldInfo& f : db.fields(tabella))
            campi << f.name;
    EXPECT_TRUE(campi.contains(u"RoomStay"_s) && campi.contains(u"Room10_T"_s)) << campi.join(u' ').toStdString();
}

TEST(StartUpChecks, OnlyAQvDataDirectoryBecomesAHotel)
{
    WorkDir w;
    w.write(u"SBookParam.txt"_s, " 1 \r\n");
    w.write(u"SimpleBooking.mdb"_s, ""); // the bridge's own file makes no QV
    const QString motivo = CartellaDati::rifiuto(w.dir(), false);
    EXPECT_THAT(motivo, Contiene(QDir::toNativeSeparators(w.dir().absolutePath())));
    EXPECT_THAT(motivo, Contiene(u"--init"_s));
    EXPECT_EQ(CartellaDati::rifiuto(w.dir(), true), QString());
    for (const QString& segno : {u"SBOOK.DBT"_s, u"SCHEDA_PRENOTAZIONE.MDB"_s, u"Contatori.mdb"_s}) {
        WorkDir qv;
        qv.write(segno, "");
        EXPECT_EQ(CartellaDati::rifiuto(qv.dir(), false), QString()) << segno.toStdString();
    }
    WorkDir cartella;
    ASSERT_TRUE(cartella.dir().mkdir(u"Contatori.mdb"_s)); // a folder of that name is no database
    EXPECT_NE(CartellaDati::rifiuto(cartella.dir(), false), QString());

    // The desktop's choice: never the home directory, even one that looks like QV's.
    w.write(u"Contatori.mdb"_s, "");
    EXPECT_EQ(CartellaDati::rifiutoScelta(w.dir().path(), cartella.dir().path(), false), QString());
    EXPECT_THAT(CartellaDati::rifiutoScelta(w.dir().path() + u"/."_s, w.dir().path(), false),
                Contiene(u"cartella personale"_s));
    EXPECT_THAT(CartellaDati::rifiutoScelta(w.file(u"manca"_s), QString(), false), Contiene(u"non esiste"_s));
    EXPECT_THAT(CartellaDati::rifiutoScelta(cartella.dir().path(), QString(), false), Contiene(u"La cartella"_s));
}

TEST(StartUpChecks, AHotelCodeNoRowCanHoldIsRefusedByTheWindowAndNeverSent)
{
    const auto compilato = [](const QString& codice) {
        ParametriForm form;
        for (int i = 0; i < 5; ++i)
            form.testi[i] = u"x"_s;
        form.testi[5] = codice;
        return form;
    };
    for (const QString& codice : {QString(51, u'H'), u"12\u000134"_s, u"12\t34"_s}) {
        WorkDir w;
        Settings settings;
        EXPECT_FALSE(compilato(codice).registra(w.dir().path(), settings, w.op));
        EXPECT_FALSE(QFileInfo::exists(w.file(u"SBookParam.txt"_s)));
        EXPECT_THAT(w.op.messageTexts().join(u'\n'), Contiene(u"Il campo \"Hotel ID\""_s));
    }
    ParametriForm fits = compilato(QString(50, u'H'));
    WorkDir w;
    Settings settings;
    EXPECT_TRUE(fits.registra(w.dir().path(), settings, w.op));

    // Read from the file, it adds no HotelId row and the exchanges that need it are refused.
    Bridge b;
    b.w.bootstrap();
    const QByteArray huge(1024 * 1024, 'X');
    b.w.write(u"SBookParam.txt"_s,
              " 1 \r\nhttp://127.0.0.1:9/res\r\np\r\np\r\na\r\np\r\n" + huge + "\r\nP\r\nBB\r\n1\r\n 0 \r\n 0 \r\n");
    EXPECT_TRUE(b.sessione.attiva());
    EXPECT_EQ(Database(b.w.dir(), u"SimpleBooking.mdb"_s).OpenRecordset(u"HotelId"_s).RecordCount(), 0);
    ServiceClient client(b.w.ctx);
    EXPECT_FALSE(client.ScaricaPrenotazioni());
    EXPECT_FALSE(client.InviaDisponibilita(b.w.ctx.settings.CodiceHotel, {{u"DBL"_s, QDate(2026, 5, 4), 3}}));
    // A row an older version added for such a code is passed over by the catalogue downloads.
    b.w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
               {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, QString::fromLatin1(huge)}});
    client.ScaricaRoomList();
    EXPECT_THAT(b.w.op.requests, IsEmpty()); // nothing was sent
    EXPECT_THAT(b.w.op.messageTexts().join(u'\n'), Contiene(u"più lungo di 50 caratteri"_s));
}

} // namespace
