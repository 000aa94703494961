// Other workstations at once, and a workstation killed at random points: booking numbers stay
// distinct, each reservation is registered once and whole or still waiting, each cancellation applied
// whole or still waiting, no room is booked twice a night and the counters equal a recount.
// The workstations are this program started again, running one child test in the same directory.

#include "Invarianti.h"

#include "booking/AssegnazioneCamere.h"
#include "store/TextFile.h"
#include "support/ChildContext.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <memory>
#include <random>

using namespace HotelSupport;

namespace {

// What must hold whatever moment a workstation stopped at (bookings from kUltimoNumero + 1 on).
void verificaArchivio(const QDir& dir)
{
    EXPECT_EQ(leggi(dir,
                    u"SELECT (SELECT PrenotazioniHotel FROM Contatori) = (SELECT coalesce(max(NumeroPrenotazione), "
                    u"?) FROM Scheda_Prenotazione)"_s,
                    {kUltimoNumero}),
              QStringList{u"1"_s})
        << "a number drawn but not used, or used but not drawn";
    const QStringList prenotazioni = leggi(
        dir, u"SELECT NPren, Registrata, Status = 'Cancelled', s.TipoPrenotazione, s.NumeroPrenotazione IS NOT NULL, "
             u"(SELECT count(*) FROM Camere_Prenotazione c WHERE c.NumeroPrenotazione = s.NumeroPrenotazione), "
             u"(SELECT count(*) FROM Arrangiamento a WHERE a.CodiceCliente = s.NumeroPrenotazione), DataFrom, DataTo "
             u"FROM Reservations r LEFT JOIN Scheda_Prenotazione s ON s.NVoucher = r.NPren"_s);
    for (const QString& riga : prenotazioni) {
        const QStringList v = riga.split(u'|');
        SCOPED_TRACE(riga.toStdString());
        const bool gestita = v[1] == u"1", cancellata = v[2] == u"1", scritta = v[4] == u"1";
        EXPECT_EQ(cancellata ? v[3] == u"A" : scritta, gestita) << "half registered or half cancelled";
        if (scritta) {
            const int notti = int(TextDate::fromYmd(v[7]).daysTo(TextDate::fromYmd(v[8])));
            EXPECT_EQ(v[5] + u' ' + v[6], u"2 "_s + QString::number(2 * notti)) << "rooms or nights missing";
        }
    }
    verificaInvarianti(dir);
}

class Workstations : public Hotel
{
protected:
    // Reservation i of a steady stream: a double and a single room for two to four nights, perSettimana
    // arrivals a week from January 2027, so that the rooms of levels 1 and 2 suffice for everyone.
    void aggiungi(int da, int quante, int perSettimana)
    {
        for (int i = da; i < da + quante; ++i)
            sim.addReservation(
                fragment(prenotazione(u"WK%1"_s.arg(i, 4, 10, QChar(u'0')),
                                      {{u"DBL"_s, u"BB"_s, {2}, u"90.00"_s}, {u"SGL"_s, u"HB"_s, {1}, u"50.00"_s}},
                                      QDate(2027, 1, 4).addDays(7 * (i / perSettimana)), 2 + i % 3)));
        download(w.ctx);
    }
    std::unique_ptr<QProcess> avvia(const QString& child, const QString& risposte = {})
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SB_BOOKING_CHILD_DIR"_s, w.tmp.path());
        env.insert(u"SB_CHILD_ROOMS"_s, risposte);
        p->setProcessEnvironment(env);
        p->start(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath(), {u"--gtest_filter=BookingChild."_s + child});
        return p;
    }
    // A workstation in "Semi automatica" typing the rooms given, that waits at its first room
    // prompt while intanto runs here. What it showed its operator.
    QString alPrompt(const QString& risposte, const std::function<void()>& intanto)
    {
        auto figlio = avvia(u"Prompt"_s, risposte);
        const QString segno = w.dir().filePath(u"al-prompt"_s);
        for (int i = 0; i < 1200 && !QFileInfo::exists(segno); ++i)
            QThread::msleep(50);
        EXPECT_TRUE(QFileInfo::exists(segno)) << "the workstation never reached its room prompt";
        intanto();
        w.write(u"via"_s, " ");
        EXPECT_TRUE(figlio->waitForFinished(120000));
        return QString::fromUtf8(figlio->readAllStandardOutput());
    }
    int waiting() const { return leggi(u"SELECT count(*) FROM Reservations WHERE Registrata = 0"_s).value(0).toInt(); }
};

