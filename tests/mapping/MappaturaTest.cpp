// The room type and rate mapping models: the line and item formats, saving and removing rows of
// the chosen hotel, the checks a save makes, and store errors that end an action with a message.

#include "mapping/MappaturaCamere.h"
#include "mapping/MappaturaTariffe.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/CatalogoQV.h"
#include "support/WorkDir.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class MappingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.bootstrap();
        w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                 {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, u"1001"_s}, {u"DesHotel"_s, u" Hotel Demo "_s}});
        // A hotel whose code is longer than the combo shows: the model keeps it whole.
        w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                 {{u"NumeroHotel"_s, 1}, {u"HotelId"_s, u"HOTEL-LUNGO-77"_s}, {u"DesHotel"_s, u"Lungo"_s}});
        w.insert(u"SimpleBooking.mdb"_s, u"HotelId"_s,
                 {{u"NumeroHotel"_s, 2}, {u"HotelId"_s, u"ALTRO"_s}, {u"DesHotel"_s, u"Other hotel number"_s}});
        tipo(u"DOP"_s, u"Camera doppia"_s, u"C"_s);
        tipo(u"SAL"_s, u"Sala riunioni"_s, u"A"_s);
        tipo(u"BOX"_s, u"Garage"_s, u"G"_s);
        tipo(u"LUNGHE"_s, u"Sei lettere"_s, u"C"_s);
        tipo(u"TROPPOL"_s, u"Sette lettere"_s, u"C"_s);
    }

    void tipo(const QString& sigla, const QString& descrizione, const QString& tipologia)
    {
        CatalogoQV::tipoCamera(w.dir(), sigla, 3, tipologia, descrizione);
    }
    void camera(const QString& hotel, const QString& id, int livello, const QString& qv, const QString& des = u"x"_s)
    {
        CatalogoQV::cameraServizio(w.dir(), hotel, id, livello, qv, des);
    }
    // Every row of a query as its fields joined by "|", in the query's order.
    QStringList righe(const QString& sql, const QStringList& campi) const
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(sql);
        QStringList out;
        for (bool f = rs.FindFirst(QString()); f; f = rs.FindNext(QString())) {
            QStringList valori;
            for (const QString& c : campi)
                valori.append(rs[c].toString());
            out.append(valori.join(u'|'));
        }
        return out;
    }
    QStringList righeRooms() const
    {
        return righe(u"Select * From Rooms Order by HotelId,RoomsId,RoomsLevel"_s,
                     {u"HotelId"_s, u"RoomsId"_s, u"RoomsLevel"_s, u"QVRooms"_s});
    }
    int indiceTipo(const MappaturaCamere& m, const QString& sigla) const
    {
        for (int i = 0; i < m.tipiQV().size(); ++i)
            if (m.tipiQV().at(i).chiave == sigla)
                return i;
        return -1;
    }

    WorkDir w;
};

TEST_F(MappingTest, ComboItemsAndRoomLinesHaveTheirWidths)
{
    camera(u"1001"_s, u"DBL"_s, 1, u"DOP"_s, u"Double room with a very long name"_s);
    camera(u"1001"_s, u"SGL"_s, 10, u" "_s, u" Single "_s);
    MappaturaCamere m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_EQ(m.alberghi().size(), 2); // hotel number 2 is not listed
    EXPECT_EQ(m.alberghi().at(0).testo, u"      1001 Hotel Demo"_s);
    EXPECT_EQ(m.alberghi().at(1).testo, u"HOTEL-LUNGO-77 Lungo"_s);
    QStringList tipi;
    for (const auto& v : m.tipiQV())
        tipi.append(v.testo);
    // Kinds "C" and "A" only, by code.
    EXPECT_THAT(tipi, ElementsAre(u"DOP    Camera doppia"_s, u"LUNGHE Sei lettere"_s, u"SAL    Sala riunioni"_s,
                                  u"TROPPOL Sette lettere"_s));
    EXPECT_THAT(MappaturaCamere::livelli(),
                ElementsAre(u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s, u"9"_s, u"10"_s));

    EXPECT_THAT(m.righe(), IsEmpty());
    ASSERT_TRUE(m.scegliAlbergo(0));
    ASSERT_THAT(m.righe(), ElementsAre(u"       DBL Double room with a v  1    DOP"_s,
                                       u"       SGL Single               10       "_s));
    EXPECT_EQ(m.righe().at(0).size(), 41);
    EXPECT_FALSE(m.scegliAlbergo(7));
    EXPECT_EQ(m.albergo(), u"1001"_s);
}

