// The helpers of SkirmishFixture.h.
#include "support/SkirmishFixture.h"

#include "platform/FileFaults.h"
#include "standin/StandIn.h"

namespace testing_support {

std::string number3(int n) {
    std::string s = std::to_string(n);
    return std::string(3 - s.size(), '0') + s;
}

std::string scriptFile(const std::string& word, const char* kind, int n) {
    return "CPUScripts/" + word + "/" + kind + number3(n) + ".dat";
}

std::string backslashed(const std::string& relative) {
    std::string text = "\\" + relative;
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    return text;
}

std::string patched(std::string bytes, const std::string& flags) {
    if (bytes.size() < standin::kAttributeFileSize) {
        bytes.resize(standin::kAttributeFileSize, '\0');
    }
    bytes.replace(80, 6, flags);
    return bytes;
}

::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at offset " << at;
}

CopyRecorder::CopyRecorder() {
    platform::setCopyFault(
        platform::CopyFault{[this](const std::string& source, const std::string& destination) {
                                copies.emplace_back(source, destination);
                                return false;
                            },
                            0});
}

CopyRecorder::~CopyRecorder() {
    platform::setCopyFault(std::nullopt);
}

void Skirmish::expectGameFolderUntouched() const {
    for (const std::string& relative : standin::gameFileList()) {
        EXPECT_TRUE(sameBytes(game(relative), standin::gameFileBytes(relative))) << relative;
    }
}

void Skirmish::expectAttributeFiles(const std::string& word,
                                    const std::optional<std::string>& flags) {
    for (int n = 1; n <= 50; ++n) {
        std::string relative = scriptFile(word, "cpatr", n);
        std::string shipped = standin::programFileBytes(relative);
        EXPECT_TRUE(sameBytes(program(relative), flags ? patched(shipped, *flags) : shipped))
            << relative;
    }
}

std::vector<std::string> Skirmish::titles() const {
    std::vector<std::string> all;
    for (const auto& message : d.messages()) {
        all.push_back(message.title);
    }
    return all;
}

}  // namespace testing_support
