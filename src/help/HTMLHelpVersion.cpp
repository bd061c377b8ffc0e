// HTMLHelp: the versions and release names of the installed help and browser
// controls, tests against minimum versions, and the operating system's class.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "forms/Error.h"
#include "help/HTMLHelp.h"
#include "help/TextCompare.h"
#include "platform/FileSearch.h"
#include "platform/VersionServices.h"

namespace help {

// Where a control's file is registered, and what is said when it cannot be
// read.
struct ControlVersionSource {
    const char* key;  // under HKEY_CLASSES_ROOT; its default value holds the file
    const char* notRegistered;
    const char* notFound;
};

namespace {

using VersionTable = std::pair<const char*, const char*>;

constexpr VersionTable kHelpReleases[] = {
    {"4.72.7290.00", "1.0"},
    {"4.72.7323.00", "1.1"},
    {"4.72.7325.00", "1.1a"},
    {"4.72.8164.00", "1.1b"},
    {"4.73.8252.00", "1.2"},
    {"4.73.8412.00", "1.21"},
    {"4.73.8474.00", "1.21a"},
    {"4.73.8561.00", "1.22"},
    {"4.74.8566.00", "1.3 Windows 2000 Beta"},
    {"4.74.8637.00", "1.3 IE 5.5 Platform Preview Beta"},
    {"4.74.8702.00", "1.3"},
};

constexpr VersionTable kBrowserReleases[] = {
    {"4.70.1155.0000", "3.0"},
    {"4.70.1158.0000", "3.0 OSR2"},
    {"4.70.1215.0000", "3.02"},
    {"4.70.1300.0000", "3.02"},
    {"4.71.1008.3000", "4.0 PP2"},
    {"4.71.1712.5000", "4.0"},
    {"4.72.2106.7000", "4.01"},
    {"4.72.3110.0300", "4.0 SP1"},
    {"4.72.3612.1707", "4.0 SP2"},
    {"5.00.0518.5000", "5.0 beta 1"},
    {"5.00.0910.1308", "5.0 beta 2"},
    {"5.00.2014.2130", "5.0"},
    {"5.00.2314.1000", "5.0a (Office 2000)"},
    {"5.00.2614.3500", "5.0b (Windows 98 SE)"},
    {"5.00.2717.2000", "5.0c (Icon Security Issue Update)"},
    {"5.00.2721.1400", "5.0d (ImportExport Favorites Issue Update)"},
    {"5.00.2919.800", "5.x (Windows 2000 RC1, build 5.00.2072)"},
    {"5.00.2919.3800", "5.x (Windows 2000 RC2, build 5.00.2128)"},
    {"5.00.2919.6307", "5.01"},
    {"5.50.3825.1300", "5.5 Platform Preview"},
};

// The minimum version texts, by minimum number from the first.
constexpr std::int32_t kFirstHelpMinimum = 16;
constexpr const char* kHelpMinimums[] = {
    "4.72.7290", "4.72.7323", "4.72.7325", "4.72.8164.0", "4.73.8252", "4.73.8412",
    "4.73.8474", "4.73.8561", "4.74.8566", "4.74.8637",   "4.74.8702",
};
constexpr std::int32_t kFirstBrowserMinimum = 256;
constexpr const char* kBrowserMinimums[] = {
    "4.70.1155",      "4.70.1158",     "4.70.1215",      "4.70.1300",      "4.71.1008.3",
    "4.71.1712.5",    "4.72.2106.7",   "4.72.3110.03",   "4.72.3612.1707", "5.00.0518.5",
    "5.00.0910.1308", "5.00.2014.213", "5.00.2314.1000", "5.00.2614.3500", "5.0.2717.2000",
    "5.00.2721.1400", "5.00.2919.800", "5.00.2919.3800",
};

constexpr ControlVersionSource kHelpControl{
    "CLSID\\{4662DAB0-D393-11D0-9A56-00C04FB68B66}\\InprocServer32",
    "Hhctrl.ocx is not registered.  Please install HTML Help.",
    "Hhctrl.ocx is not in its registered location.  Please reinstall HTML Help.",
};
constexpr ControlVersionSource kBrowserControl{
    "CLSID\\{0A89A860-D7B1-11CE-8350-444553540000}\\InProcServer32",
    "Shdocvw.dll is not registered.  Please install Internet Explorer.",
    "Internet Explorer is not in its registered location.  Please reinstall Internet Explorer.",
};

// The windows classes of the operating system.
constexpr std::int32_t kWindowsNT3 = 1;
constexpr std::int32_t kWindows95 = 2;
constexpr std::int32_t kWindowsNT4 = 3;
constexpr std::int32_t kWindows98 = 4;
constexpr std::int32_t kWindowsNT5 = 5;

constexpr std::uint32_t kMaxVersionInfo = 64000;
constexpr std::uint32_t kLongPathBuffer = 256;

// Version texts compare as text, character by character, not as numbers.
bool atLeast(const std::string& version, const std::string& minimum) {
    return upperText(version) >= upperText(minimum);
}

template <std::size_t N>
std::string releaseName(const std::string& version, const VersionTable (&table)[N]) {
    for (const auto& [text, name] : table) {
        if (sameText(version, text)) {
            return name;
        }
    }
    return "unknown";
}

// A part of a version at least `digits` wide, a negative one with its sign
// in front.
std::string padded(std::int16_t part, std::size_t digits) {
    std::string text = std::to_string(std::abs(static_cast<int>(part)));
    if (text.size() < digits) {
        text.insert(0, digits - text.size(), '0');
    }
    return part < 0 ? "-" + text : text;
}

// The computed properties pass over an error in their reader and return the
// field as it stands.
template <class Reader>
void skippingErrors(Reader reader) {
    try {
        reader();
    } catch (const std::exception&) {
    }
}

}  // namespace

bool HTMLHelp::HHVerifyMinConfig(std::int32_t& MinHHVersion, std::int32_t& MinIEVersion) {
    // A minimum counts as reached only on a version this call itself read:
    // a failed read leaves an older text in the field.
    bool helpRead = readControlVersion(kHelpControl, HHVersion_);
    bool browserRead = readControlVersion(kBrowserControl, IEVersion_);
    bool helpOk = false;
    bool browserOk = false;
    std::int32_t helpIndex = MinHHVersion - kFirstHelpMinimum;
    if (helpIndex >= 0 && helpIndex < static_cast<std::int32_t>(std::size(kHelpMinimums))) {
        helpOk = helpRead && atLeast(HHVersion_, kHelpMinimums[helpIndex]);
    } else {
        HHVersion_ = "unknown";
    }
    std::int32_t browserIndex = MinIEVersion - kFirstBrowserMinimum;
    if (browserIndex >= 0 &&
        browserIndex < static_cast<std::int32_t>(std::size(kBrowserMinimums))) {
        browserOk = browserRead && atLeast(IEVersion_, kBrowserMinimums[browserIndex]);
    } else {
        IEVersion_ = "unknown";
    }
    HHGetHHFriendlyName();
    HHGetIEFriendlyName();
    return helpOk && browserOk;
}

// ---- Computed properties

std::string HTMLHelp::HHVersion() {
    skippingErrors([this] { HHGetHHVersion(); });
    return HHVersion_;
}

std::string HTMLHelp::IEVersion() {
    skippingErrors([this] { HHGetIEVersion(); });
    return IEVersion_;
}

std::string HTMLHelp::HHFriendlyName() {
    skippingErrors([this] { HHGetHHFriendlyName(); });
    return HHFriendlyName_;
}

std::string HTMLHelp::IEFriendlyName() {
    skippingErrors([this] { HHGetIEFriendlyName(); });
    return IEFriendlyName_;
}

// ---- Private operations

// A file without version information, or whose information cannot be
// read, has no version: the empty text.
std::string HTMLHelp::HHGetFileVersion(const std::string& path) {
    platform::VersionServices& services = platform::versionServices();
    std::uint32_t size = std::min(services.GetFileVersionInfoSize(path), kMaxVersionInfo);
    std::string data;
    std::string fixed;
    if (size == 0 || !services.GetFileVersionInfo(path, size, data) ||
        !services.VerQueryValue(data, "\\", fixed) ||
        fixed.size() < sizeof(platform::VS_FIXEDFILEINFO)) {
        return "";
    }
    platform::VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed.data(), sizeof info);
    auto major = static_cast<std::int16_t>(info.dwFileVersionMS >> 16);
    auto minor = static_cast<std::int16_t>(info.dwFileVersionMS & 0xFFFF);
    auto build = static_cast<std::int16_t>(info.dwFileVersionLS >> 16);
    auto revision = static_cast<std::int16_t>(info.dwFileVersionLS & 0xFFFF);
    std::string text = std::to_string(major) + "." + padded(minor, 2) + ".";
    if (build > 0) {
        return text + padded(build, 2) + "." + padded(revision, 2);
    }
    return text + padded(revision, 4);
}

