// The registry part of a backup: what each rule kind's removal takes away, read in the item's
// view and written to registry.reg with exact types and bytes, each key under its native name
// (native_names.h). Keys whose access control list the removal will rewrite are marked
// "; locked": their security is not saved.
#include "clean/backup.h"
#include <stdio.h>
#include <string.h>
#include "clean/key_takeover.h"
#include "clean/native_names.h"
#include "clean/reg_file.h"
#include "clean/registry_removal.h"
#include "model/found_items.h"
#include "platform/path_ops.h"
#include "tables/registry_rules.h"

namespace {

// A value's data into a heap block that grows as needed. 1 when read; *block is freed by the
// caller (LocalFree) in every case.
LONG ReadValueData(HKEY key, const char* name, DWORD* type, BYTE** block, DWORD* size)
{
    DWORD capacity = 256;
    for (int attempt = 0; attempt < 8; attempt++) {
        if (*block != NULL) LocalFree(*block);
        *block = (BYTE*)LocalAlloc(LMEM_FIXED, capacity);
        if (*block == NULL) return ERROR_NOT_ENOUGH_MEMORY;
        *size = capacity;
        const LONG rc = RegQueryValueExA(key, name, NULL, type, *block, size);
        if (rc != ERROR_MORE_DATA) return rc;
        capacity = *size > capacity ? *size + 16 : capacity * 2;
    }
    return ERROR_MORE_DATA;
}

// Every value of an open key, in enumeration order.
uint8_t SaveValues(OutputFile* out, HKEY key)
{
    DWORD count = 0, longestName = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, &longestName, NULL, NULL, NULL) !=
        ERROR_SUCCESS)
        return 0;
    // Names are counted in characters; a double-byte code page may need two bytes for each.
    const DWORD nameSize = longestName * 2 + 2;
    char* name = (char*)LocalAlloc(LMEM_FIXED, nameSize);
    if (name == NULL) return 0;
    uint8_t ok = 1;
    BYTE* data = NULL;
    for (DWORD index = 0; index < count && ok; index++) {
        DWORD nameLength = nameSize;
        if (RegEnumValueA(key, index, name, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) {
            ok = 0;
            break;
        }
        DWORD type = REG_NONE, size = 0;
        if (ReadValueData(key, name, &type, &data, &size) != ERROR_SUCCESS) ok = 0;
        else ok = WriteRegValueLine(out, name[0] != '\0' ? name : NULL, type, data, size, CP_ACP);
    }
    if (data != NULL) LocalFree(data);
    LocalFree(name);
    return ok;
}

// Opens the key for reading the way the removal will meet it. *locked: the removal's open for
// all access is refused, so it will rewrite the key's DACL. A key that refuses even reading is
// taken over for the open alone: the handle keeps its access, the key gets its old DACL back
// right away (the removal takes it over again, and puts it back if the key stays). options as
// for the removal's open: a key below the item is opened and taken over as itself.
LONG OpenForBackup(const KeyInView& key, HKEY* opened, uint8_t* locked, DWORD options = 0)
{
    *locked = 0;
    LONG rc = OpenKeyWithOptions(key, options, KEY_ALL_ACCESS, opened);
    if (rc != ERROR_ACCESS_DENIED) return rc;
    *locked = 1;
    rc = OpenKeyWithOptions(key, options, KEY_READ, opened);
    if (rc != ERROR_ACCESS_DENIED) return rc;
    KeyAccessBefore before;
    if (!GrantCurrentUserKeyAccess(key, &before, options)) return rc;
    rc = OpenKeyWithOptions(key, options, KEY_READ, opened);
    PutBackKeyAccess(key, &before, options);
    return rc;
}

