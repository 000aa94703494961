// The monthly availability and price grid: its cells and list lines, the room types it shows,
// "Importa da QV" from the per-type counters, "Registra", the prepared file byte for byte, the
// start date, and one model behind all of them.

#include "availability/GrigliaMese.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/TextFile.h"
#include "store/ValueCleaning.h"
#include "support/CatalogoQV.h"
#include "support/WorkDir.h"

#include <QFile>
#include <QRandomGenerator>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class GridTest : public ::testing::Test
{
protected:
    void SetUp() override { w.bootstrap(); }

    void tipo(const QString& sigla, int quantita, const QString& tipologia = u"C"_s)
    {
        CatalogoQV::tipoCamera(w.dir(), sigla, quantita, tipologia);
    }
    void mappa(const QString& id, const QString& qv, const QString& hotel = u"1001"_s)
    {
        CatalogoQV::cameraServizio(w.dir(), hotel, id, 1, qv);
    }
    // A counter row whose Libere holds the values given by day of the month (others: `altri`).
    void libere(const QString& amt, const QMap<int, int>& giorni, int altri)
    {
        QString campo;
        for (int d = 1; d <= 31; ++d)
            campo += DaySlots::counter(giorni.value(d, altri));
        w.insert(u"Disponibilita.mdb"_s, u"DisponibilitàTipi"_s,
                 {{u"NumeroHotel"_s, 1}, {u"AMT"_s, amt}, {u"Libere"_s, campo}});
    }
    static QStringList campi(const QString& riga) { return riga.split(u','); }
    // Replaces a database file by something that is no database.
    static void guasta(const WorkDir& w, const QString& nome)
    {
        const QString file = databaseFile(w.dir(), nome);
        QFile::remove(file);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }

    WorkDir w;
};

TEST_F(GridTest, CellsAndListLinesKeepTheirPlaces)
{
    tipo(u"DOP"_s, 5);
    tipo(u"SIN"_s, 3);
    tipo(u"SAL"_s, 1, u"A"_s); // not a bedroom type
    tipo(u"TRI"_s, 2);         // not mapped
    mappa(u"DBL"_s, u"DOP"_s);
    mappa(u"DBL2"_s, u"DOP"_s, u"2002"_s); // one row per QV type, whatever maps it
    mappa(u"SGL"_s, u"SIN"_s);
    mappa(u"HALL"_s, u"SAL"_s);
    mappa(u"NEW"_s, u" "_s);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 1, 30)));
    ASSERT_EQ(g.tipi(), 2);
    EXPECT_EQ(g.sigla(0), u"DOP"_s);
    EXPECT_EQ(g.sigla(1), u"SIN"_s);
    EXPECT_EQ(g.righe(), 300);

    EXPECT_EQ(g.cella(0, 0), QString());
    EXPECT_EQ(g.cella(0, 2), u"  30   "_s);
    EXPECT_EQ(g.cella(0, 4), u"  01   "_s); // across the month's end
    EXPECT_EQ(g.cella(1, 0), u"DOP"_s);
    EXPECT_EQ(g.cella(1, 1), u" Disp.  "_s);
    EXPECT_EQ(g.cella(1, 32), u"   0   "_s);
    EXPECT_EQ(g.cella(2, 0), QString());
    EXPECT_EQ(g.cella(2, 1), u" Prezzi "_s);
    EXPECT_EQ(g.cella(2, 2), u"  0,00 "_s);
    EXPECT_EQ(g.cella(3, 5), QString());
    EXPECT_EQ(g.cella(4, 0), u"SIN"_s);
    EXPECT_EQ(g.cella(299, 10), QString());

    const QStringList l = g.lista();
    ASSERT_EQ(l.size(), 7);
    EXPECT_EQ(l.at(0), QString(14, u' ') + u"  30     31     01     02   "_s + l.at(0).mid(42));
    EXPECT_EQ(l.at(1).left(14 + 14), u"DOP    Disp.     0      0   "_s);
    EXPECT_EQ(l.at(2).left(14 + 7), u"       Prezzi   0,00 "_s);
    EXPECT_EQ(l.at(3), u" "_s);
    for (int r : {0, 1, 2, 4, 5})
        EXPECT_EQ(l.at(r).size(), 14 + 31 * 7) << r;
    EXPECT_EQ(g.tipoDellaRiga(1), 0);
    EXPECT_EQ(g.tipoDellaRiga(4), 1);
    for (int r : {0, 2, 3, 5, 6, 7, 100})
        EXPECT_EQ(g.tipoDellaRiga(r), -1) << r;
}

