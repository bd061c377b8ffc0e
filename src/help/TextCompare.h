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

}  // namespace help
