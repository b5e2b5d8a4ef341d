// The access takeover: keys whose DACL refuses us get an allow entry for the running user, and
// get their old DACL back whenever they are still there afterwards.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/machine_halves.h"

const DWORD kUserSidSize = 1024;            // security identifier of the user
const DWORD kOldDescriptorSize = 65556;     // old security descriptor of a key

// The DACL a takeover replaced (self-relative), kept to be put back; descriptor NULL when the key
// was not taken over.
struct KeyAccessBefore {
    PSECURITY_DESCRIPTOR descriptor;
};

// Appends an allow entry with KEY_ALL_ACCESS for the user the process runs as to the DACL of the
// key (opened in its view), after every existing entry. Owner and privileges are left alone. 1
// when the new DACL was stored. With before given, the old DACL is kept there (release it with
// PutBackKeyAccess, which every caller that gives one must call). options: 0, or
// REG_OPTION_OPEN_LINK for a key inside an item's tree, which is taken as itself: were it a
// registry link, the DACL changed would be its own, never its target's.
uint8_t GrantCurrentUserKeyAccess(const KeyInView& key, KeyAccessBefore* before = NULL, DWORD options = 0);

// Stores the kept DACL on the key again when the key still exists (a failed deletion, a key
// opened only to be read), and releases it. Nothing to do after a takeover that did not happen.
// 1 when there was nothing to put back or the key is gone, or the old DACL is back.
uint8_t PutBackKeyAccess(const KeyInView& key, KeyAccessBefore* before, DWORD options = 0);

// OpenKeyInView with the open's options (REG_OPTION_OPEN_LINK: a link is opened as itself).
// KeyAsItself gives that option where the platform knows it (not Windows 9x, which has no links).
DWORD KeyAsItself();
LONG OpenKeyWithOptions(const KeyInView& key, DWORD options, REGSAM access, HKEY* opened);
