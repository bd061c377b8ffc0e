// copy_bench: the program's copy sets, its End Game restore, its Start Game
// export and its attribute patch, timed side by side in one process with
// the machine's limit for the same work, on the disk and in memory.
//
// The limit of a copy set is the least a copy with the same guarantees can
// do: one listing of each folder copied into (where the program looks for
// the leftovers of a killed copy); for each file the status of its source
// before it is opened and of what was opened (no pipe or device is ever
// opened, no file copied onto itself) and the status of its destination
// (whose mode is kept, and which may be read-only or a link), a temporary
// beside the destination filled by copy_file_range; one syncfs per set, the
// renames, and an fsync of each folder renamed into. The limit of End Game adds the
// reading of the session marker, one listing of each folder it sweeps and
// the comparison of each destination with its backup; the limit of Start
// Game adds the session record: an existence check of each destination,
// then the marker written atomically and durably. A folder is listed once
// for a whole operation; a file compared is opened only after its status
// says it is a regular file. The limit of the patch is open, fstat (the file
// must be a regular file and writable), pread, pwrite and close per file. The limits get exact
// native paths ready-made: looking names up is part of what the program is charged for.
//
// The data is game-like (level files of 86-100 KB, 616-byte headers, script
// files of a few KB, 144-byte attribute records; about 2.4 MB a set), the
// files the program exports differing from the game's own. Whatever a case
// needs in place before it runs (exported files in the game's folder for
// End Game, no session for Start Game) is put there, and synced, outside the
// timed part. Every case runs once untimed, then the program and the limit
// take turns, the first alternating, for kDiskRuns runs each on the disk
// and kMemoryRuns in memory. Each line names its file system, prints the
// medians and the range of each, and ends with the program's median over
// the limit's, as N.NNx; a summary at the end says of each line whether it
// is within its target.
//
// The last cases run the backup, End Game and Start Game on a game folder
// whose names are capitalised ("Levels\Levl2001.dat", as installs copied
// from another system often are) against the same operation on a folder in
// exact case ("levels\levl2001.dat"); both levels folders hold 10,000, then
// 100,000, extra entries. Both list that folder once per operation (the
// capitalised one to find its names, both to sweep it), which the untimed
// run checks; the ratio is capitalised over exact.
//
// Every case runs under the default temporary folder (on the disk; under
// /var/tmp where that folder is in memory) and under /dev/shm (in memory).
// An argument picks the cases whose name holds
// it. The exit status is 0 when every line is within its target, 2 when one
// is not, 1 when a case failed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/BackupTree.h"
#include "app/ConfigFiles.h"
#include "app/CopySet.h"
#include "app/Records.h"
#include "forms/headless/Headless.h"
#include "platform/CopySet.h"
#include "platform/FileFaults.h"
#include "platform/FileOperation.h"
#include "platform/PathNotation.h"
#include "skirmish/CopySets.h"
#include "standin/StandIn.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using FileList = std::vector<std::pair<std::string, std::string>>;
using Folders = std::set<std::string>;

// Runs per case: on the disk a run waits for the device, and its times
// scatter; in memory many runs cost little and steady the medians.
constexpr int kDiskRuns = 21;
constexpr int kMemoryRuns = 41;
constexpr int kFewerEntries = 10000;
constexpr int kMoreEntries = 100000;
constexpr double kSetTarget = 1.25;
constexpr double kPatchTarget = 2.0;
constexpr double kCaseTarget = 1.25;

void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// ---- the limits

// The sweep's share of an operation: the folder's entries read once, for
// the leftovers of a killed copy.
void limitList(const std::string& folder, Folders& listed) {
    if (!listed.insert(folder).second) {
        return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        fail("limit list " + folder);
    }
    std::size_t stale = 0;
    while (dirent* entry = ::readdir(dir)) {
        stale += std::strstr(entry->d_name, ".limit-tmp") != nullptr ? 1 : 0;
    }
    ::closedir(dir);
    if (stale != 0) {
        throw std::runtime_error("limit found leftovers in " + folder);
    }
}

std::string parentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

