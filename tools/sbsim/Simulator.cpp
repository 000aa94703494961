#include "Simulator.h"

#include "SimText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <utility>

using namespace Qt::StringLiterals;
using ServicePaths::Kind;

namespace {

constexpr auto OtaNamespace = u"http://www.opentravel.org/OTA/2003/05";
QString declaration()
{
    return u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"_s;
}

const QList<std::pair<SimFault::Mode, QString>>& modeNames()
{
    static const QList<std::pair<SimFault::Mode, QString>> names = {
        {SimFault::Mode::None, u"none"_s},           {SimFault::Mode::Slow, u"slow"_s},
        {SimFault::Mode::Status, u"status"_s},       {SimFault::Mode::Broken, u"broken"_s},
        {SimFault::Mode::Truncated, u"truncated"_s}, {SimFault::Mode::Cut, u"cut"_s},
        {SimFault::Mode::Drop, u"drop"_s},
    };
    return names;
}

QString modeName(SimFault::Mode mode)
{
    for (const auto& [m, name] : modeNames()) {
        if (m == mode)
            return name;
    }
    return {};
}

// Malformed on purpose: every end tag turns into a start tag and a bare "&<" closes the text.
QByteArray broken(const QByteArray& text)
{
    QByteArray out = text;
    out.replace("</", "<");
    out.append("&<");
    return out;
}

// The first half of the text, never splitting a UTF-8 sequence.
QByteArray truncated(const QByteArray& text)
{
    qsizetype cut = text.size() / 2;
    while (cut > 0 && (static_cast<unsigned char>(text.at(cut)) & 0xC0) == 0x80)
        --cut;
    return text.first(cut);
}

QJsonArray toJson(const QStringList& list)
{
    return QJsonArray::fromStringList(list);
}

// The ids of the entries first delivered after download number `after` (0: all of them).
QStringList idsAfter(const QList<SimPending>& list, int after)
{
    QStringList out;
    for (const SimPending& p : list) {
        if (p.fromDownload > after)
            out.append(p.id);
    }
    return out;
}

SimReply jsonReply(int status, const QJsonObject& body)
{
    SimReply reply;
    reply.status = status;
    reply.contentType = "application/json";
    reply.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return reply;
}

SimReply problem(int status, const QString& text)
{
    return jsonReply(status, {{u"error"_s, text}});
}

} // namespace

Simulator::Simulator(Scenario scenario, QDate fixedToday, Journal& journal)
    : m_scenario(std::move(scenario)), m_fixedToday(fixedToday), m_journal(journal),
      m_pendingNew(m_scenario.reservations), m_pendingCanc(m_scenario.cancellations),
      m_rawAnswers(m_scenario.rawAnswers)
{
}

QDateTime Simulator::now() const
{
    const QDateTime clock = QDateTime::currentDateTime();
    return m_fixedToday.isValid() ? QDateTime(m_fixedToday, clock.time()) : clock;
}

bool Simulator::pause(int ms)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
    return !m_stopping;
}

void Simulator::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
}

