// manifest.txt of a backup: its line tags, field positions, field encoding and loading. Lines
// are tab-separated fields, in which control characters and '%' are written as %XX, numbers and
// times in hexadecimal.
//   item  <number>  <text>  <why>  <why kind>  <why row>
//   D|F   <attributes>  <created>  <accessed>  <written>  <size>  <original path>  <copy path>
//         and on F lines <the SHA-256 of the copy> (absent in backups made before it was kept)
//   S     <name>  <display name>  <type>  <start>  <error control>  <image path>  <group>
//         <dependencies (NUL-separated)>  <start name>
//   P     <form>  <published INF name>  <store folder>  <the INF's name in it>
// A P line follows the F line of a driver package's published INF: form "store" when the
// package's folder in the driver store was copied too (its D and F lines follow), "files" when
// the package had none to copy.
// Copy paths are relative to the backup folder. The why is the found list's (FormatItemWhy), with
// the table (kWhy...) and row behind it, which the restore checks every line of the item against;
// a backup made before it was written has the first two fields alone.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"

const char kItemTag[] = "item";   // an item's first line
const char kFolderTag[] = "D";
const char kFileTag[] = "F";
const char kServiceTag[] = "S";
const char kPackageTag[] = "P";
const char kPackageStoreForm[] = "store";
const char kPackageFilesForm[] = "files";

// Field positions of D and F lines, and of S lines; the tag is field 0.
enum EntryField { kEntryAttributes = 1, kEntryCreated, kEntryAccessed, kEntryWritten, kEntrySize, kEntryOriginal,
                  kEntryCopy, kEntryFields };
enum ServiceField { kServiceName = 1, kServiceDisplayName, kServiceType, kServiceStart, kServiceErrorControl,
                    kServiceImage, kServiceGroup, kServiceDependencies, kServiceStartName, kServiceFields };
enum ItemField { kItemNumber = 1, kItemText, kItemWhy, kItemWhyKind, kItemWhyRow, kItemFields };
enum PackageField { kPackageForm = 1, kPackagePublished, kPackageStoreFolder, kPackageStoreInf, kPackageFields };
const int kEntryHash = kEntryFields;            // the F line's hash field
const int kFileEntryFields = kEntryFields + 1;
const int kManifestFields = kServiceFields;   // most fields a line has, the tag included

// A line starts with its tag; every other field comes with a tab first.
void BeginLine(OutputFile* out, const char* tag);
void PutField(OutputFile* out, const char* data, DWORD length);
void PutTextField(OutputFile* out, const char* text);
void PutNumberField(OutputFile* out, DWORD value);
void PutTimeField(OutputFile* out, const FILETIME& time);
void PutSizeField(OutputFile* out, ULONGLONG size);
void EndLine(OutputFile* out);

// A loaded line: each field decoded in place and terminated, its decoded length (fields may hold
// NULs) in lengths.
struct ManifestLine {
    int count;
    char* fields[kManifestFields];
    DWORD lengths[kManifestFields];
};
struct Manifest {
    char* text;
    ManifestLine* lines;   // the lines that are not empty, in file order
    int count;
};
// The largest manifest loaded, and the most lines: anything larger is refused.
const DWORD kManifestMaxSize = 64 * 1024 * 1024;
const int kManifestMaxLines = 1000000;
// 1 when read; 0 for a file that cannot be read, holds a NUL byte or is larger than the bounds.
// FreeManifest releases it in every case.
uint8_t LoadManifest(const char* path, Manifest* manifest);
void FreeManifest(Manifest* manifest);
// 1 when the line has the tag and at least fields fields (the tag counted).
uint8_t ManifestLineIs(const ManifestLine& line, const char* tag, int fields = 1);

DWORD FieldNumber(const char* field);
FILETIME FieldTime(const char* field);
ULONGLONG FieldSize(const char* field);
