#include "store/Database.h"
#include "store/Recordset.h"
#include "store/StoreError.h"

#include "support/QtPrinters.h"
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class RecordStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Database db(dir(), u"SimpleBooking.mdb"_s);
        db.createTable(u"Rooms"_s, {u"NumeroHotel"_s, FieldKind::Integer, 0});
        db.appendField(u"Rooms"_s, {u"HotelId"_s, FieldKind::Text, 50});
        db.appendField(u"Rooms"_s, {u"RoomsId"_s, FieldKind::Text, 50});
        db.appendField(u"Rooms"_s, {u"RoomsLevel"_s, FieldKind::Integer, 0});
        db.appendField(u"Rooms"_s, {u"DesRooms"_s, FieldKind::Text, 100});
        db.appendField(u"Rooms"_s, {u"QVRooms"_s, FieldKind::Text, 6});
        db.appendField(u"Rooms"_s, {u"Prezzo"_s, FieldKind::Currency, 0});
        const struct
        {
            const char16_t* hotel;
            const char16_t* id;
            int level;
            const char16_t* qv;
        } rows[] = {{u"H1", u"DBL", 2, u"DOP"}, {u"H1", u"SGL", 1, u"SIN"}, {u"H1", u"DBL", 1, u"DUS"},
                    {u"H2", u"DBL", 1, u" "},   {u"H1", u"TRP", 1, u"TRI"}, {u"H1", u"O'NE", 1, u"ONE"}};
        Recordset rs = db.OpenRecordset(u"Rooms"_s);
        for (const auto& r : rows) {
            rs.AddNew();
            rs.setField(u"NumeroHotel"_s, 1);
            rs.setField(u"HotelId"_s, QString::fromUtf16(r.hotel));
            rs.setField(u"RoomsId"_s, QString::fromUtf16(r.id));
            rs.setField(u"RoomsLevel"_s, r.level);
            rs.setField(u"QVRooms"_s, QString::fromUtf16(r.qv));
            rs.Update();
        }
    }

    QDir dir() const { return QDir(m_tmp.path()); }

    QStringList scan(Recordset& rs, const QString& criteria, const QVariantList& values = {})
    {
        QStringList out;
        for (bool found = rs.FindFirst(criteria, values); found; found = rs.FindNext(criteria, values))
            out.append(rs.Field(u"RoomsId"_s).toString() + u':' + rs.Field(u"RoomsLevel"_s).toString());
        return out;
    }

    QTemporaryDir m_tmp;
};

TEST_F(RecordStoreTest, FindLoopsFollowTheRecordsetOrder)
{
    Database db(dir(), u"SimpleBooking.mdb"_s);
    Recordset ordered = db.OpenRecordset(u"Select * From Rooms Where HotelId = 'H1' Order by RoomsId,RoomsLevel;"_s);
    EXPECT_EQ(scan(ordered, u"NumeroHotel = 1"_s),
              (QStringList{u"DBL:1"_s, u"DBL:2"_s, u"O'NE:1"_s, u"SGL:1"_s, u"TRP:1"_s}));

    Recordset table = db.OpenRecordset(u"Rooms"_s); // a table keeps the order rows were added in
    EXPECT_EQ(scan(table, u"RoomsId = 'DBL'"_s), (QStringList{u"DBL:2"_s, u"DBL:1"_s, u"DBL:1"_s}));
    EXPECT_EQ(table.RecordCount(), 6);
    EXPECT_EQ(ordered.RecordCount(), 5);
}

