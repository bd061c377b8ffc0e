// copy_bench: the program's copy sets, its End Game restore, its Start Game
// export and its attribute patch, timed side by side in one process with
// the machine's limit for the same work and with a bare copy of the same
// files, on the disk and in memory.
//
// The limit of a copy set is the least a copy with the same guarantees can
// do: one listing of each folder copied into (where the program looks for
// the leftovers of a killed copy); for each file the status of its source
// before it is opened and of what was opened (no pipe or device is ever
// opened, no file copied onto itself) and the status of its destination
// (whose mode is kept, and which may be read-only or a link), a temporary
// beside the destination filled by copy_file_range; one syncfs per set, the
// renames, and an fsync of each folder renamed into. The limit of End Game
// adds the reading of the session marker and of the game folder's record
// of the session, one listing of each folder it sweeps (the game folder
// itself among them, for the temporaries of its record), the comparison of
// each destination with its backup, and the record and the marker removed
// durably after the last file (and the record of the export's files with
// the marker); the limit of Start Game adds the session records: an
// existence check of each destination, each source read whole for its
// checksum, then the marker and the record of the export's files in the
// program folder and the record in the game folder, each written
// atomically and durably. A folder is listed once for a whole operation; a
// file compared is opened only after its status says it is a regular file.
// The limit of the patch is open, fstat (the file must be a regular file
// and writable), pread, pwrite and close per file. The limits get exact
// native paths ready-made: looking names up is part of what the program is
// charged for.
//
// The bare copy is the same files put in place with none of those checks:
// each source opened with O_NOFOLLOW|O_NONBLOCK and one fstat, its data
// copied by copy_file_range into a temporary beside the destination; one
// syncfs per set, the renames and an fsync of each folder renamed into. No
// status of a path, no listing of a destination folder, no comparison. The
// limits put their copies in place the same way, so that what separates
// them from the bare copy is their checks alone. Every line has its bare
// counterpart: for a copy set, End Game and Start Game, the bare copy of
// the files the operation puts in place, a set per phase as the program
// commits them (End Game's files all differ from their backups, so it puts
// every one back); for the patch, open, pread, pwrite and close per file,
// without the fstat; for a capitalised line, the bare copy of the same
// files by their exact native names, looked up before the timing.
//
// What the checks cost: measured on its own, the program runs at about
// 1.13-1.29x of the bare copy in memory, and End Game at about 1.5-1.65x;
// on the disk both are about 1.0x, where the syncs' wait for the device is
// nearly the whole time and hides the rest. Five runs of this benchmark
// on a busy eight-core machine gave, in memory, 1.19-1.26x for the copy
// sets, 1.27-1.33x for Start Game, 1.32-1.40x for the patch, 1.68-1.73x
// for End Game; on its disk, shared with other work, the times scattered
// too widely to say more than about 1.0x (0.94-1.23x, the patch 1.22-1.69x).
// In memory the difference goes:
// - in a copy set, a third to a half to the two statuses per file that the
//   bare copy does without (the source's before it is opened, the
//   destination's), under a tenth to the listing of each folder copied
//   into, the rest to the program's own work per file on its path texts
//   (joining, slashes, temporary names, its table of listings);
// - in End Game, about two thirds to comparing each destination with its
//   backup: one more opening and status a file, and a first read of up to
//   64 KB of each of the two, more bytes than the copy then moves; then the
//   statuses, the listings of the ten folders it sweeps, the marker read;
// - in Start Game, the same as in a copy set, plus a sixth to the
//   existence check of each destination and the marker synced alone, as
//   measured before the game folder's record joined it; the record, a
//   second small file synced alone, now adds its share, and so do the
//   checksums of the 2.4 MB exported and their record, a third. With
//   them, three runs gave in memory 1.16-1.22x of the limit (about 1.8x
//   bare) for Start Game, and one 0.97x for End Game, which now also asks
//   where the files go as the program does; on the disk 0.99-1.03x and
//   0.99x;
// - in the patch, about half to the fstat of each record file (it must be
//   a regular, writable file), the rest to the program's path texts and
//   its record buffer;
// - on a capitalised line, nearly all to the one listing of the levels
//   folder with its 10,000 or 100,000 more entries, which the sweep costs
//   in exact case as well. At 100,000 it was about 80 ms when measured on
//   its own, on the disk as in memory (30 the system's reading, the rest
//   the table of names folded to lower case); in the five runs these
//   lines took 70-110 ms more than the bare copy in memory (20-27x bare)
//   and 80-150 ms more on the disk (2.1-3.4x bare). Against exact case
//   they were 1.06-1.18x at 10,000 in memory, 0.99-1.03x at 100,000.
//
// The data is game-like (level files of 86-100 KB, 616-byte headers, script
// files of a few KB, 144-byte attribute records; about 2.4 MB a set), the
// files the program exports differing from the game's own. Whatever a case
// needs in place before it runs (exported files in the game's folder, a
// marker naming that folder and its record there for End Game, no session
// for Start Game) is put there before every run, and synced, outside the
// timed part; each size of the capitalised cases begins with the game's
// own files and no session. The program and what it is judged against run
// once untimed, their steps recorded for the case's checks, then the
// program, its limit and the bare copy take turns, their order going
// through the six orders of three, for kDiskRuns runs each on the disk and
// kMemoryRuns in memory. Each line names its file system, prints the
// medians and the range of the program and of what it is judged against
// (its limit, or on the last cases the same operation in exact case), then
// the program's median over the bare copy's, as N.NNx bare, and ends with
// the program's median over the other one's, as N.NNx. A case that fails
// (an error, a check not met) prints why in place of its line, and the
// cases after it run. A summary at the end says of each line whether it
// failed, or whether that last ratio is within its target; the bare ratio
// is for information and has none.
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
// An argument picks the cases whose name holds it. "--short" runs a short
// pass: every case kShortRuns times, its checks made and its times printed
// but not judged (for a test on a busy machine). The exit status is 1 when
// a case failed (or none ran); otherwise, in the full run, 2 when a line
// missed its target, and 0.
//
// The files: NativePaths (paths, syncs, file systems), GameData (the data),
// Harness (the turns, the lines, the summary), Limits and BareCopies (what
// the program is measured against), this one (the cases).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "BareCopies.h"
#include "GameData.h"
#include "Harness.h"
#include "Limits.h"
#include "NativePaths.h"
#include "app/BackupTree.h"
#include "app/ConfigFiles.h"
#include "app/CopySet.h"
#include "app/ExportRecord.h"
#include "app/GameFolderRecord.h"
#include "app/RecordText.h"
#include "app/Records.h"
#include "forms/headless/Headless.h"
#include "platform/CopySet.h"
#include "platform/FileFaults.h"
#include "platform/FileOperation.h"
#include "platform/Folders.h"
#include "platform/PathNotation.h"
#include "skirmish/CopySets.h"
#include "standin/StandIn.h"

