// Removal of registry values, and of keys with their whole subtree, taking over keys whose DACL
// refuses us.
#pragma once
#include <windows.h>
#include <stdint.h>

const DWORD kSubkeyNameSize = 512;   // subkey name during recursive deletion (part of the behaviour)

// Value item (valueName present): deletes that value; no takeover. Key item (valueName NULL):
// deletes the key with its whole subtree, taking over keys that refuse to open. 1 when the final
// delete call succeeded. A key item with an empty path (the hive itself) is refused.
uint8_t DeleteRegistryItem(HKEY hive, const char* keyPath, const char* valueName);

// Opens parent\subkey with KEY_ALL_ACCESS; on refusal grants the current user full access and
// tries once more. 1 with *key open (the caller closes it), else 0 and *key NULL.
uint8_t OpenKeyWithTakeover(HKEY parent, const char* subkey, HKEY* key);

// Deletes every subkey of key, deepest first. 1 when none is left, 0 at the first subkey whose
// deletion failed (the subkeys not yet visited stay).
uint8_t DeleteSubkeys(HKEY key);
