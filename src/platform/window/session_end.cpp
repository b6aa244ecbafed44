#include "platform/window/session_end.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>
#include <array>

namespace quillon::window {
namespace {

// The signal handler only writes a byte; the event loop reads it on the program's thread.
int gSignalPipe[2] = {-1, -1};
std::array<struct sigaction, 2> gPrevious{};
constexpr std::array<int, 2> kSignals = {SIGTERM, SIGHUP};

void OnSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[0], &byte, 1);
}

bool InstallHandlers() {
    if (gSignalPipe[0] != -1) {
        return false;  // another instance has them
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) {
        gSignalPipe[0] = gSignalPipe[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &action, &gPrevious[i]);
    }
    return true;
}

void RemoveHandlers() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    ::close(gSignalPipe[0]);
    ::close(gSignalPipe[1]);
    gSignalPipe[0] = gSignalPipe[1] = -1;
}

}  // namespace

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {
    if (InstallHandlers()) {
        notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
            char bytes[16];
            while (::read(gSignalPipe[1], bytes, sizeof bytes) > 0) {
            }
            Ending();
        });
    }
#ifndef QT_NO_SESSIONMANAGER
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { Ending(); });
    }
#endif
}

SessionEnd::~SessionEnd() {
    if (notifier_ != nullptr) {
        notifier_.reset();
        RemoveHandlers();
    }
}

void SessionEnd::Ending() {
    const QPointer<SessionEnd> self(this);
    emit QueryEndSession();
    if (!self.isNull()) {
        emit EndSession();
    }
}

}  // namespace quillon::window
