// Puts the backup of a clean-up back: services created again, registry data written back with
// its types and bytes, files and folders copied back with their attributes and times, never over
// an existing file that differs. Writes restore-log.txt in the backup folder; shows nothing.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"

struct Manifest;

// name: a folder name under the backup root, NULL or empty for the newest backup. 1 when
// everything came back.
uint8_t RestoreBackup(const char* name);

// The /R run: its exit code, 0 when everything came back, 1 otherwise.
int RunRestore(const char* name);

// The registry and file parts of a restore (the service part is in services.h). Each writes its
// lines to log and returns 1 when all of its part came back.
uint8_t RestoreRegistry(const char* path, OutputFile* log);
uint8_t RestoreFiles(const Manifest& manifest, const char* folder, OutputFile* log);

// "<what>\t<text>\t<outcome>" with control characters shown as blanks.
void LogRestoreLine(OutputFile* log, const char* what, const char* text, const char* outcome);
// LogRestoreLine, then returns result: for a part whose line ends it.
uint8_t LogRestoreResult(OutputFile* log, const char* what, const char* text, const char* outcome, uint8_t result);
