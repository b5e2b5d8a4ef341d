// envsweep-desktop: holds the Wine prefix's desktop open with one hidden window for as long as it
// runs, so that the desktop (and with it Wine's rebuild of its display devices in the registry,
// which deletes display-class instances and video keys it does not know) starts only once per
// wineserver session instead of each time a window process starts after the previous one ended.
//
//   envsweep-desktop.exe READY-FILE    create the window, write READY-FILE, run until closed
//
// tools/winerun.sh --up starts it and waits for READY-FILE; --down stops it by its process id.
#include <windows.h>
#include <stdio.h>

namespace {

const char kClassName[] = "EnvsweepDesktopHolder";

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Writes the ready file: the window handle, for a look with a debugger or a window lister.
int WriteReadyFile(const char* path, HWND window)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char text[64];
    const int length = snprintf(text, sizeof text, "window %p\r\n", (void*)window);
    DWORD written = 0;
    const BOOL ok = length > 0 && WriteFile(file, text, (DWORD)length, &written, NULL) && written == (DWORD)length;
    CloseHandle(file);
    return ok ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fputs("usage: envsweep-desktop READY-FILE\n", stderr);
        return 2;
    }
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = HolderProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) return 1;
    // A top-level window: creating it makes Wine start the desktop (and wait until it stands).
    HWND window = CreateWindowExA(0, kClassName, "envsweep desktop holder", WS_OVERLAPPED, 0, 0, 1, 1, NULL, NULL,
                                  windowClass.hInstance, NULL);
    if (window == NULL || GetDesktopWindow() == NULL) return 1;
    if (!WriteReadyFile(argv[1], window)) {
        DestroyWindow(window);
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
