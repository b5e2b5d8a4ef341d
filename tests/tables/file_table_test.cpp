// The file rule table: its rows, folders, service parts, protected libraries and path lengths.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <set>
#include "model/process_values.h"
#include "platform/path_ops.h"
#include "tables/file_rules.h"
#include "tables/table_text.h"

namespace {

struct FolderFigure {
    const char* folder;
    int enabled;
};

const FolderFigure kFolderFigures[] = {
    {"%SYSTEM%", 330}, {"%INF%", 72}, {"%HELP%", 59}, {"%DRIVERS%", 34}, {"%OTHER%", 28},
    {"%PROGRAM_MENU_COMMON%", 21}, {"%PROGRAM_MENU%", 17}, {"%DESKTOP%", 10}, {"%COMMON_DESKTOP%", 8},
    {"%WINDOWS%", 6}, {"%COMMON_STARTUP%", 5}, {"%STARTUP%", 5}, {"%INTERNET%", 1},
};

bool IsEnabled(const FileRule& r)
{
    return r.disabled == 0;
}

// The file text without its "@service" part.
std::string FilePart(const FileRule& r)
{
    const char* at = strchr(r.file, '@');
    return at ? std::string(r.file, at - r.file) : std::string(r.file);
}

// The folder a macro names on this machine, with a trailing backslash; "" for no macro.
std::string MacroFolder(const char* folder)
{
    struct Special {
        const char* macro;
        int csidl;
    };
    static const Special specials[] = {
        {"%PROGRAM_MENU_COMMON%", CSIDL_COMMON_PROGRAMS}, {"%PROGRAM_MENU%", CSIDL_PROGRAMS},
        {"%COMMON_DESKTOP%", CSIDL_COMMON_DESKTOPDIRECTORY}, {"%DESKTOP%", CSIDL_DESKTOP},
        {"%COMMON_STARTUP%", CSIDL_COMMON_STARTUP}, {"%STARTUP%", CSIDL_STARTUP}};
    const std::string windows = g_windowsDirectory, system = g_systemDirectory;
    if (strcmp(folder, "%SYSTEM%") == 0) return system;
    if (strcmp(folder, "%HELP%") == 0) return windows + "HELP\\";
    if (strcmp(folder, "%INF%") == 0) return windows + "INF\\";
    if (strcmp(folder, "%OTHER%") == 0) return windows + "INF\\OTHER\\";
    if (strcmp(folder, "%WINDOWS%") == 0) return windows;
    if (strcmp(folder, "%DRIVERS%") == 0) return system + "Drivers\\";
    for (const Special& s : specials) {
        if (strcmp(folder, s.macro) == 0) {
            char path[MAX_PATH] = "";
            if (!SpecialFolderPath(s.csidl, path)) return "";
            AppendBackslash(path, MAX_PATH);
            return path;
        }
    }
    return folder;
}

}  // namespace

TEST(FileRules, PlaceholdersOpenTheTableAndTheSentinelEndsIt)
{
    ASSERT_EQ(668, CountFileRules());
    const FileRule& end = kFileRules[668];
    EXPECT_EQ(-1, end.product);
    EXPECT_EQ(1, end.disabled);
    EXPECT_EQ(NULL, end.folder);
    EXPECT_EQ(NULL, end.file);
    for (int i = 0; i < 17; i++) {
        EXPECT_EQ(i, kFileRules[i].product);
        EXPECT_EQ(1, kFileRules[i].disabled);
        EXPECT_STREQ("", kFileRules[i].folder);
        EXPECT_STREQ("", kFileRules[i].file);
    }
    for (int i = 17; i < 668; i++) {
        const FileRule& r = kFileRules[i];
        SCOPED_TRACE(testing::Message() << "row " << i << " " << r.file);
        EXPECT_GE(r.product, 0);
        EXPECT_LE(r.product, 17);
        EXPECT_TRUE(r.disabled == 0 || r.disabled == 1);
        ASSERT_TRUE(r.folder != NULL);
        EXPECT_NE('\0', r.file[0]);
        EXPECT_EQ(NULL, strpbrk(r.file, "*?\t\r\n"));
        EXPECT_NE('\\', r.file[0]);
    }
}

TEST(FileRules, EnabledRowsByFolderMacro)
{
    std::map<std::string, int> perFolder;
    int enabled = 0;
    for (int i = 0; i < CountFileRules(); i++) {
        if (!IsEnabled(kFileRules[i])) continue;
        enabled++;
        perFolder[kFileRules[i].folder]++;
    }
    EXPECT_EQ(596, enabled);
    size_t folders = 0;
    for (const FolderFigure& f : kFolderFigures) {
        EXPECT_EQ(f.enabled, CountOf(perFolder, std::string(f.folder))) << f.folder;
        folders++;
    }
    // No enabled row uses any other folder text (a misspelt macro would be taken literally).
    EXPECT_EQ(folders, perFolder.size());
}

