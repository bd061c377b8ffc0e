// The load of the saved level settings into Main's controls at start-up:
// the toggles, the fog and god buttons and the alliance boxes.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>

#include "app/Main.h"
#include "app/frmSplash.h"
#include "standin/StandIn.h"
#include "support/TestSupport.h"
#include "support/Toggles.h"

namespace {

namespace fs = std::filesystem;
using testing_support::kToggles;
using testing_support::levelFile;
using testing_support::mainForm;
using testing_support::ProgramFixture;
using testing_support::programHeader;
using testing_support::Toggle;
using testing_support::writeFile;

std::string settingsFailureText(const fs::path& programDir) {
    return "An error occured while trying to load the level settings from " + programDir.string() +
           "\\levels.  Zekvarin Skirmish will try to continue running without any previous "
           "configurations, however it is recommended that you reinstall the application before "
           "trying to use it.";
}

const char* const kBoxes[] = {"BR", "BY", "BG", "RY", "RG", "YG"};

void writeProgramHeader(const ProgramFixture& fx, int level, const std::string& bytes) {
    writeFile(fx.programDir() / levelFile(level, ".hdr"), bytes);
}

TEST(SavedSettings, FailureAtOneHeaderLeavesTheRestEmptyAndControlsInDesignState) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / levelFile(3, ".hdr"));
    fs::create_directory(fx.programDir() / levelFile(3, ".hdr"));
    // Bits that would change the controls, had level 1 been read.
    std::string level1 = programHeader(1);
    level1[98] = 0x03;
    level1[92] = 0x0F;
    level1[0] = 0x00;
    writeProgramHeader(fx, 1, level1);
    fx.start();

    ASSERT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    const auto& message = fx.driver().messages()[0];
    EXPECT_EQ(message.style, 48);
    EXPECT_EQ(message.title, "Error- Loading Level Settings");
    EXPECT_EQ(message.prompt, settingsFailureText(fx.programDir()));
    EXPECT_FALSE(fx.driver().ended());

    app::Main& main = mainForm();
    ASSERT_TRUE(main.Visible());
    EXPECT_EQ(main.cpatrCFG, standin::programFileBytes("cpatrCFG.dat"));
    EXPECT_EQ(main.hfile[1], programHeader(2));
    const std::string empty(616, '\0');
    EXPECT_EQ(main.hfile[0], empty);
    for (int level = 3; level <= 25; ++level) {
        EXPECT_EQ(main.hfile[level - 1], empty) << "level " << level;
    }
    for (const Toggle& toggle : kToggles) {
        const forms::Image& image = main.image(toggle.image);
        EXPECT_EQ(image.Tag(), "2") << toggle.image;
        EXPECT_EQ(image.Picture(), forms::Picture{toggle.picture}) << toggle.image;
    }
    EXPECT_EQ(main.Command1.Caption(), "FOG is OFF");
    EXPECT_EQ(main.Command2.Caption(), "GOD is OFF");
    for (const char* box : kBoxes) {
        EXPECT_EQ(main.control<forms::CheckBox>(box).Value(), 0) << box;
    }
    EXPECT_EQ(main.Nothing1.ToolTipText(),
              "Toggle Guest Spells.  Possible Choices are  Off, Bloodlust, Teleport, and "
              "Armageddon.");
}

// The splash's timer goes on ticking while Main's load holds a message box
// open; those ticks must not hand over a second time, which would show Main
// before its load step has finished.
TEST(SavedSettings, SplashHandsOverOnceWhileTheLoadWarningIsOpen) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / levelFile(3, ".hdr"));
    fs::create_directory(fx.programDir() / levelFile(3, ".hdr"));
    bool mainShownDuringWarning = true;
    bool splashLoadedDuringWarning = false;
    fx.driver().startOnly<app::frmSplash>();
    // Queued now, taken by the warning's box: the clock runs on 10 s with
    // the box open (the splash's timer ticks three times meanwhile).
    fx.driver().wait(10000).then([&] {
        mainShownDuringWarning = mainForm().Visible();
        splashLoadedDuringWarning = forms::form<app::frmSplash>().Loaded();
    });
    fx.driver().ok();
    fx.driver().backend().advanceTo(3000);
    fx.driver().run();

    EXPECT_EQ(fx.driver().messages().size(), 1u) << fx.lastMessage();
    EXPECT_FALSE(mainShownDuringWarning);
    EXPECT_TRUE(splashLoadedDuringWarning);
    EXPECT_TRUE(mainForm().Visible());
    EXPECT_FALSE(forms::form<app::frmSplash>().Loaded());
    EXPECT_EQ(fx.driver().now(), 13000);
}

TEST(SavedSettings, MissingAvailabilityFileIsCreatedEmpty) {
    ProgramFixture fx;
    fs::remove(fx.programDir() / "cpatrCFG.dat");
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    ASSERT_TRUE(fs::is_regular_file(fx.programDir() / "cpatrCFG.dat"));
    EXPECT_EQ(fs::file_size(fx.programDir() / "cpatrCFG.dat"), 0u);
    app::Main& main = mainForm();
    EXPECT_EQ(main.hfile[0], programHeader(1));
    EXPECT_EQ(main.Nothing1.ToolTipText(), "Guest Spells (Cannot be saved)");
}

