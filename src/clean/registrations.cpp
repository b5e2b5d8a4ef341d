// Registrations that go with a removed item: a COM class and a desktop namespace entry, each in
// the registry view of the item that names it (each half has its own classes).
#include "clean/registry_removal.h"
#include <string.h>
#include "platform/registry_access.h"
#include "platform/text_ops.h"

const char kDesktopNameSpaceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace";
const char kApprovedExtensionsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

uint8_t RegistrationPath(const char* parent, const char* name, char path[kRegistrationPathSize])
{
    // "CLSID\" + "" opens CLSID itself, and a name with a backslash reaches into some other key's
    // subtree; a cut path would be another key.
    if (name == NULL || name[0] == '\0' || strchr(name, '\\') != NULL) return 0;
    return FormatFits(path, kRegistrationPathSize, "%s\\%s", parent, name);
}

uint8_t DeleteClassRegistration(const char* classId, uint8_t view)
{
    char path[kRegistrationPathSize];
    if (!RegistrationPath("CLSID", classId, path)) return 0;

    HKEY key = NULL;
    if (OpenKeyInView({HKEY_CLASSES_ROOT, path, view}, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    const uint8_t emptied = DeleteSubkeys(key, view);
    RegCloseKey(key);
    if (!emptied) return 0;

    HKEY classes = NULL;
    if (OpenKeyInView({HKEY_CLASSES_ROOT, "CLSID", view}, KEY_ALL_ACCESS, &classes) != ERROR_SUCCESS) return 0;
    const LONG rc = DeleteKeyInView({classes, classId, view});
    RegCloseKey(classes);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

int32_t HandlerClasses(const KeyInView& handler, const char* valueName, char* classId, uint8_t views[2])
{
    HKEY key = NULL;
    if (OpenKeyInView(handler, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    const uint8_t read = ReadStringValue(key, valueName, classId, kClassIdSize);
    RegCloseKey(key);
    if (!read) return 0;
    views[0] = handler.view;
    char path[kRegistrationPathSize];
    if (handler.view != kViewOwn || !RegistrationPath("CLSID", classId, path) ||
        KeyDiffersInOtherView(handler.hive, handler.path) || !KeyDiffersInOtherView(HKEY_CLASSES_ROOT, path))
        return 1;
    views[1] = kViewOther;
    return 2;
}

// 1 only when the key is known not to exist; a key that refuses to open is still there.
static uint8_t KeyIsGone(const KeyInView& key)
{
    HKEY opened = NULL;
    const LONG rc = OpenKeyInView(key, KEY_READ, &opened);
    if (rc == ERROR_SUCCESS) RegCloseKey(opened);
    return rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

uint8_t DeleteDesktopNamespaceEntry(const char* name, uint8_t view)
{
    char path[kRegistrationPathSize];
    if (!RegistrationPath(kDesktopNameSpaceKey, name, path)) return 0;

    const KeyInView entry = {HKEY_LOCAL_MACHINE, path, view};
    HKEY opened = NULL;
    if (OpenKeyInView(entry, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS) {
        DeleteSubkeys(opened, view);
        RegCloseKey(opened);
        HKEY nameSpace = NULL;
        if (OpenKeyInView({HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey, view}, KEY_ALL_ACCESS, &nameSpace) == ERROR_SUCCESS) {
            DeleteKeyInView({nameSpace, name, view});
            RegCloseKey(nameSpace);
        }
    }

    HKEY approved = NULL;
    if (OpenKeyInView({HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, view}, KEY_ALL_ACCESS, &approved) == ERROR_SUCCESS) {
        RegDeleteValueA(approved, name);
        RegCloseKey(approved);
    }

    DeleteClassRegistration(name, view);
    // Success is the entry being gone, whether removed now or before.
    return KeyIsGone(entry);
}
