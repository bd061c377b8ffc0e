// The byte records of the level settings.
//
// A record is held as a string of exactly the record's length, one byte a
// character. Character positions are 1-based: character p is byte p-1 of the
// record and of its file.
//
// LevelHeader (616 bytes, files levels\levl2001.hdr .. levl2025.hdr):
//   1-3  SpellMask        one bit a spell, set = available
//   4    -                carried through
//   5-6  BuildingMask     one bit a hut, set = available
//   93-96 AllianceMask    one byte a tribe: Blue, Red, Yellow, Green; bit
//                         0x01 Blue, 0x02 Red, 0x04 Yellow, 0x08 Green means
//                         allied with that tribe
//   99   GameOptionFlags  0x01 fog of war, 0x02 god mode
// Every other byte is carried through unchanged.
//
// AvailabilityFlags (6 bytes, cpatrCFG.dat): the layout of LevelHeader
// characters 1-6, copied into every computer player's attribute record.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

namespace app {

constexpr std::size_t kLevelHeaderLength = 616;
constexpr std::size_t kAvailabilityLength = 6;
constexpr std::size_t kCpuAttributesLength = 144;
constexpr int kLevelCount = 25;

constexpr int kAllianceBlue = 93;
constexpr int kGameOptionFlags = 99;
constexpr int kFogOfWar = 0x01;
constexpr int kGodMode = 0x02;

// hfile01 .. hfile25: index 0 is level 1.
using LevelHeaders = std::array<std::string, kLevelCount>;

enum class MaskOp { Set, Clear, Toggle };

// The saved header of level n (1-25), relative to the program folder:
// "\levels\levl2001.hdr" .. "\levels\levl2025.hdr".
std::string levelHeaderPath(int level);

// Reads a record file into the buffer: the buffer becomes `length` NUL
// characters, then takes the file's first bytes, up to `length`. A missing
// file in an existing folder is created empty; if the open fails, the buffer
// is left as it was. Returns how many bytes the file gave. Raises
// forms::RuntimeError.
std::size_t ReadRecord(const std::string& path, std::string& buffer, std::size_t length);
// Writes the whole buffer at byte 1 of the file; the file is never shortened.
void WriteRecord(const std::string& path, const std::string& buffer);
// A ReadRecord into the buffer, the change applied to it, and a WriteRecord
// of it, through one opening of the file: the buffer holds the record
// written. A file that cannot be written fails before anything is read.
void UpdateRecord(const std::string& path, std::string& buffer, std::size_t length,
                  const std::function<void(std::string&)>& change);

int CharCode(const std::string& buffer, int position);
void PutCharCode(std::string& buffer, int position, int code);
int Apply(MaskOp op, int code, int mask);
void ApplyMask(std::string& buffer, int position, int mask, MaskOp op);
bool TestMask(const std::string& buffer, int position, int mask);

// One change in every level, level 1 first; with a second position and mask,
// each level gets both before the next level.
void ApplyToAllLevels(LevelHeaders& levels, MaskOp op, int p1, int m1, int p2 = 0, int m2 = 0);

// Character p of the AvailabilityFlags becomes the operation applied to level
// 1's character p (all eight bits). Run before the ApplyToAllLevels of the
// same change, so that it reads level 1's character before the change.
void MirrorToAvailability(std::string& availability, const std::string& level1, int position,
                          int mask, MaskOp op);

// The 25 availability bits, in the order the load step sets the controls.
struct AvailabilityItem {
    int character;
    int mask;
    const char* name;  // the toggle's tooltip
    bool spell;        // false: a building
    const char* toggle;
    const char* holder;  // the hidden image with a copy of the toggle's picture
};
extern const std::array<AvailabilityItem, 25> kAvailabilityItems;

// The six alliances, in the order the load step sets the boxes. The first
// tribe is the lower-numbered one; its byte alone decides the box at load.
struct Alliance {
    const char* box;
    const char* caption;
    int firstCharacter;
    int firstMask;
    int secondCharacter;
    int secondMask;
};
extern const std::array<Alliance, 6> kAlliances;

}  // namespace app
