// Running a command line, as the classic runtime's Shell does.
//
// The program names itself and its arguments in one line
// ("gxexec.exe zek3.exe /RUNGAME"). The program is found in this order: the
// running program's own folder, the current folder, the system folders, then
// the folders of PATH. Nothing is put in front of the name, and the current
// folder is never changed. A program that cannot be started is reported
// before run() returns; once started it runs on by itself.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace platform {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts the command line with a window style (forms::winstyle) and
    // returns a task identifier; raises forms::RuntimeError (53, "File not
    // found") when the program cannot be found or started.
    virtual double run(const std::string& commandLine, int windowStyle) = 0;
};

// Splits a command line into the program and its arguments: blanks separate
// them, double quotes group blanks into one.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The folders a program name without a folder is looked for in, in order.
std::vector<std::string> searchFolders(const std::string& programFolder);

// Where the program of a command line is found, or empty when nowhere.
std::string findProgram(const std::string& name, const std::string& programFolder);

// The system's own launcher: starts real processes. The user sees only the
// program's own message when a start fails, so the launcher also writes one
// line to standard error naming the program and where it was looked for.
// A command line for the text viewer "notepad.exe" (any letter case) takes
// the rest of the line as one file and hands its file-system path to the
// program of that name where one is found, else to the desktop's opener.
class ProcessLauncher : public Launcher {
public:
    explicit ProcessLauncher(std::function<std::string()> programFolder);
    double run(const std::string& commandLine, int windowStyle) override;

private:
    std::function<std::string()> programFolder_;
};

// A launcher for tests: records every command line and starts nothing.
class RecordingLauncher : public Launcher {
public:
    struct Launch {
        std::string commandLine;
        int windowStyle;
    };
    double run(const std::string& commandLine, int windowStyle) override;

    std::vector<Launch> launches;
    // When set, every run fails as a program that cannot be found.
    bool failing = false;
    // When set, every run raises this error instead (a thread or a process
    // that cannot be made, memory that runs out).
    std::exception_ptr error;
};

// The launcher the program uses; tests put their own in place.
Launcher& launcher();
void setLauncher(Launcher* launcher);

}  // namespace platform
