// Process entry: platform, directories, single instance, caption, command line, run mode.
#pragma once
#include <windows.h>

// 1 = Windows 9x family, 2 = NT family, 0 = unsupported or the query failed.
int QueryPlatformKind();

// The main window, created hidden; the start-up warning; then the message loop until the window
// is destroyed. Returns at once when the warning is answered No.
void RunInteractive();

// The whole start-up and run; returns the process exit code (-1 or 0).
int EnvsweepMain(HINSTANCE instance, const char* commandLine);
