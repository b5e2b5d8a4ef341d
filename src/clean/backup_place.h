// Where backups live, and why they can be trusted. On the NT family the root is a folder that
// envsweep made itself below the common application data (envsweep, or envsweep-2... when the
// name was taken) with a protected access list, and recorded (path and file id) in
// HKLM\SOFTWARE\envsweep, a key with the same kind of list. Every finished backup is recorded
// below that key with the SHA-256 of its manifest.txt and registry.reg. On the 9x family, which
// has no access control, the root stays below the user's application data.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/sha256.h"

extern const char kPlaceKeyPath[];          // "SOFTWARE\\envsweep"
extern const char kBackupRecordsKeyName[];  // "Backups"
// What envsweep asks for when it creates the root folder, and the key.
extern const char kRootFolderSddl[];
extern const char kPlaceKeySddl[];

// Why the backup place is not usable.
enum PlaceFault : uint8_t {
    kPlaceUsable = 0,
    kPlaceKeyUntrusted,   // the key exists with a list that lets others write
    kPlaceNoRecord,       // nothing recorded and nothing to be made (a restore)
    kPlaceRootChanged,    // the recorded folder is a link, not a folder, or another folder
    kPlaceCannotMake,     // the key or the folder could not be made
};

// The root, with a trailing backslash. create 1 (a clean-up): made and recorded when nothing is
// recorded or the recorded folder is gone. Checks the root against its record either way.
PlaceFault OpenBackupPlace(char* root, int size, uint8_t create);
// A line telling the fault, for a message or the standard error handle.
const char* PlaceFaultText(PlaceFault fault);

// 1 when neither the path nor any folder above it up to the drive's root is a link or junction.
uint8_t PathFreeOfLinks(const char* path);

// Records a finished backup: its folder name and the hashes of its two files.
uint8_t RecordBackup(const char* name, const char* manifestHash, const char* registryHash);
// The hashes recorded for the backup name; 0 when it is not recorded.
uint8_t RecordedBackup(const char* name, char manifestHash[kSha256HexSize], char registryHash[kSha256HexSize]);
// The newest recorded backup's name (by its time stamp, then its suffix).
uint8_t NewestRecordedBackup(char* name, int size);
// "backup-YYYYMMDD-HHMMSS[-N]": 1 and its suffix (1 without one).
uint8_t ParseBackupName(const char* name, long* suffix);

// The user's own place of backups made before the trusted place existed (named restores only).
uint8_t LegacyBackupRoot(char* out, int size);
