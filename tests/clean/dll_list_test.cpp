// The DLL-list rewrite: where the entry stands, repeated entries, letter case, the value type,
// values without the entry and values longer than the read limit.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "clean/registry_removal.h"
#include "support/helpers.h"

namespace {

const char kListKey[] = "Software\\envsweep-test\\dll-list";

struct StoredValue {
    DWORD type;
    std::vector<BYTE> bytes;
};

StoredValue ReadValue(const ScratchKey& scratch, const char* name)
{
    StoredValue value = {REG_NONE, {}};
    HKEY key = NULL;
    if (RegOpenKeyExA(scratch.root(), scratch.path().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, NULL, &value.type, NULL, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        RegQueryValueExA(key, name, NULL, &value.type, value.bytes.data(), &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

// Stores text without a terminator. The ANSI set call counts a terminator that follows the data
// as if the caller had forgotten it (Windows does the same), so the byte after it is not zero.
uint8_t SetUnterminated(const ScratchKey& scratch, const char* name, const std::string& text, DWORD type)
{
    const std::string buffer = text + 'z';
    return scratch.SetBytes("", name, buffer.data(), (DWORD)text.size(), type);
}

std::string ReadText(const ScratchKey& scratch, const char* name)
{
    const StoredValue value = ReadValue(scratch, name);
    return std::string(value.bytes.begin(), value.bytes.end());   // with the stored terminator
}

}  // namespace

TEST(DllListValue, EveryEntryGoesWithTheBlanksAfterIt)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kListKey);
    struct Case {
        const char* stored;
        const char* rewritten;
    };
    // The blanks after an entry go with it; an entry that stood last keeps the blank before it.
    const Case cases[] = {
        {"a.dll nvdesk32.dll b.dll",                  "a.dll b.dll"},
        {"nvdesk32.dll a.dll",                        "a.dll"},
        {"a.dll nvdesk32.dll",                        "a.dll "},
        {"a.dll nvdesk32.dll  b.dll",                 "a.dll b.dll"},
        {"a.dll  nvdesk32.dll",                       "a.dll  "},
        {"nvdesk32.dll a.dll nvdesk32.dll b.dll",     "a.dll b.dll"},
        {"a.dll nvdesk32.dll nvdesk32.dll b.dll",     "a.dll b.dll"},
        {"nvdesk32.dll",                              ""},
        {"NVDESK32.DLL",                              ""},
        {"a.dll NvDesk32.Dll b.dll",                  "a.dll b.dll"},
        {"",                                          NULL},
    };
    for (const Case& c : cases) {
        if (c.rewritten == NULL) break;
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(scratch.SetString("", "List", c.stored));
        EXPECT_EQ(1, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "List"));
        const StoredValue value = ReadValue(scratch, "List");
        EXPECT_EQ((DWORD)REG_SZ, value.type);
        EXPECT_EQ(std::string(c.rewritten) + '\0', std::string(value.bytes.begin(), value.bytes.end()));
    }
}

TEST(DllListValue, ValuesWithoutTheEntryAreNeverRewritten)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kListKey);
    struct Case {
        const char* stored;
    };
    // Near misses: longer names, a name inside another entry, another separator.
    const Case cases[] = {
        {"a.dll b.dll"},
        {"nvdesk32.dll.bak xnvdesk32.dll"},
        {"a.dll,nvdesk32.dll"},
        {""},
        {NULL},
    };
    for (const Case* c = cases; c->stored != NULL; c++) {
        SCOPED_TRACE(c->stored);
        // Stored without a terminator and with an unusual type for a string: a rewrite would show.
        ASSERT_TRUE(SetUnterminated(scratch, "List", c->stored, REG_EXPAND_SZ));
        const StoredValue before = ReadValue(scratch, "List");
        EXPECT_EQ(0, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "List"));
        const StoredValue after = ReadValue(scratch, "List");
        EXPECT_EQ(before.type, after.type);
        EXPECT_TRUE(before.bytes == after.bytes);
    }
    EXPECT_EQ(0, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "Missing"));
    EXPECT_FALSE(ValuePresent(HKEY_CURRENT_USER, kListKey, "Missing"));
    EXPECT_EQ(0, RemoveDllFromListValue({HKEY_CURRENT_USER, (std::string(kListKey) + "\\Missing").c_str(), kViewOwn}, "List"));
}

TEST(DllListValue, ExpandableStringsKeepTheirTypeAndUnterminatedDataIsRead)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kListKey);
    const std::string text = "%SystemRoot%\\a.dll nvdesk32.dll b.dll";
    ASSERT_TRUE(SetUnterminated(scratch, "List", text, REG_EXPAND_SZ));
    ASSERT_EQ(std::string(text), ReadText(scratch, "List"));
    EXPECT_EQ(1, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "List"));
    const StoredValue value = ReadValue(scratch, "List");
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, value.type);
    EXPECT_EQ(std::string("%SystemRoot%\\a.dll b.dll") + '\0', std::string(value.bytes.begin(), value.bytes.end()));
}

TEST(DllListValue, TheReadStopsAt512BytesAndOtherTypesAreLeftAlone)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kListKey);
    // 512 bytes without a terminator are read whole; one byte more fails the read.
    std::string exact = "nvdesk32.dll ";
    exact += std::string(512 - exact.size() - 1, 'x') + "y";
    ASSERT_EQ(512u, exact.size());
    ASSERT_TRUE(SetUnterminated(scratch, "Exact", exact, REG_SZ));
    ASSERT_EQ(exact, ReadText(scratch, "Exact"));
    EXPECT_EQ(1, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "Exact"));
    EXPECT_EQ(exact.substr(13) + '\0', ReadText(scratch, "Exact"));

    const std::string longer = "nvdesk32.dll " + std::string(499, 'x');   // 513 bytes with the terminator
    ASSERT_TRUE(scratch.SetString("", "Long", longer));
    EXPECT_EQ(0, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "Long"));
    EXPECT_EQ(longer + '\0', ReadText(scratch, "Long"));

    // A list of strings is not a blank-separated list: rewriting it as one string would lose data.
    const char multi[] = "nvdesk32.dll\0a.dll\0";
    ASSERT_TRUE(scratch.SetBytes("", "Multi", multi, sizeof multi, REG_MULTI_SZ));
    EXPECT_EQ(0, RemoveDllFromListValue({HKEY_CURRENT_USER, kListKey, kViewOwn}, "Multi"));
    const StoredValue value = ReadValue(scratch, "Multi");
    EXPECT_EQ((DWORD)REG_MULTI_SZ, value.type);
    EXPECT_EQ(std::string(multi, sizeof multi), std::string(value.bytes.begin(), value.bytes.end()));
}
