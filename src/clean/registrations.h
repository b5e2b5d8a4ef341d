// Registrations that go with a removed item: a COM class and a desktop namespace entry.
#pragma once
#include <stdint.h>

const int kRegistrationPathSize = 1024;   // key path of a class registration or namespace entry

// Fixed keys below HKEY_LOCAL_MACHINE.
extern const char kDesktopNameSpaceKey[];
extern const char kApprovedExtensionsKey[];

// Deletes HKCR\CLSID\<classId> with its subtree. 1 when the class key was deleted. An empty
// identifier or one holding a backslash names no single class and is refused (0, nothing touched).
uint8_t DeleteClassRegistration(const char* classId);

// Removes the desktop namespace entry <name>, its "Approved" shell-extension value and its class
// registration. 1 when the namespace entry no longer exists afterwards. A name that is empty or
// holds a backslash is refused (0, nothing touched).
uint8_t DeleteDesktopNamespaceEntry(const char* name);
