#include "app/ConfigFiles.h"

#include "forms/Runtime.h"
#include "platform/Files.h"

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

}  // namespace app
