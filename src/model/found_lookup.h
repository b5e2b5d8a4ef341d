// Finding the listed item that equals a new one (the duplicate test of both adds) through the
// list's text index instead of comparing with every listed item.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "model/found_items.h"

// Position of a file item whose path equals path (lstrcmpiA), or -1.
int32_t FindListedFileItem(FoundItemList* list, const char* path);
// Position of a registry item of the same kind, hive and view whose key path and value name
// equal these (CompareNoCase; an absent value name equals only an absent one), or -1.
int32_t FindListedRegistryItem(FoundItemList* list, int32_t kind, const KeyInView& key, const char* valueName);
