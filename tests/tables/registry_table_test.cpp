// The registry rule table: its distribution over hives, families and kinds, and the shape of the
// rows of each kind.
#include <gtest/gtest.h>
#include <ctype.h>
#include <set>
#include "tables/registry_rules.h"
#include "tables/table_text.h"

namespace {

const char kCcs[] = "System\\CurrentControlSet";
const char* const kControlSets[] = {"System\\CurrentControlSet", "System\\ControlSet001",
                                    "System\\ControlSet002", "System\\ControlSet003"};
const char kFilterInstances[] =
    "SOFTWARE\\Classes\\CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kOemName[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\SetupX\\INF\\OEM Name";

std::string HiveTag(HKEY hive)
{
    return std::to_string((unsigned long long)(ULONG_PTR)hive);
}

int RowCount()
{
    return CountRegistryRules();
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hex digits in either case.
bool IsGuid(const std::string& text)
{
    static const char pattern[] = "{########-####-####-####-############}";
    if (text.size() != sizeof pattern - 1) return false;
    for (size_t i = 0; i < text.size(); i++) {
        if (pattern[i] == '#') {
            if (!isxdigit((unsigned char)text[i])) return false;
        } else if (pattern[i] != text[i]) {
            return false;
        }
    }
    return true;
}

// The control set a key path starts with (0..3), or -1.
int ControlSetOf(const char* keyPath)
{
    for (int i = 0; i < 4; i++) {
        const size_t n = strlen(kControlSets[i]);
        if (_strnicmp(keyPath, kControlSets[i], n) == 0 && keyPath[n] == '\\') return i;
    }
    return -1;
}

// The key path with its control set replaced by "<set>", so that copies compare equal.
std::string WithoutControlSet(const char* keyPath)
{
    const int set = ControlSetOf(keyPath);
    if (set < 0) return keyPath;
    return std::string("<set>") + (keyPath + strlen(kControlSets[set]));
}

}  // namespace

TEST(RegistryRules, TableEndsAfterTheRuleRowsAndEveryRowIsWellFormed)
{
    ASSERT_EQ(975, RowCount());
    EXPECT_EQ(NULL, kRegistryRules[975].keyPath);
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        SCOPED_TRACE(testing::Message() << "row " << i << " " << r.keyPath);
        EXPECT_GE(r.product, 0);
        EXPECT_LE(r.product, 17);
        EXPECT_GE(r.kind, 0);
        EXPECT_LE(r.kind, 14);
        EXPECT_TRUE(r.hive == HKEY_LOCAL_MACHINE || r.hive == HKEY_CLASSES_ROOT ||
                    r.hive == HKEY_CURRENT_USER || r.hive == HKEY_USERS);
        const size_t n = strlen(r.keyPath);
        ASSERT_GT(n, 0u);
        // Key paths are joined with subkey names in 1024-character buffers by the scans.
        EXPECT_LT(n, 700u);
        EXPECT_NE('\\', r.keyPath[0]);
        EXPECT_NE('\\', r.keyPath[n - 1]);
        EXPECT_EQ(NULL, strstr(r.keyPath, "\\\\"));
        EXPECT_EQ(NULL, strpbrk(r.keyPath, "\t\r\n"));
        if (r.argument != NULL) {
            EXPECT_NE('\0', r.argument[0]);
        }
        // Registry key names hold at most 255 characters.
        for (const char* c = r.keyPath; *c;) {
            const char* end = strchr(c, '\\');
            const size_t len = end ? (size_t)(end - c) : strlen(c);
            EXPECT_LE(len, 255u);
            c += len + (end ? 1 : 0);
        }
    }
}

