// Driving windows by messages from a test.
#include "support/window_driver.h"
#include <stdint.h>
#include <string.h>
#include <vector>
#include "support/helpers.h"

namespace {

struct Search {
    const WindowQuery* query;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    Search* search = (Search*)parameter;
    const WindowQuery& q = *search->query;
    if (window == q.exclude || !IsWindowVisible(window)) return TRUE;
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (q.processId != 0 && processId != q.processId) return TRUE;
    if (q.threadId != 0 && threadId != q.threadId) return TRUE;
    if (q.owner != NULL && GetWindow(window, GW_OWNER) != q.owner) return TRUE;
    if (q.className != NULL) {
        char name[256];
        if (!GetClassNameA(window, name, sizeof name) || strcmp(name, q.className) != 0) return TRUE;
    }
    if (q.childId != 0 && GetDlgItem(window, q.childId) == NULL) return TRUE;
    search->found.push_back(window);
    return TRUE;
}

}  // namespace

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        Search search = {&query, {}};
        EnumWindows(MatchWindow, (LPARAM)&search);
        for (size_t i = 0; i < search.found.size(); i++) {
            uint8_t owns = 0;
            for (size_t j = 0; j < search.found.size(); j++) {
                if (GetWindow(search.found[j], GW_OWNER) == search.found[i]) owns = 1;
            }
            if (!owns) return search.found[i];
        }
        if (GetTickCount() - start > timeoutMs) return NULL;
        Sleep(20);
    }
}

static int WindowGone(void* window)
{
    return IsWindow((HWND)window) && IsWindowVisible((HWND)window) ? 0 : 1;
}

int WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil(WindowGone, window, timeoutMs);
}

int WaitUntil(int (*predicate)(void*), void* argument, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (predicate(argument)) return 1;
        if (GetTickCount() - start > timeoutMs) return 0;
        Sleep(20);
    }
}

static int FileThere(void* path)
{
    return GetFileAttributesA((const char*)path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

std::string WindowText(HWND window)
{
    char text[4096];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string MessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text != NULL ? WindowText(text) : "<no text>";
}

int Answer(HWND dialog, int id)
{
    if (dialog == NULL) return 0;
    PressButton(dialog, id);
    return WaitForWindowGone(dialog);
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

void PressEscape(HWND dialog)
{
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

std::string ModuleString(HMODULE module, UINT id)
{
    char text[4096];
    if (LoadStringA(module, id, text, sizeof text) <= 0) return "<missing>";
    return text;
}

int TakeScreenshot(const std::string& unixPath)
{
    // Wine runs a Unix program named by its path on drive Z:, but gives no handle to wait on:
    // the shell writes to a scratch name and renames when import has finished.
    const std::string scratch = unixPath + ".part.png";
    const std::string windowsPath = "Z:" + unixPath;
    DeleteFileA(windowsPath.c_str());
    std::string line = "Z:\\bin\\sh -c \"/usr/bin/import -window root '" + scratch + "' && mv '" + scratch + "' '" +
                       unixPath + "'\"";
    PROCESS_INFORMATION process;
    if (!StartProcess(NULL, line, &process)) return 0;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return WaitUntil(FileThere, (void*)windowsPath.c_str(), 60000);
}