SimReply Simulator::handle(const SimRequest& request)
{
    std::lock_guard lock(m_mutex);
    const Kind kind = ServicePaths::kindOf(request.path);
    if (kind == Kind::Control)
        return control(request);

    ++m_requests;
    bool hasXml = false;
    const QString xml = SimText::formValue(request.body, "xml", &hasXml);
    const SimFault fault = takeFault(request.path);
    const bool apply = fault.mode == SimFault::Mode::None || fault.mode == SimFault::Mode::Slow || fault.apply;

    SimReply reply;
    if (kind == Kind::Unknown) {
        reply.status = 404;
        reply.contentType = "text/plain; charset=utf-8";
        reply.body = "No service at " + request.path.toUtf8();
    } else if (request.method != u"POST"_s) {
        reply.status = 405;
        reply.contentType = "text/plain; charset=utf-8";
        reply.body = "Only POST is served here";
    } else {
        reply.body = answer(kind, xml, apply);
        const auto raw = m_rawAnswers.constFind(request.path);
        if (raw != m_rawAnswers.cend()) {
            reply.body = raw.value();
            reply.contentType = m_rawTypes.value(request.path, reply.contentType);
        }
    }

    switch (fault.mode) {
    case SimFault::Mode::None:
        break;
    case SimFault::Mode::Slow:
        reply.delayMs = fault.ms;
        break;
    case SimFault::Mode::Status:
        reply.status = fault.status;
        reply.body = fault.body.isNull() ? "Simulated service error " + QByteArray::number(fault.status) : fault.body;
        reply.contentType = reply.body.startsWith('<') ? "text/xml; charset=utf-8" : "text/plain; charset=utf-8";
        break;
    case SimFault::Mode::Broken:
        reply.body = broken(reply.body);
        break;
    case SimFault::Mode::Truncated:
        reply.body = truncated(reply.body);
        break;
    case SimFault::Mode::Cut:
        reply.delivery = SimReply::Delivery::Cut;
        break;
    case SimFault::Mode::Drop:
        reply.delivery = SimReply::Delivery::Drop;
        break;
    }

    QJsonArray headers;
    for (const auto& [name, value] : request.headers)
        headers.append(QJsonArray{name, value});
    QJsonObject query;
    for (auto it = request.query.cbegin(); it != request.query.cend(); ++it)
        query.insert(it.key(), it.value());
    QJsonObject entry{
        {u"seq"_s, m_requests},
        {u"time"_s, QDateTime::currentDateTime().toString(Qt::ISODateWithMs)},
        {u"method"_s, request.method},
        {u"path"_s, request.path},
        {u"headers"_s, headers},
        {u"body"_s, QString::fromUtf8(request.body)},
        {u"xml"_s, hasXml ? QJsonValue(xml) : QJsonValue()},
        {u"fault"_s, modeName(fault.mode)},
        {u"applied"_s, apply},
        {u"status"_s, reply.delivery == SimReply::Delivery::Drop ? 0 : reply.status},
    };
    if (!query.isEmpty())
        entry.insert(u"query"_s, query);
    m_journal.append(entry);
    return reply;
}

QByteArray Simulator::answer(Kind kind, const QString& xml, bool apply)
{
    switch (kind) {
    case Kind::Reservations: {
        bool found = false;
        const qsizetype filter = xml.indexOf(u"<Filter"_s);
        const QString type = filter < 0 ? QString() : SimText::attributeValue(xml, u"FilterType"_s, filter, &found);
        if (type == u"new"_s || type == u"canc"_s)
            return reservationList(type, apply);
        return errors(u"OTA_HotelResNotifRS"_s, u"2.001"_s, u"321"_s,
                      found ? u"Unknown FilterType %1"_s.arg(type) : u"Missing Filter FilterType"_s);
    }
    case Kind::RoomList:
        return roomList(SimText::attributeValue(xml, u"HotelCode"_s));
    case Kind::RateList:
        return ratePlans(SimText::attributeValue(xml, u"HotelCode"_s));
    case Kind::Confirmation:
        return confirm(xml, apply);
    case Kind::Availability:
        if (apply)
            m_availability.append(xml);
        return (declaration() + rootStart(u"OTA_HotelAvailNotifRS"_s, u"1.002"_s) +
                u"<Success/><Response><ok/></Response></OTA_HotelAvailNotifRS>"_s)
            .toUtf8();
    case Kind::Control:
    case Kind::Unknown:
        break;
    }
    return {};
}

QString Simulator::rootStart(const QString& root, const QString& version) const
{
    return u"<%1 xmlns=\"%2\" TimeStamp=\"%3\" Target=\"Production\" Version=\"%4\">"_s.arg(
        root, QStringView(OtaNamespace), SimText::otaTimeStamp(now()), version);
}

QByteArray Simulator::errors(const QString& root, const QString& version, const QString& code,
                             const QString& text) const
{
    return (declaration() + rootStart(root, version) +
            u"<Errors><Error Type=\"3\" Code=\"%1\">%2</Error></Errors></%3>"_s.arg(code, SimText::xmlEscape(text),
                                                                                    root))
        .toUtf8();
}

QByteArray Simulator::reservationList(const QString& filterType, bool apply)
{
    const bool isNew = filterType == u"new"_s;
    QList<SimPending>& list = isNew ? m_pendingNew : m_pendingCanc;
    int& served = isNew ? m_downloadsNew : m_downloadsCanc;
    const int number = served + 1;
    QString out = declaration() + rootStart(u"OTA_HotelResNotifRQ"_s, u"2.001"_s) + u"<HotelReservations>"_s;
    for (SimPending& p : list) {
        if (p.fromDownload <= number) {
            out += p.fragment;
            p.delivered = p.delivered || apply;
        }
    }
    out += u"</HotelReservations></OTA_HotelResNotifRQ>"_s;
    if (apply)
        served = number;
    return out.toUtf8();
}

