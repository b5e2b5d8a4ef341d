// The NT family's deletion of a file or folder tree through handles: every entry is opened as
// itself (never through a link), checked to be the entry the walk expects, and deleted through
// that very handle, so that nothing swapped in after a check can redirect the deletion.
#pragma once
#include <windows.h>
#include <stdint.h>

// Called, when set, right after the walk has opened and checked a folder and before it reads the
// folder's entries (path: the folder as the walk names it). Only tests set it.
extern void (*g_treeWalkChecked)(const char* path);

// 1 when the platform offers what the walk needs (NtSetInformationFile in ntdll).
uint8_t TreeWalkAvailable();

// Deletes target (canonical, allowed by the guard) and, for a folder, everything in it, children
// first. expected is the path the platform must report for target's own handle ("" where it
// cannot tell). A link met on the way is deleted as the link when it can be addressed as one, and
// never entered; one that cannot stops the walk. A read-only attribute is cleared through the
// handle right before the deletion and put back when it fails. ERROR_SUCCESS, or the error of the
// first entry that would not go (the walk stops there).
DWORD DeleteTreeByHandle(const char* target, const char* expected);
