// Key names as the machine's native half reads them. With two halves, registry.reg names every
// key as a 64-bit regedit does: a key of the 32-bit view under its Wow6432Node name
// (HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\...), a 64-bit key under its own. The file then
// imports right with regedit, and the restore puts each key back in its own half by opening
// every name in the 64-bit view.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/machine_halves.h"

// The key the 32-bit view's redirection puts between a redirected root and what lies below it.
extern const char kWow6432NodeName[];

// The path, below key.hive, under which the native half reaches the key, opened as opened; into
// native (size bytes). With one half, and for the 64-bit view, that is key.path itself. A 32-bit
// key's path comes from its kernel name and is proven by opening it in the 64-bit view
// (NativeNameView), which must give the same key. 0 when that fails: such a key is not backed
// up, so not deleted.
uint8_t NativeKeyPath(const KeyInView& key, HKEY opened, char* native, int size);
