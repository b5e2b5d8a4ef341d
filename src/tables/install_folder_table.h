// The install-folder table: where the maker's applications note their install folders.
#pragma once
#include <stdint.h>

struct InstallFolderRule {
    int32_t product;      // product family index
    char key[256];        // below "SOFTWARE\Morvane" in HKEY_LOCAL_MACHINE; empty ends the table
    char valueName[256];  // value holding the folder; empty: the key's default value
    char folder[260];     // folder name below Program Files\Morvane\ .
    char subPath[64];     // appended to the found folder; empty for none
};

extern const InstallFolderRule kInstallFolders[];

int CountInstallFolders();
