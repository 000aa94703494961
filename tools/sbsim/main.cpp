// sbsim: a local stand-in for the SimpleBooking service, for the tests and the demo.
//
//   sbsim --port N|0 [--scenario DIR] [--journal FILE] [--port-file FILE] [--lifetime SECONDS]
//         [--today YYYY-MM-DD] [--ignore-stdin]
//
// It serves on 127.0.0.1 and prints "PORT <n>" once it listens. It stops on SIGTERM or SIGINT, when its
// standard input (a pipe from its parent) reaches end of file, or after --lifetime seconds.

#include "Journal.h"
#include "Scenario.h"
#include "SimHttpServer.h"
#include "Simulator.h"

#include <QDate>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Options
{
    int port = -1;
    QString scenario;
    QString journal;
    QString portFile;
    int lifetime = 0;
    QDate today;
    bool watchStdin = true;
};

void say(const QString& text)
{
    std::fprintf(stderr, "sbsim: %s\n", text.toLocal8Bit().constData());
}

int usage(const QString& problem)
{
    if (!problem.isEmpty())
        say(problem);
    std::fputs("usage: sbsim --port N|0 [--scenario DIR] [--journal FILE] [--port-file FILE]\n"
               "             [--lifetime SECONDS] [--today YYYY-MM-DD] [--ignore-stdin]\n",
               stderr);
    return 2;
}

std::optional<Options> parse(const QStringList& args, QString* problem)
{
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--ignore-stdin"_s) {
            o.watchStdin = false;
            continue;
        }
        if (i + 1 >= args.size()) {
            *problem = u"%1 needs a value"_s.arg(arg);
            return std::nullopt;
        }
        const QString value = args[++i];
        bool ok = true;
        if (arg == u"--port"_s) {
            o.port = value.toInt(&ok);
            ok = ok && o.port >= 0 && o.port <= 65535;
        } else if (arg == u"--scenario"_s) {
            o.scenario = value;
        } else if (arg == u"--journal"_s) {
            o.journal = value;
        } else if (arg == u"--port-file"_s) {
            o.portFile = value;
        } else if (arg == u"--lifetime"_s) {
            o.lifetime = value.toInt(&ok);
            ok = ok && o.lifetime > 0;
        } else if (arg == u"--today"_s) {
            o.today = QDate::fromString(value, Qt::ISODate);
            ok = o.today.isValid();
        } else {
            *problem = u"unknown option %1"_s.arg(arg);
            return std::nullopt;
        }
        if (!ok) {
            *problem = u"bad value for %1: %2"_s.arg(arg, value);
            return std::nullopt;
        }
    }
    if (o.port < 0) {
        *problem = u"--port is required"_s;
        return std::nullopt;
    }
    return o;
}

// Only a pipe or socket from a parent is watched: a terminal or /dev/null (a background job) is not a
// sign that anybody died.
bool stdinIsParentPipe()
{
    struct stat st
    {
    };
    return ::fstat(STDIN_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QString problem;
    const std::optional<Options> options = parse(args, &problem);
    if (!options)
        return usage(problem);

    // Every thread inherits this mask; the main thread takes the signals with sigtimedwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1); // standard input closed
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const QDateTime now =
        options->today.isValid() ? QDateTime(options->today, QTime::currentTime()) : QDateTime::currentDateTime();
    Scenario scenario;
    if (!options->scenario.isEmpty()) {
        auto loaded = Scenario::load(options->scenario, now, &problem);
        if (!loaded) {
            say(problem);
            return 1;
        }
        scenario = std::move(*loaded);
    }

    Journal journal;
    if (!options->journal.isEmpty() && !journal.open(options->journal, &problem)) {
        say(problem);
        return 1;
    }

    Simulator simulator(std::move(scenario), options->today, journal);
    SimHttpServer server(simulator);
    int port = options->port;
    if (port == 0)
        port = server.bind_to_any_port("127.0.0.1");
    else if (!server.bind_to_port("127.0.0.1", port))
        port = -1;
    if (port <= 0) {
        say(u"cannot listen on 127.0.0.1:%1"_s.arg(options->port));
        return 1;
    }

    if (!options->portFile.isEmpty()) {
        QSaveFile file(options->portFile); // whole or nothing, for whoever polls it
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(port) + '\n') < 0 || !file.commit()) {
            say(u"cannot write the port file %1"_s.arg(options->portFile));
            return 1;
        }
    }

    std::atomic<bool> listenerDone = false;
    std::thread listener([&server, &listenerDone] {
        server.listen_after_bind();
        listenerDone = true;
    });
    // A stop that comes before the loop runs would be lost, so nobody hears of the port before it does.
    while (!server.is_running() && !listenerDone)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (listenerDone) {
        listener.join();
        say(u"the server loop did not start"_s);
        return 1;
    }
    std::printf("PORT %d\n", port);
    std::fflush(stdout);
    say(u"listening on http://127.0.0.1:%1%2"_s.arg(port).arg(
        options->scenario.isEmpty() ? QString() : u" with scenario "_s + options->scenario));

    if (options->watchStdin && stdinIsParentPipe()) {
        std::thread([] {
            char buffer[256];
            ssize_t n;
            do {
                n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            } while (n > 0 || (n < 0 && errno == EINTR));
            ::kill(::getpid(), SIGUSR1);
        }).detach();
    }

    int signal = 0;
    if (options->lifetime > 0) {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += options->lifetime;
        for (;;) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            timespec left{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
            if (left.tv_nsec < 0) {
                left.tv_nsec += 1000000000L;
                --left.tv_sec;
            }
            if (left.tv_sec < 0)
                break;
            signal = sigtimedwait(&stopSignals, nullptr, &left);
            if (signal > 0 || errno != EINTR)
                break;
        }
    } else {
        do {
            signal = sigwaitinfo(&stopSignals, nullptr);
        } while (signal < 0 && errno == EINTR);
    }
    say(signal == SIGUSR1 ? u"standard input closed, stopping"_s
        : signal > 0      ? u"signal %1, stopping"_s.arg(signal)
                          : u"lifetime over, stopping"_s);

    simulator.shutdown();
    server.stop();
    server.abortConnections();
    listener.join();
    return 0;
}
