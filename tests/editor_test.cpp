// The settings editor on Main: the availability toggles, the alliance boxes,
// the fog and god buttons and the guest-spell selector, checked against the
// 25 level buffers and the availability record they change.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "app/Main.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"
#include "support/Toggles.h"

namespace {

namespace fs = std::filesystem;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::readFile;
using testing_support::writeFile;

using Levels = std::array<std::string, 25>;

using testing_support::kToggles;
using testing_support::Toggle;

const Toggle& toggleOf(const std::string& image) {
    for (const Toggle& toggle : kToggles) {
        if (image == toggle.image) {
            return toggle;
        }
    }
    throw std::invalid_argument(image);
}

// Box, then the two (character, mask) pairs an alliance sets.
struct AlliancePair {
    const char* box;
    int firstCharacter, firstMask, secondCharacter, secondMask;
};
constexpr std::array<AlliancePair, 6> kPairs{{
    {"BR", 93, 0x02, 94, 0x01},
    {"BY", 93, 0x04, 95, 0x01},
    {"BG", 93, 0x08, 96, 0x01},
    {"RY", 94, 0x04, 95, 0x02},
    {"RG", 94, 0x08, 96, 0x02},
    {"YG", 95, 0x08, 96, 0x04},
}};

const AlliancePair& pairOf(const std::string& box) {
    for (const AlliancePair& pair : kPairs) {
        if (box == pair.box) {
            return pair;
        }
    }
    throw std::invalid_argument(box);
}

const std::string kGuestOff = "Guest Spells (Cannot be saved)";

std::string levelPath(int level) {
    return "levels/levl" + std::to_string(2000 + level) + ".hdr";
}

Levels shippedLevels() {
    Levels levels;
    for (int level = 1; level <= 25; ++level) {
        levels[level - 1] = standin::programFileBytes(levelPath(level));
    }
    return levels;
}

unsigned char at(const std::string& record, int character) {
    return static_cast<unsigned char>(record[static_cast<std::size_t>(character - 1)]);
}

void put(std::string& record, int character, int code) {
    record[static_cast<std::size_t>(character - 1)] = static_cast<char>(code);
}

void setAll(Levels& levels, int character, int mask) {
    for (std::string& level : levels) {
        put(level, character, at(level, character) | mask);
    }
}

void clearAll(Levels& levels, int character, int mask) {
    for (std::string& level : levels) {
        put(level, character, at(level, character) & ~mask & 0xFF);
    }
}

// Writes the saved settings into the program folder and starts the program.
void startWith(ProgramFixture& fx, const Levels& levels, const std::string& availability) {
    for (int level = 1; level <= 25; ++level) {
        writeFile(fx.programDir() / levelPath(level), levels[level - 1]);
    }
    writeFile(fx.programDir() / "cpatrCFG.dat", availability);
    fx.start();
    ASSERT_TRUE(forms::form<app::Main>().Visible());
    ASSERT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
}

void expectLevels(const Levels& expected) {
    for (int level = 1; level <= 25; ++level) {
        EXPECT_EQ(mainForm().hfile[level - 1], expected[level - 1]) << "level " << level;
    }
}

// Clicks a control on Main and runs until the program waits again.
void click(ProgramFixture& fx, const std::string& control) {
    fx.driver().click("Main", control);
    fx.driver().run();
}

// ---------------------------------------------------------------- toggles

TEST(Toggles, EveryItemSwitchesOffAndBackOnInAllLevels) {
    ProgramFixture fx;
    const Levels saved = shippedLevels();
    const std::string availability(6, '\0');
    startWith(fx, saved, availability);
    app::Main& main = mainForm();

    std::string expectedAvailability = availability;
    for (const Toggle& toggle : kToggles) {
        SCOPED_TRACE(toggle.image);
        forms::Image& image = main.image(toggle.image);
        ASSERT_EQ(image.Tag(), "2");

        click(fx, toggle.image);
        EXPECT_EQ(image.Tag(), "1");
        EXPECT_EQ(image.Picture(), forms::Picture{toggle.spell ? "spell_off" : "hut_off"});
        EXPECT_EQ(image.Picture(),
                  toggle.spell ? main.Nothing2.Picture() : main.Nothing3.Picture());
        Levels off = saved;
        clearAll(off, toggle.character, toggle.mask);
        expectLevels(off);
        put(expectedAvailability, toggle.character, at(off[0], toggle.character));
        EXPECT_EQ(main.cpatrCFG, expectedAvailability);

        click(fx, toggle.image);
        EXPECT_EQ(image.Tag(), "2");
        EXPECT_EQ(image.Picture(), forms::Picture{toggle.picture});
        expectLevels(saved);
        put(expectedAvailability, toggle.character, at(saved[0], toggle.character));
        EXPECT_EQ(main.cpatrCFG, expectedAvailability);
    }
}

TEST(Toggles, UnavailableAnywhereBecomesUnavailableEverywhere) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    put(saved[0], 3, 0x0B);
    put(saved[1], 3, 0x09);
    std::string availability = standin::programFileBytes("cpatrCFG.dat");
    put(availability, 3, 0x00);
    startWith(fx, saved, availability);
    app::Main& main = mainForm();
    ASSERT_EQ(main.Image17.Tag(), "2");

