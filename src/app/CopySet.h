// The fixed lists of whole-file copies between the game's folder, the
// program's folder and the backup tree, and how a list is copied.
//
// A row names a relative source and destination path, each beginning with
// "\", and the phase it belongs to. The two bases (a directory text each)
// are fetched afresh for every copy and joined by plain concatenation.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/CopySet.h"
#include "platform/FileOperation.h"

namespace app {

struct CopyRow {
    std::string source;
    std::string destination;
    int phase;
};

using Base = std::function<std::string()>;

// Each phase is put in place as a whole: its copies are on disk when the
// call returns. The phases of one list may share a platform::CopySet (`set`)
// so that the folders they look names up in are listed once for the list.

// With `IfSame::Skip`, a destination that already holds its source's bytes
// is left alone.
using IfSame = platform::CopySet::IfSame;

// Copies the rows of one phase in order. The first failure raises its
// forms::RuntimeError; the copies made before it stay, and `copied` (when
// given) tells how many there were, after an error of any other kind too.
void CopyPhase(const std::vector<CopyRow>& rows, int phase, const Base& sourceBase,
               const Base& destinationBase, std::size_t* copied = nullptr,
               platform::CopySet* set = nullptr, IfSame ifSame = IfSame::Copy);

// Copies the rows of one phase in order, skipping each copy that fails.
// Returns the rows that failed.
std::vector<CopyRow> CopyPhaseSkippingFailures(const std::vector<CopyRow>& rows, int phase,
                                               const Base& sourceBase, const Base& destinationBase,
                                               platform::CopySet* set = nullptr,
                                               IfSame ifSame = IfSame::Copy);

// "levl2001" .. "levl2025" for levels 1-25, "001" .. "050" for scripts 1-50.
std::string levelName(int level);
std::string scriptNumber(int number);

// The backup taken from the game's folder at every start: the 25 level data
// files, the 25 headers and the language file (phase 1, any failure ends the
// program), then the save-game header, the 50 computer-player scripts and
// the 50 attribute files (phase 2, failures skipped). Sources are relative
// to the game directory, destinations to the program folder.
std::vector<CopyRow> BackupSet();

// Copies the BackupSet from the game directory (the text the function gives,
// fetched for every copy) into the program's backup tree, within one file
// operation. A phase-2 file the game does not have at all leaves no older
// copy behind, since End Game would bring it back in place of nothing. Any
// other failure (a first-phase file missing, a file that cannot be read or
// is not a regular file, a full disk) fails the whole backup, and the
// second phase's older copies stay as they were. An empty game directory
// fails too: it would make every source a path from the root of the file
// system. Raises the first failure: a forms::RuntimeError (a file error
// naming its file where one failed), or any other error on the way.
void BackupGameFiles(platform::FileOperation& operation, const Base& gameDir);

// The folders of the BackupSet on the game's side (its `levels`,
// `language` and `SAVE` folders, which the export and the restore write
// into too) and on the backup tree's side, as path texts.
std::vector<std::string> GameFolders(const std::string& gameDir);
std::vector<std::string> BackupFolders();

}  // namespace app
