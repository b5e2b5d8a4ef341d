// The backup folder of a clean-up: where it lies, its name, its files, and the newest one.
#include "clean/backup.h"
#include <stdio.h>
#include <string.h>
#include "clean/backup_place.h"
#include "clean/reg_file.h"
#include "model/found_items.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

const char kBackupFolderPrefix[] = "backup-";
const char kRegistryFileName[] = "registry.reg";
const char kManifestFileName[] = "manifest.txt";
const char kLogFileName[] = "log.txt";
const char kRestoreLogFileName[] = "restore-log.txt";
const char kFilesFolderName[] = "files";

uint8_t BackupRoot(char* out, int size)
{
    return OpenBackupPlace(out, size, 0) == kPlaceUsable ? 1 : 0;
}

// Creates root\backup-<local time>[-N]\ and writes its path into folder: always a folder made
// now, never one that was there.
static uint8_t CreateBackupFolder(BackupSession* session)
{
    char* folder = session->folder;
    char root[kBackupPathSize];
    session->placeFault = OpenBackupPlace(root, sizeof root, 1);
    if (session->placeFault != kPlaceUsable) return 0;
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (int suffix = 1; suffix < 1000; suffix++) {
        char tail[24] = "";
        if (suffix > 1) snprintf(tail, sizeof tail, "-%d", suffix);
        if (!FormatFits(folder, kBackupPathSize, "%s%s%04u%02u%02u-%02u%02u%02u%s\\", root, kBackupFolderPrefix,
                        now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, tail))
            return 0;
        if (CreateDirectoryA(folder, NULL)) return 1;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    }
    return 0;
}

static uint8_t OpenBackupFile(const BackupSession* session, const char* name, OutputFile* out)
{
    char path[kBackupPathSize];
    return FormatFits(path, sizeof path, "%s%s", session->folder, name) && OpenOutputFile(out, path, 0);
}

uint8_t BeginBackup(BackupSession* session)
{
    ZeroMemory(session, sizeof *session);
    session->begun = 1;
    InitOutputFile(&session->registry);
    InitOutputFile(&session->manifest);
    InitOutputFile(&session->log);
    if (!CreateBackupFolder(session)) return 0;
    uint8_t ok = 1;
    ok = OpenBackupFile(session, kRegistryFileName, &session->registry) & ok;
    ok = OpenBackupFile(session, kManifestFileName, &session->manifest) & ok;
    ok = OpenBackupFile(session, kLogFileName, &session->log) & ok;
    if (ok) {
        PutText(&session->registry, kRegFileHeader);
        // With two halves the keys go under their native names, and the restore must know it;
        // with one half the file stays as it always was.
        if (RegistryViewCount() == 2)
            WriteRegComment(&session->registry, kRegNativeNamesMarker,
                            ": every key is named as the 64-bit half names it (Wow6432Node for 32-bit keys)");
        ok = CommitOutput(&session->registry);
    }
    session->ready = ok;
    return ok;
}

uint8_t BackupItem(BackupSession* session, const FoundItem& item)
{
    session->itemNumber++;
    if (!session->ready) return 0;
    if (item.itemClass == kItemClassRegistry) return BackupRegistryItem(session, item);
    if (item.itemClass == kItemClassFile) return BackupFileItem(session, item);
    return 1;   // another class: nothing is deleted, so nothing to save
}

static void RecordFinishedBackup(const BackupSession* session)
{
    char path[kBackupPathSize], name[kBackupPathSize];
    char manifestHash[kSha256HexSize], registryHash[kSha256HexSize];
    ULONGLONG size = 0;
    lstrcpynA(name, session->folder, sizeof name);
    StripBackslash(name);
    uint8_t ok = FormatFits(path, sizeof path, "%s%s", session->folder, kManifestFileName) &&
                 FileSha256(path, manifestHash, &size);
    ok = ok && FormatFits(path, sizeof path, "%s%s", session->folder, kRegistryFileName) &&
         FileSha256(path, registryHash, &size);
    if (ok) RecordBackup(FileNamePart(name), manifestHash, registryHash);
}

void EndBackup(BackupSession* session)
{
    if (!session->begun) return;
    // Every ticked item has its line above, those an earlier item took along included, and the
    // counts after the colon add up to the first.
    char line[256], atRestart[64] = "";
    if (session->atRestart > 0) snprintf(atRestart, sizeof atRestart, "%ld removed at restart, ", (long)session->atRestart);
    snprintf(line, sizeof line,
             "Summary: %ld ticked items (%ld registry, %ld files): %ld deleted, %s%ld not deleted, "
             "%ld not backed up and left in place\r\n",
             (long)(session->registryItems + session->fileItems), (long)session->registryItems,
             (long)session->fileItems, (long)session->deleted, atRestart, (long)session->notDeleted,
             (long)session->notBackedUp);
    PutText(&session->log, line);
    CloseOutputFile(&session->log);
    uint8_t whole = CloseOutputFile(&session->registry);
    whole = CloseOutputFile(&session->manifest) & whole;
    // The record that makes the backup one /R takes: its name and its two files' hashes.
    if (session->ready && whole) RecordFinishedBackup(session);
    session->begun = 0;
    session->ready = 0;
}

uint8_t NewestBackupName(char* name, int size)
{
    return NewestRecordedBackup(name, size);
}
