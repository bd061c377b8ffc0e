// copy_bench: the program's whole-file copies and record writes against cp
// on the same files, in the same run, on the stand-in data in a temporary
// folder. Each case runs a few times and the best time counts; the target is
// to stay within 1.5 times what cp needs.
//
// cp runs as one "cp -f" process per file list: the rows of a set are
// grouped by source folder and destination folder (names never change on
// the way), and each group is one command line through std::system. That
// charges cp a shell and a process start per group, as copying the list by
// hand would.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

constexpr int kRepeats = 7;

double bestOf(const std::function<void()>& body) {
    double best = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        auto start = Clock::now();
        body();
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        best = std::min(best, ms);
    }
    return best;
}

std::string shellQuoted(const std::string& path) {
    std::string text = "'";
    for (char c : path) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

// One "cp -f" command line per run of rows sharing a source and a
// destination folder.
std::vector<std::string> cpCommands(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> commands;
    std::string sourceDir;
    std::string destinationDir;
    std::string command;
    for (const auto& [source, destination] : files) {
        fs::path from(source);
        fs::path to(destination);
        if (from.filename() != to.filename()) {
            throw std::logic_error("cp by folder cannot rename " + source);
        }
        std::string fromDir = from.parent_path().string();
        std::string toDir = to.parent_path().string();
        if (command.empty() || fromDir != sourceDir || toDir != destinationDir) {
            if (!command.empty()) {
                commands.push_back(command + " " + shellQuoted(destinationDir));
            }
            sourceDir = fromDir;
            destinationDir = toDir;
            command = "cp -f";
        }
        command += " " + shellQuoted(source);
    }
    if (!command.empty()) {
        commands.push_back(command + " " + shellQuoted(destinationDir));
    }
    return commands;
}

void runAll(const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("failed: " + command);
        }
    }
}

// The native paths of a set's rows, for the phases given.
std::vector<std::pair<std::string, std::string>> nativeRows(const std::vector<app::CopyRow>& rows,
                                                            const std::string& sourceBase,
                                                            const std::string& destinationBase) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const app::CopyRow& row : rows) {
        files.emplace_back(platform::nativePath(sourceBase + row.source),
                           platform::nativePath(destinationBase + row.destination));
    }
    return files;
}

struct Line {
    const char* what;
    std::size_t files;
    double ours;
    double cp;
};

}  // namespace

int main() {
    fs::path root = fs::temp_directory_path() / ("zek-copy-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path programDir = root / "program";
    const fs::path gameDir = root / "game";
    standin::writeProgramData(programDir);
    standin::writeGameFolder(gameDir);
    for (const char* folder : {"BACKUP/language", "BACKUP/levels", "BACKUP/SAVE", "BACKUP/scripts",
                               "patchcopy/Easy", "patchcopy/Medium", "patchcopy/Hard"}) {
        fs::create_directories(programDir / folder);
    }

    // The program's paths are built on forms::App().Path.
    forms::headless::Driver driver;
    driver.app().Path = programDir.string();
    const std::string P = programDir.string();
    const std::string G = gameDir.string();
    auto program = [&P] { return P; };
    auto game = [&G] { return G; };

    std::vector<Line> lines;

    // Start-up backup: game folder into the backup tree.
    {
        std::vector<app::CopyRow> rows = app::BackupSet();
        auto commands = cpCommands(nativeRows(rows, G, P));
        double ours = bestOf([&] {
            if (!app::BackupGameFiles(game)) {
                throw std::runtime_error("backup failed");
            }
        });
        lines.push_back(
            {"backup (BackupGameFiles)", rows.size(), ours, bestOf([&] { runAll(commands); })});
    }

    // Export of one difficulty, both phases.
    {
        std::vector<app::CopyRow> rows = skirmish::ExportSet("Easy");
        auto commands = cpCommands(nativeRows(rows, P, G));
        double ours = bestOf([&] {
            app::CopyPhase(rows, 1, program, game);
            app::CopyPhase(rows, 2, program, game);
        });
        lines.push_back(
            {"export Easy (CopyPhase 1+2)", rows.size(), ours, bestOf([&] { runAll(commands); })});
    }

    // Restore: the backup tree back into the game folder.
    {
        std::vector<app::CopyRow> rows = skirmish::RestoreSet();
        auto commands = cpCommands(nativeRows(rows, P, G));
        double ours = bestOf([&] {
            app::CopyPhase(rows, 1, program, game);
            if (!app::CopyPhaseSkippingFailures(rows, 2, program, game).empty()) {
                throw std::runtime_error("restore skipped files");
            }
        });
        lines.push_back(
            {"restore (RestoreSet)", rows.size(), ours, bestOf([&] { runAll(commands); })});
    }

    // The attribute patch: 150 record reads and writes in place, against cp
    // of the same 150 files into a scratch folder.
    {
        std::vector<std::string> files;
        std::vector<std::pair<std::string, std::string>> copies;
        for (const char* word : {"Easy", "Medium", "Hard"}) {
            for (int n = 1; n <= 50; ++n) {
                std::string name = "\\cpatr" + app::scriptNumber(n) + ".dat";
                files.push_back(P + "\\CPUScripts\\" + word + name);
                copies.emplace_back(platform::nativePath(files.back()),
                                    platform::nativePath(P + "\\patchcopy\\" + word + name));
            }
        }
        auto commands = cpCommands(copies);
        const std::string flags = standin::programFileBytes("cpatrCFG.dat");
        std::string buffer;
        double ours = bestOf([&] {
            for (const std::string& file : files) {
                app::ReadRecord(file, buffer, app::kCpuAttributesLength);
                buffer.replace(80, app::kAvailabilityLength, flags);
                app::WriteRecord(file, buffer);
            }
        });
        lines.push_back({"patch (150 ReadRecord/WriteRecord)", files.size(), ours,
                         bestOf([&] { runAll(commands); })});
    }

    std::printf("copy_bench: best of %d runs, cp as one 'cp -f' process per file list\n", kRepeats);
    std::printf("%-36s %6s %12s %12s %10s %s\n", "case", "files", "ours ms", "cp ms", "ours/cp",
                "target <= 1.5x");
    for (const Line& line : lines) {
        double ratio = line.ours / line.cp;
        std::printf("%-36s %6zu %12.3f %12.3f %10.2f %s\n", line.what, line.files, line.ours,
                    line.cp, ratio, ratio <= 1.5 ? "met" : "MISSED");
    }
    fs::remove_all(root);
    return 0;
}