// The open key (whose native path is path, of pathLength characters in a kRegPathSize buffer)
// with its values and its whole subtree, parents before children. The key is closed.
SaveResult SaveOpenKey(OutputFile* out, const char* hiveName, HKEY key, uint8_t locked, uint8_t view, char* path,
                       size_t pathLength)
{
    if (locked) WriteRegComment(out, kRegLockedMarker, ": its access control list was not saved");
    uint8_t ok = WriteRegKeyLine(out, hiveName, path, CP_ACP);
    if (ok) ok = SaveValues(out, key);
    char name[kSubkeyNameSize];
    for (DWORD index = 0; ok; index++) {
        DWORD length = kSubkeyNameSize;
        const LONG enumerated = RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL);
        if (enumerated == ERROR_NO_MORE_ITEMS) break;
        if (enumerated != ERROR_SUCCESS || pathLength + 1 + length >= (size_t)kRegPathSize) {
            ok = 0;
            break;
        }
        // A subkey just enumerated that does not open by its name (one whose name has no ANSI
        // form) cannot be saved: the item is then not deleted. Below a key its native name
        // goes on with the subkey's own name.
        HKEY child = NULL;
        uint8_t childLocked = 0;
        // A registry link is opened as itself: it is deleted as the link, so its target is not
        // this item's and is never saved.
        ok = OpenForBackup({key, name, view}, &child, &childLocked, KeyAsItself()) == ERROR_SUCCESS ? 1 : 0;
        if (!ok) break;
        if (IsRegistryLink(child)) {
            RegCloseKey(child);
            continue;
        }
        path[pathLength] = '\\';
        memcpy(path + pathLength + 1, name, length + 1);
        ok = SaveOpenKey(out, hiveName, child, childLocked, view, path, pathLength + 1 + length) == kSaved;
        path[pathLength] = '\0';
    }
    RegCloseKey(key);
    return ok ? kSaved : kSaveFailed;
}

SaveResult SaveKey(OutputFile* out, const KeyInView& key)
{
    // The hive itself is never an item's key; the removal refuses it too.
    if (key.path[0] == '\0') return kSaveMissing;
    if (HiveName(key.hive)[0] == '\0') return kSaveFailed;   // no name to write it under
    HKEY opened = NULL;
    uint8_t locked = 0;
    const LONG rc = OpenForBackup(key, &opened, &locked);
    if (rc == ERROR_FILE_NOT_FOUND) return kSaveMissing;
    if (rc != ERROR_SUCCESS) return kSaveFailed;
    char path[kRegPathSize];
    if (!NativeKeyPath(key, opened, path, sizeof path)) {
        RegCloseKey(opened);
        return kSaveFailed;
    }
    return SaveOpenKey(out, HiveName(key.hive), opened, locked, key.view, path, strlen(path));
}

// One value; valueName NULL or empty: the key's default value.
SaveResult SaveValue(OutputFile* out, const KeyInView& key, const char* valueName)
{
    if (HiveName(key.hive)[0] == '\0') return kSaveFailed;
    HKEY opened = NULL;
    const LONG rc = OpenKeyInView(key, KEY_QUERY_VALUE, &opened);
    if (rc == ERROR_FILE_NOT_FOUND) return kSaveMissing;
    if (rc != ERROR_SUCCESS) return kSaveFailed;
    char path[kRegPathSize];
    DWORD type = REG_NONE, size = 0;
    BYTE* data = NULL;
    const uint8_t named = NativeKeyPath(key, opened, path, sizeof path);
    const LONG read = ReadValueData(opened, valueName, &type, &data, &size);
    RegCloseKey(opened);
    SaveResult result = kSaveFailed;
    if (read == ERROR_FILE_NOT_FOUND) {
        result = kSaveMissing;
    } else if (named && read == ERROR_SUCCESS && WriteRegKeyLine(out, HiveName(key.hive), path, CP_ACP) &&
               WriteRegValueLine(out, valueName != NULL && valueName[0] != '\0' ? valueName : NULL, type, data, size,
                                 CP_ACP)) {
        result = kSaved;
    }
    if (data != NULL) LocalFree(data);
    return result;
}

