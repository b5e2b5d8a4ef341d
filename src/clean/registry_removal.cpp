// Registry values and keys with their whole subtree, deepest keys first.
#include "clean/registry_removal.h"

uint8_t DeleteRegistryItem(HKEY hive, const char* keyPath, const char* valueName)
{
    if (keyPath == NULL) return 0;
    if (valueName != NULL) {
        // A value item never gets the takeover: only keys have their DACL rewritten.
        HKEY key = NULL;
        if (RegOpenKeyExA(hive, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
        const LONG rc = RegDeleteValueA(key, valueName);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? 1 : 0;
    }

    // An empty path opens the hive itself: its subtree is never ours to delete.
    if (keyPath[0] == '\0') return 0;
    HKEY key = NULL;
    if (!OpenKeyWithTakeover(hive, keyPath, &key)) return 0;
    DeleteSubkeys(key);   // the key's own deletion below decides the result
    RegCloseKey(key);

    HKEY root = NULL;
    if (RegOpenKeyExA(hive, "", 0, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS) return 0;
    const LONG rc = RegDeleteKeyA(root, keyPath);
    RegCloseKey(root);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

uint8_t OpenKeyWithTakeover(HKEY parent, const char* subkey, HKEY* key)
{
    *key = NULL;
    if (RegOpenKeyExA(parent, subkey, 0, KEY_ALL_ACCESS, key) == ERROR_SUCCESS) return 1;
    *key = NULL;
    if (!GrantCurrentUserKeyAccess(parent, subkey)) return 0;
    if (RegOpenKeyExA(parent, subkey, 0, KEY_ALL_ACCESS, key) == ERROR_SUCCESS) return 1;
    *key = NULL;
    return 0;
}

uint8_t DeleteSubkeys(HKEY key)
{
    char name[kSubkeyNameSize];
    for (;;) {
        // Always index 0: the subkey found last time has just been deleted.
        DWORD length = kSubkeyNameSize;
        if (RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) return 1;
        HKEY child = NULL;
        if (OpenKeyWithTakeover(key, name, &child)) {
            const uint8_t emptied = DeleteSubkeys(child);
            RegCloseKey(child);
            if (!emptied) return 0;
        }
        // Tried even when the subkey would not open: a key without subkeys may still go.
        if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) return 0;
    }
}
