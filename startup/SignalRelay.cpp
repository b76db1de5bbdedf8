#include "startup/SignalRelay.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[2] = {-1, -1};

extern "C" void OnSignal(int sig) {
    // Only async-signal-safe work here: wake the event loop, saying which.
    const auto byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
}

} // namespace

bool SignalRelay::InstallHandlers() {
    if (g_fds[0] >= 0) {
        return true;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
    return true;
}

SignalRelay::SignalRelay(QObject* parent) : QObject(parent) {
    if (!InstallHandlers()) {
        return;
    }
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalRelay::OnReadable);
}

SignalRelay::~SignalRelay() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
    for (int& fd : g_fds) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void SignalRelay::OnReadable() {
    char byte = 0;
    if (::read(g_fds[1], &byte, 1) == 1) {
        lastSignal_ = static_cast<unsigned char>(byte);
    }
    emit TerminationRequested();
}