QByteArray Simulator::roomList(const QString& hotelCode) const
{
    const SimCatalogue* catalogue = m_scenario.catalogueFor(hotelCode);
    if (!catalogue)
        return errors(u"OTA_HotelRoomListRS"_s, u"1.000"_s, u"392"_s, u"Invalid hotel code %1"_s.arg(hotelCode));
    QString out =
        declaration() + rootStart(u"OTA_HotelRoomListRS"_s, u"1.000"_s) +
        u"<Success/><HotelRoomLists><HotelRoomList HotelCode=\"%1\"><RoomTypes>"_s.arg(SimText::xmlEscape(hotelCode));
    for (const SimRoomType& room : catalogue->rooms) {
        out += u"<RoomType RoomTypeCode=\"%1\" Name=\"%2\""_s.arg(SimText::xmlEscape(room.code),
                                                                  SimText::xmlEscape(room.name));
        for (const auto& [name, value] : room.attributes)
            out += u" %1=\"%2\""_s.arg(name, SimText::xmlEscape(value));
        out += u"/>"_s;
    }
    out += u"</RoomTypes></HotelRoomList></HotelRoomLists></OTA_HotelRoomListRS>"_s;
    return out.toUtf8();
}

QByteArray Simulator::ratePlans(const QString& hotelCode) const
{
    const SimCatalogue* catalogue = m_scenario.catalogueFor(hotelCode);
    if (!catalogue)
        return errors(u"OTA_HotelRatePlanRS"_s, u"1.000"_s, u"392"_s, u"Invalid hotel code %1"_s.arg(hotelCode));
    QString out = declaration() + rootStart(u"OTA_HotelRatePlanRS"_s, u"1.000"_s) +
                  u"<Success/><RatePlans HotelCode=\"%1\"><MealPlans>"_s.arg(SimText::xmlEscape(hotelCode));
    for (const SimRatePlan& plan : catalogue->ratePlans) {
        out += u"<MealPlan MealPlanCode=\"%1\"><Text>%2</Text></MealPlan>"_s.arg(SimText::xmlEscape(plan.code),
                                                                                 SimText::cdata(plan.name));
    }
    out += u"</MealPlans></RatePlans></OTA_HotelRatePlanRS>"_s;
    return out.toUtf8();
}

QByteArray Simulator::confirm(const QString& xml, bool apply)
{
    const QStringList named = SimText::attributeValues(xml, u"ResID_Value"_s);
    if (named.isEmpty())
        return errors(u"OTA_HotelResNotifRS"_s, u"2.001"_s, u"245"_s, u"Missing HotelReservationID ResID_Value"_s);
    if (apply) {
        for (const QString& id : named) {
            m_confirmed.append(id);
            // A delivered entry goes first: a modification held back for a later download shares the id of
            // the reservation it changes, and must survive that reservation's confirmation.
            const auto removeFirst = [&id](QList<SimPending>& list, bool deliveredOnly) {
                for (qsizetype i = 0; i < list.size(); ++i) {
                    if (list[i].id == id && (!deliveredOnly || list[i].delivered)) {
                        list.removeAt(i);
                        return true;
                    }
                }
                return false;
            };
            if (!removeFirst(m_pendingNew, true) && !removeFirst(m_pendingCanc, true) &&
                !removeFirst(m_pendingNew, false) && !removeFirst(m_pendingCanc, false))
                m_unknownConfirmations.append(id);
        }
    }
    return (declaration() + rootStart(u"OTA_HotelResNotifRS"_s, u"2.001"_s) + u"<Success/></OTA_HotelResNotifRS>"_s)
        .toUtf8();
}

SimFault Simulator::takeFault(const QString& path)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        if (m_faults[i].path == path)
            index = i;
        else if (index < 0 && m_faults[i].path.isEmpty())
            index = i;
    }
    if (index < 0)
        return {};
    const SimFault fault = m_faults[index];
    if (fault.count > 0 && --m_faults[index].count == 0)
        m_faults.removeAt(index);
    return fault;
}