TEST_F(GridTest, MoreThanNinetyNineTypesMakeTheGridGrow)
{
    for (int i = 0; i < 120; ++i) {
        const QString s = u"T"_s + QString::number(i).rightJustified(3, u'0');
        tipo(s, 1);
        mappa(s, s);
    }
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 5, 4)));
    EXPECT_EQ(g.tipi(), 120);
    EXPECT_EQ(g.righe(), 361);
    EXPECT_EQ(g.cella(358, 0), u"T119"_s);
    EXPECT_EQ(g.righeFile().size(), 240);
}

TEST_F(GridTest, ImportReadsEachDaysOwnMonth)
{
    tipo(u"DOP"_s, 5);
    tipo(u"SIN"_s, 120);
    tipo(u"TRI"_s, 2);
    mappa(u"DBL"_s, u"DOP"_s);
    mappa(u"SGL"_s, u"sin"_s); // codes compare without regard to case
    mappa(u"TRP"_s, u"TRI"_s);
    libere(u"202603DOP"_s, {{15, 0}, {20, -2}, {31, 4}}, 3);
    libere(u"202604DOP"_s, {{1, 1}, {14, 0}}, 2);
    libere(u"202604SIN"_s, {{3, 0}}, 117); // March has no row: every room is free
    // TRI has no row at all.
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 3, 15)));
    g.registra(0, {}, QStringList(31, u"80,50"_s));
    ASSERT_TRUE(g.importaDaQV());
    EXPECT_THAT(w.op.messages, IsEmpty());

    // 15 March .. 14 April.
    EXPECT_EQ(g.cella(1, 2), u"  -1   "_s);  // 15 March: none free
    EXPECT_EQ(g.cella(1, 3), u"  3    "_s);  // 16 March
    EXPECT_EQ(g.cella(1, 7), u"  -2   "_s);  // 20 March: overbooked
    EXPECT_EQ(g.cella(1, 18), u"  4    "_s); // 31 March
    EXPECT_EQ(g.cella(1, 19), u"  1    "_s); // 1 April, from April's row
    EXPECT_EQ(g.cella(1, 20), u"  2    "_s);
    EXPECT_EQ(g.cella(1, 32), u"  -1   "_s); // 14 April
    EXPECT_EQ(g.cella(4, 2), u"  120  "_s);  // March: no row, all 120 free
    EXPECT_EQ(g.cella(4, 20), u"  117  "_s);
    EXPECT_EQ(g.cella(4, 21), u"  -1   "_s); // 3 April
    for (int c = 2; c < 33; ++c)
        EXPECT_EQ(g.cella(7, c), u"  2    "_s);
    EXPECT_EQ(g.cella(2, 2), u" 80,50 "_s); // prices stay

    const QStringList f = g.righeFile();
    ASSERT_EQ(f.size(), 6);
    const QStringList dop = campi(f.at(0));
    EXPECT_EQ(dop.mid(0, 3), (QStringList{u"15/03/2026"_s, u"DOP"_s, u"Avail"_s}));
    EXPECT_EQ(dop.at(3), u"0"_s); // closed
    EXPECT_EQ(dop.at(4), u"3"_s);
    EXPECT_EQ(dop.at(8), u"0"_s); // overbooked: closed, never negative
    EXPECT_EQ(campi(f.at(1)).at(3), u"80"_s);
    EXPECT_EQ(campi(f.at(2)).at(3), u"120"_s);
    EXPECT_EQ(campi(f.at(2)).at(1), u"sin"_s);
}

TEST_F(GridTest, QVMayCountMoreRoomsThanAFileOffers)
{
    tipo(u"BIG"_s, 12000);
    mappa(u"HUGE"_s, u"BIG"_s);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 5, 4)));
    ASSERT_TRUE(g.importaDaQV());
    EXPECT_EQ(g.cella(1, 2), u"  12000"_s); // shown as QV counts it
    EXPECT_FALSE(g.preparaFile());
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_THAT(w.op.messages.at(0).message.text.toStdString(), ::testing::HasSubstr("12000"));
    EXPECT_THAT(QDir(w.tmp.path()).entryList({u"WBValuesRooms*"_s}), IsEmpty());
    ASSERT_FALSE(g.registra(0, QStringList(31, u"9999"_s), {}));
    EXPECT_TRUE(g.preparaFile());
}

