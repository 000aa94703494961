// The confirmations of a download sent over several kept connections at once, and the answers of the
// confirmation and availability exchanges judged in every legal form, over the real transport.
#include "import/ImportFixture.h"
#include "service/ServiceClient.h"

#include <QDirIterator>
#include <QRegularExpression>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;
using namespace ImportSupport;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class ConfermeParallele : public SimImportTest
{
protected:
    void SetUp() override
    {
        SimImportTest::SetUp();
        w.ctx.confermeInParallelo = 4;
        w.ctx.setRegistro([this](const QString& avviso) { avvisi.append(avviso); });
    }
    int copieConferma() const
    {
        int n = 0;
        for (QDirIterator it(w.ctx.path(u"SimpleBooking"_s), {u"Conferma*.xml"_s}); it.hasNext(); it.next())
            ++n;
        return n;
    }
    // The ids the notices name, in the order told, for notices that say what.
    QStringList nominate(const QString& cosa) const
    {
        QStringList ids;
        const QRegularExpression re(u"Conferma della prenotazione (\\S+) "_s + cosa);
        for (const QString& a : avvisi)
            if (const auto m = re.match(a); m.hasMatch())
                ids.append(m.captured(1));
        return ids;
    }

    QStringList avvisi; // every notice, once, in the order told
    static QString id(int round, int i) { return u"PC%1-%2"_s.arg(round).arg(i, 3, 10, QChar(u'0')); }
};

TEST_F(ConfermeParallele, EachStoredReservationIsConfirmedOnceWhateverTheConnections)
{
    const QString confirm = QString::fromUtf16(ServiceClient::ConfirmPath);
    int round = 0;
    int copie = 0;
    for (int connessioni : {1, 2, 4, 7, 40}) {
        ++round;
        w.ctx.confermeInParallelo = connessioni;
        QStringList ids;
        for (int i = 0; i < 25; ++i) {
            ids.append(id(round, i));
            sim.addReservation(fragment(basic(ids.last())));
        }
        // Five answers refused; with several connections which ones is up to the service.
        sim.setFault(SimFault::httpStatus(500).onPath(confirm).times(5));
        avvisi.clear();
        const QStringList prima = journalConfirmations(sim);
        run();
        const QStringList inviate = journalConfirmations(sim).mid(prima.size());
        EXPECT_EQ(QSet<QString>(inviate.cbegin(), inviate.cend()), QSet<QString>(ids.cbegin(), ids.cend()));
        EXPECT_EQ(inviate.size(), ids.size()) << connessioni;
        copie += int(ids.size());
        EXPECT_EQ(copieConferma(), copie);
        // The refused ones are told in the order of the answer, and stay pending at the service.
        const QStringList rifiutate = nominate(u"rifiutata"_s);
        EXPECT_EQ(rifiutate.size(), 5) << connessioni;
        QStringList ordinate = rifiutate;
        std::sort(ordinate.begin(), ordinate.end());
        EXPECT_EQ(rifiutate, ordinate);
        for (const QString& r : rifiutate)
            EXPECT_TRUE(sim.pendingNew().contains(r)) << r.toStdString();
        EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 25 * round);

        // The next download brings them again: repeats, confirmed once more.
        run();
        EXPECT_THAT(sim.pendingNew(), IsEmpty());
        EXPECT_EQ(journalConfirmations(sim).size(), prima.size() + 30);
        copie += 5;
        EXPECT_EQ(copieConferma(), copie);
        EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 25 * round);
    }
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

