#include "platform/TemporaryFiles.h"

#include <unistd.h>

#include <cstring>
#include <random>

#include "platform/PathResolver.h"

namespace platform::detail {

namespace {

constexpr const char* kTempMark = ".zektmp-";
constexpr std::size_t kTempSuffix = 6;

}  // namespace

bool isOwnTemporary(const std::string& name) {
    const std::size_t markLength = std::strlen(kTempMark);
    if (name.size() < 2 + markLength + kTempSuffix || name.front() != '.') {
        return false;
    }
    return name.compare(name.size() - kTempSuffix - markLength, markLength, kTempMark) == 0;
}

bool isTemporaryOf(const std::string& temporary, const std::string& name) {
    const std::string start = "." + name + kTempMark;
    return temporary.size() == start.size() + kTempSuffix && temporary.starts_with(start);
}

std::string temporaryName(const std::string& name) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::minstd_rand random(static_cast<unsigned>(::getpid()) ^
                                   static_cast<unsigned>(std::random_device{}()));
    std::string temp = "." + name + kTempMark;
    for (std::size_t i = 0; i < kTempSuffix; ++i) {
        temp += kChars[random() % (sizeof kChars - 1)];
    }
    return temp;
}

void sweepListed(Listing& listing, const std::string& folder, int folderFd,
                 const std::string& only) {
    for (const std::string& name : listing.takeStale(only)) {
        const std::string path = joined(folder, name);
        if (::unlinkat(folderFd, folderFd == AT_FDCWD ? path.c_str() : name.c_str(), 0) == 0) {
            record(FileStep::Remove, path);
        }
    }
}

}  // namespace platform::detail
