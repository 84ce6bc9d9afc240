#include "UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace larkspin {
namespace {

int signalPipe[2] = {-1, -1};
constexpr int WatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number) {
    unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject* parent) : QObject(parent) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalWatcher::readSignal);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : WatchedSignals)
        sigaction(s, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher() {
    for (int s : WatchedSignals)
        std::signal(s, SIG_DFL);
}

void UnixSignalWatcher::readSignal() {
    unsigned char byte = 0;
    if (::read(signalPipe[0], &byte, 1) == 1)
        emit terminationRequested(byte);
}

} // namespace larkspin
