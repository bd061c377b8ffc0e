// What the Start Game, export, launch and End Game tests share: a fixture
// with the program started on stand-in folders, the names and bytes they
// check files against, and a recorder of the copies the file layer makes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

namespace testing_support {

constexpr int kExclamation = 48;
constexpr int kMinimizedFocus = 2;
constexpr const char* kCommandLine = "gxexec.exe zek3.exe /RUNGAME";

// Availability flags that differ from every shipped attribute file, so a
// patched file can be told from an untouched one.
inline const std::string kFlags{'\x11', '\x22', '\x33', '\x44', '\x55', '\x66'};

// n in three digits: "007".
std::string number3(int n);
// A computer player's file for a difficulty, relative to the program folder:
// "CPUScripts/Easy/cpatr001.dat".
std::string scriptFile(const std::string& word, const char* kind, int n);
// "levels/x.dat" as the program writes it: "\levels\x.dat".
std::string backslashed(const std::string& relative);
// An attribute file as the patch must leave it: at least 144 bytes, the
// flags at byte offsets 80-85, every other byte as it was.
std::string patched(std::string bytes, const std::string& flags);

// Compares file contents and, on a mismatch, names the sizes and the first
// differing offset instead of printing kilobytes of noise.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected);

using Copy = std::pair<std::string, std::string>;

// Records every copy the file layer makes, in order, without disturbing it.
class CopyRecorder {
public:
    CopyRecorder();
    ~CopyRecorder();
    CopyRecorder(const CopyRecorder&) = delete;
    CopyRecorder& operator=(const CopyRecorder&) = delete;
    std::vector<Copy> copies;
};

class Skirmish : public ::testing::Test {
protected:
    std::string P() const { return fx.programDir().string(); }
    std::string G() const { return fx.gameDir().string(); }
    std::filesystem::path marker() const { return fx.programDir() / "BACKUP" / "export.pending"; }

    std::string program(const std::string& relative) const {
        return readFile(fx.programDir() / relative);
    }
    std::string game(const std::string& relative) const {
        return readFile(fx.gameDir() / relative);
    }

    // Every data file of the game folder holds the stand-in game's bytes.
    void expectGameFolderUntouched() const;
    // The 150 attribute files all hold these flags, or all are as shipped.
    void expectAttributeFiles(const std::string& word, const std::optional<std::string>& flags);
    // The titles of the messages shown so far.
    std::vector<std::string> titles() const;

    ProgramFixture fx;
    forms::headless::Driver& d = fx.driver();
};

}  // namespace testing_support