TEST(RegistryRules, DistributionOverHivesFamiliesAndKinds)
{
    std::map<HKEY, int> hives;
    std::map<int, int> families, kinds;
    for (int i = 0; i < RowCount(); i++) {
        hives[kRegistryRules[i].hive]++;
        families[kRegistryRules[i].product]++;
        kinds[kRegistryRules[i].kind]++;
    }
    EXPECT_EQ(718, CountOf(hives, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(160, CountOf(hives, HKEY_CLASSES_ROOT));
    EXPECT_EQ(73, CountOf(hives, HKEY_CURRENT_USER));
    EXPECT_EQ(24, CountOf(hives, HKEY_USERS));
    const int perFamily[18] = {170, 80, 13, 17, 12, 0, 0, 296, 29, 36, 17, 68, 84, 51, 17, 12, 56, 17};
    for (int p = 0; p < 18; p++) EXPECT_EQ(perFamily[p], CountOf(families, p)) << "family " << p;
    const int perKind[15] = {603, 11, 4, 121, 4, 114, 11, 58, 1, 1, 1, 1, 1, 0, 44};
    for (int k = 0; k < 15; k++) EXPECT_EQ(perKind[k], CountOf(kinds, k)) << "kind " << k;
}

TEST(RegistryRules, PlainRowsNameClassesFiltersRunValuesAndTheHeavyKeys)
{
    int clsids = 0, filters = 0, valueRows = 0, hkcrOther = 0;
    std::vector<int> tagged;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.modeTag != NULL) tagged.push_back(i);
        if (r.kind != RegistryRuleKind::KeyOrValue) {
            // Only the plain rows live outside HKEY_LOCAL_MACHINE.
            EXPECT_EQ(HKEY_LOCAL_MACHINE, r.hive) << i;
            continue;
        }
        if (r.hive == HKEY_CLASSES_ROOT) {
            if (StartsWithNoCase(r.keyPath, "CLSID\\")) {
                EXPECT_TRUE(IsGuid(r.keyPath + 6)) << r.keyPath;
                clsids++;
            } else {
                hkcrOther++;
            }
        }
        if (StartsWithNoCase(r.keyPath, kFilterInstances)) {
            EXPECT_EQ(HKEY_LOCAL_MACHINE, r.hive);
            EXPECT_TRUE(IsGuid(r.keyPath + strlen(kFilterInstances))) << r.keyPath;
            filters++;
        }
        if (r.argument != NULL) {
            EXPECT_STREQ(kRunKey, r.keyPath) << "value " << r.argument;
            EXPECT_TRUE(r.hive == HKEY_LOCAL_MACHINE || r.hive == HKEY_CURRENT_USER);
            valueRows++;
        }
        // No plain rule may take the whole maker's key, or a whole standard key, with it.
        EXPECT_FALSE(EqualNoCase(r.keyPath, "Software\\Morvane")) << i;
        EXPECT_FALSE(EqualNoCase(r.keyPath, "CLSID")) << i;
    }
    EXPECT_EQ(144, clsids);
    EXPECT_EQ(16, hkcrOther);
    EXPECT_EQ(88, filters);
    EXPECT_EQ(8, valueRows);

    ASSERT_EQ(2u, tagged.size());
    std::set<HKEY> tagHives;
    for (int i : tagged) {
        const RegistryRule& r = kRegistryRules[i];
        EXPECT_STREQ("Heavy", r.modeTag);
        EXPECT_EQ(1, r.product);
        EXPECT_EQ(RegistryRuleKind::KeyOrValue, r.kind);
        EXPECT_EQ(NULL, r.argument);
        ASSERT_TRUE(StartsWithNoCase(r.keyPath, "Software\\Morvane\\"));
        // The family's own key, directly below the maker's key.
        EXPECT_EQ(NULL, strchr(r.keyPath + strlen("Software\\Morvane\\"), '\\')) << r.keyPath;
        tagHives.insert(r.hive);
    }
    EXPECT_STREQ(kRegistryRules[tagged[0]].keyPath, kRegistryRules[tagged[1]].keyPath);
    EXPECT_EQ(1u, tagHives.count(HKEY_CURRENT_USER));
    EXPECT_EQ(1u, tagHives.count(HKEY_LOCAL_MACHINE));
}

TEST(RegistryRules, ServiceRowsNameOneServiceKeyEach)
{
    const std::string profile = std::string(kCcs) +
        "\\Hardware Profiles\\Current\\System\\CurrentControlSet\\SERVICES\\";
    std::map<std::string, std::set<int>> setsOfService;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        SCOPED_TRACE(r.keyPath);
        if (r.kind == RegistryRuleKind::ProfileServiceKey) {
            EXPECT_EQ(0, r.product);
            ASSERT_TRUE(StartsWithNoCase(r.keyPath, profile.c_str()));
            EXPECT_EQ(NULL, strchr(r.keyPath + profile.size(), '\\'));
        } else if (r.kind == RegistryRuleKind::ServiceKey || r.kind == RegistryRuleKind::ChipServiceKey) {
            const int set = ControlSetOf(r.keyPath);
            ASSERT_GE(set, 0);
            EXPECT_TRUE(EqualNoCase(Parent(r.keyPath).c_str(),
                                    (std::string(kControlSets[set]) + "\\Services").c_str()));
            if (r.kind == RegistryRuleKind::ChipServiceKey) {
                EXPECT_EQ(0, set);
                EXPECT_EQ(0, r.product);
            } else {
                setsOfService[Lower(LastComponent(r.keyPath).c_str())].insert(set);
            }
        }
    }
    // Every service has its key in the current control set, copies or not.
    for (const auto& s : setsOfService) EXPECT_EQ(1u, s.second.count(0)) << s.first;
}

