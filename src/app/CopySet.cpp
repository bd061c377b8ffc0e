#include "app/CopySet.h"

#include <algorithm>
#include <cstdio>

#include "app/ConfigFiles.h"
#include "forms/Error.h"
#include "platform/CopySet.h"
#include "platform/FileError.h"
#include "platform/FileOperation.h"

namespace app {

// A phase is one commit of a platform::CopySet: every file's data is
// written first, reaches the disk in one sync, and only then replaces its
// destination.
void CopyPhase(const std::vector<CopyRow>& rows, int phase, const Base& sourceBase,
               const Base& destinationBase, std::size_t* copied, platform::CopySet* shared,
               IfSame ifSame) {
    platform::CopySet own;
    platform::CopySet& set = shared != nullptr ? *shared : own;
    const std::size_t before = set.placed();
    auto putInPlace = [&] {
        try {
            set.commit(platform::CopySet::OnFailure::Stop);
        } catch (...) {
            // Whatever the error, the caller learns what is in place.
            if (copied != nullptr) {
                *copied = set.placed() - before;
            }
            throw;
        }
        if (copied != nullptr) {
            *copied = set.placed() - before;
        }
    };
    try {
        for (const CopyRow& row : rows) {
            if (row.phase == phase) {
                set.add(sourceBase() + row.source, destinationBase() + row.destination,
                        platform::CopySet::IfSourceMissing::Fail, ifSame);
            }
        }
    } catch (const forms::RuntimeError&) {
        putInPlace();  // the copies before the failure stay
        throw;
    }
    putInPlace();
}

std::vector<CopyRow> CopyPhaseSkippingFailures(const std::vector<CopyRow>& rows, int phase,
                                               const Base& sourceBase, const Base& destinationBase,
                                               platform::CopySet* shared, IfSame ifSame) {
    platform::CopySet own;
    platform::CopySet& set = shared != nullptr ? *shared : own;
    std::vector<const CopyRow*> added;
    std::vector<bool> failed(rows.size(), false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].phase != phase) {
            continue;
        }
        try {
            if (set.add(sourceBase() + rows[i].source, destinationBase() + rows[i].destination,
                        platform::CopySet::IfSourceMissing::Fail, ifSame)) {
                added.push_back(&rows[i]);
            }
        } catch (const forms::RuntimeError&) {
            failed[i] = true;
        }
    }
    for (std::size_t position : set.commit(platform::CopySet::OnFailure::Skip)) {
        failed[static_cast<std::size_t>(added[position] - rows.data())] = true;
    }
    std::vector<CopyRow> result;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (failed[i]) {
            result.push_back(rows[i]);
        }
    }
    return result;
}

std::string levelName(int level) {
    return "levl" + std::to_string(2000 + level);
}

std::string scriptNumber(int number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", number);
    return digits;
}

std::vector<CopyRow> BackupSet() {
    std::vector<CopyRow> rows;
    for (int level = 1; level <= 25; ++level) {
        std::string file = "\\" + levelName(level) + ".dat";
        rows.push_back({"\\levels" + file, "\\BACKUP\\levels" + file, 1});
    }
    for (int level = 1; level <= 25; ++level) {
        std::string file = "\\" + levelName(level) + ".hdr";
        rows.push_back({"\\levels" + file, "\\BACKUP\\levels" + file, 1});
    }
    rows.push_back({"\\language\\lang00.dat", "\\BACKUP\\language\\lang00.dat", 1});
    // The export overwrites the game's save-game header too, so it is kept
    // with the rest; a game without one is no failure.
    rows.push_back({"\\SAVE\\savgam08.hdr", "\\BACKUP\\SAVE\\savgam08.hdr", 2});
    for (const char* kind : {"cpscr", "cpatr"}) {
        for (int number = 1; number <= 50; ++number) {
            std::string file = std::string("\\") + kind + scriptNumber(number) + ".dat";
            rows.push_back({"\\levels" + file, "\\BACKUP\\scripts" + file, 2});
        }
    }
    return rows;
}

void BackupGameFiles(platform::FileOperation& operation, const Base& gameDir) {
    if (gameDir().empty()) {
        throw forms::RuntimeError(forms::err::PathNotFound, "no Zekvarin directory is set");
    }
    std::vector<CopyRow> rows = BackupSet();
    platform::CopySet set(operation);
    CopyPhase(rows, 1, gameDir, ProgramDir, nullptr, &set);
    // The second phase is put in place whole or not at all: a copy that
    // fails for any reason but a missing file keeps every older copy.
    std::vector<const CopyRow*> lacking;
    for (const CopyRow& row : rows) {
        if (row.phase == 2 && !set.add(gameDir() + row.source, ProgramDir() + row.destination,
                                       platform::CopySet::IfSourceMissing::Skip)) {
            lacking.push_back(&row);
        }
    }
    set.commit(platform::CopySet::OnFailure::Stop);
    for (const CopyRow* row : lacking) {
        operation.removeRegularFile(ProgramDir() + row->destination);
    }
}

namespace {

// The folders the rows' paths lie in, each once, in the order first met.
std::vector<std::string> foldersOf(const std::string& base, bool sources) {
    static const std::vector<CopyRow> rows = BackupSet();
    std::vector<std::string> folders;
    for (const CopyRow& row : rows) {
        const std::string& path = sources ? row.source : row.destination;
        std::string folder = base + path.substr(0, path.find_last_of('\\'));
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(folder);
        }
    }
    return folders;
}

}  // namespace

std::vector<std::string> GameFolders(const std::string& gameDir) {
    return foldersOf(gameDir, true);
}

std::vector<std::string> BackupFolders() {
    return foldersOf(ProgramDir(), false);
}

}  // namespace app
