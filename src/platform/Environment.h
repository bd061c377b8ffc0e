// Environment variables in texts: "%NAME%" stands for the variable's value.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Expands every "%NAME%" of `source` (read up to its first NUL) with the
// value of the environment variable NAME. A name that is not set, an empty
// name ("%%") and a lone "%" stay as they are.
//
// The classic buffer contract, which callers size their buffers by: when the
// expansion and its ending NUL fit in `size` characters they are written over
// the start of `buffer` (grown to `size` if it is shorter; the rest is left
// as it was). Returns the characters the expansion needs, its NUL included;
// a result above `size` means nothing was written.
std::uint32_t ExpandEnvironmentStrings(const std::string& source, std::string& buffer,
                                       std::uint32_t size);

}  // namespace platform
