// The hardware-ID device scans: PCI device keys of the maker's boards, the video keys they name,
// 9x monitor instances and the child devices a matching adapter enumerated.
#include "search/registry/device_scans.h"
#include <stdio.h>
#include <string.h>
#include "model/found_items.h"
#include "platform/registry_access.h"
#include "search/registry/scan_paths.h"
#include "tables/hardware_ids.h"

namespace {

const char kVideoKeyFormat[] = "System\\CurrentControlSet\\Control\\Video\\%s";
const char kPciEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
const char kMonitorPrefix[] = "PCI_";

// Opens the first instance (subkey 0) of an open device key; NULL when there is none.
HKEY OpenFirstInstance(HKEY device)
{
    char name[kNameSize];
    if (!EnumSubkeyName(device, 0, name)) return NULL;
    return OpenKeyForRead(device, name);
}

// The video key named by the instance's "Device Parameters"\"VideoID", recorded as kind 10
// under HKEY_LOCAL_MACHINE when it exists.
void RecordVideoKey(HKEY instance)
{
    HKEY parameters = OpenKeyForRead(instance, "Device Parameters");
    if (parameters == NULL) return;
    char videoId[256];
    if (ReadStringValue(parameters, "VideoID", videoId, sizeof videoId) && IsRelativeKeyName(videoId)) {
        char path[kKeyPathSize];
        const int written = snprintf(path, sizeof path, kVideoKeyFormat, videoId);
        if (written > 0 && written < (int)sizeof path && KeyExists(HKEY_LOCAL_MACHINE, path))
            AddRegistryItem(RegistryRuleKind::VideoKeyScan, HKEY_LOCAL_MACHINE, path, NULL);
    }
    RegCloseKey(parameters);
}

// The driver key that an open instance's "Driver" value names below the rule's argument,
// recorded under the rule's kind and HKEY_LOCAL_MACHINE when it exists.
void RecordDriverKey(const RegistryRule& rule, HKEY instance)
{
    char driver[256];
    if (!ReadStringValue(instance, "Driver", driver, sizeof driver) || !IsRelativeKeyName(driver)) return;
    char path[kKeyPathSize];
    if (JoinKeyPath(path, sizeof path, rule.argument, driver) && KeyExists(HKEY_LOCAL_MACHINE, path))
        AddRegistryItem(rule.kind, HKEY_LOCAL_MACHINE, path, NULL);
}

// Records rule.keyPath\first\second (second may be absent) under the rule's kind and hive.
void RecordDevice(const RegistryRule& rule, const char* first, const char* second)
{
    char path[kKeyPathSize];
    if (JoinKeyPath(path, sizeof path, rule.keyPath, first, second)) AddRegistryItem(rule.kind, rule.hive, path, NULL);
}

// The display-enumerator instances below the rule's key whose names begin with the adapter's
// "ParentIdPrefix", and the driver keys they name. 0 when the rule's key does not open.
uint8_t ChildScan(const RegistryRule& rule, const char* prefix)
{
    HKEY key = OpenKeyForRead(HKEY_LOCAL_MACHINE, rule.keyPath);
    if (key == NULL) return 0;
    char deviceName[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(key, i, deviceName); i++) {
        HKEY device = OpenKeyForRead(key, deviceName);
        if (device == NULL) continue;
        char instanceName[kNameSize];
        for (DWORD j = 0; EnumSubkeyName(device, j, instanceName); j++) {
            // Only the adapter's own children: the driver keys of other monitors and displays
            // are not the maker's.
            if (!StartsWithAscii(instanceName, prefix)) continue;
            RecordDevice(rule, deviceName, instanceName);
            HKEY instance = OpenKeyForRead(device, instanceName);
            if (instance != NULL) {
                RecordDriverKey(rule, instance);
                RegCloseKey(instance);
            }
        }
        RegCloseKey(device);
    }
    RegCloseKey(key);
    return 1;
}

}  // namespace

uint8_t MatchesHardwareId(const char* name, int32_t product)
{
    if (name == NULL) return 0;
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        if (kHardwareIds[i].product == product && StartsWithAscii(name, kHardwareIds[i].idPrefix)) return 1;
    }
    return 0;
}

uint8_t PciDeviceScan(const RegistryRule& rule)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath);
    if (key == NULL) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(key, i, name); i++) {
        if (!MatchesHardwareId(name, rule.product)) continue;
        HKEY device = OpenKeyForRead(key, name);
        if (device != NULL) {
            // The first instance speaks for the device.
            HKEY instance = OpenFirstInstance(device);
            if (instance != NULL) {
                RecordVideoKey(instance);
                RegCloseKey(instance);
            }
            RegCloseKey(device);
        }
        // Recorded on the strength of its name, whether or not it opened.
        RecordDevice(rule, name, NULL);
        found = 1;
    }
    RegCloseKey(key);
    return found;
}

uint8_t MonitorDeviceScan(const RegistryRule& rule)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath);
    if (key == NULL) return 0;
    uint8_t found = 0;
    char monitorName[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(key, i, monitorName); i++) {
        HKEY monitor = OpenKeyForRead(key, monitorName);
        if (monitor == NULL) continue;
        char instanceName[kNameSize];
        for (DWORD j = 0; EnumSubkeyName(monitor, j, instanceName); j++) {
            if (!StartsWithAscii(instanceName, kMonitorPrefix) ||
                !MatchesHardwareId(instanceName + strlen(kMonitorPrefix), rule.product))
                continue;
            RecordDevice(rule, monitorName, instanceName);
            HKEY instance = OpenKeyForRead(monitor, instanceName);
            if (instance != NULL) {
                RecordDriverKey(rule, instance);
                RegCloseKey(instance);
            }
            found = 1;
        }
        RegCloseKey(monitor);
    }
    RegCloseKey(key);
    return found;
}

uint8_t ChildDeviceScan(const RegistryRule& rule)
{
    // The adapters are looked for in the PCI enumerator whatever the rule's own key.
    HKEY pci = OpenKeyForRead(HKEY_LOCAL_MACHINE, kPciEnumerator);
    if (pci == NULL) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(pci, i, name); i++) {
        if (!MatchesHardwareId(name, rule.product)) continue;
        HKEY device = OpenKeyForRead(pci, name);
        if (device == NULL) continue;
        HKEY instance = OpenFirstInstance(device);
        if (instance != NULL) {
            char prefix[256];
            if (ReadStringValue(instance, "ParentIdPrefix", prefix, sizeof prefix) && prefix[0] != '\0')
                found = ChildScan(rule, prefix) | found;
            RegCloseKey(instance);
        }
        RegCloseKey(device);
    }
    RegCloseKey(pci);
    return found;
}
