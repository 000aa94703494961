#include "service/ServiceClient.h"

#include "context/AppContext.h"
#include "service/CopieScambi.h"
#include "service/Markup.h"
#include "service/MascheraDati.h"
#include "service/OtaMessages.h"
#include "service/TagScanner.h"
#include "service/XmlText.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/TextFile.h"
#include "store/ValueCleaning.h"

#include <QFileInfo>
#include <array>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kSimpleBooking = u"SimpleBooking.mdb"_s;

// Where the catalogue element starting at `at` ends: after its "/>" or its end tag, and never
// past the next element of its kind.
qsizetype elementEnd(const QString& answer, qsizetype at, qsizetype next)
{
    const qsizetype limit = next < 0 ? answer.size() : next;
    const qsizetype close = answer.indexOf(u'>', at);
    if (close < 0 || close >= limit)
        return limit;
    if (answer.at(close - 1) == u'/')
        return close + 1;
    const QString name = answer.mid(at + 1, answer.indexOf(u' ', at) - at - 1);
    const qsizetype endTag = answer.indexOf(u"</"_s + name + u'>', close);
    return endTag < 0 || endTag >= limit ? limit : endTag + name.size() + 3;
}

// A rate plan's description: its CDATA text, or the plain text of its Text element.
QString descrizionePiano(const QString& mealPlan)
{
    const QString cdata = TestoCData(mealPlan, 1, u"<Text><![CDATA["_s);
    if (!cdata.isEmpty())
        return cdata;
    const qsizetype open = mealPlan.indexOf(u"<Text>"_s);
    const qsizetype close = mealPlan.indexOf(u"</Text>"_s, open);
    return open < 0 || close < 0 ? QString() : decodeXmlText(mealPlan.mid(open + 6, close - open - 6));
}

} // namespace

ServiceClient::ServiceClient(AppContext& ctx) : m_ctx(ctx), m_transport(ctx) {}

QString ServiceClient::url(const char16_t* path) const
{
    return m_ctx.baseUrl + QString::fromUtf16(path);
}

QString ServiceClient::salvaScambio(const QString& prefix, const QByteArray& bytes, QString* errore)
{
    const QString dir = m_ctx.exchangeDir();
    if (dir.isEmpty()) {
        *errore = u"impossibile creare la cartella "_s + m_ctx.path(QString::fromUtf16(AppContext::ExchangeFolder));
        return {};
    }
    // These files are the only record of what the service sent: a name already taken (two
    // exchanges in one second) gets a number, and a file is only ever created, never replaced. The
    // names are the bridge's own, so the folder is not searched for other spellings of them.
    const QDir cartella(dir);
    const QString stamp = prefix + TextDate::stamp14(m_ctx.clock().now());
    // Numbering goes on from the last name this client took in the same second.
    for (int n = m_numeri.value(stamp, 1); n < m_numeri.value(stamp, 1) + 1000; ++n) {
        const QString path = cartella.filePath(stamp + (n == 1 ? QString() : u'-' + QString::number(n)) + u".xml"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;
            *errore = path + u": "_s + TextFile::writeError(path, file.errorString(), bytes.size());
            return {};
        }
        file.setPermissions(TextFile::PermessiFile);
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            *errore = path + u": "_s + TextFile::writeError(path, file.errorString(), bytes.size());
            file.close();
            file.remove();
            return {};
        }
        m_numeri.insert(stamp, n + 1);
        return path;
    }
    *errore = u"troppi file con il nome "_s + stamp;
    return {};
}

QByteArray ServiceClient::copiaRisposta(const Transport::Esito& esito)
{
    // The bytes as received, in their own character set, but for the card data they may carry.
    if (esito.riuscita)
        return mascheraCopia(esito.bytes, esito.tipo) + "\r\n";
    return TextFile::toCp1252(mascheraDati(esito.risultato) + u"\r\n"_s);
}