TEST_F(MappingTest, ChoosingALineShowsItsValuesAndKeepsTheTypeWhenUnmapped)
{
    camera(u"1001"_s, u"DBL"_s, 2, u"DOP"_s, u"Doppia"_s);
    camera(u"1001"_s, u"SGL"_s, 1, u" "_s, u"Singola"_s);
    MappaturaCamere m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_TRUE(m.scegliAlbergo(0));
    const auto dbl = m.scegliRiga(0);
    ASSERT_TRUE(dbl);
    EXPECT_EQ(dbl->id, u"DBL"_s);
    EXPECT_EQ(dbl->descrizione, u"Doppia"_s);
    EXPECT_EQ(dbl->livello, 2);
    EXPECT_EQ(dbl->tipoQV, indiceTipo(m, u"DOP"_s));
    const auto sgl = m.scegliRiga(1);
    ASSERT_TRUE(sgl);
    EXPECT_FALSE(sgl->tipoQV); // the combo keeps what it showed
    EXPECT_FALSE(m.scegliRiga(2));
}

TEST_F(MappingTest, SaveAddsByIdAndLevelChangesInPlaceAndRemoveTakesOneLevel)
{
    MappaturaCamere m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_TRUE(m.scegliAlbergo(0));
    const int dop = indiceTipo(m, u"DOP"_s);
    const int sal = indiceTipo(m, u"SAL"_s);
    ASSERT_TRUE(m.salva(u" DBL "_s, u"Doppia"_s, 1, dop));
    ASSERT_TRUE(m.salva(u"DBL"_s, u"Doppia"_s, 2, sal));   // another level: a second row
    ASSERT_TRUE(m.salva(u"DBL"_s, u"Doppia 2"_s, 1, sal)); // the same level: changed in place
    ASSERT_TRUE(m.salva(u"SGL"_s, u"Singola"_s, 1, -1));   // no QV type: unmapped
    EXPECT_THAT(righeRooms(), ElementsAre(u"1001|DBL|1|SAL"_s, u"1001|DBL|2|SAL"_s, u"1001|SGL|1| "_s));
    EXPECT_EQ(m.righe().size(), 3);

    ASSERT_TRUE(m.rimuovi(u"DBL"_s, 2));
    ASSERT_TRUE(m.rimuovi(u"DBL"_s, 5)); // no such row: nothing happens
    EXPECT_THAT(righeRooms(), ElementsAre(u"1001|DBL|1|SAL"_s, u"1001|SGL|1| "_s));
    EXPECT_THAT(w.op.messages, IsEmpty());

    // The hotel with the long code is stored whole, not as its combo text cut at 10.
    ASSERT_TRUE(m.scegliAlbergo(1));
    ASSERT_TRUE(m.salva(u"SUITE"_s, u"Suite"_s, 1, dop));
    EXPECT_THAT(righeRooms(), ElementsAre(u"1001|DBL|1|SAL"_s, u"1001|SGL|1| "_s, u"HOTEL-LUNGO-77|SUITE|1|DOP"_s));
    EXPECT_THAT(m.righe(), ElementsAre(u"     SUITE Suite                 1    DOP"_s));
}

TEST_F(MappingTest, ASaveThatCouldNotBeShownOrReadBackIsRefused)
{
    MappaturaCamere m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_FALSE(m.salva(u"DBL"_s, u"Doppia"_s, 1, 0)); // no hotel chosen
    ASSERT_TRUE(m.scegliAlbergo(0));
    EXPECT_FALSE(m.salva(u"  "_s, u"Doppia"_s, 1, 0));
    EXPECT_FALSE(m.salva(u"ABCDEFGHIJK"_s, u"Undici"_s, 1, 0));
    EXPECT_FALSE(m.salva(u"DBL"_s, u"Doppia"_s, 1, indiceTipo(m, u"TROPPOL"_s)));
    EXPECT_TRUE(m.salva(u"ABCDEFGHIJ"_s, u"Dieci"_s, 1, indiceTipo(m, u"LUNGHE"_s)));
    EXPECT_THAT(righeRooms(), ElementsAre(u"1001|ABCDEFGHIJ|1|LUNGHE"_s));
    ASSERT_EQ(w.op.messages.size(), 4);
    EXPECT_EQ(w.op.messages.at(0).message.text, u"Scegliere un hotel!"_s);
    EXPECT_EQ(w.op.messages.at(1).message.text, u"Inserire il codice (Id)!"_s);
    EXPECT_THAT(w.op.messages.at(2).message.text.toStdString(), ::testing::HasSubstr("ABCDEFGHIJK"));
    EXPECT_THAT(w.op.messages.at(3).message.text.toStdString(), ::testing::HasSubstr("TROPPOL"));
    for (const auto& s : w.op.messages)
        EXPECT_EQ(s.message.title, u"Errore"_s);
}

