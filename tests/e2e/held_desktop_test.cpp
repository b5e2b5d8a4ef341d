// The held desktop: when the desktop of a wineserver session first starts (with the first window
// process), Wine rebuilds its display devices in the registry and deletes every display-class
// instance but its own. tools/winerun.sh --up starts the holder's window, so that happens before
// anything is seeded. Without the holder this test fails: the first window process below starts
// the desktop and the instance is gone (Wine 8.0).
#include <gtest/gtest.h>
#include "support/helpers.h"
#include "support/scan_fixtures.h"

namespace {

const HKEY kLm = HKEY_LOCAL_MACHINE;
const char kDisplayClass[] = "System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}";
const char kVideoRoot[] = "System\\CurrentControlSet\\Control\\Video";
const char kInstance[] = "0917";
const char kVideoKey[] = "{E57E5C00-0000-4E57-8000-0000000000D1}\\0000";

// This test executable in its --window helper mode: one window, then the process ends.
DWORD RunWindowProcess()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    char line[MAX_PATH + 16];
    snprintf(line, sizeof line, "\"%s\" --window", exe);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(exe, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return 0x7fffffff;
    DWORD code = 0x7fffffff;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    else TerminateProcess(process.hProcess, code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

TEST(HeldDesktop, WindowProcessesLeaveDisplayClassAndVideoKeysAlone)
{
    FixtureKeys display(kLm, kDisplayClass);
    FixtureKeys video(kLm, kVideoRoot, 1);   // Wine's Control\Video takes volatile children only
    ASSERT_TRUE(display.ok() && video.ok());
    ASSERT_TRUE(display.SetString(kInstance, "DriverDesc", "Contoso Display Adapter"));
    ASSERT_TRUE(display.SetString(kInstance, "ProviderName", "Contoso"));
    ASSERT_TRUE(video.SetString(kVideoKey, "Device Description", "Contoso Display Adapter"));

    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE("window process " + std::to_string(i + 1));
        ASSERT_EQ(0u, RunWindowProcess());
        EXPECT_TRUE(ValuePresent(kLm, display.Path(kInstance), "DriverDesc")) << display.Path(kInstance);
        EXPECT_TRUE(ValuePresent(kLm, video.Path(kVideoKey), "Device Description")) << video.Path(kVideoKey);
    }
    // Looked for last: looking for a window starts the desktop too, and would hide what this tests.
    EXPECT_TRUE(FindWindowA("EnvsweepDesktopHolder", NULL) != NULL)
        << "the desktop holder does not run: bring the prefix up with tools/winerun.sh --up";
}

}  // namespace
