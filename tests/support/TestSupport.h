// What the headless tests share: a fresh temporary folder, a program folder
// with the data the program ships, a stand-in game folder, and a driver with
// the program's runtime on the headless back end.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "forms/Error.h"
#include "forms/headless/Headless.h"
#include "platform/FileFaults.h"
#include "platform/Launcher.h"

namespace app {
class Main;
}

namespace testing_support {

namespace fs = std::filesystem;

// A folder that is removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

private:
    fs::path path_;
};

std::string readFile(const fs::path& file);
void writeFile(const fs::path& file, const std::string& bytes);
// Makes a file read-only (no write bit for anyone).
void makeReadOnly(const fs::path& file);

// The names in a folder, without its subfolders' contents.
std::set<std::string> entriesOf(const fs::path& folder);
// How many regular files lie under a folder, at any depth.
std::size_t countFiles(const fs::path& folder);

// Bytes that no run of a repeating short pattern matches, so an offset or a
// dropped chunk shows up: each byte depends on its position and on a running
// value.
std::string varied(std::size_t size, unsigned seed);

// The error number a call raises, or 0 when it raises nothing.
template <class F>
int errorOf(F&& call) {
    try {
        call();
    } catch (const forms::RuntimeError& error) {
        return error.Number();
    }
    return 0;
}

// Reads a log that a started process writes, once it ends in a line feed;
// empty when none comes within 20 seconds. The program does not wait for
// the processes it starts, so their logs can only be polled.
std::string awaitLog(const fs::path& log);

// Sets an environment variable for as long as it lives, then puts back what
// was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Records the file steps that decide what survives a power cut, and apart
// from them the folders listed, for as long as it lives. `watch`, when
// given, sees each step as it is taken, to look at the files at that moment.
class FileSteps {
public:
    explicit FileSteps(std::function<void(const platform::FileEvent&)> watch = {});
    ~FileSteps();
    FileSteps(const FileSteps&) = delete;
    FileSteps& operator=(const FileSteps&) = delete;
    std::vector<platform::FileEvent> events;
    std::vector<std::string> listed;
};

// A program folder and a game folder under one temporary folder, a headless
// driver whose application path is the program folder, and a recording
// launcher in place of the real one.
class ProgramFixture {
public:
    // `configured`: both configuration files name the game folder.
    explicit ProgramFixture(bool configured = true);
    ~ProgramFixture();

    forms::headless::Driver& driver() { return *driver_; }
    const fs::path& programDir() const { return programDir_; }
    const fs::path& gameDir() const { return gameDir_; }
    platform::RecordingLauncher& launcher() { return launcher_; }

    // Writes a configuration file the way the program does (text + CR LF).
    void configure(const std::string& gameDirText);
    // Starts the program and runs until it waits for the user.
    void start();

    // Messages shown so far, as "title|text".
    std::string lastMessage() const;

private:
    TempDir root_;
    fs::path programDir_;
    fs::path gameDir_;
    platform::RecordingLauncher launcher_;
    std::unique_ptr<forms::headless::Driver> driver_;
};

// Faults injected into the file layer for as long as it lives: failures a
// test cannot make for real (a full disk, a file the user may not read when
// the tests run with every right).
class FileFaults {
public:
    FileFaults() = default;
    ~FileFaults();
    FileFaults(const FileFaults&) = delete;
    FileFaults& operator=(const FileFaults&) = delete;
    void copy(platform::CopyFault fault);
    // The copies whose native destination ends in `suffix` fail with
    // `error` while writing their data.
    void copyTo(const std::string& suffix, int error);
    // Every open, status look-up and listing of a native path ending in
    // `suffix` (or of anything below it) fails with `error`.
    void access(const std::string& suffix, int error);
    // The same accesses raise `error` instead: an error that is no file
    // error (memory that runs out, a system call of the library's).
    void raise(const std::string& suffix, std::exception_ptr error);
    // The folder at `folder`, whenever one stands there, has the device
    // and inode numbers that `numbersOf` has now: a folder made at a freed
    // inode number, as file systems hand them out again. Its birth time
    // stays its own.
    void numbers(const fs::path& folder, const fs::path& numbersOf);
    // The folder's disk is attached again under another device number:
    // its inode number and birth time stay.
    void reattached(const fs::path& folder);
    // The folder lies on an overlay file system, where its first write
    // after a backup has given it a new birth time (its device and inode
    // numbers stay).
    void overlay(const fs::path& folder);
    // Every removal of a native path ending in `suffix` fails with
    // `error`, as that of a file made immutable would.
    void removal(const std::string& suffix, int error);
};

