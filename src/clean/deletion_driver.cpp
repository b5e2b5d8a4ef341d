// Search-all and delete-all: the two phases over the found-item list.
#include "clean/deletion_driver.h"
#include <commctrl.h>
#include "clean/file_removal.h"
#include "clean/registry_removal.h"
#include "clean/service_wait.h"
#include "model/found_items.h"
#include "platform/path_ops.h"
#include "platform/registry_access.h"
#include "search/files/file_search.h"
#include "search/registry/registry_search.h"
#include "tables/registry_rules.h"

uint8_t SearchAll(HWND progress)
{
    uint8_t result = 1;
    result = SearchRegistry(progress) & result;
    result = SearchFileRules(progress) & result;
    return result;
}

// Kind 2: the class identifier held by the item's value (or the key's default value) goes
// first; an unreadable identifier fails the item before anything is deleted.
static uint8_t DeletePropertySheetHandler(const FoundItem& item)
{
    char classId[1024];
    HKEY key = OpenKeyForRead(item.hive, item.path);
    if (key == NULL) return 0;
    const uint8_t read = ReadStringValue(key, item.valueName, classId, sizeof classId);
    RegCloseKey(key);
    if (!read) return 0;
    DeleteClassRegistration(classId);
    return DeleteRegistryItem(item.hive, item.path, item.valueName);
}

uint8_t DeleteRegistryItemByKind(const FoundItem& item)
{
    switch (item.ruleKind) {
    case RegistryRuleKind::KeyOrValue:
    case RegistryRuleKind::ProfileServiceKey:
    case RegistryRuleKind::ServiceKey:
    case RegistryRuleKind::ChipServiceKey:
    case RegistryRuleKind::DriverClassScan:
    case RegistryRuleKind::PciDeviceScan:
    case RegistryRuleKind::FileReferenceValue:
    case RegistryRuleKind::MonitorDeviceScan:
    case RegistryRuleKind::ChildDeviceScan:
    case RegistryRuleKind::VideoKeyScan:
    case RegistryRuleKind::DefaultValueScan:
    case RegistryRuleKind::DeviceInterfaceScan:
        return DeleteRegistryItem(item.hive, item.path, item.valueName);
    case RegistryRuleKind::PropertySheetHandlerKey:
        return DeletePropertySheetHandler(item);
    case RegistryRuleKind::DllListValue:
        return RemoveDllFromListValue(item.hive, item.path, item.valueName);
    case RegistryRuleKind::NamespaceExtensionScan:
        // The subkey's name is the class identifier of the namespace entry.
        return DeleteDesktopNamespaceEntry(FileNamePart(item.path));
    default:
        return 0;
    }
}

uint8_t DeleteAll(HWND progress, DeletionSummary* summary)
{
    summary->registryCount = 0;
    summary->registryAllDeleted = 1;
    summary->fileCount = 0;
    summary->filesAllDeleted = 1;
    int32_t position = 0;

    FoundItemList* list = g_foundItems;
    const int32_t count = list ? list->count : 0;
    for (int32_t i = 0; i < count; i++) {
        FoundItem& item = list->items[i];
        if (item.ticked == 1) {
            uint8_t success = 0;
            if (item.itemClass == kItemClassRegistry) {
                success = DeleteRegistryItemByKind(item);
                if (!success) summary->registryAllDeleted = 0;
                summary->registryCount++;
            } else if (item.itemClass == kItemClassFile) {
                if (item.serviceName != NULL) {
                    StopAndDeleteService(item.serviceName);   // only the file deletion decides
                    WaitForFileRelease(item.path, 1000);      // let the service's process let go
                }
                success = DeleteFileOrFolder(item.path);
                if (!success) summary->filesAllDeleted = 0;
                summary->fileCount++;
            }
            item.notDeleted = success ? 0 : 1;
        }
        if (progress != NULL) SendMessageA(progress, PBM_SETPOS, (WPARAM)++position, 0);
    }
    return summary->registryAllDeleted && summary->filesAllDeleted ? 1 : 0;
}
