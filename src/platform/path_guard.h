// The one check every path passes before the clean-up records or deletes it: the path is made
// canonical, then refused when it is, or lies above, a protected folder.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Canonical form of an absolute path: forward slashes turned into backslashes, a "\\?\" prefix
// removed ("\\?\UNC\" gives "\\"), then the platform's full-path resolution of ".", ".." and
// doubled separators; no trailing backslash except on a drive root. 0 (out untouched) for an
// absent, empty, relative, drive-relative, device or wildcard path, or one that does not fit.
uint8_t CanonicalPath(const char* path, char* out, int size);

// 1 when path may be deleted: it has a canonical form on a drive (never a share) that is not the
// drive's root nor,
// as it stands, in its long form or with every link on the way resolved, one of the protected
// folders or a folder above one (case ignored). canonical (size bytes, when not NULL) receives
// the canonical form, with 8.3 short names in their long form.
uint8_t PathGuardAllows(const char* path, char* canonical, int size);

// The costly questions of the guard's check, answered by a caller that already knows the answers
// (the search's memo), each exactly as the platform would give it. context is handed back.
struct GuardAnswers {
    void* context;
    // The long form of folder\name as LongForm gives it: 1 when answered (*found the result),
    // 0 when the caller cannot tell for certain and the guard walks the path itself.
    uint8_t (*longForm)(void* context, const char* folder, const char* name, char* out, int size, uint8_t* found);
    // FinalPath (folder).
    uint8_t (*folderFinal)(void* context, const char* folder, char* out, int size);
    // FinalPath (path) of the path itself; longForm, when not NULL, is its long form.
    uint8_t (*fileFinal)(void* context, const char* path, const char* longForm, char* out, int size);
};

// PathGuardAllows with the costly questions put to answers (NULL: to the platform).
uint8_t PathGuardCheck(const char* path, char* canonical, int size, const GuardAnswers* answers);

// The long form (GetLongPathNameA) of the nearest path that has one, from full itself up to the
// folder below its root, into longHead (size bytes), and where that path ends in full (*cut):
// the guard's long form of full is longHead followed by full + *cut. 0 when none has one.
uint8_t LongHead(const char* full, char* longHead, int size, size_t* cut);

// The long head and rest joined and made canonical; 0 when it does not fit or is not canonical
// (out may then hold the joined text).
uint8_t JoinLongForm(const char* longHead, const char* rest, char* out, int size);

// 1 when path is, or lies above, a protected folder (path already canonical).
uint8_t CoversProtectedFolder(const char* canonical);

// Splits a canonical path into its folder (a drive root keeps its backslash) and its last name
// (pointing into canonical); 0 for a root or a folder that does not fit.
uint8_t SplitFolder(const char* canonical, char* folder, int size, const char** name);

// The path with every link resolved ("\\?\" removed), as the platform reports it for an open
// handle; 0 where the platform has no such query or the path cannot be opened.
uint8_t FinalPath(const char* path, char* out, int size);
// The same for a handle already open (a HANDLE).
uint8_t HandleFinalPath(void* handle, char* out, int size);

// The path the platform must report for an open handle on canonical when nothing on the way was
// swapped: its folder resolved (FinalPath), then its own name. "" (and 1) where the platform
// reports no resolved paths; 0 when it does not fit.
uint8_t ExpectedFinalPath(const char* canonical, char* out, int size);