std::string nameOf(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// A copy set with the program's guarantees and nothing else.
void limitCopySet(const FileList& files, Folders& listed) {
    std::map<std::string, int> folders;
    std::vector<std::pair<int, std::string>> renames;  // folder, name
    for (const auto& [source, destination] : files) {
        auto [slot, added] = folders.emplace(parentOf(destination), -1);
        if (added) {
            slot->second = ::open(slot->first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            limitList(slot->first, listed);
        }
        std::string name = nameOf(destination);
        std::string temp = "." + name + ".limit-tmp";
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            fail("limit source " + source);
        }
        int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0 || ::fstat(in, &st) != 0) {
            fail("limit open " + source);
        }
        ::lstat(destination.c_str(), &st);
        int out =
            ::openat(slot->second, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (in < 0 || out < 0) {
            fail("limit open " + destination);
        }
        while (true) {
            ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n < 0) {
                fail("limit copy " + destination);
            }
            if (n == 0) {
                break;
            }
        }
        ::close(in);
        ::close(out);
        renames.emplace_back(slot->second, name);
    }
    if (!folders.empty() && ::syncfs(folders.begin()->second) != 0) {
        fail("limit syncfs");
    }
    for (const auto& [folder, name] : renames) {
        std::string temp = "." + name + ".limit-tmp";
        if (::renameat(folder, temp.c_str(), folder, name.c_str()) != 0) {
            fail("limit rename " + name);
        }
    }
    for (const auto& [path, folder] : folders) {
        ::fsync(folder);
        ::close(folder);
    }
}

void limitCopySet(const FileList& files) {
    Folders listed;
    limitCopySet(files, listed);
}

// Whether two files hold the same bytes, read until the first difference.
bool limitSame(const std::string& a, const std::string& b) {
    static char bufferA[1 << 16], bufferB[1 << 16];
    struct stat sa {
    }, sb{};
    int first = ::stat(a.c_str(), &sa) == 0 ? ::open(a.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    int second = ::stat(b.c_str(), &sb) == 0 ? ::open(b.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    bool same = first >= 0 && second >= 0 && ::fstat(first, &sa) == 0 &&
                ::fstat(second, &sb) == 0 && sa.st_size == sb.st_size;
    while (same) {
        ssize_t n = ::read(first, bufferA, sizeof bufferA);
        if (n <= 0) {
            same = n == 0;
            break;
        }
        same = ::read(second, bufferB, static_cast<std::size_t>(n)) == n &&
               std::memcmp(bufferA, bufferB, static_cast<std::size_t>(n)) == 0;
    }
    ::close(first);
    ::close(second);
    return same;
}

// A whole text file replaced atomically and durably: a lone file is synced
// by itself.
void limitWriteText(const std::string& path, const std::string& text) {
    Folders listed;
    limitList(parentOf(path), listed);
    const std::string temp = parentOf(path) + "/." + nameOf(path) + ".limit-tmp";
    int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0 || ::write(out, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::fsync(out) != 0 || ::close(out) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        fail("limit write " + path);
    }
    int folder = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::fsync(folder) != 0) {
        fail("limit sync " + path);
    }
    ::close(folder);
}

std::string limitReadText(const std::string& path) {
    char buffer[4096];
    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        fail("limit read " + path);
    }
    std::string text;
    while (true) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(in);
    return text;
}

// End Game: the marker read, the sweep, and per phase the files that differ
// from their backups copied back in one set.
struct RestoreWork {
    std::string marker;
    std::vector<std::string> swept;
    std::vector<FileList> phases;  // backup, destination
};

void limitRestore(const RestoreWork& work) {
    if (limitReadText(work.marker).empty()) {
        throw std::runtime_error("limit: empty marker");
    }
    Folders listed;
    for (const std::string& folder : work.swept) {
        limitList(folder, listed);
    }
    for (const FileList& phase : work.phases) {
        FileList copies;
        for (const auto& [backup, destination] : phase) {
            if (!limitSame(backup, destination)) {
                copies.emplace_back(backup, destination);
            }
        }
        limitCopySet(copies, listed);
    }
}

// Start Game: whether a session is pending, the record of the files the
// export will create, then both phases.
struct ExportWork {
    std::string marker;
    std::string markerText;                                 // the game folder's line
    std::vector<std::pair<std::string, std::string>> rows;  // destination text, native path
    std::vector<FileList> phases;
};

