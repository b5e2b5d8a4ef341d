// The hardware-ID device scans: PCI device keys of the maker's boards, the video keys they name,
// 9x monitor instances and the child devices a matching adapter enumerated.
#include "search/registry/device_scans.h"
#include <string.h>
#include "model/found_items.h"
#include "platform/ascii_case.h"
#include "platform/text_ops.h"
#include "search/registry/scan_paths.h"
#include "search/registry/shared_reads.h"
#include "tables/hardware_ids.h"

namespace {

const char kVideoKeyFormat[] = "System\\CurrentControlSet\\Control\\Video\\%s";
const char kPciEnumerator[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
const char kMonitorPrefix[] = "PCI_";

// Opens the first instance (subkey 0) of an open device key; 0 when there is none.
uint8_t OpenFirstInstance(ScanKey* device, ScanKey* instance)
{
    char name[kNameSize];
    if (!ScanEnumSubkey(device, 0, name)) return 0;
    return ScanOpenSub(device, name, instance);
}

// The video key named by the instance's "Device Parameters"\"VideoID", recorded as kind 10
// under HKEY_LOCAL_MACHINE when it exists.
void RecordVideoKey(ScanKey* instance)
{
    ScanKey parameters;
    if (!ScanOpenSub(instance, "Device Parameters", &parameters)) return;
    char videoId[256];
    if (ScanReadString(&parameters, "VideoID", videoId, sizeof videoId) && IsRelativeKeyName(videoId)) {
        char path[kKeyPathSize];
        if (FormatFits(path, sizeof path, kVideoKeyFormat, videoId) &&
            ScanKeyExists(instance->session, HKEY_LOCAL_MACHINE, path))
            RecordRegistryItem(instance->session, instance->view, RegistryRuleKind::VideoKeyScan, HKEY_LOCAL_MACHINE, path, NULL);
    }
    ScanClose(&parameters);
}

// The driver key that an open instance's "Driver" value names below the rule's argument,
// recorded under the rule's kind and HKEY_LOCAL_MACHINE when it exists.
void RecordDriverKey(const RegistryRule& rule, ScanKey* instance)
{
    char driver[256];
    if (!ScanReadString(instance, "Driver", driver, sizeof driver) || !IsRelativeKeyName(driver)) return;
    char path[kKeyPathSize];
    if (JoinKeyPath(path, sizeof path, rule.argument, driver) && ScanKeyExists(instance->session, HKEY_LOCAL_MACHINE, path))
        RecordRegistryItem(instance->session, instance->view, rule.kind, HKEY_LOCAL_MACHINE, path, NULL);
}

// Records rule.keyPath\first\second (second may be absent) under the rule's kind and hive, as
// found in the key's view.
void RecordDevice(const ScanKey* key, const RegistryRule& rule, const char* first, const char* second)
{
    char path[kKeyPathSize];
    if (JoinKeyPath(path, sizeof path, rule.keyPath, first, second))
        RecordRegistryItem(key->session, key->view, rule.kind, rule.hive, path, NULL);
}

// Records the device's instance (rule.keyPath\deviceName\instanceName), then the driver key
// the instance names when it opens.
void RecordDeviceInstance(const RegistryRule& rule, ScanKey* device, const char* deviceName, const char* instanceName)
{
    RecordDevice(device, rule, deviceName, instanceName);
    ScanKey instance;
    if (ScanOpenSub(device, instanceName, &instance)) {
        RecordDriverKey(rule, &instance);
        ScanClose(&instance);
    }
}

// The display-enumerator instances below the rule's key whose names begin with the adapter's
// "ParentIdPrefix", and the driver keys they name. 0 when the rule's key does not open.
uint8_t ChildScan(SearchSession* session, const RegistryRule& rule, const char* prefix)
{
    ScanKey key;
    if (!ScanOpen(session, HKEY_LOCAL_MACHINE, rule.keyPath, &key)) return 0;
    EachOpenSubkey(&key, 0, [&](ScanKey* device, const char* deviceName) {
        char instanceName[kNameSize];
        for (DWORD j = 0; ScanEnumSubkey(device, j, instanceName); j++) {
            // Only the adapter's own children: the driver keys of other monitors and displays
            // are not the maker's.
            if (AsciiStartsWithNoCase(instanceName, prefix)) RecordDeviceInstance(rule, device, deviceName, instanceName);
        }
        return (uint8_t)0;
    });
    ScanClose(&key);
    return 1;
}

}  // namespace

uint8_t MatchesHardwareId(const char* name, int32_t product)
{
    if (name == NULL) return 0;
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        if (kHardwareIds[i].product == product && AsciiStartsWithNoCase(name, kHardwareIds[i].idPrefix)) return 1;
    }
    return 0;
}

uint8_t PciDeviceScan(SearchSession* session, const RegistryRule& rule)
{
    ScanKey key;
    if (!ScanOpen(session, rule.hive, rule.keyPath, &key)) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; ScanEnumSubkey(&key, i, name); i++) {
        if (!MatchesHardwareId(name, rule.product)) continue;
        ScanKey device;
        if (ScanOpenSub(&key, name, &device)) {
            // The first instance speaks for the device.
            ScanKey instance;
            if (OpenFirstInstance(&device, &instance)) {
                RecordVideoKey(&instance);
                ScanClose(&instance);
            }
            ScanClose(&device);
        }
        // Recorded on the strength of its name, whether or not it opened.
        RecordDevice(&key, rule, name, NULL);
        found = 1;
    }
    ScanClose(&key);
    return found;
}

uint8_t MonitorDeviceScan(SearchSession* session, const RegistryRule& rule)
{
    return EachOpenSubkeyOf(session, rule.hive, rule.keyPath, 0, [&](ScanKey* monitor, const char* monitorName) {
        uint8_t found = 0;
        char instanceName[kNameSize];
        for (DWORD j = 0; ScanEnumSubkey(monitor, j, instanceName); j++) {
            if (!AsciiStartsWithNoCase(instanceName, kMonitorPrefix) ||
                !MatchesHardwareId(instanceName + strlen(kMonitorPrefix), rule.product))
                continue;
            RecordDeviceInstance(rule, monitor, monitorName, instanceName);
            found = 1;
        }
        return found;
    });
}

uint8_t ChildDeviceScan(SearchSession* session, const RegistryRule& rule)
{
    // The adapters are looked for in the PCI enumerator whatever the rule's own key.
    ScanKey pci;
    if (!ScanOpen(session, HKEY_LOCAL_MACHINE, kPciEnumerator, &pci)) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; ScanEnumSubkey(&pci, i, name); i++) {
        if (!MatchesHardwareId(name, rule.product)) continue;
        ScanKey device;
        if (!ScanOpenSub(&pci, name, &device)) continue;
        ScanKey instance;
        if (OpenFirstInstance(&device, &instance)) {
            char prefix[256];
            if (ScanReadString(&instance, "ParentIdPrefix", prefix, sizeof prefix) && prefix[0] != '\0')
                found = ChildScan(session, rule, prefix) | found;
            ScanClose(&instance);
        }
        ScanClose(&device);
    }
    ScanClose(&pci);
    return found;
}
