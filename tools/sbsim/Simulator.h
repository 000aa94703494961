#pragma once

#include "Journal.h"
#include "Scenario.h"
#include "ServicePaths.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>

// One request as it reached the server.
struct SimRequest
{
    QString method;
    QString path;
    QMap<QString, QString> query;
    QList<QPair<QString, QString>> headers; // in the order received
    QByteArray body;                        // raw, as received
};

// What to send back, and how.
struct SimReply
{
    enum class Delivery {
        Whole, // the answer as it is
        Cut,   // the headers promise the whole body, half of it is sent, then the connection closes
        Drop,  // the connection closes without any answer
    };
    int status = 200;
    QByteArray contentType = "text/xml; charset=utf-8";
    QByteArray body;
    Delivery delivery = Delivery::Whole;
    int delayMs = 0;
};

// A misbehaviour of the service for the next requests to one path (or to every path).
struct SimFault
{
    enum class Mode { None, Slow, Status, Broken, Truncated, Cut, Drop };
    Mode mode = Mode::None;
    int ms = 0;         // Slow: delay before the answer
    int status = 0;     // Status: the HTTP status sent
    QByteArray body;    // Status: the body sent
    QString path;       // empty: every path but the control ones
    int count = 0;      // requests it still applies to; 0 until cleared
    bool apply = false; // a failed request still takes effect (confirms, records); Slow always does
};

// The simulated service: the catalogue, the pending reservations and cancellations, the confirmations
// and availability notifications received, the faults to play and the journal. Thread-safe: the HTTP
// server calls handle() from its worker threads.
class Simulator
{
public:
    Simulator(Scenario scenario, QDate fixedToday, Journal& journal);

    SimReply handle(const SimRequest& request);

    // Waits up to ms milliseconds; returns early (false) once shutdown() was called.
    bool pause(int ms);
    void shutdown();

private:
    QDateTime now() const;
    SimReply control(const SimRequest& request);
    QByteArray answer(ServicePaths::Kind kind, const QString& xml, bool apply);
    QByteArray reservationList(const QString& filterType, bool apply);
    QByteArray roomList(const QString& hotelCode) const;
    QByteArray ratePlans(const QString& hotelCode) const;
    QByteArray confirm(const QString& xml, bool apply);
    QByteArray errors(const QString& root, const QString& version, const QString& code, const QString& text) const;
    QString rootStart(const QString& root, const QString& version) const;
    SimFault takeFault(const QString& path);
    QByteArray stateJson() const;
    SimReply setFault(const QByteArray& json);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;

    Scenario m_scenario;
    QDate m_fixedToday;
    Journal& m_journal;
    QList<SimPending> m_pendingNew;
    QList<SimPending> m_pendingCanc;
    int m_downloadsNew = 0;
    int m_downloadsCanc = 0;
    QStringList m_confirmed;
    QStringList m_unknownConfirmations;
    QStringList m_availability;
    QList<SimFault> m_faults;
    QMap<QString, QByteArray> m_rawAnswers;
    QMap<QString, QByteArray> m_rawTypes; // request path -> Content-Type of its raw answer, when given
    int m_requests = 0;
};
