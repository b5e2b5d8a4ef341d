// One search's folder listings. A search looks hundreds of files up one by one, most of them in
// a handful of folders (the system folder, INF, HELP), and each look-up costs the platform an
// open, a directory query and a close. Once several names have been found in a folder, it is
// listed once and later look-ups of names found there exactly as written are answered from the
// list. (Only then: on a machine the maker's software has left clean, look-ups mostly find
// nothing, which a listing cannot answer.) Nothing else is answered: another letter case, a
// short name, a trailing dot, a name outside printable ASCII or a name the list lacks goes to
// the platform as before, so the list never has to copy the platform's name matching. The
// search only reads; the list lives for one search.
#include "platform/folder_listing.h"
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "platform/path_ops.h"

namespace {

const int kListedFolders = 64;
const int kListAfter = 4;                  // names found directly in a folder before it is listed
const int32_t kNameBytes = 1 << 20;        // attributes and names of every listed entry
const int32_t kEntries = 1 << 16;          // offsets of those entries, sorted per folder

enum ListState { kCounting, kListed, kUnlisted };

struct ListedFolder {
    char folder[kPathSize];   // the text before the path's last backslash, compared byte for byte
    int32_t found;            // names found there by direct look-ups while not listed
    int32_t first;            // its entries: s_offsets[first .. first + count), sorted by name
    int32_t count;
    uint8_t state;
};

int s_depth = 0;
int s_folderCount = 0;
ListedFolder* s_folders = NULL;
char* s_names = NULL;         // per entry: its attributes (4 bytes), then its name and a NUL
int32_t* s_offsets = NULL;
int32_t s_nameUsed = 0;
int32_t s_entryUsed = 0;

uint8_t IsPlainName(const char* name)
{
    if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return 0;
    if (!IsPlainPathText(name) || strpbrk(name, "\\/") != NULL) return 0;
    // The platform drops trailing dots and blanks from a name it is asked for.
    const char last = name[strlen(name) - 1];
    return last != '.' && last != ' ' ? 1 : 0;
}

const char* EntryName(int32_t offset)
{
    return s_names + offset + sizeof(DWORD);
}

int CompareEntries(const void* a, const void* b)
{
    return strcmp(EntryName(*(const int32_t*)a), EntryName(*(const int32_t*)b));
}

// Adds one entry; 0 when the blocks are full.
uint8_t AddEntry(DWORD attributes, const char* name)
{
    const int32_t length = (int32_t)strlen(name);
    if (s_entryUsed >= kEntries || s_nameUsed + (int32_t)sizeof(DWORD) + length + 1 > kNameBytes) return 0;
    memcpy(s_names + s_nameUsed, &attributes, sizeof attributes);
    memcpy(s_names + s_nameUsed + sizeof attributes, name, (size_t)length + 1);
    s_offsets[s_entryUsed++] = s_nameUsed;
    s_nameUsed += (int32_t)sizeof(DWORD) + length + 1;
    return 1;
}

// Lists the folder. The wide listing tells names apart that the ANSI one would show alike (a
// character outside the code page is shown as its nearest ASCII letter); only names wholly in
// printable ASCII are kept, which read the same in every code page.
void ListFolder(ListedFolder* entry)
{
    entry->state = kUnlisted;
    // The folder's text is printable ASCII, the same characters in the wide form.
    WCHAR pattern[kPathSize + 2];
    int length = 0;
    for (; entry->folder[length] != '\0'; length++) pattern[length] = (WCHAR)(unsigned char)entry->folder[length];
    lstrcpyW(pattern + length, L"\\*");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return;
    const int32_t nameStart = s_nameUsed;
    const int32_t entryStart = s_entryUsed;
    uint8_t complete = 1;
    do {
        char name[kPathSize];
        int i = 0;
        for (; data.cFileName[i] != 0 && i < kPathSize - 1; i++) {
            const WCHAR c = data.cFileName[i];
            if (c < 0x20 || c > 0x7E) break;
            name[i] = (char)c;
        }
        if (data.cFileName[i] != 0) continue;
        name[i] = '\0';
        if (IsPlainName(name) && !AddEntry(data.dwFileAttributes, name)) complete = 0;
    } while (complete && FindNextFileW(find, &data));
    const uint8_t ended = GetLastError() == ERROR_NO_MORE_FILES ? 1 : 0;
    FindClose(find);
    if (!complete || !ended) {
        s_nameUsed = nameStart;
        s_entryUsed = entryStart;
        return;
    }
    entry->first = entryStart;
    entry->count = s_entryUsed - entryStart;
    qsort(s_offsets + entryStart, (size_t)entry->count, sizeof(int32_t), CompareEntries);
    entry->state = kListed;
}

// The folder's entry; a new one only when make is 1 (a name was found there), so folders in which
// nothing is found take no place in the table.
ListedFolder* Folder(const char* folder, uint8_t make)
{
    for (int i = 0; i < s_folderCount; i++) {
        if (strcmp(s_folders[i].folder, folder) == 0) return &s_folders[i];
    }
    if (!make || s_folderCount >= kListedFolders) return NULL;
    ListedFolder* entry = &s_folders[s_folderCount++];
    lstrcpynA(entry->folder, folder, kPathSize);
    entry->found = 0;
    entry->first = entry->count = 0;
    entry->state = kCounting;
    return entry;
}

// The entry of the folder path lies in (made when make is 1), and the path's last part; NULL
// while no search runs, when there is no entry, or when a listing could not answer for this text.
ListedFolder* FolderOf(const char* path, const char** name, uint8_t make)
{
    if (s_depth == 0 || s_folders == NULL || s_names == NULL || s_offsets == NULL) return NULL;
    const char* slash = strrchr(path, '\\');
    if (slash == NULL || slash == path || slash[-1] == '\\' || !IsPlainName(slash + 1)) return NULL;
    const size_t folderLength = (size_t)(slash - path);
    if (folderLength >= (size_t)kPathSize) return NULL;
    char folder[kPathSize];
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    // The folder text goes to the platform as it is, as the direct look-up's would.
    if (!IsPlainPathText(folder)) return NULL;
    *name = slash + 1;
    return Folder(folder, make);
}

}  // namespace