TEST_F(Workstations, FourDrawingNumbersAtOnceGetDistinctNumbers)
{
    std::vector<std::unique_ptr<QProcess>> figli;
    for (int i = 0; i < 4; ++i)
        figli.push_back(avvia(u"Draw"_s));
    QSet<int> numeri;
    for (auto& figlio : figli) {
        ASSERT_TRUE(figlio->waitForFinished(240000));
        const QByteArray out = figlio->readAllStandardOutput();
        ASSERT_EQ(figlio->exitCode(), 0) << out.toStdString();
        for (const QByteArray& riga : out.split('\n'))
            if (riga.startsWith("N="))
                numeri.insert(riga.mid(2).toInt());
    }
    EXPECT_EQ(numeri.size(), 2000);
    EXPECT_EQ(*std::min_element(numeri.cbegin(), numeri.cend()), kUltimoNumero + 1);
    EXPECT_EQ(leggi(u"SELECT PrenotazioniHotel FROM Contatori"_s), QStringList{QString::number(kUltimoNumero + 2000)});
}

TEST_F(Workstations, TwoReviewsAtOnceRegisterEachReservationOnce)
{
    aggiungi(0, 24, 3); // three a week: together they fill the double rooms of levels 1 and 2
    auto a = avvia(u"Review"_s);
    auto b = avvia(u"Review"_s);
    for (auto* figlio : {a.get(), b.get()}) {
        ASSERT_TRUE(figlio->waitForFinished(240000));
        ASSERT_EQ(figlio->exitCode(), 0) << figlio->readAllStandardOutput().toStdString();
    }
    verificaArchivio(w.dir());
    EXPECT_EQ(waiting(), 0);
}

