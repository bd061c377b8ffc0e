// The benchmark's native side: copies as pairs of native paths looked up
// before the timing, failures with the system's reason, syncs and the kind
// of file system a folder lies on.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/CopySet.h"

namespace bench {

// Copies as (source, destination) native paths.
using FileList = std::vector<std::pair<std::string, std::string>>;

// Raises `what` with the reason of the system call that just failed.
[[noreturn]] void fail(const std::string& what);
// Raises `what` unless it holds.
void expect(bool holds, const std::string& what);

std::string parentOf(const std::string& path);
std::string nameOf(const std::string& path);

// The native paths of the rows of one phase, looked up in one operation.
FileList nativeRows(const std::vector<app::CopyRow>& rows, int phase, const std::string& sourceBase,
                    const std::string& destinationBase);
// Phase 1, then phase 2.
std::vector<FileList> nativePhases(const std::vector<app::CopyRow>& rows,
                                   const std::string& sourceBase,
                                   const std::string& destinationBase);
// Folders' native paths, without a trailing slash.
std::vector<std::string> nativeFolders(const std::vector<std::string>& texts);

// Every written file of the file system holding `folder` on disk.
void syncAll(const std::string& folder);

// "disk" or "memory", by the file system under `folder`.
std::string fileSystemOf(const std::filesystem::path& folder);

}  // namespace bench