void limitExport(const ExportWork& work) {
    struct stat st {};
    if (::lstat(work.marker.c_str(), &st) == 0) {
        throw std::runtime_error("limit: a session is pending");
    }
    std::string text = work.markerText;
    for (const auto& [row, native] : work.rows) {
        if (::lstat(native.c_str(), &st) != 0) {
            text += row + "\r\n";
        }
    }
    limitWriteText(work.marker, text);
    Folders listed;
    for (const FileList& phase : work.phases) {
        limitCopySet(phase, listed);
    }
}

void limitPatch(const std::vector<std::string>& files, const std::string& flags) {
    char record[app::kCpuAttributesLength];
    for (const std::string& file : files) {
        int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || ::pread(fd, record, sizeof record, 0) < 0) {
            fail("limit read " + file);
        }
        std::copy(flags.begin(), flags.end(), record + 80);
        if (::pwrite(fd, record, sizeof record, 0) != static_cast<ssize_t>(sizeof record)) {
            fail("limit write " + file);
        }
        ::close(fd);
    }
}

// ---- game-like data

// Deterministic bytes that do not compress into a pattern.
std::string bytesOf(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed * 2654435761u + 1;
    for (char& c : bytes) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 16);
    }
    return bytes;
}

void put(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// Gives the level data, language and script files of a stand-in folder the
// sizes the game's own have; the headers (616 bytes) and attribute records
// (144 bytes) have theirs already. The program's files get other bytes than
// the game's (`seed`), as an export brings other content.
void makeGameLike(const fs::path& folder, const std::vector<fs::path>& scriptFolders,
                  unsigned seed) {
    for (int level = 1; level <= 25; ++level) {
        put(folder / "levels" / (app::levelName(level) + ".dat"),
            bytesOf(86000 + 600u * static_cast<unsigned>(level),
                    seed + static_cast<unsigned>(level)));
    }
    put(folder / "language" / "lang00.dat", bytesOf(24000, seed + 99));
    for (const fs::path& scripts : scriptFolders) {
        for (int n = 1; n <= 50; ++n) {
            put(scripts / ("cpscr" + app::scriptNumber(n) + ".dat"),
                bytesOf(1200 + 37u * static_cast<unsigned>(n), seed + static_cast<unsigned>(n)));
        }
    }
}

std::string capitalised(std::string text) {
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// A copy of a game folder with every name below it spelt anew.
void copyRenamed(const fs::path& from, const fs::path& to, std::string (*spelling)(std::string)) {
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        fs::path target = to / spelling(entry.path().filename().string());
        if (entry.is_directory()) {
            copyRenamed(entry.path(), target, spelling);
        } else {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        }
    }
}

// Empty files numbered from `from` up to `to`, the way a folder fills up
// with a user's maps and saves.
void addEntries(const fs::path& folder, int from, int to) {
    for (int i = from; i < to; ++i) {
        const std::string file = (folder / ("map" + std::to_string(100000 + i) + ".bak")).string();
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            fail("create " + file);
        }
        ::close(fd);
    }
}

// The native paths of the rows of one phase, looked up in one operation.
FileList nativeRows(const std::vector<app::CopyRow>& rows, int phase, const std::string& sourceBase,
                    const std::string& destinationBase) {
    platform::FileOperation operation;
    FileList files;
    for (const app::CopyRow& row : rows) {
        if (row.phase == phase) {
            files.emplace_back(operation.nativePath(sourceBase + row.source),
                               operation.nativePath(destinationBase + row.destination));
        }
    }
    return files;
}

std::vector<std::string> nativeFolders(const std::vector<std::string>& texts) {
    platform::FileOperation operation;
    std::vector<std::string> folders;
    for (const std::string& text : texts) {
        std::string native = operation.nativePath(text);
        while (native.size() > 1 && native.back() == '/') {
            native.pop_back();
        }
        folders.push_back(native);
    }
    return folders;
}

void syncAll(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) {
        fail("syncfs " + folder);
    }
    ::close(fd);
}

// ---- timing