    click(fx, "Image17");  // Convert off
    EXPECT_EQ(at(main.cpatrCFG, 3), 0x09);
    EXPECT_EQ(at(main.hfile[0], 3), 0x09);
    EXPECT_EQ(at(main.hfile[1], 3), 0x09);

    click(fx, "Image17");  // and on again
    EXPECT_EQ(at(main.cpatrCFG, 3), 0x0B);
    EXPECT_EQ(at(main.hfile[0], 3), 0x0B);
    EXPECT_EQ(at(main.hfile[1], 3), 0x0B);
    // The other characters of the record are left as saved.
    for (int character : {1, 2, 4, 5, 6}) {
        EXPECT_EQ(at(main.cpatrCFG, character), at(availability, character)) << character;
    }
}

TEST(Toggles, RecordCharacterTakesAllEightBitsFromLevel1) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    put(saved[0], 1, 0x0C);
    std::string availability = standin::programFileBytes("cpatrCFG.dat");
    put(availability, 1, 0xFF);
    startWith(fx, saved, availability);

    click(fx, "Image10");  // Lightning, available in level 1
    EXPECT_EQ(mainForm().Image10.Tag(), "1");
    EXPECT_EQ(at(mainForm().cpatrCFG, 1), 0x04);
    EXPECT_EQ(at(mainForm().hfile[0], 1), 0x04);
}

TEST(Toggles, UnavailableItemIsMadeAvailableEverywhere) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    // Balloon hut off in level 1 and in a few others, on elsewhere.
    for (int level : {1, 4, 17}) {
        put(saved[level - 1], 6, at(saved[level - 1], 6) & ~0x80);
    }
    startWith(fx, saved, std::string(6, '\0'));
    app::Main& main = mainForm();
    ASSERT_EQ(main.Image15.Tag(), "1");
    ASSERT_EQ(main.Image15.Picture(), forms::Picture{"hut_off"});

    click(fx, "Image15");
    EXPECT_EQ(main.Image15.Tag(), "2");
    EXPECT_EQ(main.Image15.Picture(), forms::Picture{"hut_balloon"});
    Levels expected = saved;
    setAll(expected, 6, 0x80);
    expectLevels(expected);
    std::string expectedAvailability(6, '\0');
    put(expectedAvailability, 6, at(expected[0], 6));
    EXPECT_EQ(main.cpatrCFG, expectedAvailability);
}

// ---------------------------------------------------------------- alliances

TEST(Alliances, TickAndClearChangeBothTribesInAllLevelsOnly) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    // Levels that already hold some alliances, one way or both; level 1
    // holds none, so no box is ticked at load.
    put(saved[3], 94, 0x0F);
    put(saved[8], 93, 0x0F);
    put(saved[13], 95, 0x0F);
    put(saved[13], 96, 0x0F);
    put(saved[24], 96, 0x07);
    const std::string availability = standin::programFileBytes("cpatrCFG.dat");
    startWith(fx, saved, availability);
    app::Main& main = mainForm();
    expectLevels(saved);

    Levels expected = saved;
    for (const AlliancePair& pair : kPairs) {
        SCOPED_TRACE(pair.box);
        auto& box = main.control<forms::CheckBox>(pair.box);
        ASSERT_EQ(box.Value(), 0);

        click(fx, pair.box);
        EXPECT_EQ(box.Value(), 1);
        setAll(expected, pair.firstCharacter, pair.firstMask);
        setAll(expected, pair.secondCharacter, pair.secondMask);
        expectLevels(expected);

        click(fx, pair.box);
        EXPECT_EQ(box.Value(), 0);
        clearAll(expected, pair.firstCharacter, pair.firstMask);
        clearAll(expected, pair.secondCharacter, pair.secondMask);
        expectLevels(expected);
    }
    EXPECT_EQ(main.cpatrCFG, availability);
}