TEST_F(MappingTest, RandomRoomRowsComeBackAsTheyWereSaved)
{
    // Whatever is typed (quotes, percent signs, accents), a saved row is found and shown again.
    MappaturaCamere m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_TRUE(m.scegliAlbergo(0));
    QRandomGenerator rng(20261208);
    const QString alfabeto = u"AZaz09'\"%_-* àè"_s;
    auto testo = [&](int min, int max) {
        QString s;
        const int n = rng.bounded(min, max + 1);
        for (int i = 0; i < n; ++i)
            s += alfabeto.at(rng.bounded(int(alfabeto.size())));
        return s;
    };
    QHash<QString, std::pair<QString, int>> atteso; // id|level -> description, QV type
    for (int k = 0; k < 40; ++k) {
        QString id = testo(1, 10).trimmed();
        if (id.isEmpty())
            id = u"X"_s;
        const int livello = rng.bounded(1, 11);
        const QString des = testo(0, 30);
        const int tipoQV = rng.bounded(-1, 3);
        ASSERT_TRUE(m.salva(id, des, livello, tipoQV)) << id.toStdString();
        atteso[id + u'|' + QString::number(livello)] = {des, tipoQV};
    }
    ASSERT_EQ(m.righe().size(), atteso.size());
    for (int i = 0; i < m.righe().size(); ++i) {
        const auto s = m.scegliRiga(i);
        ASSERT_TRUE(s);
        const auto it = atteso.constFind(s->id + u'|' + QString::number(s->livello));
        ASSERT_NE(it, atteso.cend()) << s->id.toStdString();
        EXPECT_EQ(s->descrizione, it->first);
        EXPECT_EQ(s->tipoQV.value_or(-1), it->second);
        EXPECT_EQ(m.righe().at(i),
                  MappaturaCamere::riga(s->id, s->descrizione, s->livello,
                                        it->second < 0 ? QString() : m.tipiQV().at(it->second).chiave));
    }
    EXPECT_THAT(w.op.messages, IsEmpty());
}

TEST_F(MappingTest, AStoreErrorEndsTheActionWithAMessage)
{
    MappaturaCamere m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_TRUE(m.scegliAlbergo(0));
    // The database file is replaced by something that is no database.
    const QString file = databaseFile(w.dir(), u"SimpleBooking.mdb"_s);
    QFile::remove(file);
    w.write(QFileInfo(file).fileName(), QByteArray(4096, 'x'));
    EXPECT_FALSE(m.salva(u"DBL"_s, u"Doppia"_s, 1, 0));
    ASSERT_FALSE(w.op.messages.isEmpty());
    EXPECT_EQ(w.op.messages.first().message.title, u"Errore"_s);
    EXPECT_EQ(w.op.messages.first().message.icon, OperatorPort::Icon::Critical);
    MappaturaTariffe t(w.ctx);
    EXPECT_FALSE(t.apri());
}

