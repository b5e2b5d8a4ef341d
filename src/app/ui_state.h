// Process-wide values of the interactive run, shared by the main window and its dialogs.
#pragma once
#include <windows.h>
#include <stdint.h>

const int32_t kJobNone = 0;
const int32_t kJobSearch = 1;
const int32_t kJobDeletion = 2;

extern HWND g_mainWindow;            // the main window while it exists
extern int32_t g_pendingJob;         // kJobNone, kJobSearch or kJobDeletion
extern HWND g_progressDialog;        // the progress dialog while it is open
extern uint8_t g_jobResult;          // what the last job's SearchAll or DeleteAll returned
extern uint8_t g_stopAfterSearch;    // the in-use list was left without Continue
extern uint8_t g_closeApplications;  // close the selected families' applications before deleting
extern int32_t g_minimumFrameWidth;  // window size of the minimum-size frame; 0 when none
extern int32_t g_minimumFrameHeight;
extern HBITMAP g_deleteBitmap;

// Loads string id of the current language (1024 characters at most) and shows it in a message
// box owned by owner, titled with the caption. Returns the button pressed.
int MessageBoxById(HWND owner, UINT id, UINT style);
