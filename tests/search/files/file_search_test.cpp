// The file rule driver: path macros, skipped rows, the "@" service split, the length bound,
// and what the walk records and returns.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string.h>
#include <string>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/path_ops.h"
#include "search/files/file_search.h"
#include "support/search_support.h"

namespace {

std::string Expand(const char* folder, const char* file)
{
    char out[260];
    memset(out, 0xbd, sizeof out);
    const FileRule rule = {0, 0, folder, file};
    if (!ExpandRulePath(NULL, rule, out)) return "<none>";
    return out;
}

// Deletes a file at the end of the scope (and at the start, left over from a crashed run).
struct TempFile {
    explicit TempFile(const std::string& p) : path(p) { DeleteFileA(path.c_str()); }
    ~TempFile() { DeleteFileA(path.c_str()); }
    std::string path;
};

// A private list with every family selected; items recorded by the walk carry family 4.
class FileSearchTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProductSelection(-2, 0x3FFFF);
        SetFileSideProduct(4);
        dir_ = folder_.path();
    }
    void TearDown() override { ClearFileSideProduct(); }
    int Count() const { return scope_.list()->count; }
    const FoundItem& Item(int i) const { return scope_.list()->items[i]; }

    ScopedFoundItems scope_;
    ScratchFolder folder_{"file-search"};
    std::string dir_;
};

}  // namespace

TEST(ExpandRulePath, MacrosExpandInTheirOrderAndOtherTextsAreLiteral)
{
    const std::string sys = g_systemDirectory, win = g_windowsDirectory;
    EXPECT_EQ(sys + "a.dll", Expand("%SYSTEM%", "a.dll"));
    EXPECT_EQ(win + "HELP\\a.hlp", Expand("%HELP%", "a.hlp"));
    EXPECT_EQ(win + "INF\\a.inf", Expand("%INF%", "a.inf"));
    EXPECT_EQ(win + "INF\\OTHER\\a.inf", Expand("%OTHER%", "a.inf"));
    EXPECT_EQ(win + "a.ini", Expand("%WINDOWS%", "a.ini"));
    EXPECT_EQ(sys + "Drivers\\a.sys@svc", Expand("%DRIVERS%", "a.sys@svc"));
    const struct {
        const char* macro;
        int csidl;
    } special[] = {
        {"%PROGRAM_MENU_COMMON%", CSIDL_COMMON_PROGRAMS}, {"%PROGRAM_MENU%", CSIDL_PROGRAMS},
        {"%COMMON_DESKTOP%", CSIDL_COMMON_DESKTOPDIRECTORY}, {"%COMMON_PROGRAM_FILES%", CSIDL_PROGRAM_FILES_COMMON},
        {"%DESKTOP%", CSIDL_DESKTOP}, {"%COMMON_STARTUP%", CSIDL_COMMON_STARTUP}, {"%STARTUP%", CSIDL_STARTUP},
    };
    for (const auto& s : special) {
        SCOPED_TRACE(s.macro);
        const std::string base = SpecialFolder(s.csidl);
        ASSERT_FALSE(base.empty());
        EXPECT_EQ(base + "\\x.lnk", Expand(s.macro, "x.lnk"));
    }
    // Macro names are compared exactly: other letter case, or text around them, is literal.
    EXPECT_EQ("%system%a.dll", Expand("%system%", "a.dll"));
    EXPECT_EQ("%INTERNET%a.url", Expand("%INTERNET%", "a.url"));
    EXPECT_EQ("%SYSTEM%\\a.dll", Expand("%SYSTEM%\\", "a.dll"));
    EXPECT_EQ("a.dll", Expand("", "a.dll"));
    EXPECT_EQ("<none>", Expand("%SYSTEM%", NULL));
}

TEST(ExpandRulePath, AnExpansionLongerThan259CharactersIsNoPath)
{
    const std::string folder = "C:\\" + std::string(250, 'f') + "\\";   // 254 characters
    EXPECT_EQ(folder + "12345", Expand(folder.c_str(), "12345"));        // 259
    char out[260];
    memset(out, 0xbd, sizeof out);
    const FileRule rule = {0, 0, folder.c_str(), "123456"};              // 260
    EXPECT_EQ(0, ExpandRulePath(NULL, rule, out));
    EXPECT_EQ((char)0xbd, out[0]) << "the output is left untouched";
}

