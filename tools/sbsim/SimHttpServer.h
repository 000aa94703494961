#pragma once

#include "Simulator.h"

#include <httplib.h>

#include <map>
#include <mutex>
#include <set>

class SimConnection;

// cpp-httplib server that takes over each accepted socket, so the simulator sees the request headers in
// the order they arrived and can close a connection without answering. One request per connection.
class SimHttpServer : public httplib::Server
{
public:
    explicit SimHttpServer(Simulator& simulator);

    // Ends every open connection, so a stop does not wait for idle clients.
    void abortConnections();

private:
    bool process_and_close_socket(socket_t sock) override;
    void serve(const httplib::Request& req, httplib::Response& res, const std::string& body);
    SimConnection* connectionOf(const httplib::Request& req);

    Simulator& m_simulator;
    std::mutex m_mutex;
    std::set<SimConnection*> m_live;
    std::map<const httplib::Request*, SimConnection*> m_connections;
};
