// Text comparison inside the help-viewer class: names of files, registry
// values and versions compare without regard to letter case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace help {

inline char upperChar(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

inline std::string upperText(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), upperChar);
    return text;
}

inline bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upperChar(x) == upperChar(y);
           });
}

// Whether a name ends in `ending` in any letter case; a name shorter than
// the ending is compared whole. No dot is looked for.
inline bool endsWithText(const std::string& name, const std::string& ending) {
    return sameText(name.size() < ending.size() ? name : name.substr(name.size() - ending.size()),
                    ending);
}

// The text after the last "\" of a path.
inline std::string bareName(const std::string& path) {
    auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace help
