// The pause after a service stop: a real service whose process keeps its file open for a while
// after it was told to stop. The deletion must wait for the file rather than fail on it, and
// must not wait on a file nobody holds.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "clean/deletion_driver.h"
#include "clean/services.h"
#include "model/found_items.h"
#include "support/helpers.h"

namespace {

const char kServiceName[] = "EnvsweepWaitSvc";
const char kServiceSwitch[] = "--envsweep-wait-service";
const DWORD kHoldAfterStopMs = 600;   // shorter than the one-second limit

// ---- the service: this test executable, started by the service manager ----

SERVICE_STATUS_HANDLE g_statusHandle = NULL;
HANDLE g_stopRequested = NULL;
char g_heldPath[MAX_PATH];

void Report(DWORD state)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(g_stopRequested);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char**)
{
    g_statusHandle = RegisterServiceCtrlHandlerExA(kServiceName, Control, NULL);
    g_stopRequested = CreateEventA(NULL, TRUE, FALSE, NULL);
    // Held as a running program's file is: others may read it (so the clean-up can back it up),
    // nobody may delete it until it is let go.
    HANDLE file = CreateFileA(g_heldPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopRequested, 60000);
    // Winding down takes a moment, and the file is let go only at the end of it.
    Sleep(kHoldAfterStopMs);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    Report(SERVICE_STOPPED);
}

// Runs the service and ends the process when the command line asks for it; before GoogleTest
// starts, so the test executable doubles as the service's program.
int RunAsServiceWhenAsked()
{
    const char* line = GetCommandLineA();
    const char* found = strstr(line, kServiceSwitch);
    if (found == NULL) return 0;
    lstrcpynA(g_heldPath, found + strlen(kServiceSwitch) + 1, sizeof g_heldPath);
    SERVICE_TABLE_ENTRYA table[] = {{(char*)kServiceName, ServiceMain}, {NULL, NULL}};
    StartServiceCtrlDispatcherA(table);
    ExitProcess(0);
    return 1;
}
const int g_serviceMode = RunAsServiceWhenAsked();

// ---- the test ----

uint8_t RemoveService(SC_HANDLE manager)
{
    SC_HANDLE old = OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS);
    if (old == NULL) return 1;
    SERVICE_STATUS status;
    ControlService(old, SERVICE_CONTROL_STOP, &status);
    DeleteService(old);
    CloseServiceHandle(old);
    for (int i = 0; i < 50; i++) {
        SC_HANDLE still = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
        if (still == NULL) return 1;
        CloseServiceHandle(still);
        Sleep(100);
    }
    return 0;
}

uint8_t Held(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), DELETE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? 1 : 0;
    CloseHandle(file);
    return 0;
}

TEST(ServiceWait, TheFileIsDeletedOnceTheStoppedServiceLetsGoOfIt)
{
    ASSERT_EQ(0, g_serviceMode);
    ScratchFolder folder("envsweep-service-wait");
    ASSERT_TRUE(folder.WriteFile("held.dll"));
    const std::string path = folder.path() + "held.dll";
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE((SC_HANDLE)NULL, manager);
    ASSERT_TRUE(RemoveService(manager));

    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, sizeof program);
    const std::string command = std::string("\"") + program + "\" " + kServiceSwitch + " " + path;
    SC_HANDLE service = CreateServiceA(manager, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                       command.c_str(), NULL, NULL, NULL, NULL, NULL);
    ASSERT_NE((SC_HANDLE)NULL, service) << GetLastError();
    ASSERT_TRUE(StartServiceA(service, 0, NULL)) << GetLastError();
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    for (int i = 0; i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING; i++)
        Sleep(100);
    CloseServiceHandle(service);
    ASSERT_EQ((DWORD)SERVICE_RUNNING, status.dwCurrentState);
    ASSERT_TRUE(Held(path)) << "the service does not hold its file";

    // A file nobody holds needs no pause; a held one is waited for only up to the limit.
    const std::string free = folder.path() + "free.dll";
    ASSERT_TRUE(folder.WriteFile("free.dll"));
    EXPECT_EQ(1, WaitForFileRelease(free.c_str(), 1000));
    EXPECT_EQ(0, WaitForFileRelease(path.c_str(), 50));
    EXPECT_EQ(0, WaitForFileRelease((folder.path() + "missing.dll").c_str(), 50));

    ScopedFoundItems items;
    FoundItem& item = PushItem(kItemClassFile, 0, NULL, path, NULL, kServiceName);
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, item.notDeleted);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
    EXPECT_TRUE(RemoveService(manager));
    CloseServiceHandle(manager);
}

}  // namespace
