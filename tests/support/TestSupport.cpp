#include "support/TestSupport.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "app/Main.h"
#include "app/frmSplash.h"
#include "standin/StandIn.h"

namespace testing_support {

namespace {
std::atomic<int> counter{0};
}

TempDir::TempDir() {
    path_ = fs::temp_directory_path() /
            ("zektest-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void makeReadOnly(const fs::path& file) {
    ::chmod(file.c_str(), 0444);
}

std::set<std::string> entriesOf(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::size_t countFiles(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            ++count;
        }
    }
    return count;
}

std::string varied(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed;
    for (std::size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<char>((value >> 16) & 0xFF);
    }
    return bytes;
}

std::string awaitLog(const fs::path& log) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        if (fs::exists(log, ec)) {
            std::string text = readFile(log);
            if (!text.empty() && text.back() == '\n') {
                return text;
            }
        }
        std::this_thread::yield();
    }
    return "";
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        saved_ = old;
    }
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (saved_) {
        ::setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

FileFaults::~FileFaults() {
    platform::setCopyFault(std::nullopt);
    platform::setAccessFault(nullptr);
    platform::setFolderNumbers(nullptr);
    platform::setFileSystemType(nullptr);
    platform::setRemovalFault(nullptr);
}

namespace {

// The folder at `folder`, whenever one stands there, has these numbers.
void numbersFor(const fs::path& folder, const platform::FolderNumbers& numbers) {
    platform::setFolderNumbers([path = folder.string(), numbers](std::string native) {
        while (native.size() > 1 && native.back() == '/') {
            native.pop_back();
        }
        return native == path ? std::optional(numbers) : std::nullopt;
    });
}

}  // namespace

void FileFaults::reattached(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        throw std::runtime_error("no folder to attach again: " + folder.string());
    }
    const platform::FolderNumbers numbers{st.st_dev + 1, st.st_ino, std::nullopt};
    numbersFor(folder, numbers);
}

void FileFaults::overlay(const fs::path& folder) {
    struct statx st {};
    if (::statx(AT_FDCWD, folder.c_str(), 0, STATX_INO | STATX_BTIME, &st) != 0) {
        throw std::runtime_error("no folder to put on an overlay: " + folder.string());
    }
    const platform::FolderNumbers numbers{
        makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino,
        platform::BirthTime{st.stx_btime.tv_sec + 1, st.stx_btime.tv_nsec}};
    numbersFor(folder, numbers);
    platform::setFileSystemType([path = folder.string()](const std::string& native) {
        return native.starts_with(path) ? std::optional<long>(OVERLAYFS_SUPER_MAGIC) : std::nullopt;
    });
}

void FileFaults::removal(const std::string& suffix, int error) {
    platform::setRemovalFault([suffix, error](const std::string& native) {
        return native.ends_with(suffix) ? error : 0;
    });
}

void FileFaults::numbers(const fs::path& folder, const fs::path& numbersOf) {
    struct stat st {};
    if (::stat(numbersOf.c_str(), &st) != 0) {
        throw std::runtime_error("no folder to take the numbers of: " + numbersOf.string());
    }
    const platform::FolderNumbers numbers{st.st_dev, st.st_ino, std::nullopt};
    numbersFor(folder, numbers);
}

void FileFaults::copy(platform::CopyFault fault) {
    platform::setCopyFault(std::move(fault));
}

void FileFaults::copyTo(const std::string& suffix, int error) {
    copy(platform::CopyFault{[suffix](const std::string&, std::string destination) {
                                 std::replace(destination.begin(), destination.end(), '\\', '/');
                                 return destination.ends_with(suffix);
                             },
                             0, false, error});
}

void exportEasy(forms::headless::Driver& d) {
    d.click("Main", "Start").click("frmdifficulty", "easy").wait(5000);
    d.run();
}

std::string levelFile(int level, const char* extension) {
    return "levels/levl" + std::to_string(2000 + level) + extension;
}

std::string programHeader(int level) {
    return standin::programFileBytes(levelFile(level, ".hdr"));
}

namespace {

// Whether a native path ends in the suffix, or lies below what it names.
bool hits(const std::string& native, const std::string& suffix) {
    const std::size_t at = native.rfind(suffix);
    return at != std::string::npos &&
           (at + suffix.size() == native.size() || native[at + suffix.size()] == '/');
}

}  // namespace

void FileFaults::access(const std::string& suffix, int error) {
    platform::setAccessFault(
        [suffix, error](const std::string& native) { return hits(native, suffix) ? error : 0; });
}

void FileFaults::raise(const std::string& suffix, std::exception_ptr error) {
    platform::setAccessFault([suffix, error](const std::string& native) {
        if (hits(native, suffix)) {
            std::rethrow_exception(error);
        }
        return 0;
    });
}

