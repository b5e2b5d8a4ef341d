// The folders no clean-up may delete, nor any folder above them: where each one comes from.
#pragma once
#include <stdint.h>

// Where a protected folder's path comes from.
enum ProtectedSource : int32_t {
    kProtectedEnd = 0,          // sentinel row
    kProtectedWindows = 1,      // GetWindowsDirectoryA, then subPath
    kProtectedSystem = 2,       // GetSystemDirectoryA, then subPath
    kProtectedSystemWow64 = 3,  // GetSystemWow64DirectoryA (64-bit Windows only), then subPath
    kProtectedShell = 4,        // special folder csidl, then subPath
    kProtectedShellParent = 5,  // the folder that holds special folder csidl
    kProtectedEnvironment = 6,  // environment variable name, then subPath
    kProtectedProfileList = 7,  // value name of the ProfileList key (a folder), then subPath
};

struct ProtectedFolder {
    int32_t source;       // ProtectedSource
    int32_t csidl;        // kProtectedShell, kProtectedShellParent
    const char* name;     // kProtectedEnvironment, kProtectedProfileList; else absent
    const char* subPath;  // appended with a backslash; absent or "" for none
};

// Rows ended by a row whose source is kProtectedEnd.
extern const ProtectedFolder kProtectedFolders[];

// Folders of every user profile on the machine (relative to the profile folder), protected in
// each profile that the ProfileList key names; ended by an absent entry.
extern const char* const kProfileSubfolders[];
