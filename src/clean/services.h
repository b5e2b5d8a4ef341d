// Services named by file items: stopped and deleted before their file, the pause while a stopped
// service's process lets go of that file, their definition saved in the backup's manifest, and
// created again by the restore.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup.h"

struct Manifest;

// Asks the service to stop (no wait) and deletes it. 1 when DeleteService succeeded; 0 at once
// for a service that does not exist.
uint8_t StopAndDeleteService(const char* name);

// Returns as soon as the file can be opened for deletion with no one else holding it, or when
// limitMs have passed, whichever comes first. Anything short of a successful open (the file
// held, missing, refused, a folder) counts as not yet, so in doubt the whole time is waited.
// 1 when it returned early.
uint8_t WaitForFileRelease(const char* path, DWORD limitMs);

// Writes the service's S line to the manifest: its configuration, enough to create it again.
// kSaveMissing for a service that does not exist (its removal takes nothing).
SaveResult SaveService(OutputFile* out, const char* name);

// Creates every service of the manifest's S lines again that its item's row could have found
// (ServiceRefusal; the backup in folder); one that exists counts as back when it runs the same
// image. Writes a line to log for each; 1 when all came back.
uint8_t RestoreServices(const Manifest& manifest, const char* folder, OutputFile* log);