void BeginFolderListings()
{
    if (s_depth++ > 0) return;
    s_folderCount = 0;
    s_nameUsed = s_entryUsed = 0;
    s_folders = (ListedFolder*)malloc(sizeof(ListedFolder) * kListedFolders);
    s_names = (char*)malloc((size_t)kNameBytes);
    s_offsets = (int32_t*)malloc(sizeof(int32_t) * (size_t)kEntries);
}

void EndFolderListings()
{
    if (s_depth == 0 || --s_depth > 0) return;
    free(s_folders);
    free(s_names);
    free(s_offsets);
    s_folders = NULL;
    s_names = NULL;
    s_offsets = NULL;
    s_folderCount = 0;
}

uint8_t ListedLookup(const char* path, unsigned long* attributes)
{
    const char* name = NULL;
    ListedFolder* entry = FolderOf(path, &name, 0);
    if (entry == NULL || entry->state != kListed) return 0;
    int32_t low = entry->first, high = entry->first + entry->count - 1;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const int order = strcmp(EntryName(s_offsets[middle]), name);
        if (order == 0) {
            DWORD found = 0;
            memcpy(&found, s_names + s_offsets[middle], sizeof found);
            *attributes = found;
            return 1;
        }
        if (order < 0) low = middle + 1; else high = middle - 1;
    }
    return 0;
}

void NoteFoundDirectly(const char* path)
{
    const char* name = NULL;
    ListedFolder* entry = FolderOf(path, &name, 1);
    if (entry != NULL && entry->state == kCounting && ++entry->found >= kListAfter) ListFolder(entry);
}
