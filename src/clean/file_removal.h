// Removal of files and folders named by file rules (their services: services.h).
#pragma once
#include <windows.h>
#include <stdint.h>

// Deletes the file or the folder with everything in it, permanently (no Recycle Bin), through
// the shell without any window. 1 when the shell operation returned 0. An empty path, one too
// long for the 264-byte list, or one the path guard refuses, is refused. Links inside the folder
// (or the path itself, when it is a link) are removed as links first, never followed; when one
// cannot be removed as a link, nothing is deleted. A read-only attribute (on the item or anything
// inside the folder) is cleared right before the shell operation and put back on what it then
// failed to delete.
uint8_t DeleteFileOrFolder(const char* path);
