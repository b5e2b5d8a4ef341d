// The file search on a machine with two halves: the other half's drivers, service files and
// install folders, each listed under the spelling this process reaches it by.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/machine_halves.h"
#include "platform/path_guard.h"
#include "search/files/file_search.h"
#include "support/search_support.h"

namespace {

// What the test puts on the machine, removed again at its end (the note in the other registry
// view is reached only while two halves are known: the halves' scope must outlive this one).
struct Seeds {
    // Makes the file or folder and each missing folder above it.
    bool Make(const std::string& path, bool folder)
    {
        const std::string parent = path.substr(0, path.rfind('\\'));
        if (GetFileAttributesA(parent.c_str()) == INVALID_FILE_ATTRIBUTES && !Make(parent, true)) return false;
        made.push_back(path);
        return folder ? CreateDirectoryA(path.c_str(), NULL) != 0 : MakeFile(path) != 0;
    }
    // The default value of SOFTWARE\Morvane\<name> in the other view names the folder.
    bool Note(const std::string& name, const std::string& folder)
    {
        makerExisted = KeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane", kViewOther);
        note.reset(new ScratchKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\" + name, kViewOther));
        return note->SetString("", NULL, folder);
    }
    ~Seeds()
    {
        for (auto path = made.rbegin(); path != made.rend(); ++path) {
            if (!DeleteFileA(path->c_str())) RemoveDirectoryA(path->c_str());
        }
        note.reset();
        if (!makerExisted) DeleteKeyInView({HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane", kViewOther});
    }
    std::vector<std::string> made;
    std::unique_ptr<ScratchKey> note;
    bool makerExisted = true;
};

std::vector<std::string> ListedPaths(SearchSession* session)
{
    ScopedFoundItems scope;
    ProductSelection(-2, 0x3FFFF);
    EXPECT_EQ(1, SearchFileRules(session, NULL));
    std::vector<std::string> paths;
    for (int i = 0; i < scope.list()->count; i++) {
        const FoundItem& item = scope.list()->items[i];
        paths.push_back(std::string(item.path) + (item.serviceName ? "@" + std::string(item.serviceName) : ""));
    }
    return paths;
}

}  // namespace

// Under Wine's 64-bit prefix the other half is the 32-bit one: SysWOW64 (empty, as no 32-bit Wine
// is installed) and "C:\Program Files (x86)"; the shipped 32-bit program sees Sysnative and
// "C:\Program Files" there instead, through the same calls.
TEST(OtherHalfFiles, TheFileSearchFindsEachTwinInTheOtherHalfAndNothingBesideIt)
{
    ScopedHalves detected;
    Seeds seeds;
    if (detected.halves() == kOneHalf) GTEST_SKIP() << "this machine has one half (a 32-bit prefix)";
    char otherSystem[260], otherProgramFiles[260], otherCommonFiles[260], windows[260];
    ASSERT_TRUE(OtherSystemFolder(otherSystem) && OtherProgramFiles(otherProgramFiles));
    ASSERT_TRUE(OtherCommonFiles(otherCommonFiles) && GetWindowsDirectoryA(windows, sizeof windows));
    const std::string own = std::string(g_systemDirectory) + "Drivers\\";
    const std::string other = std::string(otherSystem) + "\\Drivers\\";
    const std::string maker = std::string(otherProgramFiles) + "\\Morvane\\";
    const std::string common = std::string(otherCommonFiles) + "\\Morvane\\";

    // The display driver (row "vfdisp.sys@vfdisp") in both halves; the capture driver its service
    // loads ("vfwdm.sys@vfwdm") in the other half only; another maker's driver beside them.
    for (const std::string& file :
         {own + "vfdisp.sys", other + "vfdisp.sys", other + "vfwdm.sys", other + "othervendor.sys"})
        ASSERT_TRUE(seeds.Make(file, false)) << file;
    // Install folders of the other half: OneSeg TV at its default place, DVD Theater below the
    // Common Files, HDTV Box where its note in the other registry view says; an untabled one beside.
    for (const std::string& folder :
         {maker + "OneSeg TV", maker + "HDTV Box 64", maker + "Other Tool", common + "DVD Theater"})
        ASSERT_TRUE(seeds.Make(folder, true)) << folder;
    ASSERT_TRUE(seeds.Note("HDTV Box", maker + "HDTV Box 64"));

    const std::vector<std::string> expected = {
        own + "vfdisp.sys@vfdisp", other + "vfdisp.sys@vfdisp", other + "vfwdm.sys@vfwdm",
        common + "DVD Theater", maker + "HDTV Box 64", maker + "OneSeg TV",
    };
    EXPECT_EQ(expected, ListedPaths(ScopedSession().get()));
    EXPECT_EQ(expected, ListedPaths(ScopedSession(0).get())) << "the reference, which remembers nothing";

    // Files inside the other half's system folder pass the guard as above; the folders do not.
    EXPECT_FALSE(PathGuardAllows(otherSystem, NULL, 0));
    EXPECT_FALSE(PathGuardAllows(other.c_str(), NULL, 0));
    EXPECT_FALSE(PathGuardAllows((std::string(windows) + "\\Sysnative\\drivers").c_str(), NULL, 0));

    // With one half the search is what it was: the own half's file alone.
    ScopedHalves oneHalf(kOneHalf);
    EXPECT_EQ(std::vector<std::string>{own + "vfdisp.sys@vfdisp"}, ListedPaths(ScopedSession().get()));
}