TEST_F(RecordStoreTest, CriteriaFormsAndCaseInsensitiveText)
{
    Database db(dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Rooms"_s);
    EXPECT_EQ(scan(rs, u"HotelId = 'h1' and (RoomsId = 'sgl' or RoomsId = 'trp')"_s),
              (QStringList{u"SGL:1"_s, u"TRP:1"_s}));
    EXPECT_EQ(scan(rs, u"left(QVRooms,2) = 'du'"_s), QStringList{u"DBL:1"_s});
    EXPECT_EQ(scan(rs, u"RoomsLevel > 1 or RoomsId <> 'DBL' and HotelId >= 'H2'"_s), QStringList{u"DBL:2"_s});
    EXPECT_EQ(scan(rs, u"HotelId > '' and QVRooms = ' '"_s), QStringList{u"DBL:1"_s});
    // A value holding a quote is found, bound as a value or doubled in a literal.
    EXPECT_EQ(scan(rs, u"RoomsId = ?"_s, {u"o'ne"_s}), QStringList{u"O'NE:1"_s});
    EXPECT_EQ(scan(rs, u"RoomsId = 'O''NE'"_s), QStringList{u"O'NE:1"_s});
    // A value can never change the criterion.
    EXPECT_TRUE(scan(rs, u"RoomsId = ?"_s, {u"x' or '1'='1"_s}).isEmpty());
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_THROW(rs.FindFirst(u"RoomsId = 'unterminated"_s), StoreError);
}

TEST_F(RecordStoreTest, EditDeleteAndNumberConversions)
{
    Database db(dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Rooms"_s);
    ASSERT_TRUE(rs.FindFirst(u"RoomsId = 'SGL'"_s));
    rs.Edit();
    rs.setField(u"Prezzo"_s, u"1.234,5678"_s); // Italian text into a currency field
    rs.setField(u"RoomsLevel"_s, u"3"_s);
    rs.setField(u"DesRooms"_s, 95.5); // a number into a text field is written the Italian way
    rs.Update();
    EXPECT_DOUBLE_EQ(rs.Field(u"Prezzo"_s).toDouble(), 1234.5678);

    Recordset other = db.OpenRecordset(u"Rooms"_s); // another recordset sees the change at once
    ASSERT_TRUE(other.FindFirst(u"RoomsLevel = 3"_s));
    EXPECT_EQ(other.Field(u"DesRooms"_s).toString(), u"95,5"_s);
    EXPECT_DOUBLE_EQ(other.Field(u"prezzo"_s).toDouble(), 1234.5678);

    rs.Edit();
    EXPECT_THROW(rs.setField(u"RoomsLevel"_s, u"abc"_s), StoreError);
    EXPECT_THROW(rs.setField(u"RoomsLevel"_s, 40000), StoreError);
    EXPECT_THROW(rs.setField(u"NoSuchField"_s, 1), StoreError);
    rs.setField(u"RoomsLevel"_s, 2.5); // halves go to the even number
    rs.Update();
    EXPECT_EQ(rs.Field(u"RoomsLevel"_s).toInt(), 2);

    rs.Delete();
    EXPECT_THROW(rs.Field(u"RoomsId"_s), StoreError);
    EXPECT_FALSE(other.FindFirst(u"RoomsId = 'SGL'"_s));
}

TEST_F(RecordStoreTest, GroupedSelectWithSubSelectOnAnotherFile)
{
    {
        Database tipi(dir(), u"TipiCamere.mdb"_s);
        tipi.createTable(u"TipiCamere"_s, {u"Sigla"_s, FieldKind::Text, 6});
        tipi.appendField(u"TipiCamere"_s, {u"Tipologia"_s, FieldKind::Text, 1});
        Recordset rs = tipi.OpenRecordset(u"TipiCamere"_s);
        for (auto [sigla, tip] : {std::pair{u"DOP", u"C"}, {u"SIN", u"C"}, {u"TRI", u"A"}}) {
            rs.AddNew();
            rs.setField(u"Sigla"_s, QString::fromUtf16(sigla));
            rs.setField(u"Tipologia"_s, QString::fromUtf16(tip));
            rs.Update();
        }
    }
    Database db(dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Select QVRooms From Rooms Where QVRooms In (Select Sigla From TipiCamere In "
                                    u"'TipiCamere.mdb' Where Tipologia = 'C') Group by QVRooms;"_s);
    QStringList codes;
    for (bool f = rs.FindFirst(u"QVRooms > ''"_s); f; f = rs.FindNext(u"QVRooms > ''"_s))
        codes.append(rs.Field(u"QVRooms"_s).toString());
    EXPECT_EQ(codes, (QStringList{u"DOP"_s, u"SIN"_s}));
    EXPECT_THROW(rs.Edit(), StoreError);
}

TEST_F(RecordStoreTest, UnitOfWorkSpansFilesAndCommitsWhole)
{
    {
        Database other(dir(), u"Contatori.MDB"_s);
        other.createTable(u"Contatori"_s, {u"PrenotazioniHotel"_s, FieldKind::Long, 0});
    }
    EXPECT_TRUE(QFileInfo::exists(dir().filePath(u"Contatori.mdb"_s)));
    auto countBoth = [&] {
        Database db(dir(), u"simplebooking.MDB"_s); // any spelling names the same file
        return std::pair{db.OpenRecordset(u"Rooms"_s).RecordCount(),
                         Database(dir(), u"contatori.mdb"_s).OpenRecordset(u"Contatori"_s).RecordCount()};
    };
    auto write = [&](bool fail) {
        Database db(dir(), u"SimpleBooking.mdb"_s);
        db.attach(u"Contatori.mdb"_s);
        Database::Transaction work(db);
        Recordset rooms = db.OpenRecordset(u"Rooms"_s);
        rooms.AddNew();
        rooms.setField(u"RoomsId"_s, u"NEW"_s);
        rooms.Update();
        Recordset counters = db.OpenRecordset(u"Contatori"_s);
        counters.AddNew();
        counters.setField(u"PrenotazioniHotel"_s, 7);
        counters.Update();
        if (fail)
            throw StoreError(1, u"stop"_s);
        work.commit();
    };
    EXPECT_THROW(write(true), StoreError);
    EXPECT_EQ(countBoth(), std::pair(6, 0));
    write(false);
    EXPECT_EQ(countBoth(), std::pair(7, 1));
}

// Two processes adding rows to one file at the same time both succeed.
TEST_F(RecordStoreTest, TwoProcessesWriteTheSameFile)
{
    const QString exe = QFileInfo(u"/proc/self/exe"_s).canonicalFilePath();
    QList<QProcess*> children;
    for (int i = 0; i < 2; ++i) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SB_WRITER_DIR"_s, m_tmp.path());
        env.insert(u"SB_WRITER_TAG"_s, u"W"_s + QString::number(i));
        p->setProcessEnvironment(env);
        p->start(exe, {u"--gtest_filter=ConcurrentWriter.Child"_s});
        children.append(p);
    }
    for (QProcess* p : children) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString();
        delete p;
    }
    Database db(dir(), u"SimpleBooking.mdb"_s);
    Recordset rs = db.OpenRecordset(u"Rooms"_s);
    int w0 = 0;
    int w1 = 0;
    for (bool f = rs.FindFirst(u"HotelId = 'W0'"_s); f; f = rs.FindNext(u"HotelId = 'W0'"_s))
        ++w0;
    for (bool f = rs.FindFirst(u"HotelId = 'W1'"_s); f; f = rs.FindNext(u"HotelId = 'W1'"_s))
        ++w1;
    EXPECT_EQ(w0, 200);
    EXPECT_EQ(w1, 200);
}

} // namespace

// Runs only as the child of the test above.
TEST(ConcurrentWriter, Child)
{
    const QString dirPath = qEnvironmentVariable("SB_WRITER_DIR");
    if (dirPath.isEmpty())
        GTEST_SKIP() << "runs as a child process only";
    const QString tag = qEnvironmentVariable("SB_WRITER_TAG");
    for (int i = 0; i < 200; ++i) {
        Database db(QDir(dirPath), u"SimpleBooking.mdb"_s);
        Database::Transaction work(db);
        Recordset rs = db.OpenRecordset(u"Rooms"_s);
        rs.FindFirst(u"HotelId = ?"_s, {tag}); // a read before the write, as the import does
        rs.AddNew();
        rs.setField(u"HotelId"_s, tag);
        rs.setField(u"RoomsId"_s, QString::number(i));
        rs.Update();
        work.commit();
    }
}
