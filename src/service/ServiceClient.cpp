#include "service/ServiceClient.h"

#include "context/AppContext.h"
#include "service/Mascheratura.h"
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

QByteArray ServiceClient::copiaRisposta(const QString& text) const
{
    // The bytes as received, whatever their character set, so that the copy is evidence.
    if (m_transport.ultimaRiuscita())
        return m_transport.rispostaBytes() + "\r\n";
    return TextFile::toCp1252(text + u"\r\n"_s);
}

bool ServiceClient::salvaRisposta(const QString& prefix, const QString& text)
{
    QString errore;
    if (!salvaScambio(prefix, copiaRisposta(text), &errore).isEmpty())
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
    const QString error = TextFile::writeText(path, text);
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
        aggiornaCatalogo(which, hotel, m_ctx.UltimaRisposta);
    }
}

void ServiceClient::aggiornaCatalogo(Catalogo which, const QString& hotel, const QString& answer)
{
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
    m_ctx.op().setRequestText(mascheraPassword(request));
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
    m_ctx.op().setAnswerText(m_ctx.UltimaRisposta);
    if (!salvaRisposta(u"Prenotazioni"_s, m_ctx.UltimaRisposta))
        return std::nullopt;

    request = Ota::reservationRequest(m_ctx.settings, u"canc"_s, start, end, Ota::TimeStampOTA(m_ctx.clock().now()));
    mostraRichiesta(request);
    if (!salva(u"ChiamataC.txt"_s, request))
        return std::nullopt;
    const QString canc = m_transport.ChiamaServizio(address, QString(), request);
    m_ctx.op().setAnswerText(canc);
    if (!salvaRisposta(u"Cancellazioni"_s, canc))
        return std::nullopt;
    return Risposte{m_ctx.UltimaRisposta, canc};
}

bool ServiceClient::ConfermaPrenotazione(const QString& resId)
{
    const QString titolo = QString::fromUtf16(Titolo);
    const QString dopo = u" Sarà ricevuta di nuovo con il prossimo scarico e trattata come ripetuta."_s;
    // After a transport failure the service is taken for unreachable for the rest of this download:
    // one time-out, not one per reservation.
    if (!m_servizioAssente.isEmpty()) {
        m_ctx.op().avviso(titolo, u"Prenotazione "_s + resId +
                                      u" non confermata: il servizio non ha risposto alla conferma precedente."_s +
                                      dopo);
        return confermaFallita(m_servizioAssente);
    }
    const QString request = Ota::confirmationRequest(m_ctx.settings, resId, Ota::TimeStampOTA(m_ctx.clock().now()));
    const QString answer = m_transport.ChiamaServizio(url(ConfirmPath), QString(), request);
    salvaCopia(u"Conferma"_s, copiaRisposta(answer));
    if (!m_transport.ultimaRiuscita()) {
        m_servizioAssente = answer;
        m_ctx.op().avviso(titolo, u"Conferma della prenotazione "_s + resId + u" non riuscita ("_s + answer +
                                      u"). Le conferme rimanenti di questo scaricamento non vengono tentate."_s + dopo);
        return confermaFallita(answer);
    }
    const QString& raw = m_transport.rispostaGrezza();
    const long status = m_transport.statoHttp();
    if (status < 200 || status > 299 || !raw.contains(u"<Success"_s) || raw.contains(u"<Error"_s)) {
        m_ctx.op().avviso(titolo, u"Conferma della prenotazione "_s + resId + u" rifiutata dal servizio (HTTP "_s +
                                      QString::number(status) + u": "_s + tagliaTesto(raw.simplified(), 300) + u")."_s +
                                      dopo);
        return confermaFallita(u"HTTP "_s + QString::number(status) + u": "_s + tagliaTesto(raw.simplified(), 200));
    }
    ++m_conferme.riuscite;
    return true;
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
    if (salvaScambio(u"AggDispo"_s, TextFile::toCp1252(request + u"\r\n"_s), &motivo).isEmpty()) {
        m_ctx.op().inform(u"Errore"_s,
                          u"Impossibile salvare la richiesta ("_s + motivo +
                              u"): la disponibilità non è stata inviata."_s,
                          OperatorPort::Icon::Critical);
        return fallita(u"richiesta non salvata: "_s + motivo);
    }
    mostraRichiesta(request);
    m_ctx.UltimaRisposta = m_transport.ChiamaServizio(url(AvailabilityPath), QString(), request);
    m_ctx.op().setAnswerText(m_ctx.UltimaRisposta);
    // The answer keeps the name the system gives it; it never replaces the download's answer.
    salvaCopia(u"Prenotazioni"_s, copiaRisposta(m_ctx.UltimaRisposta));
    if (!m_transport.ultimaRiuscita())
        return fallita(tagliaTesto(m_ctx.UltimaRisposta.simplified(), 250));
    if (!m_transport.rispostaGrezza().contains(u"<Response><ok/></Response>"_s))
        return fallita(u"rifiutata dal servizio (HTTP "_s + QString::number(m_transport.statoHttp()) + u"): "_s +
                       tagliaTesto(m_transport.rispostaGrezza().simplified(), 200));
    return true;
}
