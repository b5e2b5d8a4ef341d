// The silent run: search and delete the selected families without any window.
#pragma once
#include <stdint.h>

// Exit codes of the silent run, in the form deployment tools read.
const int kExitDone = 0;            // every found item is gone
const int kExitItemsLeft = 1;       // an item is still there, or its backup could not be written
const int kExitInstanceHeld = 2;    // another copy runs: nothing was done
const int kExitRestartNeeded = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED: a restart finishes it

// The whole search (the restricted registry search when restricted is 1), then every item it
// found deleted. The exit code: kExitItemsLeft when a ticked item failed, else
// kExitRestartNeeded when one goes at the next restart, else kExitDone.
int RunSilent(uint8_t restricted);

// A line on the standard error stream the parent gave, if any. The program is a window program:
// it has no console of its own and makes none; without a handle the exit code alone tells.
void ReportErrorLine(const char* text);