double timed(const std::function<void()>& body) {
    auto start = Clock::now();
    body();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Times {
    std::vector<double> ms;
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        std::size_t n = sorted.size();
        return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double least() const { return *std::min_element(ms.begin(), ms.end()); }
    double most() const { return *std::max_element(ms.begin(), ms.end()); }
};

struct Case {
    std::string fileSystem;
    std::string what;
    std::size_t files;
    std::string against;
    double target;
    Times ours;
    Times limit;
    double ratio() const { return ours.median() / limit.median(); }
};

// What one untimed run did, from the file layer's record of its steps.
struct Steps {
    std::size_t renames = 0;
    std::map<std::string, int> listings;  // folder -> how often listed
};

Steps recorded(const std::function<void()>& body) {
    Steps steps;
    platform::setFileRecorder([&steps](const platform::FileEvent& event) {
        if (event.step == platform::FileStep::Rename) {
            ++steps.renames;
        } else if (event.step == platform::FileStep::List) {
            ++steps.listings[event.path];
        }
    });
    try {
        body();
    } catch (...) {
        platform::setFileRecorder(nullptr);
        throw;
    }
    platform::setFileRecorder(nullptr);
    return steps;
}

std::string selected;

struct Work {
    std::function<void()> run;
    std::function<void()> setup;  // outside the timed part, before every run
};

bool wanted(const std::string& what) {
    return what.find(selected) != std::string::npos;
}

// One untimed run of each, then turns of one run each, the first of each
// turn alternating between the two. `check` sees what the untimed run of
// ours did.
void measure(std::vector<Case>& cases, const std::string& fileSystem, std::string what,
             std::size_t files, std::string against, double target, const Work& ours,
             const Work& limit, const std::function<void(const Steps&)>& check = {}) {
    if (!wanted(what)) {
        return;
    }
    auto run = [](const Work& work) {
        if (work.setup) {
            work.setup();
        }
        return timed(work.run);
    };
    if (ours.setup) {
        ours.setup();
    }
    Steps steps = recorded(ours.run);
    if (check) {
        check(steps);
    }
    run(limit);
    Case line{fileSystem, std::move(what), files, std::move(against), target, {}, {}};
    const int runs = fileSystem == "memory" ? kMemoryRuns : kDiskRuns;
    for (int turn = 0; turn < runs; ++turn) {
        if (turn % 2 == 0) {
            line.ours.ms.push_back(run(ours));
            line.limit.ms.push_back(run(limit));
        } else {
            line.limit.ms.push_back(run(limit));
            line.ours.ms.push_back(run(ours));
        }
    }
    std::printf("%-6s %-44s %5zu %-10s %8.2f [%7.2f-%7.2f] %8.2f [%7.2f-%7.2f] %5.2fx\n",
                line.fileSystem.c_str(), line.what.c_str(), line.files, line.against.c_str(),
                line.ours.median(), line.ours.least(), line.ours.most(), line.limit.median(),
                line.limit.least(), line.limit.most(), line.ratio());
    std::fflush(stdout);
    cases.push_back(std::move(line));
}

void expect(bool holds, const std::string& what) {
    if (!holds) {
        throw std::runtime_error(what);
    }
}

// "disk" or "memory", by the file system under `folder`.
std::string fileSystemOf(const fs::path& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) {
        fail("statfs " + folder.string());
    }
    constexpr long kTmpfs = 0x01021994;  // TMPFS_MAGIC
    constexpr long kRamfs = 0x858458f6;  // RAMFS_MAGIC
    return info.f_type == kTmpfs || info.f_type == kRamfs ? "memory" : "disk";
}

// ---- the cases, in one folder

class Bench {
public:
    Bench(forms::headless::Driver& driver, const fs::path& base, std::vector<Case>& cases)
        : driver_(driver),
          cases_(cases),
          fileSystem_(fileSystemOf(base)),
          root_(base / ("zek-copy-bench-" + std::to_string(::getpid()))),
          program_((root_ / "program").string()),
          game_((root_ / "game").string()) {}

