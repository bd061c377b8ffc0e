// The program's registry kept on disk: one small file under the user's
// configuration folder, read at start and written after every change.
//
// The file is text, one line a record, so that a user can read it:
//
//     Zek Skirmish registry 1
//     K<tab>HKLM<tab>0<tab>Software\Microsoft\Windows\HTML Help
//     V<tab>1<tab>Library.chm<tab>C:\Help\%00
//
// A K line is a key (its root, 1 when it is read-only, its path); the V
// lines after it are its values (type, name, data). In paths, names and data
// every byte below 0x20 or above 0x7E, and "%" itself, is written as "%" and
// two hex digits, so a value's bytes come back exactly, NULs included.
#pragma once

#include <functional>
#include <string>

#include "platform/Registry.h"

namespace platform {

// $XDG_CONFIG_HOME/zek-skirmish/registry, with ~/.config when the variable
// is unset or not an absolute path.
std::string registryFilePath();

// The store as the file holds it.
std::string registryText(const RegistryStore& store);
// Puts the keys of a file's text into the store; false (and the store
// unchanged) when the text is not such a file.
bool loadRegistryText(const std::string& text, RegistryStore& store);

// What a change reports when the file could not be written.
constexpr long ERROR_WRITE_FAULT = 29;

// A registry whose store lives in a file. Every call that changes the store
// writes the whole file anew (atomically: a crash leaves the old file or the
// new one). When the file cannot be written, the change is undone and the
// call fails, so a caller never believes in a change that would be lost.
class KeptRegistry : public Registry {
public:
    // Reads the file when it is there. A file that cannot be read as a store
    // is moved aside to "<file>.bad" rather than being overwritten later.
    explicit KeptRegistry(std::string file);

    long RegOpenKeyEx(HKEY key, const std::string& subKey, std::uint32_t options,
                      std::uint32_t access, HKEY& result) override;
    long RegCreateKeyEx(HKEY key, const std::string& subKey, std::uint32_t access, HKEY& result,
                        std::uint32_t& disposition) override;
    long RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t& type,
                         std::string* data, std::uint32_t& size) override;
    long RegEnumValue(HKEY key, std::uint32_t index, std::string& name, std::uint32_t& nameLength,
                      std::uint32_t& type, std::uint32_t& dataSize) override;
    long RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type,
                       const std::string& data) override;
    long RegDeleteValue(HKEY key, const std::string& valueName) override;
    long RegCloseKey(HKEY key) override;

    RegistryStore& store() { return store_; }
    const std::string& file() const { return file_; }

private:
    // Runs a change on the store and keeps the result; see the class note.
    long kept(const std::function<long()>& change, HKEY* opened = nullptr);

    std::string file_;
    RegistryStore store_;
    bool dirty_ = false;
};

}  // namespace platform