class RatesTest : public MappingTest
{
protected:
    void SetUp() override
    {
        MappingTest::SetUp();
        for (const auto& [sigla, des] :
             {std::pair{u"BB"_s, u"Pernottamento e colazione"_s}, std::pair{u"MP"_s, u"Mezza pensione"_s}})
            w.insert(u"Arrangiamenti.mdb"_s, u"NomiArrangiamenti"_s,
                     {{u"NumeroHotel"_s, 1}, {u"Sigla"_s, sigla}, {u"Descrizione"_s, des}});
        w.insert(u"Arrangiamenti.mdb"_s, u"NomiArrangiamenti"_s,
                 {{u"NumeroHotel"_s, 1}, {u"Sigla"_s, u"LUNGHISS"_s}, {u"Descrizione"_s, u"Troppo lungo"_s}});
        voce(u"ARR"_s, 12, u"Mezza pensione"_s);
        voce(u"ARR"_s, 11, u"Camera e colazione"_s);
        voce(u"BAR"_s, 50, u"Bar"_s);
    }
    void voce(const QString& reparto, int codice, const QString& des)
    {
        w.insert(u"VociFattura.mdb"_s, u"VociFattura"_s,
                 {{u"NumeroHotel"_s, 1}, {u"Reparto"_s, reparto}, {u"Codice"_s, codice}, {u"Descrizione"_s, des}});
    }
    QStringList righeRates() const
    {
        return righe(u"Select * From Rates Order by HotelId,RatesId"_s,
                     {u"HotelId"_s, u"RatesId"_s, u"DesRates"_s, u"QVRates"_s, u"RateCode"_s});
    }
};

TEST_F(RatesTest, ItemsLinesAndChoosingALine)
{
    CatalogoQV::tariffaServizio(w.dir(), u"1001"_s, u"HB"_s, u"Half board"_s, u"MP"_s, 12);
    CatalogoQV::tariffaServizio(w.dir(), u"1001"_s, u"RO"_s, u"Room only"_s, u" "_s, 0);
    MappaturaTariffe m(w.ctx);
    ASSERT_TRUE(m.apri());
    QStringList arr, voci;
    for (const auto& v : m.arrangiamenti())
        arr.append(v.testo);
    for (const auto& v : m.vociFattura())
        voci.append(v.testo);
    EXPECT_THAT(arr, ElementsAre(u"BB     Pernottamento e colazione"_s, u"LUNGHISS Troppo lungo"_s,
                                 u"MP     Mezza pensione"_s));
    EXPECT_THAT(voci, ElementsAre(u"    11 Camera e colazione"_s, u"    12 Mezza pensione"_s));
    ASSERT_TRUE(m.scegliAlbergo(0));
    EXPECT_THAT(m.righe(), ElementsAre(u"HB         Half board           MP     12    "_s,
                                       u"RO         Room only                   0     "_s));
    const auto hb = m.scegliRiga(0);
    ASSERT_TRUE(hb);
    EXPECT_EQ(hb->descrizione, u"Half board"_s);
    EXPECT_EQ(hb->arrangiamento, 2);
    EXPECT_EQ(hb->voce, 1);
    // Code 0 selects nothing, as no charge item has code 0.
    const auto ro = m.scegliRiga(1);
    ASSERT_TRUE(ro);
    EXPECT_FALSE(ro->arrangiamento);
    EXPECT_FALSE(ro->voce);
    voce(u"ARR"_s, 0, u"Da definire"_s);
    MappaturaTariffe conZero(w.ctx);
    ASSERT_TRUE(conZero.apri());
    ASSERT_TRUE(conZero.scegliAlbergo(0));
    EXPECT_EQ(conZero.scegliRiga(1)->voce, 0);
}

TEST_F(RatesTest, SavingTwiceChangesOneRowAndLongCodesAreRefused)
{
    MappaturaTariffe m(w.ctx);
    ASSERT_TRUE(m.apri());
    ASSERT_TRUE(m.scegliAlbergo(0));
    ASSERT_TRUE(m.salva(u"BB"_s, u"Bed & breakfast"_s, 0, 0));
    ASSERT_TRUE(m.salva(u"BB"_s, u"Bed and 'breakfast'"_s, 2, 1));
    ASSERT_TRUE(m.salva(u"RO"_s, u"Room only"_s, -1, -1));
    EXPECT_THAT(righeRates(), ElementsAre(u"1001|BB|Bed and 'breakfast'|MP|12"_s, u"1001|RO|Room only| |0"_s));
    EXPECT_THAT(w.op.messages, IsEmpty());
    EXPECT_FALSE(m.salva(u"RATE-ELEVEN"_s, u"x"_s, 0, 0));
    EXPECT_FALSE(m.salva(u"FB"_s, u"x"_s, 1, 0)); // "LUNGHISS" does not fit the QV column
    EXPECT_EQ(w.op.messages.size(), 2);
    EXPECT_EQ(righeRates().size(), 2);
}

} // namespace
