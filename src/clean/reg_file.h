// REGEDIT4 text, as regedit exports and imports it: the writer the backup uses for registry.reg
// and the reader the restore uses. Text is in an ANSI code page (CP_ACP in the program); a
// double-byte character is copied whole, so a trail byte 0x5C is never taken for a backslash.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"
#include "platform/hive_names.h"

extern const char kRegFileHeader[];     // "REGEDIT4" and a blank line
const int kRegPathSize = 4096;          // a key's path with its hive name, in sections and walks

// Writes a blank line and "[<hive name>\<path>]". 0 (nothing written) when the path holds a
// character the format cannot carry (a control character or a broken double-byte character).
uint8_t WriteRegKeyLine(OutputFile* out, const char* hiveName, const char* path, UINT codePage);

// Writes one value line: "name" or @ for the default value (name NULL), then the data with its
// type: a quoted string for a terminated REG_SZ of printable text, dword: for a 4-byte REG_DWORD,
// hex: for REG_BINARY, hex(N): with the exact bytes for every other case (unterminated or empty
// strings included). 0 (nothing written) when the name cannot be carried.
uint8_t WriteRegValueLine(OutputFile* out, const char* name, DWORD type, const BYTE* data, DWORD size,
                          UINT codePage);

// Writes a comment line "; <marker><text>", control characters of the text shown as '?'.
void WriteRegComment(OutputFile* out, const char* marker, const char* text);

// The markers of a backup's comments: "; item <number>: <text>" after a blank line opens each
// item's block; "; locked: ..." stands before a key whose access control list was not saved;
// "; native names: ..." right after the header says that every key carries its native name
// (native_names.h), which a backup made on a machine with two halves does, and one made before
// there were two halves to tell apart does not.
const char kRegItemMarker[] = "item ";
// An item a registry rule found says so between its number and its text:
// "; item <number> (registry rule <row>, kind <rule kind>, item kind <kind>): <text>", the why
// FormatItemWhy writes and the kind the item was recorded under (its removal).
const char kRegItemKindMarker[] = "item kind";
const char kRegLockedMarker[] = "locked";
const char kRegNativeNamesMarker[] = "native names";
// 1 when a comment's text (as the reader hands it over) starts with the marker.
uint8_t RegCommentIs(const char* text, const char* marker);
// 1 when the line at p within text (terminated) is an item's comment.
uint8_t StartsRegItem(const char* text, const char* p);

// What the reader finds, in file order. Comment texts come without the "; ".
struct RegFileVisitor {
    void* context;
    void (*comment)(void* context, const char* text);
    void (*key)(void* context, HKEY hive, const char* path);
    // name NULL: the default value. The byte after the data is never NUL, so that RegSetValueExA
    // takes string data without a terminator as it is.
    void (*value)(void* context, const char* name, DWORD type, const BYTE* data, DWORD size);
    // A line the reader cannot take (or an unknown hive); it is skipped.
    void (*bad)(void* context, const char* line, DWORD length);
};

// Reads REGEDIT4 text (length bytes, no terminator needed). The header line, when present, is
// skipped; deletions ("[-key]", "=-") are not part of what a backup holds and count as bad lines.
// 0 when the work buffers cannot be had.
uint8_t ReadRegText(const char* text, DWORD length, UINT codePage, RegFileVisitor* visitor);