const Giudizio& ServiceClient::giudica(GenereRisposta genere, const Transport::Esito& esito)
{
    m_giudizio = giudicaRisposta(genere, esito.risposta());
    return m_giudizio;
}

bool ServiceClient::salvaRisposta(const QString& prefix)
{
    QString errore;
    if (!salvaScambio(prefix, copiaRisposta(m_transport.ultimo()), &errore).isEmpty())
        return true;
    m_ctx.op().inform(u"Errore"_s,
                      u"Impossibile salvare la risposta del servizio ("_s + errore + u").\r\nOperazione interrotta."_s,
                      OperatorPort::Icon::Critical);
    return false;
}

void ServiceClient::salvaCopia(const QString& prefix, const QByteArray& bytes)
{
    QString errore;
    if (!salvaScambio(prefix, bytes, &errore).isEmpty() || m_copiaSegnalata)
        return;
    // The exchange goes on: one message per command says so, not one per reservation.
    m_copiaSegnalata = true;
    m_ctx.op().inform(u"Errore"_s,
                      u"Impossibile salvare la copia di uno scambio con il servizio ("_s + errore +
                          u").\r\nLo scambio prosegue: le prenotazioni vengono registrate e confermate "
                          u"e la disponibilità inviata, ma le copie di questo comando non vengono "
                          u"salvate."_s,
                      OperatorPort::Icon::Exclamation);
}

bool ServiceClient::salva(const QString& name, const QString& text)
{
    if (name.contains(u'\\') && m_ctx.exchangeDir().isEmpty()) {
        m_ctx.op().inform(u"Errore"_s,
                          u"Impossibile creare la cartella "_s +
                              m_ctx.path(QString::fromUtf16(AppContext::ExchangeFolder)) +
                              u".\r\nOperazione interrotta."_s,
                          OperatorPort::Icon::Critical);
        return false;
    }
    const QString path = m_ctx.path(name);
    const QString error = TextFile::writeText(path, mascheraDati(text));
    if (error.isEmpty())
        return true;
    m_ctx.op().inform(u"Errore"_s,
                      u"Impossibile scrivere il file "_s + path + u":\r\n"_s + error + u"\r\nOperazione interrotta."_s,
                      OperatorPort::Icon::Critical);
    return false;
}

void ServiceClient::ScaricaRoomList()
{
    scaricaCatalogo(Catalogo::Rooms);
}

void ServiceClient::ScaricaRatePlan()
{
    scaricaCatalogo(Catalogo::Rates);
}

void ServiceClient::scaricaCatalogo(Catalogo which)
{
    QStringList hotels;
    {
        Database db(m_ctx.workDir(), kSimpleBooking);
        Recordset rs = db.OpenRecordset(u"HotelId"_s);
        for (bool f = rs.FindFirst(u"HotelId > ''"_s); f; f = rs.FindNext(u"HotelId > ''"_s))
            hotels.append(rs.Field(u"HotelId"_s).toString());
    }
    for (const QString& hotel : hotels) {
        // A row an older version added for a binary or overlong code is passed over, told.
        if (!codiceValido(hotel))
            continue;
        const QString stamp = Ota::TimeStampOTA(m_ctx.clock().now());
        const QString request = which == Catalogo::Rates ? Ota::ratePlanRequest(m_ctx.settings, hotel, stamp)
                                                         : Ota::roomListRequest(m_ctx.settings, hotel, stamp);
        if (!salva(u"Simplebooking\\Chiamata.txt"_s, request))
            return;
        mostraRichiesta(request);
        m_ctx.UltimaRisposta =
            m_transport.ChiamaServizio(url(which == Catalogo::Rates ? RateListPath : RoomListPath), QString(), request);
        if (!salva(which == Catalogo::Rates ? u"Simplebooking\\RateList.txt"_s : u"Simplebooking\\RoomList.txt"_s,
                   m_ctx.UltimaRisposta))
            return;
        const Giudizio& giudizio =
            giudica(which == Catalogo::Rates ? GenereRisposta::Tariffe : GenereRisposta::Camere, m_transport.ultimo());
        if (giudizio.esito == EsitoRisposta::Interrotta)
            return;
        if (!giudizio.accettata()) {
            m_ctx.op().inform(QString::fromUtf16(Titolo),
                              (which == Catalogo::Rates ? u"Ricezione piani tariffari errata: "_s
                                                        : u"Ricezione elenco camere errata: "_s) +
                                  giudizio.motivo + u" (hotel "_s + hotel + u")."_s,
                              OperatorPort::Icon::Exclamation);
            continue;
        }
        aggiornaCatalogo(which, hotel, m_ctx.UltimaRisposta);
    }
}

