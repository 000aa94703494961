#include "context/Settings.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"
#include "store/StoreError.h"
#include "store/TextFile.h"

#include "support/QtPrinters.h"
#include "support/WorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// One table "T" in "Prova.mdb": a text key and a level, both may be Null.
class FindLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Database db(w.dir(), u"Prova.mdb"_s);
        db.createTable(u"T"_s, {u"NumeroHotel"_s, FieldKind::Integer, 0});
        db.appendField(u"T"_s, {u"Chiave"_s, FieldKind::Text, 10});
        db.appendField(u"T"_s, {u"Livello"_s, FieldKind::Integer, 0});
    }
    void add(const QString& chiave, const QVariant& livello = {})
    {
        QVariantMap row{{u"NumeroHotel"_s, 1}, {u"Chiave"_s, chiave}};
        if (livello.isValid())
            row.insert(u"Livello"_s, livello);
        w.insert(u"Prova.mdb"_s, u"T"_s, row);
    }
    // The rows a find loop visits, as "key:level" ("N" for Null); stops after 20 rows.
    static QStringList walk(Recordset& rs, const QString& criteria = u"NumeroHotel = 1"_s)
    {
        QStringList out;
        for (bool f = rs.FindFirst(criteria); f && out.size() < 20; f = rs.FindNext(criteria)) {
            const QVariant level = rs.Field(u"Livello"_s);
            out.append(rs.Field(u"Chiave"_s).toString() + u':' + (level.isNull() ? u"N"_s : level.toString()));
        }
        return out;
    }

    WorkDir w;
};

// Kept as a pin: the scan order and the "next row" test must agree on case-insensitive text.
TEST_F(FindLoop, OrderByTextIgnoresCase)
{
    for (const char16_t* k : {u"b", u"A", u"a", u"B"})
        add(QString::fromUtf16(k), 1);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select * From T Order by Chiave"_s);
    EXPECT_EQ(walk(rs), (QStringList{u"A:1"_s, u"a:1"_s, u"b:1"_s, u"B:1"_s}));
}

// A Null in a sort field of the current row: the next row must still be the next one in order.
// The mapping window's list ("Order by RoomsId,RoomsLevel") lost every later level of the same
// room after a row without a level.
TEST_F(FindLoop, NullSortKeyDoesNotSkipRows)
{
    add(u"DBL"_s);
    add(u"DBL"_s, 1);
    add(u"DBL"_s, 2);
    add(u"SGL"_s, 1);
    add(u"SGL"_s);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select * From T Order by Chiave,Livello;"_s);
    EXPECT_EQ(walk(rs), (QStringList{u"DBL:N"_s, u"DBL:1"_s, u"DBL:2"_s, u"SGL:N"_s, u"SGL:1"_s}));
}

// Descending, Nulls come last; a loop from a Null row must end instead of starting over.
TEST_F(FindLoop, NullSortKeyDescendingEnds)
{
    add(u"r1"_s, 2);
    add(u"r2"_s);
    add(u"r3"_s, 1);
    add(u"r4"_s);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select * From T Order by Livello DESC"_s);
    EXPECT_EQ(walk(rs), (QStringList{u"r1:2"_s, u"r3:1"_s, u"r2:N"_s, u"r4:N"_s}));
}

// A field name the table does not have is an error, never a text constant that silently makes
// the criterion true or false for every row.
TEST_F(FindLoop, MissingFieldIsAnError)
{
    add(u"x"_s, 1);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"T"_s);
    EXPECT_THROW(rs.FindFirst(u"Partito <> 'S'"_s), StoreError);
    EXPECT_THROW(rs.FindFirst(u"Partito = 'Partito'"_s), StoreError);
    EXPECT_THROW(db.OpenRecordset(u"Select Partito From T"_s).FindFirst(u"NumeroHotel = 1"_s), StoreError);
}

