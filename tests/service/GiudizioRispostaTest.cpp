#include "service/GiudizioRisposta.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

using E = EsitoRisposta;
using G = GenereRisposta;

struct Caso
{
    const char16_t* nome;
    G genere;
    QString testo;
    long stato;
    E atteso;
    QString nelMotivo = {}; // a piece the reason must hold
};

RispostaServizio risposta(const Caso& c)
{
    RispostaServizio r;
    r.testo = c.testo;
    r.stato = c.stato;
    return r;
}

const QString kRadice = u"<OTA_HotelAvailNotifRS xmlns=\"http://www.opentravel.org/OTA/2003/05\" Version=\"1.0\">"_s;

const QList<Caso>& casi()
{
    static const QList<Caso> tutti = {
        // Availability: every legal way of writing the success element.
        {u"ok compatto", G::Disponibilita, u"<Response><ok/></Response>"_s, 200, E::Accettata},
        {u"ok con un blank", G::Disponibilita, u"<Response><ok /></Response>"_s, 200, E::Accettata},
        {u"ok su piu righe", G::Disponibilita, u"<Response>\r\n  <ok\r\n  />\r\n</Response>\r\n"_s, 200, E::Accettata},
        {u"ok con tabulazioni", G::Disponibilita, u"<Response>\t<ok\t/>\t</Response>"_s, 200, E::Accettata},
        {u"ok in un elemento minuscolo", G::Disponibilita, u"<response><ok/></response>"_s, 200, E::Accettata},
        {u"ok in un elemento maiuscolo", G::Disponibilita, u"<RESPONSE><ok/></RESPONSE>"_s, 200, E::Accettata},
        {u"ok con prefisso", G::Disponibilita, u"<sb:Response xmlns:sb=\"urn:x\"><sb:ok/></sb:Response>"_s, 200,
         E::Accettata},
        {u"ok con dichiarazione", G::Disponibilita, u"<?xml version=\"1.0\"?>\n<Response><ok/></Response>"_s, 200,
         E::Accettata},
        {u"Success OTA", G::Disponibilita, kRadice + u"<Success/></OTA_HotelAvailNotifRS>"_s, 200, E::Accettata},
        {u"Success con blank", G::Disponibilita, kRadice + u"<Success />\n</OTA_HotelAvailNotifRS>"_s, 200,
         E::Accettata},
        {u"Success aperto e chiuso", G::Disponibilita, kRadice + u"<Success></Success></OTA_HotelAvailNotifRS>"_s, 200,
         E::Accettata},
        {u"Success con prefisso", G::Disponibilita,
         u"<ota:OTA_HotelAvailNotifRS xmlns:ota=\"http://www.opentravel.org/OTA/2003/05\"><ota:Success/>"
         u"</ota:OTA_HotelAvailNotifRS>"_s,
         200, E::Accettata},
        {u"Success con avvertimenti", G::Disponibilita,
         kRadice + u"<Success/><Warnings><Warning Type=\"1\">lento</Warning></Warnings></OTA_HotelAvailNotifRS>"_s, 200,
         E::Accettata},
        // Confirmations take the same forms.
        {u"conferma ok", G::Conferma, u"<Response><ok/></Response>"_s, 200, E::Accettata},
        {u"conferma ok con blank", G::Conferma, u"<Response>\n<ok />\n</Response>"_s, 200, E::Accettata},
        {u"conferma Success", G::Conferma, u"<OTA_HotelResNotifRS><Success/></OTA_HotelResNotifRS>"_s, 200,
         E::Accettata},
        {u"conferma Success prefissata", G::Conferma,
         u"<x:OTA_HotelResNotifRS xmlns:x=\"u\">\n  <x:Success />\n</x:OTA_HotelResNotifRS>"_s, 200, E::Accettata},
        // Refusals: an HTTP error status, or an Error element, whatever else the answer says.
        {u"HTTP 500 con ok", G::Disponibilita, u"<Response><ok/></Response>"_s, 500, E::Rifiutata, u"HTTP 500"_s},
        {u"HTTP 404 testo", G::Conferma, u"Not found"_s, 404, E::Rifiutata, u"HTTP 404: Not found"_s},
        {u"HTTP 302", G::Prenotazioni, u""_s, 302, E::Rifiutata, u"HTTP 302"_s},
        {u"HTTP 503 con Errors", G::Conferma,
         u"<R><Errors><Error Code=\"1\">Servizio in manutenzione</Error></Errors></R>"_s, 503, E::Rifiutata,
         u"HTTP 503: Servizio in manutenzione"_s},
        {u"Error con Success", G::Conferma,
         u"<R><Success/><Errors><Error Type=\"3\" Code=\"245\">Id sconosciuto</Error></Errors></R>"_s, 200,
         E::Rifiutata, u"Id sconosciuto"_s},
        {u"Error con ShortText", G::Disponibilita,
         u"<R><Errors><Error Code=\"392\" ShortText=\"Hotel non valido\"/>"
         u"</Errors></R>"_s,
         200, E::Rifiutata, u"Hotel non valido"_s},
        {u"Error con il solo codice", G::Disponibilita, u"<R><Errors><Error Code=\"392\"/></Errors></R>"_s, 200,
         E::Rifiutata, u"codice 392"_s},
        {u"due Error", G::Prenotazioni,
         u"<R><Errors><Error>primo</Error><Error>secondo &amp; ultimo</Error></Errors></R>"_s, 200, E::Rifiutata,
         u"primo; secondo & ultimo"_s},
        {u"Error prefissato minuscolo", G::Conferma, u"<a:R xmlns:a=\"u\"><a:error>rotto</a:error></a:R>"_s, 200,
         E::Rifiutata, u"rotto"_s},
        {u"Errors vuoto", G::Camere, u"<R><Errors/></R>"_s, 200, E::Rifiutata, u"senza descrizione"_s},
        {u"Error in una lista", G::Prenotazioni, u"<R><HotelReservations/><Errors><Error>filtro</Error></Errors></R>"_s,
         200, E::Rifiutata, u"filtro"_s},
        // Neither yes nor no.
        {u"vuota", G::Conferma, u""_s, 200, E::NonRiconosciuta, u"risposta vuota"_s},
        {u"solo blank", G::Disponibilita, u"  \r\n "_s, 200, E::NonRiconosciuta, u"risposta vuota"_s},
        {u"ok come testo", G::Disponibilita, u"<Response>ok</Response>"_s, 200, E::NonRiconosciuta,
         u"risposta non riconosciuta: <Response>ok</Response>"_s},
        {u"ok in un commento", G::Disponibilita, u"<Response><!-- <ok/> --></Response>"_s, 200, E::NonRiconosciuta},
        {u"Success in CDATA", G::Conferma, u"<R><![CDATA[<Success/>]]></R>"_s, 200, E::NonRiconosciuta},
        {u"Error in CDATA", G::Conferma, u"<R><Success/><![CDATA[<Error>x</Error>]]></R>"_s, 200, E::Accettata},
        {u"Successo come nome piu lungo", G::Conferma, u"<R><SuccessfulNot/></R>"_s, 200, E::NonRiconosciuta},
        {u"okay non e ok", G::Disponibilita, u"<Response><okay/></Response>"_s, 200, E::NonRiconosciuta},
        {u"pagina HTML", G::Conferma, u"<html><body>Bad gateway</body></html>"_s, 200, E::NonRiconosciuta,
         u"<html><body>Bad gateway</body></html>"_s},
        {u"testo qualsiasi", G::Prenotazioni, u"manutenzione"_s, 200, E::NonRiconosciuta, u"manutenzione"_s},
        // The download: its list, empty or not, and no success element needed.
        {u"lista vuota", G::Prenotazioni, u"<OTA_HotelResNotifRQ><HotelReservations/></OTA_HotelResNotifRQ>"_s, 200,
         E::Accettata},
        {u"lista vuota aperta", G::Prenotazioni,
         u"<OTA_HotelResNotifRQ><HotelReservations>\n</HotelReservations></OTA_HotelResNotifRQ>"_s, 200, E::Accettata},
        {u"lista prefissata", G::Prenotazioni,
         u"<ota:OTA_HotelResNotifRQ xmlns:ota=\"u\"><ota:HotelReservations><ota:HotelReservation/>"
         u"</ota:HotelReservations></ota:OTA_HotelResNotifRQ>"_s,
         200, E::Accettata},
        {u"lista con attributi", G::Prenotazioni, u"<R><HotelReservations Count=\"0\"></HotelReservations></R>"_s, 200,
         E::Accettata},
        {u"solo Success senza lista", G::Prenotazioni, u"<R><Success/></R>"_s, 200, E::NonRiconosciuta},
        {u"una prenotazione senza lista", G::Prenotazioni, u"<R><HotelReservation/></R>"_s, 200, E::NonRiconosciuta},
        // The catalogue lists.
        {u"camere", G::Camere,
         u"<R><Success/><HotelRoomLists><HotelRoomList><RoomTypes><RoomType RoomTypeCode=\"D\"/>"
         u"</RoomTypes></HotelRoomList></HotelRoomLists></R>"_s,
         200, E::Accettata},
        {u"camere prefissate", G::Camere, u"<a:R xmlns:a=\"u\"><a:RoomTypes/></a:R>"_s, 200, E::Accettata},
        {u"camere senza lista", G::Camere, u"<R><Success/></R>"_s, 200, E::NonRiconosciuta},
        {u"tariffe", G::Tariffe,
         u"<R><RatePlans><MealPlans><MealPlan MealPlanCode=\"BB\"/></MealPlans></RatePlans></R>"_s, 200, E::Accettata},
        {u"tariffe non sono camere", G::Camere, u"<R><RatePlans/></R>"_s, 200, E::NonRiconosciuta},
        {u"camere non sono tariffe", G::Tariffe, u"<R><RoomTypes/></R>"_s, 200, E::NonRiconosciuta},
        {u"lista non e conferma", G::Conferma, u"<R><HotelReservations/></R>"_s, 200, E::NonRiconosciuta},
    };
    return tutti;
}

