// Registrations that go with a removed item: a COM class and a desktop namespace entry, each in
// the registry view of the item that names it (each half has its own classes).
#include "clean/registry_removal.h"
#include <string.h>
#include "platform/registry_access.h"
#include "platform/text_ops.h"

const char kDesktopNameSpaceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace";
const char kApprovedExtensionsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// The name of one key: not empty and no backslash. "CLSID\" + "" opens CLSID itself, and a name
// with a backslash reaches into some other key's subtree.
static uint8_t IsSingleKeyName(const char* name)
{
    return name != NULL && name[0] != '\0' && strchr(name, '\\') == NULL ? 1 : 0;
}

uint8_t DeleteClassRegistration(const char* classId, uint8_t view)
{
    if (!IsSingleKeyName(classId)) return 0;
    char path[kRegistrationPathSize];
    if (!FormatFits(path, sizeof path, "CLSID\\%s", classId)) return 0;   // a cut name would be another key

    HKEY key = NULL;
    if (OpenKeyInView(HKEY_CLASSES_ROOT, path, KEY_ALL_ACCESS, view, &key) != ERROR_SUCCESS) return 0;
    const uint8_t emptied = DeleteSubkeys(key, view);
    RegCloseKey(key);
    if (!emptied) return 0;

    HKEY classes = NULL;
    if (OpenKeyInView(HKEY_CLASSES_ROOT, "CLSID", KEY_ALL_ACCESS, view, &classes) != ERROR_SUCCESS) return 0;
    const LONG rc = DeleteKeyInView(classes, classId, view);
    RegCloseKey(classes);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

uint8_t ReadHandlerClassId(const KeyInView& handler, const char* valueName, char* classId)
{
    HKEY key = NULL;
    if (OpenKeyInView(handler, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    const uint8_t read = ReadStringValue(key, valueName, classId, kClassIdSize);
    RegCloseKey(key);
    return read;
}

int32_t HandlerClassViews(const KeyInView& handler, const char* classId, uint8_t views[2])
{
    views[0] = handler.view;
    if (handler.view != kViewOwn || !IsSingleKeyName(classId) || KeyDiffersInOtherView(handler.hive, handler.path))
        return 1;
    char path[kRegistrationPathSize];
    if (!FormatFits(path, sizeof path, "CLSID\\%s", classId) || !KeyDiffersInOtherView(HKEY_CLASSES_ROOT, path)) return 1;
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
    if (!IsSingleKeyName(name)) return 0;
    char path[kRegistrationPathSize];
    if (!FormatFits(path, sizeof path, "%s\\%s", kDesktopNameSpaceKey, name)) return 0;

    const KeyInView entry = {HKEY_LOCAL_MACHINE, path, view};
    HKEY opened = NULL;
    if (OpenKeyInView(entry, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS) {
        DeleteSubkeys(opened, view);
        RegCloseKey(opened);
        HKEY nameSpace = NULL;
        if (OpenKeyInView(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey, KEY_ALL_ACCESS, view, &nameSpace) == ERROR_SUCCESS) {
            DeleteKeyInView(nameSpace, name, view);
            RegCloseKey(nameSpace);
        }
    }

    HKEY approved = NULL;
    if (OpenKeyInView(HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, KEY_ALL_ACCESS, view, &approved) == ERROR_SUCCESS) {
        RegDeleteValueA(approved, name);
        RegCloseKey(approved);
    }

    DeleteClassRegistration(name, view);
    // Success is the entry being gone, whether removed now or before.
    return KeyIsGone(entry);
}
