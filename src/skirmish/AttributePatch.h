// Writes the availability record into characters 81-86 of the attribute
// record of every computer player of the three difficulties.
#pragma once

namespace app {
class Main;
}

namespace skirmish {

// Patches the 150 files in order (Easy, Medium, Hard; 001 to 050). A file
// that cannot be read or written stops the patch with one message naming
// it; the files before it stay patched. Returns false after such a failure.
bool PatchAttributes(app::Main& main);

}  // namespace skirmish
