// The path guard's memo of one search. Most files a search records lie in a few folders, and
// the long form and the resolved form of a folder are the costly part of each check, so within
// one search they are asked of the platform once per folder. The search only reads: the answers
// stay what the platform would give again. A check the memo cannot settle for certain is made
// in full, and a deletion never consults the memo.
#include "platform/path_guard_memo.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "platform/folder_listing.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"

namespace {

const int kMemoFolders = 256;

struct MemoFolder {
    char folder[kPathSize];      // as split from a canonical path, compared byte for byte
    char longForm[kPathSize];    // GetLongPathNameA (folder), "" when not found
    char finalForm[kPathSize];   // FinalPath (folder) when finalFound
    uint8_t longFound;
    uint8_t finalFound;
    uint8_t plain;               // folder and long form printable ASCII without wildcards
};

int s_depth = 0;
int s_count = 0;
MemoFolder* s_folders = NULL;   // kMemoFolders while open; NULL when the memory could not be had
// The search's last look-up of a path that was found (a rule's file is looked up right before
// it is recorded), and the name the platform found it under.
char s_foundPath[kPathSize] = "";
char s_foundName[kPathSize] = "";
DWORD s_foundAttributes = 0;
// The path GuardMemoFileFinal last opened for writing, shared with no one.
char s_writablePath[kPathSize] = "";

// The folder's entry, made on its first use; NULL when the memo is closed or full.
MemoFolder* Entry(const char* folder)
{
    if (s_depth == 0 || s_folders == NULL) return NULL;
    for (int i = 0; i < s_count; i++) {
        if (strcmp(s_folders[i].folder, folder) == 0) return &s_folders[i];
    }
    if (s_count >= kMemoFolders || strlen(folder) >= (size_t)kPathSize) return NULL;
    MemoFolder* entry = &s_folders[s_count++];
    lstrcpynA(entry->folder, folder, kPathSize);
    const DWORD length = GetLongPathNameA(folder, entry->longForm, kPathSize);
    entry->longFound = (length > 0 && length < (DWORD)kPathSize) ? 1 : 0;
    if (!entry->longFound) entry->longForm[0] = '\0';
    entry->plain = IsPlainPathText(folder) && IsPlainPathText(entry->longForm) ? 1 : 0;
    entry->finalFound = FinalPath(folder, entry->finalForm, kPathSize);
    return entry;
}

}  // namespace

void BeginGuardMemo()
{
    if (s_depth++ > 0) return;
    s_count = 0;
    s_foundPath[0] = s_foundName[0] = s_writablePath[0] = '\0';
    s_folders = (MemoFolder*)malloc(sizeof(MemoFolder) * kMemoFolders);
    BeginFolderListings();
}

void EndGuardMemo()
{
    if (s_depth == 0 || --s_depth > 0) return;
    EndFolderListings();
    free(s_folders);
    s_folders = NULL;
    s_count = 0;
    s_foundPath[0] = s_foundName[0] = s_writablePath[0] = '\0';
}

void GuardMemoNoteFound(const char* path, const char* foundName, unsigned long attributes)
{
    if (!GuardMemoOpen() || strlen(path) >= (size_t)kPathSize || strlen(foundName) >= (size_t)kPathSize) return;
    lstrcpynA(s_foundPath, path, kPathSize);
    lstrcpynA(s_foundName, foundName, kPathSize);
    s_foundAttributes = attributes;
}

uint8_t GuardMemoOpen()
{
    return s_depth > 0 && s_folders != NULL ? 1 : 0;
}

uint8_t GuardMemoLongForm(const char* folder, const char* name, char* out, int size, uint8_t* found)
{
    MemoFolder* entry = Entry(folder);
    if (entry == NULL || !entry->plain || !entry->longFound || !IsPlainPathText(name)) return 0;
    // The platform's walk ends by looking the name up in the folder's long form.
    char lookup[kPathSize];
    const size_t length = strlen(entry->longForm);
    const char* separator = (length > 0 && entry->longForm[length - 1] == '\\') ? "" : "\\";
    const int written = snprintf(lookup, sizeof lookup, "%s%s%s", entry->longForm, separator, name);
    if (written < 0 || written >= (int)sizeof lookup) return 0;
    // The same look-up made a moment ago by the search answers as it did then.
    if (strcmp(lookup, s_foundPath) != 0 && !FileExists(lookup)) return 0;
    // Only a name found as written: a short name, another letter case or a missing file is
    // left to the walk.
    if (strcmp(s_foundName, name) != 0) return 0;
    *found = JoinLongForm(lookup, "", out, size);
    return 1;
}

uint8_t GuardMemoFolderFinal(const char* folder, char* out, int size)
{
    MemoFolder* entry = Entry(folder);
    if (entry == NULL) return FinalPath(folder, out, size);
    if (!entry->finalFound || strlen(entry->finalForm) >= (size_t)size) return 0;
    lstrcpynA(out, entry->finalForm, size);
    return 1;
}

uint8_t GuardMemoFileFinal(const char* path, const char* longForm, char* out, int size)
{
    s_writablePath[0] = '\0';
    if (!GuardMemoOpen() || strlen(path) >= (size_t)kPathSize) return FinalPath(path, out, size);
    // A folder spelt otherwise than on disk ("Drivers" for "drivers") makes the platform search
    // the whole parent folder for it on every open under Wine; the long form is found at once.
    const char* openAs = longForm != NULL ? longForm : path;
    // Only what the probe would open this way: it sets a read-only file's attributes and renames
    // a folder instead, and a reparse point (a link, on Windows) is followed by FinalPath alone.
    // Under Wine a link to a file shows as a plain file, so its target may be opened here for a
    // moment, as FinalPath opens it; nothing is written either way. The attributes are those of
    // the last look-up when it was of this text or of its long form (the search's own, or the
    // memo's look-up of the long form); a change since then only sends the path to FinalPath:
    // the open fails on a read-only file or a folder.
    const uint8_t noted = strcmp(path, s_foundPath) == 0 || strcmp(openAs, s_foundPath) == 0;
    const DWORD attributes = noted ? s_foundAttributes : GetFileAttributesA(openAs);
    const DWORD other = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & other) != 0) return FinalPath(openAs, out, size);
    HANDLE file = CreateFileA(openAs, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return FinalPath(openAs, out, size);
    const uint8_t found = HandleFinalPath(file, out, size);
    CloseHandle(file);
    lstrcpynA(s_writablePath, path, kPathSize);
    return found;
}

uint8_t SearchGuardOpenedWritable(const char* path)
{
    const uint8_t noted = GuardMemoOpen() && s_writablePath[0] != '\0' && strcmp(path, s_writablePath) == 0;
    s_writablePath[0] = '\0';
    return noted;
}
