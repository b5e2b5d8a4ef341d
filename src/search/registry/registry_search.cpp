// The registry search driver: decides per row whether it takes part, evaluates it by its kind
// and moves the progress bar one step per row, whatever happened to the row.
#include "search/registry/registry_search.h"
#include <commctrl.h>
#include "model/products.h"
#include "platform/ascii_case.h"
#include "search/registry/device_scans.h"
#include "search/registry/key_value_rules.h"
#include "search/registry/subkey_scans.h"

uint8_t ModeTagPasses(const RegistryRule& rule)
{
    if (rule.modeTag == NULL) return 1;
    return AsciiEqualNoCase(rule.modeTag, "heavy");
}

uint8_t RuleTakesPart(const RegistryRule& rule, uint8_t restricted)
{
    if (!restricted) return 1;
    switch (RegistryKind(rule.kind).restricted) {
    case kRestrictedAlways:
        return 1;
    case kRestrictedNever:
        return 0;
    case kRestrictedFamilyOne:
        return (rule.product == 1 && ModeTagPasses(rule)) ? 1 : 0;
    default:
        return ModeTagPasses(rule);
    }
}

// Kind 7: the value name is built at search time; the lookup runs on a copy of the rule that
// carries the built name, so the item is recorded with the rule's kind, hive and key path.
static uint8_t FileReferenceLookup(SearchSession* session, const RegistryRule& rule)
{
    char name[512];
    if (!BuildRuleValueName(session, rule, name)) return 0;
    RegistryRule copy = rule;
    copy.argument = name;
    return PlainLookup(copy, SessionView(session), session);
}

uint8_t EvaluateRegistryRule(SearchSession* session, const RegistryRule& rule)
{
    switch (RegistryKind(rule.kind).search) {
    case kSearchBuiltValueName:
        return FileReferenceLookup(session, rule);
    case kSearchDllList:
        return DllListValue(rule, SessionView(session), session);
    case kSearchDriverClassScan:
        return DriverClassScan(session, rule);
    case kSearchPciDeviceScan:
        return PciDeviceScan(session, rule);
    case kSearchMonitorDeviceScan:
        return MonitorDeviceScan(session, rule);
    case kSearchChildDeviceScan:
        return ChildDeviceScan(session, rule);
    case kSearchVideoKeyScan:
        return VideoKeyScan(session, rule);
    case kSearchNamespaceScan:
    case kSearchDefaultValueScan:
        return DefaultValueScan(session, rule);
    case kSearchInterfaceScan:
        return DeviceInterfaceScan(session, rule);
    default:
        // Recorded under the rule's own key or value.
        return PlainLookup(rule, SessionView(session), session);
    }
}

// HKEY_LOCAL_MACHINE\System is one key for both views: the platform redirects nothing below it.
// A rule that reads and records only there finds nothing in the other view that the own view
// did not (the other pass records only keys of that half's own), so that pass skips it instead
// of reading the device and class trees a second time. The device scans also record the driver
// key an instance names below the rule's argument.
static uint8_t RuleStaysInSharedSystem(const RegistryRule& rule)
{
    if (rule.hive != HKEY_LOCAL_MACHINE || !AsciiStartsWithNoCase(rule.keyPath, "System\\")) return 0;
    const int32_t search = RegistryKind(rule.kind).search;
    if (search == kSearchMonitorDeviceScan || search == kSearchChildDeviceScan || search == kSearchPciDeviceScan)
        return rule.argument == NULL || AsciiStartsWithNoCase(rule.argument, "System\\");
    return 1;
}

uint8_t SearchRegistryRows(SearchSession* session, const RegistryRule* rules, HWND progress)
{
    if (session == NULL) return SearchInReference(SearchRegistryRows, rules, progress);
    int32_t rows = 0;
    while (rules[rows].keyPath != NULL) rows++;
    const int start = progress ? (int)SendMessageA(progress, PBM_GETPOS, 0, 0) : 0;
    const uint8_t restricted = session->restricted;
    const int32_t views = RegistryViewCount();
    // The bar's range has one step per row: each walk moves it by its share of the rows.
    int32_t step = 0;
    for (int32_t pass = 0; pass < views; pass++) {
        session->registryView = pass == 0 ? kViewOwn : kViewOther;
        for (int32_t i = 0; i < rows; i++) {
            CurrentRule(kProductSideRegistry, i);
            // The found flag is not used: a rule that finds nothing is no failure of the search.
            const uint8_t skip = pass > 0 && RuleStaysInSharedSystem(rules[i]);
            if (!skip && RuleTakesPart(rules[i], restricted)) EvaluateRegistryRule(session, rules[i]);
            step++;
            if (progress) SendMessageA(progress, PBM_SETPOS, (WPARAM)(start + step / views), 0);
        }
    }
    session->registryView = kViewOwn;
    return 1;
}

uint8_t SearchRegistry(SearchSession* session, HWND progress)
{
    return SearchRegistryRows(session, kRegistryRules, progress);
}