TEST(Alliances, LoadTicksBoxesAndSpreadsTheirPairs) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    put(saved[0], 93, 0x0E);  // Blue allied with Red, Yellow and Green
    put(saved[4], 94, 0x00);
    put(saved[11], 96, 0x00);
    put(saved[19], 95, 0x80);
    startWith(fx, saved, standin::programFileBytes("cpatrCFG.dat"));
    app::Main& main = mainForm();

    const std::map<std::string, int> ticked{{"BR", 1}, {"BY", 1}, {"BG", 1},
                                            {"RY", 0}, {"RG", 0}, {"YG", 0}};
    for (const AlliancePair& pair : kPairs) {
        EXPECT_EQ(main.control<forms::CheckBox>(pair.box).Value(), ticked.at(pair.box)) << pair.box;
    }
    // Shipped alliance bytes are each tribe with itself: 0x01, 0x02, 0x04,
    // 0x08 (level 1's Blue byte is the crafted 0x0E). Blue's three alliances
    // add Blue's bit to the other three bytes and their bits to Blue's.
    for (int level = 1; level <= 25; ++level) {
        SCOPED_TRACE(level);
        const std::string& header = main.hfile[level - 1];
        EXPECT_EQ(at(header, 93), level == 1 ? 0x0E : 0x0F);
        EXPECT_EQ(at(header, 94), level == 5 ? 0x01 : 0x03);
        EXPECT_EQ(at(header, 95), level == 20 ? 0x81 : 0x05);
        EXPECT_EQ(at(header, 96), level == 12 ? 0x01 : 0x09);
        std::string rest = header;
        std::string savedRest = saved[level - 1];
        rest.replace(92, 4, "");
        savedRest.replace(92, 4, "");
        EXPECT_EQ(rest, savedRest);
    }
}

// ---------------------------------------------------------------- fog and god

TEST(GameOptions, ButtonsSwitchTheirBitAndLeaveTheOthers) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    for (std::string& level : saved) {
        put(level, 99, 0x84);
    }
    startWith(fx, saved, standin::programFileBytes("cpatrCFG.dat"));
    app::Main& main = mainForm();
    ASSERT_EQ(main.Command1.Caption(), "FOG is OFF");
    ASSERT_EQ(main.Command2.Caption(), "GOD is OFF");

    struct Step {
        const char* button;
        const char* fog;
        const char* god;
        int flags;
    };
    for (const Step& step : {Step{"Command1", "FOG is ON", "GOD is OFF", 0x85},
                             Step{"Command1", "FOG is OFF", "GOD is OFF", 0x84},
                             Step{"Command2", "FOG is OFF", "GOD is ON", 0x86},
                             Step{"Command1", "FOG is ON", "GOD is ON", 0x87},
                             Step{"Command2", "FOG is ON", "GOD is OFF", 0x85}}) {
        click(fx, step.button);
        EXPECT_EQ(main.Command1.Caption(), step.fog);
        EXPECT_EQ(main.Command2.Caption(), step.god);
        Levels expected = saved;
        for (std::string& level : expected) {
            put(level, 99, step.flags);
        }
        expectLevels(expected);
    }
}

TEST(GameOptions, SwitchingOffClearsLevelsThatDisagreed) {
    for (const auto& [button, mask, on, off] :
         {std::tuple{"Command1", 0x01, "FOG is ON", "FOG is OFF"},
          std::tuple{"Command2", 0x02, "GOD is ON", "GOD is OFF"}}) {
        SCOPED_TRACE(button);
        ProgramFixture fx;
        Levels saved = shippedLevels();
        put(saved[0], 99, mask);
        put(saved[1], 99, 0x00);
        put(saved[2], 99, mask | 0x40);
        startWith(fx, saved, standin::programFileBytes("cpatrCFG.dat"));
        auto& command = mainForm().control<forms::CommandButton>(button);
        ASSERT_EQ(command.Caption(), on);

        click(fx, button);
        EXPECT_EQ(command.Caption(), off);
        EXPECT_EQ(at(mainForm().hfile[0], 99), 0x00);
        EXPECT_EQ(at(mainForm().hfile[1], 99), 0x00);
        EXPECT_EQ(at(mainForm().hfile[2], 99), 0x40);
        for (int level = 4; level <= 25; ++level) {
            EXPECT_EQ(at(mainForm().hfile[level - 1], 99), 0x00) << level;
        }
    }
}

// ---------------------------------------------------------------- guest spells

