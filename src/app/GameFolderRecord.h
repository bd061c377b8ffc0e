// The record a program folder keeps in the game folder while a skirmish of
// its own is exported there, so that every other program folder set to the
// same game folder can see it.
//
// "\zekskirmish.session" in the game folder names the program folder: its
// path on the first line, its identity (device and inode) on the second. It
// is written before the export's first file and removed after End Game's
// last, so that the game folder is, after End Game, exactly as it was. While
// it names another program folder whose session is still in this game
// folder, the files there are that skirmish's, not the game's own: no other
// program folder backs them up, exports into the folder or restores over it.
#pragma once

#include <string>

#include "platform/FileOperation.h"

namespace app {

class GameFolderRecord {
public:
    static constexpr const char* kName = "\\zekskirmish.session";

    struct Holder {
        enum class Kind {
            None,        // no record: no program folder has a game there
            Ours,        // this program folder's, with its session there
            Other,       // another program folder's, with its session there
            Stale,       // a program folder that has no session there any more
            Unreadable,  // a record that cannot be read
        };
        Kind kind = Kind::None;
        std::string programFolder;  // as the record names it
        std::string why;            // Unreadable: "file: the system's reason"
        bool namesThisProgram = false;
    };
    // Who holds the game folder. A record whose program folder cannot be
    // looked into counts as held: its session may be there.
    static Holder Read(const std::string& gameDir);

    // Names this program folder in the game folder, durably. Raises a
    // forms::RuntimeError when it cannot be written.
    static void Write(platform::FileOperation& operation, const std::string& gameDir);
    // Removes the record. Raises when it is there and stays.
    static void Remove(const std::string& gameDir);
};

}  // namespace app