std::string ownFolderFailureText(const fs::path& gameDir, const fs::path& folder,
                                 const std::string& failure) {
    return "Zekvarin Skirmish Mode was unable to backup the files in the directory " +
           gameDir.string() + ", because it cannot write in its own folder " + folder.string() +
           ":\r\n\r\n" + failure +
           "\r\n\r\nMake sure that folder exists and can be written (it may be read-only, or "
           "its disk full).";
}

std::string sessionProgramLine(const fs::path& programDir) {
    std::string line = folderRecordOf(programDir);
    for (std::size_t at = 0; (at = line.find("\r\n", at)) != std::string::npos;) {
        line.replace(at, 2, "%0D%0A");
    }
    return "program\t" + line + "\r\n";
}

std::string folderRecordOf(const fs::path& folder) {
    const std::string path = folder.string();
    std::string record = path + "\r\n" + identityOf(folder) + "\r\n";
    struct statx st {};
    if (::statx(AT_FDCWD, folder.c_str(), 0, STATX_BTIME, &st) == 0 &&
        (st.stx_mask & STATX_BTIME) != 0 && st.stx_btime.tv_sec != 0) {
        char nanoseconds[16];
        std::snprintf(nanoseconds, sizeof nanoseconds, "%09u", st.stx_btime.tv_nsec);
        record +=
            path + "\r\nbirth " + std::to_string(st.stx_btime.tv_sec) + "." + nanoseconds + "\r\n";
    }
    return record;
}

std::string onAnotherDevice(std::string record) {
    const std::size_t device = record.find("\r\n") + 2;
    const std::size_t space = record.find(' ', device);
    record.replace(device, space - device,
                   std::to_string(std::stoull(record.substr(device, space - device)) + 1));
    return record;
}

std::string identityOf(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return "";
    }
    return std::to_string(st.st_dev) + " " + std::to_string(st.st_ino);
}

FileSteps::FileSteps(std::function<void(const platform::FileEvent&)> watch) {
    platform::setFileRecorder([this, watch = std::move(watch)](const platform::FileEvent& event) {
        if (watch) {
            watch(event);
        }
        if (event.step == platform::FileStep::List) {
            listed.push_back(event.path);
        } else {
            events.push_back(event);
        }
    });
}

FileSteps::~FileSteps() {
    platform::setFileRecorder(nullptr);
}

ProgramFixture::ProgramFixture(bool configured)
    : programDir_(root_.path() / "program"), gameDir_(root_.path() / "game") {
    standin::writeProgramData(programDir_);
    standin::writeGameFolder(gameDir_);
    driver_ = std::make_unique<forms::headless::Driver>();
    driver_->app().Path = programDir_.string();
    platform::setLauncher(&launcher_);
    if (configured) {
        configure(gameDir_.string());
    }
}

ProgramFixture::~ProgramFixture() {
    platform::setLauncher(nullptr);
}

namespace {

// Writes the configuration files the way the program does (text + CR LF).
void configureProgram(const fs::path& programDir, const std::string& gameDirText) {
    writeFile(programDir / "CFG" / "zekdir.cfg", gameDirText + "\r\n");
    writeFile(programDir / "CFG" / "appdir.cfg", programDir.string() + "\r\n");
}

}  // namespace

void ProgramFixture::configure(const std::string& gameDirText) {
    configureProgram(programDir_, gameDirText);
}

void ProgramFixture::start() {
    driver_->start<app::frmSplash>();
}

std::string ProgramFixture::lastMessage() const {
    const auto& messages = driver_->messages();
    if (messages.empty()) {
        return "";
    }
    return messages.back().title + "|" + messages.back().prompt;
}

Snapshot snapshot(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).generic_string()] = readFile(entry.path());
        }
    }
    return files;
}