TEST_F(ConfermeParallele, AnswersAreJudgedAndToldInTheOrderGiven)
{
    const QString confirm = QString::fromUtf16(ServiceClient::ConfirmPath);
    const std::pair<QString, bool> forme[] = {
        {u"<Response><ok/></Response>"_s, true},
        {u"<Response>\r\n  <ok />\r\n</Response>"_s, true},
        {u"<ota:OTA_HotelResNotifRS xmlns:ota=\"u\"><ota:Success /></ota:OTA_HotelResNotifRS>"_s, true},
        {u"<OTA_HotelResNotifRS><Errors><Error Code=\"9\">id ignoto</Error></Errors></OTA_HotelResNotifRS>"_s, false},
        {u"<Response>ko</Response>"_s, false},
    };
    for (const auto& [forma, accettata] : forme) {
        sim.setRawAnswer(confirm, forma);
        ServiceClient client(w.ctx);
        QStringList ids;
        for (int i = 0; i < 9; ++i)
            ids.append(u"J"_s + QString::number(i));
        QList<qsizetype> ordine;
        avvisi.clear();
        EXPECT_EQ(client.ConfermaPrenotazioni(ids, [&](qsizetype i) { ordine.append(i); }), 0);
        EXPECT_EQ(ordine, (QList<qsizetype>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(client.conferme().riuscite, accettata ? 9 : 0) << forma.toStdString();
        EXPECT_EQ(client.conferme().fallite, accettata ? 0 : 9);
        const QStringList dette = nominate(forma.contains(u"Error"_s) ? u"rifiutata"_s : u"senza esito certo"_s);
        EXPECT_EQ(dette, accettata ? QStringList{} : ids) << avvisi.join(u'\n').toStdString();
    }
}

TEST_F(ConfermeParallele, ADeadServiceTakesTheConfirmationsInFlightAndNoMore)
{
    for (int i = 1; i <= 9; ++i)
        sim.addReservation(fragment(basic(u"H"_s + QString::number(i))));
    sim.setFault(SimFault::slow(4000).onPath(QString::fromUtf16(ServiceClient::ConfirmPath)));
    w.ctx.exchangeTimeoutMs = 700;
    run();
    const int inviate = int(journalConfirmations(sim).size());
    EXPECT_GE(inviate, 1);
    EXPECT_LE(inviate, w.ctx.confermeInParallelo);
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 9);
    // Each is told: those sent as not answered, the others as not attempted.
    EXPECT_EQ(nominate(u"non riuscita"_s).size(), inviate);
    int nonTentate = 0;
    for (const QString& a : avvisi)
        nonTentate += a.contains(u"non confermata: il servizio non ha risposto"_s);
    EXPECT_EQ(nonTentate, 9 - inviate);
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

TEST_F(ConfermeParallele, AStopRequestEndsTheConfirmationsAtOnce)
{
    std::atomic<bool> fermo = false;
    w.ctx.avanzamento.setArresto([&] { return fermo.load(); });
    w.ctx.exchangeTimeoutMs = 120000;
    sim.setFault(SimFault::slow(60000).onPath(QString::fromUtf16(ServiceClient::ConfirmPath)));
    ServiceClient client(w.ctx);
    QStringList ids;
    for (int i = 0; i < 12; ++i)
        ids.append(u"S"_s + QString::number(i));
    std::thread arresto([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        fermo = true;
    });
    const int interrotte = client.ConfermaPrenotazioni(ids);
    arresto.join();
    EXPECT_EQ(interrotte, 12);
    EXPECT_EQ(client.conferme().interrotte, 12);
    EXPECT_EQ(client.conferme().riuscite + client.conferme().fallite, 0);
    EXPECT_EQ(client.ultimoGiudizio().esito, EsitoRisposta::Interrotta);
    EXPECT_LE(journalConfirmations(sim).size(), w.ctx.confermeInParallelo);
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

TEST_F(ConfermeParallele, AvailabilityIsAcceptedInEveryFormAndRefusedOutsideItsYears)
{
    const QString path = QString::fromUtf16(ServiceClient::AvailabilityPath);
    const std::pair<QString, bool> forme[] = {
        {u"<Response><ok/></Response>"_s, true},
        {u"<Response><ok /></Response>"_s, true},
        {u"<Response>\n  <ok/>\n</Response>\n"_s, true},
        {u"<OTA_HotelAvailNotifRS Version=\"1.0\"><Success/></OTA_HotelAvailNotifRS>"_s, true},
        {u"<OTA_HotelAvailNotifRS><Errors><Error>giorno chiuso</Error></Errors></OTA_HotelAvailNotifRS>"_s, false},
        {u"<Response><ko/></Response>"_s, false},
    };
    const QList<ServiceClient::Avviso> avvisi{{u"DBL"_s, QDate(2026, 5, 4), 3}};
    for (const auto& [forma, accettata] : forme) {
        sim.setRawAnswer(path, forma);
        ServiceClient client(w.ctx);
        QString errore;
        EXPECT_EQ(client.InviaDisponibilita(u"1234"_s, avvisi, &errore), accettata) << forma.toStdString();
        EXPECT_EQ(errore.isEmpty(), accettata) << errore.toStdString();
        if (forma.contains(u"Error"_s)) {
            EXPECT_THAT(errore.toStdString(), HasSubstr("rifiutata dal servizio: errore segnalato dal servizio: "
                                                        "giorno chiuso"));
        }
        if (forma.contains(u"ko"_s)) {
            EXPECT_THAT(errore.toStdString(), HasSubstr("risposta non riconosciuta"));
        }
    }
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());

    const int inviate = int(sim.availabilityNotifications().size());
    for (const QDate& giorno : {QDate(9999, 12, 31), QDate(1999, 12, 31), QDate(2100, 1, 1), QDate()}) {
        ServiceClient client(w.ctx);
        QString errore;
        w.op.messages.clear();
        EXPECT_FALSE(
            client.InviaDisponibilita(u"1234"_s, {{u"DBL"_s, QDate(2026, 5, 4), 3}, {u"DBL"_s, giorno, 1}}, &errore));
        EXPECT_THAT(errore.toStdString(), HasSubstr("fuori dagli anni 2000-2099"));
        ASSERT_EQ(w.op.messageTexts().size(), 1);
        EXPECT_THAT(w.op.messageTexts().first().toStdString(), HasSubstr("La disponibilità non è stata inviata"));
    }
    EXPECT_EQ(sim.availabilityNotifications().size(), inviate);
    // The years' own ends are sent.
    sim.clearRawAnswer();
    ServiceClient client(w.ctx);
    EXPECT_TRUE(
        client.InviaDisponibilita(u"1234"_s, {{u"DBL"_s, QDate(2000, 1, 1), 1}, {u"DBL"_s, QDate(2099, 12, 31), 2}}));
}

} // namespace