TEST(GiudizioRisposta, EveryFormOfAnAnswerHasItsOutcome)
{
    for (const Caso& c : casi()) {
        const Giudizio g = giudicaRisposta(c.genere, risposta(c));
        SCOPED_TRACE(QString::fromUtf16(c.nome).toStdString());
        EXPECT_EQ(g.esito, c.atteso) << g.motivo.toStdString();
        EXPECT_EQ(g.accettata(), c.atteso == E::Accettata);
        EXPECT_EQ(g.motivo.isEmpty(), c.atteso == E::Accettata) << g.motivo.toStdString();
        if (!c.nelMotivo.isEmpty()) {
            EXPECT_TRUE(g.motivo.contains(c.nelMotivo)) << g.motivo.toStdString();
        }
    }
}

TEST(GiudizioRisposta, AnAcceptedFormStaysAcceptedWhateverSurroundsItAndAnyStatus2xx)
{
    // Every accepted form, with blanks, a declaration and comments around it and any 2xx status.
    const QStringList contorni{u"%1"_s, u"  %1\r\n"_s, u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n%1"_s,
                               u"<!-- risposta -->%1<!-- fine -->"_s};
    for (const Caso& c : casi()) {
        if (c.atteso != E::Accettata)
            continue;
        for (const QString& contorno : contorni) {
            for (long stato : {200L, 201L, 204L, 299L}) {
                RispostaServizio r = risposta(c);
                r.testo = contorno.arg(c.testo);
                r.stato = stato;
                EXPECT_TRUE(giudicaRisposta(c.genere, r).accettata())
                    << QString::fromUtf16(c.nome).toStdString() << " " << stato;
                // The same answer with an error status is refused.
                r.stato = stato + 300;
                EXPECT_EQ(giudicaRisposta(c.genere, r).esito, E::Rifiutata);
            }
        }
    }
}

