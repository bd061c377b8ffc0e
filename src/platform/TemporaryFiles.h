// Internal to the file layer: the names of the program's own temporary
// files and the removal of the ones a killed copy left. Such a name is
// ".NAME.zektmp-XXXXXX" beside the file NAME it will become; only the program
// writes such names, and only while a copy is under way. The single-instance
// lock on the program folder means that one found before a copy starts is a
// leftover of a copy that was killed, and may go.
#pragma once

#include <fcntl.h>

#include <string>

namespace platform::detail {

class Listing;

bool isOwnTemporary(const std::string& name);
// Whether a temporary file name is one for a file called `name`.
bool isTemporaryOf(const std::string& temporary, const std::string& name);

// A fresh temporary name for a file to be called `name`.
std::string temporaryName(const std::string& name);

// Removes the program's own temporary files that the listing of `folder`
// found there, through the folder's descriptor when one is open; with
// `only`, just the temporaries of a file of that name.
void sweepListed(Listing& listing, const std::string& folder, int folderFd = AT_FDCWD,
                 const std::string& only = {});

}  // namespace platform::detail
