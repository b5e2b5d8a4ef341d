// Whether an install-folder note may be taken: the only place where registry data decides which
// folder the clean-up deletes whole, so the note must be a plain local path, written by an
// administrator, and name no folder the platform keeps for itself.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "search/search_session.h"

// 1 when text is a local absolute path: "X:\" on a fixed or removable drive, no "." or ".."
// step and no reserved device name (CON, NUL, COM1... with or without an extension) as a step.
// Nothing is opened on the path; only the drive's type is asked.
uint8_t NoteIsLocalPath(const char* text);

// 1 when nobody but Administrators, SYSTEM and TrustedInstaller may change the key: its owner is
// one of them and no allow entry of its DACL grants anyone else a right that writes (a NULL DACL
// grants everyone everything). Keys on the Windows 9x family have no security: 1 there.
uint8_t NoteKeyIsTrusted(HKEY key);

// 1 unless the folder (canonical, the guard's form) is or lies below the Windows folder or the
// common application data's Microsoft folder, where the platform keeps its own data. The shell's
// folder is asked in the session.
uint8_t NotePlaceAllowed(SearchSession* session, const char* canonical);