namespace {

using namespace bench;
namespace fs = std::filesystem;

constexpr int kFewerEntries = 10000;
constexpr int kMoreEntries = 100000;
constexpr double kSetTarget = 1.25;
constexpr double kPatchTarget = 2.0;
constexpr double kCaseTarget = 1.25;

// Both phases of the rows between two folders, each copied as one set by
// `copy`, the limit's or the bare one.
Work phased(void (*copy)(const FileList&), const std::vector<app::CopyRow>& rows,
            const std::string& from, const std::string& to, std::function<void()> setup = {}) {
    return {[copy, phases = nativePhases(rows, from, to)] {
                for (const FileList& phase : phases) {
                    copy(phase);
                }
            },
            std::move(setup)};
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
          game_((root_ / "game").string()),
          pristine_((root_ / "pristine").string()) {}

    ~Bench() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void run() {
        std::printf("%s: %s\n", fileSystem_.c_str(), root_.parent_path().c_str());
        std::fflush(stdout);
        if (!attempt(cases_, fileSystem_, "set-up", [this] { setUp(); })) {
            return;
        }
        // The game holds its own files after each of these but the last, for
        // the next.
        copySets();
        patch();
        endGame(game_, "End Game (Restore)");
        startGame(game_, "Start Game (session record, CopyPhase 1+2)");

        const bool anyCapitalised = [] {
            for (int entries : {kFewerEntries, kMoreEntries}) {
                for (const char* operation : {"backup", "Start Game", "End Game"}) {
                    if (wanted(capitalisedCase(operation, entries))) {
                        return true;
                    }
                }
            }
            return false;
        }();
        if (!anyCapitalised) {
            return;
        }
        // Both folders are made once and filled up between the sizes.
        const std::string exact = (root_ / "exact" / "game").string();
        const std::string mixed = (root_ / "capitalised" / "game").string();
        if (!attempt(cases_, fileSystem_, "set-up, capitalised", [&] {
                fs::create_directories(exact);
                fs::copy(pristine_, exact, fs::copy_options::recursive);
                copyRenamed(exact, mixed, capitalised);
            })) {
            return;
        }
        int entries = 0;
        for (int more : {kFewerEntries, kMoreEntries}) {
            const bool ready = attempt(cases_, fileSystem_, capitalisedCase("set-up", more), [&] {
                addEntries(fs::path(exact) / "levels", entries, more);
                addEntries(fs::path(mixed) / "Levels", entries, more);
                // Each size begins as the first did: the game's own files,
                // no session.
                ownFiles(exact)();
                ownFiles(mixed)();
                syncAll(root_.string());
            });
            entries = more;
            if (!ready) {
                return;
            }
            capitalisedAgainstExact(exact, mixed, entries);
        }
    }

private:
    // The stand-in program and game folders with game-like data, a copy of
    // the game's own files kept aside, and the first backup.
    void setUp() {
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
        fs::copy(game_, pristine_, fs::copy_options::recursive);
        // The program's paths are built on forms::App().Path.
        driver_.app().Path = program_;
        expect(tree_.Backup(game_).empty(), "first backup failed");
    }

    static std::string capitalisedCase(const std::string& operation, int entries) {
        return operation + ", capitalised, " + (entries == kFewerEntries ? "10,000" : "100,000") +
               " more";
    }

    fs::path programDir() const { return program_; }
    std::string marker() const { return program_ + "/BACKUP/export.pending"; }
    std::string sums() const { return program_ + "/BACKUP/export.sums"; }
    static std::string recordIn(const std::string& game) { return game + "/zekskirmish.session"; }
    // What the program writes there: its folder and that folder's identity.
    std::string recordText() const {
        return app::FolderRecordText({program_, platform::folderIdentity(program_)});
    }

    // A set of rows copied by the program, by its limit and bare.
    void copySet(const std::string& what, const std::vector<app::CopyRow>& rows,
                 const std::string& from, const std::string& to, std::function<void()> ours) {
        measure(cases_, fileSystem_, what, rows.size(), "limit", kSetTarget, {std::move(ours), {}},
                phased(limitCopySet, rows, from, to), phased(bareCopySet, rows, from, to));
    }

    void copySets() {
        auto program = [this] { return program_; };
        auto game = [this] { return game_; };
        copySet("backup (BackupGameFiles)", app::BackupSet(), game_, program_, [this] {
            platform::FileOperation operation;
            app::BackupGameFiles(operation, [this] { return game_; });
        });

        const std::vector<app::CopyRow> exported = skirmish::ExportSet("Easy");
        copySet("export Easy (CopyPhase 1+2)", exported, program_, game_, [&] {
            app::CopyPhase(exported, 1, program, game);
            app::CopyPhase(exported, 2, program, game);
        });

        const std::vector<app::CopyRow> restore = skirmish::RestoreSet();
        copySet("restore (CopyPhase 1, 2 skipping failures)", restore, program_, game_, [&] {
            app::CopyPhase(restore, 1, program, game);
            expect(app::CopyPhaseSkippingFailures(restore, 2, program, game).empty(),
                   "restore skipped files");
        });
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
                {[&] { limitPatch(native, flags); }, {}}, {[&] { barePatch(native, flags); }, {}});
    }

