// The backup tree in the program folder, and the skirmish session it keeps.
//
// Everything here lives on disk, so that it outlasts the program: a user may
// leave while a game runs, and the next start must know that the game's own
// files wait in the backup tree.
//
// - "\BACKUP\backup.source" names the game directory of the last complete
//   backup: its path text on the first line, and on the second the folder's
//   identity (device and inode, and its birth time on a fourth line where
//   known: see FolderRecord), since another folder may stand at the same
//   path later. A backup first removes it and writes it again only once
//   every copy is done, so a backup that stopped half-way belongs to no
//   folder.
// - "\BACKUP\export.pending", the session marker, is written before the
//   export's first copy. Its first line names the game directory exported
//   to; each further line names a file the export created there (one the
//   game directory did not have at all), so that End Game can remove it
//   again. Where that path was a link to a missing file, the file the
//   export created is the link's target: the line then holds the path, a
//   tab and the target's native path. A line "program", a tab and the
//   program folder's record (its path and identity, as in backup.source,
//   on one line: see EscapedLine) names the program folder the session was
//   started in: a copy of that folder holds the same marker, but not the
//   session. While the marker exists the tree
//   holds the game's own files: no backup runs, and Main stays in the
//   game-running state until End Game has put every backed-up file back.
// - "\BACKUP\export.sums" records the checksums of the files the session's
//   exports wrote into the game folder (see ExportRecord), for End Game to
//   tell whether the skirmish is still there once the game folder's record
//   of it is gone. Older versions neither write nor read it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/CopySet.h"
#include "app/ExportRecord.h"
#include "app/Failures.h"
#include "app/RecordText.h"
#include "platform/FileOperation.h"
#include "platform/Folders.h"

namespace app {

class BackupTree {
public:
    static constexpr const char* kSource = "\\BACKUP\\backup.source";
    static constexpr const char* kMarker = "\\BACKUP\\export.pending";

    // The tree of the running program's folder, or, to look at its session
    // only, of another program folder.
    BackupTree() = default;
    explicit BackupTree(std::string programFolder) : programFolder_(std::move(programFolder)) {}

    // ---- The backup

    // Copies the BackupSet from the game directory into the tree, after
    // sweeping the program's leftover temporary files from every folder
    // involved (see BackupGameFiles). Any error at all fails the backup,
    // which then names no folder.
    struct Failure {
        std::string what;  // "file: the system's reason"; empty: the backup is complete
        FailurePlace place;
        bool empty() const { return what.empty(); }
    };
    Failure Backup(const std::string& gameDir) const;
    // Makes the tree the backup of no folder (its files stay).
    void Forget() const;

    // ---- The session

    enum class Session {
        None,     // no exported game waits to be ended
        Pending,  // one does: the tree holds the game's own files
        Unknown   // the tree cannot be read, so it may hold them
    };
    // `why`, when given, receives "folder: the system's reason" for Unknown.
    Session State(std::string* why = nullptr) const;
    // Whether the tree may hold the game's own files: a session that cannot
    // be told counts, since the game's files must not be backed up over.
    bool SessionPending() const { return State() != Session::None; }
    // Whether the tree may hold the own files of this game folder: a session
    // is pending and names that folder, or it cannot be told that it names
    // another (the tree or the marker cannot be read, the folder it names is
    // gone or was re-attached).
    bool SessionMayBeIn(const std::string& gameDir) const;
    // Whether this program folder's session was started in the program
    // folder `program` names (its path and identity as recorded), and is
    // its own: this folder is that one, moved, not a copy of it.
    bool SessionStartedIn(const FolderRecord& program) const;

    // Puts the session on record before an export of these rows into the
    // folder, within the export's file operation: first the marker, naming
    // the files the export will create (and those an earlier export of the
    // same session created), so that every exit leads back to End Game;
    // then the record of what the export writes (ExportRecord), for a
    // session whose earlier exports are all on record; then the game
    // folder's record (GameFolderRecord), so that no other program folder
    // takes the folder's files for the game's own. Raises when a record
    // cannot be written.
    void BeginSession(platform::FileOperation& operation, const std::string& gameDir,
                      const std::vector<CopyRow>& exportRows) const;
    // Takes the session off record, in the reverse order: the game folder's
    // record (RemoveGameFolderRecord), then this folder's (DropSession).
    void EndSession(const std::string& gameDir) const;
    // Removes the game folder's record. Raises when it stays, and the
    // session with it.
    void RemoveGameFolderRecord(const std::string& gameDir) const;
    // Ends the session in this program folder alone: the marker goes, then
    // the record of the export's files. Raises when the marker stays.
    void DropSession() const;

