// The tables must agree with each other: services, install-folder keys, INF packages, shared
// files, device keys and COM classes named in one table are the ones the others name.
#include <gtest/gtest.h>
#include <set>
#include "tables/file_rules.h"
#include "tables/hardware_ids.h"
#include "tables/install_folder_table.h"
#include "tables/registry_rules.h"
#include "tables/table_text.h"

namespace {

// Family and lower-cased name, the key of the sets below.
typedef std::pair<int, std::string> Named;

// Services with a key row (kind 3) per family.
std::set<Named> ServiceKeys()
{
    std::set<Named> keys;
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind == RegistryRuleKind::ServiceKey &&
            EqualNoCase(LastComponent(Parent(r.keyPath).c_str()).c_str(), "Services"))
            keys.insert(Named(r.product, Lower(LastComponent(r.keyPath).c_str())));
    }
    return keys;
}

// Enabled file rules' file parts (without "@service") per family, for one folder.
std::set<Named> EnabledFiles(const char* folder)
{
    std::set<Named> files;
    for (int i = 0; kFileRules[i].file != NULL; i++) {
        const FileRule& r = kFileRules[i];
        if (r.disabled || strcmp(r.folder, folder) != 0) continue;
        const char* at = strchr(r.file, '@');
        files.insert(Named(r.product, Lower(at ? std::string(r.file, at - r.file).c_str() : r.file)));
    }
    return files;
}

bool MatchesIdOfFamily(const std::string& name, int product)
{
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        if (kHardwareIds[i].product == product && StartsWithNoCase(name.c_str(), kHardwareIds[i].idPrefix))
            return true;
    }
    return false;
}

}  // namespace

TEST(TableConsistency, EveryFileServiceHasServiceKeyRowsOfItsFamily)
{
    const std::set<Named> keys = ServiceKeys();
    ASSERT_FALSE(keys.empty());
    std::set<Named> named;
    for (int i = 0; kFileRules[i].file != NULL; i++) {
        const FileRule& r = kFileRules[i];
        const char* at = strchr(r.file, '@');
        if (r.disabled || at == NULL) continue;
        named.insert(Named(r.product, Lower(at + 1)));
        EXPECT_EQ(1u, keys.count(Named(r.product, Lower(at + 1)))) << r.file << " (family " << r.product << ")";
    }
    // And the other way round: every service key belongs to a service that a file names.
    for (const Named& k : keys) EXPECT_EQ(1u, named.count(k)) << k.second << " (family " << k.first << ")";
}

TEST(TableConsistency, KeyNameTemplatesUseFamilyZeroInstallFolderKeys)
{
    std::set<std::string> folderKeys;
    for (int i = 0; kInstallFolders[i].key[0] != '\0'; i++) {
        if (kInstallFolders[i].product == 0) folderKeys.insert(kInstallFolders[i].key);
    }
    ASSERT_FALSE(folderKeys.empty());
    std::set<std::string> used;
    int templates = 0;
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::FileReferenceValue || r.argument[0] == '%') continue;
        templates++;
        const std::string key(r.argument, strchr(r.argument, '%') - r.argument);
        EXPECT_EQ(1u, folderKeys.count(key)) << r.argument;
        used.insert(key);
    }
    EXPECT_EQ(20, templates);
    // Every family-0 install folder is used by some template.
    EXPECT_EQ(folderKeys, used);
}

TEST(TableConsistency, InstallFolderKeysAreCleanedByTheRegistryRules)
{
    // The key where an application notes its folder is removed with the application.
    std::set<Named> machineKeys;
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind == RegistryRuleKind::KeyOrValue && r.hive == HKEY_LOCAL_MACHINE &&
            StartsWithNoCase(r.keyPath, "Software\\Morvane\\"))
            machineKeys.insert(Named(r.product, Lower(r.keyPath + strlen("Software\\Morvane\\"))));
    }
    for (int i = 0; kInstallFolders[i].key[0] != '\0'; i++) {
        const InstallFolderRule& f = kInstallFolders[i];
        EXPECT_EQ(1u, machineKeys.count(Named(f.product, Lower(f.key)))) << f.key;
    }
}

