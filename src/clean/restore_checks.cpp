// What a restore may write back: only what a clean-up could have taken. Each item of a backup
// carries the why of the table row that found it; a key, value, file, folder or service that row
// could not have found is skipped. A backup made before items carried their why is checked as
// far as can be done without it: the path guard, the copy inside files\, the service's image.
#include "clean/restore.h"
#include <stdio.h>
#include <string.h>
#include "clean/backup.h"
#include "clean/manifest.h"
#include "clean/reg_file.h"
#include "clean/registry_removal.h"
#include "model/item_why.h"
#include "model/process_values.h"
#include "platform/machine_halves.h"
#include "platform/path_guard.h"
#include "platform/text_ops.h"
#include "search/search_all.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

// The video keys a PCI device scan records along with the devices (as the search names them).
const char kVideoKeysKey[] = "System\\CurrentControlSet\\Control\\Video";

// 1 when inner is outer or lies below it (case ignored; a trailing backslash of outer allowed).
uint8_t Encloses(const char* outer, const char* inner)
{
    size_t length = strlen(outer);
    while (length > 0 && outer[length - 1] == '\\') length--;
    if (length == 0 || strlen(inner) < length || _strnicmp(outer, inner, length) != 0) return 0;
    return inner[length] == '\0' || inner[length] == '\\' ? 1 : 0;
}

// 1 when a step of the path is ".." (or ".", which no path the backup writes holds).
uint8_t HasDotStep(const char* path)
{
    const char* step = path;
    for (const char* p = path;; p++) {
        if (*p != '\\' && *p != '/' && *p != '\0') continue;
        const size_t length = (size_t)(p - step);
        if ((length == 1 && step[0] == '.') || (length == 2 && step[0] == '.' && step[1] == '.')) return 1;
        if (*p == '\0') return 0;
        step = p + 1;
    }
}

// The key path without a "Wow6432Node" step: the native name of a 32-bit key is its rule's path.
void FoldNativeName(const char* path, char* out, size_t size)
{
    const char kStep[] = "Wow6432Node";
    const size_t step = sizeof kStep - 1;
    size_t n = 0;
    for (const char* p = path; *p != '\0' && n + 1 < size;) {
        const uint8_t atStep = (p == path || p[-1] == '\\') && _strnicmp(p, kStep, step) == 0 &&
                               (p[step] == '\\' || p[step] == '\0');
        if (atStep) {
            p += step;
            if (*p == '\\') p++;
            continue;
        }
        out[n++] = *p++;
    }
    while (n > 0 && out[n - 1] == '\\') n--;
    out[n] = '\0';
}

}  // namespace

void ReadItemRow(const ManifestLine& item, ItemRow* row)
{
    row->known = ManifestLineIs(item, kItemTag, kItemFields) && FieldNumber(item.fields[kItemWhyKind]) != kWhyUnknown;
    row->whyKind = row->known ? (uint8_t)FieldNumber(item.fields[kItemWhyKind]) : kWhyUnknown;
    row->whyRow = row->known ? (int32_t)FieldNumber(item.fields[kItemWhyRow]) : -1;
    row->placeCount = row->known ? FileRowPlaces(row->whyKind, row->whyRow, row->places, kItemRowPlaces) : 0;
}

const char* EntryRefusal(const ManifestLine& line, const ItemRow& row, const char* folder)
{
    const char* copy = line.fields[kEntryCopy];
    const char* original = line.fields[kEntryOriginal];
    const size_t filesLength = strlen(kFilesFolderName);
    if (_strnicmp(copy, kFilesFolderName, filesLength) != 0 || copy[filesLength] != '\\' || strchr(copy, ':') != NULL ||
        HasDotStep(copy))
        return "skipped: its copy does not lie inside the backup's files folder";
    // No step of the copy's path below the backup folder may be a link (a junction planted there).
    char path[1024];
    if (!FormatFits(path, sizeof path, "%s%s", folder, copy)) return "skipped: its copy's path is too long";
    for (char* p = path + strlen(folder) + filesLength;; p = strchr(p + 1, '\\')) {
        const char kept = p != NULL ? *p : '\0';
        if (p != NULL) *p = '\0';
        const DWORD attributes = GetFileAttributesA(path);
        if (p != NULL) *p = kept;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return "skipped: a link lies on its copy's path";
        if (p == NULL) break;
    }
    if (HasDotStep(original) || !PathGuardAllows(original, NULL, 0)) return "skipped: the path guard refuses it";
    if (!row.known) return NULL;
    for (int32_t i = 0; i < row.placeCount; i++) {
        if (Encloses(row.places[i], original)) return NULL;
    }
    return "skipped: not what its row could have found";
}

