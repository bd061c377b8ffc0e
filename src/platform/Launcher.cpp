#include "platform/Launcher.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "forms/Error.h"
#include "platform/DesktopServices.h"
#include "platform/PathNotation.h"

extern char** environ;

namespace platform {

namespace {

Launcher* current = nullptr;

[[noreturn]] void notFound() {
    throw forms::RuntimeError(forms::err::FileNotFound, "File not found");
}

bool isProgram(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(native.c_str(), X_OK) == 0;
}

// A name with a folder in it is taken as it stands.
bool hasFolder(const std::string& name) {
    return name.find('/') != std::string::npos || name.find('\\') != std::string::npos;
}

void reportNotStarted(const std::string& name, const std::string& reason) {
    std::fprintf(stderr, "ZekSkirmish: could not start \"%s\": %s\n", name.c_str(), reason.c_str());
}

std::string joined(const std::vector<std::string>& folders) {
    std::string list;
    for (const std::string& folder : folders) {
        list += (list.empty() ? "" : ", ") + folder;
    }
    return list;
}

// The text viewer the program names in its command lines. It is no program
// of this system, so where none of that name is found, the desktop's opener
// shows the file instead.
bool isTextViewer(const std::string& name) {
    static const std::string viewer = "notepad.exe";
    return name.size() == viewer.size() &&
           std::equal(name.begin(), name.end(), viewer.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

// What the text viewer of a command line was to show: the whole rest of the
// line after the program, blanks and all, as the viewer itself takes it (the
// line is never quoted, so splitting it at blanks would tear a folder with
// blanks apart). Quotes around the whole of it are dropped.
std::string viewedFile(const std::string& commandLine) {
    std::size_t pos = commandLine.find_first_not_of(" \t");
    if (pos == std::string::npos) {
        return {};
    }
    if (commandLine[pos] == '"') {
        pos = commandLine.find('"', pos + 1);
        pos = pos == std::string::npos ? commandLine.size() : pos + 1;
    } else {
        pos = commandLine.find_first_of(" \t", pos);
    }
    pos = pos == std::string::npos ? std::string::npos : commandLine.find_first_not_of(" \t", pos);
    if (pos == std::string::npos) {
        return {};
    }
    std::string file = commandLine.substr(pos);
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
        file = file.substr(1, file.size() - 2);
    }
    return file;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> parts;
    std::string part;
    bool quoted = false;
    bool inPart = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inPart = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inPart) {
                parts.push_back(part);
                part.clear();
                inPart = false;
            }
        } else {
            part += c;
            inPart = true;
        }
    }
    if (inPart) {
        parts.push_back(part);
    }
    return parts;
}

std::vector<std::string> searchFolders(const std::string& programFolder) {
    std::vector<std::string> folders{programFolder};
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) != nullptr) {
        folders.emplace_back(cwd);
    }
    for (const char* system :
         {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
        folders.emplace_back(system);
    }
    if (const char* path = std::getenv("PATH")) {
        std::string list = path;
        std::size_t pos = 0;
        while (pos <= list.size()) {
            std::size_t next = list.find(':', pos);
            if (next == std::string::npos) {
                next = list.size();
            }
            if (next > pos) {
                folders.push_back(list.substr(pos, next - pos));
            }
            pos = next + 1;
        }
    }
    std::erase(folders, std::string{});
    return folders;
}

std::string findProgram(const std::string& name, const std::string& programFolder) {
    if (name.empty()) {
        return {};
    }
    if (hasFolder(name)) {
        std::string native = nativePath(name);
        return isProgram(native) ? native : std::string{};
    }
    for (const std::string& folder : searchFolders(programFolder)) {
        std::string native = nativePath(folder + "/" + name);
        if (isProgram(native)) {
            return native;
        }
    }
    return {};
}

ProcessLauncher::ProcessLauncher(std::function<std::string()> programFolder)
    : programFolder_(std::move(programFolder)) {}

double ProcessLauncher::run(const std::string& commandLine, int /*windowStyle*/) {
    // The window style asks the started program for a minimized or normal
    // window; programs here choose their own windows, so it is not passed on.
    std::vector<std::string> parts = splitCommandLine(commandLine);
    if (parts.empty()) {
        reportNotStarted(commandLine, "the command line names no program");
        notFound();
    }
    const std::string& name = parts.front();
    std::string folder = programFolder_();
    std::string program = findProgram(name, folder);
    if (program.empty() && isTextViewer(name)) {
        std::string file = viewedFile(commandLine);
        long opener = file.empty() ? 0 : desktop().open(nativePath(file));
        if (opener == 0) {
            reportNotStarted(name, file.empty() ? "no file to show"
                                                : "the desktop's opener (xdg-open) did not start");
            notFound();
        }
        return static_cast<double>(opener);
    }
    if (program.empty()) {
        reportNotStarted(name, hasFolder(name) ? "no program at " + nativePath(name)
                                               : "not found in " + joined(searchFolders(folder)));
        notFound();
    }
    if (isTextViewer(name)) {
        // A text viewer of that name found here takes its file as one
        // file-system path, as the desktop's opener does: the program's
        // own path text (folder, backslash, name) names nothing here, and
        // blanks in the folder would split it.
        parts.resize(1);
        if (std::string file = viewedFile(commandLine); !file.empty()) {
            parts.push_back(nativePath(file));
        }
    }
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::size_t i = 1; i < parts.size(); ++i) {
        argv.push_back(parts[i].data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int failed = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (failed != 0) {
        reportNotStarted(program, std::strerror(failed));
        notFound();
    }
    // The program runs on by itself; a watcher only collects its exit so
    // that it leaves no zombie behind.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return static_cast<double>(pid);
}

double RecordingLauncher::run(const std::string& commandLine, int windowStyle) {
    if (error) {
        std::rethrow_exception(error);
    }
    if (failing) {
        notFound();
    }
    launches.push_back({commandLine, windowStyle});
    return static_cast<double>(launches.size());
}

Launcher& launcher() {
    if (current == nullptr) {
        throw std::logic_error("no launcher");
    }
    return *current;
}

void setLauncher(Launcher* launcher) {
    current = launcher;
}

}  // namespace platform
