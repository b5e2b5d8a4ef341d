// The silent run: search and delete the selected families without any window.
#include "clean/silent_run.h"
#include <stdio.h>
#include "clean/backup_place.h"
#include "clean/deletion_driver.h"
#include "search/search_all.h"

int RunSilent(uint8_t restricted)
{
    // Every item the search keeps is ticked, so every found item of the selected families is
    // deleted. Nothing is shown: the exit code and log.txt tell what became of them.
    SearchAll(NULL, restricted);
    DeletionSummary summary = {0, 1, 0, 1, 0, 0};
    const uint8_t allDeleted = DeleteAll(NULL, &summary);
    if (summary.placeFault != 0) {
        char line[256];
        snprintf(line, sizeof line, "envsweep: nothing was deleted: %s\r\n", PlaceFaultText((PlaceFault)summary.placeFault));
        ReportErrorLine(line);
        return kExitItemsLeft;
    }
    if (!allDeleted) return kExitItemsLeft;
    return summary.atRestartCount > 0 ? kExitRestartNeeded : kExitDone;
}

void ReportErrorLine(const char* text)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == NULL || error == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(error, text, (DWORD)lstrlenA(text), &written, NULL);
}
