// The file search on a machine with two halves: the other half's drivers, service files and
// install folders, each listed under the spelling this process reaches it by.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/machine_halves.h"
#include "platform/path_guard.h"
#include "search/files/file_search.h"
#include "search/search_support.h"

namespace {

// The machine's halves as detected, and one half again afterwards, as the other tests expect.
struct DetectedHalves {
    DetectedHalves() { DetectMachineHalves(); }
    ~DetectedHalves() { g_machineHalves = kOneHalf; }
};

// A file made for the test (its folder too, removed again when the test made it and it is empty).
struct SeededFile {
    SeededFile(const std::string& folder, const std::string& name) : folder(folder), path(folder + "\\" + name)
    {
        folderExisted = GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
        made = MakeFile(path);
    }
    ~SeededFile()
    {
        DeleteFileA(path.c_str());
        if (!folderExisted) RemoveDirectoryA(folder.c_str());
    }
    std::string folder, path;
    bool folderExisted, made;
};

// An install-folder note (the default value of SOFTWARE\Morvane\<name>) in the other registry
// view, removed again with the maker's key when the test made it.
struct OtherViewNote {
    OtherViewNote(const std::string& name, const std::string& folder) : key("SOFTWARE\\Morvane\\" + name)
    {
        HKEY handle = NULL;
        makerExisted = OpenKeyInView(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane", KEY_READ, kViewOther, &handle) == 0;
        if (handle) RegCloseKey(handle);
        made = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, NULL, 0, KEY_ALL_ACCESS | RegistryViewFlag(kViewOther),
                               NULL, &handle, NULL) == 0 &&
               RegSetValueExA(handle, NULL, 0, REG_SZ, (const BYTE*)folder.c_str(), (DWORD)folder.size() + 1) == 0;
        if (handle) RegCloseKey(handle);
    }
    // Before the halves are forgotten: the other view is reached only while they are known.
    ~OtherViewNote()
    {
        DeleteKeyInView(HKEY_LOCAL_MACHINE, key.c_str(), kViewOther);
        if (!makerExisted) DeleteKeyInView(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane", kViewOther);
    }
    std::string key;
    bool makerExisted, made;
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
    DetectedHalves halves;
    ASSERT_NE(kOneHalf, g_machineHalves);
    char otherSystem[260], otherProgramFiles[260], otherCommonFiles[260], windows[260];
    ASSERT_TRUE(OtherSystemFolder(otherSystem) && OtherProgramFiles(otherProgramFiles));
    ASSERT_TRUE(OtherCommonFiles(otherCommonFiles) && GetWindowsDirectoryA(windows, sizeof windows));
    const std::string ownDrivers = std::string(g_systemDirectory) + "Drivers";
    const std::string otherDrivers = std::string(otherSystem) + "\\Drivers";

    // The display driver (row "vfdisp.sys@vfdisp") in both halves; the capture driver its service
    // loads ("vfwdm.sys@vfwdm") in the other half only; another maker's driver beside them.
    SeededFile ownDisplay(ownDrivers, "vfdisp.sys"), otherDisplay(otherDrivers, "vfdisp.sys");
    SeededFile otherCapture(otherDrivers, "vfwdm.sys"), foreign(otherDrivers, "othervendor.sys");
    ASSERT_TRUE(ownDisplay.made && otherDisplay.made && otherCapture.made && foreign.made);

    // Install folders of the other half: OneSeg TV at its default place, DVD Theater below the
    // Common Files, HDTV Box where its note in the other registry view says; an untabled one beside.
    const std::string otherMaker = std::string(otherProgramFiles) + "\\Morvane";
    PlacedFolder oneSeg(otherMaker, "OneSeg TV"), noted(otherMaker, "HDTV Box 64"), untabled(otherMaker, "Other Tool");
    PlacedFolder dvd(std::string(otherCommonFiles) + "\\Morvane", "DVD Theater");
    for (const PlacedFolder* folder : {&oneSeg, &noted, &untabled, &dvd})
        ASSERT_TRUE(CreateDirectoryA(folder->path().c_str(), NULL)) << folder->path();
    OtherViewNote note("HDTV Box", noted.path());
    ASSERT_TRUE(note.made);

    const std::vector<std::string> expected = {
        ownDisplay.path + "@vfdisp",
        otherDisplay.path + "@vfdisp",
        otherCapture.path + "@vfwdm",
        dvd.path(),
        noted.path(),
        oneSeg.path(),
    };
    EXPECT_EQ(expected, ListedPaths(ScopedSession().get()));
    EXPECT_EQ(expected, ListedPaths(ScopedSession(0).get())) << "the reference, which remembers nothing";

    // Files inside the other half's system folder pass the guard as above; the folders do not.
    EXPECT_FALSE(PathGuardAllows(otherSystem, NULL, 0));
    EXPECT_FALSE(PathGuardAllows(otherDrivers.c_str(), NULL, 0));
    EXPECT_FALSE(PathGuardAllows((std::string(windows) + "\\Sysnative\\drivers").c_str(), NULL, 0));

    // With one half the search is what it was: the own half's file alone.
    const int32_t detected = g_machineHalves;
    g_machineHalves = kOneHalf;
    EXPECT_EQ(std::vector<std::string>{ownDisplay.path + "@vfdisp"}, ListedPaths(ScopedSession().get()));
    g_machineHalves = detected;
}
