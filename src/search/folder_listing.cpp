// One search's folder listings. A search looks hundreds of files up one by one, most of them in
// a handful of folders (the system folder, INF, HELP), and each look-up costs the platform an
// open, a directory query and a close. Once several names have been found in a folder, it is
// listed once and later look-ups of names found there exactly as written are answered from the
// list. (Only then: on a machine the maker's software has left clean, look-ups mostly find
// nothing, and a folder is not listed for them.) A name the list lacks is answered as missing
// only where that is certain: the folder was listed whole (every entry's long and short name in
// printable ASCII, where the platform's letter case folding is ASCII's), and the name, a plain
// one that is no pattern, stream or device, answers to no entry's long or short name with ASCII
// letters folded, which is how the platform matches it. Anything else (another letter case of a
// listed name, a short name, a trailing dot, a name outside printable ASCII) goes to the
// platform as before. The search only reads; the list lives for one search session.
#include "search/folder_listing.h"
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "platform/ascii_case.h"
#include "platform/path_ops.h"
#include "search/guard_memo.h"

namespace {

const int kListedFolders = 64;
const int kListAfter = 4;                  // names found directly in a folder before it is listed
const int32_t kNameBytes = 1 << 20;        // attributes and names of every listed entry
const int32_t kEntries = 1 << 16;          // offsets of those entries, sorted per folder
const int32_t kFoldedNames = 2 * kEntries;  // their long and short names, sorted per folder folded

enum ListState { kCounting, kListed, kUnlisted };

struct ListedFolder {
    char folder[kPathSize];   // the text before the path's last backslash, compared byte for byte
    int32_t found;            // names found there by direct look-ups while not listed
    int32_t first;            // its entries: offsets[first .. first + count), sorted by name
    int32_t count;
    int32_t foldedFirst;      // their names: folded[foldedFirst .. + foldedCount), sorted folded
    int32_t foldedCount;
    uint8_t state;
    uint8_t whole;            // every entry is listed: a name none answers to is missing
};

}  // namespace

struct FolderListings {
    int folderCount;
    int32_t nameUsed;
    int32_t entryUsed;
    int32_t foldedUsed;
    ListedFolder folders[kListedFolders];
    int32_t offsets[kEntries];
    int32_t folded[kFoldedNames];   // where each long or short name starts in names
    char names[kNameBytes];   // per entry: its attributes (4 bytes), its name and a NUL, its short
                              // name and a NUL (empty when it has none)
};

