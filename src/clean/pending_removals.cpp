// PendingFileRenameOperations: pairs of strings, a path ("\??\C:\...") and what it becomes, an
// empty string for a removal; the pairs are read by the value's length, since the empty strings
// make a double NUL that does not end the list.
#include "clean/pending_removals.h"
#include <string.h>
#include "clean/manifest.h"
#include "clean/restore.h"

namespace {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

// 1 when path is the original of a restored D or F line, or lies below a restored folder.
uint8_t Restored(const Manifest& manifest, const char* path)
{
    const size_t length = strlen(path);
    for (int i = 0; i < manifest.count; i++) {
        const ManifestLine& line = manifest.lines[i];
        const uint8_t folder = ManifestLineIs(line, kFolderTag, kEntryFields);
        if (!folder && !ManifestLineIs(line, kFileTag, kEntryFields)) continue;
        const char* original = line.fields[kEntryOriginal];
        const size_t prefix = strlen(original);
        if (prefix == 0 || prefix > length) continue;
        if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, original, (int)prefix, path, (int)prefix) != CSTR_EQUAL)
            continue;
        if (path[prefix] == '\0' || (folder && path[prefix] == '\\')) return 1;
    }
    return 0;
}

}  // namespace

uint8_t CancelRemovalsAtRestart(const Manifest& manifest, OutputFile* log)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 1;   // no list: nothing is scheduled
    DWORD type = REG_NONE, size = 0;
    LONG rc = RegQueryValueExA(key, kPendingValue, NULL, &type, NULL, &size);
    char* data = rc == ERROR_SUCCESS && type == REG_MULTI_SZ ? (char*)LocalAlloc(LMEM_FIXED, size + 2) : NULL;
    if (data == NULL || RegQueryValueExA(key, kPendingValue, NULL, &type, (BYTE*)data, &size) != ERROR_SUCCESS) {
        if (data != NULL) LocalFree(data);
        RegCloseKey(key);
        return rc == ERROR_FILE_NOT_FOUND || (rc == ERROR_SUCCESS && type != REG_MULTI_SZ) ? 1 : 0;
    }
    data[size] = data[size + 1] = '\0';
    // The pairs kept are moved down in place.
    DWORD at = 0, kept = 0;
    uint8_t changed = 0;
    while (at < size && data[at] != '\0') {
        const char* source = data + at;
        const DWORD sourceSize = (DWORD)strlen(source) + 1;
        if (at + sourceSize >= size + 1) break;
        const char* target = source + sourceSize;
        const DWORD pairSize = sourceSize + (DWORD)strlen(target) + 1;
        const char* path = strncmp(source, "\\??\\", 4) == 0 ? source + 4 : source;
        if (target[0] == '\0' && Restored(manifest, path)) {
            LogRestoreLine(log, "restart removal", path, "taken off the removals at restart");
            changed = 1;
        } else {
            memmove(data + kept, source, pairSize);
            kept += pairSize;
        }
        at += pairSize;
    }
    if (changed) {
        data[kept] = '\0';
        rc = kept == 0 ? RegDeleteValueA(key, kPendingValue)
                       : RegSetValueExA(key, kPendingValue, 0, REG_MULTI_SZ, (const BYTE*)data, kept + 1);
    } else {
        rc = ERROR_SUCCESS;
    }
    if (rc != ERROR_SUCCESS) LogRestoreLine(log, "restart removal", kPendingValue, "could not be rewritten");
    LocalFree(data);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}
