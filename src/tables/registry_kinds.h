// The registry rule kinds: what each kind means to the search, the restricted run, the deletion,
// the taken-along check and the backup, one row per kind.
#pragma once
#include <stdint.h>

// How the search evaluates a rule of the kind. The search dispatches on it; the scans themselves
// live in the search layer.
enum KindSearch : uint8_t {
    kSearchPlainLookup = 0,         // the rule's key, or its argument's value, as written
    kSearchBuiltValueName = 1,      // a value whose name is built from the argument's template
    kSearchDllList = 2,             // a list value that names the maker's DLL
    kSearchDriverClassScan = 3,     // class or enumerator instances by provider or manufacturer
    kSearchPciDeviceScan = 4,       // PCI devices by hardware ID, with their video keys
    kSearchMonitorDeviceScan = 5,   // monitors of the older layout, with their driver keys
    kSearchChildDeviceScan = 6,     // child devices of the maker's adapters, with their driver keys
    kSearchVideoKeyScan = 7,        // video keys by device description
    kSearchNamespaceScan = 8,       // desktop namespace entries by default value
    kSearchDefaultValueScan = 9,    // subkeys by default value
    kSearchInterfaceScan = 10,      // device interfaces by friendly name
};

// Whether a rule of the kind takes part in the restricted (/X) run.
enum KindRestricted : uint8_t {
    kRestrictedModeTag = 0,   // when its mode tag passes
    kRestrictedAlways = 1,
    kRestrictedNever = 2,
    kRestrictedFamilyOne = 3, // family 1's rows only, and those when their mode tag passes
};

// How the deletion removes an item of the kind; the backup saves first what that removal takes.
enum KindRemoval : uint8_t {
    kRemoveNothing = 0,          // no removal: the item stays (and nothing is saved)
    kRemovePlain = 1,            // the item's own key or value, nothing besides
    kRemoveHandlerClass = 2,     // the item, and first the class its value names
    kRemoveFromDllList = 3,      // the DLL's entry, rewriting the list value
    kRemoveNamespaceEntry = 4,   // the namespace entry, its Approved value and its class
};

struct RegistryKindRow {
    int32_t kind;            // RegistryRuleKind; -1 in the end row
    const char* name;        // RegistryRuleKind's name; absent only in the end row
    KindSearch search;
    KindRestricted restricted;
    KindRemoval removal;
    uint8_t removesKey;      // 1: a key item's removal takes the key and all below it along
    uint8_t scanDepth;       // levels of subkeys below the rule's key the search reads
};

// One row per kind 0..14, in kind order, then the end row, which also answers for every kind
// outside the table.
extern const RegistryKindRow kRegistryKinds[];

// The row of kind, or the end row for a kind outside the table.
const RegistryKindRow& RegistryKind(int32_t kind);
