// copy_bench: the program's copy sets and its attribute patch, timed side by
// side in one process with the machine's limit for the same work.
//
// The limit of a copy set is the least a copy with the same guarantees can
// do: for each file a temporary beside the destination filled by
// copy_file_range, one syncfs per set, the renames, and an fsync of each
// folder renamed into. The limit of the patch is open, pread, pwrite and
// close per file. The limits get their paths ready-made: looking names up is
// part of what the program is charged for.
//
// The data is game-like (level files of 86-100 KB, 616-byte headers, script
// files of a few KB, 144-byte attribute records; about 2.4 MB a set) in a
// folder under the default temporary folder. Every case runs once untimed,
// then the program and the limit take turns, the first alternating, for
// kRuns runs each. Each line prints the medians, the range of each, and
// ends with the program's median over the limit's, as N.NNx.
//
// The last two cases are the start-up backup from a game folder whose names
// are all in upper case ("LEVELS\LEVL2001.DAT"), then all capitalised
// ("Levels\Levl2001.dat"), with 10,000 more entries in its levels folder,
// against the same backup from a folder in exact case with as many entries.
// Upper-case names are found without listing the folder; capitalised ones
// make each folder be listed once for the backup.
#include <fcntl.h>
#include <sys/stat.h>
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

#include "app/ConfigFiles.h"
#include "app/CopySet.h"
#include "app/Records.h"
#include "forms/headless/Headless.h"
#include "platform/Files.h"
#include "skirmish/CopySets.h"
#include "standin/StandIn.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using FileList = std::vector<std::pair<std::string, std::string>>;

constexpr int kRuns = 15;
constexpr int kExtraEntries = 10000;

void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// ---- the limits