    ~Bench() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void run() {
        std::printf("%s: %s\n", fileSystem_.c_str(), root_.parent_path().c_str());
        std::fflush(stdout);
        standin::writeProgramData(programDir());
        standin::writeGameFolder(game_);
        for (const char* folder :
             {"BACKUP/language", "BACKUP/levels", "BACKUP/SAVE", "BACKUP/scripts"}) {
            fs::create_directories(programDir() / folder);
        }
        makeGameLike(game_, {fs::path(game_) / "levels"}, 0);
        makeGameLike(programDir(),
                     {programDir() / "CPUScripts" / "Easy", programDir() / "CPUScripts" / "Medium",
                      programDir() / "CPUScripts" / "Hard"},
                     1000);
        // The program's paths are built on forms::App().Path.
        driver_.app().Path = program_;
        expect(tree_.Backup(game_).empty(), "first backup failed");

        // The game holds its own files after each of these, for the next.
        copySets();
        patch();
        endGame(game_, "End Game (Restore)");
        startGame(game_, "Start Game (session record, CopyPhase 1+2)");

        if (!wanted("capitalised")) {
            return;
        }
        // Both folders are made once and filled up between the sizes.
        const std::string exact = (root_ / "exact" / "game").string();
        const std::string mixed = (root_ / "capitalised" / "game").string();
        fs::create_directories(exact);
        fs::copy(game_, exact, fs::copy_options::recursive);
        copyRenamed(exact, mixed, capitalised);
        int entries = 0;
        for (int more : {kFewerEntries, kMoreEntries}) {
            addEntries(fs::path(exact) / "levels", entries, more);
            addEntries(fs::path(mixed) / "Levels", entries, more);
            syncAll(root_.string());
            entries = more;
            capitalisedAgainstExact(exact, mixed, entries);
        }
    }

private:
    fs::path programDir() const { return program_; }
    std::string marker() const { return program_ + "/BACKUP/export.pending"; }

    void copySets() {
        auto program = [this] { return program_; };
        auto game = [this] { return game_; };
        auto limitOf = [](std::vector<FileList> phases) {
            return Work{[phases = std::move(phases)] {
                            for (const FileList& phase : phases) {
                                limitCopySet(phase);
                            }
                        },
                        {}};
        };
        const std::vector<app::CopyRow> backup = app::BackupSet();
        measure(cases_, fileSystem_, "backup (BackupGameFiles)", backup.size(), "limit", kSetTarget,
                {[this] {
                     platform::FileOperation operation;
                     expect(app::BackupGameFiles(operation, [this] { return game_; }).empty(),
                            "backup failed");
                 },
                 {}},
                limitOf({nativeRows(backup, 1, game_, program_),
                         nativeRows(backup, 2, game_, program_)}));

        const std::vector<app::CopyRow> exported = skirmish::ExportSet("Easy");
        measure(cases_, fileSystem_, "export Easy (CopyPhase 1+2)", exported.size(), "limit",
                kSetTarget,
                {[&] {
                     app::CopyPhase(exported, 1, program, game);
                     app::CopyPhase(exported, 2, program, game);
                 },
                 {}},
                limitOf({nativeRows(exported, 1, program_, game_),
                         nativeRows(exported, 2, program_, game_)}));

        const std::vector<app::CopyRow> restore = skirmish::RestoreSet();
        measure(cases_, fileSystem_, "restore (CopyPhase 1, 2 skipping failures)", restore.size(),
                "limit", kSetTarget,
                {[&] {
                     app::CopyPhase(restore, 1, program, game);
                     expect(app::CopyPhaseSkippingFailures(restore, 2, program, game).empty(),
                            "restore skipped files");
                 },
                 {}},
                limitOf({nativeRows(restore, 1, program_, game_),
                         nativeRows(restore, 2, program_, game_)}));
    }

    void patch() {
        std::vector<std::string> files;
        std::vector<std::string> native;
        for (const char* word : {"Easy", "Medium", "Hard"}) {
            for (int n = 1; n <= 50; ++n) {
                files.push_back(program_ + "\\CPUScripts\\" + word + "\\cpatr" +
                                app::scriptNumber(n) + ".dat");
                native.push_back(platform::nativePath(files.back()));
            }
        }
        const std::string flags = standin::programFileBytes("cpatrCFG.dat");
        std::string buffer;
        measure(cases_, fileSystem_, "patch (150 UpdateRecord)", files.size(), "limit",
                kPatchTarget,
                {[&] {
                     for (const std::string& file : files) {
                         app::UpdateRecord(file, buffer, app::kCpuAttributesLength,
                                           [&flags](std::string& record) {
                                               record.replace(80, app::kAvailabilityLength, flags);
                                           });
                     }
                 },
                 {}},
                {[&] { limitPatch(native, flags); }, {}});
    }

