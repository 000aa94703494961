// Reservations written in the legal forms other services use: ids that differ only in case, element
// names with a namespace prefix, comments in every form, and an answer refused with its reason.
#include "ImportAnswers.h"
#include "ImportFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace Qt::StringLiterals;
using namespace ImportAnswers;
using namespace ImportSupport;
using ::testing::IsEmpty;

namespace {

class FormeLegali : public SimImportTest
{
protected:
    // The rows of exactly this id (case and all): the fields asked for, "|"-joined, one a row.
    QStringList esatte(const QString& table, const QString& id, const QStringList& campi) const
    {
        Database db(w.dir(), u"SimpleBooking.mdb"_s);
        Recordset rs = db.OpenRecordset(table);
        QStringList out;
        const QString criteria = u"StrComp(NPren, ?, 0) = 0"_s;
        for (bool f = rs.FindFirst(criteria, {id}); f; f = rs.FindNext(criteria, {id})) {
            QStringList valori;
            for (const QString& campo : campi)
                valori.append(rs.Field(campo).toString());
            out.append(valori.join(u'|'));
        }
        return out;
    }
    // The answer of the "new" download with these reservations, read by the importer as it stands.
    void leggi(const QString& risposta)
    {
        ServiceClient client(w.ctx);
        ReservationImporter(w.ctx, client).LeggiPrenotazioni(risposta);
    }
};

TEST_F(FormeLegali, IdsThatDifferOnlyInCaseAreTwoReservations)
{
    Reservation minuscola = basic(u"cx4"_s, QDate(2026, 8, 10), 2);
    minuscola.surname = u"Bassi"_s;
    Reservation maiuscola = basic(u"CX4"_s, QDate(2026, 9, 1), 3);
    maiuscola.surname = u"Alti"_s;
    maiuscola.stays = {stay(u"SGL"_s, QDate(2026, 9, 1), 3, u"70.00"_s)};
    sim.addReservation(fragment(minuscola));
    sim.addReservation(fragment(maiuscola));
    run();

    EXPECT_EQ(esatte(u"Reservations"_s, u"cx4"_s, {u"LastName"_s, u"DataFrom"_s, u"Room1"_s}),
              QStringList{u"Bassi|20260810|DBL"_s});
    EXPECT_EQ(esatte(u"Reservations"_s, u"CX4"_s, {u"LastName"_s, u"DataFrom"_s, u"Room1"_s}),
              QStringList{u"Alti|20260901|SGL"_s});
    EXPECT_EQ(esatte(u"ReservationsPrice"_s, u"cx4"_s, {u"Room"_s, u"DayDate"_s, u"Price"_s}),
              (QStringList{u"DBL|20260810|100,00"_s, u"DBL|20260811|100,00"_s}));
    EXPECT_EQ(esatte(u"ReservationsPrice"_s, u"CX4"_s, {u"Room"_s, u"DayDate"_s, u"Price"_s}),
              (QStringList{u"SGL|20260901|70,00"_s, u"SGL|20260902|70,00"_s, u"SGL|20260903|70,00"_s}));
    EXPECT_EQ(sim.confirmedIds(), (QStringList{u"cx4"_s, u"CX4"_s}));
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 2);

    // A later delivery of one is a repeat of that one only.
    minuscola.surname = u"Bassini"_s;
    sim.addReservation(fragment(minuscola));
    run();
    EXPECT_EQ(esatte(u"Reservations"_s, u"cx4"_s, {u"LastName"_s}), QStringList{u"Bassini"_s});
    EXPECT_EQ(esatte(u"Reservations"_s, u"CX4"_s, {u"LastName"_s}), QStringList{u"Alti"_s});
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 2);

    // The cancellation of one leaves the other as it was.
    sim.addCancellation(cancellation(u"CX4"_s));
    run();
    EXPECT_EQ(esatte(u"Reservations"_s, u"CX4"_s, {u"Status"_s}), QStringList{u"Cancelled"_s});
    EXPECT_EQ(esatte(u"Reservations"_s, u"cx4"_s, {u"Status"_s}), QStringList{u"Reserved"_s});
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

// The answer with every element name written with the prefix ota.
QString prefissata(const QString& prenotazioni)
{
    QString x = u"<HotelReservations>"_s + prenotazioni + u"</HotelReservations>"_s;
    x.replace(QRegularExpression(u"<(/?)([A-Za-z])"_s), u"<\\1ota:\\2"_s);
    return u"<?xml version=\"1.0\" encoding=\"utf-8\"?><ota:OTA_HotelResNotifRQ "
           u"xmlns:ota=\"http://www.opentravel.org/OTA/2003/05\" Version=\"2.001\">"_s +
           x + u"</ota:OTA_HotelResNotifRQ>"_s;
}

