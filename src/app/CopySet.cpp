#include "app/CopySet.h"

#include <cstdio>

#include "app/ConfigFiles.h"
#include "forms/Error.h"
#include "platform/Files.h"

namespace app {

void CopyPhase(const std::vector<CopyRow>& rows, int phase, const Base& sourceBase,
               const Base& destinationBase, std::size_t* copied) {
    if (copied != nullptr) {
        *copied = 0;
    }
    for (const CopyRow& row : rows) {
        if (row.phase == phase) {
            platform::copyFile(sourceBase() + row.source, destinationBase() + row.destination);
            if (copied != nullptr) {
                ++*copied;
            }
        }
    }
}

std::vector<CopyRow> CopyPhaseSkippingFailures(const std::vector<CopyRow>& rows, int phase,
                                               const Base& sourceBase,
                                               const Base& destinationBase) {
    std::vector<CopyRow> failed;
    for (const CopyRow& row : rows) {
        if (row.phase != phase) {
            continue;
        }
        try {
            platform::copyFile(sourceBase() + row.source, destinationBase() + row.destination);
        } catch (const forms::RuntimeError&) {
            failed.push_back(row);
        }
    }
    return failed;
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

bool BackupGameFiles(const Base& gameDir) {
    if (gameDir().empty()) {
        return false;
    }
    std::vector<CopyRow> rows = BackupSet();
    try {
        CopyPhase(rows, 1, gameDir, ProgramDir);
    } catch (const forms::RuntimeError&) {
        return false;
    }
    CopyPhaseSkippingFailures(rows, 2, gameDir, ProgramDir);
    return true;
}

}  // namespace app