TEST_F(GridTest, ThePreparedFileByteForByte)
{
    tipo(u"DOP"_s, 5);
    mappa(u"DBL"_s, u"DOP"_s);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 5, 4)));
    QStringList d(31, QString()), p(31, QString());
    d[0] = u"7"_s;
    d[1] = u"-1"_s;
    d[2] = u"0"_s;
    d[30] = u"120"_s;
    p[0] = u"95,50"_s;
    p[1] = u"1.234,00"_s;
    p[2] = u"0,99"_s;
    p[3] = u"-5"_s;
    ASSERT_FALSE(g.registra(0, d, p));
    EXPECT_FALSE(g.preparato());
    const auto nome = g.preparaFile();
    ASSERT_TRUE(nome);
    EXPECT_EQ(*nome, u"WBValuesRooms20260504140709.txt"_s);
    EXPECT_TRUE(g.preparato());
    QFile f(w.file(*nome));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray atteso = "04/05/2026,DOP,Avail,7,0,,,,,,,,,,,,,,,,,,,,,,,,,,,,,120,\r\n"
                              "04/05/2026,DOP,Price,95,1234,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n";
    EXPECT_EQ(f.readAll(), atteso);
    for (const QString& riga : g.righeFile())
        EXPECT_EQ(riga.count(u','), 34);

    // A change after the file clears the flag again; so does an import.
    ASSERT_FALSE(g.modificaCella(1, 5, u"3"_s));
    EXPECT_FALSE(g.preparato());
    ASSERT_TRUE(g.preparaFile());
    ASSERT_TRUE(g.importaDaQV());
    EXPECT_FALSE(g.preparato());
}

TEST_F(GridTest, ImportThenRegistraKeepsTheImportedValues)
{
    tipo(u"DOP"_s, 5);
    mappa(u"DBL"_s, u"DOP"_s);
    libere(u"202605DOP"_s, {{4, 0}}, 3);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 5, 4)));
    ASSERT_TRUE(g.importaDaQV());
    // The boxes are filled from the model, one is changed, then "Registra".
    QStringList d, p;
    for (int i = 0; i < 31; ++i) {
        d.append(GrigliaMese::testoDisponibilita(g.disponibilita(0, i)));
        p.append(GrigliaMese::testoPrezzo(g.prezzo(0, i)));
    }
    d[5] = u"1"_s;
    // A price typed as 1234 and cleaned by Enter keeps its value through "Registra".
    p[0] = PulisciValore(u"1234"_s, 2);
    EXPECT_EQ(p[0], u"1.234,00"_s);
    ASSERT_FALSE(g.registra(0, d, p));
    const QStringList avail = campi(g.righeFile().at(0));
    EXPECT_EQ(avail.at(3), u"0"_s);
    EXPECT_EQ(avail.at(4), u"3"_s);
    EXPECT_EQ(avail.at(8), u"1"_s);
    EXPECT_EQ(avail.at(33), u"5"_s); // 3 June: June has no row
    EXPECT_EQ(campi(g.righeFile().at(1)).at(3), u"1234"_s);
    EXPECT_EQ(g.cella(2, 2), u"1234,00"_s);
    EXPECT_EQ(g.rigaLista(1).mid(14 + 7 * 5, 7), u"  1    "_s);
}

TEST_F(GridTest, WhatIsNoValueIsRefusedAndChangesNothing)
{
    tipo(u"DOP"_s, 5);
    mappa(u"DBL"_s, u"DOP"_s);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 5, 4)));
    QStringList d(31, u"2"_s), p(31, u"10"_s);
    for (const QString& cattivo : {u"1.5"_s, u"abc"_s, u"123456"_s, u"10000"_s, u"-10000"_s, u"2 camere"_s}) {
        QStringList dd = d;
        dd[3] = cattivo;
        const auto r = g.registra(0, dd, p);
        ASSERT_TRUE(r) << cattivo.toStdString();
        EXPECT_EQ(r->casella, 5);
        EXPECT_THAT(r->testo.toStdString(), ::testing::HasSubstr("07/05/2026"));
        EXPECT_TRUE(g.modificaCella(1, 5, cattivo)) << cattivo.toStdString();
    }
    QStringList pp = p;
    pp[30] = u"dieci"_s;
    const auto r = g.registra(0, d, pp);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->casella, 64);
    EXPECT_TRUE(g.modificaCella(2, 2, u"12345678"_s));
    EXPECT_TRUE(g.registra(1, d, p)); // no such room type
    for (int i = 0; i < 31; ++i) {
        EXPECT_EQ(g.disponibilita(0, i), 0);
        EXPECT_EQ(g.prezzo(0, i), 0.0);
    }
    // Header, code and caption cells are not values: nothing to edit there.
    EXPECT_FALSE(g.modificaCella(0, 5, u"x"_s));
    EXPECT_FALSE(g.modificaCella(1, 1, u"x"_s));
    EXPECT_FALSE(g.modificaCella(3, 5, u"x"_s));
    EXPECT_EQ(g.cella(0, 5), u"  07   "_s);
}

