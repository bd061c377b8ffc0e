#include "forms/qt/SessionEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace forms::qt {

namespace {

int signalPipe[2] = {-1, -1};

void onSessionEnd(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void installSessionEndHandler() {
    if (signalPipe[0] >= 0) {
        return;
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSessionEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

int sessionEndDescriptor() {
    return signalPipe[0];
}

void drainSessionEnd() {
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace forms::qt
