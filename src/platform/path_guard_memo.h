// The path guard's memo of one search, between the guard and its memo (not for other callers).
#pragma once
#include <stdint.h>

// 1 while a search's memo is open.
uint8_t GuardMemoOpen();

// The long form of folder\name as the guard's own walk gives it (GetLongPathNameA, then the
// canonical form), from the folder's remembered long form and one look-up of name. 1 when
// answered (*found as the walk's result, out as it leaves it); 0 when the memo cannot tell for
// certain, out untouched, and the caller walks the path itself.
uint8_t GuardMemoLongForm(const char* folder, const char* name, char* out, int size, uint8_t* found);

// Notes that FindFirstFileA (path) found foundName (its cFileName) with these attributes, while
// the memo is open: the memo's own look-up of the same text takes that answer.
void GuardMemoNoteFound(const char* path, const char* foundName, unsigned long attributes);

// FinalPath (path) of a file the search is about to record. When the memo is open and the path
// is a plain file (not read-only, a folder or a reparse point), it is opened as the found list's
// access probe opens it, for writing and shared with no one, and that handle is followed; the
// probe then takes the open's success from SearchGuardOpenedWritable instead of opening again.
// Otherwise, or when that open fails, FinalPath of the same text. longForm, when not NULL, is the
// platform's long form of the same path (GetLongPathNameA): the file is opened by that text,
// which names the same file with every part spelt as on disk.
uint8_t GuardMemoFileFinal(const char* path, const char* longForm, char* out, int size);

// FinalPath (folder), asked of the platform once per folder while the memo is open.
uint8_t GuardMemoFolderFinal(const char* folder, char* out, int size);

// The long head and rest joined and made canonical; 0 when it does not fit or is not canonical
// (out may then hold the joined text).
uint8_t JoinLongForm(const char* longHead, const char* rest, char* out, int size);