TEST_F(FileSearchTest, DisabledAndRepeatedRowsAreSkippedAndTheServiceIsSplitOff)
{
    ASSERT_TRUE(folder_.WriteFile("off.dll"));
    ASSERT_TRUE(folder_.WriteFile("first.dll"));
    ASSERT_TRUE(folder_.WriteFile("svc.sys"));
    ASSERT_TRUE(folder_.WriteFile("Group\\inside.txt"));
    ASSERT_TRUE(folder_.WriteFile("at"));
    ASSERT_TRUE(folder_.WriteFile("later.dll"));
    std::string upper = dir_;
    CharUpperA(&upper[0]);
    const std::string atFolder = dir_ + "at@svc-folder\\";
    const FileRule rows[] = {
        // product disabled folder           file
        {4, 0, dir_.c_str(),     "later.dll"},      // searched: it comes before the disabled row
        {4, 1, dir_.c_str(),     "off.dll"},
        {4, 0, upper.c_str(),    "OFF.DLL"},        // repeats the disabled row
        {4, 1, dir_.c_str(),     "later.dll"},
        {4, 0, dir_.c_str(),     "first.dll"},
        {4, 0, dir_.c_str(),     "First.dll"},      // repeats an enabled row
        {4, 0, dir_.c_str(),     "svc.sys@MySvc"},
        {4, 0, dir_.c_str(),     "Group"},          // a folder
        {4, 0, atFolder.c_str(), "x.dll"},          // "@" in the folder text: the cut is there
        {4, 0, dir_.c_str(),     "missing.dll"},
        {-1, 1, NULL,            NULL},             // sentinel
    };
    EXPECT_EQ(1, SearchFileRuleRows(NULL, rows, NULL));
    ASSERT_EQ(5, Count());
    EXPECT_EQ(dir_ + "later.dll", Item(0).path);
    EXPECT_EQ(dir_ + "first.dll", Item(1).path);
    EXPECT_EQ(NULL, Item(1).serviceName);
    EXPECT_EQ(dir_ + "svc.sys", Item(2).path);
    EXPECT_STREQ("MySvc", Item(2).serviceName);
    EXPECT_EQ(dir_ + "Group", Item(3).path);
    EXPECT_EQ(dir_ + "at", Item(4).path);
    EXPECT_STREQ("svc-folder\\x.dll", Item(4).serviceName);
    for (int i = 0; i < Count(); i++) {
        EXPECT_EQ(kItemClassFile, Item(i).itemClass);
        EXPECT_EQ(4, Item(i).productIndex);
    }
    EXPECT_EQ(9, CurrentRule(1, -1));
}

TEST_F(FileSearchTest, AnOverlongRuleIsSkippedRatherThanCutToAnExistingPath)
{
    // A file whose whole path is 259 characters, the most a path may have.
    const std::string name(259 - dir_.size(), 'p');
    ASSERT_TRUE(folder_.WriteFile(name));
    const std::string longer = name + "q";
    const FileRule overlong[] = {{4, 0, dir_.c_str(), longer.c_str()}, {-1, 1, NULL, NULL}};
    EXPECT_EQ(1, SearchFileRuleRows(NULL, overlong, NULL));
    EXPECT_EQ(0, Count());
    const FileRule exact[] = {{4, 0, dir_.c_str(), name.c_str()}, {-1, 1, NULL, NULL}};
    EXPECT_EQ(1, SearchFileRuleRows(NULL, exact, NULL));
    ASSERT_EQ(1, Count());
    EXPECT_EQ(dir_ + name, Item(0).path);
}

