// Lines of manifest.txt: tab-separated fields, in which control characters and '%' are written
// as %XX, numbers and times in hexadecimal.
//   item  <number>  <text>
//   D|F   <attributes>  <created>  <accessed>  <written>  <size>  <original path>  <copy path>
//   S     <name>  <display name>  <type>  <start>  <error control>  <image path>  <group>
//         <dependencies (NUL-separated)>  <start name>
// Copy paths are relative to the backup folder.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"

const int kManifestFields = 10;   // most fields a line has, the tag included

// One field: a tab first unless it is the line's first.
void PutField(OutputFile* out, const char* data, DWORD length, uint8_t first = 0);
void PutTextField(OutputFile* out, const char* text);
void PutNumberField(OutputFile* out, DWORD value);
void PutTimeField(OutputFile* out, const FILETIME& time);
void PutSizeField(OutputFile* out, ULONGLONG size);
void EndLine(OutputFile* out);

// A manifest line split into its fields; each field is decoded in place and terminated. The
// decoded length (fields may hold NULs) is in lengths. Returns the number of fields.
int SplitManifestLine(char* line, char* fields[kManifestFields], DWORD lengths[kManifestFields]);
DWORD FieldNumber(const char* field);
FILETIME FieldTime(const char* field);
ULONGLONG FieldSize(const char* field);
