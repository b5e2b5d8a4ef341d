// The subkey scans: driver class instances, video devices, desktop namespace entries and device
// interfaces, recognised by the values their subkeys hold.
#include "search/registry/subkey_scans.h"
#include <string.h>
#include "model/found_items.h"
#include "platform/registry_access.h"
#include "platform/text_ops.h"
#include "search/registry/scan_paths.h"

namespace {

const char kCplHandlerPath[] = "shellex\\PropertySheetHandlers\\NVIDIA CPL Extension";
const char kChipVendor[] = "NVIDIA";
const char* const kMakerNames[] = {"Morvane Co., Ltd.", "Morvane"};
// Video device descriptions that mark the maker's and the chip vendor's adapters (case-sensitive).
const char* const kVideoPrefixes[] = {"Morvane VANTIRA", "NVIDIA"};

// Whole-string comparison in the system locale, without regard to case; an absent argument
// equals nothing.
uint8_t EqualsArgument(const char* text, const char* argument)
{
    return argument != NULL && CompareNoCase(text, argument) == 0 ? 1 : 0;
}

uint8_t IsMakerName(const char* text)
{
    for (const char* name : kMakerNames) {
        if (CompareNoCase(text, name) == 0) return 1;
    }
    return 0;
}

// Records rule.keyPath\name under the rule's kind and hive; 1 when the path could be built.
uint8_t RecordSubkey(const RegistryRule& rule, const char* name)
{
    char path[kKeyPathSize];
    if (!JoinKeyPath(path, sizeof path, rule.keyPath, name)) return 0;
    AddRegistryItem(rule.kind, rule.hive, path, NULL);
    return 1;
}

// The provider test of one class instance: the chip vendor's property-sheet handler (recorded
// as kind 2, not counted) and an instance whose "InfSection" is the rule's argument.
uint8_t ProviderTest(const RegistryRule& rule, HKEY instance, const char* name)
{
    char provider[256];
    if (!ReadStringValue(instance, "ProviderName", provider, sizeof provider)) return 0;
    const uint8_t chipVendor = CompareNoCase(provider, kChipVendor) == 0 ? 1 : 0;
    if (!chipVendor && !IsMakerName(provider)) return 0;

    if (chipVendor && KeyExists(instance, kCplHandlerPath)) {
        char path[kKeyPathSize];
        if (JoinKeyPath(path, sizeof path, rule.keyPath, name, kCplHandlerPath))
            AddRegistryItem(RegistryRuleKind::PropertySheetHandlerKey, rule.hive, path, NULL);
    }
    char section[1024];
    if (ReadStringValue(instance, "InfSection", section, sizeof section) && EqualsArgument(section, rule.argument))
        return RecordSubkey(rule, name);
    return 0;
}

// The manufacturer test of one enumerator instance: the maker's "Mfg" and the rule's service.
uint8_t ManufacturerTest(const RegistryRule& rule, HKEY instance, const char* name)
{
    char manufacturer[256];
    if (!ReadStringValue(instance, "Mfg", manufacturer, sizeof manufacturer) || !IsMakerName(manufacturer))
        return 0;
    char service[1024];
    if (ReadStringValue(instance, "Service", service, sizeof service) && EqualsArgument(service, rule.argument))
        return RecordSubkey(rule, name);
    return 0;
}

uint8_t IsMakerVideoDescription(const char* description)
{
    for (const char* prefix : kVideoPrefixes) {
        if (strncmp(description, prefix, strlen(prefix)) == 0) return 1;
    }
    return 0;
}

// Kinds 12 and 13: the first subkey whose default value equals the argument.
uint8_t FirstDefaultValueMatch(const RegistryRule& rule)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath);
    if (key == NULL) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; !found && EnumSubkeyName(key, i, name); i++) {
        HKEY sub = OpenKeyForRead(key, name);
        if (sub == NULL) continue;
        char text[256];
        if (ReadStringValue(sub, NULL, text, sizeof text) && EqualsArgument(text, rule.argument))
            found = RecordSubkey(rule, name);
        RegCloseKey(sub);
    }
    RegCloseKey(key);
    return found;
}

// One reference-string key T of interface S: 1 when its friendly name is the argument.
uint8_t InterfaceReferenceMatches(const RegistryRule& rule, HKEY interfaceKey, const char* interfaceName,
                                  const char* referenceName)
{
    HKEY reference = OpenKeyForRead(interfaceKey, referenceName);
    if (reference == NULL) return 0;
    uint8_t matched = 0;
    HKEY parameters = OpenKeyForRead(reference, "Device Parameters");
    if (parameters != NULL) {
        char friendly[256];
        if (ReadStringValue(parameters, "FriendlyName", friendly, sizeof friendly) && friendly[0] != '\0' &&
            rule.argument != NULL && strcmp(friendly, rule.argument) == 0) {
            matched = 1;
            // Recorded under HKEY_LOCAL_MACHINE, where the deletion finds it, and only when it is
            // there.
            char path[kKeyPathSize];
            if (JoinKeyPath(path, sizeof path, rule.keyPath, interfaceName, referenceName) &&
                KeyExists(HKEY_LOCAL_MACHINE, path))
                AddRegistryItem(RegistryRuleKind::DeviceInterfaceScan, HKEY_LOCAL_MACHINE, path, NULL);
        }
        RegCloseKey(parameters);
    }
    RegCloseKey(reference);
    return matched;
}

}  // namespace

uint8_t DriverClassScan(const RegistryRule& rule)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath);
    if (key == NULL) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(key, i, name); i++) {
        HKEY instance = OpenKeyForRead(key, name);
        if (instance == NULL) continue;
        // Both tests for every instance: an instance passing both is offered twice, and the
        // found-item list keeps one.
        found = ProviderTest(rule, instance, name) | found;
        found = ManufacturerTest(rule, instance, name) | found;
        RegCloseKey(instance);
    }
    RegCloseKey(key);
    return found;
}

uint8_t VideoKeyScan(const RegistryRule& rule)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath);
    if (key == NULL) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(key, i, name); i++) {
        HKEY device = OpenKeyForRead(key, name);
        if (device == NULL) continue;
        // Only the first adapter tells what the device is.
        HKEY adapter = OpenKeyForRead(device, "0000");
        if (adapter != NULL) {
            char description[256];
            ReadStringValue(adapter, "Device Description", description, sizeof description);
            if (IsMakerVideoDescription(description)) found = RecordSubkey(rule, name) | found;
            RegCloseKey(adapter);
        }
        RegCloseKey(device);
    }
    RegCloseKey(key);
    return found;
}

uint8_t NamespaceExtensionScan(const RegistryRule& rule)
{
    return FirstDefaultValueMatch(rule);
}

uint8_t DefaultValueScan(const RegistryRule& rule)
{
    return FirstDefaultValueMatch(rule);
}

uint8_t DeviceInterfaceScan(const RegistryRule& rule)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath);
    if (key == NULL) return 0;
    uint8_t found = 0;
    char name[kNameSize];
    for (DWORD i = 0; EnumSubkeyName(key, i, name); i++) {
        HKEY interfaceKey = OpenKeyForRead(key, name);
        if (interfaceKey == NULL) continue;
        char reference[kNameSize];
        for (DWORD j = 0; EnumSubkeyName(interfaceKey, j, reference); j++)
            found = InterfaceReferenceMatches(rule, interfaceKey, name, reference) | found;
        RegCloseKey(interfaceKey);
    }
    RegCloseKey(key);
    return found;
}