std::string HTMLHelp::HHLongPathName(std::string path) {
    if (path.find('~') == std::string::npos) {
        return path;
    }
    if (HHGetOSVersion() >= kWindows98) {
        std::string longPath;
        if (platform::versionServices().GetLongPathName(path, longPath, kLongPathBuffer) == 0) {
            return "";
        }
        return HHTrimNull(longPath);
    }
    // No conversion of its own on the older classes: walk the folders and
    // take each one's name as the directory search reports it.
    if (!path.empty() && path.front() == '"') {
        path.erase(0, 1);
    }
    if (!path.empty() && path.back() == '"') {
        path.pop_back();
    }
    std::string prefix = path.substr(0, 2);
    std::string rest = path.size() > 3 ? path.substr(3) : "";
    for (auto separator = rest.find('\\'); separator != std::string::npos;
         separator = rest.find('\\')) {
        platform::WIN32_FIND_DATA found;
        std::int32_t search =
            platform::FindFirstFile(prefix + "\\" + rest.substr(0, separator), found);
        if (search == platform::INVALID_HANDLE_VALUE) {
            return "";
        }
        prefix += "\\" + HHTrimNull(found.cFileName);
        platform::FindClose(search);
        rest.erase(0, separator + 1);
    }
    return prefix + "\\" + rest;
}