TEST(RegistryRules, PropertySheetHandlerRowsCoverBothControlPanelPages)
{
    const char* const parents[] = {
        "Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Display\\shellex\\PropertySheetHandlers",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Device\\shellex\\PropertySheetHandlers"};
    int perParent[2] = {0, 0};
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::PropertySheetHandlerKey) continue;
        const std::string parent = Parent(r.keyPath);
        int hit = -1;
        for (int j = 0; j < 2; j++) {
            if (EqualNoCase(parent.c_str(), parents[j])) hit = j;
        }
        ASSERT_GE(hit, 0) << r.keyPath;
        perParent[hit]++;
    }
    EXPECT_EQ(2, perParent[0]);
    EXPECT_EQ(2, perParent[1]);
}

TEST(RegistryRules, ClassScanRowsUseTheClassAndEnumeratorKeys)
{
    const char* const classes[] = {"{4D36E96C-E325-11CE-BFC1-08002BE10318}",
                                   "{4D36E968-E325-11CE-BFC1-08002BE10318}",
                                   "{36FC9E60-C465-11CF-8056-444553540000}",
                                   "{6bdd1fc6-810f-11d0-bec7-08002be2092f}"};
    std::map<std::string, int> allowed;   // lower-cased key -> rows
    for (const char* set : kControlSets) {
        for (const char* cls : classes) allowed[Lower((std::string(set) + "\\Control\\Class\\" + cls).c_str())] = 0;
    }
    allowed[Lower((std::string(kCcs) + "\\Services\\Class\\Media").c_str())] = 0;
    allowed[Lower((std::string(kCcs) + "\\Services\\Class\\Display").c_str())] = 0;
    allowed[Lower((std::string(kCcs) + "\\Enum\\Root\\MEDIA").c_str())] = 0;
    int withoutArgument = 0;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::DriverClassScan) continue;
        auto it = allowed.find(Lower(r.keyPath));
        ASSERT_TRUE(it != allowed.end()) << r.keyPath;
        it->second++;
        if (r.argument == NULL) withoutArgument++;
    }
    EXPECT_EQ(3, withoutArgument);
    // Every class key of every control set is scanned by some row.
    for (const auto& a : allowed) EXPECT_GT(a.second, 0) << a.first;
}

TEST(RegistryRules, PciScanRowsBelongToTheBoardFamilies)
{
    std::set<std::string> allowed;
    for (const char* k : {"Enum\\PCI", "System\\CurrentControlSet\\Enum\\PCI",
                          "System\\CurrentControlSet\\Enum\\Root\\DISPLAY",
                          "System\\CurrentControlSet\\Enum\\Root\\MEDIA",
                          "System\\CurrentControlSet\\Enum\\Root\\{4D36E968-E325-11CE-BFC1-08002BE10318}"}) {
        allowed.insert(Lower(k));
    }
    std::map<int, int> perFamily;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::PciDeviceScan) continue;
        EXPECT_EQ(1u, allowed.count(Lower(r.keyPath))) << r.keyPath;
        EXPECT_EQ(HKEY_LOCAL_MACHINE, r.hive);
        perFamily[r.product]++;
    }
    EXPECT_EQ(4u, perFamily.size());
    EXPECT_EQ(4, CountOf(perFamily, 0));
    EXPECT_EQ(3, CountOf(perFamily, 1));
    EXPECT_EQ(2, CountOf(perFamily, 8));
    EXPECT_EQ(2, CountOf(perFamily, 9));
}

TEST(RegistryRules, FileReferenceRowsUseTheThreeTemplateForms)
{
    int system = 0, inf = 0, keyName = 0;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::FileReferenceValue) continue;
        SCOPED_TRACE(r.argument ? r.argument : "<absent>");
        ASSERT_TRUE(r.argument != NULL);
        if (StartsWithNoCase(r.argument, "%SYSTEM%\\")) {
            EXPECT_STREQ(kSharedDlls, r.keyPath);
            EXPECT_NE('\0', r.argument[9]);
            system++;
        } else if (StartsWithNoCase(r.argument, "%INF%\\")) {
            EXPECT_STREQ(kOemName, r.keyPath);
            EXPECT_TRUE(EndsWithNoCase(r.argument, ".inf"));
            inf++;
        } else {
            // "<application key>%<file in the install folder>"
            const char* percent = strchr(r.argument, '%');
            ASSERT_TRUE(percent != NULL);
            EXPECT_GT(percent, r.argument);
            EXPECT_NE('\0', percent[1]);
            EXPECT_EQ(NULL, strchr(percent + 1, '%'));
            EXPECT_STREQ(kSharedDlls, r.keyPath);
            EXPECT_EQ(0, r.product);
            keyName++;
        }
    }
    EXPECT_EQ(24, system);
    EXPECT_EQ(14, inf);
    EXPECT_EQ(20, keyName);
}