TEST_F(FormeLegali, AnAnswerWhoseElementsCarryAPrefixIsStoredAsAPlainOne)
{
    Reservation uno = basic(u"PX1"_s);
    uno.surname = u"Prefissi"_s;
    Reservation due = basic(u"PX2"_s, QDate(2026, 10, 2), 1);
    due.company = u"Agenzia Due"_s;
    const QString risposta = prefissata(fragment(uno) + fragment(due));
    ASSERT_TRUE(risposta.contains(u"<ota:Surname>Prefissi</ota:Surname>"_s));
    leggi(risposta);

    // The same reservations, without prefixes, in a second directory.
    WorkDir semplice;
    prepare(semplice, sim, {{u"DBL"_s, u"Camera doppia"_s}});
    {
        ServiceClient client(semplice.ctx);
        ReservationImporter(semplice.ctx, client)
            .LeggiPrenotazioni(u"<HotelReservations>"_s + fragment(uno) + fragment(due) + u"</HotelReservations>"_s);
    }
    for (const QString& id : {u"PX1"_s, u"PX2"_s}) {
        const QVariantMap v = row(id);
        ASSERT_FALSE(v.isEmpty()) << id.toStdString();
        const QVariantMap atteso = reservationRow(semplice.dir(), id);
        for (auto it = atteso.cbegin(); it != atteso.cend(); ++it)
            EXPECT_EQ(v.value(it.key()), it.value()) << id.toStdString() << " " << it.key().toStdString();
        EXPECT_EQ(prices(id).byDay, priceRows(semplice.dir(), id).byDay);
    }
    EXPECT_EQ(row(u"PX1"_s)[u"LastName"_s].toString(), u"Prefissi"_s);
    EXPECT_EQ(row(u"PX2"_s)[u"Agency"_s].toString(), u"Agenzia Due"_s);
    EXPECT_EQ(row(u"PX1"_s)[u"Notes"_s].toString(), u">Arrivo tardi---\r\n>Nota interna"_s);
    EXPECT_EQ(sim.confirmedIds(), (QStringList{u"PX1"_s, u"PX2"_s, u"PX1"_s, u"PX2"_s}));
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
}

TEST_F(FormeLegali, CommentsInEveryLegalFormReachTheNotes)
{
    const std::pair<QString, QString> casi[] = {
        {u"<Comment Name=\"a\" GuestViewable=\"true\"><Text>Culla</Text></Comment>"
         u"<Comment GuestViewable = 'false'><Text>Pagato</Text></Comment>"_s,
         u">Culla---\r\n>Pagato"_s},
        {u"<Comment GuestViewable=\"1\"><Text>Tardi</Text></Comment><Comment><Text>Allergia</Text></Comment>"
         u"<Comment GuestViewable=\"0\"><Text>VIP</Text></Comment>"_s,
         u">Tardi / Allergia---\r\n>VIP"_s},
        {u"<Comment><Text>D&apos;Angelo &amp; figli</Text></Comment>"_s, u">D'Angelo & figli---\r\n "_s},
        {u""_s, u" ---\r\n "_s},
    };
    int n = 0;
    for (const auto& [commenti, note] : casi) {
        Reservation r = basic(u"CM"_s + QString::number(++n));
        r.guestComment = std::nullopt;
        r.internalComment = std::nullopt;
        sim.addReservation(
            replaced(fragment(r), u"</ResGuest>"_s, u"<Comments>"_s + commenti + u"</Comments></ResGuest>"_s));
    }
    run();
    for (int k = 1; k <= n; ++k)
        EXPECT_EQ(row(u"CM"_s + QString::number(k))[u"Notes"_s].toString(), casi[k - 1].second) << k;
}

TEST_F(FormeLegali, ARefusedOrUnrecognisedAnswerSaysWhy)
{
    const std::pair<QString, QString> casi[] = {
        {u"<OTA_HotelResNotifRS><Errors><Error Code=\"7\">Filtro non valido</Error></Errors></OTA_HotelResNotifRS>"_s,
         u"Ricezione prenotazione errata: errore segnalato dal servizio: Filtro non valido"_s},
        {u"<html>manutenzione</html>"_s,
         u"Ricezione prenotazione errata: risposta non riconosciuta: <html>manutenzione</html>"_s},
        {u"<HotelReservations><HotelReservation ResStatus=\"Reserved\"></HotelReservation></HotelReservations>"_s,
         u"Ricezione prenotazione errata: nessuna prenotazione della risposta ha il proprio numero"_s},
    };
    for (const auto& [risposta, messaggio] : casi) {
        w.op.messages.clear();
        leggi(risposta);
        EXPECT_EQ(w.op.messageTexts(), QStringList{messaggio});
    }
    // An empty list is nothing to tell.
    w.op.messages.clear();
    leggi(u"<OTA_HotelResNotifRQ><HotelReservations/></OTA_HotelResNotifRQ>"_s);
    EXPECT_THAT(w.op.messageTexts(), IsEmpty());
    EXPECT_EQ(countRows(w.dir(), u"Reservations"_s), 0);
    EXPECT_THAT(sim.confirmedIds(), IsEmpty());
}

} // namespace
