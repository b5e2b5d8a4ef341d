// The found-item list: one fixed block of items, filled by search, read by window and deletion.
#include "model/found_items.h"
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "model/found_lookup.h"
#include "model/products.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

FoundItemList* g_foundItems = NULL;

// The file side's source while an INF or install-folder pass records; kind kWhyUnknown: none set.
static uint8_t s_fileWhyKind = kWhyUnknown;
static int32_t s_fileWhyRow = -1;
static char s_fileWhyNote[kPathSize + 512] = "";

// The strings start absent so that Reset, which frees them, sets every default.
FoundItem::FoundItem() : path(NULL), valueName(NULL), serviceName(NULL), displayText(NULL), whyNote(NULL)
{
    Reset();
}

FoundItem::~FoundItem()
{
    Reset();
}

void FoundItem::Reset()
{
    FreeString(path);
    FreeString(valueName);
    FreeString(serviceName);
    FreeString(displayText);
    FreeString(whyNote);
    path = valueName = serviceName = displayText = whyNote = NULL;
    itemClass = -1;
    ruleKind = 0;
    productIndex = -1;
    hive = NULL;
    view = 0;
    ticked = 1;
    accessible = 1;
    notDeleted = 0;
    whyKind = kWhyUnknown;
    whyRow = -1;
}

int32_t FoundItemCapacity()
{
    return CountRegistryRules() * RegistryViewCount() + CountFileRules() + 300;
}

FoundItemList* CreateFoundItemList(int32_t capacity)
{
    if (capacity < 0) return NULL;
    // Header, items and the index's chains in one block; the items start at an aligned offset
    // after the header, the chains (32-bit numbers) right after the items.
    const size_t header = (sizeof(FoundItemList) + alignof(FoundItem) - 1) & ~(alignof(FoundItem) - 1);
    const size_t items = (size_t)capacity * sizeof(FoundItem);
    const size_t bytes = header + items + TextIndexBytes(capacity);
    char* block = (char*)malloc(bytes);
    if (block == NULL) return NULL;
    FoundItemList* list = (FoundItemList*)block;
    list->capacity = capacity;
    list->count = 0;
    list->items = (FoundItem*)(block + header);
    InitTextIndex(&list->index, capacity, block + header + items);
    for (int32_t i = 0; i < capacity; i++) new (&list->items[i]) FoundItem();
    return list;
}

void DestroyFoundItemList(FoundItemList* list)
{
    if (list == NULL) return;
    for (int32_t i = 0; i < list->capacity; i++) list->items[i].~FoundItem();
    free(list);
}

void ClearItems()
{
    FoundItemList* list = g_foundItems;
    if (list == NULL) return;
    for (int32_t i = 0; i < list->count; i++) list->items[i].Reset();
    list->count = 0;
    ClearTextIndex(&list->index);
}

uint8_t FileItemWanted(const char* path)
{
    FoundItemList* list = g_foundItems;
    if (list == NULL || path == NULL || list->count >= list->capacity) return 0;
    // A family that is not selected is not looked at further (its files are not even opened).
    const int32_t product = CurrentProduct(kProductSideFile);
    if (product < 0) return 1;  // -1 would test bit 31, which no family owns
    return ProductSelection(product, -1) == 1 ? 2 : 1;
}

uint8_t AddFileItem(const char* path, const char* serviceName)
{
    const uint8_t wanted = FileItemWanted(path);
    if (wanted != 2) return wanted;
    // Whatever found the path, a protected folder or one above it is never listed (so never
    // deleted); what is listed is the canonical form, the one the deletion will be handed.
    char canonical[kPathSize];
    if (!PathGuardAllows(path, canonical, sizeof canonical)) return 1;
    return AddGuardedFileItem(canonical, serviceName, 0);
}

uint8_t AddGuardedFileItem(const char* canonical, const char* serviceName, uint8_t openedWritable)
{
    const uint8_t wanted = FileItemWanted(canonical);
    if (wanted != 2) return wanted;
    FoundItemList* list = g_foundItems;
    if (FindListedFileItem(list, canonical) >= 0) return 1;

    FoundItem& item = list->items[list->count];
    item.Reset();
    item.itemClass = kItemClassFile;
    item.productIndex = CurrentProduct(kProductSideFile);
    item.path = DuplicateString(canonical);
    item.serviceName = DuplicateString(serviceName);
    item.accessible = openedWritable ? 1 : ProbeFileAccess(canonical);
    if (s_fileWhyKind != kWhyUnknown) {
        item.whyKind = s_fileWhyKind;
        item.whyRow = s_fileWhyRow;
        item.whyNote = s_fileWhyNote[0] != '\0' ? DuplicateString(s_fileWhyNote) : NULL;
    } else {
        item.whyKind = kWhyFileRule;
        item.whyRow = CurrentRule(kProductSideFile, -1);
    }
    list->count++;
    return item.accessible;
}

