// The record a program folder keeps in the game folder while a skirmish of
// its own is exported there, so that every other program folder set to the
// same game folder can see it.
//
// "\zekskirmish.session" in the game folder names the program folder as a
// FolderRecord: its path on the first line, its identity (device and
// inode) on the second, and its birth time on a fourth where known. It
// is written before the export's first file and removed after End Game's
// last, so that the game folder is, after End Game, exactly as it was. While
// it names another program folder whose session is still in this game
// folder, the files there are that skirmish's, not the game's own: no other
// program folder backs them up, exports into the folder or restores over it.
#pragma once

#include <optional>
#include <string>

#include "platform/FileOperation.h"
#include "platform/Folders.h"

namespace app {

class GameFolderRecord {
public:
    static constexpr const char* kName = "\\zekskirmish.session";
    // The same without its separator: the only name of the game folder's
    // top level whose leftover temporary files are the program's to sweep.
    static constexpr const char* kFileName = kName + 1;

    struct Holder {
        enum class Kind {
            None,        // no record: no program folder has a game there
            Ours,        // this program folder's, with its session there
            Other,       // another program folder's, with its session there
            Stale,       // a program folder that has no session there any more,
                         // or a path that can name no folder
            Unreadable,  // a record that cannot be read
        };
        // Unreadable: what is wrong with the record.
        enum class Trouble {
            ReadError,     // the system could not read it
            AccessDenied,  // the program may not read it
            NotAFile,      // a folder or something else stands in its place
        };
        Kind kind = Kind::None;
        std::string programFolder;                         // as the record names it
        std::optional<platform::FolderIdentity> identity;  // the same
        std::string file;                                  // the record's native path
        std::string why;  // Unreadable: "file: the system's reason"
        Trouble trouble = Trouble::ReadError;
        bool namesThisProgram = false;
        // Other: another folder stands at the path the record names, so the
        // program folder it names was moved (or replaced), and where it is
        // now cannot be told.
        bool movedAway = false;
    };
    // Who holds the game folder. The record is found whatever the case of
    // the game folder's path, as the game's own files are. When it holds an
    // identity, the identity decides whether it names this program folder.
    // A record whose program folder cannot be looked into counts as held:
    // its session may be there. A game folder path that can name no folder
    // (a name or the whole too long for the system) holds no record.
    static Holder Read(const std::string& gameDir);

    // Names this program folder in the game folder, durably. Raises a
    // forms::RuntimeError when it cannot be written.
    static void Write(platform::FileOperation& operation, const std::string& gameDir);
    // Removes the record. Raises when it is there and stays.
    static void Remove(const std::string& gameDir);
};

}  // namespace app
