// The backup folder of a clean-up: where it lies, its name, its files, and the newest one.
#include "clean/backup.h"
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
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

static const char kRootName[] = "envsweep";
static const int kStampLength = 22;   // "backup-YYYYMMDD-HHMMSS"

uint8_t BackupRoot(char* out, int size)
{
    char base[kPathSize];
    // The local application data; where a system has none (the 9x family before IE 5), the
    // roaming one.
    if (!SpecialFolderPath(CSIDL_LOCAL_APPDATA, base) && !SpecialFolderPath(CSIDL_APPDATA, base)) return 0;
    StripBackslash(base);
    return FormatFits(out, size, "%s\\%s\\", base, kRootName);
}

static uint8_t IsFolder(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

// Creates root\backup-<local time>[-N]\ and writes its path into folder.
static uint8_t CreateBackupFolder(char* folder)
{
    char root[kBackupPathSize];
    if (!BackupRoot(root, sizeof root)) return 0;
    CreateDirectoryA(root, NULL);
    if (!IsFolder(root)) return 0;
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
    if (!CreateBackupFolder(session->folder)) return 0;
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
    CloseOutputFile(&session->registry);
    CloseOutputFile(&session->manifest);
    session->begun = 0;
    session->ready = 0;
}

// "backup-YYYYMMDD-HHMMSS" with an optional "-N": 1 and the suffix (1 without one).
static uint8_t ParseBackupName(const char* name, long* suffix)
{
    static const char kPattern[] = "backup-########-######";
    for (int i = 0; i < kStampLength; i++) {
        const char c = name[i];
        if (kPattern[i] == '#' ? (c < '0' || c > '9') : c != kPattern[i]) return 0;
    }
    *suffix = 1;
    if (name[kStampLength] == '\0') return 1;
    if (name[kStampLength] != '-' || name[kStampLength + 1] == '\0') return 0;
    long value = 0;
    for (const char* p = name + kStampLength + 1; *p != '\0'; p++) {
        if (*p < '0' || *p > '9' || value > 100000) return 0;
        value = value * 10 + (*p - '0');
    }
    *suffix = value;
    return 1;
}

uint8_t NewestBackupName(char* name, int size)
{
    char root[kBackupPathSize];
    char pattern[kBackupPathSize];
    if (!BackupRoot(root, sizeof root)) return 0;
    if (!FormatFits(pattern, sizeof pattern, "%s%s*", root, kBackupFolderPrefix)) return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    uint8_t any = 0;
    long bestSuffix = 0;
    do {
        long suffix = 0;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !ParseBackupName(found.cFileName, &suffix)) continue;
        if ((int)strlen(found.cFileName) >= size) continue;
        const int order = any ? strncmp(found.cFileName, name, kStampLength) : 1;
        if (order > 0 || (order == 0 && suffix > bestSuffix)) {
            lstrcpynA(name, found.cFileName, size);
            bestSuffix = suffix;
            any = 1;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return any;
}
