// The path guard's memo of one search. Most files a search records lie in a few folders, and
// the long form and the resolved form of a folder are the costly part of each check, so within
// one search they are asked of the platform once per folder. The search only reads: the answers
// stay what the platform would give again. A check the memo cannot settle for certain is made
// in full, and a deletion never consults the memo.
#include "search/guard_memo.h"
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "platform/access_probe.h"
#include "platform/path_guard.h"
#include "search/folder_listing.h"

namespace {

const int kMemoFolders = 256;

struct MemoFolder {
    char folder[kPathSize];      // as split from a canonical path, compared byte for byte
    char longForm[kPathSize];    // GetLongPathNameA (folder), else that of the nearest folder
                                 // above that has one (LongHead); "" when none has one
    size_t longCut;              // where longForm's folder ends in folder: all of it when the
                                 // folder has a long form of its own
    char finalForm[kPathSize];   // FinalPath (folder) when finalFound
    uint8_t longFound;
    uint8_t finalFound;
    uint8_t plain;               // folder and long form printable ASCII without wildcards
};

}  // namespace

struct GuardMemo {
    int count;
    // The search's last look-up of a path that was found (a rule's file is looked up right before
    // it is recorded), and the name the platform found it under.
    char foundPath[kPathSize];
    char foundName[kPathSize];
    DWORD foundAttributes;
    MemoFolder folders[kMemoFolders];
};

namespace {

// One check of the guard through the memo.
struct MemoCall {
    SearchSession* session;
    GuardMemo* memo;
    char opened[kPathSize];   // the path MemoFileFinal opened for writing, shared with no one
};

// The folder's entry, made on its first use; NULL when the memo is full.
MemoFolder* Entry(GuardMemo* memo, const char* folder)
{
    for (int i = 0; i < memo->count; i++) {
        if (strcmp(memo->folders[i].folder, folder) == 0) return &memo->folders[i];
    }
    if (memo->count >= kMemoFolders || strlen(folder) >= (size_t)kPathSize) return NULL;
    MemoFolder* entry = &memo->folders[memo->count++];
    lstrcpynA(entry->folder, folder, kPathSize);
    const DWORD length = GetLongPathNameA(folder, entry->longForm, kPathSize);
    entry->longFound = (length > 0 && length < (DWORD)kPathSize) ? 1 : 0;
    entry->longCut = strlen(folder);
    if (!entry->longFound) entry->longFound = LongHead(folder, entry->longForm, kPathSize, &entry->longCut);
    if (!entry->longFound) entry->longForm[0] = '\0';
    entry->plain = IsPlainPathText(folder) && IsPlainPathText(entry->longForm) ? 1 : 0;
    entry->finalFound = FinalPath(folder, entry->finalForm, kPathSize);
    return entry;
}

// The long form of folder\name as the guard's own walk gives it (GetLongPathNameA, then the
// canonical form), from the folder's remembered long form and one look-up of name; 0 when the
// memo cannot tell for certain.
uint8_t MemoLongForm(void* context, const char* folder, const char* name, char* out, int size, uint8_t* found)
{
    MemoCall* call = (MemoCall*)context;
    MemoFolder* entry = Entry(call->memo, folder);
    if (entry == NULL || !entry->plain || !entry->longFound || !IsPlainPathText(name)) return 0;
    if (entry->longCut < strlen(folder)) {
        // The platform has no long form for the folder (a missing one; under Wine also Sysnative,
        // which its parent does not list), so none for anything inside it: it finds a long form
        // step by step. The walk ends at the same folder above, followed by the rest as written.
        char rest[kPathSize];
        if (!FormatFits(rest, sizeof rest, "%s\\%s", folder + entry->longCut, name)) return 0;
        *found = JoinLongForm(entry->longForm, rest, out, size);
        return 1;
    }
    // The platform's walk ends by looking the name up in the folder's long form.
    char lookup[kPathSize];
    const size_t length = strlen(entry->longForm);
    const char* separator = (length > 0 && entry->longForm[length - 1] == '\\') ? "" : "\\";
    if (!FormatFits(lookup, sizeof lookup, "%s%s%s", entry->longForm, separator, name)) return 0;
    // The same look-up made a moment ago by the search answers as it did then.
    if (strcmp(lookup, call->memo->foundPath) != 0 && !SessionFileExists(call->session, lookup)) return 0;
    // Only a name found as written: a short name, another letter case or a missing file is
    // left to the walk.
    if (strcmp(call->memo->foundName, name) != 0) return 0;
    *found = JoinLongForm(lookup, "", out, size);
    return 1;
}

// FinalPath (folder), asked of the platform once per folder.
uint8_t MemoFolderFinal(void* context, const char* folder, char* out, int size)
{
    MemoFolder* entry = Entry(((MemoCall*)context)->memo, folder);
    if (entry == NULL) return FinalPath(folder, out, size);
    if (!entry->finalFound || strlen(entry->finalForm) >= (size_t)size) return 0;
    lstrcpynA(out, entry->finalForm, size);
    return 1;
}

// FinalPath (path) of a file the search is about to record. When the path is a plain file (not
// read-only, a folder or a reparse point), it is opened as the found list's access probe opens
// it, for writing and shared with no one, and that handle is followed; the verdict then tells
// the probe that the open succeeded. Otherwise, or when that open fails, FinalPath of the same
// text. longForm, when not NULL, is the platform's long form of the same path
// (GetLongPathNameA): the file is opened by that text, which names the same file with every part
// spelt as on disk.
uint8_t MemoFileFinal(void* context, const char* path, const char* longForm, char* out, int size)
{
    MemoCall* call = (MemoCall*)context;
    if (strlen(path) >= (size_t)kPathSize) return FinalPath(path, out, size);
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
    const GuardMemo* memo = call->memo;
    const uint8_t noted = strcmp(path, memo->foundPath) == 0 || strcmp(openAs, memo->foundPath) == 0;
    const DWORD attributes = noted ? memo->foundAttributes : GetFileAttributesA(openAs);
    const DWORD other = kProbeAsksOtherwise | FILE_ATTRIBUTE_REPARSE_POINT;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & other) != 0) return FinalPath(openAs, out, size);
    HANDLE file = OpenAsProbe(openAs);
    if (file == INVALID_HANDLE_VALUE) return FinalPath(openAs, out, size);
    const uint8_t found = HandleFinalPath(file, out, size);
    CloseHandle(file);
    lstrcpynA(call->opened, path, kPathSize);
    return found;
}

}  // namespace

