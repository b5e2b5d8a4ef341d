// The registry search's reads and records in one view of the registry.
#include "search/registry/view_reads.h"
#include "model/found_items.h"

uint8_t SessionView(const SearchSession* session)
{
    return session != NULL ? session->registryView : kViewOwn;
}

HKEY OpenKeyForReadInView(HKEY root, const char* path, uint8_t view)
{
    HKEY key = NULL;
    if (OpenKeyInView(root, path, KEY_READ, view, &key) != ERROR_SUCCESS) return NULL;
    return key;
}

uint8_t KeyExistsInView(HKEY root, const char* path, uint8_t view)
{
    HKEY key = OpenKeyForReadInView(root, path, view);
    if (key == NULL) return 0;
    RegCloseKey(key);
    return 1;
}

void RecordRegistryItem(uint8_t view, int32_t kind, HKEY hive, const char* keyPath, const char* valueName)
{
    // Asked only for what a rule found, so the kernel names are compared for a few keys.
    if (view == kViewOther && !KeyDiffersInOtherView(hive, keyPath)) return;
    AddRegistryItem(kind, hive, keyPath, valueName, view);
}
