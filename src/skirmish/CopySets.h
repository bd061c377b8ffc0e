// The export into the game's folder and the restore out of the backup tree.
#pragma once

#include <string>
#include <vector>

#include "app/CopySet.h"

namespace skirmish {

// The 152 copies of one difficulty from the program folder into the game
// folder: the language file, the save-game header, the 25 level data files
// and the 25 headers (phase 1), then the difficulty's 50 scripts and 50
// attribute files into the game's levels folder (phase 2). The folder word
// is "Easy", "Medium" or "Hard".
std::vector<app::CopyRow> ExportSet(const std::string& folderWord);

// The 152 copies from the backup tree back into the game folder: the level
// data files, the headers and the language file (phase 1), then the
// save-game header, the scripts and the attribute files (phase 2).
std::vector<app::CopyRow> RestoreSet();

}  // namespace skirmish