    // End Game's state: the export's files in the game folder, every one
    // differing from its backup, the marker of the session and its record in
    // the game folder.
    std::function<void()> exportedState(const std::string& game) {
        const std::vector<app::CopyRow> exported = skirmish::ExportSet("Easy");
        FileList files = nativeRows(exported, 1, program_, game);
        FileList second = nativeRows(exported, 2, program_, game);
        files.insert(files.end(), second.begin(), second.end());
        return [this, exported, files, game] {
            // The session put on record as the program does it: the marker
            // names this game folder (whichever the last run left a session
            // in) and no file the export created, every one being there;
            // then the game folder's record.
            platform::FileOperation operation;
            tree_.BeginSession(operation, game, exported);
            bareCopySet(files);
            syncAll(program_);
        };
    }

    // Start Game's state: no session, and no record of one in the game folder.
    std::function<void()> noSession(const std::string& game) {
        return [this, game] {
            for (const std::string& file : {marker(), sums(), recordIn(game)}) {
                if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
                    fail("unlink " + file);
                }
            }
            syncAll(program_);
            syncAll(game);
        };
    }

    // The state a game folder begins in: the game's own files (as made, in
    // the folder's spelling of their names) and no session.
    std::function<void()> ownFiles(const std::string& game) {
        std::vector<app::CopyRow> own;
        for (const app::CopyRow& row : app::BackupSet()) {
            own.push_back({row.source, row.source, row.phase});
        }
        FileList files;
        for (const FileList& phase : nativePhases(own, pristine_, game)) {
            files.insert(files.end(), phase.begin(), phase.end());
        }
        return [this, files, game] {
            bareCopySet(files);
            noSession(game)();
        };
    }

    std::function<void()> restoreOf(const std::string& game) {
        return [this, game] {
            // As End Game does it: where the files go back (the marker,
            // the game folder and its record), the record read again just
            // before, the files put back, and the records removed after
            // the last of them.
            // (The capitalised cases' folders are not the one backed up.)
            expect(
                tree_.RestoreTarget().problem != app::BackupTree::Target::Problem::NothingToRestore,
                "no session to end");
            expect(
                app::GameFolderRecord::Read(game).kind == app::GameFolderRecord::Holder::Kind::Ours,
                "the game folder is not this program's");
            const app::BackupTree::Outcome outcome = tree_.Restore(game, skirmish::RestoreSet());
            expect(!outcome.firstPhaseFailed && outcome.notRestored.empty(),
                   "restore failed: " + outcome.failedFile);
            tree_.EndSession(game);
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
            expect(
                app::GameFolderRecord::Read(game).kind == app::GameFolderRecord::Holder::Kind::None,
                "the game folder holds a record");
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
        RestoreWork work{marker(), sums(), recordIn(game), nativeFolders([&] {
                             std::vector<std::string> swept = app::BackupFolders();
                             for (const std::string& folder : app::GameFolders(game)) {
                                 swept.push_back(folder);
                             }
                             swept.push_back(program_ + "\\BACKUP");
                             swept.push_back(program_ + "\\CFG");
                             // For the record's temporaries.
                             swept.push_back(game);
                             return swept;
                         }()),
                         nativePhases(rows, program_, game)};
        const std::function<void()> setup = exportedState(game);
        measure(cases_, fileSystem_, what, rows.size(), "limit", kSetTarget,
                {restoreOf(game), setup}, {[work] { limitRestore(work); }, setup},
                phased(bareCopySet, rows, program_, game, setup),
                [&rows](const Steps& steps, const Steps&) {
                    expect(steps.renames == rows.size(), "End Game did not copy every file back");
                });
    }

    void startGame(const std::string& game, const std::string& what) {
        const std::vector<app::CopyRow> rows = skirmish::ExportSet("Easy");
        ExportWork work{platform::nativePath(program_ + app::BackupTree::kMarker),
                        platform::nativePath(program_ + app::ExportRecord::kName),
                        game + "\r\n",
                        recordIn(game),
                        recordText(),
                        {},
                        nativePhases(rows, program_, game)};
        platform::FileOperation operation;
        for (const app::CopyRow& row : rows) {
            work.rows.emplace_back(row.destination, operation.nativePath(game + row.destination));
        }
        const std::function<void()> setup = noSession(game);
        measure(cases_, fileSystem_, what, rows.size(), "limit", kSetTarget,
                {exportOf(game), setup}, {[work] { limitExport(work); }, setup},
                phased(bareCopySet, rows, program_, game, setup));
    }

    // The program on the capitalised folder against itself in exact case,
    // and against the bare copy of the same files in the capitalised one.
    void capitalisedAgainstExact(const std::string& exact, const std::string& mixed, int entries) {
        // Each operation lists the game's levels folder once, whatever the
        // case of its names, and puts as many files in place.
        auto listedOnce = [](const Steps& steps, const std::string& levels) {
            auto found = steps.listings.find(levels);
            expect(found != steps.listings.end() && found->second == 1,
                   levels + " not listed exactly once");
        };
        auto both = [&](const std::string& operation,
                        std::function<void()> (Bench::*of)(const std::string&),
                        std::function<void()> exactSetup, std::function<void()> mixedSetup,
                        const Work& bare) {
            measure(cases_, fileSystem_, capitalisedCase(operation, entries),
                    skirmish::RestoreSet().size(), "exact case", kCaseTarget,
                    {(this->*of)(mixed), mixedSetup}, {(this->*of)(exact), exactSetup}, bare,
                    [&](const Steps& ours, const Steps& exactCase) {
                        listedOnce(exactCase, exact + "/levels");
                        listedOnce(ours, mixed + "/Levels");
                        expect(ours.renames == exactCase.renames,
                               "not as many files put in place as in exact case (" +
                                   std::to_string(ours.renames) + " against " +
                                   std::to_string(exactCase.renames) + ")");
                    });
        };
        both("backup", &Bench::backupOf, {}, {},
             phased(bareCopySet, app::BackupSet(), mixed, program_));
        both("Start Game", &Bench::exportOf, noSession(exact), noSession(mixed),
             phased(bareCopySet, skirmish::ExportSet("Easy"), program_, mixed, noSession(mixed)));
        both("End Game", &Bench::restoreOf, exportedState(exact), exportedState(mixed),
             phased(bareCopySet, skirmish::RestoreSet(), program_, mixed, exportedState(mixed)));
    }

    forms::headless::Driver& driver_;
    std::vector<Case>& cases_;
    const std::string fileSystem_;
    const fs::path root_;
    const std::string program_;   // the program folder
    const std::string game_;      // the stand-in game folder
    const std::string pristine_;  // the game's own files, as made
    app::BackupTree tree_;
};

}  // namespace

int main(int argc, char** argv) {
    // copy_bench [--short] [part of a case's name]
    std::string part;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--short") {
            setShortPass(true);
        } else if (part.empty() && !arg.starts_with("--")) {
            part = arg;
        } else {
            std::fprintf(stderr, "usage: copy_bench [--short] [part of a case's name]\n");
            return 1;
        }
    }
    select(part);
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

    printHeading();
    forms::headless::Driver driver;
    std::vector<Case> cases;
    for (const fs::path& base : bases) {
        attempt(cases, base.string(), "the benchmark's folder", [&] {
            Bench bench(driver, base, cases);
            bench.run();
        });
    }

    std::printf("\ntargets: sets %.2fx of the limit, patch %.2fx, capitalised %.2fx of exact%s\n",
                kSetTarget, kPatchTarget, kCaseTarget,
                shortPass() ? " (the full run's; a short pass judges no timing)" : "");
    return printSummary(cases);
}
