// The rewrite of a blank-separated DLL-list value with one DLL taken out.
#pragma once
#include <windows.h>
#include <stdint.h>

// The limits of the fixed buffers are part of the behaviour.
const DWORD kListValueSize = 512;   // list value read for rewriting
const int kListEntrySize = 260;     // one entry of the list value (259 characters)

// The DLL entry that RemoveDllFromListValue takes out of a list value.
extern const char kListedDllName[];

// Takes every "nvdesk32.dll" entry (and the blanks after it) out of the blank-separated list
// value. 1 when at least one entry was removed and the value was written back with its own type;
// a value without the entry is left as it is.
uint8_t RemoveDllFromListValue(HKEY hive, const char* keyPath, const char* valueName);