TEST_F(Workstations, KilledAtRandomPointsEveryBookingIsWholeOrWaiting)
{
    const unsigned seed = seedFrom("SB_CRASH_SEED");
    SCOPED_TRACE("SB_CRASH_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    int aggiunte = 16;
    aggiungi(0, aggiunte, 2);

    QElapsedTimer timer;
    int kills = 0;
    qint64 fullRunMs = 0;
    for (int run = 0; kills < 20 && run < 200; ++run) {
        auto child = avvia(u"Review"_s);
        ASSERT_TRUE(child->waitForStarted(10000));
        timer.start();
        const int delay = fullRunMs == 0 ? 120000 : std::uniform_int_distribution<int>(1, int(fullRunMs))(random);
        if (child->waitForFinished(delay)) {
            ASSERT_EQ(child->exitCode(), 0) << child->readAllStandardOutput().toStdString();
            fullRunMs = std::max<qint64>(timer.elapsed(), 50); // kills spread over a run as long as the last
        } else {
            child->kill(); // SIGKILL: no clean-up of any kind
            ASSERT_TRUE(child->waitForFinished(10000));
            ++kills;
        }
        verificaArchivio(w.dir());
        if (HasFailure())
            return;
        // Two registered bookings cancelled, as the import leaves them, and more work when it runs low.
        esegui(w.dir(), u"SimpleBooking.mdb"_s,
               u"UPDATE Reservations SET Status = 'Cancelled', Registrata = 0 WHERE rowid IN (SELECT rowid FROM "
               u"Reservations WHERE Registrata = 1 AND Status <> 'Cancelled' ORDER BY random() LIMIT 2)"_s);
        if (waiting() < 8) {
            aggiungi(aggiunte, 8, 2);
            aggiunte += 8;
        }
    }
    ASSERT_GE(kills, 20);
    RecordProperty("kills", kills);
    auto last = avvia(u"Review"_s);
    ASSERT_TRUE(last->waitForFinished(300000));
    verificaArchivio(w.dir());
    EXPECT_EQ(waiting(), 0);
}

TEST_F(Workstations, ACancellationDownloadedWhileTheRoomIsChosenIsNeverBooked)
{
    sim.addReservation(fragment(prenotazione(u"RC1"_s, {{u"SGL"_s, u"BB"_s, {1}, u"50.00"_s}})));
    download(w.ctx);
    const QString detto = alPrompt(u"101"_s, [&] {
        sim.addCancellation(cancellation(u"RC1"_s));
        scarica(); // another workstation's timer: the cancellation waits for an operator
    });
    EXPECT_EQ(numero(u"RC1"_s), 0);
    EXPECT_EQ(registrata(u"RC1"_s), 0);
    EXPECT_TRUE(detto.contains(u"è stata cancellata sul web mentre veniva esaminata"_s)) << detto.toStdString();
    verificaArchivio(w.dir());
    w.op.answer(OperatorPort::Answer::Yes);
    rivedi();
    EXPECT_EQ(registrata(u"RC1"_s), 1);
    verificaInvarianti(w.dir());
}

TEST_F(Workstations, RoomsTypedOrTakenMeanwhileAreCheckedWhenTheBookingIsWritten)
{
    sim.addReservation(
        fragment(prenotazione(u"TY1"_s, {{u"SGL"_s, u"BB"_s, {1}, u"50.00"_s}, {u"DBL"_s, u"BB"_s, {2}, u"90.00"_s}})));
    download(w.ctx);
    // 101 is booked at the front desk while the operator looks at the list; 202 has a guest in house.
    const QString detto = alPrompt(u"101,202,102,204"_s, [&] {
        esegui(w.dir(), u"Camere_Prenotazione.mdb"_s,
               u"INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, TipoPrenotazione, DataArrivo, "
               u"DataPartenza, TipoCamera, NumeroCamera, NumeroPersone) VALUES (1, 951, 'C', '20260809', "
               u"'20260812', 'SIN', '101', 1)"_s);
    });
    EXPECT_EQ(camere(numero(u"TY1"_s)), QStringList({u"102"_s, u"204"_s})) << detto.toStdString();
    // Each is refused as soon as it is typed, and says why.
    EXPECT_TRUE(detto.contains(u"La camera 101 è occupata dal 09/08/2026 al 12/08/2026 (prenotazione 951)"_s) &&
                detto.contains(u"La camera 202 è occupata da un ospite in casa"_s))
        << detto.toStdString();
    verificaArchivio(w.dir());
}

// The children: unattended mode, every question answered yes.
std::unique_ptr<ChildContext> postazione()
{
    auto p = ChildContext::fromEnvironment("SB_BOOKING_CHILD_DIR");
    if (!p)
        return p;
    p->ctx.settings.AssegnazioneAutomatica = u"1"_s;
    p->ctx.settings.Modalita = u"2"_s;
    p->ctx.settings.CodArr = u"PN"_s;
    for (int i = 0; i < 1000; ++i)
        p->op.answer(OperatorPort::Answer::Yes);
    return p;
}

TEST(BookingChild, Draw)
{
    const auto p = postazione();
    if (!p)
        GTEST_SKIP() << "runs as a child process only";
    QByteArray out;
    for (int i = 0; i < 500; ++i)
        out +=
            "N=" + QByteArray::number(AssegnazioneCamere(p->ctx).NuovoNumeroPrenotazione().numero.value_or(-1)) + '\n';
    fwrite(out.constData(), 1, size_t(out.size()), stdout);
}

// An operator in "Semi automatica" who types the rooms of SB_CHILD_ROOMS and lingers at the first prompt
// until the parent says "via".
TEST(BookingChild, Prompt)
{
    const auto p = ChildContext::fromEnvironment("SB_BOOKING_CHILD_DIR");
    if (!p)
        GTEST_SKIP() << "runs as a child process only";
    p->ctx.settings.AssegnazioneAutomatica = u"0"_s;
    p->ctx.settings.Modalita = u"1"_s;
    p->ctx.settings.CodArr = u"PN"_s;
    for (const QString& camera : qEnvironmentVariable("SB_CHILD_ROOMS").split(u','))
        p->op.type(camera);
    const QDir dir(p->dir);
    p->op.beforeInput = [&dir, prima = true](const QString&) mutable {
        if (!std::exchange(prima, false))
            return;
        TextFile::writeLines(dir.filePath(u"al-prompt"_s), {u" "_s});
        for (int i = 0; i < 1200 && !QFileInfo::exists(dir.filePath(u"via"_s)); ++i)
            QThread::msleep(50);
    };
    RevisionePrenotazioni(p->ctx).EsaminaPrenotazioniWeb();
    const QByteArray out = p->op.messageTexts().join(u'\n').toUtf8();
    fwrite(out.constData(), 1, size_t(out.size()), stdout);
}

TEST(BookingChild, Review)
{
    const auto p = postazione();
    if (!p)
        GTEST_SKIP() << "runs as a child process only";
    RevisionePrenotazioni(p->ctx).EsaminaPrenotazioniWeb();
}

} // namespace
