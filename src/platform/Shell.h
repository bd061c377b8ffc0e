// Opening a document or a web address as the desktop's shell does: the
// classic ShellExecute call, with its six arguments and its result, which is
// above 32 when the open was started and an error number of 32 or below when
// it was not.
//
// Only the default verb is offered (no operation, or "open"): the desktop's
// opener (platform/DesktopServices.h) takes one file or address and nothing
// else, so a call with another verb or with parameters reports that nothing
// is associated with it. The window handle, folder and show command are the
// opened program's business and are not passed on.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace platform {

constexpr std::intptr_t SE_ERR_NOASSOC = 31;

class Shell {
public:
    virtual ~Shell() = default;
    virtual std::intptr_t ShellExecute(long hwnd, const std::optional<std::string>& operation,
                                       const std::string& file,
                                       const std::optional<std::string>& parameters,
                                       const std::optional<std::string>& directory,
                                       int showCommand) = 0;
};

// The shell of this desktop: hands the file to the desktop's opener.
class DesktopShell : public Shell {
public:
    std::intptr_t ShellExecute(long hwnd, const std::optional<std::string>& operation,
                               const std::string& file,
                               const std::optional<std::string>& parameters,
                               const std::optional<std::string>& directory,
                               int showCommand) override;
};

// A shell for tests: records every call whole and opens nothing.
class RecordingShell : public Shell {
public:
    struct Call {
        long hwnd;
        std::optional<std::string> operation;
        std::string file;
        std::optional<std::string> parameters;
        std::optional<std::string> directory;
        int showCommand;
    };
    std::intptr_t ShellExecute(long hwnd, const std::optional<std::string>& operation,
                               const std::string& file,
                               const std::optional<std::string>& parameters,
                               const std::optional<std::string>& directory,
                               int showCommand) override;

    std::vector<Call> calls;
    // What every call returns.
    std::intptr_t result = 42;
    // When set, every call raises this error instead.
    std::exception_ptr error;
};

// The shell the program uses (the desktop's unless something else is put in
// place); tests put their own in place.
Shell& shell();
void setShell(Shell* shell);

}  // namespace platform
