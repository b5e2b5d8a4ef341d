// Deletion through handles opened as the entries themselves.
#include "clean/tree_walk.h"
#include <string.h>
#include "clean/file_links.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

void (*g_treeWalkChecked)(const char* path) = NULL;

const int kMaxWalkDepth = 64;
const int kFileBasicInformation = 4;
const int kFileDispositionInformation = 13;

struct IoStatus {
    void* status;        // NTSTATUS, or a pointer: the width of a pointer either way
    ULONG_PTR information;
};
struct BasicInformation {
    LARGE_INTEGER creation, lastAccess, lastWrite, change;   // 0: left as they are
    ULONG attributes;
};
struct DispositionInformation {
    BOOLEAN deleteFile;
};

typedef LONG(WINAPI* NtSetInformationFileFn)(HANDLE, IoStatus*, void*, ULONG, int);
typedef ULONG(WINAPI* RtlNtStatusToDosErrorFn)(LONG);

// Through void*: a FARPROC cast straight to another function type is refused by the warnings.
static void* NtExport(const char* name)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<void*>(GetProcAddress(ntdll, name)) : NULL;
}

static NtSetInformationFileFn SetInformation()
{
    static const NtSetInformationFileFn set = (NtSetInformationFileFn)NtExport("NtSetInformationFile");
    return set;
}

uint8_t TreeWalkAvailable()
{
    return SetInformation() != NULL && NtExport("RtlNtStatusToDosError") != NULL && NtExport("NtQueryDirectoryFile") != NULL ? 1 : 0;
}

static DWORD SetThroughHandle(HANDLE handle, void* information, ULONG size, int kind)
{
    static const RtlNtStatusToDosErrorFn toError = (RtlNtStatusToDosErrorFn)NtExport("RtlNtStatusToDosError");
    IoStatus io = {NULL, 0};
    const LONG status = SetInformation()(handle, &io, information, size, kind);
    return status >= 0 ? ERROR_SUCCESS : toError(status);
}

static DWORD SetAttributes(HANDLE handle, DWORD attributes)
{
    BasicInformation basic;
    memset(&basic, 0, sizeof basic);
    basic.attributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetThroughHandle(handle, &basic, sizeof basic, kFileBasicInformation);
}

