// Process entry: platform, directories, single instance, caption, command line, run mode.
#include "app/startup.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/ui_state.h"
#include "app/res/resource.h"
#include "clean/list_run.h"
#include "clean/restore.h"
#include "clean/silent_run.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"

int QueryPlatformKind()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;   // 148 bytes
    if (!GetVersionExA(&version)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return 1;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) return 2;
    return 0;
}

// 1 when this is the only running instance (the Envsweep mutex did not exist before).
static int ClaimSingleInstance()
{
    g_instanceMutex = CreateMutexA(NULL, FALSE, "Envsweep");
    return GetLastError() == ERROR_ALREADY_EXISTS ? 0 : 1;
}

// Fetches a directory with its trailing backslash; 0 when the query fails or does not fit.
static int FetchDirectory(UINT (WINAPI* query)(LPSTR, UINT), char* out)
{
    const UINT length = query(out, kPathSize);
    if (length == 0 || length >= (UINT)kPathSize) {
        out[0] = '\0';
        return 0;
    }
    AppendBackslash(out, kPathSize);
    return 1;
}

// Hands the message to the window's dialog handling; what that does not take is translated and
// dispatched.
static void DeliverMessage(HWND window, MSG* message)
{
    if (window != NULL && IsDialogMessageA(window, message)) return;
    TranslateMessage(message);
    DispatchMessageA(message);
}

// Delivers every waiting message. A message it dispatches can run a whole search and deletion
// and end the program, so a quit request taken from the queue here is put back for the main loop.
static void DrainMessages(HWND window)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage((int)message.wParam);
            return;
        }
        DeliverMessage(window, &message);
    }
}

void RunInteractive()
{
    g_mainWindow = CreateMainWindow();
    if (g_mainWindow == NULL) return;
    if (MessageBoxById(GetFocus(), IDS_START_WARNING, MB_YESNO | MB_ICONWARNING | MB_TOPMOST) == IDNO) {
        DestroyWindow(g_mainWindow);
        g_mainWindow = NULL;
        return;
    }
    ShowWindow(g_mainWindow, SW_SHOW);
    UpdateWindow(g_mainWindow);
    DrainMessages(g_mainWindow);
    // The loop also ends once the window is gone, should a nested loop have taken the quit request.
    MSG message;
    while (g_mainWindow != NULL && GetMessageA(&message, NULL, 0, 0) > 0)
        DeliverMessage(g_mainWindow, &message);
}

int EnvsweepMain(HINSTANCE instance, const char* commandLine)
{
    g_platformKind = QueryPlatformKind();
    if (g_platformKind == 0) return -1;
    DetectMachineHalves();
    if (!FetchDirectory(GetSystemDirectoryA, g_systemDirectory)) return -1;
    if (!FetchDirectory(GetWindowsDirectoryA, g_windowsDirectory)) return -1;
    ParseCommandLine(commandLine);
    // A run from the command line that cannot start because another copy runs has done nothing,
    // and says so; the window's run ends quietly.
    if (!ClaimSingleInstance()) return g_restoreFlag || g_listFlag || g_silentFlag || g_restrictedFlag ? kExitInstanceHeld : 0;

    g_instance = instance;
    LoadStringA(instance, IDS_CAPTION, g_caption, sizeof g_caption);
    if (g_restoreFlag) return RunRestore(g_restoreName);

    // Without the list no run can keep what it finds: end before any run starts.
    g_foundItems = CreateFoundItemList(FoundItemCapacity());
    if (g_foundItems == NULL) return -1;

    int exitCode = 0;
    if (g_listFlag) {
        exitCode = RunListOnly(g_listName, g_restrictedFlag);
    } else if (g_silentFlag || g_restrictedFlag) {
        exitCode = RunSilent(g_restrictedFlag);
    } else {
        RunInteractive();
    }

    DestroyFoundItemList(g_foundItems);
    g_foundItems = NULL;
    return exitCode;
}
