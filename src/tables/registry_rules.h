// The registry rule table: what the product families leave in the registry, and how to find it.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "tables/registry_kinds.h"

// How a registry rule finds its items, and (through the kind recorded on each item) how the
// deletion removes them; kRegistryKinds says what each kind means. A namespace keeps the kind
// names apart from the scan functions of the same names (RegistryRuleKind::DriverClassScan is
// the kind, DriverClassScan(rule) the scan).
namespace RegistryRuleKind {
enum Value : int32_t {
    KeyOrValue = 0,
    ProfileServiceKey = 1,
    PropertySheetHandlerKey = 2,
    ServiceKey = 3,
    ChipServiceKey = 4,
    DriverClassScan = 5,
    PciDeviceScan = 6,
    FileReferenceValue = 7,
    MonitorDeviceScan = 8,
    ChildDeviceScan = 9,
    VideoKeyScan = 10,
    DllListValue = 11,
    NamespaceExtensionScan = 12,
    DefaultValueScan = 13,
    DeviceInterfaceScan = 14,
};
}  // namespace RegistryRuleKind

struct RegistryRule {
    int32_t product;       // product family index, 0..17
    int32_t kind;          // RegistryRuleKind
    HKEY hive;             // HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS
    const char* keyPath;   // below the hive, no leading backslash; absent only in the end row
    const char* argument;  // value name for the plain kinds, kind-specific otherwise; may be absent
    const char* modeTag;   // "Heavy" on the rows the restricted (/X) run keeps; usually absent
};

// Rule rows followed by one end row whose keyPath is absent.
extern const RegistryRule kRegistryRules[];

// Number of rule rows, found by walking to the end row.
int CountRegistryRules();