namespace {

uint8_t IsPlainName(const char* name)
{
    if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return 0;
    if (!IsPlainPathText(name) || strpbrk(name, "\\/") != NULL) return 0;
    // The platform drops trailing dots and blanks from a name it is asked for.
    const char last = name[strlen(name) - 1];
    return last != '.' && last != ' ' ? 1 : 0;
}

// 1 when a name asks the folder for its entries alone: no wildcard the platform's own matching
// would take (DOS's < > "), no stream (:) or pipe, and no device name, which the platform
// resolves to the device in any folder (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
// extension, CONIN$, CONOUT$, CLOCK$; a few more names are taken for devices than the platform
// takes, which only sends them to the platform).
uint8_t NameAsksTheFolder(const char* name)
{
    if (!IsPlainName(name) || strpbrk(name, "<>\":|") != NULL) return 0;
    size_t base = strcspn(name, ".");
    while (base > 0 && name[base - 1] == ' ') base--;
    char folded[8];
    if (base >= sizeof folded) return 1;
    for (size_t i = 0; i < base; i++) folded[i] = AsciiLower(name[i]);
    folded[base] = '\0';
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$", NULL};
    for (int i = 0; kDevices[i] != NULL; i++) {
        if (strcmp(folded, kDevices[i]) == 0) return 0;
    }
    const uint8_t numbered = strncmp(folded, "com", 3) == 0 || strncmp(folded, "lpt", 3) == 0;
    return numbered && base == 4 && folded[3] >= '0' && folded[3] <= '9' ? 0 : 1;
}

const char* EntryName(const FolderListings* lists, int32_t offset)
{
    return lists->names + offset + sizeof(DWORD);
}

// Orders texts with ASCII letters folded, as the platform matches printable ASCII names.
int CompareFolded(const char* a, const char* b)
{
    for (;; a++, b++) {
        const unsigned char x = (unsigned char)AsciiLower(*a), y = (unsigned char)AsciiLower(*b);
        if (x != y || x == '\0') return (int)x - (int)y;
    }
}

// The listings whose entries qsort is ordering (qsort hands the comparison no context).
const FolderListings* s_sorting = NULL;

int CompareEntries(const void* a, const void* b)
{
    return strcmp(EntryName(s_sorting, *(const int32_t*)a), EntryName(s_sorting, *(const int32_t*)b));
}

int CompareFoldedNames(const void* a, const void* b)
{
    return CompareFolded(s_sorting->names + *(const int32_t*)a, s_sorting->names + *(const int32_t*)b);
}

// Adds one entry with its short name ("" for none); 0 when the blocks are full.
uint8_t AddEntry(FolderListings* lists, DWORD attributes, const char* name, const char* shortName)
{
    const int32_t length = (int32_t)strlen(name);
    const int32_t shortLength = (int32_t)strlen(shortName);
    const int32_t bytes = (int32_t)sizeof(DWORD) + length + 1 + shortLength + 1;
    if (lists->entryUsed >= kEntries || lists->foldedUsed + 2 > kFoldedNames || lists->nameUsed + bytes > kNameBytes)
        return 0;
    char* at = lists->names + lists->nameUsed;
    memcpy(at, &attributes, sizeof attributes);
    memcpy(at + sizeof attributes, name, (size_t)length + 1);
    memcpy(at + sizeof attributes + length + 1, shortName, (size_t)shortLength + 1);
    lists->offsets[lists->entryUsed++] = lists->nameUsed;
    lists->folded[lists->foldedUsed++] = lists->nameUsed + (int32_t)sizeof(DWORD);
    if (shortLength > 0) lists->folded[lists->foldedUsed++] = lists->nameUsed + (int32_t)sizeof(DWORD) + length + 1;
    lists->nameUsed += bytes;
    return 1;
}

// A wide name as printable ASCII into out (size bytes); 0 when it is not wholly that.
uint8_t AsciiName(const WCHAR* wide, char* out, int size)
{
    int i = 0;
    for (; wide[i] != 0 && i < size - 1; i++) {
        if (wide[i] < 0x20 || wide[i] > 0x7E) return 0;
        out[i] = (char)wide[i];
    }
    out[i] = '\0';
    return wide[i] == 0 ? 1 : 0;
}

// Lists the folder. The wide listing tells names apart that the ANSI one would show alike (a
// character outside the code page is shown as its nearest ASCII letter); only names wholly in
// printable ASCII are kept, which read the same in every code page. A folder with any other
// entry is not listed whole.
void ListFolder(FolderListings* lists, ListedFolder* entry)
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
    const int32_t nameStart = lists->nameUsed;
    const int32_t entryStart = lists->entryUsed;
    const int32_t foldedStart = lists->foldedUsed;
    uint8_t complete = 1;
    uint8_t whole = 1;
    do {
        char name[kPathSize];
        char shortName[sizeof data.cAlternateFileName];
        if (!AsciiName(data.cFileName, name, sizeof name) || !AsciiName(data.cAlternateFileName, shortName, sizeof shortName)) {
            whole = 0;
        } else if (IsPlainName(name)) {
            if (!AddEntry(lists, data.dwFileAttributes, name, shortName)) complete = 0;
        } else if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0) {
            whole = 0;
        }
    } while (complete && FindNextFileW(find, &data));
    const uint8_t ended = GetLastError() == ERROR_NO_MORE_FILES ? 1 : 0;
    FindClose(find);
    if (!complete || !ended) {
        lists->nameUsed = nameStart;
        lists->entryUsed = entryStart;
        lists->foldedUsed = foldedStart;
        return;
    }
    entry->first = entryStart;
    entry->count = lists->entryUsed - entryStart;
    entry->foldedFirst = foldedStart;
    entry->foldedCount = lists->foldedUsed - foldedStart;
    entry->whole = whole;
    s_sorting = lists;
    qsort(lists->offsets + entryStart, (size_t)entry->count, sizeof(int32_t), CompareEntries);
    qsort(lists->folded + foldedStart, (size_t)entry->foldedCount, sizeof(int32_t), CompareFoldedNames);
    s_sorting = NULL;
    entry->state = kListed;
}

// The folder's entry; a new one only when make is 1 (a name was found there), so folders in which
// nothing is found take no place in the table.
ListedFolder* Folder(FolderListings* lists, const char* folder, uint8_t make)
{
    for (int i = 0; i < lists->folderCount; i++) {
        if (strcmp(lists->folders[i].folder, folder) == 0) return &lists->folders[i];
    }
    if (!make || lists->folderCount >= kListedFolders) return NULL;
    ListedFolder* entry = &lists->folders[lists->folderCount++];
    lstrcpynA(entry->folder, folder, kPathSize);
    entry->found = 0;
    entry->first = entry->count = 0;
    entry->foldedFirst = entry->foldedCount = 0;
    entry->state = kCounting;
    entry->whole = 0;
    return entry;
}

