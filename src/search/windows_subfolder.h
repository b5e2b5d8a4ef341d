// The Windows folders the file search builds paths in: the INF folder as the platform kind
// places it, and the other half's spelling of a path in the system folder.
#pragma once
#include <stdint.h>

// The Windows directory with a backslash, then "INF\OTHER\" (kind 1) or "INF\" (kind 2);
// kind -1 means the platform kind; other kinds add nothing. 0 when the directory is unreadable
// or the result does not fit.
uint8_t WindowsSubfolder(char* out, int size, int kind);

// For a path in this process's system folder (g_systemDirectory) or below it, the same relative
// path below the other half's system folder as this process must spell it (OtherSystemFolder:
// Sysnative or SysWOW64), into out (260 bytes). 0 with one half, for a path elsewhere, for the
// system folder itself, for a path in a folder the platform does not redirect (the same folder
// in both halves), or when the result would not fit.
uint8_t OtherHalfSystemPath(const char* path, char* out);
