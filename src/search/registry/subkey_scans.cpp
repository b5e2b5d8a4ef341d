// The subkey scans: driver class instances, video devices, desktop namespace entries and device
// interfaces, recognised by the values their subkeys hold.
#include "search/registry/subkey_scans.h"
#include <string.h>
#include "model/found_items.h"
#include "platform/text_ops.h"
#include "search/registry/scan_paths.h"
#include "search/registry/shared_reads.h"
#include "tables/maker_names.h"

namespace {

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

// Records rule.keyPath\name, a subkey of the scanned key, under the rule's kind and hive in the
// view the subkey was read in; 1 when the path could be built.
uint8_t RecordSubkey(const RegistryRule& rule, const ScanKey* subkey, const char* name)
{
    char path[kKeyPathSize];
    if (!JoinKeyPath(path, sizeof path, rule.keyPath, name)) return 0;
    RecordRegistryItem(subkey->session, subkey->view, rule.kind, rule.hive, path, NULL, subkey->handle);
    return 1;
}

// The provider test of one class instance: the chip vendor's property-sheet handler (recorded
// as kind 2, not counted) and an instance whose "InfSection" is the rule's argument.
uint8_t ProviderTest(const RegistryRule& rule, ScanKey* instance, const char* name)
{
    char provider[256];
    if (!ScanReadString(instance, "ProviderName", provider, sizeof provider)) return 0;
    const uint8_t chipVendor = CompareNoCase(provider, kChipVendor) == 0 ? 1 : 0;
    if (!chipVendor && !IsMakerName(provider)) return 0;

    if (chipVendor && ScanSubkeyExists(instance, kCplHandlerPath)) {
        char path[kKeyPathSize];
        if (JoinKeyPath(path, sizeof path, rule.keyPath, name, kCplHandlerPath))
            RecordRegistryItem(instance->session, instance->view, RegistryRuleKind::PropertySheetHandlerKey, rule.hive, path, NULL);
    }
    char section[1024];
    if (ScanReadString(instance, "InfSection", section, sizeof section) && EqualsArgument(section, rule.argument))
        return RecordSubkey(rule, instance, name);
    return 0;
}

// The manufacturer test of one enumerator instance: the maker's "Mfg" and the rule's service.
uint8_t ManufacturerTest(const RegistryRule& rule, ScanKey* instance, const char* name)
{
    char manufacturer[256];
    if (!ScanReadString(instance, "Mfg", manufacturer, sizeof manufacturer) || !IsMakerName(manufacturer))
        return 0;
    char service[1024];
    if (ScanReadString(instance, "Service", service, sizeof service) && EqualsArgument(service, rule.argument))
        return RecordSubkey(rule, instance, name);
    return 0;
}

uint8_t IsMakerVideoDescription(const char* description)
{
    for (const char* prefix : kVideoPrefixes) {
        if (strncmp(description, prefix, strlen(prefix)) == 0) return 1;
    }
    return 0;
}

// One open reference-string key T of interface S: 1 when its friendly name is the argument.
uint8_t InterfaceReferenceMatches(const RegistryRule& rule, ScanKey* reference, const char* interfaceName,
                                  const char* referenceName)
{
    uint8_t matched = 0;
    ScanKey parameters;
    if (ScanOpenSub(reference, "Device Parameters", &parameters)) {
        char friendly[256];
        if (ScanReadString(&parameters, "FriendlyName", friendly, sizeof friendly) && friendly[0] != '\0' &&
            rule.argument != NULL && strcmp(friendly, rule.argument) == 0) {
            matched = 1;
            // Recorded under HKEY_LOCAL_MACHINE, where the deletion finds it, and only when it is
            // there.
            char path[kKeyPathSize];
            if (JoinKeyPath(path, sizeof path, rule.keyPath, interfaceName, referenceName) &&
                ScanKeyExists(reference->session, HKEY_LOCAL_MACHINE, path))
                RecordRegistryItem(reference->session, reference->view, RegistryRuleKind::DeviceInterfaceScan, HKEY_LOCAL_MACHINE,
                                   path, NULL);
        }
        ScanClose(&parameters);
    }
    return matched;
}

}  // namespace

uint8_t DriverClassScan(SearchSession* session, const RegistryRule& rule)
{
    return EachOpenSubkeyOf(session, rule.hive, rule.keyPath, 0, [&](ScanKey* instance, const char* name) {
        // Both tests for every instance, the provider's first: an instance passing both is
        // offered twice, and the found-item list keeps one.
        const uint8_t provider = ProviderTest(rule, instance, name);
        return (uint8_t)(ManufacturerTest(rule, instance, name) | provider);
    });
}

uint8_t VideoKeyScan(SearchSession* session, const RegistryRule& rule)
{
    return EachOpenSubkeyOf(session, rule.hive, rule.keyPath, 0, [&](ScanKey* device, const char* name) {
        uint8_t found = 0;
        // Only the first adapter tells what the device is.
        ScanKey adapter;
        if (ScanOpenSub(device, "0000", &adapter)) {
            char description[256];
            ScanReadString(&adapter, "Device Description", description, sizeof description);
            if (IsMakerVideoDescription(description)) found = RecordSubkey(rule, device, name);
            ScanClose(&adapter);
        }
        return found;
    });
}

uint8_t DefaultValueScan(SearchSession* session, const RegistryRule& rule)
{
    // The first subkey whose default value equals the argument.
    return EachOpenSubkeyOf(session, rule.hive, rule.keyPath, 1, [&](ScanKey* sub, const char* name) {
        char text[256];
        if (ScanReadString(sub, NULL, text, sizeof text) && EqualsArgument(text, rule.argument))
            return RecordSubkey(rule, sub, name);
        return (uint8_t)0;
    });
}

uint8_t DeviceInterfaceScan(SearchSession* session, const RegistryRule& rule)
{
    return EachOpenSubkeyOf(session, rule.hive, rule.keyPath, 0, [&](ScanKey* interfaceKey, const char* name) {
        return EachOpenSubkey(interfaceKey, 0, [&](ScanKey* reference, const char* referenceName) {
            return InterfaceReferenceMatches(rule, reference, name, referenceName);
        });
    });
}
