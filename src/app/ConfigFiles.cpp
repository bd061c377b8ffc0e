#include "app/ConfigFiles.h"

#include "app/CopySet.h"
#include "forms/Runtime.h"
#include "platform/FileContents.h"
#include "platform/FileOperation.h"
#include "platform/PathNotation.h"

namespace app {

std::string ProgramDir() {
    return forms::App().Path;
}

void WriteConfigFile(const std::string& relativeName, const std::string& text) {
    platform::writeTextFile(ProgramDir() + relativeName, text + "\r\n");
}

std::string ReadConfigFile(const std::string& relativeName) {
    return platform::readTextFile(ProgramDir() + relativeName);
}

std::string StripCrLf(const std::string& text) {
    std::string stripped;
    stripped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        stripped += text[i];
    }
    return stripped;
}

Configuration ReadConfiguration() {
    Configuration configuration;
    configuration.zekdir = ReadConfigFile(kZekdirCfg);
    configuration.appdir = ReadConfigFile(kAppdirCfg);
    configuration.zekdir = StripCrLf(configuration.zekdir);
    configuration.appdir = StripCrLf(configuration.appdir);
    return configuration;
}

Configuration ReadConfigurationOrEnd(const std::function<void()>& beforeMessage) {
    try {
        return ReadConfiguration();
    } catch (const std::exception&) {
        if (beforeMessage) {
            beforeMessage();
        }
        forms::MsgBox(
            "Zekvarin Skirmish Mode was unable to load its configuration files in " + ProgramDir() +
                "\\CFG.  If the problem persists, try reinstalling the application.\r\n\r\n"
                "Zekvarin Skirmish Mode will now close.",
            forms::style::Critical, "Critical Error- Loading Program Configuration");
        forms::End(forms::kExitOnError);
    }
}

bool IsGameFolder(const std::string& dir) {
    std::string native = platform::nativePath(dir);
    return !native.empty() && native.front() == '/' && platform::folderExists(dir);
}

bool AcceptGameFolder(const std::string& dir) {
    auto refuse = [&dir](const std::string& why) {
        forms::MsgBox("The Zekvarin directory " + Printable(dir) + " " + why +
                          ".  Please enter the full path of the folder Zekvarin is installed in, "
                          "then try again.",
                      forms::style::Exclamation, "Error- Zekvarin Directory");
        return false;
    };
    if (!IsGameFolder(dir)) {
        return refuse("is not an existing folder");
    }
    // A folder without the files the backup's first phase copies would
    // fail the backup at the next start.
    platform::FileOperation operation;
    for (const CopyRow& row : BackupSet()) {
        if (row.phase == 1 && !operation.fileExists(dir + row.source)) {
            return refuse("does not hold the game's file " + Printable(dir + row.source));
        }
    }
    return true;
}

std::string Printable(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code >= 0x7f) {
            c = '?';
        }
    }
    return shown;
}

}  // namespace app
