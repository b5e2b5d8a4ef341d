// The rewrite of a blank-separated DLL-list value with one DLL taken out.
#include "clean/registry_removal.h"
#include <string.h>
#include "platform/path_ops.h"

const char kListedDllName[] = "nvdesk32.dll";

// Takes every entry equal to kListedDllName out of list, with the blanks that follow it. An entry
// that stood last keeps the blank before it. 1 when something was removed.
static uint8_t RemoveListedEntries(char* list)
{
    uint8_t removed = 0;
    char entry[kListEntrySize];
    int k = 1;
    for (;;) {
        const char* found = SplitField(list, ' ', k, entry, sizeof entry);
        if (found == NULL) break;
        if (lstrcmpiA(entry, kListedDllName) != 0) {
            k++;
            continue;
        }
        char* start = list + (found - list);
        char* rest = start;
        while (*rest != '\0' && *rest != ' ') rest++;
        while (*rest == ' ') rest++;
        memmove(start, rest, strlen(rest) + 1);
        removed = 1;   // the next entry now stands at index k
    }
    return removed;
}

uint8_t RemoveDllFromListValue(const KeyInView& listKey, const char* valueName)
{
    if (listKey.path == NULL) return 0;
    HKEY key = NULL;
    const LONG opened = OpenKeyInView(listKey, KEY_ALL_ACCESS, &key);
    if (opened != ERROR_SUCCESS) {
        SetLastError((DWORD)opened);   // the log's reason
        return 0;
    }

    // At most kListValueSize bytes are read; the extra byte keeps a terminator for data stored
    // without one. A longer value fails the read and is left alone.
    char list[kListValueSize + 1];
    memset(list, 0, sizeof list);
    DWORD type = REG_NONE;
    DWORD length = kListValueSize;
    const LONG rc = RegQueryValueExA(key, valueName, NULL, &type, (BYTE*)list, &length);
    uint8_t result = 0;
    // Only text values hold such a list; other types are never rewritten as text.
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        list[length < kListValueSize ? length : kListValueSize] = '\0';
        // Written back only when an entry went, and with the value's own type.
        if (RemoveListedEntries(list)) {
            const DWORD size = (DWORD)strlen(list) + 1;
            result = RegSetValueExA(key, valueName, 0, type, (const BYTE*)list, size) == ERROR_SUCCESS ? 1 : 0;
        }
    }
    RegCloseKey(key);
    // The log's reason: the value's own error, or no entry to take out.
    if (!result) SetLastError(rc != ERROR_SUCCESS ? (DWORD)rc : ERROR_NOT_FOUND);
    return result;
}
