#include "platform/RegistryFile.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "forms/Error.h"
#include "platform/FileContents.h"

namespace platform {

namespace {

constexpr const char* kHeader = "Zek Skirmish registry 1";

constexpr std::pair<HKEY, const char*> kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_CURRENT_USER, "HKCU"},   {HKEY_LOCAL_MACHINE, "HKLM"},
    {HKEY_USERS, "HKU"},         {HKEY_CURRENT_CONFIG, "HKCC"}, {HKEY_DYN_DATA, "HKDD"},
};

std::string escaped(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || byte == '%') {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

bool unescaped(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        std::string digits = i + 2 < text.size() ? text.substr(i + 1, 2) : "";
        if (digits.size() != 2 || !std::isxdigit(static_cast<unsigned char>(digits[0])) ||
            !std::isxdigit(static_cast<unsigned char>(digits[1]))) {
            return false;
        }
        out += static_cast<char>(std::stoi(digits, nullptr, 16));
        i += 2;
    }
    return true;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        auto tab = line.find('\t', start);
        out.push_back(
            line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return out;
        }
        start = tab + 1;
    }
}

bool rootNamed(const std::string& name, HKEY& root) {
    for (const auto& [key, text] : kRoots) {
        if (name == text) {
            root = key;
            return true;
        }
    }
    return false;
}

const char* rootName(HKEY root) {
    for (const auto& [key, text] : kRoots) {
        if (key == root) {
            return text;
        }
    }
    return "?";
}

}  // namespace

std::string registryFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : "") + "/.config";
    }
    return folder + "/zek-skirmish/registry";
}

std::string registryText(const RegistryStore& store) {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& key : store.keys()) {
        if (key.path.empty() && key.values.empty() && !key.readOnly) {
            continue;  // a root, which always exists
        }
        text += std::string("K\t") + rootName(key.root) + "\t" + (key.readOnly ? "1" : "0") + "\t" +
                escaped(key.path) + "\n";
        for (const auto& value : key.values) {
            text += "V\t" + std::to_string(value.type) + "\t" + escaped(value.name) + "\t" +
                    escaped(value.data) + "\n";
        }
    }
    return text;
}

bool loadRegistryText(const std::string& text, RegistryStore& store) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) {
        return false;
    }
    std::vector<RegistryStore::Key> keys;
    while (std::getline(lines, line)) {
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> parts = fields(line);
        if (parts[0] == "K" && parts.size() == 4) {
            RegistryStore::Key key;
            if (!rootNamed(parts[1], key.root) || (parts[2] != "0" && parts[2] != "1") ||
                !unescaped(parts[3], key.path)) {
                return false;
            }
            key.readOnly = parts[2] == "1";
            keys.push_back(key);
        } else if (parts[0] == "V" && parts.size() == 4 && !keys.empty()) {
            RegistryStore::Value value;
            char* end = nullptr;
            unsigned long type = std::strtoul(parts[1].c_str(), &end, 10);
            if (parts[1].empty() || *end != '\0' || !unescaped(parts[2], value.name) ||
                !unescaped(parts[3], value.data)) {
                return false;
            }
            value.type = static_cast<std::uint32_t>(type);
            keys.back().values.push_back(value);
        } else {
            return false;
        }
    }
    for (const auto& key : keys) {
        store.putKey(key);
    }
    return true;
}

KeptRegistry::KeptRegistry(std::string file) : file_(std::move(file)) {
    store_.changed = [this] { dirty_ = true; };
    std::error_code error;
    if (!std::filesystem::exists(file_, error)) {
        return;
    }
    std::string text;
    try {
        text = readTextFile(file_);
    } catch (const forms::RuntimeError&) {
        return;  // unreadable now; it stays as it is and is not written over
    }
    if (!loadRegistryText(text, store_)) {
        // Keep what the user had; the next change starts a new file.
        std::filesystem::rename(file_, file_ + ".bad", error);
    }
}

long KeptRegistry::kept(const std::function<long()>& change, HKEY* opened) {
    std::vector<RegistryStore::Key> before = store_.keys();
    dirty_ = false;
    long result = change();
    if (result != ERROR_SUCCESS || !dirty_) {
        return result;
    }
    dirty_ = false;
    try {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(file_).parent_path(), error);
        writeTextFile(file_, registryText(store_));
        return ERROR_SUCCESS;
    } catch (const forms::RuntimeError&) {
        for (const auto& key : before) {
            store_.putKey(key);
        }
        if (opened != nullptr && *opened != 0) {
            store_.RegCloseKey(*opened);
            *opened = 0;
        }
        return ERROR_WRITE_FAULT;
    }
}

long KeptRegistry::RegOpenKeyEx(HKEY key, const std::string& subKey, std::uint32_t options,
                                std::uint32_t access, HKEY& result) {
    return store_.RegOpenKeyEx(key, subKey, options, access, result);
}

long KeptRegistry::RegCreateKeyEx(HKEY key, const std::string& subKey, std::uint32_t access,
                                  HKEY& result, std::uint32_t& disposition) {
    return kept([&] { return store_.RegCreateKeyEx(key, subKey, access, result, disposition); },
                &result);
}

long KeptRegistry::RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t& type,
                                   std::string* data, std::uint32_t& size) {
    return store_.RegQueryValueEx(key, valueName, type, data, size);
}

long KeptRegistry::RegEnumValue(HKEY key, std::uint32_t index, std::string& name,
                                std::uint32_t& nameLength, std::uint32_t& type,
                                std::uint32_t& dataSize) {
    return store_.RegEnumValue(key, index, name, nameLength, type, dataSize);
}

long KeptRegistry::RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type,
                                 const std::string& data) {
    return kept([&] { return store_.RegSetValueEx(key, valueName, type, data); });
}

long KeptRegistry::RegDeleteValue(HKEY key, const std::string& valueName) {
    return kept([&] { return store_.RegDeleteValue(key, valueName); });
}

long KeptRegistry::RegCloseKey(HKEY key) {
    return store_.RegCloseKey(key);
}

}  // namespace platform
