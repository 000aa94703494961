#include "store/SchemaBootstrap.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/TextFile.h"

#include "support/QtPrinters.h"
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Every table and column of every database file in dir, with their declared types.
QStringList schemaOf(const QDir& dir)
{
    QStringList out;
    const QStringList files = dir.entryList({u"*.mdb"_s, u"*.MDB"_s}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        Database db(dir, file);
        QSqlQuery q = db.query();
        db.exec(q, u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s, {});
        QStringList tables;
        while (q.next())
            tables.append(q.value(0).toString());
        for (const QString& t : tables)
            for (const FieldInfo& f : db.fields(t))
                out.append(file + u'/' + t + u'/' + f.name + u'/' + Database::declaredType(f));
    }
    return out;
}

TEST(Campo, TakesValuesBetweenCommas)
{
    EXPECT_EQ(Campo(u"Rooms,RoomsId,10,50,"_s, 1), u"Rooms"_s);
    EXPECT_EQ(Campo(u"Rooms, RoomsId ,10,50,"_s, 2), u" RoomsId "_s); // untrimmed
    EXPECT_EQ(Campo(u"Rooms,RoomsId,10,50,"_s, 4), u"50"_s);
    EXPECT_EQ(Campo(u"Rooms,RoomsId,10,50"_s, 4), std::nullopt); // the fourth value needs its comma
    EXPECT_EQ(Campo(u"Rooms,RoomsId,10,50,extra text"_s, 4), u"50"_s);
    EXPECT_EQ(Campo(u""_s, 1), std::nullopt);
}

TEST(CreaStrutture, FirstStartCreatesEverythingAndSecondChangesNothing)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    CreaStrutture(dir, QString::fromUtf8(SB_DBT_PATH));
    const QStringList first = schemaOf(dir);

    // Every table of the definition file exists with every field it lists.
    const auto lines = TextFile::readLines(QString::fromUtf8(SB_DBT_PATH));
    ASSERT_TRUE(lines);
    int fieldLines = 0;
    for (const QString& line : *lines)
        if (!line.startsWith(u'['))
            ++fieldLines;
    EXPECT_EQ(first.size(), fieldLines);
    EXPECT_TRUE(first.contains(u"Disponibilita.mdb/DisponibilitàTipi/Libere/TEXT(155) COLLATE NOCASE"_s));
    EXPECT_TRUE(first.contains(u"SimpleBooking.mdb/Reservations/Notes/MEMO TEXT COLLATE NOCASE"_s));

    CreaStrutture(dir, QString::fromUtf8(SB_DBT_PATH));
    EXPECT_EQ(schemaOf(dir), first);
}

TEST(CreaStrutture, QuirksOfTheDefinitionFile)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    {
        Database db(dir, u"Colori.mdb"_s);
        db.createTable(u"Colori"_s, {u"Tipo"_s, FieldKind::Long, 0});
        Recordset rs = db.OpenRecordset(u"Colori"_s);
        rs.AddNew();
        rs.setField(u"Tipo"_s, 5);
        rs.Update();
    }
    const QString dbt = dir.filePath(u"SBOOK.DBT"_s);
    TextFile::writeLines(dbt, {
                                  u"[Colori.MDB]"_s,
                                  u"Colori,Tipo,10,5,"_s,  // exists with another type: unchanged
                                  u"Colori,Rosso,3,0,"_s,  // added
                                  u"Nuova,Primo,10,20,"_s, // a new table comes with its first field
                                  u"Nuova,Secondo,4,0"_s,  // no closing comma: the size is the line before's
                                  u"Nuova,Terzo,99,0,"_s,  // unknown type: passed over
                                  u"[Altro.MDB]"_s,
                                  u"T,A,12,0,"_s,
                              });
    CreaStrutture(dir, dbt);
    EXPECT_EQ(schemaOf(dir), (QStringList{
                                 u"Altro.mdb/T/A/MEMO TEXT COLLATE NOCASE"_s,
                                 u"Colori.mdb/Colori/Tipo/LONG INTEGER"_s,
                                 u"Colori.mdb/Colori/Rosso/SHORT INTEGER"_s,
                                 u"Colori.mdb/Nuova/Primo/TEXT(20) COLLATE NOCASE"_s,
                                 u"Colori.mdb/Nuova/Secondo/LONG INTEGER"_s,
                             }));
    Database db(dir, u"COLORI.MDB"_s);
    Recordset rs = db.OpenRecordset(u"Colori"_s);
    ASSERT_TRUE(rs.FindFirst(u"Tipo = 5"_s)); // the row survives
}

