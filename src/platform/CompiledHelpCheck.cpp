#include "platform/CompiledHelpCheck.h"

#include <chm_lib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

// The layout, as chmlib reads it:
//
//   file header ("ITSF")  version, the header sections' places, where the
//                         directory lies and where the content area starts
//   directory header      ("ITSP" at the directory's start) the chunk size,
//                         the number of chunks, the first listing chunk and
//                         the root of the index tree
//   directory chunks      listing chunks ("PMGL"), linked first to last,
//                         holding entries (name, section, offset, length);
//                         index chunks ("PMGI"), a tree over them
//   section 0             stored as is in the content area
//   section 1             compressed in blocks, described by three entries
//                         of section 0: its control data (window size, reset
//                         interval), its reset table (block size, lengths,
//                         where each compressed block starts) and its content
//
// Every number below is checked against the file's size, or against what
// chmlib assumes of it (that it is non-zero where it divides, that a block
// fits its buffers, that a chunk link leads somewhere new).

namespace platform {

namespace {

using u64 = std::uint64_t;

constexpr u64 kFileHeaderV2 = 0x58;
constexpr u64 kFileHeaderV3 = 0x60;  // chmlib reads this much of any file
constexpr u64 kDirectoryHeader = 0x54;
constexpr u64 kListingHeader = 0x14;
constexpr u64 kIndexHeader = 0x08;
// Compilers write 4 KB chunks; chmlib allocates one per lookup.
constexpr u64 kLargestChunk = 1 << 20;
constexpr u64 kResetTableHeader = 0x28;
constexpr u64 kControlDataShortest = 0x18;
constexpr u64 kControlDataLongest = 256;  // chmlib's buffer for it
// The room chmlib gives one compressed block beyond the uncompressed size.
constexpr u64 kCompressedSlack = 6144;
// The window sizes the decompressor supports: 32 KB to 2 MB.
constexpr u64 kSmallestWindow = 1 << 15;
constexpr u64 kLargestWindow = 1 << 21;

// The compressed section's entries, in lower case as the names are kept.
const char* const kResetTable =
    "::dataspace/storage/mscompressed/transform/"
    "{7fc28940-9d31-11d0-9b27-00a0c91e9c7c}/instancedata/resettable";
const char* const kControlData = "::dataspace/storage/mscompressed/controldata";
const char* const kContent = "::dataspace/storage/mscompressed/content";

// `length` bytes from `offset` lie within `limit` bytes, without overflow.
bool fits(u64 offset, u64 length, u64 limit) {
    return offset <= limit && length <= limit - offset;
}

u64 little(const std::string& bytes, std::size_t at, int size) {
    u64 value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint32_t u32(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(little(bytes, at, 4));
}

std::int32_t i32(const std::string& bytes, std::size_t at) {
    return static_cast<std::int32_t>(u32(bytes, at));
}

u64 u64At(const std::string& bytes, std::size_t at) {
    return little(bytes, at, 8);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A directory entry: where its bytes lie.
struct Entry {
    u64 section = 0;
    u64 start = 0;
    u64 length = 0;
    bool operator==(const Entry&) const = default;
};

// The records of one directory chunk, read strictly within its used part.
// Numbers are written 7 bits a byte, the high bit set on all but the last.
class ChunkRecords {
public:
    ChunkRecords(const std::string& chunk, u64 begin, u64 end)
        : chunk_(chunk), pos_(begin), end_(end) {}

    bool done() const { return pos_ >= end_; }

    // Nine bytes hold 63 bits; longer is damage (compilers write at most 5).
    std::optional<u64> number() {
        u64 value = 0;
        for (int i = 0; i < 9 && pos_ < end_; ++i) {
            auto byte = static_cast<unsigned char>(chunk_[pos_++]);
            value = (value << 7) | (byte & 0x7F);
            if (byte < 0x80) {
                return value;
            }
        }
        return std::nullopt;
    }

    // A name: its length, then its bytes; never empty, never longer than
    // chmlib's buffer, no NUL inside (chmlib reads it as a C string).
    std::optional<std::string> name() {
        auto length = number();
        if (!length || *length == 0 || *length > CHM_MAX_PATHLEN || *length > end_ - pos_) {
            return std::nullopt;
        }
        std::string text = chunk_.substr(pos_, *length);
        pos_ += *length;
        if (text.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        return text;
    }

private:
    const std::string& chunk_;
    u64 pos_;
    u64 end_;
};

class LayoutCheck {
public:
    explicit LayoutCheck(const std::string& path) : in_(path, std::ios::binary) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            size_ = std::filesystem::file_size(path, error);
        }
        if (error) {
            size_ = 0;
        }
    }

    bool sound() {
        return in_ && headers() && listingChain() && indexTree() && entriesInSections() &&
               compressedSection();
    }

private:
    // `length` bytes at `offset`, or nothing when they are not all in the file.
    std::optional<std::string> bytes(u64 offset, u64 length) {
        if (!fits(offset, length, size_)) {
            return std::nullopt;
        }
        std::string data(static_cast<std::size_t>(length), '\0');
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(data.data(), static_cast<std::streamsize>(length));
        if (static_cast<u64>(in_.gcount()) != length) {
            return std::nullopt;
        }
        return data;
    }

    bool headers() {
        auto header = bytes(0, kFileHeaderV3);
        if (!header || header->compare(0, 4, "ITSF") != 0) {
            return false;
        }
        std::int32_t version = i32(*header, 4);
        std::int32_t headerLength = i32(*header, 8);
        if ((version != 2 && version != 3) || headerLength < 0 ||
            static_cast<u64>(headerLength) < (version == 2 ? kFileHeaderV2 : kFileHeaderV3) ||
            static_cast<u64>(headerLength) > size_) {
            return false;
        }
        u64 sectionStart = u64At(*header, 0x38);
        u64 sectionLength = u64At(*header, 0x40);
        u64 directoryStart = u64At(*header, 0x48);
        u64 directoryLength = u64At(*header, 0x50);
        if (!fits(sectionStart, sectionLength, size_) ||
            !fits(directoryStart, directoryLength, size_) || directoryLength < kDirectoryHeader) {
            return false;
        }
        dataOffset_ = version == 3 ? u64At(*header, 0x58) : directoryStart + directoryLength;
        if (dataOffset_ > size_) {
            return false;
        }

        auto directory = bytes(directoryStart, kDirectoryHeader);
        if (!directory || directory->compare(0, 4, "ITSP") != 0 || i32(*directory, 4) != 1 ||
            u32(*directory, 8) != kDirectoryHeader) {
            return false;
        }
        chunkLength_ = u32(*directory, 0x10);
        if (chunkLength_ <= kListingHeader || chunkLength_ > kLargestChunk) {
            return false;
        }
        chunksStart_ = directoryStart + kDirectoryHeader;
        chunkCount_ = u32(*directory, 0x2C);
        u64 room = (directoryLength - kDirectoryHeader) / chunkLength_;
        if (chunkCount_ == 0 || chunkCount_ > room) {
            return false;
        }
        auto inRange = [&](std::int32_t index) {
            return index >= 0 && static_cast<u64>(index) < chunkCount_;
        };
        std::int32_t root = i32(*directory, 0x1C);
        firstListing_ = i32(*directory, 0x20);
        if (!inRange(firstListing_) || !inRange(i32(*directory, 0x24)) ||
            (root > -1 && !inRange(root))) {
            return false;
        }
        // Without index chunks the listing chunk is the root, as chmlib does.
        root_ = root <= -1 ? firstListing_ : root;
        listed_.assign(chunkCount_, false);
        return true;
    }

    std::optional<std::string> chunk(u64 index) {
        return bytes(chunksStart_ + index * chunkLength_, chunkLength_);
    }

    // Reads the entries of a listing chunk once; false when it is damaged.
    bool readListing(u64 index, const std::string& chunk) {
        if (listed_[index]) {
            return true;
        }
        listed_[index] = true;
        u64 free = u32(chunk, 4);
        if (free > chunkLength_ - kListingHeader) {
            return false;
        }
        ChunkRecords records(chunk, kListingHeader, chunkLength_ - free);
        while (!records.done()) {
            auto name = records.name();
            auto section = name ? records.number() : std::nullopt;
            auto start = section ? records.number() : std::nullopt;
            auto length = start ? records.number() : std::nullopt;
            if (!length) {
                return false;
            }
            // chmlib looks names up without letter case: one entry a name.
            Entry entry{*section, *start, *length};
            auto [it, added] = entries_.emplace(lower(*name), entry);
            if (!added && !(it->second == entry)) {
                return false;
            }
        }
        return true;
    }

    // The listing chunks, first to last as chmlib enumerates them: each link
    // leads to a chunk not seen before, or ends the chain (-1).
    bool listingChain() {
        std::vector<bool> seen(chunkCount_, false);
        std::int32_t index = firstListing_;
        while (index != -1) {
            if (index < 0 || static_cast<u64>(index) >= chunkCount_ || seen[index]) {
                return false;
            }
            seen[index] = true;
            auto listing = chunk(static_cast<u64>(index));
            if (!listing || listing->compare(0, 4, "PMGL") != 0 ||
                !readListing(static_cast<u64>(index), *listing)) {
                return false;
            }
            index = i32(*listing, 0x10);
        }
        return true;
    }

    // The index tree chmlib descends to look a name up: every chunk reached
    // once, every child a chunk of the directory, every leaf a sound listing.
    bool indexTree() {
        std::vector<bool> seen(chunkCount_, false);
        std::vector<u64> pending{static_cast<u64>(root_)};
        while (!pending.empty()) {
            u64 index = pending.back();
            pending.pop_back();
            if (seen[index]) {
                return false;
            }
            seen[index] = true;
            auto node = chunk(index);
            if (!node) {
                return false;
            }
            if (node->compare(0, 4, "PMGL") == 0) {
                if (!readListing(index, *node)) {
                    return false;
                }
                continue;
            }
            if (node->compare(0, 4, "PMGI") != 0) {
                return false;
            }
            u64 free = u32(*node, 4);
            if (free > chunkLength_ - kIndexHeader) {
                return false;
            }
            ChunkRecords records(*node, kIndexHeader, chunkLength_ - free);
            while (!records.done()) {
                auto child = records.name() ? records.number() : std::nullopt;
                if (!child || *child >= chunkCount_) {
                    return false;
                }
                pending.push_back(*child);
            }
        }
        return true;
    }

    std::optional<Entry> entry(const char* name) const {
        auto it = entries_.find(name);
        return it == entries_.end() ? std::nullopt : std::optional<Entry>(it->second);
    }

    // Section 0 lies in the content area; chmlib knows sections 0 and 1.
    bool entriesInSections() {
        for (const auto& [name, entry] : entries_) {
            if (entry.section > 1 ||
                (entry.section == 0 && !fits(entry.start, entry.length, size_ - dataOffset_))) {
                return false;
            }
            compressedUsed_ = compressedUsed_ || entry.section == 1;
        }
        return true;
    }

    // The compressed section: chmlib switches it on when its three entries
    // are in section 0, and then divides by the control data's window and
    // reset interval, allocates the reset table's block size, and reads each
    // block where the table says it starts.
    bool compressedSection() {
        auto table = entry(kResetTable);
        auto control = entry(kControlData);
        auto content = entry(kContent);
        if (!table || !control || !content || table->section != 0 || control->section != 0 ||
            content->section != 0) {
            // Without it no entry of section 1 can be read.
            return !compressedUsed_;
        }

        if (control->length < kControlDataShortest || control->length > kControlDataLongest) {
            return false;
        }
        auto data = bytes(dataOffset_ + control->start, control->length);
        if (!data || data->compare(4, 4, "LZXC") != 0) {
            return false;
        }
        std::uint32_t resetInterval = u32(*data, 0x0C);
        std::uint32_t window = u32(*data, 0x10);
        std::uint32_t windowsPerReset = u32(*data, 0x14);
        if (u32(*data, 8) == 2) {  // version 2 counts in units of 32 KB
            resetInterval *= 0x8000;
            window *= 0x8000;
        }
        bool powerOfTwo = (window & (window - 1)) == 0;
        if (!powerOfTwo || window < kSmallestWindow || window > kLargestWindow ||
            resetInterval == 0 || resetInterval % (window / 2) != 0 ||
            static_cast<std::uint32_t>(resetInterval / (window / 2) * windowsPerReset) == 0) {
            return false;
        }

        if (table->length < kResetTableHeader) {
            return false;
        }
        auto header = bytes(dataOffset_ + table->start, kResetTableHeader);
        if (!header || u32(*header, 0) != 2) {
            return false;
        }
        u64 blockCount = u32(*header, 4);
        u64 tableOffset = u32(*header, 0x0C);
        u64 uncompressed = u64At(*header, 0x10);
        u64 compressed = u64At(*header, 0x18);
        u64 blockLength = u64At(*header, 0x20);
        if (blockLength == 0 || blockLength > window ||
            !fits(tableOffset, blockCount * 8, table->length) || compressed > content->length ||
            uncompressed > blockCount * blockLength) {
            return false;
        }
        for (const auto& [name, entry] : entries_) {
            if (entry.section == 1 && !fits(entry.start, entry.length, uncompressed)) {
                return false;
            }
        }
        return blockStartsSound(dataOffset_ + table->start + tableOffset, blockCount, compressed,
                                blockLength + kCompressedSlack);
    }

    // Each compressed block starts where the one before ends, the last ends
    // at the compressed length, and none is longer than chmlib's buffer.
    bool blockStartsSound(u64 at, u64 count, u64 compressed, u64 longest) {
        constexpr u64 kStartsPerRead = 8192;
        std::optional<u64> previous;
        for (u64 done = 0; done < count;) {
            u64 step = std::min(kStartsPerRead, count - done);
            auto starts = bytes(at + done * 8, step * 8);
            if (!starts) {
                return false;
            }
            for (u64 i = 0; i < step; ++i) {
                u64 start = u64At(*starts, static_cast<std::size_t>(i * 8));
                if (previous && (start < *previous || start - *previous > longest)) {
                    return false;
                }
                previous = start;
            }
            done += step;
        }
        return !previous || (compressed >= *previous && compressed - *previous <= longest);
    }

    std::ifstream in_;
    u64 size_ = 0;
    u64 dataOffset_ = 0;
    u64 chunksStart_ = 0;
    u64 chunkLength_ = 0;
    u64 chunkCount_ = 0;
    std::int32_t firstListing_ = 0;
    std::int32_t root_ = 0;
    std::vector<bool> listed_;
    std::map<std::string, Entry> entries_;
    bool compressedUsed_ = false;
};

}  // namespace

bool compiledHelpLayoutIsSound(const std::string& nativePath) {
    return LayoutCheck(nativePath).sound();
}

}  // namespace platform