// The engine hands grouped rows back sorted by the group: the monthly grid lists its room types
// in that order, not in the order the catalogue rows were downloaded.
TEST_F(FindLoop, GroupedRowsComeInTheOrderOfTheGroup)
{
    add(u"SIN"_s, 1);
    add(u"DOP"_s, 1);
    add(u"SIN"_s, 2);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select Chiave From T Group by Chiave;"_s);
    QStringList got;
    for (bool f = rs.FindFirst(u"Chiave > ''"_s); f; f = rs.FindNext(u"Chiave > ''"_s))
        got.append(rs.Field(u"Chiave"_s).toString());
    EXPECT_EQ(got, (QStringList{u"DOP"_s, u"SIN"_s}));
}

// After Delete the loop goes on after the deleted row; rows kept earlier are not seen again.
TEST_F(FindLoop, DeleteKeepsThePlaceOfTheLoop)
{
    for (const char16_t* k : {u"k1", u"d2", u"k3", u"d4", u"k5"})
        add(QString::fromUtf16(k), 1);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"T"_s);
    QStringList visited;
    for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f && visited.size() < 20; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
        visited.append(rs.Field(u"Chiave"_s).toString());
        if (visited.last().startsWith(u'd'))
            rs.Delete();
    }
    EXPECT_EQ(visited, (QStringList{u"k1"_s, u"d2"_s, u"k3"_s, u"d4"_s, u"k5"_s}));
}

// A row keeps its place in the recordset when the loop changes its sort field.
TEST_F(FindLoop, EditingTheSortFieldVisitsEveryRowOnce)
{
    add(u"a"_s, 1);
    add(u"b"_s, 2);
    add(u"c"_s, 3);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select * From T Order by Livello"_s);
    QStringList visited;
    for (bool f = rs.FindFirst(u"NumeroHotel = 1"_s); f && visited.size() < 20; f = rs.FindNext(u"NumeroHotel = 1"_s)) {
        visited.append(rs.Field(u"Chiave"_s).toString());
        rs.Edit();
        rs.setField(u"Livello"_s, rs.Field(u"Livello"_s).toInt() + 10);
        rs.Update();
    }
    EXPECT_EQ(visited, (QStringList{u"a"_s, u"b"_s, u"c"_s}));
}

// Another process deletes the current row and adds one: the edit must fail, and must not land
// on the new row.
TEST_F(FindLoop, EditOfARowDeletedMeanwhileFails)
{
    add(u"a"_s, 1);
    add(u"b"_s, 2);
    Database db(w.dir(), u"Prova.mdb"_s);
    Recordset mine = db.OpenRecordset(u"T"_s);
    ASSERT_TRUE(mine.FindFirst(u"Chiave = 'b'"_s));
    {
        Database other(w.dir(), u"Prova.mdb"_s);
        Recordset rs = other.OpenRecordset(u"T"_s);
        ASSERT_TRUE(rs.FindFirst(u"Chiave = 'b'"_s));
        rs.Delete();
        rs.AddNew();
        rs.setField(u"Chiave"_s, u"nuovo"_s);
        rs.setField(u"Livello"_s, 7);
        rs.Update();
    }
    bool failed = false;
    try {
        mine.Edit();
        mine.setField(u"Livello"_s, 99);
        mine.Update();
    } catch (const StoreError&) {
        failed = true;
    }
    EXPECT_TRUE(failed) << "the write to a vanished row was reported as success";
    Recordset check = db.OpenRecordset(u"T"_s);
    ASSERT_TRUE(check.FindFirst(u"Chiave = 'nuovo'"_s));
    EXPECT_EQ(check.Field(u"Livello"_s).toInt(), 7) << "another process's new row was overwritten";
}

