// Driving windows by messages from a test: finding a process's or thread's dialogs and message
// boxes with a deadline, reading their texts, pressing their buttons.
#pragma once
#include <windows.h>
#include <string>

// What a wait looks for among the visible top-level windows.
struct WindowQuery {
    DWORD processId = 0;     // 0: any process
    DWORD threadId = 0;      // 0: any thread
    HWND owner = NULL;       // NULL: any owner
    HWND exclude = NULL;     // a window that never matches (the main window, say)
    const char* className = "#32770";
    int childId = 0;         // 0: any; else the window must have a child with this id
};

// The first visible top-level window that matches and owns no other match (the dialog in front),
// waiting up to timeoutMs; NULL when none came.
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs = 60000);
// Waits until the window is gone (1) or the deadline passed (0).
int WaitForWindowGone(HWND window, DWORD timeoutMs = 60000);
// Waits until predicate(argument) is true (1) or the deadline passed (0); polls every 20 ms.
int WaitUntil(int (*predicate)(void*), void* argument, DWORD timeoutMs = 60000);

std::string WindowText(HWND window);
// The text of a message box (its static without a number).
std::string MessageBoxText(HWND box);
// Presses the button and waits until the dialog has gone; 1 when it went.
int Answer(HWND dialog, int id);
// Presses a dialog's button as a click would: WM_COMMAND (id, BN_CLICKED) posted to the dialog.
void PressButton(HWND dialog, int id);
// Posts the Escape key to the dialog, which its dialog handling turns into Cancel.
void PressEscape(HWND dialog);

// The text of string id of a module in its thread's language (loaded as the program would).
std::string ModuleString(HMODULE module, UINT id);

// A screenshot of the whole X display into path (a Unix path) with ImageMagick's import; 1 on success.
int TakeScreenshot(const std::string& unixPath);
