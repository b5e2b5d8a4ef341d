// The file part of a restore: files and folders copied back from files\ with their attributes and
// times. An existing file is never replaced: when it differs from the backup it is reported and
// left alone.
#include "clean/restore.h"
#include <stdio.h>
#include <string.h>
#include "clean/driver_packages.h"
#include "clean/manifest.h"
#include "model/item_why.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

namespace {

const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Times first, attributes last: a read-only attribute must not stand in the way.
uint8_t SetTimesAndAttributes(const char* path, const ManifestLine& line, uint8_t folder)
{
    const FILETIME created = FieldTime(line.fields[kEntryCreated]);
    const FILETIME accessed = FieldTime(line.fields[kEntryAccessed]);
    const FILETIME written = FieldTime(line.fields[kEntryWritten]);
    HANDLE handle = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    uint8_t ok = SetFileTime(handle, &created, &accessed, &written) ? 1 : 0;
    CloseHandle(handle);
    DWORD attributes = FieldNumber(line.fields[kEntryAttributes]) & kSettableAttributes;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    ok = (SetFileAttributesA(path, attributes) ? 1 : 0) & ok;
    return ok;
}

uint8_t RestoreFile(const ManifestLine& line, const char* folder, OutputFile* log)
{
    char* original = line.fields[kEntryOriginal];
    char copy[1024];
    snprintf(copy, sizeof copy, "%s%s", folder, line.fields[kEntryCopy]);
    if (GetFileAttributesA(original) != INVALID_FILE_ATTRIBUTES) {
        if (SameFileContent(original, copy))
            return LogRestoreResult(log, "file", original, "already there, as in the backup", 1);
        return LogRestoreResult(log, "file", original, "exists and differs from the backup: left alone", 0);
    }
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(copy, GetFileExInfoStandard, &info) ||
        (((ULONGLONG)info.nFileSizeHigh << 32) | info.nFileSizeLow) != FieldSize(line.fields[kEntrySize]))
        return LogRestoreResult(log, "file", original, "the backup's copy is missing or incomplete", 0);
    CreateParentFolders(original, 0);
    if (!CopyFileA(copy, original, TRUE)) {
        char outcome[64];
        snprintf(outcome, sizeof outcome, "not restored (error %lu)", (unsigned long)GetLastError());
        return LogRestoreResult(log, "file", original, outcome, 0);
    }
    if (!SetTimesAndAttributes(original, line, 0))
        return LogRestoreResult(log, "file", original, "restored, but its times or attributes were not set", 0);
    return LogRestoreResult(log, "file", original, "restored", 1);
}

uint8_t CreateFolder(const ManifestLine& line, OutputFile* log)
{
    char* original = line.fields[kEntryOriginal];
    const DWORD attributes = GetFileAttributesA(original);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 1;
        return LogRestoreResult(log, "folder", original, "a file stands in its place: left alone", 0);
    }
    CreateParentFolders(original, 0);
    if (!CreateDirectoryA(original, NULL)) return LogRestoreResult(log, "folder", original, "not created", 0);
    return LogRestoreResult(log, "folder", original, "restored", 1);
}

// The item's P line when the backup holds the package's store folder, else NULL.
const ManifestLine* StorePackageLine(const Manifest& manifest, int start, int end)
{
    for (int i = start; i < end; i++) {
        const ManifestLine& line = manifest.lines[i];
        if (ManifestLineIs(line, kPackageTag, kPackageFields) && strcmp(line.fields[kPackageForm], kPackageStoreForm) == 0 &&
            line.fields[kPackageStoreFolder][0] != '\0')
            return &line;
    }
    return NULL;
}

// 1 when the original path of the D or F line is the store folder or lies below it.
uint8_t InStoreFolder(const ManifestLine& line, const ManifestLine& package)
{
    const char* store = package.fields[kPackageStoreFolder];
    const char* original = line.fields[kEntryOriginal];
    const size_t length = strlen(store);
    return strlen(original) >= length &&
                   CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, store, (int)length, original, (int)length) ==
                       CSTR_EQUAL &&
                   (original[length] == '\0' || original[length] == '\\')
               ? 1
               : 0;
}