TEST(SavedSettings, ControlsFollowLevel1Bits) {
    ProgramFixture fx;
    std::string level1 = programHeader(1);
    // A spread of bits, those no toggle reads included (char 1 0x03, char 3
    // 0x04 and up, char 4, char 5 0x0D, char 6 0x5E).
    level1[0] = static_cast<char>(0xA7);  // Blast, Swarm, Hypnotise
    level1[1] = static_cast<char>(0x5A);  // Ghost Army, Swamp, Landbridge, Earthquake
    level1[2] = static_cast<char>(0xF6);  // Convert
    level1[3] = static_cast<char>(0xFF);
    level1[4] = static_cast<char>(0x3D);   // Guard Tower, Temple
    level1[5] = static_cast<char>(0xDF);   // Firewarrior, Balloon
    level1[98] = static_cast<char>(0xFE);  // god on, fog off
    writeProgramHeader(fx, 1, level1);
    // Another level with the opposite bits: only level 1 decides.
    std::string level2 = programHeader(2);
    for (int i = 0; i < 6; ++i) {
        level2[i] = static_cast<char>(~level1[i]);
    }
    level2[98] = 0x01;
    writeProgramHeader(fx, 2, level2);
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    app::Main& main = mainForm();
    const std::map<std::string, bool> available{
        {"Image16", true},  {"Image10", false}, {"Image5", false}, {"Image11", true},
        {"Image12", false}, {"Image13", true},  {"Image7", false}, {"Image52", true},
        {"Image4", false},  {"Image6", true},   {"Image9", true},  {"Image1", false},
        {"Image3", true},   {"Image8", false},  {"Image2", false}, {"Image17", true},
        {"Image14", false}, {"Image24", false}, {"Image23", true}, {"Image21", true},
        {"Image20", false}, {"Image22", false}, {"Image19", true}, {"Image18", false},
        {"Image15", true},
    };
    for (const Toggle& toggle : kToggles) {
        const forms::Image& image = main.image(toggle.image);
        if (available.at(toggle.image)) {
            EXPECT_EQ(image.Tag(), "2") << toggle.image;
            EXPECT_EQ(image.Picture(), forms::Picture{toggle.picture}) << toggle.image;
        } else {
            EXPECT_EQ(image.Tag(), "1") << toggle.image;
            EXPECT_EQ(image.Picture(), forms::Picture{toggle.spell ? "spell_off" : "hut_off"})
                << toggle.image;
        }
    }
    EXPECT_EQ(main.Command1.Caption(), "FOG is OFF");
    EXPECT_EQ(main.Command2.Caption(), "GOD is ON");
    EXPECT_EQ(main.Nothing1.Picture(), forms::Picture{"spell_off"});
    EXPECT_EQ(main.Nothing1.ToolTipText(), "Guest Spells (Cannot be saved)");
    // Loading alone changes no header.
    EXPECT_EQ(main.hfile[0], level1);
    EXPECT_EQ(main.hfile[1], level2);
}

TEST(SavedSettings, FogOnlyCaptionFromBit0x01) {
    ProgramFixture fx;
    std::string level1 = programHeader(1);
    level1[98] = 0x01;
    writeProgramHeader(fx, 1, level1);
    fx.start();
    EXPECT_EQ(mainForm().Command1.Caption(), "FOG is ON");
    EXPECT_EQ(mainForm().Command2.Caption(), "GOD is OFF");
}

TEST(SavedSettings, AllianceBoxesFollowOnlyTheFirstTribesByte) {
    ProgramFixture fx;
    std::array<std::string, 25> saved;
    for (int level = 1; level <= 25; ++level) {
        saved[level - 1] = programHeader(level);
    }
    // Red says it is allied with Blue, Blue does not: BR stays clear. Green's
    // byte is never read, whatever it holds.
    saved[0][92] = 0x01;
    saved[0][93] = 0x03;
    saved[0][94] = 0x04;
    saved[0][95] = static_cast<char>(0xFF);
    // An alliance in level 7 alone stays there.
    saved[6][92] = 0x03;
    saved[6][93] = 0x03;
    for (int level = 1; level <= 25; ++level) {
        writeProgramHeader(fx, level, saved[level - 1]);
    }
    fx.start();

    EXPECT_TRUE(fx.driver().messages().empty()) << fx.lastMessage();
    app::Main& main = mainForm();
    for (const char* box : kBoxes) {
        EXPECT_EQ(main.control<forms::CheckBox>(box).Value(), 0) << box;
    }
    for (int level = 1; level <= 25; ++level) {
        EXPECT_EQ(main.hfile[level - 1], saved[level - 1]) << "level " << level;
    }
}

TEST(SavedSettings, AllianceBoxesTickedFromTheFirstTribe) {
    ProgramFixture fx;
    std::string level1 = programHeader(1);
    level1[93] = 0x0A;  // Red: allied with Red (itself) and Green -> RG
    level1[94] = 0x08;  // Yellow: allied with Green -> YG
    writeProgramHeader(fx, 1, level1);
    fx.start();

    app::Main& main = mainForm();
    const std::map<std::string, int> ticked{{"BR", 0}, {"BY", 0}, {"BG", 0},
                                            {"RY", 0}, {"RG", 1}, {"YG", 1}};
    for (const char* box : kBoxes) {
        EXPECT_EQ(main.control<forms::CheckBox>(box).Value(), ticked.at(box)) << box;
    }
}

}  // namespace
