#include "skirmish/CopySets.h"

namespace skirmish {

using app::CopyRow;

std::vector<CopyRow> ExportSet(const std::string& folderWord) {
    std::vector<CopyRow> rows;
    rows.push_back({"\\language\\lang00.dat", "\\language\\lang00.dat", 1});
    rows.push_back({"\\SAVE\\savgam08.hdr", "\\SAVE\\savgam08.hdr", 1});
    for (const char* extension : {".dat", ".hdr"}) {
        for (int level = 1; level <= 25; ++level) {
            std::string file = "\\levels\\" + app::levelName(level) + extension;
            rows.push_back({file, file, 1});
        }
    }
    for (const char* kind : {"cpscr", "cpatr"}) {
        for (int number = 1; number <= 50; ++number) {
            std::string file = std::string("\\") + kind + app::scriptNumber(number) + ".dat";
            rows.push_back({"\\CPUScripts\\" + folderWord + file, "\\levels" + file, 2});
        }
    }
    return rows;
}

// The restore is the backup run backwards: the same rows, in the same
// order, with source and destination swapped.
std::vector<CopyRow> RestoreSet() {
    std::vector<CopyRow> rows = app::BackupSet();
    for (CopyRow& row : rows) {
        std::swap(row.source, row.destination);
    }
    return rows;
}

}  // namespace skirmish
