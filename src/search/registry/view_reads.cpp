// The registry search's reads and records in one view of the registry.
#include "search/registry/view_reads.h"
#include "model/found_items.h"

uint8_t SessionView(const SearchSession* session)
{
    return session != NULL ? session->registryView : kViewOwn;
}

void RecordRegistryItem(uint8_t view, int32_t kind, HKEY hive, const char* keyPath, const char* valueName)
{
    // Asked only for what a rule found, so the kernel names are compared for a few keys.
    if (view == kViewOther && !KeyDiffersInOtherView(hive, keyPath)) return;
    AddRegistryItem(kind, hive, keyPath, valueName, view);
}
