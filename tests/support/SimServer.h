#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A misbehaviour of the simulated service for the next requests (see SimServer::setFault).
struct SimFault
{
    enum class Mode { None, Slow, Status, Broken, Truncated, Cut, Drop };
    Mode mode = Mode::None;
    int ms = 0;         // Slow: delay before the answer
    int status = 0;     // Status: the HTTP status
    QString body;       // Status: the body (a default text when null)
    QString path;       // only requests to this path; empty: every path
    int count = 0;      // applies to this many requests; 0: until cleared
    bool apply = false; // the failed request still takes effect (confirms, records)

    static SimFault slow(int ms);
    static SimFault httpStatus(int status, const QString& body = {});
    static SimFault broken();    // end tags turned into start tags, a stray "&<" at the end
    static SimFault truncated(); // the first half of the answer text, as a complete HTTP answer
    static SimFault cut();       // headers promise the whole answer; half arrives, then the line closes
    static SimFault drop();      // the connection closes without an answer
    SimFault& onPath(const QString& p);
    SimFault& times(int n);
    SimFault& applied();
};

// Runs the service simulator (sbsim) on a free port of 127.0.0.1 for the lifetime of the object.
// The simulator also ends by itself when this process dies (its standard input closes).
class SimServer
{
public:
    // scenarioDir: a scenario directory (see scenario()); empty for an empty service.
    // extraArgs: more sbsim options, e.g. {"--today", "2026-05-04"}.
    explicit SimServer(const QString& scenarioDir = {}, const QStringList& extraArgs = {});
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // tests/data/sim/<name>
    static QString scenario(const QString& name);

    int port() const { return m_port; }
    QString baseUrl() const;         // http://127.0.0.1:PORT, what the bridge's base address becomes
    QString reservationsUrl() const; // the reservation download address (the HostName setting)
    QString journalPath() const;

    void setFault(const SimFault& fault);
    void clearFault();
    void addReservation(const QString& fragment); // returns after the simulator holds it
    void addCancellation(const QString& fragment);
    void setRawAnswer(const QString& path, const QString& body); // served verbatim for that path
    // These bytes, served verbatim for that path, with this Content-Type when one is given.
    void setRawAnswerBytes(const QString& path, const QByteArray& body, const QString& contentType = {});
    void clearRawAnswer(const QString& path = {}); // empty: every path

    QStringList pendingNew() const;
    QStringList pendingCanc() const;
    QStringList confirmedIds() const;         // every id named by a confirmation, in order received
    QStringList unknownConfirmations() const; // those that matched nothing pending
    QStringList availabilityNotifications() const;
    QJsonObject state() const;
    QJsonArray journal() const; // one object per request: path, headers [[name, value]...], body, xml, ...

    // Closes the simulator's standard input, as a dying parent would; true when it then exits.
    bool closeStdinAndWait(int msecs = 10000);
    QProcess& process() { return m_process; }

private:
    QByteArray control(const char* method, const QString& what, const QByteArray& body = {}) const;
    QStringList stateList(const QString& key) const;

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
