#include "shell/SegnaleArresto.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler can reach nothing but a value of the process; this one is set once, before the
// handlers are installed.
int g_scrittura = -1;                      // NOLINT: the write end of the signal socket
volatile std::sig_atomic_t g_arrivato = 0; // NOLINT: a signal has come

void gestore(int segnale)
{
    g_arrivato = 1;
    const unsigned char byte = static_cast<unsigned char>(segnale);
    [[maybe_unused]] const ssize_t n = ::write(g_scrittura, &byte, 1);
}

} // namespace

SegnaleArresto::SegnaleArresto(std::function<void(int)> allArresto) : m_allArresto(std::move(allArresto))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fd) != 0)
        return;
    g_scrittura = m_fd[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_fd[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        unsigned char byte = 0;
        if (::read(m_fd[1], &byte, 1) == 1 && m_allArresto)
            m_allArresto(byte);
    });
    struct sigaction sa = {};
    sa.sa_handler = gestore;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART; // a transfer that is running goes on
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

bool SegnaleArresto::richiesto()
{
    return g_arrivato != 0;
}

SegnaleArresto::~SegnaleArresto()
{
    if (!m_notifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    m_notifier.reset();
    g_scrittura = -1;
    ::close(m_fd[0]);
    ::close(m_fd[1]);
}
