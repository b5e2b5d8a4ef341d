// Removal of files, folders and services named by file rules.
#pragma once
#include <windows.h>
#include <stdint.h>

// Deletes the file or the folder with everything in it, permanently (no Recycle Bin), through
// the shell without any window. 1 when the shell operation returned 0. An empty path, or one too
// long for the 264-byte list, is refused.
uint8_t DeleteFileOrFolder(const char* path);

// Asks the service to stop (no wait) and deletes it. 1 when DeleteService succeeded; 0 at once
// for a service that does not exist.
uint8_t StopAndDeleteService(const char* name);