// Start Game with Easy, and the launch.
void exportEasy(forms::headless::Driver& d);
// The fixture's program started, a game exported with Easy, and the program
// left by File, Exit: the skirmish waits in the game folder for End Game.
void startAndExport(ProgramFixture& fx);

// The style of an information box.
constexpr int kInformation = 64;
inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What a critical start-up message ends with, before the program ends.
inline const std::string kCloseNotice = "\r\n\r\nZekvarin Skirmish Mode will now close.";

// A level's settings file, relative to the program or game folder:
// "levels/levl2001.dat" for level 1 and ".dat".
std::string levelFile(int level, const char* extension);
// A level's header as the program ships it.
std::string programHeader(int level);

// The backup's message when it failed in the program's own folder.
std::string ownFolderFailureText(const fs::path& gameDir, const fs::path& folder,
                                 const std::string& failure);

// A folder's device and inode numbers as a record holds them: "device
// inode" (with no birth time, the whole identity of a record written before
// birth times were kept).
std::string identityOf(const fs::path& folder);
// The record naming a folder (a plain path) as the program writes it: the
// path, its identity and, where the file system keeps one, its birth time.
std::string folderRecordOf(const fs::path& folder);
// A folder record as the program writes it, for the same folder on a disk
// attached again: its device number one higher, its inode number and birth
// time as they were.
std::string onAnotherDevice(std::string record);
// The session marker's line naming the program folder the session was
// started in, CR LF included, for a plain path.
std::string sessionProgramLine(const fs::path& programDir);

// Every regular file under a folder, by its path relative to it.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const fs::path& folder);
// Compares two snapshots file by file, naming what is missing, differs or
// is extra rather than printing the bytes.
::testing::AssertionResult sameFiles(const Snapshot& actual, const Snapshot& expected);

// The program started once more on the fixture's folders: a runtime of its
// own, current while it lives.
std::unique_ptr<forms::headless::Driver> restart(const ProgramFixture& fx);
// The same on another program folder.
std::unique_ptr<forms::headless::Driver> startAt(const fs::path& programDir);
// A second program folder beside the fixture's, set to the same game folder.
fs::path secondProgramFolder(const ProgramFixture& fx);
// A program folder at `folder`, set to the game folder `gameDirText`.
fs::path programFolderAt(const fs::path& folder, const std::string& gameDirText);

// The game folder's record of a skirmish in progress.
fs::path recordOf(const ProgramFixture& fx);
// How a refusal names the program folder whose skirmish is in progress.
std::string inProgressIn(const fs::path& programDir);
// The program started in a folder, Start Game or End Game clicked, run
// until it waits.
std::unique_ptr<forms::headless::Driver> startGameAt(const fs::path& programDir);
std::unique_ptr<forms::headless::Driver> endGameAt(const fs::path& programDir);
// The same, and End Game must then have put the originals back in the
// fixture's game folder, silently, and taken the record away.
void endGameIn(const fs::path& programDir, const ProgramFixture& fx, const Snapshot& originals);
// Leaves the program by File, Exit.
void leave(forms::headless::Driver& d);

// A program folder's session marker, and its record of the export's files.
fs::path markerOf(const fs::path& programDir);
fs::path exportRecordOf(const fs::path& programDir);
// The game saves over two of the files it was backed up with; the game
// folder as it then is.
Snapshot saveGame(const ProgramFixture& fx);
// End Game in a program folder once the game has been ended elsewhere: one
// box says so, nothing in the game folder changes (it stays `saved`), and
// the program folder no longer counts the game as in progress.
void endedElsewhereIn(const fs::path& programDir, const ProgramFixture& fx, const Snapshot& saved);
// Puts on disk what another program folder's export into the game folder
// leaves there first: that program folder's session marker naming the game
// folder and itself, and the game folder's record naming that program folder
// by path and identity.
void putSessionOnRecord(const fs::path& programDir, const fs::path& gameDir);
// A refusal to use the game folder because another program folder's
// skirmish is in progress there: the title, and a prompt that names that
// program folder.
::testing::AssertionResult refusedFor(const forms::headless::MessageRecord& message,
                                      const std::string& title, const fs::path& otherProgram);

// Forms of the running program.
app::Main& mainForm();
bool loaded(const std::string& form);
bool shown(const std::string& form);
// Main's buttons in the start state or in the game-running state.
bool startState();
bool gameRunningState();

}  // namespace testing_support
