// The Windows INF folder as the platform kind places it.
#pragma once
#include <stdint.h>

// The Windows directory with a backslash, then "INF\OTHER\" (kind 1) or "INF\" (kind 2);
// kind -1 means the platform kind; other kinds add nothing. 0 when the directory is unreadable
// or the result does not fit.
uint8_t WindowsSubfolder(char* out, int size, int kind);