void ServiceClient::aggiornaCatalogo(Catalogo which, const QString& hotel, const QString& risposta)
{
    // Elements written with a namespace prefix read like the others.
    const QString answer = Markup::senzaPrefissi(risposta);
    const bool rates = which == Catalogo::Rates;
    const QString element = rates ? u"<MealPlan "_s : u"<RoomType "_s;
    Database db(m_ctx.workDir(), kSimpleBooking);
    Recordset rs = db.OpenRecordset(rates ? u"Rates"_s : u"Rooms"_s);
    const QString criteria = rates ? u"HotelId = ? and RatesId = ?"_s : u"HotelId = ? and RoomsId = ?"_s;
    for (qsizetype at = answer.indexOf(element); at >= 0;) {
        // Each element is read on its own: a value it lacks is never taken from the next one.
        const qsizetype next = answer.indexOf(element, at + 1);
        const QString own = answer.mid(at, elementEnd(answer, at, next) - at);
        at = next;
        const QString code = ValoreAttributo(own, 1, rates ? u"MealPlanCode"_s : u"RoomTypeCode"_s);
        if (rs.FindFirst(criteria, {hotel, code}))
            continue;
        rs.AddNew();
        rs.setField(u"NumeroHotel"_s, m_ctx.NumeroHotelCorrente);
        rs.setField(u"HotelId"_s, hotel);
        if (rates) {
            rs.setField(u"RatesId"_s, code);
            rs.setField(u"DesRates"_s, descrizionePiano(own));
            rs.setField(u"QVRates"_s, u" "_s);
            rs.setField(u"RateCode"_s, 0);
        } else {
            rs.setField(u"RoomsLevel"_s, 1);
            rs.setField(u"RoomsId"_s, code);
            rs.setField(u"DesRooms"_s, decodeXmlText(ValoreAttributo(own, 1, u"Name"_s)));
            rs.setField(u"QVRooms"_s, u" "_s);
        }
        rs.Update();
    }
}

void ServiceClient::mostraRichiesta(const QString& request) const
{
    // The upper text box is read over the operator's shoulder: the passwords are not shown there.
    m_ctx.op().setRequestText(mascheraDati(request));
}

bool ServiceClient::codiceValido(const QString& codice)
{
    const QString errore = codice.trimmed().isEmpty() ? u"è vuoto"_s : Settings::erroreCodiceHotel(codice);
    if (errore.isEmpty())
        return true;
    m_ctx.op().inform(QString::fromUtf16(Titolo),
                      u"Il campo \"Hotel ID\" dei parametri "_s + errore +
                          u": lo scambio con il servizio non viene eseguito. "
                          u"Correggerlo nella finestra dei parametri."_s,
                      OperatorPort::Icon::Exclamation);
    return false;
}

