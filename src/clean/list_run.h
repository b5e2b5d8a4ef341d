// The list run (/L): the silent run's search, its found list written to a file, nothing deleted.
#pragma once
#include <stdint.h>

// Searches as RunSilent does (restricted as there) and writes the found list to path
// (WriteFoundListFile); nothing is deleted and no backup is made. 0 when the list was written;
// 1 when not, with a line on the standard error stream when the process has one.
int RunListOnly(const char* path, uint8_t restricted);
