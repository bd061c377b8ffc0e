// The program's registry store and directory searches.
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include "platform/FileSearch.h"
#include "support/TestSupport.h"

namespace {

using namespace platform;

constexpr const char* kHelpKey = "Software\\Microsoft\\Windows\\HTML Help";

TEST(RegistryStore, KeysAndValuesIgnoreCaseAndKeepTheirSpelling) {
    RegistryStore store;
    HKEY key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(store.RegCreateKeyEx(HKEY_LOCAL_MACHINE, kHelpKey, 6, key, disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(store.RegSetValueEx(key, "Library.chm", REG_SZ, std::string("C:\\Help\\\0", 9)),
              ERROR_SUCCESS);
    EXPECT_EQ(store.RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(store.RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\microsoft\\WINDOWS\\html help", 0,
                                 KEY_QUERY_VALUE, key),
              ERROR_SUCCESS);
    std::string name;
    std::uint32_t nameLength = 2048, type = 0, size = 0;
    ASSERT_EQ(store.RegEnumValue(key, 0, name, nameLength, type, size), ERROR_SUCCESS);
    EXPECT_EQ(name, "Library.chm");
    EXPECT_EQ(nameLength, 11u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(store.RegEnumValue(key, 1, name, nameLength, type, size), ERROR_NO_MORE_ITEMS);

    std::string small(4, ' ');
    size = 4;
    EXPECT_EQ(store.RegQueryValueEx(key, "LIBRARY.CHM", type, &small, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);
    std::string buffer(16, ' ');
    size = 16;
    ASSERT_EQ(store.RegQueryValueEx(key, "LIBRARY.CHM", type, &buffer, size), ERROR_SUCCESS);
    EXPECT_EQ(buffer, std::string("C:\\Help\\\0       ", 16));
    EXPECT_EQ(store.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(store.openHandles(), 0u);
    EXPECT_EQ(store.keys().size(), 4u);  // each key of the path
}

TEST(RegistryStore, MissingKeysReadOnlyKeysAndInjectedFaults) {
    RegistryStore store;
    HKEY key = 7;
    EXPECT_EQ(store.RegOpenKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{none}", 0, 1, key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0);
    store.putKey({HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\TypeLib", {}, true});
    EXPECT_EQ(store.RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\classes\\typelib", 0,
                                 KEY_ALL_ACCESS, key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(store.RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\classes\\typelib", 0,
                                 KEY_QUERY_VALUE, key),
              ERROR_SUCCESS);
    EXPECT_EQ(store.RegSetValueEx(key, "x", REG_SZ, "y"), ERROR_ACCESS_DENIED);
    store.fault = [](const std::string& op) { return op == "close" ? ERROR_INVALID_HANDLE : 0; };
    EXPECT_EQ(store.RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(store.openHandles(), 1u);
    store.fault = nullptr;
    EXPECT_EQ(store.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(store.RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST(FileSearch, FindsFilesFoldersAndWildcardsInAnyCase) {
    testing_support::TempDir dir;
    testing_support::writeFile(dir.path() / "Help.CHM", "x");
    std::filesystem::create_directory(dir.path() / "Sub");
    struct Case {
        std::string path;
        std::string found;  // empty: not found
    };
    const std::string base = dir.str();
    for (const Case& c : std::vector<Case>{{base + "\\help.chm", "Help.CHM"},
                                           {base + "\\\\Help.CHM", "Help.CHM"},
                                           {base + "\\sub", "Sub"},
                                           {base + "\\*.chm", "Help.CHM"},
                                           {base + "\\H?lp.*", "Help.CHM"},
                                           {base + "\\missing.chm", ""},
                                           {base + "\\", ""},
                                           {"", ""}}) {
        WIN32_FIND_DATA data;
        std::int32_t handle = FindFirstFile(c.path, data);
        if (c.found.empty()) {
            EXPECT_EQ(handle, INVALID_HANDLE_VALUE) << c.path;
            continue;
        }
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << c.path;
        EXPECT_EQ(data.cFileName, c.found) << c.path;
        EXPECT_TRUE(FindClose(handle));
        EXPECT_FALSE(FindClose(handle));
    }
    EXPECT_EQ(openSearches(), 0u);
}

}  // namespace
