#include "platform/DesktopServices.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace platform {

namespace {
DesktopServices* current = nullptr;
}

long XdgDesktopServices::open(const std::string& target) {
    std::string program = "xdg-open";
    std::string argument = target;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return 0;
    }
    // Some openers stay until the viewer they started is closed; a watcher
    // collects the exit whenever it comes, so no zombie is left behind.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return static_cast<long>(pid);
}

long RecordingDesktopServices::open(const std::string& target) {
    if (failing) {
        return 0;
    }
    opened.push_back(target);
    return static_cast<long>(opened.size());
}

DesktopServices& desktop() {
    static XdgDesktopServices xdg;
    return current != nullptr ? *current : xdg;
}

void setDesktop(DesktopServices* services) {
    current = services;
}

}  // namespace platform
