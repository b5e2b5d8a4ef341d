// Removal of files and folders named by file rules (their services: services.h).
#pragma once
#include <windows.h>
#include <stdint.h>

// Deletes the file or the folder with everything in it, permanently (no Recycle Bin): on the NT
// family through handles opened as the entries themselves (clean/tree_walk.h), so that a link
// put in place during the deletion is never followed; on Windows 9x through the shell without
// any window. 1 when everything went. An empty path, one too
// long for the 264-byte list, or one the path guard refuses, is refused. Links inside the folder
// (or the path itself, when it is a link) are removed as links first, never followed; when one
// cannot be removed as a link, nothing is deleted. A read-only attribute (on the item or anything
// inside the folder) is cleared right before the deletion and put back on what it then failed
// to delete. On 0 the thread's last error says why (for a folder: why the first entry
// still there would not go).
uint8_t DeleteFileOrFolder(const char* path);

// 1 for an error that means another program has the file in use (a sharing or lock violation,
// or access denied as to an image being executed): a restart lets go of it.
uint8_t IsInUseError(DWORD error);

// Schedules the file, or the folder after everything still inside it, for removal at the next
// restart (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: the NT family, administrators only).
// The path guard is asked again; a link inside the folder is never scheduled (0).
uint8_t ScheduleRemovalAtRestart(const char* path);
