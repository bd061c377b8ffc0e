// The byte records of the level settings: character access, bit operations
// across all levels, the availability mirror and the tables that say which
// bit belongs to which spell, hut or alliance.
#include "app/Records.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "forms/Error.h"
#include "support/TestSupport.h"

namespace {

using app::MaskOp;

// A header whose every byte differs from its neighbours and from the same
// byte of the other levels, so a change in the wrong byte or the wrong level
// shows up in a whole-buffer comparison.
std::string patternedHeader(int level) {
    std::string header(app::kLevelHeaderLength, '\0');
    for (std::size_t i = 0; i < header.size(); ++i) {
        header[i] = static_cast<char>((i * 37 + static_cast<std::size_t>(level) * 11 + 5) & 0xFF);
    }
    return header;
}

app::LevelHeaders patternedLevels() {
    app::LevelHeaders levels;
    for (int i = 0; i < app::kLevelCount; ++i) {
        levels[static_cast<std::size_t>(i)] = patternedHeader(i + 1);
    }
    return levels;
}

unsigned char byteAt(const std::string& buffer, int position) {
    return static_cast<unsigned char>(buffer[static_cast<std::size_t>(position - 1)]);
}

void putByte(std::string& buffer, int position, unsigned value) {
    buffer[static_cast<std::size_t>(position - 1)] = static_cast<char>(value);
}

TEST(RecordCharacters, EveryCodeRoundTripsAtItsOneBasedPosition) {
    std::string buffer(256, 'x');
    for (int code = 0; code < 256; ++code) {
        app::PutCharCode(buffer, code + 1, code);
    }
    for (int code = 0; code < 256; ++code) {
        // Position p is byte p-1, and codes above 127 read back unsigned.
        EXPECT_EQ(static_cast<unsigned char>(buffer[static_cast<std::size_t>(code)]), code);
        EXPECT_EQ(app::CharCode(buffer, code + 1), code);
    }
}

TEST(RecordCharacters, PutTouchesOnlyItsOwnByte) {
    std::string buffer = "ABCDEF";
    app::PutCharCode(buffer, 3, 0xFE);
    EXPECT_EQ(buffer, std::string("AB\xFE") + "DEF");
    app::PutCharCode(buffer, 1, 0);
    EXPECT_EQ(buffer, std::string("\0B\xFE", 3) + "DEF");
}

TEST(RecordMasks, SetClearAndToggleChangeOnlyTheMaskedBit) {
    struct Case {
        int before;
        int mask;
        MaskOp op;
        int after;
    };
    const Case cases[] = {
        {0x0A, 0x04, MaskOp::Set, 0x0E},     // set a clear bit
        {0x0E, 0x04, MaskOp::Set, 0x0E},     // set a set bit: unchanged
        {0x0E, 0x04, MaskOp::Clear, 0x0A},   // clear a set bit
        {0x0A, 0x04, MaskOp::Clear, 0x0A},   // clear a clear bit: unchanged
        {0x0A, 0x01, MaskOp::Toggle, 0x0B},  // toggle a clear bit sets it
        {0x0B, 0x01, MaskOp::Toggle, 0x0A},  // toggle a set bit clears it
        {0xFF, 0x80, MaskOp::Clear, 0x7F},   // the top bit of a full byte
        {0x00, 0x80, MaskOp::Toggle, 0x80}, {0x7F, 0x80, MaskOp::Set, 0xFF},
    };
    for (const Case& c : cases) {
        std::string buffer = "\x11\x22\x33\x44";
        putByte(buffer, 2, static_cast<unsigned>(c.before));
        std::string expected = buffer;
        putByte(expected, 2, static_cast<unsigned>(c.after));
        app::ApplyMask(buffer, 2, c.mask, c.op);
        EXPECT_EQ(buffer, expected)
            << "before " << c.before << " mask " << c.mask << " op " << static_cast<int>(c.op);
    }
}

TEST(RecordMasks, TestMaskReportsWhetherAnyMaskedBitIsSet) {
    const std::string buffer("\x00\xA5", 2);
    EXPECT_FALSE(app::TestMask(buffer, 1, 0xFF));
    EXPECT_TRUE(app::TestMask(buffer, 2, 0x01));
    EXPECT_FALSE(app::TestMask(buffer, 2, 0x02));
    EXPECT_TRUE(app::TestMask(buffer, 2, 0x80));
    EXPECT_FALSE(app::TestMask(buffer, 2, 0x5A));
    EXPECT_TRUE(app::TestMask(buffer, 2, 0x06));  // one of two bits set
}

TEST(AllLevels, OnePositionChangesThatBitInEveryLevelAndNothingElse) {
    app::LevelHeaders levels = patternedLevels();
    app::LevelHeaders expected = levels;
    // Character 5, bit 0x10: set in some patterned levels, clear in others.
    for (std::string& level : expected) {
        putByte(level, 5, byteAt(level, 5) ^ 0x10u);
    }
    app::ApplyToAllLevels(levels, MaskOp::Toggle, 5, 0x10);
    for (int i = 0; i < app::kLevelCount; ++i) {
        EXPECT_EQ(levels[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)])
            << "level " << i + 1;
    }
}