// The item's own target: its value, or its key with the whole subtree.
SaveResult SaveTarget(OutputFile* out, const FoundItem& item)
{
    if (item.valueName != NULL) return SaveValue(out, ItemKeyInView(item), item.valueName);
    return SaveKey(out, ItemKeyInView(item));
}

// HKCR\CLSID\<classId> of the view, which the removal of handlers and namespace entries takes
// with them.
SaveResult SaveClassRegistration(OutputFile* out, const char* classId, uint8_t view)
{
    char path[kRegistrationPathSize];
    // What the removal refuses there is nothing to save of.
    if (!RegistrationPath("CLSID", classId, path)) return kSaveMissing;
    return SaveKey(out, {HKEY_CLASSES_ROOT, path, view});
}

// Kind 2: the handler, and the class its value names.
SaveResult SavePropertySheetHandler(OutputFile* out, const FoundItem& item)
{
    const SaveResult own = SaveTarget(out, item);
    if (own == kSaveFailed) return kSaveFailed;
    char classId[kClassIdSize];
    uint8_t views[2];
    // Without a readable class identifier the removal deletes nothing.
    const int32_t count = HandlerClasses(ItemKeyInView(item), item.valueName, classId, views);
    if (count == 0) return own;
    for (int32_t i = 0; i < count; i++) {
        if (SaveClassRegistration(out, classId, views[i]) == kSaveFailed) return kSaveFailed;
    }
    return kSaved;
}

// Kind 12: the namespace entry, its "Approved" value and its class, all below HKLM in the view.
SaveResult SaveNamespaceEntry(OutputFile* out, const char* name, uint8_t view)
{
    char path[kRegistrationPathSize];
    if (!RegistrationPath(kDesktopNameSpaceKey, name, path)) return kSaveMissing;
    uint8_t ok = 1;
    ok = (SaveKey(out, {HKEY_LOCAL_MACHINE, path, view}) != kSaveFailed) & ok;
    ok = (SaveValue(out, {HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, view}, name) != kSaveFailed) & ok;
    ok = (SaveClassRegistration(out, name, view) != kSaveFailed) & ok;
    return ok ? kSaved : kSaveFailed;
}

SaveResult SaveByKind(OutputFile* out, const FoundItem& item)
{
    if (item.path == NULL) return kSaveMissing;
    switch (RegistryKind(item.ruleKind).removal) {
    case kRemovePlain:
        return SaveTarget(out, item);
    case kRemoveHandlerClass:
        return SavePropertySheetHandler(out, item);
    case kRemoveFromDllList:
        // The list as it was before the rewrite (an absent name is the default value).
        return SaveValue(out, ItemKeyInView(item), item.valueName);
    case kRemoveNamespaceEntry:
        return SaveNamespaceEntry(out, FileNamePart(item.path), item.view);
    default:
        return kSaveMissing;   // no removal operation: nothing is deleted
    }
}

}  // namespace

uint8_t BackupRegistryItem(BackupSession* session, const FoundItem& item)
{
    OutputFile* out = &session->registry;
    char text[1024], why[kWhyTextSize];
    char comment[1100 + kWhyTextSize];
    FormatItemText(&item, text, sizeof text);
    // The rule behind the item and the kind it was recorded under, which the restore checks
    // every key and value of the item against; an item no rule found carries none.
    if (item.whyKind == kWhyRegistryRule)
        snprintf(comment, sizeof comment, "%ld (%s, %s %ld): %s", (long)session->itemNumber,
                 FormatItemWhy(&item, why, sizeof why), kRegItemKindMarker, (long)item.ruleKind, text);
    else snprintf(comment, sizeof comment, "%ld: %s", (long)session->itemNumber, text);
    PutText(out, "\r\n");
    WriteRegComment(out, kRegItemMarker, comment);
    const LONGLONG header = out->pending;
    return FinishItem(out, header, SaveByKind(out, item) != kSaveFailed ? 1 : 0);
}