// The package published again from the saved copy of its store folder; the platform lays out
// the INF (perhaps under another oemNN name) and the store copy itself. Only an INF row's item
// publishes a package, and only from a copy inside the backup's files folder: installing a driver
// is the most a restore can do.
uint8_t ReinstallPackage(const Manifest& manifest, int start, int end, const ManifestLine& package, const ItemRow& row,
                         const char* folder, OutputFile* log)
{
    char original[1024], saved[1024], published[kPathSize], outcome[kPathSize + 64];
    if ((row.known && row.whyKind != kWhyInfRule) ||
        !FormatFits(original, sizeof original, "%s\\%s", package.fields[kPackageStoreFolder],
                    package.fields[kPackageStoreInf]))
        return 0;
    ItemRow anyRow;
    anyRow.known = 0;
    anyRow.placeCount = 0;
    for (int i = start; i < end; i++) {
        const ManifestLine& line = manifest.lines[i];
        if (!ManifestLineIs(line, kFileTag, kEntryFields) || lstrcmpiA(line.fields[kEntryOriginal], original) != 0) continue;
        if (EntryRefusal(line, anyRow, folder) != NULL || !FormatFits(saved, sizeof saved, "%s%s", folder, line.fields[kEntryCopy]) ||
            !ReinstallDriverPackage(saved, published, sizeof published))
            break;
        FormatFits(outcome, sizeof outcome, "published again as %s", published);
        return LogRestoreResult(log, "package", package.fields[kPackagePublished], outcome, 1);
    }
    return LogRestoreResult(log, "package", package.fields[kPackagePublished],
                            "not published again: its INF is copied back, the driver store's copy is not", 0);
}

}  // namespace

uint8_t RestoreFiles(const Manifest& manifest, const char* folder, OutputFile* log)
{
    uint8_t result = 1;
    // The lines of a package's store folder are never copied back by hand: the platform owns it.
    uint8_t* skipped = (uint8_t*)LocalAlloc(LPTR, manifest.count > 0 ? manifest.count : 1);
    ItemRow* row = (ItemRow*)LocalAlloc(LMEM_FIXED, sizeof(ItemRow));
    if (skipped == NULL || row == NULL) {
        if (skipped != NULL) LocalFree(skipped);
        if (row != NULL) LocalFree(row);
        return 0;
    }
    // Items newest first, each item's lines in their order (folders before what they hold).
    int end = manifest.count;
    for (int start = manifest.count - 1; start >= 0; start--) {
        if (start > 0 && !ManifestLineIs(manifest.lines[start], kItemTag)) continue;
        ReadItemRow(manifest.lines[start], row);
        if (!row->known && ManifestLineIs(manifest.lines[start], kItemTag, kItemText + 1))
            LogRestoreLine(log, "item", manifest.lines[start].fields[kItemText],
                           "made before items carried their why: checked by the path guard and its copy alone");
        const ManifestLine* package = StorePackageLine(manifest, start, end);
        const uint8_t reinstalled = package != NULL && ReinstallPackage(manifest, start, end, *package, *row, folder, log);
        if (package != NULL && !reinstalled) result = 0;
        for (int i = start; i < end; i++) {
            const ManifestLine& line = manifest.lines[i];
            const uint8_t entry = ManifestLineIs(line, kFolderTag, kEntryFields) || ManifestLineIs(line, kFileTag, kEntryFields);
            skipped[i] = reinstalled || (package != NULL && entry && InStoreFolder(line, *package));
            if (skipped[i]) continue;
            const char* refusal = entry ? EntryRefusal(line, *row, folder) : NULL;
            if (refusal != NULL) {
                skipped[i] = 1;
                result = LogRestoreResult(log, "file", line.fields[kEntryOriginal], refusal, 0);
                continue;
            }
            if (ManifestLineIs(line, kFolderTag, kEntryFields)) result = CreateFolder(line, log) & result;
            else if (ManifestLineIs(line, kFileTag, kEntryFields)) result = RestoreFile(line, folder, log) & result;
        }
        end = start;
    }
    // Folder times last, deepest first: restoring their content changed them.
    for (int i = manifest.count - 1; i >= 0; i--) {
        const ManifestLine& line = manifest.lines[i];
        if (skipped[i] || !ManifestLineIs(line, kFolderTag, kEntryFields)) continue;
        const DWORD attributes = GetFileAttributesA(line.fields[kEntryOriginal]);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;   // reported
        if (!SetTimesAndAttributes(line.fields[kEntryOriginal], line, 1)) {
            LogRestoreLine(log, "folder", line.fields[kEntryOriginal], "its times or attributes were not set");
            result = 0;
        }
    }
    LocalFree(skipped);
    LocalFree(row);
    return result;
}
