// The registry part of a restore: registry.reg read item by item, newest item first, so that
// where two items saved the same data, the older (the state before the clean-up) is written last.
// A backup whose keys carry native names has each key written through the 64-bit view, so that a
// ...\Wow6432Node\... name lands in the 32-bit half it came from; an older backup is written as
// it always was.
#include "clean/restore.h"
#include <stdio.h>
#include <string.h>
#include "clean/reg_file.h"
#include "model/found_items.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"

namespace {

struct RegistryRestore {
    OutputFile* log;
    uint8_t view;         // the view every key is created in
    HKEY key;             // the current section's key; NULL when it could not be written
    uint8_t lockedNext;   // the next section's key was locked
    int32_t parts;        // keys and values met in the item
    int32_t failed;       // of which not written
    int32_t skipped;      // of which not what the item's rule could have found
    RegistryItemRow row;  // the rule the item names
    uint8_t verdict;      // RegistryRowAllows of the current section
    char item[1024];      // the item's text from its comment
    char keyText[1100];   // the current section, for messages
};

void CloseCurrent(RegistryRestore* restore)
{
    if (restore->key != NULL) RegCloseKey(restore->key);
    restore->key = NULL;
}

void OnComment(void* context, const char* text)
{
    RegistryRestore* restore = (RegistryRestore*)context;
    if (RegCommentIs(text, kRegItemMarker)) {
        lstrcpynA(restore->item, text, sizeof restore->item);
        long number = 0, row = 0, kind = 0, itemKind = 0;
        RegistryItemRow& item = restore->row;
        item.known = sscanf(text, "item %ld (registry rule %ld, kind %ld, item kind %ld):", &number, &row, &kind,
                            &itemKind) == 4;
        item.whyRow = (int32_t)row;
        item.itemKind = (int32_t)itemKind;
    } else if (RegCommentIs(text, kRegLockedMarker)) {
        restore->lockedNext = 1;
    }
}

void OnKey(void* context, HKEY hive, const char* path)
{
    RegistryRestore* restore = (RegistryRestore*)context;
    CloseCurrent(restore);
    snprintf(restore->keyText, sizeof restore->keyText, "[%s\\%s]", HiveName(hive), path);
    restore->parts++;
    // A namespace entry's first key names the entry, whose class and Approved value come along.
    RegistryItemRow& row = restore->row;
    if (restore->parts == 1) lstrcpynA(row.entryName, FileNamePart(path), sizeof row.entryName);
    restore->verdict = RegistryRowAllows(row, hive, path);
    if (restore->verdict == kRowRefuses) {
        restore->skipped++;
        restore->lockedNext = 0;
        LogRestoreLine(restore->log, "registry", restore->keyText, "skipped: not below the key of its item's rule");
        return;
    }
    const REGSAM access = KEY_SET_VALUE | RegistryViewFlag(restore->view);
    LONG rc = RegCreateKeyExA(hive, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, &restore->key, NULL);
    // Below a volatile key only volatile keys can be made (the video keys are such).
    if (rc == ERROR_CHILD_MUST_BE_VOLATILE)
        rc = RegCreateKeyExA(hive, path, 0, NULL, REG_OPTION_VOLATILE, access, NULL, &restore->key, NULL);
    if (rc != ERROR_SUCCESS) {
        restore->key = NULL;
        restore->failed++;
        char outcome[64];
        snprintf(outcome, sizeof outcome, "key not written (error %ld)", (long)rc);
        LogRestoreLine(restore->log, "registry", restore->keyText, outcome);
    } else if (restore->lockedNext) {
        LogRestoreLine(restore->log, "registry", restore->keyText,
                       "was locked: it comes back with the default security");
    }
    restore->lockedNext = 0;
}

void OnValue(void* context, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    RegistryRestore* restore = (RegistryRestore*)context;
    restore->parts++;
    RegistryItemRow& row = restore->row;
    if (restore->verdict == kRowRefuses ||
        (restore->verdict == kRowAllowsEntryValue && (name == NULL || lstrcmpiA(name, row.entryName) != 0))) {
        restore->skipped++;
        if (restore->verdict == kRowAllowsEntryValue)
            LogRestoreLine(restore->log, "registry", name != NULL ? name : "@", "skipped: not the entry's own value");
        return;
    }
    // A handler's class is named by the string its own key holds, read before its class's keys.
    if (restore->parts == 2 && type == REG_SZ && size < sizeof row.handlerClass) {
        memcpy(row.handlerClass, data, size);
        row.handlerClass[size] = '\0';
    }
    const LONG rc = restore->key != NULL ? RegSetValueExA(restore->key, name, 0, type, data, size) : ERROR_INVALID_HANDLE;
    if (rc != ERROR_SUCCESS) {
        restore->failed++;
        char text[1400];
        char outcome[64];
        snprintf(text, sizeof text, "%s %s", restore->keyText, name != NULL ? name : "@");
        snprintf(outcome, sizeof outcome, "value not written (error %ld)", (long)rc);
        LogRestoreLine(restore->log, "registry", text, outcome);
    }
}

void OnBad(void* context, const char* line, DWORD length)
{
    RegistryRestore* restore = (RegistryRestore*)context;
    char text[256];
    lstrcpynA(text, line, length + 1 < sizeof text ? (int)length + 1 : (int)sizeof text);
    restore->parts++;
    restore->failed++;
    LogRestoreLine(restore->log, "registry", text, "line not understood");
}

void OnMarker(void* context, const char* text)
{
    if (RegCommentIs(text, kRegNativeNamesMarker)) *(uint8_t*)context = 1;
}
void IgnoreKey(void*, HKEY, const char*) {}
void IgnoreValue(void*, const char*, DWORD, const BYTE*, DWORD) {}
void IgnoreLine(void*, const char*, DWORD) {}

// 1 when the part before the first item (the header, in a backup) carries the native-names
// marker.
uint8_t HasNativeNames(const char* text, DWORD length)
{
    uint8_t native = 0;
    RegFileVisitor visitor = {&native, OnMarker, IgnoreKey, IgnoreValue, IgnoreLine};
    ReadRegText(text, length, CP_ACP, &visitor);
    return native;
}

}  // namespace