TEST(CreaStrutture, MissingDefinitionFileCreatesNothing)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    CreaStrutture(dir, dir.filePath(u"SBOOK.DBT"_s));
    EXPECT_TRUE(dir.entryList(QDir::Files).isEmpty());
}

// The program's copy after a hotel's older one: only the bridge's own database is touched.
TEST(CreaStrutture, OneDatabaseOnly)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString dbt = dir.filePath(u"nuovo.dbt"_s);
    ASSERT_TRUE(TextFile::writeLines(dbt, {u"[Contatori.MDB]"_s, u"Contatori,Numero,4,0,"_s, u"[SimpleBooking.MDB]"_s,
                                           u"Rooms,Nuovo,10,20,"_s, u"[Colori.MDB]"_s, u"Colori,Tipo,3,0,"_s})
                    .isEmpty());
    CreaStrutture(dir, dbt, u"simplebooking"_s);
    EXPECT_EQ(dir.entryList({u"*.mdb"_s, u"*.MDB"_s}, QDir::Files), QStringList{u"SimpleBooking.mdb"_s});
    EXPECT_EQ(schemaOf(dir), QStringList{u"SimpleBooking.mdb/Rooms/Nuovo/TEXT(20) COLLATE NOCASE"_s});
}

// QV's workstations share the files through the group: a database the bridge makes, and its journal,
// take the umask (0002 in the service's unit) like every other file.
TEST(CreaStrutture, NewDatabasesFollowTheUmask)
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const mode_t prima = ::umask(0002);
    CreaStrutture(dir, QString::fromUtf8(SB_DBT_PATH));
    ::umask(prima);
    const QStringList files = dir.entryList({u"*.mdb"_s}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& f : files)
        EXPECT_TRUE(QFile::permissions(dir.filePath(f)) & QFileDevice::WriteGroup) << f.toStdString();
}

// Beside the program in a build tree; under share/ once installed.
TEST(PercorsoDefinizioni, TheWorkingDirectorysCopyElseTheProgramsOwn)
{
    QTemporaryDir tmp;
    const QDir root(tmp.path());
    ASSERT_TRUE(root.mkpath(u"usr/bin"_s) && root.mkpath(u"usr/share/qv-simplebooking"_s) && root.mkpath(u"hotel"_s));
    const QString bin = root.filePath(u"usr/bin"_s);
    EXPECT_EQ(percorsoDefinizioniProgramma(bin), QString());
    const QString installata = root.filePath(u"usr/share/qv-simplebooking/SBOOK.DBT"_s);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(SB_DBT_PATH), installata));
    EXPECT_EQ(percorsoDefinizioniProgramma(bin), installata);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(SB_DBT_PATH), root.filePath(u"usr/bin/SBOOK.DBT"_s)));
    EXPECT_EQ(percorsoDefinizioniProgramma(bin), root.filePath(u"usr/bin/SBOOK.DBT"_s));

    const QDir hotel(root.filePath(u"hotel"_s));
    EXPECT_EQ(percorsoDefinizioni(hotel, installata), installata);
    EXPECT_EQ(percorsoDefinizioni(hotel, QString()), hotel.filePath(u"SBOOK.DBT"_s));
    ASSERT_TRUE(QFile::copy(installata, hotel.filePath(u"SBOOK.DBT"_s)));
    EXPECT_EQ(percorsoDefinizioni(hotel, installata), hotel.filePath(u"SBOOK.DBT"_s));
}

} // namespace