    // Removes the program's leftover temporary files from the folders of the
    // copy sets: the game's, the backup tree's and the configuration's.
    void SweepTemporaries(const std::string& gameDir) const;

    // ---- The restore

    // Where End Game puts the files back, and when it may not, why.
    struct Target {
        enum class Problem {
            None,
            Unreadable,        // the marker cannot be read
            NotNamed,          // it names no folder (empty, or only line ends)
            NotFullPath,       // it names no full path ("." or garbage)
            Missing,           // the folder does not exist
            NotBackedUp,       // the folder is not the one the backup came from
            CannotTell,        // the backup does not say which folder it came from
            NothingToRestore,  // no session: nothing was exported
            // The session was started in another program folder, `folder`,
            // which still stands at its path: this one is a copy of it, and
            // its backup is not the one to restore. While that folder's game
            // may still be in progress, the copy keeps its session too:
            // should that folder go, the copy's backup is the last of the
            // game's own files.
            CopiedSession,
            // The same, and that folder's game has been ended there: the
            // game's files are back, and the copy's session may go.
            CopiedSessionEnded,
            // The game folder's record names the program folder the session
            // was started in, `folder`, and whether that one still stands
            // at its path cannot be looked up: `why` says why.
            CopiedUnknown,
            // The game folder's record of the session is gone, and no file
            // the exports wrote into `folder` holds what they wrote: the
            // game has been ended elsewhere, and putting the backup back
            // could only undo what the game saved since.
            EndedElsewhere
        };
        Problem problem = Problem::None;
        std::string folder;  // the folder named (empty when none is)
        std::string why;     // CopiedUnknown: "folder: the system's reason"
    };
    // The folder the marker names, usable only when it is the full path of
    // an existing folder and the very folder the backup came from. The game
    // folder is the witness of whose skirmish is there:
    // - while its record names the folder the session was started in, and
    //   this one is another (a copy, or the folder moved by hand), the
    //   session is this folder's to end only when nothing stands at that
    //   folder's path for certain;
    // - once its record is gone (or names a folder without a session there
    //   any more), the files the exports wrote decide (ExportRecord): the
    //   skirmish is there while one of them still holds what was written;
    // - a record of another program folder's, or one that cannot be read,
    //   is for the caller to refuse (Main::GameFolderFree).
    // A session without a record of its export's files, and a game folder
    // that is not the one backed up, are judged by the session alone: a
    // copy restores only once the folder it was copied from no longer
    // stands at its path, and drops its session once that folder's game
    // has ended there.
    Target RestoreTarget() const;

    struct Outcome {
        bool firstPhaseFailed = false;
        // "file: the system's reason", for the first phase's failure and for
        // every later file that is not as it was.
        std::string failedFile;
        std::vector<std::string> notRestored;
    };
    // Puts the rows' backups into the folder. A destination that already
    // holds its backup's bytes is left alone (it may be read-only). A file
    // the export created is removed; a folder or a link in its place is the
    // user's and stays. The first failure of the first phase ends the
    // restore; later ones are collected.
    Outcome Restore(const std::string& folder, const std::vector<CopyRow>& restoreRows) const;

private:
    std::string programFolder_;  // empty: the running program's
    std::string programFolder() const;

    struct Created {
        std::string destination;  // relative to the game directory
        std::string target;       // the native path created through a link, if any
    };
    struct Marker {
        std::string text;  // the whole file
        std::string folder;
        std::vector<Created> created;
        std::optional<FolderRecord> program;  // the program folder it was started in
    };
    // Whether a session started in the program folder `program` names is
    // another folder's, one that still stands at its path.
    bool CopiedFrom(const std::optional<FolderRecord>& program) const;
    // Raises forms::RuntimeError when the marker cannot be read.
    Marker ReadMarker() const;
    // The record of the export's files written with this marker, if it is
    // there and whole.
    std::optional<ExportRecord> ReadExportRecord(const Marker& marker) const;
    // Whether this program folder is not the one the session was started
    // in, by identity: a copy of it, or the folder moved by hand.
    bool IsCopy(const Marker& marker) const;
    // The restore target of the folder the marker names, by the folder
    // alone; and, where that `target` is usable (the game folder is the one
    // backed up), the judgement its record and files give (RestoreTarget).
    Target FolderTarget(const std::string& folder) const;
    std::optional<Target> JudgedByGameFolder(const Marker& marker, const Target& target) const;
    // The record of the last complete backup; nothing when there is none.
    std::optional<FolderRecord> ReadSource() const;
    void Sweep(platform::FileOperation& operation, const std::string& gameDir) const;
};

}  // namespace app
