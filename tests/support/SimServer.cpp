#include "support/SimServer.h"

#include <QDir>
#include <QJsonDocument>
#include <QUrl>

#include <curl/curl.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

constexpr int StartTimeoutMs = 15000;

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toStdString());
}

size_t collect(char* data, size_t size, size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

QString modeName(SimFault::Mode mode)
{
    switch (mode) {
    case SimFault::Mode::None:
        return u"none"_s;
    case SimFault::Mode::Slow:
        return u"slow"_s;
    case SimFault::Mode::Status:
        return u"status"_s;
    case SimFault::Mode::Broken:
        return u"broken"_s;
    case SimFault::Mode::Truncated:
        return u"truncated"_s;
    case SimFault::Mode::Cut:
        return u"cut"_s;
    case SimFault::Mode::Drop:
        return u"drop"_s;
    }
    return {};
}

} // namespace

SimFault SimFault::slow(int ms)
{
    SimFault f;
    f.mode = Mode::Slow;
    f.ms = ms;
    return f;
}

SimFault SimFault::httpStatus(int status, const QString& body)
{
    SimFault f;
    f.mode = Mode::Status;
    f.status = status;
    f.body = body;
    return f;
}

namespace {

SimFault withMode(SimFault::Mode mode)
{
    SimFault f;
    f.mode = mode;
    return f;
}

} // namespace

SimFault SimFault::broken()
{
    return withMode(Mode::Broken);
}

SimFault SimFault::truncated()
{
    return withMode(Mode::Truncated);
}

SimFault SimFault::cut()
{
    return withMode(Mode::Cut);
}

SimFault SimFault::drop()
{
    return withMode(Mode::Drop);
}

SimFault& SimFault::onPath(const QString& p)
{
    path = p;
    return *this;
}

SimFault& SimFault::times(int n)
{
    count = n;
    return *this;
}

SimFault& SimFault::applied()
{
    apply = true;
    return *this;
}

SimServer::SimServer(const QString& scenarioDir, const QStringList& extraArgs)
{
    if (!m_dir.isValid())
        fail(u"SimServer: no temporary directory"_s);
    QStringList args{u"--port"_s, u"0"_s, u"--journal"_s, journalPath()};
    if (!scenarioDir.isEmpty())
        args << u"--scenario"_s << scenarioDir;
    args << extraArgs;
    // Standard input stays an open pipe, so the simulator notices when this process goes away. Its error
    // output is kept for the failure message.
    m_process.start(QString::fromUtf8(SB_SBSIM_PATH), args);
    if (!m_process.waitForStarted(StartTimeoutMs))
        fail(u"SimServer: cannot start %1: %2"_s.arg(QString::fromUtf8(SB_SBSIM_PATH), m_process.errorString()));

    QByteArray out;
    while (!out.contains('\n')) {
        if (!m_process.waitForReadyRead(StartTimeoutMs)) {
            m_process.waitForFinished(1000);
            fail(u"SimServer: sbsim gave no port (exit code %1): %2"_s.arg(m_process.exitCode())
                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError())));
        }
        out += m_process.readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT "))
        fail(u"SimServer: unexpected first line from sbsim: %1"_s.arg(QString::fromUtf8(line)));
    m_port = line.mid(5).toInt();
}

SimServer::~SimServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString SimServer::scenario(const QString& name)
{
    return QDir(QString::fromUtf8(SB_TESTS_DATA)).filePath(u"data/sim/"_s + name);
}

QString SimServer::baseUrl() const
{
    return u"http://127.0.0.1:%1"_s.arg(m_port);
}

QString SimServer::reservationsUrl() const
{
    return baseUrl() + u"/reservations"_s;
}

QString SimServer::journalPath() const
{
    return m_dir.filePath(u"journal.jsonl"_s);
}

QByteArray SimServer::control(const char* method, const QString& what, const QByteArray& body) const
{
    CURL* curl = curl_easy_init();
    if (!curl)
        fail(u"SimServer: curl_easy_init failed"_s);
    const QByteArray url = (baseUrl() + u"/_sim/"_s + what).toUtf8();
    QByteArray answer;
    long status = 0;
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method);
    if (qstrcmp(method, "GET") != 0) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (rc != CURLE_OK)
        fail(u"SimServer: %1 %2: %3"_s.arg(QString::fromLatin1(method), QString::fromUtf8(url),
                                           QString::fromUtf8(curl_easy_strerror(rc))));
    if (status != 200)
        fail(u"SimServer: %1 %2 answered %3: %4"_s.arg(QString::fromLatin1(method), QString::fromUtf8(url))
                 .arg(status)
                 .arg(QString::fromUtf8(answer)));
    return answer;
}

void SimServer::setFault(const SimFault& fault)
{
    QJsonObject o{{u"mode"_s, modeName(fault.mode)}, {u"ms"_s, fault.ms},       {u"status"_s, fault.status},
                  {u"path"_s, fault.path},           {u"count"_s, fault.count}, {u"apply"_s, fault.apply}};
    if (!fault.body.isNull())
        o.insert(u"body"_s, fault.body);
    control("POST", u"fault"_s, QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void SimServer::clearFault()
{
    control("DELETE", u"fault"_s);
}

void SimServer::addReservation(const QString& fragment)
{
    control("POST", u"reservations"_s, fragment.toUtf8());
}

void SimServer::addCancellation(const QString& fragment)
{
    control("POST", u"cancellations"_s, fragment.toUtf8());
}

void SimServer::setRawAnswer(const QString& path, const QString& body)
{
    control("POST", u"raw?path="_s + QString::fromUtf8(QUrl::toPercentEncoding(path)), body.toUtf8());
}

void SimServer::setRawAnswerBytes(const QString& path, const QByteArray& body, const QString& contentType)
{
    QString what = u"raw?path="_s + QString::fromUtf8(QUrl::toPercentEncoding(path));
    if (!contentType.isEmpty())
        what += u"&type="_s + QString::fromUtf8(QUrl::toPercentEncoding(contentType));
    control("POST", what, body);
}

void SimServer::clearRawAnswer(const QString& path)
{
    control("DELETE", path.isEmpty() ? u"raw"_s : u"raw?path="_s + QString::fromUtf8(QUrl::toPercentEncoding(path)));
}

QJsonObject SimServer::state() const
{
    return QJsonDocument::fromJson(control("GET", u"state"_s)).object();
}

QStringList SimServer::stateList(const QString& key) const
{
    QStringList out;
    for (const QJsonValue v : state().value(key).toArray())
        out.append(v.toString());
    return out;
}

QStringList SimServer::pendingNew() const
{
    return stateList(u"pendingNew"_s);
}

QStringList SimServer::pendingCanc() const
{
    return stateList(u"pendingCanc"_s);
}

QStringList SimServer::confirmedIds() const
{
    return stateList(u"confirmed"_s);
}

QStringList SimServer::unknownConfirmations() const
{
    return stateList(u"unknownConfirmations"_s);
}

QStringList SimServer::availabilityNotifications() const
{
    return stateList(u"availability"_s);
}

QJsonArray SimServer::journal() const
{
    QJsonArray entries;
    for (const QByteArray& line : control("GET", u"journal"_s).split('\n')) {
        if (!line.trimmed().isEmpty())
            entries.append(QJsonDocument::fromJson(line).object());
    }
    return entries;
}

bool SimServer::closeStdinAndWait(int msecs)
{
    m_process.closeWriteChannel();
    return m_process.waitForFinished(msecs);
}
