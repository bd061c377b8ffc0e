// The registry: a tree of keys under a few predefined roots, each key holding
// named, typed values.
//
// The help viewer keeps the folders of registered help files there, and the
// About dialog looks up a system tool in it. This system has no registry of
// its own, so the program keeps one: a store of keys and values that holds
// nothing until something is registered. The calls keep the classic shapes
// (an error number as the result, the opened key through an out parameter,
// sizes in bytes going in and coming back out) because the callers' logic is
// written against exactly those shapes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform {

// A key handle: a predefined root, or a key opened by the registry. 0 is none.
using HKEY = std::int32_t;

constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(0x80000000u);
constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);
constexpr HKEY HKEY_USERS = static_cast<HKEY>(0x80000003u);
constexpr HKEY HKEY_CURRENT_CONFIG = static_cast<HKEY>(0x80000005u);
constexpr HKEY HKEY_DYN_DATA = static_cast<HKEY>(0x80000006u);

// Results.
constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_NO_MORE_ITEMS = 259;

// Value types.
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// Access rights.
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr std::uint32_t KEY_NOTIFY = 0x0010;
constexpr std::uint32_t KEY_CREATE_LINK = 0x0020;
constexpr std::uint32_t READ_CONTROL = 0x20000;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

// What RegCreateKeyEx reports it did.
constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key below an open key or a root.
    virtual long RegOpenKeyEx(HKEY key, const std::string& subKey, std::uint32_t options,
                              std::uint32_t access, HKEY& result) = 0;
    // Opens a key, creating it (and the keys above it) when it is missing.
    virtual long RegCreateKeyEx(HKEY key, const std::string& subKey, std::uint32_t access,
                                HKEY& result, std::uint32_t& disposition) = 0;
    // Reads a value. `size` is the buffer's size in bytes going in and the
    // value's size coming out. With `data` null only the type and size are
    // asked for. A buffer too small gives ERROR_MORE_DATA and the needed size.
    // On success the first `size` bytes of *data are the value's bytes; the
    // rest of the buffer is left as it was.
    virtual long RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t& type,
                                 std::string* data, std::uint32_t& size) = 0;
    // The value at `index` of an open key, in the order the values were
    // first written. `nameLength` is the name buffer's capacity in
    // characters going in (a name that does not fit gives ERROR_MORE_DATA)
    // and the name's length coming out; `name` is filled with the name.
    // `dataSize` comes out as the value's size in bytes.
    virtual long RegEnumValue(HKEY key, std::uint32_t index, std::string& name,
                              std::uint32_t& nameLength, std::uint32_t& type,
                              std::uint32_t& dataSize) = 0;
    // Writes a value: `data` holds its bytes (a text's ending NUL included
    // when the caller counts it).
    virtual long RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type,
                               const std::string& data) = 0;
    virtual long RegDeleteValue(HKEY key, const std::string& valueName) = 0;
    virtual long RegCloseKey(HKEY key) = 0;
};

// The program's own registry: keys and values in memory. Key paths and value
// names compare without regard to letter case and keep the spelling they
// were first written with. Roots always exist; below them only what has been
// written. `changed` (when set) runs after every change, so a caller can keep
// the store somewhere.
class RegistryStore : public Registry {
public:
    struct Value {
        std::string name;
        std::uint32_t type = REG_NONE;
        std::string data;
    };
    struct Key {
        HKEY root = 0;
        std::string path;  // as first spelt, without the root
        std::vector<Value> values;
        bool readOnly = false;  // opens for more than reading are refused
    };

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

    // Every key, in the order they were created.
    const std::vector<Key>& keys() const { return keys_; }
    // Puts a key with its values in place (used to load a kept store and by
    // tests); an existing key of that path is replaced.
    void putKey(const Key& key);
    // How many opened handles are not closed yet.
    std::size_t openHandles() const { return handles_.size(); }

    // Fault injection for tests: called with the operation's name ("open",
    // "create", "query", "enum", "set", "delete", "close"); a non-zero
    // result makes that call fail with it, changing nothing.
    std::function<long(const std::string& operation)> fault;
    std::function<void()> changed;

private:
    struct Handle {
        std::size_t key;  // index into keys_
        std::uint32_t access;
    };
    long resolve(HKEY key, const std::string& subKey, HKEY& root, std::string& path) const;
    Key* find(HKEY root, const std::string& path);
    long injected(const std::string& operation) const;
    // The values of a key opened for writing, and the one named (end() when
    // there is none).
    long writableValue(HKEY key, const std::string& valueName, std::vector<Value>*& values,
                       std::vector<Value>::iterator& it);
    HKEY newHandle(std::size_t key, std::uint32_t access);

    std::vector<Key> keys_;
    std::map<HKEY, Handle> handles_;
    HKEY nextHandle_ = 0x100;
};

// The registry the program uses; tests put their own in place.
Registry& registry();
void setRegistry(Registry* registry);

}  // namespace platform
