#include "platform/Environment.h"

#include <cstdlib>

namespace platform {

std::uint32_t ExpandEnvironmentStrings(const std::string& source, std::string& buffer,
                                       std::uint32_t size) {
    std::string text = source.substr(0, source.find('\0'));
    std::string expanded;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t open = text.find('%', at);
        std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            expanded += text.substr(at);
            break;
        }
        expanded += text.substr(at, open - at);
        std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        expanded += value != nullptr ? std::string(value) : text.substr(open, close - open + 1);
        at = close + 1;
    }
    auto needed = static_cast<std::uint32_t>(expanded.size() + 1);
    if (needed <= size) {
        if (buffer.size() < size) {
            buffer.resize(size, '\0');
        }
        buffer.replace(0, needed, expanded + '\0');
    }
    return needed;
}

}  // namespace platform