// A copy set with the program's guarantees and nothing else.
void limitCopySet(const FileList& files) {
    std::map<std::string, int> folders;
    std::vector<std::pair<int, std::string>> renames;  // folder, name
    for (const auto& [source, destination] : files) {
        fs::path to(destination);
        auto [slot, added] = folders.emplace(to.parent_path().string(), -1);
        if (added) {
            slot->second = ::open(slot->first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        std::string name = to.filename().string();
        std::string temp = "." + name + ".limit-tmp";
        int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
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

void limitPatch(const std::vector<std::string>& files, const std::string& flags) {
    char record[app::kCpuAttributesLength];
    for (const std::string& file : files) {
        int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 || ::pread(fd, record, sizeof record, 0) < 0) {
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
// (144 bytes) have theirs already.
void makeGameLike(const fs::path& folder, const std::vector<fs::path>& scriptFolders) {
    for (int level = 1; level <= 25; ++level) {
        put(folder / "levels" / (app::levelName(level) + ".dat"),
            bytesOf(86000 + 600u * static_cast<unsigned>(level), static_cast<unsigned>(level)));
    }
    put(folder / "language" / "lang00.dat", bytesOf(24000, 99));
    for (const fs::path& scripts : scriptFolders) {
        for (int n = 1; n <= 50; ++n) {
            put(scripts / ("cpscr" + app::scriptNumber(n) + ".dat"),
                bytesOf(1200 + 37u * static_cast<unsigned>(n), static_cast<unsigned>(n)));
        }
    }
}

std::string upperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
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

void addEntries(const fs::path& folder, int count) {
    for (int i = 0; i < count; ++i) {
        put(folder / ("map" + std::to_string(100000 + i) + ".bak"), "");
    }
}

// The native paths of the rows of one phase.
FileList nativeRows(const std::vector<app::CopyRow>& rows, int phase, const std::string& sourceBase,
                    const std::string& destinationBase) {
    FileList files;
    for (const app::CopyRow& row : rows) {
        if (row.phase == phase) {
            files.emplace_back(platform::nativePath(sourceBase + row.source),
                               platform::nativePath(destinationBase + row.destination));
        }
    }
    return files;
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
    std::string what;
    std::size_t files;
    std::string against;
    double target;
    Times ours;
    Times limit;
};

// One untimed run of each, then kRuns turns, the first of each turn
// alternating between the two.
std::string selected;

Case measure(std::string what, std::size_t files, std::string against, double target,
             const std::function<void()>& ours, const std::function<void()>& limit) {
    Case line{std::move(what), files, std::move(against), target, {}, {}};
    if (line.what.find(selected) == std::string::npos) {
        return line;
    }
    ours();
    limit();
    for (int run = 0; run < kRuns; ++run) {
        if (run % 2 == 0) {
            line.ours.ms.push_back(timed(ours));
            line.limit.ms.push_back(timed(limit));
        } else {
            line.limit.ms.push_back(timed(limit));
            line.ours.ms.push_back(timed(ours));
        }
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    // An argument picks the cases whose name holds it.
    selected = argc > 1 ? argv[1] : "";
    const fs::path root =
        fs::temp_directory_path() / ("zek-copy-bench-" + std::to_string(::getpid()));
    const fs::path programDir = root / "program";
    const fs::path gameDir = root / "game";
    const fs::path upperGameDir = root / "upper" / "game";
    const fs::path mixedGameDir = root / "mixed" / "game";
    const fs::path exactGameDir = root / "exact" / "game";
    standin::writeProgramData(programDir);
    standin::writeGameFolder(gameDir);
    for (const char* folder :
         {"BACKUP/language", "BACKUP/levels", "BACKUP/SAVE", "BACKUP/scripts"}) {
        fs::create_directories(programDir / folder);
    }
    makeGameLike(gameDir, {gameDir / "levels"});
    makeGameLike(programDir,
                 {programDir / "CPUScripts" / "Easy", programDir / "CPUScripts" / "Medium",
                  programDir / "CPUScripts" / "Hard"});
    const std::string upperCaseName = "backup, upper-case game folder";
    const std::string mixedCaseName = "backup, capitalised game folder";
    const bool upperWanted = upperCaseName.find(selected) != std::string::npos;
    const bool mixedWanted = mixedCaseName.find(selected) != std::string::npos;
    if (upperWanted || mixedWanted) {
        fs::create_directories(exactGameDir);
        fs::copy(gameDir, exactGameDir, fs::copy_options::recursive);
        addEntries(exactGameDir / "levels", kExtraEntries);
    }
    if (upperWanted) {
        copyRenamed(exactGameDir, upperGameDir, upperCase);
    }
    if (mixedWanted) {
        copyRenamed(exactGameDir, mixedGameDir, capitalised);
    }

    // The program's paths are built on forms::App().Path.
    forms::headless::Driver driver;
    driver.app().Path = programDir.string();
    const std::string P = programDir.string();
    const std::string G = gameDir.string();
    auto program = [&P] { return P; };
    auto game = [&G] { return G; };
    auto backupFrom = [](const std::string& folder) {
        return [folder] {
            platform::FileOperation operation;
            if (!app::BackupGameFiles(operation, [&folder] { return folder; }).empty()) {
                throw std::runtime_error("backup failed from " + folder);
            }
        };
    };
    auto limitOf = [](std::vector<FileList> phases) {
        return [phases = std::move(phases)] {
            for (const FileList& phase : phases) {
                limitCopySet(phase);
            }
        };
    };

    std::vector<Case> cases;
    int status = 0;
    try {
        const std::vector<app::CopyRow> backup = app::BackupSet();
        cases.push_back(
            measure("backup (BackupGameFiles)", backup.size(), "limit", 1.25, backupFrom(G),
                    limitOf({nativeRows(backup, 1, G, P), nativeRows(backup, 2, G, P)})));

        const std::vector<app::CopyRow> exported = skirmish::ExportSet("Easy");
        cases.push_back(measure(
            "export Easy (CopyPhase 1+2)", exported.size(), "limit", 1.25,
            [&] {
                app::CopyPhase(exported, 1, program, game);
                app::CopyPhase(exported, 2, program, game);
            },
            limitOf({nativeRows(exported, 1, P, G), nativeRows(exported, 2, P, G)})));

        const std::vector<app::CopyRow> restore = skirmish::RestoreSet();
        cases.push_back(measure(
            "restore (RestoreSet)", restore.size(), "limit", 1.25,
            [&] {
                app::CopyPhase(restore, 1, program, game);
                if (!app::CopyPhaseSkippingFailures(restore, 2, program, game).empty()) {
                    throw std::runtime_error("restore skipped files");
                }
            },
            limitOf({nativeRows(restore, 1, P, G), nativeRows(restore, 2, P, G)})));

        std::vector<std::string> patchFiles;
        std::vector<std::string> patchNative;
        for (const char* word : {"Easy", "Medium", "Hard"}) {
            for (int n = 1; n <= 50; ++n) {
                patchFiles.push_back(P + "\\CPUScripts\\" + word + "\\cpatr" +
                                     app::scriptNumber(n) + ".dat");
                patchNative.push_back(platform::nativePath(patchFiles.back()));
            }
        }
        const std::string flags = standin::programFileBytes("cpatrCFG.dat");
        std::string buffer;
        cases.push_back(measure(
            "patch (150 ReadRecord/WriteRecord)", patchFiles.size(), "limit", 2.0,
            [&] {
                for (const std::string& file : patchFiles) {
                    app::ReadRecord(file, buffer, app::kCpuAttributesLength);
                    buffer.replace(80, app::kAvailabilityLength, flags);
                    app::WriteRecord(file, buffer);
                }
            },
            [&] { limitPatch(patchNative, flags); }));

        cases.push_back(measure(upperCaseName, backup.size(), "exact case", 1.5,
                                backupFrom(upperGameDir.string()),
                                backupFrom(exactGameDir.string())));
        cases.push_back(measure(mixedCaseName, backup.size(), "exact case", 1.5,
                                backupFrom(mixedGameDir.string()),
                                backupFrom(exactGameDir.string())));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "copy_bench: %s\n", error.what());
        status = 1;
    }

    std::printf("copy_bench: %d interleaved runs each, median [least-most] in ms, in %s\n", kRuns,
                root.parent_path().c_str());
    std::printf("%-34s %5s %-10s %22s %22s %7s\n", "case", "files", "against", "ours", "against",
                "ratio");
    bool met = true;
    for (const Case& line : cases) {
        if (line.ours.ms.empty()) {
            continue;
        }
        double ratio = line.ours.median() / line.limit.median();
        met = met && ratio <= line.target;
        std::printf("%-34s %5zu %-10s %7.2f [%5.2f-%6.2f] %7.2f [%5.2f-%6.2f] %5.2fx\n",
                    line.what.c_str(), line.files, line.against.c_str(), line.ours.median(),
                    line.ours.least(), line.ours.most(), line.limit.median(), line.limit.least(),
                    line.limit.most(), ratio);
    }
    std::printf("targets (sets 1.25x, patch 2.00x, other case 1.50x): %s\n",
                met ? "all met" : "MISSED");
    fs::remove_all(root);
    return status != 0 ? status : (met ? 0 : 2);
}
