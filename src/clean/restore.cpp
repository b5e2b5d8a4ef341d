// The restore run: picks the backup, restores its services, registry data and files in that
// order, and writes restore-log.txt.
#include "clean/restore.h"
#include <stdio.h>
#include <string.h>
#include "clean/backup.h"
#include "clean/backup_place.h"
#include "clean/manifest.h"
#include "clean/pending_removals.h"
#include "clean/reg_file.h"
#include "clean/services.h"
#include "clean/silent_run.h"
#include "platform/text_ops.h"

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

// The backup a restore takes: its folder, and for a recorded one the hashes on record.
struct ChosenBackup {
    char folder[kBackupPathSize];   // with a trailing backslash
    uint8_t recorded;
    char manifestHash[kSha256HexSize];
    char registryHash[kSha256HexSize];
};

// Picks the backup: the newest recorded one, or the one named (recorded, else one of the user's
// own made before backups were recorded). NULL, or why there is none to take.
static const char* ChooseBackup(const char* name, ChosenBackup* chosen)
{
    char picked[256];
    if (name != NULL && name[0] != '\0') {
        if (!IsFolderName(name)) return "not the name of a backup folder";
        lstrcpynA(picked, name, sizeof picked);
    } else if (!NewestRecordedBackup(picked, sizeof picked)) {
        return "no recorded backup";
    }
    char root[kBackupPathSize];
    chosen->recorded = RecordedBackup(picked, chosen->manifestHash, chosen->registryHash);
    if (chosen->recorded) {
        const PlaceFault fault = OpenBackupPlace(root, sizeof root, 0);
        if (fault != kPlaceUsable) return PlaceFaultText(fault);
    } else if (!LegacyBackupRoot(root, sizeof root)) {
        return "not a recorded backup";
    }
    if (!FormatFits(chosen->folder, sizeof chosen->folder - 32, "%s%s\\", root, picked)) return "the name is too long";
    const DWORD attributes = GetFileAttributesA(chosen->folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) return chosen->recorded ? "the recorded backup folder is gone" : "not a recorded backup";
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "the backup is not a folder";
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !PathFreeOfLinks(chosen->folder))
        return "a link lies on the backup folder's path";
    return NULL;
}

// 1 when a copy's name lies inside the backup's files folder: relative, no drive, no "..".
static uint8_t IsCopyName(const char* copy)
{
    const size_t prefix = strlen(kFilesFolderName);
    if (strncmp(copy, kFilesFolderName, prefix) != 0 || copy[prefix] != '\\' || strpbrk(copy, ":/") != NULL) return 0;
    for (const char* p = copy; (p = strstr(p, "..")) != NULL; p += 2)
        if (p[-1] == '\\' && (p[2] == '\\' || p[2] == '\0')) return 0;
    return 1;
}

// Every line's tag known and its fields all there; for a recorded backup each file copy's size
// and hash as the F line gives them. NULL, or which check failed (line: the line's text).
static const char* CheckManifest(const Manifest& manifest, const ChosenBackup& chosen, const char** line)
{
    static const struct { const char* tag; int fields; } kLines[] = {
        {kItemTag, 3},
        {kFolderTag, kEntryFields},
        {kFileTag, kEntryFields},
        {kServiceTag, kServiceFields},
        {kPackageTag, kPackageFields},
        {NULL, 0},
    };
    for (int i = 0; i < manifest.count; i++) {
        const ManifestLine& entry = manifest.lines[i];
        *line = entry.fields[0];
        int row = 0;
        while (kLines[row].tag != NULL && strcmp(kLines[row].tag, entry.fields[0]) != 0) row++;
        if (kLines[row].tag == NULL) return "a manifest line of no known kind";
        if (entry.count < kLines[row].fields) return "a manifest line lacks a field";
        const uint8_t entryLine = ManifestLineIs(entry, kFolderTag) || ManifestLineIs(entry, kFileTag);
        if (!entryLine) continue;
        *line = entry.fields[kEntryCopy];
        if (!IsCopyName(entry.fields[kEntryCopy])) return "a copy's name lies outside the backup's files folder";
        if (!chosen.recorded || !ManifestLineIs(entry, kFileTag)) continue;
        char path[kBackupPathSize], hash[kSha256HexSize];
        ULONGLONG size = 0;
        if (entry.count < kFileEntryFields) return "a file line lacks its hash";
        if (!FormatFits(path, sizeof path, "%s%s", chosen.folder, entry.fields[kEntryCopy]) || !FileSha256(path, hash, &size))
            return "a file copy cannot be read";
        if (size != FieldSize(entry.fields[kEntrySize]) || strcmp(hash, entry.fields[kEntryHash]) != 0)
            return "a file copy differs from its recorded hash";
    }
    return NULL;
}