std::optional<ServiceClient::Risposte> ServiceClient::ScaricaPrenotazioni()
{
    if (!codiceValido(m_ctx.settings.CodiceHotel))
        return std::nullopt;
    const QDate today = m_ctx.clock().today();
    const QString end = TextDate::toIso(today);
    const QString start = TextDate::toIso(today.addDays(-5));
    const QString address = m_ctx.settings.HostName;

    QString request =
        Ota::reservationRequest(m_ctx.settings, u"new"_s, start, end, Ota::TimeStampOTA(m_ctx.clock().now()));
    mostraRichiesta(request);
    if (!salva(u"Chiamata.txt"_s, request))
        return std::nullopt;
    m_ctx.UltimaRisposta = m_transport.ChiamaServizio(address, QString(), request);
    m_ctx.op().setAnswerText(mascheraDati(m_ctx.UltimaRisposta));
    if (!salvaRisposta(QString::fromUtf16(CopieScambi::Prenotazioni)))
        return std::nullopt;
    const Giudizio nuove = giudica(GenereRisposta::Prenotazioni, m_transport.ultimo());

    request = Ota::reservationRequest(m_ctx.settings, u"canc"_s, start, end, Ota::TimeStampOTA(m_ctx.clock().now()));
    mostraRichiesta(request);
    if (!salva(u"ChiamataC.txt"_s, request))
        return std::nullopt;
    const QString canc = m_transport.ChiamaServizio(address, QString(), request);
    m_ctx.op().setAnswerText(mascheraDati(canc));
    if (!salvaRisposta(QString::fromUtf16(CopieScambi::Cancellazioni)))
        return std::nullopt;
    return Risposte{m_ctx.UltimaRisposta, canc, nuove, giudica(GenereRisposta::Prenotazioni, m_transport.ultimo())};
}

bool ServiceClient::ConfermaPrenotazione(const QString& resId)
{
    const int prima = m_conferme.riuscite;
    ConfermaPrenotazioni({resId});
    return m_conferme.riuscite > prima;
}

int ServiceClient::ConfermaPrenotazioni(const QStringList& resIds, const std::function<void(qsizetype)>& prima)
{
    QStringList richieste;
    for (const QString& id : resIds)
        richieste.append(Ota::confirmationRequest(m_ctx.settings, id, Ota::TimeStampOTA(m_ctx.clock().now())));
    // After a transport failure the service is taken for unreachable for the rest of this download.
    std::vector<Transport::Esito> esiti;
    if (m_servizioAssente.isEmpty())
        esiti = m_transport.ChiamaServizioInParallelo(url(ConfirmPath), richieste, m_ctx.confermeInParallelo);
    int interrotte = 0;
    for (qsizetype i = 0; i < resIds.size(); ++i) {
        if (prima)
            prima(i);
        const Transport::Esito* esito = esiti.empty() ? nullptr : &esiti[size_t(i)];
        if (esito && esito->interrotta) {
            giudica(GenereRisposta::Conferma, *esito);
            ++interrotte;
            ++m_conferme.interrotte;
            continue;
        }
        esitoConferma(resIds.at(i), esito && esito->tentata ? esito : nullptr);
    }
    return interrotte;
}

bool ServiceClient::esitoConferma(const QString& resId, const Transport::Esito* esito)
{
    const QString titolo = QString::fromUtf16(Titolo);
    const QString dopo = u" Sarà ricevuta di nuovo con il prossimo scarico e trattata come ripetuta."_s;
    if (!esito) {
        m_ctx.op().avviso(titolo, u"Prenotazione "_s + resId +
                                      u" non confermata: il servizio non ha risposto alla conferma precedente."_s +
                                      dopo);
        return confermaFallita(m_servizioAssente);
    }
    if (esito->riuscita)
        m_ctx.op().setAnswerText(mascheraDati(esito->grezza));
    salvaCopia(QString::fromUtf16(CopieScambi::Conferma), copiaRisposta(*esito));
    const Giudizio& giudizio = giudica(GenereRisposta::Conferma, *esito);
    if (giudizio.accettata()) {
        ++m_conferme.riuscite;
        return true;
    }
    if (!esito->riuscita) {
        if (m_servizioAssente.isEmpty())
            m_servizioAssente = esito->risultato;
        m_ctx.op().avviso(titolo, u"Conferma della prenotazione "_s + resId + u" non riuscita ("_s + esito->risultato +
                                      u"). Le conferme rimanenti di questo scaricamento non vengono tentate."_s + dopo);
        return confermaFallita(esito->risultato);
    }
    const bool rifiutata = giudizio.esito == EsitoRisposta::Rifiutata;
    m_ctx.op().avviso(titolo, u"Conferma della prenotazione "_s + resId +
                                  (rifiutata ? u" rifiutata dal servizio ("_s : u" senza esito certo ("_s) +
                                  giudizio.motivo + u")."_s + dopo);
    return confermaFallita(giudizio.motivo);
}