TEST_F(FileSearchTest, MacroRowsFindDriverFilesStartMenuGroupsAndShortcuts)
{
    const std::string driver = std::string(g_systemDirectory) + "Drivers\\envsweep-test.sys";
    TempFile driverFile(driver);
    ASSERT_TRUE(MakeFile(driver));
    PlacedFolder group(SpecialFolder(CSIDL_PROGRAMS), "EnvsweepTest Group");
    ASSERT_TRUE(CreateDirectoryA(group.path().c_str(), NULL));
    const std::string shortcut = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\EnvsweepTest.lnk";
    TempFile shortcutFile(shortcut);
    ASSERT_TRUE(MakeFile(shortcut));
    const FileRule rows[] = {
        {4, 0, "%DRIVERS%",         "envsweep-test.sys@EnvsweepSvc"},
        {4, 0, "%PROGRAM_MENU%",    "EnvsweepTest Group"},
        {4, 0, "%COMMON_DESKTOP%",  "EnvsweepTest.lnk"},
        {4, 0, "%system%",          "kernel32.dll"},   // literal text: a relative path
        {4, 0, "%STARTUP%",         "EnvsweepTest.lnk"},
        {-1, 1, NULL,               NULL},
    };
    EXPECT_EQ(1, SearchFileRuleRows(NULL, rows, NULL));
    ASSERT_EQ(3, Count());
    EXPECT_EQ(driver, Item(0).path);
    EXPECT_STREQ("EnvsweepSvc", Item(0).serviceName);
    EXPECT_EQ(group.path(), Item(1).path);
    EXPECT_EQ(shortcut, Item(2).path);
}

TEST_F(FileSearchTest, TheWalkFoldsEveryRecordingAndGoesOnAfterAFailure)
{
    ScopedFoundItems small(1);
    ProductSelection(-2, 0x3FFFF);
    ASSERT_TRUE(folder_.WriteFile("a.dll"));
    ASSERT_TRUE(folder_.WriteFile("b.dll"));
    ASSERT_TRUE(folder_.WriteFile("c.dll"));
    const FileRule rows[] = {
        {4, 0, dir_.c_str(), "a.dll"},
        {4, 0, dir_.c_str(), "b.dll"},   // the list is full
        {4, 0, dir_.c_str(), "c.dll"},
        {-1, 1, NULL, NULL},
    };
    CountingProgressBar bar;
    ASSERT_NE((HWND)NULL, bar.hwnd());
    bar.Start(100);
    EXPECT_EQ(0, SearchFileRuleRows(NULL, rows, bar.hwnd()));
    EXPECT_EQ(1, small.list()->count);
    EXPECT_EQ((std::vector<int>{101, 102, 103}), bar.setPositions);
    EXPECT_EQ(2, CurrentRule(1, -1)) << "the walk went on to the last row";

    // A family that is not selected drops its paths and counts as success.
    ClearItems();
    ProductSelection(4, 0);
    EXPECT_EQ(1, SearchFileRuleRows(NULL, rows, NULL));
    EXPECT_EQ(0, small.list()->count);
}

TEST(FileSearchFamilies, OnlyTheFirstOfTwoEqualRowsIsSearchedUnderItsOwnFamily)
{
    // Without an override the items carry the family of the built-in row at the same position;
    // the built-in table opens with one row for each of the families 0 to 16, in order.
    ASSERT_GT(CountFileRules(), 2) << "the built-in file rule table is needed";
    ASSERT_EQ(0, kFileRules[0].product);
    ASSERT_EQ(1, kFileRules[1].product);
    ClearFileSideProduct();
    ScopedFoundItems scope;
    ScratchFolder folder("file-families");
    ASSERT_TRUE(folder.WriteFile("shared.dll"));
    const std::string dir = folder.path();
    const FileRule rows[] = {
        {0, 0, dir.c_str(), "shared.dll"},
        {1, 0, dir.c_str(), "shared.dll"},
        {-1, 1, NULL, NULL},
    };
    ProductSelection(-2, 1 << 1);
    EXPECT_EQ(1, SearchFileRuleRows(NULL, rows, NULL));
    EXPECT_EQ(0, scope.list()->count) << "the second row is never searched";
    ProductSelection(0, 1);
    EXPECT_EQ(1, SearchFileRuleRows(NULL, rows, NULL));
    ASSERT_EQ(1, scope.list()->count);
    EXPECT_EQ(0, scope.list()->items[0].productIndex);
}
