#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// SIGTERM and SIGINT end the program cleanly: the signal handler only writes to a socket and sets a
// flag. The event loop reads the socket between commands; a command that is running ends first,
// at once for a long one that asks richiesto() between two items, and no database is left half
// written.
class SegnaleArresto
{
public:
    explicit SegnaleArresto(std::function<void(int segnale)> allArresto);
    ~SegnaleArresto();
    SegnaleArresto(const SegnaleArresto&) = delete;
    SegnaleArresto& operator=(const SegnaleArresto&) = delete;

    bool attivo() const { return m_notifier != nullptr; }
    // A signal has come: work that runs long (a download, a review) asks this between two items and
    // ends there, instead of when the event loop next runs.
    static bool richiesto();

private:
    std::function<void(int)> m_allArresto;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fd[2] = {-1, -1};
};
