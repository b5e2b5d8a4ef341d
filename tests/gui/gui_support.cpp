// The interactive run inside the test process, and stand-in application windows.
#include "gui/gui_support.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "app/command_line.h"
#include "app/startup.h"
#include "app/ui_state.h"
#include "model/process_values.h"

InteractiveRun::InteractiveRun(const char* commandLine) : thread_(NULL), threadId_(0)
{
    g_instance = GetModuleHandleA(NULL);
    LoadStringA(g_instance, 1, g_caption, sizeof g_caption);
    ParseCommandLine(commandLine);
    created_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    thread_ = CreateThread(NULL, 0, Body, this, 0, &threadId_);
}

DWORD WINAPI InteractiveRun::Body(void*)
{
    RunInteractive();
    return 0;
}

InteractiveRun::~InteractiveRun()
{
    if (!Finished(1000)) {
        HWND main = g_mainWindow;
        if (main != NULL) PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(Finished(60000)) << "the window did not end";
    }
    CloseHandle(thread_);
    CloseHandle(created_);
}

int InteractiveRun::Finished(DWORD timeoutMs)
{
    return WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0 ? 1 : 0;
}

HWND InteractiveRun::MainWindow() const
{
    return g_mainWindow;
}

HWND InteractiveRun::NextDialog(int childId, DWORD timeoutMs) const
{
    WindowQuery query;
    query.threadId = threadId_;
    query.exclude = g_mainWindow;
    query.childId = childId;
    return WaitForWindow(query, timeoutMs);
}

HWND InteractiveRun::ExpectMessage(UINT id, DWORD timeoutMs) const
{
    HWND box = NextDialog(0xFFFF, timeoutMs);
    EXPECT_TRUE(box != NULL) << "no message box for string " << id;
    if (box != NULL) {
        EXPECT_EQ(ModuleString(g_instance, id), MessageBoxText(box)) << "expected string " << id;
    }
    return box;
}

static LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

StandInApplications::StandInApplications(const std::vector<std::string>& classNames)
    : classes_(classNames), windows_(classNames.size(), (HWND)NULL), threadId_(0)
{
    ready_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    thread_ = CreateThread(NULL, 0, Body, this, 0, &threadId_);
    WaitForSingleObject(ready_, 30000);
}

DWORD WINAPI StandInApplications::Body(void* parameter)
{
    StandInApplications* self = (StandInApplications*)parameter;
    for (size_t i = 0; i < self->classes_.size(); i++) {
        WNDCLASSA windowClass;
        ZeroMemory(&windowClass, sizeof windowClass);
        windowClass.lpfnWndProc = StandInProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = self->classes_[i].c_str();
        RegisterClassA(&windowClass);
        self->windows_[i] = CreateWindowExA(0, self->classes_[i].c_str(), "stand-in", WS_OVERLAPPEDWINDOW, 0, 0,
                                            200, 100, NULL, NULL, GetModuleHandleA(NULL), NULL);
    }
    SetEvent(self->ready_);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    for (size_t i = 0; i < self->windows_.size(); i++) {
        if (IsWindow(self->windows_[i])) DestroyWindow(self->windows_[i]);
        UnregisterClassA(self->classes_[i].c_str(), GetModuleHandleA(NULL));
    }
    return 0;
}

StandInApplications::~StandInApplications()
{
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, 30000);
    CloseHandle(thread_);
    CloseHandle(ready_);
}

int StandInApplications::Running(size_t i) const
{
    return windows_[i] != NULL && IsWindow(windows_[i]) ? 1 : 0;
}

std::string ScreenshotPath(const char* name)
{
    // The test executable lies in the build tree; the prefix sees this machine's files on Z:.
    std::string folder = ModuleFolder();
    if (folder.size() >= 2 && (folder[0] == 'Z' || folder[0] == 'z') && folder[1] == ':') folder = folder.substr(2);
    for (size_t i = 0; i < folder.size(); i++) {
        if (folder[i] == '\\') folder[i] = '/';
    }
    CreateDirectoryA(("Z:" + folder + "screenshots").c_str(), NULL);
    return folder + "screenshots/" + name;
}

int RowTicked(HWND list, int row)
{
    const UINT state = (UINT)SendMessageA(list, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK);
    return (int)((state >> 12) & 3u) - 1;
}
