// The main window: family boxes, guidance line, found-item list, Search, Delete and exit.
#pragma once
#include <windows.h>
#include <stdint.h>

// Creates the main window hidden (its initialisation runs during creation); NULL on failure.
HWND CreateMainWindow();

// Commands and jobs (main_commands.cpp).
void OnProductBoxChange(HWND window, int boxId);
void OnTickAll(HWND window);
void OnUntickAll(HWND window);
void OnSearch(HWND window);
void OnDelete(HWND window);
// Runs the pending job when the idle notification comes from the open progress dialog.
void OnEnterIdle(HWND window, WPARAM source, LPARAM dialog);
// Guidance line: string 100 while the list holds rows, string 101 while it is empty.
void UpdateGuidance(HWND window);

// Asks the running applications of the selected families to close (close_applications.cpp);
// returns the number of windows it asked.
int CloseApplicationWindows();
