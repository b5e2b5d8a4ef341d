// A machine with more traces than the found-item list holds: the search fills the list to its
// capacity and reports the file it had to drop, and a silent run deletes exactly what the list
// held, leaving the traces that did not fit.
#include <gtest/gtest.h>
#include <string.h>
#include "clean/deletion_driver.h"
#include "search/search_all.h"
#include "model/products.h"
#include "platform/machine_halves.h"
#include "sample_machine.h"
#include "support/helpers.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

const char kDisplayClass[] = "System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}";

const char* HiveText(HKEY hive)
{
    if (hive == HKEY_CLASSES_ROOT) return "HKCR";
    if (hive == HKEY_CURRENT_USER) return "HKCU";
    if (hive == HKEY_USERS) return "HKU";
    return "HKLM";
}

// The list as a description: every item a trace of its family that must go.
void ItemsAsTraces(const FoundItemList& list, SampleMachine* machine)
{
    for (int32_t i = 0; i < list.count; i++) {
        const FoundItem& item = list.items[i];
        Trace trace = Trace();
        trace.source = "list";
        trace.line = i;
        trace.category = "item";
        TraceFinder finder = {item.productIndex, kFinderFileRule, -1, ""};
        trace.finders.push_back(finder);
        if (item.itemClass == 1) {
            trace.type = kTraceFile;
            trace.path = item.path;
        } else {
            trace.type = item.valueName != NULL ? kTraceValue : kTraceKey;
            trace.hive = HiveText(item.hive);
            trace.keyPath = item.path;
            trace.hasValueName = item.valueName != NULL ? 1 : 0;
            trace.valueName = item.valueName != NULL ? item.valueName : "";
        }
        machine->traces.push_back(trace);
    }
}

TEST(FullList, SearchFillsTheListAndTheSilentRunDeletesExactlyItsItems)
{
    InitProcessValuesForTest();
    // The halves as envsweep.exe sees them (its list's capacity and its search depend on them),
    // for this test only.
    ScopedHalves halves;
    // A kind-5 rule of the display class: every instance it recognises is an item of its own.
    const RegistryRule* rule = NULL;
    for (int i = 0; kRegistryRules[i].keyPath != NULL && rule == NULL; i++) {
        if (kRegistryRules[i].kind == 5 && kRegistryRules[i].argument != NULL &&
            lstrcmpiA(kRegistryRules[i].keyPath, kDisplayClass) == 0)
            rule = &kRegistryRules[i];
    }
    ASSERT_TRUE(rule != NULL);
    // And a file a file rule names, which the search finds once the list is full.
    std::string filePath;
    for (int i = 0; kFileRules[i].file != NULL && filePath.empty(); i++) {
        if (!kFileRules[i].disabled && strcmp(kFileRules[i].folder, "%SYSTEM%") == 0 && !strchr(kFileRules[i].file, '@') &&
            !strchr(kFileRules[i].file, '\\'))
            filePath = ExpandMacros(std::string("%SYSTEM%\\") + kFileRules[i].file);
    }
    ASSERT_FALSE(filePath.empty());
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(filePath.c_str())) << filePath << " is not ours";

    const int32_t capacity = FoundItemCapacity();
    const int instances = capacity + 150;
    std::vector<std::string> keys;
    for (int i = 0; i < instances; i++) {
        char name[64];
        snprintf(name, sizeof name, "\\EnvsweepFull%04d", i);
        keys.push_back(std::string(kDisplayClass) + name);
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, keys.back().c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                                 &key, NULL));
        RegSetValueExA(key, "ProviderName", 0, REG_SZ, (const BYTE*)"Morvane", 8);
        RegSetValueExA(key, "InfSection", 0, REG_SZ, (const BYTE*)rule->argument, (DWORD)strlen(rule->argument) + 1);
        RegCloseKey(key);
    }
    HANDLE file = CreateFileA(filePath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);

    // The search in this process: the list fills up, the file does not fit.
    SampleMachine machine;
    {
        ScopedFoundItems items(capacity);
        ProductSelection(-2, 0x3FFFF);
        EXPECT_EQ(0, SearchAll(NULL, 0));
        EXPECT_EQ(capacity, items.list()->count);
        int fileItems = 0;
        for (int32_t i = 0; i < items.list()->count; i++) {
            ASSERT_TRUE(items.list()->items[i].path != NULL) << i;
            fileItems += items.list()->items[i].itemClass == 1 ? 1 : 0;
        }
        EXPECT_EQ(0, fileItems);
        ItemsAsTraces(*items.list(), &machine);
    }
    // What did not fit must stay: the remaining instances and the file.
    int listed = 0;
    for (int i = 0; i < instances; i++) {
        uint8_t inList = 0;
        for (size_t t = 0; t < machine.traces.size() && !inList; t++)
            inList = lstrcmpiA(machine.traces[t].keyPath.c_str(), keys[i].c_str()) == 0 ? 1 : 0;
        listed += inList;
        if (inList) continue;
        Trace trace = Trace();
        trace.source = "left";
        trace.type = kTraceKey;
        trace.category = "beyond";
        trace.hive = "HKLM";
        trace.keyPath = keys[i];
        machine.traces.push_back(trace);
    }
    EXPECT_GT(listed, 0);
    EXPECT_LT(listed, instances);

    Snapshot before, after;
    ASSERT_TRUE(TakeSnapshot(&before));
    EXPECT_EQ(0u, RunEnvsweep("/C 262143 /S", 600000));
    ASSERT_TRUE(TakeSnapshot(&after));
    Comparison comparison;
    CompareSnapshots(machine, before, after, 0x3FFFF, 0, &comparison);
    EXPECT_TRUE(comparison.exact) << ReportText(comparison).substr(0, 12000);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(filePath.c_str()));

    DeleteFileA(filePath.c_str());
    for (int i = 0; i < instances; i++) DeleteTree(HKEY_LOCAL_MACHINE, keys[i]);
}

}  // namespace
