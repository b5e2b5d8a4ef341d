// The manifest part of a restore: services created again, then files and folders copied back
// from files\ with their attributes and times. An existing file is never replaced: when it
// differs from the backup it is reported and left alone.
#include "clean/restore.h"
#include <stdio.h>
#include <string.h>

namespace {

const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
const DWORD kCompareBlockSize = 32768;
const DWORD kServiceConfigSize = 8192;

// Field positions of D and F lines.
enum EntryField { kAttributes = 1, kCreated, kAccessed, kWritten, kSize, kOriginal, kCopy, kEntryFields };
// Field positions of S lines.
enum ServiceField { kName = 1, kDisplay, kType, kStart, kError, kImage, kGroup, kDependencies, kStartName, kServiceFields };

uint8_t Is(const ManifestLine& line, const char* tag, int fields)
{
    return line.count >= fields && strcmp(line.fields[0], tag) == 0 ? 1 : 0;
}

// Creates every missing folder on the way to path (not path itself).
void CreateParents(const char* path)
{
    char folder[1024];
    lstrcpynA(folder, path, sizeof folder);
    // Past the drive ("X:\") or the server and share ("\\server\share\").
    char* p = folder;
    if (p[0] == '\\' && p[1] == '\\') {
        p = strchr(p + 2, '\\');
        if (p != NULL) p = strchr(p + 1, '\\');
    } else {
        p = strchr(p, '\\');
    }
    for (; p != NULL; p = strchr(p + 1, '\\')) {
        *p = '\0';
        CreateDirectoryA(folder, NULL);
        *p = '\\';
    }
}

uint8_t SameContent(const char* a, const char* b)
{
    HANDLE first = CreateFileA(a, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE second = CreateFileA(b, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    BYTE* blocks = (BYTE*)LocalAlloc(LMEM_FIXED, 2 * kCompareBlockSize);
    LARGE_INTEGER sizeA, sizeB;
    uint8_t same = first != INVALID_HANDLE_VALUE && second != INVALID_HANDLE_VALUE && blocks != NULL &&
                           GetFileSizeEx(first, &sizeA) && GetFileSizeEx(second, &sizeB) && sizeA.QuadPart == sizeB.QuadPart
                       ? 1
                       : 0;
    while (same) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(first, blocks, kCompareBlockSize, &readA, NULL) ||
            !ReadFile(second, blocks + kCompareBlockSize, kCompareBlockSize, &readB, NULL) || readA != readB ||
            memcmp(blocks, blocks + kCompareBlockSize, readA) != 0)
            same = 0;
        else if (readA == 0) break;
    }
    if (blocks != NULL) LocalFree(blocks);
    if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    return same;
}

// Times first, attributes last: a read-only attribute must not stand in the way.
uint8_t SetTimesAndAttributes(const char* path, const ManifestLine& line, uint8_t folder)
{
    const FILETIME created = FieldTime(line.fields[kCreated]);
    const FILETIME accessed = FieldTime(line.fields[kAccessed]);
    const FILETIME written = FieldTime(line.fields[kWritten]);
    HANDLE handle = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    uint8_t ok = SetFileTime(handle, &created, &accessed, &written) ? 1 : 0;
    CloseHandle(handle);
    DWORD attributes = FieldNumber(line.fields[kAttributes]) & kSettableAttributes;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    ok = (SetFileAttributesA(path, attributes) ? 1 : 0) & ok;
    return ok;
}

uint8_t RestoreFile(const ManifestLine& line, const char* folder, OutputFile* log)
{
    const char* original = line.fields[kOriginal];
    char copy[1024];
    snprintf(copy, sizeof copy, "%s%s", folder, line.fields[kCopy]);
    if (GetFileAttributesA(original) != INVALID_FILE_ATTRIBUTES) {
        if (SameContent(original, copy)) {
            LogRestoreLine(log, "file", original, "already there, as in the backup");
            return 1;
        }
        LogRestoreLine(log, "file", original, "exists and differs from the backup: left alone");
        return 0;
    }
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(copy, GetFileExInfoStandard, &info) ||
        (((ULONGLONG)info.nFileSizeHigh << 32) | info.nFileSizeLow) != FieldSize(line.fields[kSize])) {
        LogRestoreLine(log, "file", original, "the backup's copy is missing or incomplete");
        return 0;
    }
    CreateParents(original);
    if (!CopyFileA(copy, original, TRUE)) {
        char outcome[64];
        snprintf(outcome, sizeof outcome, "not restored (error %lu)", (unsigned long)GetLastError());
        LogRestoreLine(log, "file", original, outcome);
        return 0;
    }
    if (!SetTimesAndAttributes(original, line, 0)) {
        LogRestoreLine(log, "file", original, "restored, but its times or attributes were not set");
        return 0;
    }
    LogRestoreLine(log, "file", original, "restored");
    return 1;
}

uint8_t CreateFolder(const ManifestLine& line, OutputFile* log)
{
    const char* original = line.fields[kOriginal];
    const DWORD attributes = GetFileAttributesA(original);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 1;
        LogRestoreLine(log, "folder", original, "a file stands in its place: left alone");
        return 0;
    }
    CreateParents(original);
    if (!CreateDirectoryA(original, NULL)) {
        LogRestoreLine(log, "folder", original, "not created");
        return 0;
    }
    LogRestoreLine(log, "folder", original, "restored");
    return 1;
}

