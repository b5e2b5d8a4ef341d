// The access takeover: keys whose DACL refuses us get an allow entry for the running user.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/machine_halves.h"

const DWORD kUserSidSize = 1024;            // security identifier of the user
const DWORD kOldDescriptorSize = 65556;     // old security descriptor of a key

// Appends an allow entry with KEY_ALL_ACCESS for the user the process runs as to the DACL of the
// key (opened in its view), after every existing entry. Owner and privileges are left alone. 1
// when the new DACL was stored.
uint8_t GrantCurrentUserKeyAccess(const KeyInView& key);
