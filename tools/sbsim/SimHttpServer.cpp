#include "SimHttpServer.h"

#include <QUrl>
#include <QUrlQuery>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int IoTimeoutMs = 10000;

bool waitFor(int sock, short events)
{
    pollfd p{sock, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, IoTimeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

void addressOf(int sock, bool peer, std::string& ip, int& port)
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    const int r = peer ? ::getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len)
                       : ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    if (r != 0 || addr.ss_family != AF_INET)
        return;
    const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    ip = text;
    port = ntohs(in->sin_port);
}

} // namespace

// The stream httplib reads the request from and writes the answer to. It keeps every byte handed to
// httplib, so the header block can be read back as it was sent, and it can be told to drop the line.
class SimConnection : public httplib::Stream
{
public:
    explicit SimConnection(int sock) : m_sock(sock) {}

    bool is_readable() const override { return m_pos < m_buffer.size() || waitFor(m_sock, POLLIN); }
    bool is_writable() const override { return !m_dropped && waitFor(m_sock, POLLOUT); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (m_pos == m_buffer.size()) {
            if (!waitFor(m_sock, POLLIN))
                return -1;
            char chunk[4096];
            ssize_t n;
            do {
                n = ::recv(m_sock, chunk, sizeof chunk, 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0)
                return n;
            m_buffer.assign(chunk, static_cast<size_t>(n));
            m_pos = 0;
        }
        const size_t n = std::min(size, m_buffer.size() - m_pos);
        std::memcpy(ptr, m_buffer.data() + m_pos, n);
        m_received.append(ptr, n);
        m_pos += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (m_dropped || !waitFor(m_sock, POLLOUT))
            return -1;
        ssize_t n;
        do {
            n = ::send(m_sock, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { addressOf(m_sock, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { addressOf(m_sock, false, ip, port); }
    socket_t socket() const override { return m_sock; }

    // Ends the connection at once; nothing more is written.
    void drop()
    {
        m_dropped = true;
        ::shutdown(m_sock, SHUT_RDWR);
    }

    // The header lines of the request, in order, as "name", "value".
    QList<QPair<QString, QString>> headers() const
    {
        QList<QPair<QString, QString>> out;
        const size_t end = m_received.find("\r\n\r\n");
        const QByteArray block = QByteArray::fromStdString(m_received.substr(0, end));
        const QList<QByteArray> lines = block.split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) { // line 0 is the request line
            const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            out.append({QString::fromLatin1(line.first(colon).trimmed()),
                        QString::fromLatin1(line.sliced(colon + 1).trimmed())});
        }
        return out;
    }

private:
    int m_sock;
    std::string m_buffer;
    size_t m_pos = 0;
    std::string m_received;
    std::atomic<bool> m_dropped = false;
};

SimHttpServer::SimHttpServer(Simulator& simulator) : m_simulator(simulator)
{
    const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        serve(req, res, req.body);
    };
    // Bodies are taken through a content reader: httplib refuses a form body above 8 KiB when it reads
    // one itself, and an availability notification is larger than that.
    const auto reading = [this](const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& reader) {
        std::string body;
        reader([&body](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        serve(req, res, body);
    };
    Get(".*", handler);
    Post(".*", handler);
    Post(".*", reading);
    Put(".*", handler);
    Put(".*", reading);
    Delete(".*", handler);
    Delete(".*", reading);
}

bool SimHttpServer::process_and_close_socket(socket_t sock)
{
    SimConnection connection(sock);
    {
        std::lock_guard lock(m_mutex);
        m_live.insert(&connection);
    }
    bool closed = false;
    const bool ok = process_request(connection, true, closed, [this, &connection](httplib::Request& req) {
        std::lock_guard lock(m_mutex);
        m_connections[&req] = &connection;
    });
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_connections, [&connection](const auto& item) { return item.second == &connection; });
        m_live.erase(&connection);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

void SimHttpServer::abortConnections()
{
    std::lock_guard lock(m_mutex);
    for (SimConnection* connection : m_live)
        connection->drop();
}

SimConnection* SimHttpServer::connectionOf(const httplib::Request& req)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_connections.find(&req);
    return it == m_connections.end() ? nullptr : it->second;
}

void SimHttpServer::serve(const httplib::Request& req, httplib::Response& res, const std::string& body)
{
    SimConnection* connection = connectionOf(req);
    SimRequest request;
    request.method = QString::fromStdString(req.method);
    request.path = QString::fromStdString(req.path);
    // httplib also files form fields of the body under params; only the address's own query counts here.
    const QString target = QString::fromStdString(req.target);
    if (const qsizetype mark = target.indexOf(u'?'); mark >= 0) {
        for (const auto& [key, value] : QUrlQuery(target.mid(mark + 1)).queryItems(QUrl::FullyDecoded))
            request.query.insert(key, value);
    }
    if (connection)
        request.headers = connection->headers();
    request.body = QByteArray::fromStdString(body);

    const SimReply reply = m_simulator.handle(request);
    if (reply.delayMs > 0 && !m_simulator.pause(reply.delayMs)) {
        if (connection)
            connection->drop();
        return;
    }
    if (reply.delivery == SimReply::Delivery::Drop) {
        if (connection)
            connection->drop();
        return;
    }
    res.status = reply.status;
    const std::string contentType = reply.contentType.toStdString();
    if (reply.delivery == SimReply::Delivery::Cut) {
        const auto answer = std::make_shared<std::string>(reply.body.toStdString());
        res.set_content_provider(answer->size(), contentType, [answer](size_t, size_t, httplib::DataSink& sink) {
            sink.write(answer->data(), answer->size() / 2);
            return false; // httplib closes the connection short of the promised length
        });
        return;
    }
    res.set_content(reply.body.toStdString(), contentType);
}