uint8_t RestoreRegistry(const char* path, OutputFile* log)
{
    char* text = NULL;
    DWORD length = 0;
    if (!LoadWholeFile(path, &text, &length)) return LogRestoreResult(log, "registry", path, "cannot be read", 0);
    // Blocks: what stands before the first item (nothing but the header in a backup), then one
    // block per item.
    int32_t blocks = 1;
    for (const char* p = text; p < text + length; p++) blocks += StartsRegItem(text, p);
    DWORD* starts = (DWORD*)LocalAlloc(LMEM_FIXED, (blocks + 1) * sizeof(DWORD));
    if (starts == NULL) {
        LocalFree(text);
        return 0;
    }
    int32_t n = 0;
    starts[n++] = 0;
    for (const char* p = text; p < text + length; p++) {
        if (StartsRegItem(text, p)) starts[n++] = (DWORD)(p - text);
    }
    starts[n] = length;

    uint8_t result = 1;
    const uint8_t view = HasNativeNames(text, starts[1]) ? NativeNameView() : kViewOwn;
    RegistryRestore restore;
    RegFileVisitor visitor = {&restore, OnComment, OnKey, OnValue, OnBad};
    for (int32_t b = blocks - 1; b >= 0; b--) {
        restore.log = log;
        restore.view = view;
        restore.key = NULL;
        restore.lockedNext = 0;
        restore.parts = restore.failed = restore.skipped = 0;
        restore.verdict = kRowAllowsKey;
        restore.row.known = 0;
        restore.row.handlerClass[0] = restore.row.entryName[0] = '\0';
        restore.item[0] = '\0';
        restore.keyText[0] = '\0';
        if (!ReadRegText(text + starts[b], starts[b + 1] - starts[b], CP_ACP, &visitor)) restore.failed++;
        CloseCurrent(&restore);
        if (restore.parts == 0 && restore.failed == 0) continue;
        char outcome[64] = "restored";
        if (restore.failed > 0)
            snprintf(outcome, sizeof outcome, "%ld of %ld parts not written", (long)restore.failed, (long)restore.parts);
        else if (restore.skipped > 0)
            snprintf(outcome, sizeof outcome, "%ld of %ld parts skipped", (long)restore.skipped, (long)restore.parts);
        if (restore.skipped > 0) result = 0;
        LogRestoreLine(log, "registry", restore.item[0] != '\0' ? restore.item : path, outcome);
        if (restore.failed > 0) result = 0;
    }
    LocalFree(starts);
    LocalFree(text);
    return result;
}
