// The predefined registry roots and their names.
#include "platform/hive_names.h"
#include <string.h>
#include "platform/ascii_case.h"

const HiveNameRow kHiveNames[] = {
    // root,                name,                   shortName, ruleHive
    {HKEY_LOCAL_MACHINE,    "HKEY_LOCAL_MACHINE",   "HKLM",    1},
    {HKEY_CURRENT_USER,     "HKEY_CURRENT_USER",    "HKCU",    1},
    {HKEY_CLASSES_ROOT,     "HKEY_CLASSES_ROOT",    "HKCR",    1},
    {HKEY_USERS,            "HKEY_USERS",           "HKU",     1},
    {HKEY_CURRENT_CONFIG,   "HKEY_CURRENT_CONFIG",  "HKCC",    0},  // only read back from .reg files
    {NULL,                  NULL,                   NULL,      0},  // end row
};

const char* HiveName(HKEY hive)
{
    for (int i = 0; kHiveNames[i].name != NULL; i++) {
        if (kHiveNames[i].ruleHive && kHiveNames[i].root == hive) return kHiveNames[i].name;
    }
    return "";
}

HKEY HiveFromName(const char* name, DWORD length)
{
    char text[32];
    if (length >= sizeof text) return NULL;
    memcpy(text, name, length);
    text[length] = '\0';
    for (int i = 0; kHiveNames[i].name != NULL; i++) {
        if (AsciiEqualNoCase(text, kHiveNames[i].name)) return kHiveNames[i].root;
    }
    return NULL;
}

HKEY HiveFromShortName(const char* shortName)
{
    for (int i = 0; kHiveNames[i].name != NULL; i++) {
        if (kHiveNames[i].ruleHive && strcmp(shortName, kHiveNames[i].shortName) == 0) return kHiveNames[i].root;
    }
    return NULL;
}
