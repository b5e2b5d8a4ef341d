// The predefined registry roots and their names: one table for every place that writes or reads
// a hive's name (item texts, the backup's .reg files, the sample machine's descriptions).
#pragma once
#include <windows.h>
#include <stdint.h>

struct HiveNameRow {
    HKEY root;
    const char* name;        // as .reg files write it; absent only in the end row
    const char* shortName;   // as the sample machine's descriptions write it
    uint8_t ruleHive;        // 1: a hive the rules, and so the found items, point into
};

// One row per root, then an end row whose name is absent.
extern const HiveNameRow kHiveNames[];

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", or "".
const char* HiveName(HKEY hive);

// The root whose name is the first length bytes of name (ASCII letters folded), NULL when none.
HKEY HiveFromName(const char* name, DWORD length);

// The rule hive whose short name ("HKLM", "HKCU", "HKCR", "HKU") is shortName exactly, else NULL.
HKEY HiveFromShortName(const char* shortName);
