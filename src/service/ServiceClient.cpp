#include "service/ServiceClient.h"

#include "service/OtaMessages.h"
#include "service/TagScanner.h"
#include "service/XmlText.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/DaySlots.h"
#include "store/Recordset.h"
#include "store/TextFile.h"

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

QString ServiceClient::stampedName(const QString& prefix) const
{
    return u"SimpleBooking\\"_s + prefix + TextDate::stamp14(m_ctx.clock().now()) + u".xml"_s;
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
        const QString stamp = Ota::TimeStampOTA(m_ctx.clock().now());
        const QString request = which == Catalogo::Rates ? Ota::ratePlanRequest(m_ctx.settings, hotel, stamp)
                                                         : Ota::roomListRequest(m_ctx.settings, hotel, stamp);
        if (!salva(u"Simplebooking\\Chiamata.txt"_s, request))
            return;
        m_ctx.op().setRequestText(request);
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

std::optional<ServiceClient::Risposte> ServiceClient::ScaricaPrenotazioni()
{
    const QDate today = m_ctx.clock().today();
    const QString end = TextDate::toIso(today);
    const QString start = TextDate::toIso(today.addDays(-5));
    const QString address = m_ctx.settings.HostName;

    QString request =
        Ota::reservationRequest(m_ctx.settings, u"new"_s, start, end, Ota::TimeStampOTA(m_ctx.clock().now()));
    m_ctx.op().setRequestText(request);
    if (!salva(u"Chiamata.txt"_s, request))
        return std::nullopt;
    m_ctx.UltimaRisposta = m_transport.ChiamaServizio(address, QString(), request);
    m_ctx.op().setAnswerText(m_ctx.UltimaRisposta);
    if (!salva(stampedName(u"Prenotazioni"_s), m_ctx.UltimaRisposta))
        return std::nullopt;

    request = Ota::reservationRequest(m_ctx.settings, u"canc"_s, start, end, Ota::TimeStampOTA(m_ctx.clock().now()));
    m_ctx.op().setRequestText(request);
    if (!salva(u"ChiamataC.txt"_s, request))
        return std::nullopt;
    const QString canc = m_transport.ChiamaServizio(address, QString(), request);
    m_ctx.op().setAnswerText(canc);
    if (!salva(stampedName(u"Cancellazioni"_s), canc))
        return std::nullopt;
    return Risposte{m_ctx.UltimaRisposta, canc};
}

bool ServiceClient::ConfermaPrenotazione(const QString& resId)
{
    const QString request = Ota::confirmationRequest(m_ctx.settings, resId, Ota::TimeStampOTA(m_ctx.clock().now()));
    const QString answer = m_transport.ChiamaServizio(url(ConfirmPath), QString(), request);
    salva(stampedName(u"Conferma"_s), answer);
    return m_transport.ultimaRiuscita();
}

bool ServiceClient::InviaDisponibilita(const QString& codiceHotel, const QString& nomeFile)
{
    constexpr int kMaxRooms = 50;
    struct Room
    {
        QString code;
        QString roomsId;
        std::array<QString, 31> avail;
    };
    std::vector<Room> rooms;
    QString periodStart;

    const auto lines = TextFile::readLines(m_ctx.path(nomeFile));
    if (!lines) {
        m_ctx.op().inform(u"Errore"_s, u"Impossibile leggere il file "_s + nomeFile + u'.',
                          OperatorPort::Icon::Critical);
        return false;
    }
    {
        Database db(m_ctx.workDir(), kSimpleBooking);
        Recordset rs = db.OpenRecordset(u"Select * From Rooms Where NumeroHotel = 1"_s);
        for (const QString& line : *lines) {
            // Pieces end with a comma; a last piece without one is not taken.
            QStringList pieces = line.split(u',');
            pieces.removeLast();
            if (pieces.isEmpty())
                continue;
            periodStart = pieces.at(0);
            if (pieces.size() < 2)
                continue;
            const QString code = pieces.at(1);
            auto room = std::find_if(rooms.begin(), rooms.end(), [&](const Room& r) { return r.code == code; });
            if (room == rooms.end()) {
                if (int(rooms.size()) >= kMaxRooms)
                    continue;
                const QString id = rs.FindFirst(u"QVRooms = ?"_s, {code}) ? rs.Field(u"RoomsId"_s).toString() : u"0"_s;
                rooms.push_back({code, id, {}});
                room = rooms.end() - 1;
            }
            if (pieces.size() < 3 || pieces.at(2) != u"Avail")
                continue; // prices are read but not sent
            for (int j = 1; j <= 31 && 2 + j < pieces.size(); ++j)
                room->avail[j - 1] = pieces.at(2 + j);
        }
    }

    QString messages;
    const QDate start = TextDate::fromDmy(periodStart);
    if (start.isValid() && start >= m_ctx.clock().today()) {
        int locator = 1;
        for (const Room& room : rooms) {
            if (room.code.isEmpty())
                continue;
            for (int j = 1; j <= 31; ++j) {
                const QString& value = room.avail[j - 1];
                if (value.isEmpty())
                    continue;
                const QString date = TextDate::toIso(start.addDays(j - 1));
                messages += u"<AvailStatusMessage LocatorID=\""_s + QString::number(locator++) +
                            u"\" BookingLimit=\""_s + escapeXml(value) + u"\"> <StatusApplicationControl Start=\""_s +
                            date + u"\" End=\""_s + date + u"\" InvTypeCode=\""_s + escapeXml(room.roomsId) +
                            u"\" /></AvailStatusMessage>"_s;
            }
        }
    }
    const QString request =
        Ota::availabilityRequest(m_ctx.settings, codiceHotel, messages, Ota::TimeStampOTA(m_ctx.clock().now()));
    if (!salva(stampedName(u"AggDispo"_s), request))
        return false;
    m_ctx.op().setRequestText(request);
    m_ctx.UltimaRisposta = m_transport.ChiamaServizio(url(AvailabilityPath), QString(), request);
    m_ctx.op().setAnswerText(m_ctx.UltimaRisposta);
    salva(stampedName(u"Prenotazioni"_s), m_ctx.UltimaRisposta);
    return m_transport.ultimaRiuscita() && m_transport.rispostaGrezza().contains(u"<Response><ok/></Response>"_s);
}