bool ServiceClient::confermaFallita(const QString& errore)
{
    ++m_conferme.fallite;
    m_conferme.errore = errore;
    return false;
}

bool ServiceClient::InviaDisponibilita(const QString& codiceHotel, const QList<Avviso>& avvisi, QString* errore)
{
    const auto fallita = [&](const QString& testo) {
        if (errore)
            *errore = testo;
        return false;
    };
    if (!codiceValido(codiceHotel))
        return fallita(u"codice hotel non valido"_s);
    // The service's dates have four-digit years: a day beyond them would be sent as another day.
    for (const Avviso& a : avvisi) {
        if (a.giorno.isValid() && a.giorno.year() >= PrimoAnno && a.giorno.year() <= UltimoAnno)
            continue;
        const QString motivo = u"il giorno "_s + (a.giorno.isValid() ? TextDate::toDmy(a.giorno) : u"(non valido)"_s) +
                               u" è fuori dagli anni "_s + QString::number(PrimoAnno) + u'-' +
                               QString::number(UltimoAnno);
        m_ctx.op().inform(QString::fromUtf16(Titolo), u"La disponibilità non è stata inviata: "_s + motivo + u'.',
                          OperatorPort::Icon::Exclamation);
        return fallita(motivo);
    }
    QString messages;
    int locator = 1;
    for (const Avviso& a : avvisi) {
        const QString date = TextDate::toIso(a.giorno);
        messages += u"<AvailStatusMessage LocatorID=\""_s + QString::number(locator++) + u"\" BookingLimit=\""_s +
                    QString::number(a.valore) + u"\"> <StatusApplicationControl Start=\""_s + date + u"\" End=\""_s +
                    date + u"\" InvTypeCode=\""_s + escapeXml(a.roomsId) + u"\" /></AvailStatusMessage>"_s;
    }
    const QString request =
        Ota::availabilityRequest(m_ctx.settings, codiceHotel, messages, Ota::TimeStampOTA(m_ctx.clock().now()));
    QString motivo;
    // The copy shows the passwords as "********"; the request sent carries them.
    const QString copia = mascheraDati(request);
    if (salvaScambio(QString::fromUtf16(CopieScambi::AggDispo), TextFile::toCp1252(copia + u"\r\n"_s), &motivo)
            .isEmpty()) {
        m_ctx.op().inform(u"Errore"_s,
                          u"Impossibile salvare la richiesta ("_s + motivo +
                              u"): la disponibilità non è stata inviata."_s,
                          OperatorPort::Icon::Critical);
        return fallita(u"richiesta non salvata: "_s + motivo);
    }
    mostraRichiesta(request);
    m_ctx.UltimaRisposta = m_transport.ChiamaServizio(url(AvailabilityPath), QString(), request);
    m_ctx.op().setAnswerText(mascheraDati(m_ctx.UltimaRisposta));
    // The answer keeps the name the system gives it; it never replaces the download's answer.
    salvaCopia(QString::fromUtf16(CopieScambi::Prenotazioni), copiaRisposta(m_transport.ultimo()));
    // Anything but an accepted answer leaves the days untold: the drift sends them again.
    const Giudizio& giudizio = giudica(GenereRisposta::Disponibilita, m_transport.ultimo());
    if (!giudizio.accettata())
        return fallita(giudizio.esito == EsitoRisposta::Rifiutata ? u"rifiutata dal servizio: "_s + giudizio.motivo
                                                                  : giudizio.motivo);
    return true;
}