TEST(FileRules, DisabledRowsProtectSharedLibrariesOrHaveNoFolder)
{
    std::set<std::string> protectedNames;
    int disabled = 0;
    for (int i = 17; i < CountFileRules(); i++) {
        const FileRule& r = kFileRules[i];
        if (IsEnabled(r)) continue;
        disabled++;
        EXPECT_EQ(NULL, strchr(r.file, '@')) << r.file;
        if (r.folder[0] == '\0' || strcmp(r.folder, "%%") == 0) continue;
        EXPECT_TRUE(strcmp(r.folder, "%SYSTEM%") == 0 || strcmp(r.folder, "%DRIVERS%") == 0) << r.file;
        protectedNames.insert(Lower(r.file));
    }
    EXPECT_EQ(55, disabled);
    for (const char* name : {"msvcrt.dll", "mfc40.dll", "opengl32.dll", "psapi.dll"})
        EXPECT_EQ(1u, protectedNames.count(name)) << name;
    // A protected library must not be named by any enabled row, whatever the folder: an enabled
    // row before the disabled one would have it deleted.
    for (int i = 0; i < CountFileRules(); i++) {
        const FileRule& r = kFileRules[i];
        if (!IsEnabled(r)) continue;
        EXPECT_EQ(0u, protectedNames.count(Lower(FileNamePart(FilePart(r).c_str())))) << "row " << i << " " << r.file;
    }
}

TEST(FileRules, ServicePartsNameOneServiceEach)
{
    int withService = 0;
    for (int i = 0; i < CountFileRules(); i++) {
        const FileRule& r = kFileRules[i];
        const char* at = strchr(r.file, '@');
        if (!IsEnabled(r) || at == NULL) continue;
        SCOPED_TRACE(r.file);
        withService++;
        EXPECT_GT(at, r.file);
        EXPECT_NE('\0', at[1]);
        EXPECT_EQ(NULL, strchr(at + 1, '@'));
        EXPECT_EQ(NULL, strchr(at + 1, '\\'));
        EXPECT_LT(strlen(at + 1), 256u);
        EXPECT_TRUE(strcmp(r.folder, "%SYSTEM%") == 0 || strcmp(r.folder, "%DRIVERS%") == 0);
    }
    EXPECT_EQ(48, withService);
}

TEST(FileRules, EachFolderHoldsTheKindOfItemItIsFor)
{
    for (int i = 0; i < CountFileRules(); i++) {
        const FileRule& r = kFileRules[i];
        if (!IsEnabled(r)) continue;
        SCOPED_TRACE(testing::Message() << r.folder << " " << r.file);
        const std::string file = FilePart(r);
        const char* f = file.c_str();
        const std::string folder = r.folder;
        if (folder == "%PROGRAM_MENU%" || folder == "%PROGRAM_MENU_COMMON%") {
            // Start-menu groups are folders: no extension.
            EXPECT_EQ(NULL, strchr(FileNamePart(f), '.'));
        } else if (folder == "%DESKTOP%" || folder == "%COMMON_DESKTOP%" || folder == "%STARTUP%" ||
                   folder == "%COMMON_STARTUP%") {
            EXPECT_TRUE(EndsWithNoCase(f, ".lnk"));
        } else if (folder == "%HELP%") {
            EXPECT_TRUE(EndsWithNoCase(f, ".hlp") || EndsWithNoCase(f, ".cnt") || EndsWithNoCase(f, ".chm"));
        } else if (folder == "%INF%" || folder == "%OTHER%") {
            EXPECT_TRUE(EndsWithNoCase(f, ".inf") || EndsWithNoCase(f, ".pnf"));
        } else if (folder == "%DRIVERS%") {
            EXPECT_TRUE(strchr(r.file, '@') != NULL);
        } else if (folder == "%INTERNET%") {
            EXPECT_TRUE(EndsWithNoCase(f, ".url"));
        }
    }
}

TEST(FileRules, RepeatedRowsShareAFileBetweenFamilies)
{
    // The search skips a row that repeats an earlier row's folder and file; that is meant only
    // for a file two families install, never for a slip within one family.
    int repeats = 0;
    for (int i = 17; i < CountFileRules(); i++) {
        const FileRule& r = kFileRules[i];
        if (!IsEnabled(r)) continue;
        for (int j = 0; j < i; j++) {
            const FileRule& e = kFileRules[j];
            if (!EqualNoCase(e.folder, r.folder) || !EqualNoCase(e.file, r.file)) continue;
            repeats++;
            EXPECT_EQ(0, e.disabled) << r.file;
            EXPECT_NE(e.product, r.product) << r.file;
        }
    }
    EXPECT_LE(repeats, 5);
}

TEST(FileRules, ExpandedPathsStayBelowMaxPath)
{
    ASSERT_NE('\0', g_systemDirectory[0]);
    size_t longest = 0;
    for (int i = 0; i < CountFileRules(); i++) {
        const FileRule& r = kFileRules[i];
        if (!IsEnabled(r)) continue;
        const std::string path = MacroFolder(r.folder) + r.file;
        longest = path.size() > longest ? path.size() : longest;
        EXPECT_LT(path.size(), 260u) << path;
        // Room for deeper profile folders than this prefix has.
        EXPECT_LT(strlen(r.file), 120u) << r.file;
    }
    EXPECT_GT(longest, 0u);
}
