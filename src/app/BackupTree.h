// The backup tree in the program folder, and the skirmish session it keeps.
//
// Everything here lives on disk, so that it outlasts the program: a user may
// leave while a game runs, and the next start must know that the game's own
// files wait in the backup tree.
//
// - "\BACKUP\backup.source" names the game directory of the last complete
//   backup. A backup first removes it and writes it again only once every
//   copy is done, so a backup that stopped half-way belongs to no folder.
// - "\BACKUP\export.pending", the session marker, is written before the
//   export's first copy. Its first line names the game directory exported
//   to; each further line names a file the export created there (one the
//   game directory did not have), so that End Game can remove it again.
//   While the marker exists the tree holds the game's own files: no backup
//   runs, and Main stays in the game-running state until End Game has put
//   every backed-up file back.
#pragma once

#include <string>
#include <vector>

#include "app/CopySet.h"

namespace app {

class BackupTree {
public:
    static constexpr const char* kSource = "\\BACKUP\\backup.source";
    static constexpr const char* kMarker = "\\BACKUP\\export.pending";

    // ---- The backup

    // Copies the BackupSet from the game directory into the tree. The tree
    // then holds exactly what the game directory held: a file the game lacks
    // (or that cannot be read) leaves no older copy behind. Returns false
    // when a copy of the first phase failed, which ends the backup; an empty
    // game directory counts as such a failure, since it would make every
    // source a path from the root of the file system.
    bool Backup(const std::string& gameDir) const;
    // Whether the tree holds a complete backup of that folder.
    bool HoldsBackupOf(const std::string& gameDir) const;

    // ---- The session

    // Whether an exported game waits to be ended. A marker that cannot be
    // read still counts: the game's files must not be backed up over.
    bool SessionPending() const;
    // Writes the marker before an export of these rows into the folder,
    // naming the destinations the folder does not have yet (and those an
    // earlier export of the same session created). Raises
    // forms::RuntimeError when the marker cannot be written.
    void BeginSession(const std::string& gameDir, const std::vector<CopyRow>& exportRows) const;
    void EndSession() const;

    // ---- The restore

    // Where End Game puts the files back, and when it may not, why.
    struct Target {
        enum class Problem {
            None,
            Unreadable,       // the marker cannot be read
            NotNamed,         // it names no folder (empty, or only line ends)
            NotFullPath,      // it names no full path ("." or garbage)
            Missing,          // the folder does not exist
            NotBackedUp,      // the folder is not the one the backup came from
            NothingToRestore  // no session, and no complete backup
        };
        Problem problem = Problem::None;
        std::string folder;  // the folder named (empty when none is)
    };
    // With a session, the folder the marker names, usable only when it is
    // the full path of an existing folder and the very folder the backup
    // came from. Without one, the folder the backup came from, if any.
    Target RestoreTarget() const;

    struct Outcome {
        bool firstPhaseFailed = false;
        // "file: the system's reason", for the first phase's failure and for
        // every later file that is not as it was.
        std::string failedFile;
        std::vector<std::string> notRestored;
    };
    // Puts the rows' backups into the folder. A destination that already
    // holds its backup's bytes is left alone (it may be read-only). A row
    // without a backup whose file the export created is removed. The first
    // failure of the first phase ends the restore; later ones are collected.
    Outcome Restore(const std::string& folder, const std::vector<CopyRow>& restoreRows) const;

private:
    struct Marker {
        std::string folder;
        std::vector<std::string> created;
    };
    // Raises forms::RuntimeError when the marker cannot be read.
    Marker ReadMarker() const;
    std::string Source() const;
};

}  // namespace app