// Kept as a pin: a unit of work on one connection does not block a reader on another, which
// sees the rows as they were until the commit.
TEST_F(FindLoop, TransactionAndAnotherConnectionReading)
{
    add(u"a"_s, 1);
    Database writer(w.dir(), u"Prova.mdb"_s);
    Database reader(w.dir(), u"Prova.mdb"_s);
    writer.begin();
    Recordset wr = writer.OpenRecordset(u"T"_s);
    wr.AddNew();
    wr.setField(u"Chiave"_s, u"b"_s);
    wr.Update();
    Recordset rd = reader.OpenRecordset(u"T"_s);
    EXPECT_FALSE(rd.FindFirst(u"Chiave = 'b'"_s));
    EXPECT_TRUE(rd.FindFirst(u"Chiave = 'a'"_s));
    writer.commit();
    EXPECT_TRUE(rd.FindFirst(u"Chiave = 'b'"_s));
}

// Kept as pins: the QV criteria and queries in the form the booking, conflict and allotment code
// writes them, on the tables the definition file creates.
class QvCriteria : public ::testing::Test
{
protected:
    void SetUp() override { w.bootstrap(); }
    WorkDir w;
};

TEST_F(QvCriteria, BookingArrangementRowsAndRoomsOutOfService)
{
    auto arr = [&](int cliente, const QString& camera, const QString& inizio) {
        w.insert(u"Arrangiamento.mdb"_s, u"Arrangiamento"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"CodiceCliente"_s, cliente},
                  {u"NumeroCamera"_s, camera},
                  {u"DataInizio"_s, inizio}});
    };
    arr(5, u"*101"_s, u"20260801"_s);
    arr(5, u"101"_s, u"20260801"_s);
    arr(6, u"*101"_s, u"20260801"_s);
    arr(5, u"*102"_s, u"20260802"_s);
    {
        Database db(w.dir(), u"Arrangiamento.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Arrangiamento"_s);
        QStringList got;
        const QString c = u"NumeroHotel = 1 and CodiceCliente = 5 and left(NumeroCamera,1) = '*'"_s;
        for (bool f = rs.FindFirst(c); f; f = rs.FindNext(c))
            got.append(rs.Field(u"NumeroCamera"_s).toString());
        EXPECT_EQ(got, (QStringList{u"*101"_s, u"*102"_s}));
        int deleted = 0; // find, delete, find again
        while (rs.FindFirst(u"CodiceCliente = 5 and left(NumeroCamera,1)='*'"_s) && deleted < 10) {
            rs.Delete();
            ++deleted;
        }
        EXPECT_EQ(deleted, 2);
        ASSERT_TRUE(rs.FindFirst(u"NumeroHotel = 1 and DataInizio = '20260801' and NumeroCamera = '*101'"_s));
        EXPECT_EQ(rs.Field(u"CodiceCliente"_s).toInt(), 6);
    }

    w.insert(u"Generico.mdb"_s, u"Camere_Inagibili"_s,
             {{u"NumeroHotel"_s, 1},
              {u"NumeroCamera"_s, u"101"_s},
              {u"DataInizio"_s, u"20260801"_s},
              {u"DataFine"_s, u"20260803"_s}});
    Database gen(w.dir(), u"Generico.mdb"_s);
    auto outOfService = [&](const QString& arrivo, const QString& partenza) {
        Recordset rs = gen.OpenRecordset(u"Select NumeroCamera From Camere_Inagibili Where NumeroHotel = 1 and "_s
                                         u"NumeroCamera = '101' and DataInizio < '"_s +
                                         partenza + u"' and DataFine >= '"_s + arrivo + u"'"_s);
        return rs.RecordCount();
    };
    EXPECT_EQ(outOfService(u"20260801"_s, u"20260805"_s), 1);
    EXPECT_EQ(outOfService(u"20260803"_s, u"20260805"_s), 1);
    EXPECT_EQ(outOfService(u"20260804"_s, u"20260805"_s), 0);
    EXPECT_EQ(outOfService(u"20260725"_s, u"20260801"_s), 0);
}

