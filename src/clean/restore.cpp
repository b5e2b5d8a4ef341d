// The restore run: picks the backup, restores its services, registry data and files in that
// order, and writes restore-log.txt.
#include "clean/restore.h"
#include <stdio.h>
#include <string.h>
#include "clean/backup.h"
#include "clean/manifest.h"
#include "clean/pending_removals.h"
#include "clean/services.h"

void LogRestoreLine(OutputFile* log, const char* what, const char* text, const char* outcome)
{
    PutText(log, what);
    PutText(log, "\t");
    PutLogField(log, text);
    PutText(log, "\t");
    PutLogField(log, outcome);
    PutText(log, "\r\n");
}

uint8_t LogRestoreResult(OutputFile* log, const char* what, const char* text, const char* outcome, uint8_t result)
{
    LogRestoreLine(log, what, text, outcome);
    return result;
}

// A backup's name is one folder name: no separators, no wildcards, not "." or "..".
static uint8_t IsFolderName(const char* name)
{
    if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strlen(name) > 200) return 0;
    return strpbrk(name, "\\/:*?\"<>|") == NULL ? 1 : 0;
}

uint8_t RestoreBackup(const char* name)
{
    char root[kBackupPathSize];
    char chosen[256];
    if (!BackupRoot(root, sizeof root)) return 0;
    if (name != NULL && name[0] != '\0') {
        if (!IsFolderName(name)) return 0;
        lstrcpynA(chosen, name, sizeof chosen);
    } else if (!NewestBackupName(chosen, sizeof chosen)) {
        return 0;
    }
    char folder[kBackupPathSize];
    char path[kBackupPathSize];
    const int length = snprintf(folder, sizeof folder, "%s%s\\", root, chosen);
    if (length <= 0 || length + 32 >= (int)sizeof folder) return 0;
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;

    OutputFile log;
    InitOutputFile(&log);
    snprintf(path, sizeof path, "%s%s", folder, kRestoreLogFileName);
    OpenOutputFile(&log, path, 1);
    LogRestoreLine(&log, "restore", folder, "started");

    uint8_t result = 1;
    Manifest manifest;
    snprintf(path, sizeof path, "%s%s", folder, kManifestFileName);
    const uint8_t loaded = LoadManifest(path, &manifest);
    if (!loaded) LogRestoreLine(&log, "manifest", path, "cannot be read");
    result = loaded & result;
    // Services first: a service key that the registry part brings back then keeps its exact
    // values over what creating the service wrote.
    if (loaded) result = RestoreServices(manifest, folder, &log) & result;
    snprintf(path, sizeof path, "%s%s", folder, kRegistryFileName);
    result = RestoreRegistry(path, &log) & result;
    if (loaded) {
        // A file the clean-up left to the next restart must not go again once it is back.
        result = CancelRemovalsAtRestart(manifest, &log) & result;
        result = RestoreFiles(manifest, folder, &log) & result;
        FreeManifest(&manifest);
    }

    PutText(&log, result ? "Summary: everything came back\r\n"
                         : "Summary: not everything came back; the lines above say what\r\n");
    CloseOutputFile(&log);
    return result;
}

int RunRestore(const char* name)
{
    return RestoreBackup(name) ? 0 : 1;
}