// The registry file read through without writing: a NUL byte or a line the reader cannot take
// (an unterminated string, a broken hex list) refuses the backup.
static void IgnoreComment(void*, const char*) {}
static void IgnoreKey(void*, HKEY, const char*) {}
static void IgnoreValue(void*, const char*, DWORD, const BYTE*, DWORD) {}
static void CountBad(void* context, const char*, DWORD)
{
    (*(int32_t*)context)++;
}

static const char* CheckRegFile(const char* path)
{
    char* text = NULL;
    DWORD length = 0;
    if (!LoadWholeFile(path, &text, &length)) return "registry.reg cannot be read";
    int32_t bad = memchr(text, '\0', length) != NULL ? 1 : 0;
    RegFileVisitor visitor = {&bad, IgnoreComment, IgnoreKey, IgnoreValue, CountBad};
    if (bad == 0 && !ReadRegText(text, length, CP_ACP, &visitor)) bad = 1;
    LocalFree(text);
    return bad == 0 ? NULL : "registry.reg holds a line that cannot be read";
}

// The recorded hash of one of the backup's own files compared with the file as it is now.
static uint8_t MatchesRecord(const ChosenBackup& chosen, const char* name, const char* recorded)
{
    char path[kBackupPathSize], hash[kSha256HexSize];
    ULONGLONG size = 0;
    return FormatFits(path, sizeof path, "%s%s", chosen.folder, name) && FileSha256(path, hash, &size) &&
           strcmp(hash, recorded) == 0;
}

// A refusal: in the restore log when it is open, else on the standard error handle.
static uint8_t Refuse(OutputFile* log, const char* text, const char* why)
{
    if (log->handle != INVALID_HANDLE_VALUE) {
        LogRestoreLine(log, "refused", text, why);
        PutText(log, "Summary: nothing was restored; the line above says why\r\n");
        CloseOutputFile(log);
        return 0;
    }
    char line[1024];
    snprintf(line, sizeof line, "envsweep: /R restores nothing: %s (%s)\r\n", why, text != NULL ? text : "");
    ReportErrorLine(line);
    return 0;
}

uint8_t RestoreBackup(const char* name)
{
    ChosenBackup chosen;
    OutputFile log;
    InitOutputFile(&log);
    const char* refused = ChooseBackup(name, &chosen);
    if (refused != NULL) return Refuse(&log, name, refused);
    const char* folder = chosen.folder;
    char path[kBackupPathSize];
    snprintf(path, sizeof path, "%s%s", folder, kRestoreLogFileName);
    // A log of an earlier restore goes first, and the new one is created new: a link planted
    // under its name (in an older backup the user could write) is removed, never written through.
    DeleteFileA(path);
    OpenOutputFile(&log, path, 0);
    LogRestoreLine(&log, "restore", folder, "started");

    // Everything is checked before anything is written: a backup that fails one check is
    // refused whole.
    if (chosen.recorded && !MatchesRecord(chosen, kManifestFileName, chosen.manifestHash))
        return Refuse(&log, kManifestFileName, "differs from its recorded hash");
    if (chosen.recorded && !MatchesRecord(chosen, kRegistryFileName, chosen.registryHash))
        return Refuse(&log, kRegistryFileName, "differs from its recorded hash");
    Manifest manifest;
    snprintf(path, sizeof path, "%s%s", folder, kManifestFileName);
    if (!LoadManifest(path, &manifest)) return Refuse(&log, path, "the manifest cannot be loaded");
    snprintf(path, sizeof path, "%s%s", folder, kRegistryFileName);
    refused = CheckRegFile(path);
    if (refused != NULL) {
        FreeManifest(&manifest);
        return Refuse(&log, path, refused);
    }
    const char* line = NULL;
    refused = CheckManifest(manifest, chosen, &line);
    if (refused != NULL) {
        FreeManifest(&manifest);
        return Refuse(&log, line, refused);
    }

    uint8_t result = 1;
    // Services first: a service key that the registry part brings back then keeps its exact
    // values over what creating the service wrote.
    result = RestoreServices(manifest, folder, &log) & result;
    snprintf(path, sizeof path, "%s%s", folder, kRegistryFileName);
    result = RestoreRegistry(path, &log) & result;
    // A file the clean-up left to the next restart must not go again once it is back.
    result = CancelRemovalsAtRestart(manifest, &log) & result;
    result = RestoreFiles(manifest, folder, &log) & result;
    FreeManifest(&manifest);

    PutText(&log, result ? "Summary: everything came back\r\n"
                         : "Summary: not everything came back; the lines above say what\r\n");
    CloseOutputFile(&log);
    return result;
}

int RunRestore(const char* name)
{
    return RestoreBackup(name) ? 0 : 1;
}
