// Recognition of the maker's driver packages among the oem*.inf files of the INF folder, by the
// entries each kInfRules row asks for.
#include "search/files/inf_identify.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "model/found_items.h"
#include "model/products.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"
#include "search/files/windows_subfolder.h"
#include "search/registry/shared_reads.h"
#include "tables/inf_rules.h"

namespace {

const int kInfFolderKind = 2;   // "INF\": the generated oem*.inf names live there on every platform
const int kConditionTextSize = 256;
const int kRememberedEntries = 128;   // more distinct entries than this are read each time

// The entries of one file that its rows asked for, while reads are shared: the file does not
// change during the search, so each (section, key) is read from it at most once.
struct InfEntries {
    int count;
    struct {
        const char* section;   // the table's own texts
        const char* key;
        char text[kConditionTextSize];
    } entries[kRememberedEntries];
};

// The text of the condition's key in the file, empty for a missing section or key.
const char* ConditionText(const InfCondition& condition, const char* path, InfEntries* remembered, char* text)
{
    if (remembered != NULL) {
        for (int i = 0; i < remembered->count; i++) {
            if (strcmp(remembered->entries[i].section, condition.section) == 0 &&
                strcmp(remembered->entries[i].key, condition.key) == 0)
                return remembered->entries[i].text;
        }
    }
    GetPrivateProfileStringA(condition.section, condition.key, "", text, kConditionTextSize, path);
    if (remembered != NULL && remembered->count < kRememberedEntries) {
        auto& entry = remembered->entries[remembered->count++];
        entry.section = condition.section;
        entry.key = condition.key;
        lstrcpynA(entry.text, text, kConditionTextSize);
    }
    return text;
}

// 1 when the file holds every condition of the row; a missing section or key reads as the
// empty text. Reading is pure, so with remembered entries the row stops at its first failed
// condition; without them every condition is read, as the reference.
uint8_t RowMatches(const InfRule& row, const char* path, InfEntries* remembered)
{
    uint8_t matched = 1;
    for (int slot = 0; slot < 4 && row.conditions[slot].section[0] != '\0'; slot++) {
        if (remembered != NULL && !matched) break;
        const InfCondition& condition = row.conditions[slot];
        char text[kConditionTextSize];
        const char* read = ConditionText(condition, path, remembered, text);
        matched = (CompareNoCase(condition.value, read) == 0 ? 1 : 0) & matched;
    }
    return matched;
}

// The first row, in table order, that the file satisfies; -1 when none does.
int IdentifyingRow(const char* path, InfEntries* remembered)
{
    if (remembered != NULL) remembered->count = 0;
    for (int i = 0; kInfRules[i].conditions[0].section[0] != '\0'; i++) {
        if (RowMatches(kInfRules[i], path, remembered)) return i;
    }
    return -1;
}

// Records a recognised INF file and, when it exists, its .pnf companion. 0 when a recording failed.
uint8_t RecordPackage(char* path, int size)
{
    uint8_t success = AddFileItem(path, NULL);
    const int extension = (int)(ExtensionPointer(path) - path);
    const int written = snprintf(path + extension, (size_t)(size - extension), ".pnf");
    if (written > 0 && written < size - extension && FileExists(path)) success = AddFileItem(path, NULL) & success;
    return success;
}

}  // namespace

uint8_t IdentifyOemInfs()
{
    char folder[kPathSize];
    if (!WindowsSubfolder(folder, sizeof folder, kInfFolderKind)) return 1;
    char pattern[kPathSize];
    const int length = snprintf(pattern, sizeof pattern, "%soem*.inf", folder);
    if (length < 0 || length >= (int)sizeof pattern) return 1;

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return 1;
    uint8_t success = 1;
    // Only when reads are shared; the reference reads every condition from the file.
    InfEntries* remembered = SharedReadsEnabled() ? (InfEntries*)malloc(sizeof(InfEntries)) : NULL;
    do {
        char path[kPathSize];
        const int written = snprintf(path, sizeof path, "%s%s", folder, data.cFileName);
        if (written < 0 || written >= (int)sizeof path) continue;
        const int row = IdentifyingRow(path, remembered);
        if (row < 0) continue;
        // Items of this pass belong to the row's family, not to the last file rule.
        SetFileSideProduct(kInfRules[row].conditions[0].product);
        success = RecordPackage(path, sizeof path) & success;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    free(remembered);
    ClearFileSideProduct();
    return success;
}