uint8_t RestoreService(const ManifestLine& line, OutputFile* log)
{
    const char* name = line.fields[kName];
    // The dependency list needs its closing second NUL back.
    char dependencies[kServiceConfigSize];
    const DWORD listLength = line.lengths[kDependencies];
    if (listLength + 2 > sizeof dependencies) {
        LogRestoreLine(log, "service", name, "its dependencies do not fit");
        return 0;
    }
    memcpy(dependencies, line.fields[kDependencies], listLength);
    dependencies[listLength] = '\0';
    dependencies[listLength + 1] = '\0';
    const char* group = line.fields[kGroup][0] != '\0' ? line.fields[kGroup] : NULL;
    const char* startName = line.fields[kStartName][0] != '\0' ? line.fields[kStartName] : NULL;

    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (manager == NULL) {
        LogRestoreLine(log, "service", name, "the service manager cannot be opened");
        return 0;
    }
    SC_HANDLE service = CreateServiceA(manager, name, line.fields[kDisplay], SERVICE_QUERY_CONFIG,
                                       FieldNumber(line.fields[kType]), FieldNumber(line.fields[kStart]),
                                       FieldNumber(line.fields[kError]), line.fields[kImage], group, NULL,
                                       listLength > 0 ? dependencies : NULL, startName, NULL);
    uint8_t ok = service != NULL ? 1 : 0;
    const char* outcome = "created";
    char text[64];
    if (service == NULL && GetLastError() == ERROR_SERVICE_EXISTS) {
        // One that is there already counts as back when it runs the same image.
        service = OpenServiceA(manager, name, SERVICE_QUERY_CONFIG);
        union {
            QUERY_SERVICE_CONFIGA config;
            BYTE bytes[kServiceConfigSize];
        } buffer;
        DWORD needed = 0;
        ok = service != NULL && QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed) &&
                     buffer.config.lpBinaryPathName != NULL &&
                     lstrcmpiA(buffer.config.lpBinaryPathName, line.fields[kImage]) == 0
                 ? 1
                 : 0;
        outcome = ok ? "already there" : "exists with another image path: left alone";
    } else if (service == NULL) {
        snprintf(text, sizeof text, "not created (error %lu)", (unsigned long)GetLastError());
        outcome = text;
    }
    if (service != NULL) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    LogRestoreLine(log, "service", name, outcome);
    return ok;
}

}  // namespace

uint8_t LoadManifest(const char* path, Manifest* manifest)
{
    manifest->lines = NULL;
    manifest->count = 0;
    DWORD length = 0;
    if (!LoadWholeFile(path, &manifest->text, &length)) return 0;
    int lines = 0;
    for (DWORD i = 0; i < length; i++) lines += manifest->text[i] == '\n';
    manifest->lines = (ManifestLine*)LocalAlloc(LMEM_FIXED, (lines + 1) * sizeof(ManifestLine));
    if (manifest->lines == NULL) {
        FreeManifest(manifest);
        return 0;
    }
    char* p = manifest->text;
    while (p < manifest->text + length) {
        char* end = strchr(p, '\n');
        if (end != NULL) *end = '\0';
        const size_t size = strlen(p);
        if (size > 0 && p[size - 1] == '\r') p[size - 1] = '\0';
        if (p[0] != '\0' && manifest->count <= lines) {
            ManifestLine& line = manifest->lines[manifest->count++];
            line.count = SplitManifestLine(p, line.fields, line.lengths);
        }
        if (end == NULL) break;
        p = end + 1;
    }
    return 1;
}

void FreeManifest(Manifest* manifest)
{
    if (manifest->lines != NULL) LocalFree(manifest->lines);
    if (manifest->text != NULL) LocalFree(manifest->text);
    manifest->lines = NULL;
    manifest->text = NULL;
    manifest->count = 0;
}

uint8_t RestoreServices(const Manifest& manifest, OutputFile* log)
{
    uint8_t result = 1;
    for (int i = 0; i < manifest.count; i++) {
        if (Is(manifest.lines[i], "S", kServiceFields)) result = RestoreService(manifest.lines[i], log) & result;
    }
    return result;
}

uint8_t RestoreFiles(const Manifest& manifest, const char* folder, OutputFile* log)
{
    uint8_t result = 1;
    // Items newest first, each item's lines in their order (folders before what they hold).
    int end = manifest.count;
    for (int start = manifest.count - 1; start >= 0; start--) {
        if (start > 0 && !Is(manifest.lines[start], "item", 1)) continue;
        for (int i = start; i < end; i++) {
            const ManifestLine& line = manifest.lines[i];
            if (Is(line, "D", kEntryFields)) result = CreateFolder(line, log) & result;
            else if (Is(line, "F", kEntryFields)) result = RestoreFile(line, folder, log) & result;
        }
        end = start;
    }
    // Folder times last, deepest first: restoring their content changed them.
    for (int i = manifest.count - 1; i >= 0; i--) {
        const ManifestLine& line = manifest.lines[i];
        if (!Is(line, "D", kEntryFields)) continue;
        const DWORD attributes = GetFileAttributesA(line.fields[kOriginal]);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;   // reported
        if (!SetTimesAndAttributes(line.fields[kOriginal], line, 1)) {
            LogRestoreLine(log, "folder", line.fields[kOriginal], "its times or attributes were not set");
            result = 0;
        }
    }
    return result;
}
