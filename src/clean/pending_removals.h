// The platform's list of removals at the next restart (PendingFileRenameOperations), as the
// restore must see it: a file the clean-up scheduled there and the restore puts back would
// otherwise be removed again by that restart.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"

struct Manifest;

// Takes off the list every removal of a path the manifest restores (a D or F line's original,
// or anything below a restored folder), and logs each. Renames on the list, and removals of
// other paths, stay. 1 when the list was left right (also when there is none).
uint8_t CancelRemovalsAtRestart(const Manifest& manifest, OutputFile* log);