    // End Game's state: the export's files in the game folder, every one
    // differing from its backup, and the marker of the session.
    std::function<void()> exportedState(const std::string& game) {
        const std::vector<app::CopyRow> exported = skirmish::ExportSet("Easy");
        FileList files = nativeRows(exported, 1, program_, game);
        FileList second = nativeRows(exported, 2, program_, game);
        files.insert(files.end(), second.begin(), second.end());
        return [this, files, game] {
            limitCopySet(files);
            struct stat st {};
            if (::stat(marker().c_str(), &st) != 0) {
                put(marker(), game + "\r\n");
            }
            syncAll(program_);
        };
    }

    // Start Game's state: no session.
    std::function<void()> noSession() {
        return [this] {
            if (::unlink(marker().c_str()) != 0 && errno != ENOENT) {
                fail("unlink " + marker());
            }
            syncAll(program_);
        };
    }

    std::function<void()> restoreOf(const std::string& game) {
        return [this, game] {
            const app::BackupTree::Outcome outcome = tree_.Restore(game, skirmish::RestoreSet());
            expect(!outcome.firstPhaseFailed && outcome.notRestored.empty(),
                   "restore failed: " + outcome.failedFile);
        };
    }

    std::function<void()> exportOf(const std::string& game) {
        return [this, game] {
            // As the difficulty dialog does it: one file operation for the
            // record of the session and both phases.
            const std::vector<app::CopyRow> rows = skirmish::ExportSet("Easy");
            auto gameDir = [&game] { return game; };
            [[maybe_unused]] const bool hadSession = tree_.SessionPending();
            std::size_t copied = 0;
            platform::FileOperation operation;
            platform::CopySet set(operation);
            tree_.BeginSession(operation, game, rows);
            app::CopyPhase(rows, 1, app::ProgramDir, gameDir, &copied, &set);
            app::CopyPhase(rows, 2, app::ProgramDir, gameDir, nullptr, &set);
        };
    }

    std::function<void()> backupOf(const std::string& game) {
        return [this, game] { expect(tree_.Backup(game).empty(), "backup failed from " + game); };
    }

    void endGame(const std::string& game, const std::string& what) {
        const std::vector<app::CopyRow> rows = skirmish::RestoreSet();
        RestoreWork work{
            marker(),
            nativeFolders([&] {
                std::vector<std::string> swept = app::BackupFolders();
                for (const std::string& folder : app::GameFolders(game)) {
                    swept.push_back(folder);
                }
                swept.push_back(program_ + "\\BACKUP");
                swept.push_back(program_ + "\\CFG");
                return swept;
            }()),
            {nativeRows(rows, 1, program_, game), nativeRows(rows, 2, program_, game)}};
        const std::function<void()> setup = exportedState(game);
        measure(cases_, fileSystem_, what, rows.size(), "limit", kSetTarget,
                {restoreOf(game), setup}, {[work] { limitRestore(work); }, setup},
                [&rows](const Steps& steps) {
                    expect(steps.renames == rows.size(), "End Game did not copy every file back");
                });
    }

    void startGame(const std::string& game, const std::string& what) {
        const std::vector<app::CopyRow> rows = skirmish::ExportSet("Easy");
        ExportWork work{
            platform::nativePath(program_ + app::BackupTree::kMarker), game + "\r\n", {}, {}};
        platform::FileOperation operation;
        for (const app::CopyRow& row : rows) {
            work.rows.emplace_back(row.destination, operation.nativePath(game + row.destination));
        }
        work.phases = {nativeRows(rows, 1, program_, game), nativeRows(rows, 2, program_, game)};
        const std::function<void()> setup = noSession();
        measure(cases_, fileSystem_, what, rows.size(), "limit", kSetTarget,
                {exportOf(game), setup}, {[work] { limitExport(work); }, setup});
        // The game's own files again, for what follows.
        restoreOf(game)();
    }

