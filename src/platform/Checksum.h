// Checksums of file contents, to tell later whether a file still holds what
// the program wrote into it: 64-bit XXH3 from libxxhash, fast enough to run
// over every file an export writes. It tells apart contents that differ by
// accident, not ones forged to match, which no one here has a reason to do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class FileOperation;

using Checksum = std::uint64_t;

Checksum checksumOf(std::string_view bytes);

// The checksum of a file's content, links followed, its path looked up as
// the operation looks up its paths (in another case where need be).
// Nothing when nothing is at the path; raises a FileError when what is
// there is no regular file or cannot be read.
std::optional<Checksum> fileChecksum(FileOperation& operation, const std::string& path);

// Sixteen hexadecimal digits, and back: nothing for any other text.
std::string checksumText(Checksum checksum);
std::optional<Checksum> parseChecksum(std::string_view text);

}  // namespace platform