TEST(GuestSpells, SelectorCyclesThroughItsFourStates) {
    ProgramFixture fx;
    startWith(fx, shippedLevels(), standin::programFileBytes("cpatrCFG.dat"));
    app::Main& main = mainForm();
    const Levels before = main.hfile;
    const std::string availabilityBefore = main.cpatrCFG;
    ASSERT_EQ(main.Nothing1.ToolTipText(), kGuestOff);
    ASSERT_EQ(main.Nothing1.Picture(), forms::Picture{"spell_off"});

    const std::pair<std::string, std::string> cycle[] = {
        {"Bloodlust (Cannot be saved)", "guest_bloodlust"},
        {"Teleport (Cannot be saved)", "guest_teleport"},
        {"Armageddon (Cannot be saved)", "guest_armageddon"},
        {kGuestOff, "spell_off"},
        {"Bloodlust (Cannot be saved)", "guest_bloodlust"},
    };
    for (const auto& [tooltip, picture] : cycle) {
        click(fx, "Nothing1");
        EXPECT_EQ(main.Nothing1.ToolTipText(), tooltip);
        EXPECT_EQ(main.Nothing1.Picture(), forms::Picture{picture}) << tooltip;
    }
    EXPECT_EQ(main.hfile, before);
    EXPECT_EQ(main.cpatrCFG, availabilityBefore);
}

TEST(GuestSpells, DesignTooltipAfterFailedLoadIsLeftAlone) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / levelPath(3));
    fs::create_directory(fx.programDir() / levelPath(3));
    fx.start();
    ASSERT_EQ(fx.driver().messages().size(), 1u);
    ASSERT_EQ(fx.driver().messages()[0].title, "Error- Loading Level Settings");
    app::Main& main = mainForm();
    const std::string design =
        "Toggle Guest Spells.  Possible Choices are  Off, Bloodlust, Teleport, and Armageddon.";
    ASSERT_EQ(main.Nothing1.ToolTipText(), design);

    click(fx, "Nothing1");
    click(fx, "Nothing1");
    EXPECT_EQ(main.Nothing1.ToolTipText(), design);
    EXPECT_EQ(main.Nothing1.Picture(), forms::Picture{"spell_off"});
    EXPECT_EQ(fx.driver().messages().size(), 1u);
}

// ---------------------------------------------------------------- no writes

using Snapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;

Snapshot snapshot(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = {readFile(entry.path()),
                                                                  entry.last_write_time()};
        }
    }
    return files;
}

TEST(Editor, NoClickWritesAnyFile) {
    ProgramFixture fx;
    startWith(fx, shippedLevels(), standin::programFileBytes("cpatrCFG.dat"));
    const Snapshot program = snapshot(fx.programDir());
    const Snapshot game = snapshot(fx.gameDir());

    for (const Toggle& toggle : kToggles) {
        fx.driver().click("Main", toggle.image);
    }
    for (const AlliancePair& pair : kPairs) {
        fx.driver().click("Main", pair.box);
    }
    fx.driver()
        .click("Main", "Command1")
        .click("Main", "Command2")
        .click("Main", "Nothing1")
        .click("Main", "Image10");
    fx.driver().run();
    ASSERT_EQ(mainForm().Image10.Tag(), "2");
    ASSERT_EQ(mainForm().Command1.Caption(), "FOG is ON");

    EXPECT_EQ(snapshot(fx.programDir()), program);
    EXPECT_EQ(snapshot(fx.gameDir()), game);
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
}

// ---------------------------------------------------------------- a session