TEST_F(QvCriteria, GuestsBookedRoomsColoursAndAllotments)
{
    w.insert(u"Scheda_Cliente.mdb"_s, u"Scheda_Cliente"_s,
             {{u"NumeroHotel"_s, 1},
              {u"NumeroProgressivo"_s, 3},
              {u"NumeroPrenotazione"_s, 9},
              {u"NumeroCamera"_s, u"101"_s},
              {u"DataArrivo"_s, u"20260801"_s},
              {u"DataPartenza"_s, u"20260804"_s},
              {u"Partito"_s, u"N"_s}});
    {
        Database db(w.dir(), u"Scheda_Cliente.mdb"_s);
        Recordset rs = db.OpenRecordset(
            u"Select NumeroProgressivo,NumeroPrenotazione From Scheda_Cliente Where NumeroHotel = 1 and NumeroCamera = "_s
            u"'101' and Partito <> 'S' and DataArrivo < '20260805' and DataPartenza > '20260803'"_s);
        ASSERT_TRUE(rs.FindFirst(u"NumeroProgressivo > 0"_s));
        EXPECT_EQ(rs.Field(u"NumeroPrenotazione"_s).toInt(), 9);
    }
    for (auto [numero, tipo] : {std::pair{4, u"O"}, {5, u"X"}})
        w.insert(u"Camere_Prenotazione.mdb"_s, u"Camere_Prenotazione"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NumeroPrenotazione"_s, numero},
                  {u"NumeroCamera"_s, u"101"_s},
                  {u"NumeroPersone"_s, 2},
                  {u"TipoPrenotazione"_s, QString::fromUtf16(tipo)},
                  {u"DataArrivo"_s, u"20260801"_s},
                  {u"DataPartenza"_s, u"20260804"_s}});
    {
        Database db(w.dir(), u"Camere_Prenotazione.mdb"_s);
        Recordset rs = db.OpenRecordset(
            u"Select NumeroPrenotazione,TipoPrenotazione From Camere_Prenotazione Where NumeroHotel = 1 and "_s
            u"NumeroCamera = '101' and NumeroPersone > 0 and (TipoPrenotazione = 'C' or TipoPrenotazione = 'D' or "_s
            u"TipoPrenotazione = 'O' or TipoPrenotazione = 'R' or TipoPrenotazione = 'T') and DataArrivo < "_s
            u"'20260803' and DataPartenza > '20260802'"_s);
        QList<int> got;
        for (bool f = rs.FindFirst(u"NumeroPrenotazione > 0"_s); f; f = rs.FindNext(u"NumeroPrenotazione > 0"_s))
            got.append(rs.Field(u"NumeroPrenotazione"_s).toInt());
        EXPECT_EQ(got, QList<int>{4});
    }
    w.insert(u"Colori.mdb"_s, u"Colori"_s,
             {{u"Tipo"_s, u"CONFE"_s}, {u"Utente"_s, u" "_s}, {u"Codice"_s, 0}, {u"Rosso"_s, 200}});
    {
        Database db(w.dir(), u"Colori.mdb"_s);
        Recordset rs = db.OpenRecordset(u"Colori"_s);
        EXPECT_FALSE(rs.FindFirst(u"Tipo = 'CONFE' and Utente = '101' and Codice = 4"_s));
        ASSERT_TRUE(rs.FindFirst(u"Tipo = 'CONFE' and Utente = ' ' and Codice = 0"_s));
        EXPECT_EQ(rs.Field(u"Rosso"_s).toInt(), 200);
    }
    for (const char16_t* data : {u"20260803", u"20260801", u"20260802"})
        w.insert(u"Allotments.mdb"_s, u"Riserva"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"TipoDitta"_s, u"A"_s},
                  {u"CodiceDitta"_s, 7},
                  {u"TipoCamere"_s, u"DOP"_s},
                  {u"NumeroCamera"_s, u" "_s},
                  {u"DataAllotments"_s, QString::fromUtf16(data)},
                  {u"CamereUtilizzate"_s, 0},
                  {u"Scaduto"_s, u" "_s}});
    Database db(w.dir(), u"Allotments.mdb"_s);
    Recordset rs = db.OpenRecordset(u"SELECT * FROM Riserva ORDER BY TipoDitta, CodiceDitta, DataAllotments;"_s);
    const QString c = u"NumeroHotel = 1 and TipoDitta = 'A' and CodiceDitta = 7 and TipoCamere = 'DOP' and "_s
                      u"DataAllotments >= '20260801'"_s;
    QStringList days;
    for (bool f = rs.FindFirst(c); f && days.size() < 10; f = rs.FindNext(c)) {
        days.append(rs.Field(u"DataAllotments"_s).toString());
        rs.Edit();
        rs.setField(u"CamereUtilizzate"_s, rs.Field(u"CamereUtilizzate"_s).toInt() + 1);
        rs.setField(u"Scaduto"_s, u"*"_s);
        rs.Update();
    }
    EXPECT_EQ(days, (QStringList{u"20260801"_s, u"20260802"_s, u"20260803"_s}));
}

