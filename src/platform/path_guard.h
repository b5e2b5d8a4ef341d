// The one check every path passes before the clean-up records or deletes it: the path is made
// canonical, then refused when it is, or lies above, a protected folder.
#pragma once
#include <stdint.h>

// Canonical form of an absolute path: forward slashes turned into backslashes, a "\\?\" prefix
// removed ("\\?\UNC\" gives "\\"), then the platform's full-path resolution of ".", ".." and
// doubled separators; no trailing backslash except on a drive root. 0 (out untouched) for an
// absent, empty, relative, drive-relative, device or wildcard path, or one that does not fit.
uint8_t CanonicalPath(const char* path, char* out, int size);

// 1 when path may be deleted: it has a canonical form that is neither a drive or share root nor,
// as it stands, in its long form or with every link on the way resolved, one of the protected
// folders or a folder above one (case ignored). canonical (size bytes, when not NULL) receives
// the canonical form, with 8.3 short names in their long form.
uint8_t PathGuardAllows(const char* path, char* canonical, int size);

// PathGuardAllows as the search asks it: the same verdict and canonical form, but while the
// search's memo is open each folder's long and resolved forms are asked of the platform once.
// Deletion never uses it: the files may have changed since the search.
uint8_t SearchGuardAllows(const char* path, char* canonical, int size);
// 1 when the last SearchGuardAllows, following the file itself, opened exactly this path as the
// found list's access probe would (for writing, shared with no one) and the open succeeded; the
// note is used up. 0 tells nothing: the caller probes.
uint8_t SearchGuardOpenedWritable(const char* path);

// The memo of one search: opened before its first file, closed (and released) after its last.
// Nested opens share the outer one.
void BeginGuardMemo();
void EndGuardMemo();

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
