// The backup of a clean-up, taken item by item right before each deletion: a folder of its own
// made new in the backup place (backup_place.h; <root>\backup-YYYYMMDD-HHMMSS) with registry.reg
// (REGEDIT4), the copies of files and folders under files\ and their manifest.txt (which also
// records services), and the clean-up's log.txt.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"

struct FoundItem;

const int kBackupPathSize = 1024;
extern const char kBackupFolderPrefix[];   // "backup-"
extern const char kRegistryFileName[];     // "registry.reg"
extern const char kManifestFileName[];     // "manifest.txt"
extern const char kLogFileName[];          // "log.txt"
extern const char kRestoreLogFileName[];   // "restore-log.txt"
extern const char kFilesFolderName[];      // "files"

struct BackupSession {
    uint8_t begun;               // BeginBackup ran: EndBackup closes what it opened
    uint8_t ready;               // the folder and its files exist: items can be saved
    uint8_t placeFault;          // a PlaceFault: why the backup place was refused (0: it was not)
    char folder[kBackupPathSize];   // the backup folder, with a trailing backslash
    int32_t itemNumber;          // ticked items met so far
    int32_t registryItems, fileItems, deleted, atRestart, notDeleted, notBackedUp;
    OutputFile registry;         // registry.reg
    OutputFile manifest;         // manifest.txt
    OutputFile log;              // log.txt
};

// The backup place's root, checked against its record, into out (size bytes); 1 when usable.
uint8_t BackupRoot(char* out, int size);

// Creates the folder of a new backup (a numeric suffix when the name exists) and its files.
// 0 when that failed: every item's backup then fails, so nothing is deleted.
uint8_t BeginBackup(BackupSession* session);

// Saves what deleting the item will remove. 1 when that is complete and on disk, or when there
// is nothing to save (the item no longer exists); 0 when the item must not be deleted.
uint8_t BackupItem(BackupSession* session, const FoundItem& item);

// The log line of a ticked item after its deletion: family, type, text, outcome, why. A deleted
// item's outcome is deletedAs where the deletion has more to say than "deleted"; an item still
// there (or removed only at the next restart) has the reason error gives.
void LogItem(BackupSession* session, const FoundItem& item, uint8_t backedUp, const char* deletedAs = NULL,
             DWORD error = ERROR_SUCCESS);
// The item's first three log fields, tab-separated: family, type and its text (a file item's
// service added as " (service name)").
void PutItemFields(OutputFile* out, const FoundItem& item);
// The log field that says why the item was found (FormatItemWhy).
void PutItemWhy(OutputFile* out, const FoundItem& item);

// Writes the log's summary line, closes the files and records the backup with their hashes.
void EndBackup(BackupSession* session);

// The name of the newest recorded backup (by its time stamp, then its suffix).
uint8_t NewestBackupName(char* name, int size);

// The result of saving one part of an item.
enum SaveResult : uint8_t {
    kSaveFailed = 0,
    kSaved = 1,
    kSaveMissing = 2,   // not there: nothing to save, and nothing its removal could take
};

// The parts of BackupItem, by class (the service part is in services.h).
uint8_t BackupRegistryItem(BackupSession* session, const FoundItem& item);
uint8_t BackupFileItem(BackupSession* session, const FoundItem& item);
