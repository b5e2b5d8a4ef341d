// Process-wide values of the interactive run, shared by the main window and its dialogs.
#include "app/ui_state.h"
#include "model/process_values.h"

HWND g_mainWindow = NULL;
int32_t g_pendingJob = kJobNone;
HWND g_progressDialog = NULL;
uint8_t g_jobResult = 0;
uint8_t g_stopAfterSearch = 0;
uint8_t g_closeApplications = 1;
int32_t g_minimumFrameWidth = 0;
int32_t g_minimumFrameHeight = 0;
HBITMAP g_deleteBitmap = NULL;

int MessageBoxById(HWND owner, UINT id, UINT style)
{
    char text[1024];
    if (LoadStringA(g_instance, id, text, sizeof text) <= 0) text[0] = '\0';
    return MessageBoxA(owner, text, g_caption, style);
}
