// The path, text and registry helpers every layer leans on, case by case: the canonical form of
// a path, the protected-folder check, field splitting and reading a value as text.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/registry_access.h"
#include "support/helpers.h"

namespace {

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return std::string(folder, length);
}

std::string Upper(std::string text)
{
    for (char& c : text) c = (char)toupper((unsigned char)c);
    return text;
}

}  // namespace

TEST(CanonicalPath, FormsAndRefusals)
{
    struct Case {
        const char* path;
        const char* canonical;   // NULL: refused
    } cases[] = {
        {"C:\\a\\b", "C:\\a\\b"},
        {"C:/a/b/", "C:\\a\\b"},
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
        {"C:\\a\\\\b", "C:\\a\\b"},
        {"C:\\a\\..\\..", "C:\\"},
        {"C:\\", "C:\\"},
        {"\\\\?\\C:\\a", "C:\\a"},
        {"\\\\?\\UNC\\server\\share\\x", "\\\\server\\share\\x"},
        {"", NULL},
        {"a\\b", NULL},              // relative
        {"C:a", NULL},               // relative to the drive's current folder
        {"\\\\.\\COM1", NULL},       // a device
        {"C:\\a\\*.dll", NULL},      // a wildcard
        {"C:\\a\\b?.dll", NULL},
    };
    for (const Case& c : cases) {
        char out[kPathSize];
        memset(out, 0xbd, sizeof out);
        const uint8_t ok = CanonicalPath(c.path, out, sizeof out);
        if (c.canonical == NULL) {
            EXPECT_EQ(0, ok) << c.path;
            EXPECT_EQ((char)0xbd, out[0]) << c.path << ": out must stay untouched";
        } else {
            EXPECT_EQ(1, ok) << c.path;
            EXPECT_STREQ(c.canonical, out) << c.path;
        }
    }
    char small[8];
    memset(small, 0xbd, sizeof small);
    EXPECT_EQ(0, CanonicalPath("C:\\folder\\file.dll", small, sizeof small));
    EXPECT_EQ((char)0xbd, small[sizeof small - 1]);
    EXPECT_EQ(0, CanonicalPath(NULL, small, sizeof small));
}

// A protected folder, anything above it, and nothing below it; letter case ignored.
TEST(ProtectedFolders, FoldersAndWhatLiesAboveThemButNotBelow)
{
    const std::string windows = WindowsFolder();
    char programFiles[MAX_PATH];
    ASSERT_TRUE(SpecialFolderPath(0x0026 /* CSIDL_PROGRAM_FILES */, programFiles));
    const std::string maker = std::string(programFiles) + "\\Morvane";
    struct Case {
        std::string path;
        uint8_t covered;
    } cases[] = {
        {windows, 1},
        {Upper(windows), 1},
        {windows + "\\system32", 1},
        {windows + "\\system32\\drivers", 1},
        {windows + "\\INF", 1},
        {windows.substr(0, 3), 1},   // the drive root holds them all
        {programFiles, 1},
        {maker, 1},
        {windows + "\\system32\\cs100cap.ax", 0},
        {windows + "\\INF\\oem3.inf", 0},
        {windows + "x", 0},          // a sibling whose name only starts alike
        {maker + "\\CaptureStation", 0},
        {maker + " Custom\\VisionForce Desktop", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.covered, CoversProtectedFolder(c.path.c_str())) << c.path;
}

TEST(SplitField, FieldsBoundsAndMissingFields)
{
    struct Case {
        const char* text;
        int n;
        int size;
        const char* field;    // NULL: no such field
        int offset;           // where the field starts in text
    } cases[] = {
        {"a,b,c", 1, 16, "a", 0},
        {"a,b,c", 2, 16, "b", 2},
        {"a,b,c", 3, 16, "c", 4},
        {"a,,c", 2, 16, "", 2},
        {"a,b,", 3, 16, "", 4},
        {"", 1, 16, "", 0},
        {"abcdef,g", 1, 3, "ab", 0},   // cut to the buffer, terminated
        {"a,b,c", 4, 16, NULL, 0},
        {"a,b,c", 0, 16, NULL, 0},
    };
    for (const Case& c : cases) {
        char out[17];   // one byte beyond the largest bound, to see nothing is written there
        memset(out, 0xbd, sizeof out);
        const char* start = SplitField(c.text, ',', c.n, out, c.size);
        if (c.field == NULL) {
            EXPECT_TRUE(start == NULL) << c.text << " " << c.n;
            EXPECT_EQ((char)0xbd, out[0]);
        } else {
            EXPECT_TRUE(start == c.text + c.offset) << c.text << " " << c.n;
            EXPECT_STREQ(c.field, out) << c.text << " " << c.n;
            EXPECT_EQ((char)0xbd, out[c.size]) << "written past the bound";
        }
    }
    EXPECT_TRUE(SplitField(NULL, ',', 1, NULL, 0) == NULL);
}

TEST(RegistryAccess, ReadStringValueAlwaysLeavesTheTextTerminatedInsideTheBuffer)
{
    ScratchKey scratch(HKEY_CURRENT_USER, "Software\\EnvsweepTest-RegistryAccess");
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_READ, &key));
    char buffer[16];

    // Stored without a terminator.
    ASSERT_TRUE(scratch.SetBytes("", "Raw", "abc", 3, REG_BINARY));
    memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(1, ReadStringValue(key, "Raw", buffer, sizeof buffer));
    EXPECT_STREQ("abc", buffer);

    // Filling the buffer exactly, without a terminator: cut inside it, nothing written past it.
    // (Windows hands such REG_SZ data out as it is; Wine refuses it as too long for the buffer,
    // so the case is shown with binary data.)
    char guarded[20];
    memset(guarded, 0xbd, sizeof guarded);
    ASSERT_TRUE(scratch.SetBytes("", "Full", "0123456789abcdef", 16, REG_BINARY));
    EXPECT_EQ(1, ReadStringValue(key, "Full", guarded, 16));
    EXPECT_STREQ("0123456789abcde", guarded);
    EXPECT_EQ((char)0xbd, guarded[16]);

    // Too long for the buffer: a failure with an empty text.
    ASSERT_TRUE(scratch.SetString("", "Long", std::string(40, 'x')));
    memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(0, ReadStringValue(key, "Long", buffer, sizeof buffer));
    EXPECT_EQ('\0', buffer[0]);
    RegCloseKey(key);
}
