// Key names as the machine's native half reads them. With two halves, registry.reg names every
// key as a 64-bit regedit does: a key of the 32-bit view under its Wow6432Node name
// (HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\...), a 64-bit key under its own. The file then
// imports right with regedit, and the restore puts each key back in its own half by opening
// every name in the 64-bit view.
#pragma once
#include <windows.h>
#include <stdint.h>

// The key the 32-bit view's redirection puts between a redirected root and what lies below it.
extern const char kWow6432NodeName[];

// The path, below hive, under which the native half reaches key, which was opened in view at
// path; into native (size bytes). With one half, and for the 64-bit view, that is path itself.
// A 32-bit key's path comes from its kernel name and is proven by opening it in the 64-bit view,
// which must give the same key. 0 when that fails: such a key is not backed up, so not deleted.
uint8_t NativeKeyPath(HKEY hive, HKEY key, const char* path, uint8_t view, char* native, int size);

// The view in which native names are opened: the 64-bit one (the own view of a 64-bit process,
// the other view of a 32-bit one under WOW64); the own view with one half.
uint8_t NativeNameView();
