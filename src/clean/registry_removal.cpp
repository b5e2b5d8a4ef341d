// Registry values and keys with their whole subtree, deepest keys first, in the view the item
// was found in.
#include "clean/registry_removal.h"
#include "clean/key_takeover.h"

typedef LONG(WINAPI* NtDeleteKeyFn)(HANDLE);

// 1 when the key (opened with REG_OPTION_OPEN_LINK) is a registry link: it holds its target in
// a REG_LINK value named SymbolicLinkValue.
uint8_t IsRegistryLink(HKEY key)
{
    DWORD type = REG_NONE;
    return RegQueryValueExA(key, "SymbolicLinkValue", NULL, &type, NULL, NULL) == ERROR_SUCCESS && type == REG_LINK ? 1 : 0;
}

static NtDeleteKeyFn DeleteKeyFunction()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? (NtDeleteKeyFn)reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")) : NULL;
}

// Deletes the key open in key, which must hold no subkeys (NtDeleteKey, loaded from ntdll:
// RegDeleteKey would open the name again, and through a link swapped in meanwhile reach its
// target). Where the platform has no such call (Windows 9x, which has no registry links either)
// the name is deleted.
static uint8_t DeleteOpenKey(HKEY key, HKEY parent, const char* name, uint8_t view)
{
    static const NtDeleteKeyFn deleteKey = DeleteKeyFunction();
    if (deleteKey == NULL) return DeleteKeyInView({parent, name, view}) == ERROR_SUCCESS ? 1 : 0;
    return deleteKey((HANDLE)key) >= 0 ? 1 : 0;
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

uint8_t OpenKeyWithTakeover(const KeyInView& key, HKEY* opened, KeyAccessBefore* before, DWORD options)
{
    *opened = NULL;
    before->descriptor = NULL;
    if (OpenKeyWithOptions(key, options, KEY_ALL_ACCESS, opened) == ERROR_SUCCESS) return 1;
    *opened = NULL;
    if (!GrantCurrentUserKeyAccess(key, before, options)) return 0;
    if (OpenKeyWithOptions(key, options, KEY_ALL_ACCESS, opened) == ERROR_SUCCESS) return 1;
    *opened = NULL;
    PutBackKeyAccess(key, before, options);
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
        const KeyInView subkey = {key, name, view};
        HKEY child = NULL;
        KeyAccessBefore before;
        uint8_t emptied = 1;
        if (OpenKeyWithTakeover(subkey, &child, &before, KeyAsItself())) {
            // A link inside the tree goes as the link; what it points at is not this item's.
            if (!IsRegistryLink(child)) emptied = DeleteSubkeys(child, view);
        } else {
            // Tried even when the subkey would not open for all access: a key without subkeys
            // may still let itself be deleted.
            if (OpenKeyWithOptions(subkey, KeyAsItself(), DELETE, &child) != ERROR_SUCCESS) child = NULL;
        }
        const uint8_t gone = child != NULL && emptied && DeleteOpenKey(child, key, name, view) ? 1 : 0;
        if (child != NULL) RegCloseKey(child);
        if (!gone) PutBackKeyAccess(subkey, &before, KeyAsItself());
        if (before.descriptor != NULL) LocalFree(before.descriptor);   // the key went: nothing to put back
        if (!gone) return 0;
    }
}
