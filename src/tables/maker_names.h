// The maker's and the chip vendor's names as their drivers and devices write them in the registry.
#pragma once

// Driver "ProviderName" or "Mfg" values that name the maker (compared without regard to case).
const char* const kMakerNames[] = {"Morvane Co., Ltd.", "Morvane"};
// The chip vendor's "ProviderName", whose class instances may hold the control panel's
// property-sheet handler at kCplHandlerPath.
const char kChipVendor[] = "NVIDIA";
const char kCplHandlerPath[] = "shellex\\PropertySheetHandlers\\NVIDIA CPL Extension";
// Video device descriptions that mark the maker's and the chip vendor's adapters (case-sensitive).
const char* const kVideoPrefixes[] = {"Morvane VANTIRA", "NVIDIA"};
