// How long the copies of the exchanges are kept, with the clock moved forward day by day through a
// running bridge, and the one look at the copies an older version left on disk.

#include "Contiene.h"
#include "import/ImportFixture.h"
#include "shell/Registro.h"
#include "shell/Sessione.h"
#include "support/Umask.h"
#include "sync/RapportoStato.h"

#include <QDirIterator>
#include <QSqlQuery>

using namespace Qt::StringLiterals;
using namespace ImportSupport;

namespace {

const QDate kGiorno1(2026, 1, 1);
// Lines 1 to 14 of SBookParam.txt; line 15 follows.
const QByteArray kParametri = " 0 \r\nh\r\np\r\npp\r\na\r\npw\r\n1234\r\n\r\n\r\n0\r\n 0 \r\n 0 \r\n 0 \r\n\r\n";

// The names of the files of a folder of the data directory.
QStringList file(const WorkDir& w, const QString& cartella)
{
    return QDir(w.file(cartella)).entryList(QDir::Files, QDir::Name);
}

QStringList delGiorno(const QStringList& nomi, const QDate& giorno)
{
    return nomi.filter(giorno.toString(u"yyyyMMdd"_s));
}

int righe(const WorkDir& w, const QString& tabella)
{
    Database db(w.dir(), u"SimpleBooking.mdb"_s);
    return db.OpenRecordset(tabella).RecordCount();
}

class ConservazioneCopie : public ::testing::Test
{
protected:
    ConservazioneCopie() : w(QDateTime(kGiorno1, QTime(9, 0, 0))), registro(w.clock, false)
    {
        prepare(w, sim, {{u"DBL"_s, u"Camera doppia"_s}});
    }

    // The morning of a day since day 1 (the first is 1), away from the timer's download minutes.
    void giorno(int n) { w.clock.set(QDateTime(kGiorno1.addDays(n - 1), QTime(9, 0, 0))); }
    void scarica(const QString& id)
    {
        sim.addReservation(fragment(basic(id)));
        download(w.ctx);
    }

