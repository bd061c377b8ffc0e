#include "platform/PathResolver.h"

#include <dirent.h>

#include <algorithm>
#include <utility>

#include "platform/TemporaryFiles.h"

namespace platform::detail {

namespace {

// Case is folded for ASCII letters only, whatever the locale: the game's
// names are ASCII, and a user's locale must not change which file a name
// stands for.
char lowerLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), lowerLetter);
    return text;
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

// The path a walk ended at, as the text was written: a relative one without
// a leading "./", a trailing separator kept.
std::string finished(std::string resolved, bool absolute, bool trailing) {
    if (resolved.empty()) {
        return "/";
    }
    if (!absolute && resolved.rfind("./", 0) == 0) {
        resolved.erase(0, 2);
    }
    // A trailing separator names the folder itself.
    if (trailing && resolved.back() != '/') {
        resolved += '/';
    }
    return resolved;
}

}  // namespace

Listing::Listing(const std::string& folder) {
    DIR* dir = faulted(folder) ? nullptr : ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    record(FileStep::List, folder);
    while (dirent* entry = ::readdir(dir)) {
        if (isOwnTemporary(entry->d_name)) {
            stale_.emplace_back(entry->d_name);
        } else {
            add(entry->d_name);
        }
    }
    ::closedir(dir);
}

std::optional<std::string> Listing::find(const std::string& name) const {
    auto match = first_.find(lowerCase(name));
    if (match == first_.end()) {
        return std::nullopt;
    }
    if (match->second != name && others_.count(name) != 0) {
        return name;  // the exact spelling exists too
    }
    return match->second;
}

std::vector<std::string> Listing::takeStale(const std::string& only) {
    if (only.empty()) {
        return std::exchange(stale_, {});
    }
    auto others = std::partition(stale_.begin(), stale_.end(), [&only](const std::string& name) {
        return !isTemporaryOf(name, only);
    });
    std::vector<std::string> taken(others, stale_.end());
    stale_.erase(others, stale_.end());
    return taken;
}

void Listing::remove(const std::string& name) {
    if (others_.erase(name) != 0) {
        return;
    }
    auto slot = first_.find(lowerCase(name));
    if (slot == first_.end() || slot->second != name) {
        return;
    }
    // The next spelling in name order takes its place, if there is one.
    std::optional<std::string> next;
    for (const std::string& other : others_) {
        if (lowerCase(other) == slot->first && (!next || other < *next)) {
            next = other;
        }
    }
    if (next) {
        others_.erase(*next);
        slot->second = *next;
    } else {
        first_.erase(slot);
    }
}

void Listing::add(const std::string& name) {
    std::string folded = lowerCase(name);
    // A copy put in place mostly replaces a name the folder has.
    if (auto known = first_.find(folded); known != first_.end() && known->second == name) {
        return;
    }
    auto [slot, inserted] = first_.emplace(std::move(folded), name);
    if (inserted || slot->second == name) {
        return;
    }
    if (name < slot->second) {
        others_.insert(std::exchange(slot->second, name));
    } else {
        others_.insert(name);
    }
}

std::string Resolver::resolve(const std::string& text, bool literalMissing) {
    const std::string slashed = detail::slashed(text);
    if (slashed.empty() || slashed.find('\0') != std::string::npos) {
        return "";
    }
    std::vector<std::string> parts;
    for (std::size_t pos = 0; pos <= slashed.size();) {
        std::size_t next = std::min(slashed.find('/', pos), slashed.size());
        if (next > pos) {
            parts.push_back(slashed.substr(pos, next - pos));
        }
        pos = next + 1;
    }
    const bool absolute = slashed.front() == '/';
    const bool trailing = slashed.back() == '/';

    std::string literal = absolute ? "" : ".";
    for (const std::string& part : parts) {
        literal = joined(literal.empty() ? "/" : literal, part);
    }
    struct stat st {};
    if (!parts.empty() && !literalMissing && lstatPath(literal, &st) == 0) {
        return finished(literal, absolute, trailing);
    }

    std::string resolved = absolute ? "" : ".";
    std::string written = resolved;
    bool resolving = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const std::string base = resolved.empty() ? "/" : resolved;
        std::string candidate = joined(base, part);
        written = joined(written.empty() ? "/" : written, part);
        const bool last = i + 1 == parts.size();
        if (resolving && part != "." && part != "..") {
            auto known = folders_.find(written);
            if (!last && known != folders_.end()) {
                candidate = known->second;
            } else if (auto found = findIn(base, part, candidate)) {
                candidate = joined(base, *found);
                if (!last) {
                    folders_[written] = candidate;
                }
            } else {
                resolving = false;  // what follows cannot exist either
            }
        }
        resolved = candidate;
    }
    return finished(resolved, absolute, trailing);
}

Listing& Resolver::listing(const std::string& folder) {
    auto known = listings_.find(folder);
    if (known == listings_.end()) {
        known = listings_.emplace(folder, Listing(folder)).first;
    }
    return known->second;
}

Listing* Resolver::listed(const std::string& folder) {
    auto known = listings_.find(folder);
    return known == listings_.end() ? nullptr : &known->second;
}

// The entry of `folder` that `name` stands for: the name itself when it
// exists, else a spelling that differs only in case. Of all spellings,
// the one in upper case comes first in name order, so when it exists it
// is the answer without listing the folder: games installed from disc
// carry such names, often in folders of thousands of entries.
std::optional<std::string> Resolver::findIn(const std::string& folder, const std::string& name,
                                            const std::string& candidate) {
    if (!listed(folder)) {
        struct stat st {};
        if (lstatPath(candidate, &st) == 0) {
            return name;
        }
        std::string upper = upperCase(name);
        if (upper != name && lstatPath(joined(folder, upper), &st) == 0) {
            return upper;
        }
    }
    return listing(folder).find(name);
}

Fd openText(Resolver& resolver, const std::string& path, std::string& native, struct stat* status) {
    native = slashed(path);
    Fd fd = openForReading(native, status);
    if (fd.get() < 0) {
        native = resolver.resolve(path, missing(errno));
        fd = openForReading(native, status);
    }
    return fd;
}

bool statusOf(Resolver& resolver, const std::string& path, bool follow, std::string& native,
              struct stat* st) {
    auto look = [&] { return follow ? statPath(native, st) : lstatPath(native, st); };
    native = slashed(path);
    if (look() == 0) {
        return true;
    }
    native = resolver.resolve(path, missing(errno));
    return look() == 0;
}

}  // namespace platform::detail
