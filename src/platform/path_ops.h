// Path and text operations shared across the program. They work byte by byte: double-byte
// characters are not decoded, so a trailing byte 92 counts as a backslash.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include "platform/text_ops.h"

const int kPathSize = 260;

// Copies field n (from 1) of text, split at separator, into out (at most size - 1 characters,
// terminated). Returns the field's start within text, or NULL (out untouched) when the text
// holds fewer than n - 1 separators or n < 1.
const char* SplitField(const char* text, char separator, int n, char* out, int size);

// Appends a backslash when the path is empty or does not end in one; path holds size bytes.
void AppendBackslash(char* path, int size = kPathSize);
// Removes one trailing backslash, if any.
void StripBackslash(char* path);
// The last "." (never the first character), or the end of the path.
const char* ExtensionPointer(const char* path);
// The text after the last backslash; the whole path without one; "" for an absent path.
const char* FileNamePart(const char* path);
// Removes leading and trailing blanks (character 32 only) in place.
void TrimSpaces(char* text);

// 1 for printable ASCII without wildcards: a text that reads the same in every code page (so
// a folder's long form joined with a name is the text the platform's own walk builds).
uint8_t IsPlainPathText(const char* text);

// Creates the folders on the way to path (not path itself) whose names end at a backslash at or
// past from (what comes before from exists already); a share's server is never tried. path is
// cut at each backslash while its folder is created, and given back unchanged.
void CreateParentFolders(char* path, size_t from);

// 1 when both files can be read and hold the same bytes (the first may be open for writing
// elsewhere).
uint8_t SameFileContent(const char* a, const char* b);

// 1 when a find-first-file search on the path finds a file or a folder.
uint8_t FileExists(const char* path);
// 1 when that first match is a folder.
uint8_t DirectoryExists(const char* path);
// The special folder's path (out: 260 bytes) for a CSIDL; 1 only when the shell gives one.
uint8_t SpecialFolderPath(int csidl, char* out);
