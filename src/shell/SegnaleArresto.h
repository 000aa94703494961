#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// SIGTERM and SIGINT end the program cleanly: the signal handler only writes to a socket, and the
// event loop reads it between commands, so a command that is running (a download, a send) ends
// first and no database is left half written.
class SegnaleArresto
{
public:
    explicit SegnaleArresto(std::function<void(int segnale)> allArresto);
    ~SegnaleArresto();
    SegnaleArresto(const SegnaleArresto&) = delete;
    SegnaleArresto& operator=(const SegnaleArresto&) = delete;

    bool attivo() const { return m_notifier != nullptr; }

private:
    std::function<void(int)> m_allArresto;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fd[2] = {-1, -1};
};