TEST_F(GridTest, RandomValuesReadTheSameInGridListAndFile)
{
    QRandomGenerator rng(1208);
    const int n = 7;
    for (int i = 0; i < n; ++i) {
        tipo(u"Q"_s + QString::number(i), 9);
        mappa(u"S"_s + QString::number(i), u"Q"_s + QString::number(i));
    }
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 12, 20)));
    for (int round = 0; round < 20; ++round) {
        const int t = rng.bounded(n);
        QStringList d, p;
        for (int i = 0; i < 31; ++i) {
            const int k = rng.bounded(10);
            d.append(QString::number(k < 3 ? 0 : k < 5 ? -rng.bounded(1, 10000) : rng.bounded(1, 10000)));
            p.append(ItalianNumber::format(rng.bounded(0, 10000000) / 100.0, k < 5 ? u"0.00"_s : u"##,###,##0.00"_s));
        }
        ASSERT_FALSE(g.registra(t, d, p));
        if (round % 4 == 0) { // and a cell edited by hand
            ASSERT_FALSE(g.modificaCella(1 + 3 * t, 2 + rng.bounded(31), QString::number(rng.bounded(-9, 10000))));
        }
    }
    const QStringList lista = g.lista();
    const QStringList file = g.righeFile();
    for (int t = 0; t < n; ++t) {
        const QStringList avail = campi(file.at(2 * t));
        const QStringList price = campi(file.at(2 * t + 1));
        ASSERT_EQ(avail.size(), 35);
        EXPECT_EQ(avail.at(34), QString());
        for (int i = 0; i < 31; ++i) {
            const qint64 v = g.disponibilita(t, i);
            const QString cella = g.cella(1 + 3 * t, 2 + i);
            ASSERT_EQ(cella.size(), 7);
            EXPECT_EQ(lista.at(1 + 3 * t).mid(14 + 7 * i, 7), cella);
            EXPECT_EQ(DaySlots::leadingNumber(cella), v);
            EXPECT_EQ(avail.at(3 + i), v > 0 ? QString::number(v) : v < 0 ? u"0"_s : QString());
            const double prezzo = g.prezzo(t, i);
            const QString cp = g.cella(2 + 3 * t, 2 + i);
            ASSERT_EQ(cp.size(), 7);
            EXPECT_EQ(lista.at(2 + 3 * t).mid(14 + 7 * i, 7), cp);
            EXPECT_EQ(GrigliaMese::leggiPrezzo(GrigliaMese::testoPrezzo(prezzo)), prezzo);
            const qint64 intero = qint64(prezzo);
            EXPECT_EQ(price.at(3 + i), intero > 0 ? QString::number(intero) : QString());
        }
    }
}

TEST_F(GridTest, TheStartDate)
{
    EXPECT_EQ(GrigliaMese::NormalizzaData(u"150326"_s), u"15/03/2026"_s);
    EXPECT_EQ(GrigliaMese::NormalizzaData(u"010199"_s), u"01/01/2099"_s);
    EXPECT_EQ(GrigliaMese::NormalizzaData(u"15032026"_s), u"15/03/2026"_s);
    EXPECT_EQ(GrigliaMese::NormalizzaData(u"15/03/2026"_s), u"15/03/2026"_s);
    EXPECT_EQ(GrigliaMese::NormalizzaData(u"1/3/2026"_s), u"1/3/2026"_s);
    EXPECT_EQ(GrigliaMese::dataInizio(u"150326"_s), QDate(2026, 3, 15));
    EXPECT_EQ(GrigliaMese::dataInizio(u" 29/02/2028 "_s), QDate(2028, 2, 29));
    for (const QString& cattivo :
         {u"290226"_s, u"31/04/2026"_s, u"1/3/2026"_s, u"15/13/2026"_s, u"oggi"_s, u"01/01/1899"_s, QString()})
        EXPECT_FALSE(GrigliaMese::dataInizio(cattivo)) << cattivo.toStdString();
}

TEST_F(GridTest, AStoreErrorIsToldAndLeavesTheValues)
{
    tipo(u"DOP"_s, 5);
    mappa(u"DBL"_s, u"DOP"_s);
    GrigliaMese g(w.ctx);
    ASSERT_TRUE(g.costruisci(QDate(2026, 5, 4)));
    ASSERT_FALSE(g.modificaCella(1, 2, u"4"_s));
    guasta(w, u"Disponibilita.mdb"_s);
    EXPECT_FALSE(g.importaDaQV());
    ASSERT_EQ(w.op.messages.size(), 1);
    EXPECT_EQ(w.op.messages.at(0).message.title, u"Errore"_s);
    EXPECT_EQ(g.disponibilita(0, 0), 4);
    // A file that cannot be written is told, and the flag stays down.
    QDir(w.tmp.path()).mkdir(u"WBValuesRooms20260504140709.txt"_s);
    EXPECT_FALSE(g.preparaFile());
    EXPECT_FALSE(g.preparato());
    EXPECT_EQ(w.op.messages.size(), 2);
}

} // namespace