QByteArray Simulator::stateJson() const
{
    QJsonArray faults;
    for (const SimFault& f : m_faults) {
        faults.append(QJsonObject{{u"mode"_s, modeName(f.mode)}, {u"path"_s, f.path}, {u"count"_s, f.count}});
    }
    const QJsonObject state{
        {u"pendingNew"_s, toJson(idsAfter(m_pendingNew, 0))},
        {u"pendingCanc"_s, toJson(idsAfter(m_pendingCanc, 0))},
        {u"heldNew"_s, toJson(idsAfter(m_pendingNew, m_downloadsNew + 1))},
        {u"heldCanc"_s, toJson(idsAfter(m_pendingCanc, m_downloadsCanc + 1))},
        {u"confirmed"_s, toJson(m_confirmed)},
        {u"unknownConfirmations"_s, toJson(m_unknownConfirmations)},
        {u"availability"_s, toJson(m_availability)},
        {u"downloads"_s, QJsonObject{{u"new"_s, m_downloadsNew}, {u"canc"_s, m_downloadsCanc}}},
        {u"requests"_s, m_requests},
        {u"faults"_s, faults},
    };
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

SimReply Simulator::setFault(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(json, &error).object();
    if (error.error != QJsonParseError::NoError)
        return problem(400, u"fault: %1"_s.arg(error.errorString()));
    SimFault fault;
    const QString mode = o.value(u"mode"_s).toString();
    bool known = false;
    for (const auto& [m, name] : modeNames()) {
        if (name == mode) {
            fault.mode = m;
            known = true;
        }
    }
    if (!known)
        return problem(400, u"fault: unknown mode \"%1\""_s.arg(mode));
    fault.ms = o.value(u"ms"_s).toInt();
    fault.status = o.value(u"status"_s).toInt(500);
    if (o.contains(u"body"_s))
        fault.body = o.value(u"body"_s).toString().toUtf8();
    fault.path = o.value(u"path"_s).toString();
    fault.count = qMax(0, o.value(u"count"_s).toInt());
    fault.apply = o.value(u"apply"_s).toBool();
    if (fault.mode == SimFault::Mode::Status && (fault.status < 100 || fault.status > 999))
        return problem(400, u"fault: status must be an HTTP status"_s);

    if (fault.mode == SimFault::Mode::None && fault.path.isEmpty()) {
        m_faults.clear();
    } else {
        m_faults.removeIf([&fault](const SimFault& f) { return f.path == fault.path; });
        if (fault.mode != SimFault::Mode::None)
            m_faults.append(fault);
    }
    return jsonReply(200, {{u"ok"_s, true}});
}

SimReply Simulator::control(const SimRequest& request)
{
    const QString what = request.path.mid(QStringView(ServicePaths::ControlPrefix).size());
    const bool get = request.method == u"GET"_s;
    const bool post = request.method == u"POST"_s;
    const bool del = request.method == u"DELETE"_s;

    if (what == u"ping"_s && get)
        return jsonReply(200, {{u"ok"_s, true}});
    if (what == u"state"_s && get) {
        SimReply reply = jsonReply(200, {});
        reply.body = stateJson();
        return reply;
    }
    if (what == u"journal"_s && get) {
        SimReply reply;
        reply.contentType = "application/x-ndjson";
        reply.body = m_journal.text();
        return reply;
    }
    if (what == u"fault"_s && post)
        return setFault(request.body);
    if (what == u"fault"_s && del) {
        m_faults.clear();
        return jsonReply(200, {{u"ok"_s, true}});
    }
    if ((what == u"reservations"_s || what == u"cancellations"_s) && post) {
        const SimPending pending = Scenario::pendingFrom(QString::fromUtf8(request.body), now(), u"control"_s);
        if (pending.fragment.isEmpty())
            return problem(400, u"empty fragment"_s);
        (what == u"reservations"_s ? m_pendingNew : m_pendingCanc).append(pending);
        return jsonReply(200, {{u"id"_s, pending.id}});
    }
    if (what == u"raw"_s && post) {
        const QString path = request.query.value(u"path"_s);
        if (path.isEmpty() || ServicePaths::kindOf(path) == Kind::Control)
            return problem(400, u"raw: give the service path as ?path="_s);
        m_rawAnswers.insert(path, request.body);
        if (request.query.contains(u"type"_s))
            m_rawTypes.insert(path, request.query.value(u"type"_s).toUtf8());
        else
            m_rawTypes.remove(path);
        return jsonReply(200, {{u"ok"_s, true}});
    }
    if (what == u"raw"_s && del) {
        if (request.query.contains(u"path"_s)) {
            m_rawAnswers.remove(request.query.value(u"path"_s));
            m_rawTypes.remove(request.query.value(u"path"_s));
        } else {
            m_rawAnswers.clear();
            m_rawTypes.clear();
        }
        return jsonReply(200, {{u"ok"_s, true}});
    }
    return problem(404, u"no control %1 %2"_s.arg(request.method, request.path));
}
