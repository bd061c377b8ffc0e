#include "platform/Shell.h"

#include <algorithm>
#include <cctype>

#include "platform/DesktopServices.h"

namespace platform {

namespace {

Shell* current = nullptr;

// What a successful start returns: any value above 32 says so.
constexpr std::intptr_t kStarted = 42;

bool isDefaultVerb(const std::optional<std::string>& operation) {
    if (!operation || operation->empty()) {
        return true;
    }
    std::string verb = *operation;
    std::transform(verb.begin(), verb.end(), verb.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return verb == "open";
}

}  // namespace

std::intptr_t DesktopShell::ShellExecute(long /*hwnd*/, const std::optional<std::string>& operation,
                                         const std::string& file,
                                         const std::optional<std::string>& parameters,
                                         const std::optional<std::string>& /*directory*/,
                                         int /*showCommand*/) {
    if (file.empty() || !isDefaultVerb(operation) || (parameters && !parameters->empty())) {
        return SE_ERR_NOASSOC;
    }
    return desktop().open(file) != 0 ? kStarted : SE_ERR_NOASSOC;
}

std::intptr_t RecordingShell::ShellExecute(long hwnd, const std::optional<std::string>& operation,
                                           const std::string& file,
                                           const std::optional<std::string>& parameters,
                                           const std::optional<std::string>& directory,
                                           int showCommand) {
    if (error) {
        std::rethrow_exception(error);
    }
    calls.push_back({hwnd, operation, file, parameters, directory, showCommand});
    return result;
}

Shell& shell() {
    static DesktopShell desktopShell;
    return current != nullptr ? *current : desktopShell;
}

void setShell(Shell* shell) {
    current = shell;
}

}  // namespace platform
