// Registrations that go with a removed item: a COM class and a desktop namespace entry.
#include "clean/registry_removal.h"
#include <stdio.h>
#include <string.h>

const char kDesktopNameSpaceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace";
const char kApprovedExtensionsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// The name of one key: not empty and no backslash. "CLSID\" + "" opens CLSID itself, and a name
// with a backslash reaches into some other key's subtree.
static uint8_t IsSingleKeyName(const char* name)
{
    return name != NULL && name[0] != '\0' && strchr(name, '\\') == NULL ? 1 : 0;
}

uint8_t DeleteClassRegistration(const char* classId)
{
    if (!IsSingleKeyName(classId)) return 0;
    char path[kRegistrationPathSize];
    const int length = snprintf(path, sizeof path, "CLSID\\%s", classId);
    if (length < 0 || length >= (int)sizeof path) return 0;   // a cut name would be another key

    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    const uint8_t emptied = DeleteSubkeys(key);
    RegCloseKey(key);
    if (!emptied) return 0;

    HKEY classes = NULL;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &classes) != ERROR_SUCCESS) return 0;
    const LONG rc = RegDeleteKeyA(classes, classId);
    RegCloseKey(classes);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

// 1 only when the key is known not to exist; a key that refuses to open is still there.
static uint8_t KeyIsGone(HKEY root, const char* path)
{
    HKEY key = NULL;
    const LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    return rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

uint8_t DeleteDesktopNamespaceEntry(const char* name)
{
    if (!IsSingleKeyName(name)) return 0;
    char path[kRegistrationPathSize];
    const int length = snprintf(path, sizeof path, "%s\\%s", kDesktopNameSpaceKey, name);
    if (length < 0 || length >= (int)sizeof path) return 0;

    HKEY entry = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &entry) == ERROR_SUCCESS) {
        DeleteSubkeys(entry);
        RegCloseKey(entry);
        HKEY nameSpace = NULL;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey, 0, KEY_ALL_ACCESS, &nameSpace) == ERROR_SUCCESS) {
            RegDeleteKeyA(nameSpace, name);
            RegCloseKey(nameSpace);
        }
    }

    HKEY approved = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, 0, KEY_ALL_ACCESS, &approved) == ERROR_SUCCESS) {
        RegDeleteValueA(approved, name);
        RegCloseKey(approved);
    }

    DeleteClassRegistration(name);
    // Success is the entry being gone, whether removed now or before.
    return KeyIsGone(HKEY_LOCAL_MACHINE, path);
}
