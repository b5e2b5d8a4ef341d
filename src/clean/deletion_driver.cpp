// Delete-all: the second phase over the found-item list, after the search.
#include "clean/deletion_driver.h"
#include <commctrl.h>
#include <string.h>
#include "clean/backup.h"
#include "clean/driver_packages.h"
#include "clean/file_removal.h"
#include "clean/registry_removal.h"
#include "clean/services.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "platform/path_ops.h"
#include "tables/registry_rules.h"

// The handler's class identifier goes first; an unreadable identifier fails the item before
// anything is deleted.
static uint8_t DeletePropertySheetHandler(const FoundItem& item)
{
    char classId[kClassIdSize];
    uint8_t views[2];
    const int32_t count = HandlerClasses(ItemKeyInView(item), item.valueName, classId, views);
    if (count == 0) return 0;
    for (int32_t i = 0; i < count; i++) DeleteClassRegistration(classId, views[i]);
    return DeleteRegistryItem(ItemKeyInView(item), item.valueName);
}

// Every removal works in the item's view: on a machine with two halves the same path may name a
// key of each, and only the one found is to go.
uint8_t DeleteRegistryItemByKind(const FoundItem& item)
{
    switch (RegistryKind(item.ruleKind).removal) {
    case kRemovePlain:
        return DeleteRegistryItem(ItemKeyInView(item), item.valueName);
    case kRemoveHandlerClass:
        return DeletePropertySheetHandler(item);
    case kRemoveFromDllList:
        return RemoveDllFromListValue(ItemKeyInView(item), item.valueName);
    case kRemoveNamespaceEntry:
        // The subkey's name is the class identifier of the namespace entry.
        return DeleteDesktopNamespaceEntry(FileNamePart(item.path), item.view);
    default:
        return 0;
    }
}

// 1 when a key item before index, deleted in this clean-up, held the item's key (or is it). Only
// a key of the same view holds it: the other half's key of that path is another key.
static uint8_t TakenAlongEarlier(const FoundItemList* list, int32_t index, const FoundItem& item)
{
    const size_t length = strlen(item.path);
    for (int32_t j = 0; j < index; j++) {
        const FoundItem& earlier = list->items[j];
        if (earlier.itemClass != kItemClassRegistry || earlier.ticked != 1 || earlier.notDeleted != 0) continue;
        if (earlier.valueName != NULL || earlier.hive != item.hive || earlier.view != item.view) continue;
        if (earlier.path == NULL) continue;
        if (!RegistryKind(earlier.ruleKind).removesKey) continue;
        const size_t prefix = strlen(earlier.path);
        if (prefix == 0 || prefix > length) continue;
        if (item.path[prefix] != '\0' && item.path[prefix] != '\\') continue;
        if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, earlier.path, (int)prefix, item.path,
                           (int)prefix) == CSTR_EQUAL) return 1;
    }
    return 0;
}

// 1 for an item of the plain kinds (the key or value itself is what goes) that is no longer there
// because a key deleted earlier in this clean-up held it (its parent key, or the same key listed
// under another kind), backup included. Reporting it as not deleted would list, after a full
// clean-up, dozens of entries that are gone.
static uint8_t AlreadyGone(const FoundItemList* list, int32_t index, const FoundItem& item)
{
    if (RegistryKind(item.ruleKind).removal != kRemovePlain) return 0;   // the others remove more than the item
    if (item.path == NULL || item.path[0] == '\0') return 0;
    if (!TakenAlongEarlier(list, index, item)) return 0;
    HKEY key = NULL;
    const LONG opened = OpenKeyInView(ItemKeyInView(item), KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? 1 : 0;   // a locked key is there
    uint8_t gone = 0;
    if (item.valueName != NULL) {
        const LONG rc = RegQueryValueExA(key, item.valueName, NULL, NULL, NULL, NULL);
        gone = rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
    }
    RegCloseKey(key);
    return gone;
}

// A file item's removal: an identified driver package through the platform's package removal,
// which may take the package's .pnf along (that item then counts as deleted), anything else
// through the shell. outcome is set when the log is to say more than "deleted".
static uint8_t DeleteFileItem(const FoundItem& item, const char** outcome)
{
    if (IsDriverPackageItem(item)) {
        const PackageRemoval removal = RemoveDriverPackage(item.path);
        if (removal == kPackageDeletedAsFiles) *outcome = "deleted as files: the driver store's copy may remain";
        return removal != kPackageNotRemoved ? 1 : 0;
    }
    if (PackageTookAlong(item)) return 1;
    return DeleteFileOrFolder(item.path);
}

// 1 when at least one item of the list is ticked: only then is there a clean-up to back up.
static uint8_t AnyTicked(const FoundItemList* list, int32_t count)
{
    for (int32_t i = 0; i < count; i++) {
        if (list->items[i].ticked == 1) return 1;
    }
    return 0;
}

// 1 for a file item no longer there because a folder item deleted before it in this clean-up held
// it (a folder inside an install folder that went with its parent); the parent's backup holds it.
static uint8_t GoneWithFolder(const FoundItemList* list, int32_t index, const FoundItem& item)
{
    if (item.path == NULL || GetFileAttributesA(item.path) != INVALID_FILE_ATTRIBUTES) return 0;
    const size_t length = strlen(item.path);
    for (int32_t j = 0; j < index; j++) {
        const FoundItem& earlier = list->items[j];
        if (earlier.itemClass != kItemClassFile || earlier.ticked != 1 || earlier.notDeleted != 0 || earlier.path == NULL)
            continue;
        const size_t prefix = strlen(earlier.path);
        if (prefix == 0 || prefix >= length || item.path[prefix] != '\\') continue;
        if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, earlier.path, (int)prefix, item.path,
                           (int)prefix) == CSTR_EQUAL) return 1;
    }
    return 0;
}

