// Key security for the removal tests: the running user's SID, a key's DACL read back entry by
// entry, and the undoing of a locked fixture.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "support/helpers.h"

// The user SID of the process token in string form ("S-1-5-21-...").
std::string CurrentUserSidString();

// One entry of a DACL as read back.
struct AceRecord {
    BYTE type;          // ACCESS_ALLOWED_ACE_TYPE, ACCESS_DENIED_ACE_TYPE...
    BYTE flags;         // inheritance flags
    DWORD mask;
    std::string sid;    // string form
    bool operator==(const AceRecord& other) const
    {
        return type == other.type && flags == other.flags && mask == other.mask && sid == other.sid;
    }
};

// Reads root\path's DACL (opening with READ_CONTROL only). present is 0 for no DACL or a null
// DACL. 1 when the security could be read.
uint8_t ReadKeyDacl(HKEY root, const std::string& path, std::vector<AceRecord>* aces, uint8_t* present);

// The owner SID of root\path in string form, or "" when it cannot be read.
std::string KeyOwner(HKEY root, const std::string& path);

// Replaces the DACL of root\path (in the view) by one granting the running user full access
// (opening with WRITE_DAC only), so that a locked fixture can be deleted. 1 on success.
uint8_t UnlockKey(HKEY root, const std::string& path, uint8_t view = kViewOwn);

// UnlockKey on root\path and on every key below it that can then be read.
void UnlockTree(HKEY root, const std::string& path, uint8_t view = kViewOwn);

// A scratch key for locked fixtures: its subtree is unlocked before it is removed, at the start
// (left-overs of a failed run) and at the end. Keys nobody may unlock stay.
class LockedScratchKey : public ScratchKey {
public:
    LockedScratchKey(HKEY root, const std::string& path, uint8_t view = kViewOwn);
    ~LockedScratchKey();
};

// An SDDL string with "%U" replaced by the running user's SID.
std::string UserSddl(const std::string& pattern);

// 1 when RegOpenKeyExA(root, path, access) succeeds (the key is closed again).
uint8_t KeyOpens(HKEY root, const std::string& path, REGSAM access);