// The whole editor in one go: levels that differ, a mix of edits, and every
// buffer checked against what the edits must make of the saved bytes.
TEST(Editor, SessionOfMixedEditsOverDifferingLevels) {
    ProgramFixture fx;
    Levels saved = shippedLevels();
    for (int level = 1; level <= 25; ++level) {
        std::string& h = saved[level - 1];
        put(h, 1, (0x11 * level) & 0xFF);
        put(h, 2, ~(7 * level) & 0xFF);
        put(h, 3, (3 * level) & 0xFF);
        put(h, 4, 0xA0 + level);
        put(h, 5, (13 * level) & 0xFF);
        put(h, 6, (29 * level) & 0xFF);
        put(h, 93, level & 0x0F);
        put(h, 94, (level >> 1) & 0x0F);
        put(h, 95, (level * 5) & 0x0F);
        put(h, 96, (level * 3) & 0x0F);
        put(h, 99, level % 4);
    }
    // Level 1: Lightning and Hypnotise off, Convert on, Hut off, Balloon on,
    // Volcano on; Yellow allied with Green (ticked at load), Blue with nobody.
    put(saved[0], 1, 0x30);
    put(saved[0], 2, 0x5A);
    put(saved[0], 3, 0x03);
    put(saved[0], 5, 0xF1);
    put(saved[0], 6, 0x80);
    put(saved[0], 93, 0x01);
    put(saved[0], 94, 0x02);
    put(saved[0], 95, 0x0C);
    put(saved[0], 96, 0x00);
    put(saved[0], 99, 0x00);
    const std::string availability = "\x5A\xA5\x0F\xF0\x33\xCC";
    startWith(fx, saved, availability);
    app::Main& main = mainForm();

    Levels levels = saved;
    std::string record = availability;
    // At load: only YG's first-tribe bit is set in level 1.
    setAll(levels, 95, 0x08);
    setAll(levels, 96, 0x04);
    expectLevels(levels);
    EXPECT_EQ(main.cpatrCFG, availability);

    std::map<std::string, bool> available;
    for (const Toggle& toggle : kToggles) {
        available[toggle.image] = (at(saved[0], toggle.character) & toggle.mask) != 0;
    }
    ASSERT_FALSE(available.at("Image10"));
    ASSERT_TRUE(available.at("Image17"));
    ASSERT_FALSE(available.at("Image24"));

    auto editToggle = [&](const std::string& image) {
        const Toggle& toggle = toggleOf(image);
        const int before = at(levels[0], toggle.character);
        if (available[image]) {
            put(record, toggle.character, before & ~toggle.mask & 0xFF);
            clearAll(levels, toggle.character, toggle.mask);
        } else {
            put(record, toggle.character, before | toggle.mask);
            setAll(levels, toggle.character, toggle.mask);
        }
        available[image] = !available[image];
        fx.driver().click("Main", image);
    };
    auto editAlliance = [&](const std::string& box, bool tick) {
        const AlliancePair& pair = pairOf(box);
        if (tick) {
            setAll(levels, pair.firstCharacter, pair.firstMask);
            setAll(levels, pair.secondCharacter, pair.secondMask);
        } else {
            clearAll(levels, pair.firstCharacter, pair.firstMask);
            clearAll(levels, pair.secondCharacter, pair.secondMask);
        }
        fx.driver().click("Main", box);
    };

    editToggle("Image10");  // Lightning on
    editToggle("Image17");  // Convert off
    editToggle("Image10");  // Lightning off again
    editToggle("Image24");  // Hut on
    editToggle("Image15");  // Balloon off
    editToggle("Image2");   // Volcano off
    editToggle("Image17");  // Convert on again
    editToggle("Image13");  // Hypnotise on
    editToggle("Image15");  // Balloon on again
    editAlliance("BR", true);
    editAlliance("YG", false);
    setAll(levels, 99, 0x01);
    fx.driver().click("Main", "Command1");  // fog on
    setAll(levels, 99, 0x02);
    fx.driver().click("Main", "Command2");  // god on
    clearAll(levels, 99, 0x02);
    fx.driver().click("Main", "Command2");  // god off
    fx.driver().click("Main", "Nothing1").click("Main", "Nothing1");
    fx.driver().run();

    expectLevels(levels);
    EXPECT_EQ(main.cpatrCFG, record);
    for (const Toggle& toggle : kToggles) {
        EXPECT_EQ(main.image(toggle.image).Tag(), available.at(toggle.image) ? "2" : "1")
            << toggle.image;
    }
    EXPECT_EQ(main.BR.Value(), 1);
    EXPECT_EQ(main.YG.Value(), 0);
    EXPECT_EQ(main.Command1.Caption(), "FOG is ON");
    EXPECT_EQ(main.Command2.Caption(), "GOD is OFF");
    EXPECT_EQ(main.Nothing1.ToolTipText(), "Teleport (Cannot be saved)");
    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();

    // Spot checks worked out by hand, so the helpers above are checked too.
    EXPECT_EQ(at(main.hfile[0], 1), 0xB0);  // 0x30 + Hypnotise, Lightning off
    EXPECT_EQ(at(main.cpatrCFG, 1), 0xB0);
    EXPECT_EQ(at(main.hfile[0], 3), 0x02);  // Volcano off, Convert on
    EXPECT_EQ(at(main.cpatrCFG, 3), 0x02);
    EXPECT_EQ(at(main.cpatrCFG, 4), 0xF0);  // untouched
    EXPECT_EQ(at(main.hfile[1], 3), 0x06);  // 6 with Volcano off, Convert on
    EXPECT_EQ(at(main.hfile[24], 99), 0x01);
    EXPECT_EQ(at(main.hfile[0], 96), 0x00);  // YG cleared again
}

}  // namespace
