#include "platform/VersionServices.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "forms/Error.h"
#include "platform/PathNotation.h"

namespace platform {

namespace {

VersionServices* current = nullptr;

constexpr std::uint32_t kVersionRecordSize = 148;
constexpr int kResourceNotFound = 326;

std::uint32_t copyOut(const std::string& path, std::string& out, std::uint32_t bufferLength) {
    auto needed = static_cast<std::uint32_t>(path.size() + 1);
    if (needed > bufferLength) {
        return needed;
    }
    out = path;
    return needed - 1;
}

[[noreturn]] void noResource(std::int32_t id) {
    throw forms::RuntimeError(kResourceNotFound,
                              "Resource with identifier '" + std::to_string(id) + "' not found");
}

}  // namespace

// The kernel's release stands in the version fields, under a platform
// identifier that none of the classic platforms uses.
bool LinuxVersionServices::GetVersionEx(OSVERSIONINFO& info) {
    if (info.dwOSVersionInfoSize != kVersionRecordSize) {
        return false;
    }
    info.dwPlatformId = VER_PLATFORM_OTHER;
    struct utsname name {};
    if (::uname(&name) == 0) {
        unsigned major = 0, minor = 0, build = 0;
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
        info.dwMajorVersion = major;
        info.dwMinorVersion = minor;
        info.dwBuildNumber = build;
        info.szCSDVersion = std::string(name.sysname) + " " + name.release;
        info.szCSDVersion.resize(std::min<std::size_t>(info.szCSDVersion.size(), 127));
    }
    return true;
}

// There are no short names here: an existing path is its own long form.
std::uint32_t LinuxVersionServices::GetLongPathName(const std::string& path, std::string& longPath,
                                                    std::uint32_t bufferLength) {
    if (path.empty() || (!fileExists(path) && !folderExists(path))) {
        return 0;
    }
    return copyOut(path, longPath, bufferLength);
}

// The files here carry no version resources.
std::uint32_t LinuxVersionServices::GetFileVersionInfoSize(const std::string&) {
    return 0;
}

bool LinuxVersionServices::GetFileVersionInfo(const std::string&, std::uint32_t, std::string&) {
    return false;
}

bool LinuxVersionServices::VerQueryValue(const std::string&, const std::string&, std::string&) {
    return false;
}

// The program ships no string resources.
std::string LinuxVersionServices::LoadResString(std::int32_t id) {
    noResource(id);
}

bool ScriptedVersionServices::GetVersionEx(OSVERSIONINFO& info) {
    if (info.dwOSVersionInfoSize != kVersionRecordSize) {
        return false;
    }
    info = version;
    info.dwOSVersionInfoSize = kVersionRecordSize;
    return true;
}

std::uint32_t ScriptedVersionServices::GetLongPathName(const std::string& path,
                                                       std::string& longPath,
                                                       std::uint32_t bufferLength) {
    auto found = longNames.find(path);
    return found == longNames.end() ? 0 : copyOut(found->second, longPath, bufferLength);
}

std::uint32_t ScriptedVersionServices::GetFileVersionInfoSize(const std::string& file) {
    auto found = versionBlocks.find(file);
    return found == versionBlocks.end() ? 0 : static_cast<std::uint32_t>(found->second.size());
}

bool ScriptedVersionServices::GetFileVersionInfo(const std::string& file, std::uint32_t size,
                                                 std::string& data) {
    auto found = versionBlocks.find(file);
    if (unreadable || found == versionBlocks.end()) {
        return false;
    }
    data = found->second.substr(0, size);
    return true;
}

bool ScriptedVersionServices::VerQueryValue(const std::string& data, const std::string& subBlock,
                                            std::string& value) {
    if (subBlock != "\\" || data.size() < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    value = data.substr(0, sizeof(VS_FIXEDFILEINFO));
    return true;
}

std::string ScriptedVersionServices::LoadResString(std::int32_t id) {
    auto found = resources.find(id);
    if (found == resources.end()) {
        noResource(id);
    }
    return found->second;
}

std::string ScriptedVersionServices::block(const VS_FIXEDFILEINFO& info) {
    std::string bytes(sizeof info, '\0');
    std::memcpy(bytes.data(), &info, sizeof info);
    return bytes;
}

std::string ScriptedVersionServices::block(std::uint16_t a, std::uint16_t b, std::uint16_t c,
                                           std::uint16_t d) {
    VS_FIXEDFILEINFO info;
    info.dwSignature = 0xFEEF04BD;
    info.dwFileVersionMS = (std::uint32_t{a} << 16) | b;
    info.dwFileVersionLS = (std::uint32_t{c} << 16) | d;
    return block(info);
}

VersionServices& versionServices() {
    static LinuxVersionServices thisSystem;
    return current != nullptr ? *current : thisSystem;
}

void setVersionServices(VersionServices* services) {
    current = services;
}

}  // namespace platform
