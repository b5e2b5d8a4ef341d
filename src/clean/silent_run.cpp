// The silent run: search and delete the selected families without any window.
#include "clean/silent_run.h"
#include "clean/deletion_driver.h"
#include "search/search_all.h"

void RunSilent(uint8_t restricted)
{
    // Every item the search keeps is ticked, so every found item of the selected families is
    // deleted. Neither result is reported: the silent run shows nothing and ends with 0.
    SearchAll(NULL, restricted);
    DeletionSummary summary = {0, 1, 0, 1};
    DeleteAll(NULL, &summary);
}
