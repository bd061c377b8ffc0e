// What the program can learn about the system it runs on and about a file:
// the operating system's version, a path's long form, a file's version
// information, and the program's own string resources.
//
// The calls keep their classic shapes (a record with a size field the
// caller fills in, a buffer length going in and the text's length coming
// out) because the help viewer's version checks are written against them.
// This system is none of the classic platforms: it has no short (8.3) names,
// no version resources in its files and no string resources in the program.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace platform {

// The platform identifiers of the operating-system version record.
constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;
// What this system reports: none of the above.
constexpr std::uint32_t VER_PLATFORM_OTHER = 4;

// The operating-system version record (148 bytes in its classic form).
struct OSVERSIONINFO {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    std::string szCSDVersion;  // at most 127 characters
};

// A file's fixed version information: 13 double words, 52 bytes.
struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature = 0;
    std::uint32_t dwStrucVersion = 0;
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

class VersionServices {
public:
    virtual ~VersionServices() = default;

    // Fills the record; false when its size field is not 148.
    virtual bool GetVersionEx(OSVERSIONINFO& info) = 0;
    // The long form of an existing path. Returns its length and puts it in
    // `longPath` when it fits in `bufferLength` characters with its NUL; the
    // length needed (NUL included) when it does not; 0 when the path does
    // not exist.
    virtual std::uint32_t GetLongPathName(const std::string& path, std::string& longPath,
                                          std::uint32_t bufferLength) = 0;
    // The size of a file's version information in bytes; 0 when it has none.
    virtual std::uint32_t GetFileVersionInfoSize(const std::string& file) = 0;
    // Reads the first `size` bytes of the version information into `data`.
    virtual bool GetFileVersionInfo(const std::string& file, std::uint32_t size,
                                    std::string& data) = 0;
    // The bytes of one block of read version information ("\" is the fixed
    // information); false when the block is not there.
    virtual bool VerQueryValue(const std::string& data, const std::string& subBlock,
                               std::string& value) = 0;
    // The text of the program's string resource with that number; raises
    // forms::RuntimeError when there is none.
    virtual std::string LoadResString(std::int32_t id) = 0;
};

// This system's answers.
class LinuxVersionServices : public VersionServices {
public:
    bool GetVersionEx(OSVERSIONINFO& info) override;
    std::uint32_t GetLongPathName(const std::string& path, std::string& longPath,
                                  std::uint32_t bufferLength) override;
    std::uint32_t GetFileVersionInfoSize(const std::string& file) override;
    bool GetFileVersionInfo(const std::string& file, std::uint32_t size,
                            std::string& data) override;
    bool VerQueryValue(const std::string& data, const std::string& subBlock,
                       std::string& value) override;
    std::string LoadResString(std::int32_t id) override;
};

// Answers for tests: a scripted version record, long names, version blocks
// and string resources.
class ScriptedVersionServices : public VersionServices {
public:
    bool GetVersionEx(OSVERSIONINFO& info) override;
    std::uint32_t GetLongPathName(const std::string& path, std::string& longPath,
                                  std::uint32_t bufferLength) override;
    std::uint32_t GetFileVersionInfoSize(const std::string& file) override;
    bool GetFileVersionInfo(const std::string& file, std::uint32_t size,
                            std::string& data) override;
    bool VerQueryValue(const std::string& data, const std::string& subBlock,
                       std::string& value) override;
    std::string LoadResString(std::int32_t id) override;

    // The fixed information as a version block holds it.
    static std::string block(const VS_FIXEDFILEINFO& info);
    // A block whose file version is a.b.c.d.
    static std::string block(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d);

    OSVERSIONINFO version;
    std::map<std::string, std::string> longNames;      // path -> long path
    std::map<std::string, std::string> versionBlocks;  // file -> block
    std::map<std::int32_t, std::string> resources;
    // When set, reading a file's version information fails although its
    // size is known.
    bool unreadable = false;
};

// The services the program uses; tests put their own in place.
VersionServices& versionServices();
void setVersionServices(VersionServices* services);

}  // namespace platform