TEST(AllLevels, TwoPositionsChangeBothBitsInEveryLevelAndNothingElse) {
    app::LevelHeaders levels = patternedLevels();
    app::LevelHeaders expected = levels;
    for (std::string& level : expected) {
        putByte(level, 93, byteAt(level, 93) | 0x04u);
        putByte(level, 95, byteAt(level, 95) | 0x01u);
    }
    app::ApplyToAllLevels(levels, MaskOp::Set, 93, 0x04, 95, 0x01);
    for (int i = 0; i < app::kLevelCount; ++i) {
        EXPECT_EQ(levels[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)])
            << "level " << i + 1;
    }

    for (std::string& level : expected) {
        putByte(level, 94, byteAt(level, 94) & ~0x08u);
        putByte(level, 96, byteAt(level, 96) & ~0x02u);
    }
    app::ApplyToAllLevels(levels, MaskOp::Clear, 94, 0x08, 96, 0x02);
    for (int i = 0; i < app::kLevelCount; ++i) {
        EXPECT_EQ(levels[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)])
            << "level " << i + 1;
    }
}

TEST(AllLevels, TwoMasksInOneCharacterBothApply) {
    app::LevelHeaders levels = patternedLevels();
    app::LevelHeaders expected = levels;
    for (std::string& level : expected) {
        putByte(level, 99, byteAt(level, 99) & ~0x03u);
    }
    app::ApplyToAllLevels(levels, MaskOp::Clear, 99, 0x01, 99, 0x02);
    EXPECT_EQ(levels, expected);
}

// The mirror starts from level 1's byte, not from the availability byte it
// replaces, and it must not apply the change to level 1 itself (that is the
// job of the all-levels step that follows).
TEST(Availability, MirrorCopiesAllEightBitsOfLevelOneAfterTheOperation) {
    std::string level1 = patternedHeader(1);
    const std::string level1Before = level1;
    const unsigned source = byteAt(level1, 2);

    std::string availability = "\xAA\xBB\xCC\xDD\xEE\xFF";
    std::string expected = availability;
    putByte(expected, 2, source | 0x40u);
    app::MirrorToAvailability(availability, level1, 2, 0x40, MaskOp::Set);
    EXPECT_EQ(availability, expected);

    putByte(expected, 2, source & 0xF0u);
    app::MirrorToAvailability(availability, level1, 2, 0x0F, MaskOp::Clear);
    EXPECT_EQ(availability, expected);

    putByte(expected, 2, (source ^ 0x81u) & 0xFF);
    app::MirrorToAvailability(availability, level1, 2, 0x81, MaskOp::Toggle);
    EXPECT_EQ(availability, expected);
    EXPECT_EQ(level1, level1Before);
}

// Making "Convert" unavailable and available again, as the editor does it:
// the mirror first (from level 1 before the change), then every level.
TEST(Availability, ConvertWorkedExample) {
    app::LevelHeaders levels = patternedLevels();
    putByte(levels[0], 3, 0x0B);
    putByte(levels[1], 3, 0x09);
    std::string availability(app::kAvailabilityLength, '\0');

    app::MirrorToAvailability(availability, levels[0], 3, 0x02, MaskOp::Clear);
    app::ApplyToAllLevels(levels, MaskOp::Clear, 3, 0x02);
    EXPECT_EQ(byteAt(availability, 3), 0x09);
    EXPECT_EQ(byteAt(levels[0], 3), 0x09);
    EXPECT_EQ(byteAt(levels[1], 3), 0x09);

    app::MirrorToAvailability(availability, levels[0], 3, 0x02, MaskOp::Set);
    app::ApplyToAllLevels(levels, MaskOp::Set, 3, 0x02);
    EXPECT_EQ(byteAt(availability, 3), 0x0B);
    EXPECT_EQ(byteAt(levels[0], 3), 0x0B);
    EXPECT_EQ(byteAt(levels[1], 3), 0x0B);

    // The other availability characters were never touched.
    for (int p : {1, 2, 4, 5, 6}) {
        EXPECT_EQ(byteAt(availability, p), 0) << "character " << p;
    }
}

TEST(Tables, AvailabilityItemsOwnExactlyTheDocumentedBits) {
    // Bits owned per character, written out from the record layout: spells
    // in characters 1-3, huts in 5-6, and these bits belong to nothing:
    // char1 0x01 0x02; char3 0x04 0x10 0x20 0x40 0x80; char5 0x01 0x04 0x08;
    // char6 0x02 0x04 0x08 0x10 0x40.
    const std::map<int, int> owned = {
        {1, 0xFF & ~(0x01 | 0x02)},
        {2, 0xFF},
        {3, 0xFF & ~(0x04 | 0x10 | 0x20 | 0x40 | 0x80)},
        {5, 0xFF & ~(0x01 | 0x04 | 0x08)},
        {6, 0xFF & ~(0x02 | 0x04 | 0x08 | 0x10 | 0x40)},
    };

    std::set<std::pair<int, int>> seen;
    std::map<int, int> covered;
    int spells = 0;
    int huts = 0;
    for (const app::AvailabilityItem& item : app::kAvailabilityItems) {
        SCOPED_TRACE(item.name);
        EXPECT_TRUE(seen.insert({item.character, item.mask}).second) << "duplicate bit";
        // Exactly one bit each.
        EXPECT_NE(item.mask, 0);
        EXPECT_EQ(item.mask & (item.mask - 1), 0);
        EXPECT_EQ(item.mask & ~0xFF, 0);
        EXPECT_TRUE(owned.count(item.character)) << "character " << item.character;
        EXPECT_EQ(item.spell, item.character <= 3);
        covered[item.character] |= item.mask;
        (item.spell ? spells : huts)++;
    }
    EXPECT_EQ(seen.size(), 25u);
    EXPECT_EQ(spells, 17);
    EXPECT_EQ(huts, 8);
    EXPECT_EQ(covered, owned);
}