// The entry of the folder path lies in (made when make is 1), and the path's last part; NULL
// without listings, when there is no entry, or when a listing could not answer for this text.
ListedFolder* FolderOf(FolderListings* lists, const char* path, const char** name, uint8_t make)
{
    if (lists == NULL) return NULL;
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
    return Folder(lists, folder, make);
}

// Answers a find-first-file look-up of path from the listing of its folder: 1 when the folder is
// listed and holds an entry named exactly as the path's last part (*attributes its attributes);
// 0 when the listing cannot tell, and the caller asks the platform.
uint8_t ListedLookup(FolderListings* lists, const char* path, DWORD* attributes)
{
    const char* name = NULL;
    ListedFolder* entry = FolderOf(lists, path, &name, 0);
    if (entry == NULL || entry->state != kListed) return 0;
    int32_t low = entry->first, high = entry->first + entry->count - 1;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const int order = strcmp(EntryName(lists, lists->offsets[middle]), name);
        if (order == 0) {
            DWORD found = 0;
            memcpy(&found, lists->names + lists->offsets[middle], sizeof found);
            *attributes = found;
            return 1;
        }
        if (order < 0) low = middle + 1; else high = middle - 1;
    }
    return 0;
}

// 1 when the listing of path's folder says for certain that nothing answers to its last part.
uint8_t ListedMissing(FolderListings* lists, const char* path)
{
    const char* name = NULL;
    ListedFolder* entry = FolderOf(lists, path, &name, 0);
    if (entry == NULL || entry->state != kListed || !entry->whole || !NameAsksTheFolder(name)) return 0;
    int32_t low = entry->foldedFirst, high = entry->foldedFirst + entry->foldedCount - 1;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const int order = CompareFolded(lists->names + lists->folded[middle], name);
        if (order == 0) return 0;
        if (order < 0) low = middle + 1; else high = middle - 1;
    }
    return 1;
}

// Notes that the platform found path when asked directly; a folder in which enough names have
// been found in this search is listed.
void NoteFoundDirectly(FolderListings* lists, const char* path)
{
    const char* name = NULL;
    ListedFolder* entry = FolderOf(lists, path, &name, 1);
    if (entry != NULL && entry->state == kCounting && ++entry->found >= kListAfter) ListFolder(lists, entry);
}

// 1 when the platform says that nothing is at path: asked by its attributes, which a missing name
// costs less than a find-first-file search (both look the name up without regard to case, and by
// its short name). Only for a name that is no pattern (no wildcard, no device or stream
// character), which both resolve alike; any other failure (a file in use, a denied folder) tells
// nothing, and the search is made.
uint8_t SurelyMissing(const char* path)
{
    if (!IsPlainPathText(path) || !NameAsksTheFolder(FileNamePart(path))) return 0;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 1 : 0;
}

uint8_t FindFirst(SearchSession* session, const char* path, DWORD* attributes)
{
    // Without listings (no session, or the reference) every look-up asks the platform.
    FolderListings* lists = session != NULL ? session->listings : NULL;
    // A name found exactly as written in its folder's listing.
    if (ListedLookup(lists, path, attributes)) {
        GuardMemoNoteFound(session, path, FileNamePart(path), *attributes);
        return 1;
    }
    // Most names a search looks up are missing.
    if (ListedMissing(lists, path)) return 0;
    if (lists != NULL && SurelyMissing(path)) return 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    *attributes = data.dwFileAttributes;
    FindClose(find);
    NoteFoundDirectly(lists, path);
    // The path guard asks the same of the files the search records.
    GuardMemoNoteFound(session, path, data.cFileName, data.dwFileAttributes);
    return 1;
}

}  // namespace

uint8_t SessionFileExists(SearchSession* session, const char* path)
{
    DWORD attributes = 0;
    return FindFirst(session, path, &attributes);
}

uint8_t SessionDirectoryExists(SearchSession* session, const char* path)
{
    DWORD attributes = 0;
    if (!FindFirst(session, path, &attributes)) return 0;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

void BeginFolderListings(SearchSession* session)
{
    FolderListings* lists = (FolderListings*)malloc(sizeof(FolderListings));
    if (lists == NULL) return;
    lists->folderCount = lists->nameUsed = lists->entryUsed = lists->foldedUsed = 0;
    session->listings = lists;
}

void EndFolderListings(SearchSession* session)
{
    free(session->listings);
    session->listings = NULL;
}
