#include "platform/Checksum.h"

#include <xxhash.h>

#include <charconv>
#include <memory>

#include "platform/FileOperation.h"
#include "platform/FileSystemCalls.h"

namespace platform {

using namespace detail;

Checksum checksumOf(std::string_view bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

std::optional<Checksum> fileChecksum(FileOperation& operation, const std::string& path) {
    const std::string native = operation.nativePath(path);
    Fd in = openForReading(native);
    if (in.get() < 0) {
        if (missing(errno)) {
            return std::nullopt;
        }
        raise(errno, native);
    }
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                   &XXH3_freeState);
    if (!state || XXH3_64bits_reset(state.get()) != XXH_OK) {
        throw std::bad_alloc();
    }
    constexpr std::size_t kChunk = 1 << 16;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
    while (const std::size_t n = readSome(in.get(), buffer.get(), kChunk, native)) {
        XXH3_64bits_update(state.get(), buffer.get(), n);
    }
    return XXH3_64bits_digest(state.get());
}

std::string checksumText(Checksum checksum) {
    char digits[17];
    const auto end = std::to_chars(digits, digits + 16, checksum, 16).ptr;
    std::string text(digits, end);
    text.insert(0, 16 - text.size(), '0');
    return text;
}

std::optional<Checksum> parseChecksum(std::string_view text) {
    Checksum checksum = 0;
    const char* end = text.data() + text.size();
    if (text.size() != 16 || std::from_chars(text.data(), end, checksum, 16).ptr != end) {
        return std::nullopt;
    }
    return checksum;
}

}  // namespace platform