::testing::AssertionResult sameFiles(const Snapshot& actual, const Snapshot& expected) {
    std::string problems;
    for (const auto& [name, bytes] : expected) {
        auto found = actual.find(name);
        if (found == actual.end()) {
            problems += " missing " + name + ";";
        } else if (found->second != bytes) {
            problems += " differs " + name + ";";
        }
    }
    for (const auto& [name, bytes] : actual) {
        if (expected.find(name) == expected.end()) {
            problems += " extra " + name + ";";
        }
    }
    if (problems.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << problems;
}

std::unique_ptr<forms::headless::Driver> restart(const ProgramFixture& fx) {
    return startAt(fx.programDir());
}

std::unique_ptr<forms::headless::Driver> startAt(const fs::path& programDir) {
    auto driver = std::make_unique<forms::headless::Driver>();
    driver->app().Path = programDir.string();
    driver->start<app::frmSplash>();
    return driver;
}

fs::path secondProgramFolder(const ProgramFixture& fx) {
    return programFolderAt(fx.programDir().parent_path() / "program-b", fx.gameDir().string());
}

fs::path programFolderAt(const fs::path& folder, const std::string& gameDirText) {
    standin::writeProgramData(folder);
    configureProgram(folder, gameDirText);
    return folder;
}

fs::path recordOf(const ProgramFixture& fx) {
    return fx.gameDir() / "zekskirmish.session";
}

std::string inProgressIn(const fs::path& programDir) {
    return "a skirmish set up by Zekvarin Skirmish Mode in " + programDir.string() +
           " is in progress there";
}

namespace {

std::unique_ptr<forms::headless::Driver> clickAt(const fs::path& programDir,
                                                 const std::string& button) {
    std::unique_ptr<forms::headless::Driver> run = startAt(programDir);
    run->click("Main", button);
    run->run();
    return run;
}

}  // namespace

std::unique_ptr<forms::headless::Driver> startGameAt(const fs::path& programDir) {
    return clickAt(programDir, "Start");
}

std::unique_ptr<forms::headless::Driver> endGameAt(const fs::path& programDir) {
    return clickAt(programDir, "EndGame");
}

void endGameIn(const fs::path& programDir, const ProgramFixture& fx, const Snapshot& originals) {
    std::unique_ptr<forms::headless::Driver> run = endGameAt(programDir);
    EXPECT_TRUE(run->messages().empty()) << run->messages().front().prompt;
    EXPECT_TRUE(startState());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), originals));
    EXPECT_FALSE(fs::exists(recordOf(fx)));
}

void startAndExport(ProgramFixture& fx) {
    fx.start();
    exportEasy(fx.driver());
    leave(fx.driver());
}

fs::path markerOf(const fs::path& programDir) {
    return programDir / "BACKUP" / "export.pending";
}

fs::path exportRecordOf(const fs::path& programDir) {
    return programDir / "BACKUP" / "export.sums";
}

Snapshot saveGame(const ProgramFixture& fx) {
    writeFile(fx.gameDir() / "SAVE" / "savgam08.hdr", "saved after the game");
    writeFile(fx.gameDir() / levelFile(7, ".dat"), "a level saved after the game");
    return snapshot(fx.gameDir());
}

void endedElsewhereIn(const fs::path& programDir, const ProgramFixture& fx, const Snapshot& saved) {
    std::unique_ptr<forms::headless::Driver> run = endGameAt(programDir);
    ASSERT_EQ(run->messages().size(), 1u);
    const forms::headless::MessageRecord& message = run->messages()[0];
    EXPECT_EQ(message.title, "End Game");
    EXPECT_EQ(message.style, kInformation);
    EXPECT_TRUE(contains(message.prompt,
                         "is no longer in the Zekvarin directory " + fx.gameDir().string() + ":"))
        << message.prompt;
    EXPECT_TRUE(contains(message.prompt, "This folder no longer counts the game as in progress."))
        << message.prompt;
    EXPECT_TRUE(startState());
    EXPECT_TRUE(sameFiles(snapshot(fx.gameDir()), saved));
    EXPECT_FALSE(fs::exists(markerOf(programDir)));
    EXPECT_FALSE(fs::exists(exportRecordOf(programDir)));
}

void putSessionOnRecord(const fs::path& programDir, const fs::path& gameDir) {
    writeFile(markerOf(programDir), gameDir.string() + "\r\n" + sessionProgramLine(programDir));
    writeFile(gameDir / "zekskirmish.session",
              programDir.string() + "\r\n" + identityOf(programDir) + "\r\n");
}

::testing::AssertionResult refusedFor(const forms::headless::MessageRecord& message,
                                      const std::string& title, const fs::path& otherProgram) {
    if (message.title != title ||
        message.prompt.find("is in progress there") == std::string::npos ||
        message.prompt.find(otherProgram.string()) == std::string::npos) {
        return ::testing::AssertionFailure() << "not a refusal for " << otherProgram << ": "
                                             << message.title << "|" << message.prompt;
    }
    return ::testing::AssertionSuccess();
}

void leave(forms::headless::Driver& d) {
    d.menu("Main", "Exit1");
    d.run();
}

app::Main& mainForm() {
    return forms::form<app::Main>();
}

bool loaded(const std::string& form) {
    forms::Form* found = forms::Runtime::current().findForm(form);
    return found != nullptr && found->Loaded();
}

bool shown(const std::string& form) {
    return loaded(form) && forms::Runtime::current().findForm(form)->Visible();
}

bool startState() {
    app::Main& main = mainForm();
    return main.Start.Enabled() && !main.EndGame.Enabled() && main.Exit2.Enabled();
}

bool gameRunningState() {
    app::Main& main = mainForm();
    return !main.Start.Enabled() && main.EndGame.Enabled() && !main.Exit2.Enabled();
}

}  // namespace testing_support