    SimServer sim;
    WorkDir w;
    Registro registro;
};

TEST_F(ConservazioneCopie, TheTimerRemovesOnDay61TheCopiesOfDay1AndNothingElse)
{
    w.write(u"SBookParam.txt"_s, kParametri + "\r\n");
    Sessione sessione(w.ctx, registro);
    ASSERT_EQ(sessione.avvia(), QString());
    scarica(u"G1"_s);
    ServiceClient(w.ctx).InviaDisponibilita(u"1234"_s, {{u"DBL"_s, QDate(2026, 1, 10), 2}});
    const QStringList copieGiorno1 = delGiorno(file(w, u"SimpleBooking"_s), kGiorno1);
    ASSERT_GE(copieGiorno1.size(), 5); // download, confirmation, availability request and answer
    // What the bridge did not write, and what it keeps for the operator.
    const QStringList altrui{u"appunti.txt"_s, u"Prenotazioni2026.xml"_s, u"AggDispo20260101090000.xml.failed"_s,
                             u"Copia di Prenotazioni20260101090000.xml"_s};
    for (const QString& nome : altrui)
        w.write(u"SimpleBooking/"_s + nome, "x");
    w.write(u"WBValuesRooms20260101090000.txt.failed"_s, "1/1/2026,DBL,Avail,2,\r\n");
    w.insert(u"SimpleBooking.mdb"_s, u"StoricoPrenotazioni"_s,
             {{u"NumeroHotel"_s, 1}, {u"NPren"_s, u"G1"_s}, {u"Ricevuta"_s, u"2026-01-01 09:00:00"_s}});
    w.insert(u"SimpleBooking.mdb"_s, u"VersioniInQV"_s,
             {{u"NumeroHotel"_s, 1}, {u"NPren"_s, u"G1"_s}, {u"Applicata"_s, u"2026-01-01 09:00:00"_s}});

    giorno(2);
    scarica(u"G2"_s);
    w.insert(u"SimpleBooking.mdb"_s, u"StoricoPrenotazioni"_s,
             {{u"NumeroHotel"_s, 1}, {u"NPren"_s, u"G2"_s}, {u"Ricevuta"_s, u"2026-01-02 09:00:00"_s}});
    const QStringList copieGiorno2 = delGiorno(file(w, u"SimpleBooking"_s), kGiorno1.addDays(1));
    ASSERT_GE(copieGiorno2.size(), 3);

    // Day 60: a copy of day 1 is 59 days old and stays.
    giorno(60);
    sessione.esegui(Sessione::Comando::Tick);
    for (const QString& nome : copieGiorno1)
        EXPECT_TRUE(QFileInfo::exists(w.file(u"SimpleBooking/"_s + nome))) << nome.toStdString();

    giorno(61);
    sessione.esegui(Sessione::Comando::Tick);
    const QStringList dopo = file(w, u"SimpleBooking"_s);
    for (const QString& nome : copieGiorno1)
        EXPECT_FALSE(dopo.contains(nome)) << nome.toStdString();
    for (const QString& nome : copieGiorno2 + altrui)
        EXPECT_TRUE(dopo.contains(nome)) << nome.toStdString();
    EXPECT_TRUE(QFileInfo::exists(w.file(u"WBValuesRooms20260101090000.txt.failed"_s)));
    // The history goes with the copies; the version QV holds stays.
    EXPECT_EQ(righe(w, u"StoricoPrenotazioni"_s), 1);
    EXPECT_EQ(righe(w, u"VersioniInQV"_s), 1);

    // The status reads what the run left, and removes nothing itself, however late it is asked.
    const QString stato = RapportoStato::leggi(w.dir(), w.clock.now()).righe().join(u'\n');
    EXPECT_THAT(stato,
                Contiene(QString::number(copieGiorno2.size()) + u" conservate, la più vecchia del 02/01/2026"_s));
    EXPECT_THAT(stato, Contiene(u"per 60 giorni"_s));
    RapportoStato::leggi(w.dir(), w.clock.now().addDays(300));
    EXPECT_EQ(file(w, u"SimpleBooking"_s), dopo);
}

TEST_F(ConservazioneCopie, LineFifteenSetsTheDaysAndZeroKeepsEverything)
{
    scarica(u"Z1"_s);
    const QStringList prima = file(w, u"SimpleBooking"_s);
    w.write(u"SBookParam.txt"_s, kParametri + "0\r\n");
    giorno(400);
    Sessione(w.ctx, registro).avvia();
    EXPECT_EQ(file(w, u"SimpleBooking"_s), prima);

    w.write(u"SBookParam.txt"_s, kParametri + "10\r\n");
    giorno(11);
    Sessione(w.ctx, registro).avvia();
    EXPECT_TRUE(file(w, u"SimpleBooking"_s).filter(u".xml"_s).isEmpty())
        << file(w, u"SimpleBooking"_s).join(u' ').toStdString();
}

TEST_F(ConservazioneCopie, TheFirstStartMasksWhatAnOlderVersionLeftOnceAndTakesTheOthersRightsOff)
{
    const Umask umask(0022);
    const QByteArray carta = "<PaymentCard CardNumber=\"4111111111111111\" SeriesCode=\"864\"/>";
    const QByteArray copia =
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?><R><Note>caff\xE8 \x80</Note>" + carta + "</R>\r\n";
    QDir(w.tmp.path()).mkdir(u"SimpleBooking"_s);
    QFile::setPermissions(w.file(u"SimpleBooking"_s), QFileDevice::Permissions(0x7755));
    const QString vecchia = u"SimpleBooking/Prenotazioni20251220101010.xml"_s;
    const QString altrui = u"SimpleBooking/carta.xml"_s;
    w.write(vecchia, copia);
    w.write(altrui, copia);
    w.write(u"Chiamata.txt"_s, "<provider Name=\"p\" Pwd=\"Segreta1\"></provider>\r\n");
    w.write(u"SBookParam.txt"_s, " 0 \r\nh\r\np\r\nSegreta1\r\na\r\npw\r\n1234\r\n\r\n\r\n0\r\n 0 \r\n 0 \r\n");
    for (const QString& nome : {vecchia, altrui, u"Chiamata.txt"_s, u"SBookParam.txt"_s})
        QFile::setPermissions(w.file(nome), QFileDevice::Permissions(0x6644));

    ASSERT_EQ(Sessione(w.ctx, registro).avvia(), QString());
    const auto letto = [&](const QString& nome) {
        QFile f(w.file(nome));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // Masked where it stood, the rest byte for byte in its own character set.
    EXPECT_EQ(letto(vecchia),
              QByteArray(copia).replace("4111111111111111", "************1111").replace("\"864\"", "\"***\""));
    EXPECT_EQ(letto(u"Chiamata.txt"_s), QByteArray("<provider Name=\"p\" Pwd=\"********\"></provider>\r\n"));
    EXPECT_EQ(letto(altrui), copia);
    EXPECT_THAT(QString::fromLatin1(letto(u"SBookParam.txt"_s)), Contiene(u"Segreta1"_s));
    for (const QString& nome : {vecchia, u"Chiamata.txt"_s, u"SBookParam.txt"_s})
        EXPECT_EQ(modo(w.file(nome)), 0x0640) << nome.toStdString();
    EXPECT_EQ(modo(w.file(u"SimpleBooking"_s)), 0x0750);
    EXPECT_EQ(modo(w.file(altrui)), 0x0644);
    EXPECT_THAT(RapportoStato::leggi(w.dir(), w.clock.now()).righe().join(u'\n'), Contiene(u": 2 mascherate"_s));
}

} // namespace
