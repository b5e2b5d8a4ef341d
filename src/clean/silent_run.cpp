// The silent run: search and delete the selected families without any window; the list run.
#include "clean/silent_run.h"
#include <windows.h>
#include <stdio.h>
#include "clean/deletion_driver.h"
#include "clean/found_list_file.h"
#include "search/search_session.h"

int RunSilent()
{
    // Every item the search keeps is ticked, so every found item of the selected families is
    // deleted. Nothing is shown: the exit code and log.txt tell what became of them.
    SearchAll(NULL);
    DeletionSummary summary = {0, 1, 0, 1, 0};
    if (!DeleteAll(NULL, &summary)) return kExitItemsLeft;
    return summary.atRestartCount > 0 ? kExitRestartNeeded : kExitDone;
}

// A line on the standard error stream the parent gave, if any. The program is a window program:
// it has no console of its own and makes none; without a handle the exit code alone tells.
static void ReportError(const char* text)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == NULL || error == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(error, text, (DWORD)lstrlenA(text), &written, NULL);
}

int RunListOnly(const char* path)
{
    if (path == NULL || path[0] == '\0') {
        ReportError("envsweep: /L needs the name of the file to write the list to\r\n");
        return 1;
    }
    // The file is written only once the search is over: a search that ends early leaves none.
    SearchAll(NULL);
    if (WriteFoundListFile(path)) return 0;
    char text[512];
    snprintf(text, sizeof text, "envsweep: the list could not be written to %s\r\n", path);
    ReportError(text);
    return 1;
}
