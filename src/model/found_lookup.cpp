// The duplicate tests of the found-item list. Each item enters the list's index under a key of
// its class and the fields the test compares; a look-up compares only the items of its chain
// and those whose texts the index cannot hash, with the very comparison the test asks for.
#include "model/found_lookup.h"
#include "platform/text_index.h"
#include "platform/text_ops.h"

namespace {

void FileKey(const char* path, TextKey* key)
{
    StartTextKey(key);
    AddKeyNumber(key, (uint32_t)kItemClassFile);
    AddKeyText(key, path);
}

void RegistryKey(int32_t kind, const KeyInView& where, const char* valueName, TextKey* key)
{
    StartTextKey(key);
    AddKeyNumber(key, (uint32_t)kItemClassRegistry);
    AddKeyNumber(key, (uint32_t)kind);
    AddKeyNumber(key, (uint32_t)(uintptr_t)where.hive);
    AddKeyNumber(key, (uint32_t)where.view);
    AddKeyText(key, where.path);
    AddKeyText(key, valueName);
}

void ItemKey(const FoundItem& item, TextKey* key)
{
    if (item.itemClass == kItemClassFile) {
        FileKey(item.path, key);
    } else if (item.itemClass == kItemClassRegistry) {
        RegistryKey(item.ruleKind, ItemKeyInView(item), item.valueName, key);
    } else {
        StartTextKey(key);
        AddKeyNumber(key, (uint32_t)item.itemClass);
    }
}

// Brings the index up to the list: items are only ever appended, or all cleared.
void SyncIndex(FoundItemList* list)
{
    TextIndex* index = &list->index;
    if (index->indexed > list->count) ClearTextIndex(index);
    while (index->indexed < list->count && index->indexed < index->capacity) {
        TextKey key;
        ItemKey(list->items[index->indexed], &key);
        AddToTextIndex(index, key);
    }
}

uint8_t SameFile(const FoundItem& it, const char* path)
{
    return it.itemClass == kItemClassFile && it.path != NULL && lstrcmpiA(it.path, path) == 0 ? 1 : 0;
}

uint8_t SameRegistry(const FoundItem& it, int32_t kind, const KeyInView& key, const char* valueName)
{
    return it.itemClass == kItemClassRegistry && it.ruleKind == kind && it.hive == key.hive && it.view == key.view &&
                   CompareNoCase(it.path, key.path) == 0 && CompareNoCase(it.valueName, valueName) == 0
               ? 1
               : 0;
}

// Position of the first item that same accepts, or -1. A key the index could hash is looked for
// in its chain and among the items the index could not hash; any other among all the items.
template <typename Same>
int32_t FindListed(FoundItemList* list, const TextKey& key, Same same)
{
    SyncIndex(list);
    if (!key.plain) {
        for (int32_t i = 0; i < list->count; i++) {
            if (same(list->items[i])) return i;
        }
        return -1;
    }
    for (int32_t i = FirstInChain(&list->index, key); i >= 0; i = list->index.next[i]) {
        if (same(list->items[i])) return i;
    }
    for (int32_t i = list->index.others; i >= 0; i = list->index.next[i]) {
        if (same(list->items[i])) return i;
    }
    return -1;
}

}  // namespace

int32_t FindListedFileItem(FoundItemList* list, const char* path)
{
    TextKey key;
    FileKey(path, &key);
    return FindListed(list, key, [&](const FoundItem& it) { return SameFile(it, path); });
}

int32_t FindListedRegistryItem(FoundItemList* list, int32_t kind, const KeyInView& key, const char* valueName)
{
    TextKey text;
    RegistryKey(kind, key, valueName, &text);
    return FindListed(list, text, [&](const FoundItem& it) { return SameRegistry(it, kind, key, valueName); });
}