uint8_t AddRegistryItem(int32_t kind, HKEY hive, const char* keyPath, const char* valueName, uint8_t view)
{
    FoundItemList* list = g_foundItems;
    if (list == NULL || keyPath == NULL || list->count >= list->capacity) return 0;
    if (FindListedRegistryItem(list, kind, {hive, keyPath, view}, valueName) >= 0) return 0;
    const int32_t product = CurrentProduct(kProductSideRegistry);
    if (product < 0 || ProductSelection(product, -1) != 1) return 1;

    FoundItem& item = list->items[list->count];
    item.Reset();
    item.itemClass = kItemClassRegistry;
    item.ruleKind = kind;
    item.productIndex = product;
    item.hive = hive;
    item.view = view;
    item.path = DuplicateString(keyPath);
    item.valueName = DuplicateString(valueName);
    item.whyKind = kWhyRegistryRule;
    item.whyRow = CurrentRule(kProductSideRegistry, -1);
    list->count++;
    return 1;
}

void SetFileItemSource(uint8_t whyKind, int32_t row, const char* note)
{
    s_fileWhyKind = whyKind;
    s_fileWhyRow = row;
    lstrcpynA(s_fileWhyNote, note != NULL ? note : "", sizeof s_fileWhyNote);
}

void ClearFileItemSource()
{
    SetFileItemSource(kWhyUnknown, -1, NULL);
}

char* FormatItemWhy(const FoundItem* item, char* text, int size)
{
    if (text == NULL || size <= 0) return text;
    text[0] = '\0';
    const char* note = item->whyNote != NULL ? item->whyNote : "";
    switch (item->whyKind) {
    case kWhyRegistryRule: {
        // The rule's own kind, as the table shows it: a scan records what it finds under the
        // kind that removes it (a driver-class scan's handler keys, a device scan's video keys).
        static const int32_t rows = CountRegistryRules();
        const int32_t kind = item->whyRow >= 0 && item->whyRow < rows ? kRegistryRules[item->whyRow].kind : item->ruleKind;
        snprintf(text, size, "registry rule %d, kind %d", (int)item->whyRow, (int)kind);
        break;
    }
    case kWhyFileRule:
        snprintf(text, size, "file rule %d", (int)item->whyRow);
        break;
    case kWhyInfRule:
        snprintf(text, size, "INF %s, INF rule %d", note, (int)item->whyRow);
        break;
    case kWhyInstallFolder:
        if (item->whyNote != NULL) snprintf(text, size, "install folder %d, note %s", (int)item->whyRow, note);
        else snprintf(text, size, "install folder %d, default place", (int)item->whyRow);
        break;
    default:
        break;
    }
    return text;
}

const char* ItemTypeWord(const FoundItem* item)
{
    if (item->itemClass == kItemClassRegistry) return "Registry";
    if (item->itemClass == kItemClassFile) return "File";
    return "";
}

// The half an item of the other view lies in; "" for the own view, where nothing is added so
// that the texts of a machine with one half, and of the own half, stay as they always were.
static const char* ViewSuffix(const FoundItem* item)
{
    if (item->view != kViewOther || RegistryViewCount() < 2) return "";
    return RegistryViewIs64Bit(kViewOther) ? " (64-bit)" : " (32-bit)";
}

char* FormatItemText(const FoundItem* item, char* text, int size)
{
    if (text == NULL || size <= 0) return text;
    text[0] = '\0';
    const int limit = size < 1024 ? size : 1024;   // at most 1023 characters
    if (item->itemClass == kItemClassFile) {
        snprintf(text, limit, "%s", item->path ? item->path : "");
    } else if (item->itemClass == kItemClassRegistry) {
        const char* suffix = ViewSuffix(item);
        const int suffixLength = (int)strlen(suffix);
        // The suffix is kept whole: cut from the path it would tell nothing, or the wrong half.
        const int room = limit > suffixLength ? limit - suffixLength : limit;
        snprintf(text, room, "[%s\\%s] %s", HiveName(item->hive), item->path ? item->path : "",
                 item->valueName ? item->valueName : "");
        if (room < limit) lstrcpynA(text + strlen(text), suffix, suffixLength + 1);
    }
    return text;
}

uint8_t ProbeFileAccess(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        // Accessible when the attribute could be cleared: asked by opening for attribute
        // changes, shared with everyone as setting the attribute would be, and nothing changed.
        // The deletion clears it itself, after the backup has recorded it.
        HANDLE handle = CreateFileA(path, FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, NULL);
        if (handle == INVALID_HANDLE_VALUE) return 0;
        CloseHandle(handle);
        return 1;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return MoveFileA(path, path) ? 1 : 0;
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}
