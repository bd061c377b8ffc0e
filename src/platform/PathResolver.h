// Internal to the file layer: the case-insensitive walk that maps a path
// text onto an existing entry (PathNotation.h says which one), and the
// folder listings it keeps. A resolver lives for one FileOperation, so a
// folder is listed at most once per operation.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/FileSystemCalls.h"

namespace platform::detail {

// The entries of one folder, to find a name in another case. When several
// entries differ from a name only in case, the first in name order wins, so
// the same text always names the same file. The program's own temporary
// files are kept apart: nothing looks them up, and the sweep removes them.
// A folder that cannot be read lists as empty.
class Listing {
public:
    explicit Listing(const std::string& folder);

    // The entry `name` stands for: itself when it exists, else the first
    // spelling that differs only in case.
    std::optional<std::string> find(const std::string& name) const;

    // The temporary files a killed copy left, until they are swept; with
    // `only`, just those of a file of that name.
    std::vector<std::string> takeStale(const std::string& only = {});

    // What the operation itself removed or added in the folder.
    void remove(const std::string& name);
    void add(const std::string& name);

private:
    // One entry per name but for case, holding its first spelling; the
    // other spellings, which few folders have, apart. A folder of ten
    // thousand entries is listed in about the time the system takes to
    // read it.
    std::unordered_map<std::string, std::string> first_;
    std::unordered_set<std::string> others_;
    std::vector<std::string> stale_;
};

// Maps path texts onto the file system. The whole path is tried first, in
// the case it is written in, which is what nearly every path of a game
// installed in one case needs: one look-up. Only when that fails is the path
// walked name by name. What the walk finds (the folders and the listings of
// their entries) is kept for the resolver's life, which is one file
// operation, so that an operation on 152 files lists a folder once, not once
// per file.
class Resolver {
public:
    // `literalMissing`: the caller found nothing at the path as written.
    // A text the system cannot look up (empty, or holding a NUL byte)
    // resolves to the empty path, which names nothing.
    std::string resolve(const std::string& text, bool literalMissing = false);

    // The listing of a folder, read on its first use.
    Listing& listing(const std::string& folder);
    // The listing of a folder the operation has listed already, else null.
    Listing* listed(const std::string& folder);

private:
    std::optional<std::string> findIn(const std::string& folder, const std::string& name,
                                      const std::string& candidate);

    std::unordered_map<std::string, std::string> folders_;  // written text -> existing folder
    std::unordered_map<std::string, Listing> listings_;     // folder -> its entries
};

// Opens a path text for reading (see openForReading): as written first,
// which is what nearly every path of a game installed in one case needs,
// and through the resolver's walk only when that fails. `native` receives
// the path opened, or the one that failed.
Fd openText(Resolver& resolver, const std::string& path, std::string& native,
            struct stat* status = nullptr);

// The status of what a path text names, links followed (`follow`) or not:
// as written first, then through the walk. `native` receives the path
// looked at; false with `errno` set when there is nothing to see.
bool statusOf(Resolver& resolver, const std::string& path, bool follow, std::string& native,
              struct stat* st);

}  // namespace platform::detail
