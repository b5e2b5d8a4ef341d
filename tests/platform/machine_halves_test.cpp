// The two halves of a 64-bit machine as this process reaches them: a key written to one view
// only, a key the views share, and the other half's folders. The same test serves every build:
// a 32-bit build in a 32-bit prefix has one half; in a 64-bit prefix (WOW64) its other half is
// the native one; the 64-bit test build's other half is the 32-bit one.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "platform/ascii_case.h"
#include "platform/machine_halves.h"
#include "support/helpers.h"

TEST(MachineHalves, ViewsKernelNamesAndFolders)
{
    ScopedHalves detected;
    const int32_t halves = detected.halves();
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    const bool machine64 = info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    if (!machine64) {
        EXPECT_EQ(kOneHalf, halves);
        EXPECT_EQ(1, RegistryViewCount());
        EXPECT_EQ(0u, RegistryViewFlag(kViewOther));
        char folder[MAX_PATH];
        EXPECT_EQ(0, OtherSystemFolder(folder));
        return;
    }
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    EXPECT_EQ(wow64 ? kOtherHalfNative : kOtherHalf32, halves);
    ASSERT_EQ(2, RegistryViewCount());
    EXPECT_EQ((REGSAM)(wow64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY), RegistryViewFlag(kViewOther));
    EXPECT_EQ(wow64 ? 1 : 0, RegistryViewIs64Bit(kViewOther));
    EXPECT_EQ(wow64 ? 0 : 1, RegistryViewIs64Bit(kViewOwn));

    // A key of the other half only: invisible in the own view, its own kernel name, deleted there.
    const char* path = "SOFTWARE\\EnvsweepHalvesProbe";
    ScratchKey probe(HKEY_LOCAL_MACHINE, path, kViewOther);
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, OpenKeyInView({HKEY_LOCAL_MACHINE, path, kViewOther}, KEY_READ, &key));
    char name[1024];
    ASSERT_EQ(1, KeyKernelName(key, name, sizeof name));
    EXPECT_EQ(1, AsciiStartsWithNoCase(name, "\\REGISTRY\\MACHINE\\SOFTWARE\\")) << name;
    // The 32-bit half of SOFTWARE is its Wow6432Node.
    EXPECT_EQ(wow64 ? nullptr : name, strstr(name, "Wow6432Node") ? name : nullptr) << name;
    RegCloseKey(key);
    HKEY own = NULL;
    EXPECT_NE(ERROR_SUCCESS, OpenKeyInView({HKEY_LOCAL_MACHINE, path, kViewOwn}, KEY_READ, &own));
    EXPECT_EQ(1, KeyDiffersInOtherView(HKEY_LOCAL_MACHINE, path));
    EXPECT_EQ(ERROR_SUCCESS, DeleteKeyInView({HKEY_LOCAL_MACHINE, path, kViewOther}));
    EXPECT_EQ(0, KeyDiffersInOtherView(HKEY_LOCAL_MACHINE, path));

    // A key under SYSTEM is one key seen from both views.
    EXPECT_EQ(0, KeyDiffersInOtherView(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control"));

    // The other half's folders exist and differ from this process's own.
    char system[MAX_PATH], otherSystem[MAX_PATH], programs[MAX_PATH], common[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    ASSERT_EQ(1, OtherSystemFolder(otherSystem));
    // (Wine's 64-bit prefix without 32-bit Wine leaves SysWOW64 empty: the folder is what is shown.)
    const DWORD attributes = GetFileAttributesA(otherSystem);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << otherSystem;
    EXPECT_FALSE(AsciiEqualNoCase(system, otherSystem));
    ASSERT_EQ(1, OtherProgramFiles(programs));
    EXPECT_STREQ(wow64 ? "C:\\Program Files" : "C:\\Program Files (x86)", programs);
    ASSERT_EQ(1, OtherCommonFiles(common));
    EXPECT_EQ(0, strncmp(common, programs, strlen(programs))) << common;
}
