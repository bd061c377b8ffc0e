#include "platform/FileFaults.h"

#include <utility>

#include "platform/FileSystemCalls.h"

namespace platform {

namespace {

std::optional<CopyFault> copyFault;
std::function<void(const FileEvent&)> recorder;
std::function<int(const std::string&)> accessFaultOf;
std::function<std::optional<FolderNumbers>(const std::string&)> folderNumbersOf;
std::function<std::optional<long>(const std::string&)> fileSystemTypeOf;
std::function<int(const std::string&)> removalFaultOf;

}  // namespace

void setCopyFault(std::optional<CopyFault> fault) {
    copyFault = std::move(fault);
}

void setFileRecorder(std::function<void(const FileEvent&)> newRecorder) {
    recorder = std::move(newRecorder);
}

void setAccessFault(std::function<int(const std::string& native)> fault) {
    accessFaultOf = std::move(fault);
}

void setFolderNumbers(
    std::function<std::optional<FolderNumbers>(const std::string& native)> numbers) {
    folderNumbersOf = std::move(numbers);
}

void setFileSystemType(std::function<std::optional<long>(const std::string& native)> type) {
    fileSystemTypeOf = std::move(type);
}

void setRemovalFault(std::function<int(const std::string& native)> fault) {
    removalFaultOf = std::move(fault);
}

namespace detail {

bool recording() {
    return static_cast<bool>(recorder);
}

void record(FileStep step, const std::string& path, const std::string& target) {
    if (recorder) {
        recorder(FileEvent{step, path, target});
    }
}

int accessFault(const std::string& native) {
    return accessFaultOf ? accessFaultOf(native) : 0;
}

std::optional<FolderNumbers> injectedNumbers(const std::string& native) {
    return folderNumbersOf ? folderNumbersOf(native) : std::nullopt;
}

std::optional<long> injectedFileSystemType(const std::string& native) {
    return fileSystemTypeOf ? fileSystemTypeOf(native) : std::nullopt;
}

int removalFault(const std::string& native) {
    return removalFaultOf ? removalFaultOf(native) : 0;
}

const CopyFault* copyFaultFor(const std::string& source, const std::string& destination) {
    return copyFault && copyFault->when && copyFault->when(source, destination) ? &*copyFault
                                                                                : nullptr;
}

}  // namespace detail

}  // namespace platform