TEST(RegistryRules, SingleScanRowsHoldTheirFixedKeysAndArguments)
{
    struct Expected {
        int kind;
        const char* keyPath;
        const char* argument;
    };
    const Expected expected[] = {
        {RegistryRuleKind::MonitorDeviceScan, "Enum\\Monitor", "System\\CurrentControlSet\\Services\\Class"},
        {RegistryRuleKind::ChildDeviceScan, "System\\CurrentControlSet\\Enum\\DISPLAY",
         "System\\CurrentControlSet\\Control\\Class"},
        {RegistryRuleKind::VideoKeyScan, "System\\CurrentControlSet\\Control\\Video", NULL},
        {RegistryRuleKind::DllListValue, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "AppInit_DLLs"},
        {RegistryRuleKind::NamespaceExtensionScan,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace", "Desktop Explorer"},
    };
    for (const Expected& e : expected) {
        int found = 0;
        for (int i = 0; i < RowCount(); i++) {
            const RegistryRule& r = kRegistryRules[i];
            if (r.kind != e.kind) continue;
            found++;
            EXPECT_EQ(0, r.product);
            EXPECT_EQ(HKEY_LOCAL_MACHINE, r.hive);
            EXPECT_STREQ(e.keyPath, r.keyPath);
            if (e.argument == NULL) {
                EXPECT_EQ(NULL, r.argument);
            } else {
                EXPECT_STREQ(e.argument, r.argument);
            }
        }
        EXPECT_EQ(1, found) << "kind " << e.kind;
    }
}

TEST(RegistryRules, InterfaceScanRowsCoverTheSixInterfaceClasses)
{
    const struct {
        const char* guid;
        int rows;
    } classes[] = {{"{65E8773D-8F56-11D0-A3B9-00A0C9223196}", 19}, {"{6994ad05-93ef-11d0-a3cc-00a0c9223196}", 8},
                   {"{A799A800-A46D-11D0-A18C-00A02401DCD4}", 7}, {"{fbf6f530-07b9-11d2-a71e-0000f8004788}", 4},
                   {"{A799A801-A46D-11D0-A18C-00A02401DCD4}", 3}, {"{A799A802-A46D-11D0-A18C-00A02401DCD4}", 3}};
    std::map<std::string, int> perClass;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::DeviceInterfaceScan) continue;
        SCOPED_TRACE(r.keyPath);
        const int set = ControlSetOf(r.keyPath);
        ASSERT_GE(set, 0);
        EXPECT_TRUE(EqualNoCase(Parent(r.keyPath).c_str(),
                                (std::string(kControlSets[set]) + "\\Control\\DeviceClasses").c_str()));
        ASSERT_TRUE(r.argument != NULL);
        EXPECT_TRUE(StartsWithNoCase(r.argument, "Morvane ")) << r.argument;
        perClass[LastComponent(r.keyPath)]++;
    }
    EXPECT_EQ(6u, perClass.size());
    for (const auto& c : classes) EXPECT_EQ(c.rows, CountOf(perClass, std::string(c.guid))) << c.guid;
}

TEST(RegistryRules, NoRowRepeatsAnother)
{
    // A repeated plain row can never list anything (the found-item list keeps the first); a
    // repeated scan of one family only costs time. Scans of different families may share a key.
    std::map<std::string, int> seen;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        std::string id = std::to_string(r.kind) + "|" + HiveTag(r.hive) + "|" + Lower(r.keyPath) + "|" +
                         (r.argument ? Lower(r.argument) : std::string("<absent>"));
        if (r.kind != RegistryRuleKind::KeyOrValue) id += "|" + std::to_string(r.product);
        auto it = seen.find(id);
        EXPECT_TRUE(it == seen.end()) << "row " << i << " repeats row " << it->second << ": " << r.keyPath;
        seen[id] = i;
    }
}

TEST(RegistryRules, ControlSetCopiesBelongToTheSameFamilyAsTheCurrentSet)
{
    // A key copied into ControlSet001-003 is the same product's trace as in the current set.
    std::map<std::string, int> familyOfKey;
    for (int i = 0; i < RowCount(); i++) {
        const RegistryRule& r = kRegistryRules[i];
        // Scans of different families may share a key; plain keys may not.
        if (ControlSetOf(r.keyPath) < 0 || r.kind > RegistryRuleKind::ChipServiceKey) continue;
        const std::string id = std::to_string(r.kind) + "|" + Lower(WithoutControlSet(r.keyPath).c_str()) + "|" +
                               (r.argument ? Lower(r.argument) : std::string());
        auto it = familyOfKey.find(id);
        if (it != familyOfKey.end()) {
            EXPECT_EQ(it->second, r.product) << r.keyPath;
        } else {
            familyOfKey[id] = r.product;
        }
    }
}
