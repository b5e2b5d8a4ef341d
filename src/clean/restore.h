// Puts the backup of a clean-up back: services created again, registry data written back with
// its types and bytes, files and folders copied back with their attributes and times, never over
// an existing file that differs. Writes restore-log.txt in the backup folder; shows nothing.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"
#include "platform/path_ops.h"

struct Manifest;
struct ManifestLine;

// name: a folder name under the backup root, NULL or empty for the newest backup. 1 when
// everything came back.
uint8_t RestoreBackup(const char* name);

// The /R run: its exit code, 0 when everything came back, 1 otherwise.
int RunRestore(const char* name);

// The registry and file parts of a restore (the service part is in services.h). Each writes its
// lines to log and returns 1 when all of its part came back.
uint8_t RestoreRegistry(const char* path, OutputFile* log);
uint8_t RestoreFiles(const Manifest& manifest, const char* folder, OutputFile* log);

// "<what>\t<text>\t<outcome>" with control characters shown as blanks.
void LogRestoreLine(OutputFile* log, const char* what, const char* text, const char* outcome);
// LogRestoreLine, then returns result: for a part whose line ends it.
uint8_t LogRestoreResult(OutputFile* log, const char* what, const char* text, const char* outcome, uint8_t result);

// ---- restore_checks.cpp: only what a clean-up could have taken comes back ----
// The why a file item's manifest line carries and the places its row could have found it in
// (FileRowPlaces). known 0: a backup made before items carried their why.
const int32_t kItemRowPlaces = 8;
struct ItemRow {
    uint8_t known;
    uint8_t whyKind;
    int32_t whyRow;
    int32_t placeCount;
    char places[kItemRowPlaces][kPathSize];
};
void ReadItemRow(const ManifestLine& item, ItemRow* row);
// NULL when the D or F line of an item with that row may be copied back from the backup folder
// (its copy inside files\ with no link on the way, its original allowed by the path guard and,
// with a known row, at or below one of the row's places); else the reason it is skipped.
const char* EntryRefusal(const ManifestLine& line, const ItemRow& row, const char* folder);
// NULL when the S line's service may be created again: with a known row a file rule names it,
// and its image lies in a system folder or in what the backup restores; else the reason.
const char* ServiceRefusal(const Manifest& manifest, const ManifestLine& service, const ItemRow& row, const char* folder);

// The registry rule a registry.reg item names in its comment, with what its keys may hold.
struct RegistryItemRow {
    uint8_t known;            // the comment names a rule
    int32_t whyRow;
    int32_t itemKind;         // the kind the item was recorded under (its removal)
    char handlerClass[256];   // the class a handler's value names, once read
    char entryName[256];      // a namespace entry's name: its first key's last step
};
enum RowVerdict : uint8_t { kRowRefuses = 0, kRowAllowsKey = 1, kRowAllowsEntryValue = 2 };
// Whether the key of a registry.reg section may be written for the item: the rule's key or below
// it in the rule's hive (a 32-bit key's native name folded), the class a handler or namespace
// entry takes along, or (kRowAllowsEntryValue) the Approved key for the entry's own value alone.
uint8_t RegistryRowAllows(const RegistryItemRow& row, HKEY hive, const char* path);
