// A check of a compiled help file's layout, made before chmlib sees it.
//
// chmlib takes every number in a file's headers and directory on trust: it
// divides by the block sizes they give, allocates the lengths they claim and
// follows the chunk links wherever they point. One damaged byte can then end
// the whole program (a division by zero, an allocation of gigabytes, a walk
// that never ends, a read past a buffer). This check reads the same numbers
// first and passes the file on only when each of them stays inside the file
// and can be used as chmlib uses it.
#pragma once

#include <string>

namespace platform {

// True when the file's headers, directory chunks, directory entries and the
// description of its compressed section are all within the file and sound;
// false for anything else, including a file that cannot be read.
bool compiledHelpLayoutIsSound(const std::string& nativePath);

}  // namespace platform
