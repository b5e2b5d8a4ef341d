// The silent run: search and delete the selected families without any window; and the list run,
// which searches the same way and only writes what it found to a file.
#pragma once

void RunSilent();

// Searches as RunSilent does and writes the found list to path (WriteFoundListFile); nothing is
// deleted and no backup is made. 0 when the list was written; 1 when not, with a line on the
// standard error stream when the process has one.
int RunListOnly(const char* path);
