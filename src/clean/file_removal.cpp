// Files and folders: on the NT family through handles opened as the entries themselves (the
// tree walk), on Windows 9x through the shell's file operation.
#include "clean/file_removal.h"
#include <shellapi.h>
#include <stdlib.h>
#include <string.h>
#include "clean/file_links.h"
#include "clean/tree_walk.h"
#include "model/process_values.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

namespace {

// The paths whose read-only attribute a deletion cleared, one after another, each ended by a
// zero; kept so that the attribute goes back on whatever the shell then did not delete.
struct ClearedList {
    char* text;
    size_t used;
    size_t size;
};

void ClearReadOnly(const char* path, DWORD attributes, ClearedList* cleared)
{
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return;
    DWORD rest = attributes & ~(DWORD)FILE_ATTRIBUTE_READONLY;
    if (rest == 0) rest = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesA(path, rest)) return;
    const size_t length = strlen(path) + 1;
    if (cleared->used + length > cleared->size) {
        const size_t size = (cleared->size + length) * 2;
        char* grown = (char*)realloc(cleared->text, size);
        if (grown == NULL) {
            // Cannot be remembered, so not left cleared either.
            SetFileAttributesA(path, attributes);
            return;
        }
        cleared->text = grown;
        cleared->size = size;
    }
    memcpy(cleared->text + cleared->used, path, length);
    cleared->used += length;
}

// Everything below folder (links were removed before, and reparse points are never entered).
void ClearReadOnlyBelow(const char* folder, ClearedList* cleared)
{
    char pattern[kPathSize];
    if (!FormatFits(pattern, sizeof pattern, "%s\\*", folder)) return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        char entry[kPathSize];
        if (!FormatFits(entry, sizeof entry, "%s\\%s", folder, found.cFileName)) continue;
        ClearReadOnly(entry, found.dwFileAttributes, cleared);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ClearReadOnlyBelow(entry, cleared);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// After a deletion that failed: the attribute back on every cleared path still there.
void RestoreReadOnly(const ClearedList& cleared)
{
    for (size_t at = 0; at < cleared.used; at += strlen(cleared.text + at) + 1) {
        const char* path = cleared.text + at;
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        SetFileAttributesA(path, (attributes & ~(DWORD)FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_READONLY);
    }
}

// Why the deletion of path (canonical) left something: the first entry still there that cannot
// be opened for deletion gives its error (a file in use answers with a sharing violation), else
// shellCode when it is the platform's error (the shell's own codes start at 0x71), else access
// denied.
DWORD LeftoverError(const char* path, int shellCode)
{
    HANDLE handle = CreateFileA(path, DELETE, 0, NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    const DWORD attributes = GetFileAttributesA(path);
    if (error == ERROR_SUCCESS && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        char pattern[kPathSize];
        WIN32_FIND_DATAA found;
        HANDLE find = FormatFits(pattern, sizeof pattern, "%s\\*", path) ? FindFirstFileA(pattern, &found) : INVALID_HANDLE_VALUE;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                char entry[kPathSize];
                if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
                if (FormatFits(entry, sizeof entry, "%s\\%s", path, found.cFileName)) error = LeftoverError(entry, 0);
            } while (error == ERROR_SUCCESS && FindNextFileA(find, &found));
            FindClose(find);
        }
    }
    if (error != ERROR_SUCCESS) return error;
    return shellCode > 0 && shellCode < 0x71 ? (DWORD)shellCode : ERROR_ACCESS_DENIED;
}

// Schedules path, and first everything inside it when it is a folder, for removal at the next
// restart. A link inside is never scheduled: the platform's removal would not tell it apart.
uint8_t ScheduleTree(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        char pattern[kPathSize];
        if (!FormatFits(pattern, sizeof pattern, "%s\\*", path)) return 0;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(pattern, &found);
        uint8_t ok = 1;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                char entry[kPathSize];
                if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
                ok = FormatFits(entry, sizeof entry, "%s\\%s", path, found.cFileName) && ScheduleTree(entry);
            } while (ok && FindNextFileA(find, &found));
            FindClose(find);
        }
        if (!ok) return 0;
    }
    return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
}

}  // namespace

uint8_t IsInUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ? 1 : 0;
}

uint8_t ScheduleRemovalAtRestart(const char* path)
{
    char target[kPathSize];
    if (path == NULL || !PathGuardAllows(path, target, sizeof target)) return 0;
    return ScheduleTree(target);
}

uint8_t DeleteFileOrFolder(const char* path)
{
    if (path == NULL || path[0] == '\0') return 0;
    // Checked again right before deleting, whatever recorded the path; the canonical form is
    // what the shell gets.
    char target[kPathSize];
    if (!PathGuardAllows(path, target, sizeof target)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    // Links go first and as links: the shell's delete would follow them. The walk below checks
    // the item itself through its handle and removes it as the link it may be, so for a file
    // there is nothing left for this pass to find; inside a folder it finds the links that do
    // not show as reparse points (their resolved path is not their own).
    const uint8_t walk = g_platformKind != 1 && TreeWalkAvailable() ? 1 : 0;
    const DWORD seen = walk ? GetFileAttributesA(target) : INVALID_FILE_ATTRIBUTES;
    const uint8_t folder = seen != INVALID_FILE_ATTRIBUTES && (seen & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    const LinkRemoval links = !walk || folder ? RemoveLinks(target) : kNoLinksLeft;
    if (links == kLinksRefused) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return 0;
    }
    if (links == kPathWasLink) return 1;

    if (walk) {
        // The top item must open as the path the guard allowed.
        char expected[kPathSize];
        if (!ExpectedFinalPath(target, expected, sizeof expected)) return 0;
        const DWORD error = DeleteTreeByHandle(target, expected);
        if (error == ERROR_SUCCESS) return 1;
        SetLastError(error);
        return 0;
    }

    // A one-entry list ended by two zeros. A path that does not fit is refused: cut short it
    // would name another file or folder.
    char from[264];
    const size_t length = strlen(target);
    if (length + 2 > sizeof from) return 0;
    lstrcpynA(from, target, (int)length + 1);
    from[length + 1] = '\0';

    SHFILEOPSTRUCTA operation;
    ZeroMemory(&operation, sizeof operation);
    operation.hwnd = NULL;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.pTo = "";
    // Without FOF_ALLOWUNDO: deleted for good, nothing goes to the Recycle Bin.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;

    // The search leaves read-only attributes alone; the backup has recorded them by now. The
    // shell may refuse a read-only file (Wine's does), so the attribute is cleared here, on the
    // item and on everything inside a folder, and put back where the deletion then failed.
    ClearedList cleared = {NULL, 0, 0};
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        ClearReadOnly(target, attributes, &cleared);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) ClearReadOnlyBelow(target, &cleared);
    }
    const int code = SHFileOperationA(&operation);
    if (code != 0) RestoreReadOnly(cleared);
    free(cleared.text);
    if (code == 0) return 1;
    SetLastError(LeftoverError(target, code));
    return 0;
}
