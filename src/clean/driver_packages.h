// Driver packages (oemNN.inf files the INF identification found) removed the way the platform
// expects from Windows XP on: through its own package removal, which from Vista on also takes the
// package's copy in the driver store and its entry in the device database. Windows 9x and 2000,
// and a machine where neither way works, get the files deleted.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "clean/backup_output.h"

struct FoundItem;

// 1 for the oemNN.inf item of an identified package (its .pnf is an item of its own).
uint8_t IsDriverPackageItem(const FoundItem& item);

// 1 for a file of an identified package other than its INF (the .pnf) that is no longer there:
// the platform's removal of the package took it.
uint8_t PackageTookAlong(const FoundItem& item);

// 1 when the platform's package removal is to be tried: the NT family from XP on.
uint8_t PackageRemovalAvailable();

// The package's folder in the driver store (storeFolder, no trailing backslash) and the name of
// its INF there (storeInf): asked of the platform where it can say, otherwise the
// DriverStore\FileRepository folder holding an INF byte-identical to infPath. 0 when there is none
// (before Vista, or a package the store never held).
uint8_t FindDriverStoreFolder(const char* infPath, char* storeFolder, int folderSize, char* storeInf, int infSize);

enum PackageRemoval : uint8_t {
    kPackageNotRemoved = 0,
    kPackageRemoved = 1,        // by the platform: the store copy and the database entry went too
    kPackageDeletedAsFiles = 2, // neither platform way worked: the store copy may remain
};

// Removes the package whose published INF is infPath. A 32-bit process on 64-bit Windows is
// refused the device-installation calls, so there the native pnputil does it; elsewhere
// SetupUninstallOEMInfA with SUOI_FORCEDELETE. Either way counts only when the INF is gone
// afterwards; failing both, the INF is deleted as a file.
PackageRemoval RemoveDriverPackage(const char* infPath);

// Publishes the saved INF (lying in its saved store folder, beside its catalog and files) again
// with SetupCopyOEMInfA; the name the platform gave it into published. 1 when it did.
uint8_t ReinstallDriverPackage(const char* savedInf, char* published, int size);