// Marks the entry behind handle for deletion (it goes when the handle closes); a read-only
// attribute is lifted first and put back when the mark is refused.
static DWORD DeleteThroughHandle(HANDLE handle, DWORD attributes)
{
    const uint8_t readOnly = (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
    if (readOnly) SetAttributes(handle, attributes & ~(DWORD)FILE_ATTRIBUTE_READONLY);
    DispositionInformation disposition = {TRUE};
    const DWORD error = SetThroughHandle(handle, &disposition, sizeof disposition, kFileDispositionInformation);
    if (error != ERROR_SUCCESS && readOnly) SetAttributes(handle, attributes);
    return error;
}

static DWORD DeleteEntry(const char* path, const char* expected, DWORD listed, int depth);

// The folder's entries as the open handle lists them: a listing by name would open the folder
// again, and through whatever stands at its path by then.
struct NameEntry {   // FILE_DIRECTORY_INFORMATION
    ULONG next;
    ULONG index;
    LARGE_INTEGER times[4];
    LARGE_INTEGER endOfFile, allocation;
    ULONG attributes;
    ULONG length;   // bytes
    WCHAR name[1];
};
const int kFileDirectoryInformation = 1;
const LONG kNoMoreFiles = (LONG)0x80000006;
typedef LONG(WINAPI* NtQueryDirectoryFileFn)(HANDLE, HANDLE, void*, void*, IoStatus*, void*, ULONG, int, BOOLEAN,
                                             void*, BOOLEAN);

// Every entry of the folder open in handle (path: its name). Each batch is read from the start again, since its entries are
// gone once deleted; an entry that would not go stops the walk, so the batches end.
static DWORD DeleteEntries(HANDLE handle, const char* folder, int depth)
{
    static const NtQueryDirectoryFileFn query = (NtQueryDirectoryFileFn)NtExport("NtQueryDirectoryFile");
    static const RtlNtStatusToDosErrorFn toError = (RtlNtStatusToDosErrorFn)NtExport("RtlNtStatusToDosError");
    if (query == NULL) return ERROR_CALL_NOT_IMPLEMENTED;
    ULONG_PTR buffer[1024];   // aligned for the entries
    for (;;) {
        IoStatus io = {NULL, 0};
        const LONG status = query(handle, NULL, NULL, NULL, &io, buffer, sizeof buffer, kFileDirectoryInformation, FALSE,
                                  NULL, TRUE);
        if (status == kNoMoreFiles) return ERROR_SUCCESS;
        if (status < 0) return toError(status);
        uint8_t deleted = 0;
        for (const BYTE* at = (const BYTE*)buffer;;) {
            const NameEntry* entry = (const NameEntry*)at;
            const int wide = (int)(entry->length / sizeof(WCHAR));
            char name[kPathSize];
            BOOL lossy = FALSE;
            const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, entry->name, wide, name, sizeof name - 1,
                                                   NULL, &lossy);
            // A name the code page cannot spell would name another entry: left alone, and so the folder.
            if (length <= 0 || lossy) return ERROR_CANT_ACCESS_FILE;
            name[length] = '\0';
            if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0) {
                char path[kPathSize];
                if (!FormatFits(path, sizeof path, "%s\\%s", folder, name)) return ERROR_FILENAME_EXCED_RANGE;
                const DWORD error = DeleteEntry(path, "", entry->attributes, depth + 1);
                if (error != ERROR_SUCCESS) return error;
                deleted = 1;
            }
            if (entry->next == 0) break;
            at += entry->next;
        }
        if (!deleted) return ERROR_SUCCESS;
    }
}

// Opens path as itself and checks it is no link (neither as its folder listed it, listed, nor as
// opened) and, for the item itself, that it is the path the guard allowed (expected). The deletion is not shared: while the handle is open the entry
// cannot be renamed away, and a folder holding an open entry cannot be renamed either, so the
// folders the walk holds keep the paths below them; the entries' own paths need no look-up.
static DWORD DeleteEntry(const char* path, const char* expected, DWORD listed, int depth)
{
    if (depth > kMaxWalkDepth) return ERROR_CANT_ACCESS_FILE;
    HANDLE handle = CreateFileA(path, DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND && depth > 0 ? ERROR_SUCCESS : error;   // gone already
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        return error;
    }
    // The entry the walk expects: no reparse point, and where the platform reports the opened
    // path, the one its listing named.
    char final[kPathSize] = "";
    const uint8_t reported = expected[0] != '\0' && HandleFinalPath(handle, final, sizeof final);
    const uint8_t link = ((info.dwFileAttributes | listed) & FILE_ATTRIBUTE_REPARSE_POINT) ||
                         (reported && CompareNoCase(final, expected) != 0);
    DWORD error = ERROR_SUCCESS;
    if (link) {
        // Gone as the link itself, never entered; where the platform opened its target instead,
        // nothing is touched.
        error = HandleIsLinkItself(handle, path) ? DeleteThroughHandle(handle, info.dwFileAttributes) : ERROR_CANT_ACCESS_FILE;
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (g_treeWalkChecked != NULL) g_treeWalkChecked(path);
        error = DeleteEntries(handle, path, depth);
        if (error == ERROR_SUCCESS) error = DeleteThroughHandle(handle, info.dwFileAttributes);
    } else {
        error = DeleteThroughHandle(handle, info.dwFileAttributes);
    }
    CloseHandle(handle);
    return error;
}

DWORD DeleteTreeByHandle(const char* target, const char* expected)
{
    return DeleteEntry(target, expected != NULL ? expected : "", 0, 0);
}