TEST(GiudizioRisposta, NoAnswerIsUnrecognisedAndAStopIsInterrupted)
{
    RispostaServizio r = RispostaServizio::daTesto(u"Error: 7 - Impossibile connettersi al server"_s);
    EXPECT_FALSE(r.ricevuta);
    for (G genere : {G::Conferma, G::Disponibilita, G::Prenotazioni, G::Camere, G::Tariffe}) {
        const Giudizio g = giudicaRisposta(genere, r);
        EXPECT_EQ(g.esito, E::NonRiconosciuta);
        EXPECT_TRUE(g.motivo.contains(u"Impossibile connettersi"_s)) << g.motivo.toStdString();
    }
    r.interrotta = true;
    EXPECT_EQ(giudicaRisposta(G::Conferma, r).esito, E::Interrotta);
    // A stop wins over whatever text came with it.
    RispostaServizio ok = RispostaServizio::daTesto(u"<Response><ok/></Response>"_s);
    EXPECT_TRUE(ok.ricevuta);
    EXPECT_EQ(ok.stato, 200);
    ok.interrotta = true;
    EXPECT_EQ(giudicaRisposta(G::Disponibilita, ok).esito, E::Interrotta);
}

TEST(GiudizioRisposta, TheExcerptOfAnUnrecognisedAnswerIsShortAndMasked)
{
    const QString lunga = u"<Response><PaymentCard CardNumber=\"4111111111111111\" SeriesCode=\"123\"/>"_s +
                          QString(400, u'x') + u"</Response>"_s;
    const Giudizio g = giudicaRisposta(G::Conferma, RispostaServizio::daTesto(lunga));
    EXPECT_EQ(g.esito, E::NonRiconosciuta);
    EXPECT_FALSE(g.motivo.contains(u"4111111111111111"_s));
    EXPECT_FALSE(g.motivo.contains(u"\"123\""_s));
    EXPECT_TRUE(g.motivo.contains(u"************1111"_s));
    EXPECT_LE(g.motivo.size(), QString(u"risposta non riconosciuta: "_s).size() + 200);
}

} // namespace