GuardVerdict SearchGuard(SearchSession* session, const char* path)
{
    GuardVerdict verdict;
    verdict.canonical[0] = '\0';
    verdict.openedWritable = 0;
    GuardMemo* memo = session != NULL ? session->memo : NULL;
    if (memo == NULL) {
        verdict.allowed = PathGuardAllows(path, verdict.canonical, sizeof verdict.canonical);
        return verdict;
    }
    MemoCall call = {session, memo, ""};
    const GuardAnswers answers = {&call, MemoLongForm, MemoFolderFinal, MemoFileFinal};
    verdict.allowed = PathGuardCheck(path, verdict.canonical, sizeof verdict.canonical, &answers);
    // The probe's open stands only for the very text the list records.
    verdict.openedWritable = verdict.allowed && call.opened[0] != '\0' && strcmp(call.opened, verdict.canonical) == 0;
    return verdict;
}

void BeginGuardMemo(SearchSession* session)
{
    // Empty: no folders, no look-up noted.
    session->memo = (GuardMemo*)calloc(1, sizeof(GuardMemo));
}

void EndGuardMemo(SearchSession* session)
{
    free(session->memo);
    session->memo = NULL;
}

void GuardMemoNoteFound(SearchSession* session, const char* path, const char* foundName, unsigned long attributes)
{
    GuardMemo* memo = session != NULL ? session->memo : NULL;
    if (memo == NULL || strlen(path) >= (size_t)kPathSize || strlen(foundName) >= (size_t)kPathSize) return;
    lstrcpynA(memo->foundPath, path, kPathSize);
    lstrcpynA(memo->foundName, foundName, kPathSize);
    memo->foundAttributes = attributes;
}
