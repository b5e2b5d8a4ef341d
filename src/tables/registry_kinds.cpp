// The registry rule kinds, one row per kind: the single place that says what a kind means.
#include "tables/registry_kinds.h"

const RegistryKindRow kRegistryKinds[] = {
    // kind, name,                   search,                    restricted,           removal,               removesKey, scanDepth
    {0,  "KeyOrValue",               kSearchPlainLookup,        kRestrictedModeTag,   kRemovePlain,          1, 0},
    {1,  "ProfileServiceKey",        kSearchPlainLookup,        kRestrictedFamilyOne, kRemovePlain,          1, 0},
    {2,  "PropertySheetHandlerKey",  kSearchPlainLookup,        kRestrictedModeTag,   kRemoveHandlerClass,   1, 0},
    {3,  "ServiceKey",               kSearchPlainLookup,        kRestrictedFamilyOne, kRemovePlain,          1, 0},
    {4,  "ChipServiceKey",           kSearchPlainLookup,        kRestrictedModeTag,   kRemovePlain,          1, 0},
    {5,  "DriverClassScan",          kSearchDriverClassScan,    kRestrictedAlways,    kRemovePlain,          1, 1},
    {6,  "PciDeviceScan",            kSearchPciDeviceScan,      kRestrictedNever,     kRemovePlain,          1, 1},
    {7,  "FileReferenceValue",       kSearchBuiltValueName,     kRestrictedAlways,    kRemovePlain,          1, 0},
    {8,  "MonitorDeviceScan",        kSearchMonitorDeviceScan,  kRestrictedAlways,    kRemovePlain,          1, 2},
    {9,  "ChildDeviceScan",          kSearchChildDeviceScan,    kRestrictedAlways,    kRemovePlain,          1, 2},
    {10, "VideoKeyScan",             kSearchVideoKeyScan,       kRestrictedNever,     kRemovePlain,          1, 2},
    {11, "DllListValue",             kSearchDllList,            kRestrictedAlways,    kRemoveFromDllList,    0, 0},
    {12, "NamespaceExtensionScan",   kSearchNamespaceScan,      kRestrictedAlways,    kRemoveNamespaceEntry, 1, 1},
    {13, "DefaultValueScan",         kSearchDefaultValueScan,   kRestrictedAlways,    kRemovePlain,          1, 1},
    {14, "DeviceInterfaceScan",      kSearchInterfaceScan,      kRestrictedAlways,    kRemovePlain,          1, 3},
    // The end row: a kind outside the table is looked up as written, kept by its mode tag in the
    // restricted run, and never removed.
    {-1, NULL,                       kSearchPlainLookup,        kRestrictedModeTag,   kRemoveNothing,        1, 0},
};

const RegistryKindRow& RegistryKind(int32_t kind)
{
    int i = 0;
    while (kRegistryKinds[i].name != NULL && kRegistryKinds[i].kind != kind) i++;
    return kRegistryKinds[i];
}
