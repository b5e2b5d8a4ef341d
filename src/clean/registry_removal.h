// Removal of registry items, one header for the three files that share its work, grouped by file
// with the limits of each file's fixed buffers (part of the behaviour). The access takeover they
// fall back on has its own header (key_takeover.h).
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/machine_halves.h"

// ---- registry_removal.cpp: values, and keys with their whole subtree ----
const DWORD kSubkeyNameSize = 512;          // subkey name during recursive deletion
struct KeyAccessBefore;                     // key_takeover.h

// Every function here that opens or deletes a key does so in the registry view it lies in (as
// found items carry it): the other half's key of the same path is another key.

// Value item (valueName present): deletes that value; no takeover. Key item (valueName NULL):
// deletes the key with its whole subtree, taking over keys that refuse to open. 1 when the final
// delete call succeeded. A key item with an empty path (the hive itself) is refused. A key taken
// over and still there afterwards gets its old DACL back.
uint8_t DeleteRegistryItem(const KeyInView& key, const char* valueName);

// Opens the key with KEY_ALL_ACCESS; on refusal grants the current user full access and tries
// once more. 1 with *opened open (the caller closes it), else 0 and *opened NULL. The DACL a
// takeover replaced is kept in *before: the caller puts it back (PutBackKeyAccess) once it knows
// whether the key is gone. When even the second open fails it is put back here. options:
// REG_OPTION_OPEN_LINK opens (and takes over) a registry link as itself.
uint8_t OpenKeyWithTakeover(const KeyInView& key, HKEY* opened, KeyAccessBefore* before, DWORD options = 0);

// Deletes every subkey of key (opened in view), deepest first. 1 when none is left, 0 at the
// first subkey whose deletion failed (the subkeys not yet visited stay, and every subkey taken
// over on the way that is still there has its old DACL back). Every key below is opened, taken
// over and deleted as itself (REG_OPTION_OPEN_LINK, deleted through that handle): a registry
// link inside the tree goes as the link, and nothing its target holds is touched.
uint8_t DeleteSubkeys(HKEY key, uint8_t view);
// 1 when the key, opened with REG_OPTION_OPEN_LINK, is a registry link (a REG_LINK value named
// SymbolicLinkValue holds its target).
uint8_t IsRegistryLink(HKEY key);

// ---- registrations.cpp: COM class and desktop namespace registrations ----
const int kRegistrationPathSize = 1024;     // key path of a class registration or namespace entry
const DWORD kClassIdSize = 1024;            // class identifier read from a handler's value
// Fixed keys below HKEY_LOCAL_MACHINE.
extern const char kDesktopNameSpaceKey[];
extern const char kApprovedExtensionsKey[];

// parent\name into path, where name is one key's name (not empty, no backslash) and the whole
// fits. 0 otherwise: such a name names no single class or entry, and nothing is touched or saved.
uint8_t RegistrationPath(const char* parent, const char* name, char path[kRegistrationPathSize]);

// Deletes HKCR\CLSID\<classId> of the view with its subtree. 1 when the class key was deleted. An
// empty identifier or one holding a backslash names no single class and is refused (0, nothing
// touched).
uint8_t DeleteClassRegistration(const char* classId, uint8_t view);

// The class identifier a property-sheet handler names: the item's value, or the key's default
// value when valueName is NULL, into classId (kClassIdSize bytes); and the views whose
// HKCR\CLSID\<classId> the handler takes along, into views. Returns how many views: 0 when the
// key or the value cannot be read (the handler's removal then deletes nothing), else always the
// handler's own view. A handler in a key both views share (the device classes under SYSTEM) is
// loaded by either half, whose package registered its class in that half: the other view's class
// goes too where that half has a class key of its own.
int32_t HandlerClasses(const KeyInView& handler, const char* valueName, char* classId, uint8_t views[2]);

// Removes the desktop namespace entry <name>, its "Approved" shell-extension value and its class
// registration, all in the view the entry was found in. 1 when the namespace entry no longer
// exists afterwards. A name that is empty or holds a backslash is refused (0, nothing touched).
uint8_t DeleteDesktopNamespaceEntry(const char* name, uint8_t view);

// ---- dll_list_value.cpp: the DLL-list rewrite ----
const DWORD kListValueSize = 512;           // list value read for rewriting
const int kListEntrySize = 260;             // one entry of the list value (259 characters)
// The DLL entry that RemoveDllFromListValue takes out of a list value.
extern const char kListedDllName[];

// Takes every "nvdesk32.dll" entry (and the blanks after it) out of the blank-separated list
// value. 1 when at least one entry was removed and the value was written back with its own type;
// a value without the entry is left as it is.
uint8_t RemoveDllFromListValue(const KeyInView& key, const char* valueName);
