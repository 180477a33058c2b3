#include "platform/EndSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The writing end of the pipe; -1 while no EndSignals exists.
volatile sig_atomic_t g_writeFd = -1;

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (g_writeFd >= 0) {
        const ssize_t written = ::write(g_writeFd, &byte, 1);
        (void)written; // a full pipe already holds a request to end
    }
    errno = saved;
}

void install(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int s : kSignals)
        sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals)
        sigaction(s, &action, nullptr);
}

void ignorePipe()
{
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0)
        return;
    // The handler never blocks: a signal that finds the pipe full is one of many.
    ::fcntl(m_fds[1], F_SETFL, ::fcntl(m_fds[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(m_fds[0], F_SETFL, ::fcntl(m_fds[0], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readPending);
    g_writeFd = m_fds[1];
    install(&onSignal);
    ignorePipe();
}

EndSignals::~EndSignals()
{
    if (m_fds[1] < 0)
        return;
    install(SIG_DFL);
    g_writeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void EndSignals::readPending()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(m_fds[0], bytes, sizeof bytes);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            emit received(bytes[i]);
    }
}

void reclaimEndSignals()
{
    if (g_writeFd < 0)
        return;
    install(&onSignal);
    ignorePipe();
}

} // namespace platform
