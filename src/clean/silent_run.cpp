// The silent run: search and delete the selected families without any window.
#include "clean/silent_run.h"
#include "clean/deletion_driver.h"
#include "search/search_all.h"

int RunSilent(uint8_t restricted)
{
    // Every item the search keeps is ticked, so every found item of the selected families is
    // deleted. Nothing is shown: the exit code and log.txt tell what became of them.
    SearchAll(NULL, restricted);
    DeletionSummary summary = {0, 1, 0, 1, 0};
    if (!DeleteAll(NULL, &summary)) return kExitItemsLeft;
    return summary.atRestartCount > 0 ? kExitRestartNeeded : kExitDone;
}