TEST(Tables, ConvertIsCharacterThreeBitTwo) {
    int found = 0;
    for (const app::AvailabilityItem& item : app::kAvailabilityItems) {
        if (std::string(item.name) == "Convert") {
            ++found;
            EXPECT_EQ(item.character, 3);
            EXPECT_EQ(item.mask, 0x02);
            EXPECT_TRUE(item.spell);
        }
    }
    EXPECT_EQ(found, 1);
}

TEST(Tables, AlliancesUseTheTribeBitsOfBothTribes) {
    // Tribes in number order; tribe t has its byte at 93 + t and its bit
    // 1 << t in the other tribes' bytes.
    struct Tribe {
        char letter;
        const char* name;
    };
    const Tribe tribes[] = {{'B', "Blue"}, {'R', "Red"}, {'Y', "Yellow"}, {'G', "Green"}};
    const int tribeBits[] = {0x01, 0x02, 0x04, 0x08};
    const int tribeCharacters[] = {93, 94, 95, 96};

    struct Expected {
        int firstCharacter, firstMask, secondCharacter, secondMask;
        std::string caption;
    };
    std::map<std::string, Expected> expected;
    for (int a = 0; a < 4; ++a) {
        for (int b = a + 1; b < 4; ++b) {
            std::string box{tribes[a].letter, tribes[b].letter};
            expected[box] = {tribeCharacters[a], tribeBits[b], tribeCharacters[b], tribeBits[a],
                             std::string(tribes[a].name) + " + " + tribes[b].name};
        }
    }
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(app::kAllianceBlue, 93);

    std::set<std::string> boxes;
    for (const app::Alliance& alliance : app::kAlliances) {
        std::string box = alliance.box;
        SCOPED_TRACE(box);
        EXPECT_TRUE(boxes.insert(box).second) << "duplicate box";
        auto it = expected.find(box);
        ASSERT_NE(it, expected.end()) << "no such pair";
        EXPECT_EQ(alliance.firstCharacter, it->second.firstCharacter);
        EXPECT_EQ(alliance.firstMask, it->second.firstMask);
        EXPECT_EQ(alliance.secondCharacter, it->second.secondCharacter);
        EXPECT_EQ(alliance.secondMask, it->second.secondMask);
        // The caption names both tribes, lower-numbered first.
        EXPECT_EQ(std::string(alliance.caption), it->second.caption);
    }
    EXPECT_EQ(boxes.size(), 6u);
}

TEST(RecordFiles, LevelHeaderPathsNumberFrom2001) {
    EXPECT_EQ(app::levelHeaderPath(7), "\\levels\\levl2007.hdr");
    EXPECT_EQ(app::levelHeaderPath(1), "\\levels\\levl2001.hdr");
    EXPECT_EQ(app::levelHeaderPath(25), "\\levels\\levl2025.hdr");
}

TEST(RecordFiles, ReadFillsTheBufferToLengthAndAFailedOpenLeavesItAlone) {
    testing_support::TempDir dir;
    testing_support::writeFile(dir.path() / "short.dat", "ABC");
    std::string buffer = "previous content";
    app::ReadRecord(dir.str() + "/short.dat", buffer, 6);
    EXPECT_EQ(buffer, std::string("ABC\0\0\0", 6));

    buffer = "kept as it was";
    EXPECT_THROW(app::ReadRecord(dir.str() + "/missing/x.dat", buffer, 6), forms::RuntimeError);
    EXPECT_EQ(buffer, "kept as it was");
    // A folder in place of the file cannot be opened either.
    testing_support::fs::create_directory(dir.path() / "folder.dat");
    EXPECT_THROW(app::ReadRecord(dir.str() + "/folder.dat", buffer, 6), forms::RuntimeError);
    EXPECT_EQ(buffer, "kept as it was");
}

TEST(RecordFiles, WriteKeepsTheBytesBeyondTheRecord) {
    testing_support::TempDir dir;
    testing_support::writeFile(dir.path() / "h.hdr", "0123456789");
    app::WriteRecord(dir.str() + "/h.hdr", "abcd");
    EXPECT_EQ(testing_support::readFile(dir.path() / "h.hdr"), "abcd456789");
}

}  // namespace
