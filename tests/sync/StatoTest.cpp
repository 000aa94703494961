// "--once status" as a monitoring system runs it: the exit code of each state, a JSON report that
// parses, and a data directory left exactly as it was.

#include "support/CatalogoQV.h"
#include "support/WorkDir.h"
#include "sync/ArchivioSync.h"
#include "sync/RapportoStato.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Esito
{
    int codice = -1;
    QByteArray uscita;
};

// Every file of the directory with its size, time and content.
QByteArray impronta(const QString& dir)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString f = it.next();
        QFile file(f);
        file.open(QIODevice::ReadOnly);
        h.addData((f + QString::number(it.fileInfo().lastModified().toMSecsSinceEpoch())).toUtf8());
        h.addData(file.readAll());
    }
    return h.result();
}

Esito stato(const QString& dir, const QStringList& altre = {})
{
    const QByteArray prima = impronta(dir);
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QString::fromUtf8(SB_SBDESKTOP_PATH), QStringList{u"--headless"_s, u"--once"_s, u"status"_s} + altre);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(impronta(dir), prima);
    return {p.exitCode(), p.readAllStandardOutput()};
}

TEST(Stato, EachExitCodeAReportThatParsesAndNothingChanged)
{
    WorkDir w(QDateTime::currentDateTime());
    EXPECT_EQ(stato(w.tmp.path()).codice, 3); // no settings, no databases
    EXPECT_EQ(stato(w.tmp.path(), {u"--bogus"_s}).codice, 3);

    w.bootstrap();
    w.write(u"SBookParam.txt"_s, " 1 \r\nh\r\np\r\np\r\na\r\np\r\n1001\r\nP\r\nBB\r\n1\r\n 0 \r\n 0 \r\n 1 \r\n2\r\n");
    CatalogoQV::tipoCamera(w.dir(), u"DOP"_s, 3);
    CatalogoQV::cameraServizio(w.dir(), u"1001"_s, u"DBL"_s, 1, u"DOP"_s);
    Esito e = stato(w.tmp.path(), {u"--json"_s});
    EXPECT_EQ(e.codice, 1); // two days never told
    const QJsonObject j = QJsonDocument::fromJson(e.uscita).object();
    EXPECT_EQ(j.value(u"stato"_s).toString(), u"WARNING"_s);
    EXPECT_EQ(j.value(u"deriva"_s).toObject().value(u"mai"_s).toInt(), 2);

    const QDate oggi = QDate::currentDate();
    const auto detto = [&](int valore) {
        Database sb(w.dir(), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        ArchivioSync::registraDetti(sb, {{u"DBL"_s, oggi, valore}, {u"DBL"_s, oggi.addDays(1), 3}},
                                    QDateTime::currentDateTime());
        uow.commit();
    };
    detto(3);
    EXPECT_EQ(stato(w.tmp.path()).codice, 0);
    // A web reservation waiting for QV: well for a while, a warning after an hour.
    for (const auto& [minuti, codice] : {std::pair{10, 0}, {61, 1}}) {
        w.insert(u"SimpleBooking.mdb"_s, u"Reservations"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NPren"_s, u"W"_s + QString::number(minuti)},
                  {u"Room1"_s, u"DBL"_s},
                  {u"Registrata"_s, 0}});
        w.insert(u"SimpleBooking.mdb"_s, u"AttesaPrenotazioni"_s,
                 {{u"NumeroHotel"_s, 1},
                  {u"NPren"_s, u"W"_s + QString::number(minuti)},
                  {u"Dal"_s, ArchivioSync::istante(QDateTime::currentDateTime().addSecs(-60 * minuti))}});
        EXPECT_EQ(stato(w.tmp.path()).codice, codice) << minuti;
    }
    detto(4); // the service sells a room that is not there
    e = stato(w.tmp.path());
    EXPECT_EQ(e.codice, 2);
    EXPECT_TRUE(e.uscita.contains("offre più camere"));
}

// A hotel that never exchanged anything is not "24 hours without an exchange" before its timer has run
// that long; a settings file without the service's address or the hotel's code is no healthy hotel.
TEST(Stato, TheDayWithoutExchangesCountsFromTheFirstTickAndAnUnusableSettingsFileWarns)
{
    const QDateTime primo(QDate(2026, 5, 4), QTime(9, 0, 0));
    WorkDir w(primo);
    w.bootstrap();
    w.write(u"SBookParam.txt"_s, " 0 \r\nh\r\np\r\np\r\na\r\np\r\n1001\r\nP\r\nBB\r\n1\r\n 0 \r\n 0 \r\n");
    const auto battito = [&](const QDateTime& quando, bool primoBattito) {
        Database sb(w.dir(), u"SimpleBooking.mdb"_s);
        Database::Transaction uow(sb);
        ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::Timer), true, quando);
        if (primoBattito)
            ArchivioSync::segnaScambio(sb, QString::fromUtf16(ArchivioSync::PrimoBattito), true, quando);
        uow.commit();
    };
    battito(primo, true);
    const QDateTime sera = primo.addSecs(10 * 3600);
    battito(sera, false);
    const RapportoStato r10 = RapportoStato::leggi(w.dir(), sera);
    EXPECT_LT(r10.livello(), RapportoStato::Livello::Critico) << r10.righe().join(u' ').toStdString();
    EXPECT_FALSE(r10.righe().join(u' ').contains(u"24 ore"_s));
    const QDateTime dopo = primo.addSecs(25 * 3600);
    battito(dopo, false);
    const RapportoStato r = RapportoStato::leggi(w.dir(), dopo);
    EXPECT_EQ(r.livello(), RapportoStato::Livello::Critico);
    EXPECT_TRUE(r.righe().join(u' ').contains(u"da oltre 24 ore"_s));

    for (const auto& [file, campo] :
         {std::pair{QByteArray(" 0 \r\n \r\np\r\np\r\na\r\np\r\n1001\r\nP\r\nBB\r\n1\r\n 0 \r\n 0 \r\n"), "Host name"},
          {QByteArray(" 0 \r\nh\r\np\r\np\r\na\r\np\r\n\r\nP\r\nBB\r\n1\r\n 0 \r\n 0 \r\n"), "Hotel ID"}}) {
        WorkDir vuoto(primo);
        vuoto.bootstrap();
        vuoto.write(u"SBookParam.txt"_s, file);
        const Esito e = stato(vuoto.tmp.path());
        EXPECT_EQ(e.codice, 1);
        EXPECT_TRUE(QString::fromUtf8(e.uscita).contains(u"Il campo \""_s + QString::fromUtf8(campo) + u'"'))
            << e.uscita.toStdString();
    }
}

} // namespace
