#include "platform/Registry.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {

Registry* current = nullptr;

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isRoot(HKEY key) {
    switch (key) {
        case HKEY_CLASSES_ROOT:
        case HKEY_CURRENT_USER:
        case HKEY_LOCAL_MACHINE:
        case HKEY_USERS:
        case HKEY_CURRENT_CONFIG:
        case HKEY_DYN_DATA:
            return true;
        default:
            return false;
    }
}

// A key path without separators at either end.
std::string trimmed(const std::string& path) {
    auto first = path.find_first_not_of('\\');
    if (first == std::string::npos) {
        return "";
    }
    auto last = path.find_last_not_of('\\');
    return path.substr(first, last - first + 1);
}

std::string joined(const std::string& parent, const std::string& child) {
    if (parent.empty()) {
        return child;
    }
    return child.empty() ? parent : parent + "\\" + child;
}

// What a handle opened with `access` may do beyond reading.
constexpr std::uint32_t kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK |
                                       0x10000u /* delete */ | 0x40000u /* write DAC */ |
                                       0x80000u /* write owner */;

}  // namespace

long RegistryStore::injected(const std::string& operation) const {
    return fault ? fault(operation) : ERROR_SUCCESS;
}

long RegistryStore::resolve(HKEY key, const std::string& subKey, HKEY& root,
                            std::string& path) const {
    if (isRoot(key)) {
        root = key;
        path = trimmed(subKey);
        return ERROR_SUCCESS;
    }
    auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    const Key& parent = keys_[handle->second.key];
    root = parent.root;
    path = joined(parent.path, trimmed(subKey));
    return ERROR_SUCCESS;
}

RegistryStore::Key* RegistryStore::find(HKEY root, const std::string& path) {
    for (auto& key : keys_) {
        if (key.root == root && sameText(key.path, path)) {
            return &key;
        }
    }
    if (path.empty()) {
        // The roots always exist.
        keys_.push_back(Key{root, "", {}, false});
        return &keys_.back();
    }
    return nullptr;
}

HKEY RegistryStore::newHandle(std::size_t key, std::uint32_t access) {
    HKEY handle = nextHandle_++;
    handles_[handle] = Handle{key, access};
    return handle;
}

long RegistryStore::RegOpenKeyEx(HKEY key, const std::string& subKey, std::uint32_t /*options*/,
                                 std::uint32_t access, HKEY& result) {
    result = 0;
    if (long e = injected("open")) {
        return e;
    }
    HKEY root = 0;
    std::string path;
    if (long e = resolve(key, subKey, root, path)) {
        return e;
    }
    Key* found = find(root, path);
    if (found == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (found->readOnly && (access & kWriteRights) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    result = newHandle(static_cast<std::size_t>(found - keys_.data()), access);
    return ERROR_SUCCESS;
}

long RegistryStore::RegCreateKeyEx(HKEY key, const std::string& subKey, std::uint32_t access,
                                   HKEY& result, std::uint32_t& disposition) {
    result = 0;
    if (long e = injected("create")) {
        return e;
    }
    HKEY root = 0;
    std::string path;
    if (long e = resolve(key, subKey, root, path)) {
        return e;
    }
    disposition = REG_OPENED_EXISTING_KEY;
    // Create every missing key on the way down, as the classic call does.
    std::string sofar;
    std::size_t start = 0;
    while (start <= path.size() && !path.empty()) {
        auto slash = path.find('\\', start);
        std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        sofar = joined(sofar, part);
        if (find(root, sofar) == nullptr) {
            keys_.push_back(Key{root, sofar, {}, false});
            disposition = REG_CREATED_NEW_KEY;
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    Key* found = find(root, path);
    if (found->readOnly && (access & kWriteRights) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    result = newHandle(static_cast<std::size_t>(found - keys_.data()), access);
    if (disposition == REG_CREATED_NEW_KEY && changed) {
        changed();
    }
    return ERROR_SUCCESS;
}

long RegistryStore::RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t& type,
                                    std::string* data, std::uint32_t& size) {
    if (long e = injected("query")) {
        return e;
    }
    auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    for (const auto& value : keys_[handle->second.key].values) {
        if (!sameText(value.name, valueName)) {
            continue;
        }
        type = value.type;
        auto needed = static_cast<std::uint32_t>(value.data.size());
        if (data == nullptr) {
            size = needed;
            return ERROR_SUCCESS;
        }
        if (needed > size) {
            size = needed;
            return ERROR_MORE_DATA;
        }
        if (data->size() < needed) {
            data->resize(needed, '\0');
        }
        data->replace(0, needed, value.data);
        size = needed;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

long RegistryStore::RegEnumValue(HKEY key, std::uint32_t index, std::string& name,
                                 std::uint32_t& nameLength, std::uint32_t& type,
                                 std::uint32_t& dataSize) {
    if (long e = injected("enum")) {
        return e;
    }
    auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    const auto& values = keys_[handle->second.key].values;
    if (index >= values.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const Value& value = values[index];
    if (value.name.size() >= nameLength) {
        return ERROR_MORE_DATA;
    }
    name = value.name;
    nameLength = static_cast<std::uint32_t>(value.name.size());
    type = value.type;
    dataSize = static_cast<std::uint32_t>(value.data.size());
    return ERROR_SUCCESS;
}

long RegistryStore::writableValue(HKEY key, const std::string& valueName,
                                  std::vector<Value>*& values, std::vector<Value>::iterator& it) {
    auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        return ERROR_INVALID_HANDLE;
    }
    if ((handle->second.access & KEY_SET_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    values = &keys_[handle->second.key].values;
    it = std::find_if(values->begin(), values->end(),
                      [&](const Value& v) { return sameText(v.name, valueName); });
    return ERROR_SUCCESS;
}

long RegistryStore::RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type,
                                  const std::string& data) {
    if (long e = injected("set")) {
        return e;
    }
    std::vector<Value>* values = nullptr;
    std::vector<Value>::iterator it;
    if (long e = writableValue(key, valueName, values, it)) {
        return e;
    }
    if (it == values->end()) {
        values->push_back(Value{valueName, type, data});
    } else {
        it->type = type;
        it->data = data;
    }
    if (changed) {
        changed();
    }
    return ERROR_SUCCESS;
}

long RegistryStore::RegDeleteValue(HKEY key, const std::string& valueName) {
    if (long e = injected("delete")) {
        return e;
    }
    std::vector<Value>* values = nullptr;
    std::vector<Value>::iterator it;
    if (long e = writableValue(key, valueName, values, it)) {
        return e;
    }
    if (it == values->end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    values->erase(it);
    if (changed) {
        changed();
    }
    return ERROR_SUCCESS;
}

long RegistryStore::RegCloseKey(HKEY key) {
    if (long e = injected("close")) {
        return e;
    }
    // Closing a root is allowed and does nothing, as with the classic call.
    if (isRoot(key)) {
        return ERROR_SUCCESS;
    }
    return handles_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void RegistryStore::putKey(const Key& key) {
    std::string path = trimmed(key.path);
    for (auto& existing : keys_) {
        if (existing.root == key.root && sameText(existing.path, path)) {
            existing = key;
            existing.path = path;
            return;
        }
    }
    keys_.push_back(key);
    keys_.back().path = path;
}

Registry& registry() {
    static RegistryStore empty;
    return current != nullptr ? *current : empty;
}

void setRegistry(Registry* registry) {
    current = registry;
}

}  // namespace platform
