// The access takeover of a registry key that refuses us.
#pragma once
#include <windows.h>
#include <stdint.h>

// The limits of the fixed buffers are part of the behaviour.
const DWORD kUserSidSize = 1024;            // security identifier of the user
const DWORD kOldDescriptorSize = 65556;     // old security descriptor of a key

// Appends an allow entry with KEY_ALL_ACCESS for the user the process runs as to the DACL of
// parent\subkey, after every existing entry. Owner and privileges are left alone. 1 when the new
// DACL was stored.
uint8_t GrantCurrentUserKeyAccess(HKEY parent, const char* subkey);
