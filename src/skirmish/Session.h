// The export session: whether the game's folder holds an exported skirmish
// whose own files wait in the backup tree.
//
// The export writes a marker into the backup tree before its first copy,
// naming the game directory it exports to; a completed End Game deletes it.
// While the marker exists the backup tree holds the game's own files, so
// the next start must not back up again (that would put the exported files
// in their place), End Game restores into the folder the marker names, and
// Main stays in the game-running state until End Game has run.
#pragma once

#include <string>

namespace app {
class Main;
}

namespace skirmish {

constexpr const char* kSessionMarker = "\\BACKUP\\export.pending";

bool SessionPending();
// The game directory the pending export went to.
std::string SessionGameDir();
// Writes the marker; raises forms::RuntimeError when it cannot.
void BeginSession(const std::string& gameDir);
// Deletes the marker, if any.
void EndSession();

// Main's buttons: the start state (Start and Exit enabled, End Game
// disabled) and the game-running state (the reverse).
void SetStartState(app::Main& main);
void SetGameRunningState(app::Main& main);

}  // namespace skirmish