// Kept as a pin: lines before the first section, blank lines, a value without its closing comma
// and a section line without "]".
TEST(DefinitionFile, QuirksOfOddLines)
{
    WorkDir w;
    const QString dbt = w.file(u"SBOOK.DBT"_s);
    TextFile::writeLines(dbt, {
                                  u"Orfana,Campo,10,5,"_s, // before any section: nothing
                                  u"[Uno.MDB]"_s,
                                  u"T,A,10,5,"_s,
                                  u""_s,                // blank: the values of the line before, again
                                  u"T,B,4"_s,           // third and fourth values not taken: text of 5 kept
                                  u"[DueSenzaChiusa"_s, // no "]": the stem stays Uno
                                  u"T,C,3,0,"_s,
                              });
    CreaStrutture(w.dir(), dbt);
    QStringList files = w.dir().entryList(QDir::Files);
    files.removeAll(u"SBOOK.DBT"_s);
    EXPECT_EQ(files, QStringList{u"Uno.mdb"_s});
    Database db(w.dir(), u"Uno.mdb"_s);
    QStringList got;
    for (const FieldInfo& f : db.fields(u"T"_s))
        got.append(f.name + u'/' + Database::declaredType(f));
    EXPECT_EQ(got, (QStringList{u"A/TEXT(5) COLLATE NOCASE"_s, u"B/TEXT(5) COLLATE NOCASE"_s, u"C/SHORT INTEGER"_s}));
}

// The settings file is found whatever the capitalisation of its name on disk, and saving writes
// that same file instead of a second one beside it.
TEST(SettingsFile, NameIgnoresCase)
{
    WorkDir w;
    w.write(u"SBOOKPARAM.TXT"_s, " 1 \r\nhost\r\n");
    Settings s;
    EXPECT_TRUE(s.load(w.tmp.path()));
    EXPECT_EQ(s.HostName, u"host"_s);

    ParametriForm form;
    const QString texts[9] = {u"changed"_s, u"pn"_s, u"pp"_s, u"a"_s, u"pw"_s, u"H1"_s, u"P"_s, u"BB"_s, u"10"_s};
    std::copy(std::begin(texts), std::end(texts), std::begin(form.testi));
    ASSERT_TRUE(form.registra(w.tmp.path(), s, w.op));
    EXPECT_EQ(w.dir().entryList(QDir::Files), QStringList{u"SBOOKPARAM.TXT"_s});
}

// A text file read and written again keeps every byte, including the five the code page leaves
// unassigned (the system maps them to the control characters of the same value and back).
TEST(TextFileCodePage, UnassignedBytesSurviveARoundTrip)
{
    const QByteArray bytes("\x81\x8D\x8F\x90\x9D", 5);
    EXPECT_EQ(TextFile::toCp1252(TextFile::fromCp1252(bytes)), bytes);
}

} // namespace