// One ticked item: backed up, removed by its class and kind, marked, counted and logged. An item
// an earlier one took along counts as deleted; a file in use that was backed up goes at the next
// restart (not on Windows 9x, whose way of doing that the program does not use).
static void DeleteTickedItem(FoundItemList* list, int32_t index, BackupSession* backup, DeletionSummary* summary)
{
    FoundItem& item = list->items[index];
    const char* outcome = NULL;
    uint8_t gone = 0;
    if (item.itemClass == kItemClassRegistry && AlreadyGone(list, index, item)) outcome = "deleted with its key";
    else if (item.itemClass == kItemClassFile && GoneWithFolder(list, index, item)) outcome = "deleted with its folder";
    gone = outcome != NULL ? 1 : 0;
    // Nothing is deleted before its backup is complete and on disk; an item that could not be
    // backed up stays and counts as not deleted.
    const uint8_t saved = gone ? 1 : BackupItem(backup, item);
    DWORD error = saved ? ERROR_SUCCESS : GetLastError();
    uint8_t success = gone;
    if (saved && !gone) {
        SetLastError(ERROR_SUCCESS);
        if (item.itemClass == kItemClassRegistry) {
            success = DeleteRegistryItemByKind(item);
        } else if (item.itemClass == kItemClassFile) {
            if (item.serviceName != NULL) {
                StopAndDeleteService(item.serviceName);   // only the file deletion decides
                WaitForFileRelease(item.path, 1000);      // let the service's process let go
            }
            success = DeleteFileItem(item, &outcome);
        }
        if (!success) error = GetLastError();
    }
    item.notDeleted = success ? 0 : 1;
    if (!success && saved && item.itemClass == kItemClassFile && g_platformKind == 2 && IsInUseError(error) &&
        ScheduleRemovalAtRestart(item.path)) {
        item.notDeleted = kRemovedAtRestart;
        summary->atRestartCount++;
    }
    if (item.itemClass == kItemClassRegistry) {
        if (item.notDeleted == 1) summary->registryAllDeleted = 0;
        summary->registryCount++;
    } else if (item.itemClass == kItemClassFile) {
        if (item.notDeleted == 1) summary->filesAllDeleted = 0;
        summary->fileCount++;
    }
    LogItem(backup, item, saved, outcome, error);
}

uint8_t DeleteAll(HWND progress, DeletionSummary* summary)
{
    *summary = DeletionSummary{0, 1, 0, 1, 0, 0};
    int32_t position = 0;

    FoundItemList* list = g_foundItems;
    const int32_t count = list ? list->count : 0;
    // Every deletion is backed up first, into a folder made for this clean-up, whose log then
    // names each ticked item and what became of it.
    BackupSession backup;
    backup.begun = 0;
    if (AnyTicked(list, count)) BeginBackup(&backup);
    if (backup.begun) summary->placeFault = backup.placeFault;
    for (int32_t i = 0; i < count; i++) {
        if (list->items[i].ticked == 1) DeleteTickedItem(list, i, &backup, summary);
        if (progress != NULL) SendMessageA(progress, PBM_SETPOS, (WPARAM)++position, 0);
    }
    EndBackup(&backup);
    return summary->registryAllDeleted && summary->filesAllDeleted ? 1 : 0;
}
