// Delete-all: the second phase over the found-item list, after the search (SearchAll).
#pragma once
#include <windows.h>
#include <stdint.h>

struct DeletionSummary {
    int32_t registryCount;       // ticked registry items processed
    uint8_t registryAllDeleted;  // 1 until the first ticked registry item fails
    int32_t fileCount;           // ticked file items processed
    uint8_t filesAllDeleted;     // 1 until the first ticked file item fails
    int32_t atRestartCount;      // file items in use that the next restart removes (not failures)
    uint8_t placeFault;          // a PlaceFault: the backup place was refused, so nothing was deleted
};

// Removes every ticked item by its class and rule kind, each only once its backup is on disk (an
// item that cannot be backed up stays and fails), sets notDeleted on each ticked item (a file in
// use goes at the next restart: kRemovedAtRestart), writes the backup's log with the reason for
// each item not deleted, advances the progress bar once per item. 1 when both all-deleted flags
// stay 1.
uint8_t DeleteAll(HWND progress, DeletionSummary* summary);

// The removal of one registry item by the rule kind it was recorded under; 1 on success.
uint8_t DeleteRegistryItemByKind(const struct FoundItem& item);