TEST(TableConsistency, InfFilesComeInInfPnfPairs)
{
    for (const char* folder : {"%INF%", "%OTHER%"}) {
        const std::set<Named> files = EnabledFiles(folder);
        for (const Named& f : files) {
            const size_t dot = f.second.rfind('.');
            ASSERT_NE(std::string::npos, dot) << f.second;
            const std::string base = f.second.substr(0, dot), ext = f.second.substr(dot);
            const std::string twin = base + (ext == ".inf" ? ".pnf" : ".inf");
            EXPECT_EQ(1u, files.count(Named(f.first, twin))) << folder << " " << f.second;
        }
    }
}

TEST(TableConsistency, SharedDllAndOemInfValuesNameFilesOfTheirFamily)
{
    const std::set<Named> system = EnabledFiles("%SYSTEM%");
    const std::set<Named> inf = EnabledFiles("%INF%");
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::FileReferenceValue) continue;
        if (StartsWithNoCase(r.argument, "%SYSTEM%\\")) {
            EXPECT_EQ(1u, system.count(Named(r.product, Lower(r.argument + 9)))) << r.argument;
        } else if (StartsWithNoCase(r.argument, "%INF%\\")) {
            EXPECT_EQ(1u, inf.count(Named(r.product, Lower(r.argument + 6)))) << r.argument;
        }
    }
}

TEST(TableConsistency, DeviceInstanceKeysNameHardwareIdsOfTheirFamily)
{
    int pci = 0, usb = 0;
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::KeyOrValue) continue;
        const std::string parent = Lower(Parent(r.keyPath).c_str());
        const std::string name = LastComponent(r.keyPath);
        if (EndsWithNoCase(parent.c_str(), "\\enum\\pci")) {
            pci++;
            EXPECT_TRUE(MatchesIdOfFamily(name, r.product)) << r.keyPath;
        } else if (EndsWithNoCase(parent.c_str(), "\\enum\\usb")) {
            usb++;
            EXPECT_TRUE(MatchesIdOfFamily("USB\\" + name, r.product)) << r.keyPath;
        }
    }
    EXPECT_GT(pci, 0);
    EXPECT_GT(usb, 0);
    // The PCI scans only help families that have IDs to match.
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind != RegistryRuleKind::PciDeviceScan) continue;
        bool hasId = false;
        for (int j = 0; kHardwareIds[j].idPrefix[0] != '\0'; j++) hasId = hasId || kHardwareIds[j].product == r.product;
        EXPECT_TRUE(hasId) << "family " << r.product;
    }
}

TEST(TableConsistency, FilterRegistrationsHaveTheirClassOfTheSameFamily)
{
    const char prefix[] = "SOFTWARE\\Classes\\CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\";
    std::set<Named> classes;
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.hive == HKEY_CLASSES_ROOT && StartsWithNoCase(r.keyPath, "CLSID\\"))
            classes.insert(Named(r.product, Lower(r.keyPath + 6)));
    }
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (StartsWithNoCase(r.keyPath, prefix)) {
            EXPECT_EQ(1u, classes.count(Named(r.product, Lower(r.keyPath + strlen(prefix))))) << r.keyPath;
        }
    }
}

TEST(TableConsistency, EnumeratorServiceScansNameServicesOfTheirFamily)
{
    // On "Enum\Root\MEDIA" a class scan compares the instance's "Service" with the argument.
    const std::set<Named> keys = ServiceKeys();
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& r = kRegistryRules[i];
        if (r.kind == RegistryRuleKind::DriverClassScan && r.argument != NULL &&
            EndsWithNoCase(r.keyPath, "\\Enum\\Root\\MEDIA")) {
            EXPECT_EQ(1u, keys.count(Named(r.product, Lower(r.argument)))) << r.argument;
        }
    }
}
