// The found-item list: one fixed block of items, filled by search, read by window and deletion.
#include "model/found_items.h"
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "model/found_lookup.h"
#include "model/products.h"
#include "platform/access_probe.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

FoundItemList* g_foundItems = NULL;

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

int32_t FileItemProduct(const FileItemSource* source)
{
    return source != NULL ? source->product : CurrentProduct(kProductSideFile);
}

uint8_t FileItemWanted(const char* path, const FileItemSource* source)
{
    FoundItemList* list = g_foundItems;
    if (list == NULL || path == NULL || list->count >= list->capacity) return 0;
    // A family that is not selected is not looked at further (its files are not even opened).
    const int32_t product = FileItemProduct(source);
    if (product < 0) return 1;  // -1 would test bit 31, which no family owns
    return ProductSelection(product, -1) == 1 ? 2 : 1;
}

uint8_t AddGuardedFileItem(const char* canonical, const char* serviceName, uint8_t openedWritable,
                           const FileItemSource* source)
{
    const uint8_t wanted = FileItemWanted(canonical, source);
    if (wanted != 2) return wanted;
    FoundItemList* list = g_foundItems;
    if (FindListedFileItem(list, canonical) >= 0) return 1;

    FoundItem& item = list->items[list->count];
    item.Reset();
    item.itemClass = kItemClassFile;
    item.productIndex = FileItemProduct(source);
    item.path = DuplicateString(canonical);
    item.serviceName = DuplicateString(serviceName);
    item.accessible = openedWritable ? 1 : ProbeFileAccess(canonical);
    const uint8_t ownWhy = source != NULL && source->whyKind != kWhyUnknown;
    item.whyKind = ownWhy ? source->whyKind : kWhyFileRule;
    item.whyRow = ownWhy ? source->whyRow : CurrentRule(kProductSideFile, -1);
    item.whyNote = ownWhy && source->whyNote[0] != '\0' ? DuplicateString(source->whyNote) : NULL;
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