std::string HTMLHelp::HHTrimNull(std::string& text) {
    auto nul = text.find('\0');
    if (nul != std::string::npos) {
        text.erase(nul);
    }
    return text;
}

void HTMLHelp::HHGetHHVersion() {
    readControlVersion(kHelpControl, HHVersion_);
}

void HTMLHelp::HHGetIEVersion() {
    readControlVersion(kBrowserControl, IEVersion_);
}

std::string HTMLHelp::HHGetHHFriendlyName() {
    if (HHVersion_.empty()) {
        HHGetHHVersion();
    }
    HHFriendlyName_ = releaseName(HHVersion_, kHelpReleases);
    return "";
}

std::string HTMLHelp::HHGetIEFriendlyName() {
    if (IEVersion_.empty()) {
        HHGetIEVersion();
    }
    IEFriendlyName_ = releaseName(IEVersion_, kBrowserReleases);
    return "";
}

std::int32_t HTMLHelp::HHGetOSVersion() {
    platform::OSVERSIONINFO info;
    info.dwOSVersionInfoSize = 148;
    platform::versionServices().GetVersionEx(info);
    if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_NT) {
        switch (info.dwMajorVersion) {
            case 3:
                return kWindowsNT3;
            case 4:
                return kWindowsNT4;
            case 5:
                return kWindowsNT5;
            default:
                return 0;
        }
    }
    if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_WINDOWS) {
        switch (info.dwMinorVersion) {
            case 0:
                return kWindows95;
            case 10:
                return kWindows98;
            default:
                return 0;
        }
    }
    return 0;
}

// ---- Helper of the version readers

bool HTMLHelp::readControlVersion(const ControlVersionSource& source, std::string& field) {
    std::string listing;
    std::string defaultValue;
    RegValueRecord record = HHReadRegValue("HKCR", source.key, listing, defaultValue);
    if (record.Text.empty()) {
        HHMsgCritical(source.notRegistered);
        return false;
    }
    // The text is "=" (after the empty value name), the data, then CR. The
    // data ends at its NUL; a value kept without one still ends at the CR.
    std::string path = record.Text.substr(1);
    HHTrimNull(path);
    if (!path.empty() && path.back() == '\r') {
        path.pop_back();
    }
    path = HHLongPathName(path);
    platform::WIN32_FIND_DATA found;
    std::int32_t search = platform::FindFirstFile(path, found);
    if (search == platform::INVALID_HANDLE_VALUE) {
        HHMsgCritical(source.notFound);
        return false;
    }
    platform::FindClose(search);
    field = HHGetFileVersion(path);
    return true;
}

}  // namespace help