// 1 when the service's image lies in a system folder or in a folder or file the backup restores.
static uint8_t ImageAllowed(const Manifest& manifest, const char* image, const char* folder)
{
    char path[1024];
    const char* start = image[0] == '"' ? image + 1 : image;
    lstrcpynA(path, start, sizeof path);
    char* end = image[0] == '"' ? strchr(path, '"') : NULL;
    if (end != NULL) *end = '\0';
    // A driver's image may be relative to the Windows folder, or start with \SystemRoot\.
    char whole[1024];
    if (_strnicmp(path, "\\SystemRoot\\", 12) == 0) FormatFits(whole, sizeof whole, "%s%s", g_windowsDirectory, path + 12);
    else if (path[0] != '\0' && path[1] != ':' && path[0] != '\\') FormatFits(whole, sizeof whole, "%s%s", g_windowsDirectory, path);
    else lstrcpynA(whole, path, sizeof whole);
    if (HasDotStep(whole)) return 0;
    if (Encloses(g_systemDirectory, whole)) return 1;
    char other[kPathSize];
    if (OtherSystemFolder(other) && Encloses(other, whole)) return 1;
    ItemRow row;
    row.known = 0;
    for (int i = 0; i < manifest.count; i++) {
        const ManifestLine& line = manifest.lines[i];
        if (ManifestLineIs(line, kItemTag)) ReadItemRow(line, &row);
        const uint8_t entry = ManifestLineIs(line, kFolderTag, kEntryFields) || ManifestLineIs(line, kFileTag, kEntryFields);
        if (entry && Encloses(line.fields[kEntryOriginal], whole) && EntryRefusal(line, row, folder) == NULL) return 1;
    }
    return 0;
}

const char* ServiceRefusal(const Manifest& manifest, const ManifestLine& service, const ItemRow& row, const char* folder)
{
    if (row.known) {
        // Only a file rule names a service: "<file>@<service>".
        const char* named = NULL;
        if (row.whyKind == kWhyFileRule && row.whyRow >= 0 && row.whyRow < CountFileRules())
            named = strchr(kFileRules[row.whyRow].file, '@');
        if (named == NULL || lstrcmpiA(named + 1, service.fields[kServiceName]) != 0)
            return "skipped: no file rule names this service";
    }
    if (!ImageAllowed(manifest, service.fields[kServiceImage], folder))
        return "skipped: its image lies outside the system folders and what the backup restores";
    return NULL;
}

uint8_t RegistryRowAllows(const RegistryItemRow& row, HKEY hive, const char* path)
{
    if (!row.known) return kRowAllowsKey;
    if (row.whyRow < 0 || row.whyRow >= CountRegistryRules()) return kRowRefuses;
    const RegistryRule& rule = kRegistryRules[row.whyRow];
    char folded[kRegPathSize];
    FoldNativeName(path, folded, sizeof folded);
    if (hive == rule.hive && Encloses(rule.keyPath, folded)) return kRowAllowsKey;
    // What the scans record elsewhere: an interface below the rule's key under HKLM, the driver
    // keys a device scan reaches below its argument, the video keys a PCI device names.
    const KindSearch search = RegistryKind(rule.kind).search;
    const uint8_t deviceScan = search == kSearchPciDeviceScan || search == kSearchMonitorDeviceScan ||
                               search == kSearchChildDeviceScan;
    if (hive == HKEY_LOCAL_MACHINE &&
        ((search == kSearchInterfaceScan && Encloses(rule.keyPath, folded)) ||
         (deviceScan && rule.argument != NULL && Encloses(rule.argument, folded)) ||
         (search == kSearchPciDeviceScan && row.itemKind == RegistryRuleKind::VideoKeyScan &&
          Encloses(kVideoKeysKey, folded))))
        return kRowAllowsKey;
    // The class a handler names, and a namespace entry's class and Approved value, go with them.
    const KindRemoval removal = RegistryKind(row.itemKind).removal;
    const char* classId = removal == kRemoveNamespaceEntry ? row.entryName : row.handlerClass;
    char classKey[kRegistrationPathSize];
    if ((removal == kRemoveHandlerClass || removal == kRemoveNamespaceEntry) && hive == HKEY_CLASSES_ROOT &&
        RegistrationPath("CLSID", classId, classKey) && Encloses(classKey, folded))
        return kRowAllowsKey;
    if (removal == kRemoveNamespaceEntry && hive == HKEY_LOCAL_MACHINE && lstrcmpiA(folded, kApprovedExtensionsKey) == 0)
        return kRowAllowsEntryValue;
    return kRowRefuses;
}