    void capitalisedAgainstExact(const std::string& exact, const std::string& mixed, int entries) {
        const std::string size = entries == kFewerEntries ? "10,000" : "100,000";
        // Each operation lists the game's levels folder once, whatever the
        // case of its names, and puts as many files in place.
        auto listedOnce = [](const std::string& levels) {
            return [levels](const Steps& steps) {
                auto found = steps.listings.find(levels);
                expect(found != steps.listings.end() && found->second == 1,
                       levels + " not listed exactly once");
            };
        };
        auto both = [&](const std::string& operation,
                        std::function<void()> (Bench::*of)(const std::string&),
                        std::function<void()> exactSetup, std::function<void()> mixedSetup) {
            const std::string what = operation + ", capitalised, " + size + " more";
            if (!wanted(what)) {
                return;
            }
            Steps exactSteps = recorded([&] {
                if (exactSetup) {
                    exactSetup();
                }
                (this->*of)(exact)();
            });
            listedOnce(exact + "/levels")(exactSteps);
            measure(cases_, fileSystem_, what, skirmish::RestoreSet().size(), "exact case",
                    kCaseTarget, {(this->*of)(mixed), mixedSetup}, {(this->*of)(exact), exactSetup},
                    [&](const Steps& steps) {
                        listedOnce(mixed + "/Levels")(steps);
                        expect(steps.renames == exactSteps.renames,
                               what + ": not as many files put in place as in exact case");
                    });
        };
        both("backup", &Bench::backupOf, {}, {});
        both("Start Game", &Bench::exportOf, noSession(), noSession());
        both("End Game", &Bench::restoreOf, exportedState(exact), exportedState(mixed));
    }

    forms::headless::Driver& driver_;
    std::vector<Case>& cases_;
    const std::string fileSystem_;
    const fs::path root_;
    const std::string program_;  // the program folder
    const std::string game_;     // the stand-in game folder
    app::BackupTree tree_;
};

}  // namespace

int main(int argc, char** argv) {
    selected = argc > 1 ? argv[1] : "";
    // The default temporary folder, or /var/tmp where that is in memory,
    // then /dev/shm: each file system once.
    std::vector<fs::path> bases;
    std::set<dev_t> devices;
    for (const fs::path& base :
         {fs::temp_directory_path(), fs::path("/var/tmp"), fs::path("/dev/shm")}) {
        struct stat st {};
        const bool another = ::stat(base.c_str(), &st) == 0 && devices.insert(st.st_dev).second;
        const bool needed =
            bases.empty() || base == "/dev/shm" || fileSystemOf(bases.front()) == "memory";
        if (another && needed) {
            bases.push_back(base);
        }
    }

    std::printf(
        "copy_bench: %d interleaved runs each on the disk, %d in memory; median [least-most] in "
        "ms\n",
        kDiskRuns, kMemoryRuns);
    std::printf("%-6s %-44s %5s %-10s %26s %26s %6s\n", "fs", "case", "files", "against", "ours",
                "against", "ratio");
    forms::headless::Driver driver;
    std::vector<Case> cases;
    int status = 0;
    for (const fs::path& base : bases) {
        Bench bench(driver, base, cases);
        try {
            bench.run();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "copy_bench: %s\n", error.what());
            status = 1;
        }
    }

    std::printf("\ntargets: sets %.2fx of the limit, patch %.2fx, capitalised %.2fx of exact\n",
                kSetTarget, kPatchTarget, kCaseTarget);
    bool met = true;
    for (const Case& line : cases) {
        const bool within = line.ratio() <= line.target;
        met = met && within;
        std::printf("%-6s %-44s %5.2fx %s %.2fx: %s\n", line.fileSystem.c_str(), line.what.c_str(),
                    line.ratio(), within ? "<=" : "> ", line.target, within ? "within" : "MISSED");
    }
    std::printf("%s\n", met ? "every line within its target" : "some line MISSED its target");
    return status != 0 ? status : (met ? 0 : 2);
}
