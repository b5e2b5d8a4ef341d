// Registry values and keys with their whole subtree, deepest keys first, in the view the item
// was found in.
#include "clean/registry_removal.h"
#include "clean/key_takeover.h"

typedef LONG(WINAPI* NtDeleteKeyFn)(HANDLE);

// The subkey opened as itself: a registry link is opened as the link, never as its target.
static LONG OpenOwnSubkey(HKEY key, const char* name, uint8_t view, HKEY* child)
{
    return RegOpenKeyExA(key, name, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS | RegistryViewFlag(view), child);
}

// 1 when the key (opened with REG_OPTION_OPEN_LINK) is a registry link: it holds its target in
// a REG_LINK value named SymbolicLinkValue.
uint8_t IsRegistryLink(HKEY key)
{
    DWORD type = REG_NONE;
    return RegQueryValueExA(key, "SymbolicLinkValue", NULL, &type, NULL, NULL) == ERROR_SUCCESS && type == REG_LINK ? 1 : 0;
}

// Deletes the link open in key (NtDeleteKey, loaded from ntdll: RegDeleteKey would open the name
// again and follow the link to its target).
static uint8_t DeleteLinkKey(HKEY key)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const NtDeleteKeyFn deleteKey = ntdll ? (NtDeleteKeyFn)reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")) : NULL;
    return deleteKey != NULL && deleteKey((HANDLE)key) >= 0 ? 1 : 0;
}

// A failed removal leaves the platform's error as the thread's last error, for the log.
static uint8_t Failed(LONG rc)
{
    SetLastError((DWORD)rc);
    return 0;
}

uint8_t DeleteRegistryItem(const KeyInView& key, const char* valueName)
{
    if (key.path == NULL) return 0;
    HKEY opened = NULL;
    if (valueName != NULL) {
        // A value item never gets the takeover: only keys have their DACL rewritten.
        LONG rc = OpenKeyInView(key, KEY_ALL_ACCESS, &opened);
        if (rc != ERROR_SUCCESS) return Failed(rc);
        rc = RegDeleteValueA(opened, valueName);
        RegCloseKey(opened);
        return rc == ERROR_SUCCESS ? 1 : Failed(rc);
    }

    // An empty path opens the hive itself: its subtree is never ours to delete.
    if (key.path[0] == '\0') return 0;
    KeyAccessBefore before;
    if (!OpenKeyWithTakeover(key, &opened, &before)) return Failed(ERROR_ACCESS_DENIED);
    DeleteSubkeys(opened, key.view);   // the key's own deletion below decides the result
    RegCloseKey(opened);

    HKEY root = NULL;
    LONG rc = OpenKeyInView({key.hive, "", key.view}, KEY_ALL_ACCESS, &root);
    // RegDeleteKeyA would find the own view's key of that path: the view is named again here.
    if (rc == ERROR_SUCCESS) {
        rc = DeleteKeyInView({root, key.path, key.view});
        RegCloseKey(root);
    }
    // A key that stays keeps no access of ours.
    PutBackKeyAccess(key, &before);
    return rc == ERROR_SUCCESS ? 1 : Failed(rc);
}

uint8_t OpenKeyWithTakeover(const KeyInView& key, HKEY* opened, KeyAccessBefore* before)
{
    *opened = NULL;
    before->descriptor = NULL;
    if (OpenKeyInView(key, KEY_ALL_ACCESS, opened) == ERROR_SUCCESS) return 1;
    *opened = NULL;
    if (!GrantCurrentUserKeyAccess(key, before)) return 0;
    if (OpenKeyInView(key, KEY_ALL_ACCESS, opened) == ERROR_SUCCESS) return 1;
    *opened = NULL;
    PutBackKeyAccess(key, before);
    return 0;
}

uint8_t DeleteSubkeys(HKEY key, uint8_t view)
{
    char name[kSubkeyNameSize];
    for (;;) {
        // Always index 0: the subkey found last time has just been deleted.
        DWORD length = kSubkeyNameSize;
        if (RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) return 1;
        // A handle opened in a view stays in it for the keys below it; the view is still named
        // with every open and delete, as the keys of a view are documented to be reached.
        HKEY child = NULL;
        if (OpenOwnSubkey(key, name, view, &child) == ERROR_SUCCESS && IsRegistryLink(child)) {
            // A link inside the tree goes as the link; what it points at is not this item's.
            const uint8_t gone = DeleteLinkKey(child);
            RegCloseKey(child);
            if (!gone) return 0;
            continue;
        }
        if (child != NULL) RegCloseKey(child);
        child = NULL;
        KeyAccessBefore before;
        uint8_t emptied = 1;
        if (OpenKeyWithTakeover({key, name, view}, &child, &before)) {
            emptied = DeleteSubkeys(child, view);
            RegCloseKey(child);
        }
        // Tried even when the subkey would not open: a key without subkeys may still go.
        const uint8_t gone = emptied && DeleteKeyInView({key, name, view}) == ERROR_SUCCESS ? 1 : 0;
        if (!gone) PutBackKeyAccess({key, name, view}, &before);
        if (before.descriptor != NULL) LocalFree(before.descriptor);   // the key went: nothing to put back
        if (!gone) return 0;
    }
}
