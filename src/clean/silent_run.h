// The silent run: search and delete the selected families without any window; and the list run,
// which searches the same way and only writes what it found to a file.
#pragma once

// Exit codes of the silent run, in the form deployment tools read.
const int kExitDone = 0;            // every found item is gone
const int kExitItemsLeft = 1;       // an item is still there, or its backup could not be written
const int kExitInstanceHeld = 2;    // another copy runs: nothing was done
const int kExitRestartNeeded = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED: a restart finishes it

// Searches and deletes; the exit code: kExitItemsLeft when a ticked item failed, else
// kExitRestartNeeded when one goes at the next restart, else kExitDone.
int RunSilent();

// Searches as RunSilent does and writes the found list to path (WriteFoundListFile); nothing is
// deleted and no backup is made. 0 when the list was written; 1 when not, with a line on the
// standard error stream when the process has one.
int RunListOnly(const char* path);
