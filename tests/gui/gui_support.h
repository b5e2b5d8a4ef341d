// The interactive run inside the test process: the program's window on a thread of its own, the
// test thread answering its dialogs; and stand-in application windows for the close step.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "support/helpers.h"
#include "support/window_driver.h"

// RunInteractive on its own thread, after the command line was parsed as the entry parses it.
class InteractiveRun {
public:
    explicit InteractiveRun(const char* commandLine);
    ~InteractiveRun();   // ends a window still open with its exit command
    DWORD threadId() const { return threadId_; }
    // Waits until RunInteractive returned; 1 when it did within the time.
    int Finished(DWORD timeoutMs = 60000);
    // The next dialog or message box in front (never the main window itself).
    HWND NextDialog(int childId = 0, DWORD timeoutMs = 120000) const;
    // The next message box; checks that it shows string id and returns it.
    HWND ExpectMessage(UINT id, DWORD timeoutMs = 120000) const;
    HWND MainWindow() const;
private:
    static DWORD WINAPI Body(void* self);
    HANDLE thread_;
    DWORD threadId_;
    HANDLE created_;
};

// Top-level windows of the given classes on a thread of the test process, as running
// applications would show them; they close on SC_CLOSE like any window.
class StandInApplications {
public:
    explicit StandInApplications(const std::vector<std::string>& classNames);
    ~StandInApplications();
    HWND window(size_t i) const { return windows_[i]; }
    // 1 while the window of entry i exists.
    int Running(size_t i) const;
private:
    static DWORD WINAPI Body(void* self);
    std::vector<std::string> classes_;
    std::vector<HWND> windows_;
    HANDLE thread_;
    DWORD threadId_;
    HANDLE ready_;
};

// The Unix path of a screenshot file in the build tree (beside the test executable).
std::string ScreenshotPath(const char* name);
// The state bits of a row of a list view of this process.
int RowTicked(HWND list, int row);
