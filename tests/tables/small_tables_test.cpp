// The hardware-ID, INF identification and install-folder tables: sizes, row shapes, figures.
#include <gtest/gtest.h>
#include <ctype.h>
#include <set>
#include "tables/hardware_ids.h"
#include "tables/inf_rules.h"
#include "tables/install_folder_table.h"
#include "tables/table_text.h"

namespace {

// Matches text against a pattern where '#' stands for one hex digit.
bool MatchesShape(const char* text, const char* pattern)
{
    for (; *pattern; pattern++, text++) {
        if (*text == '\0') return false;
        if (*pattern == '#') {
            if (!isxdigit((unsigned char)*text)) return false;
        } else if (*pattern != *text) {
            return false;
        }
    }
    return *text == '\0';
}

const char kPciShape[] = "VEN_####&DEV_####&SUBSYS_########";
const char kUsbShape[] = "USB\\VID_####&PID_####";
const char kUsbInterfaceShape[] = "USB\\VID_####&PID_####&MI_##";

}  // namespace

TEST(HardwareIds, FormsAndFamilies)
{
    ASSERT_EQ(46, CountHardwareIds());
    EXPECT_EQ(-1, kHardwareIds[46].product);
    EXPECT_STREQ("", kHardwareIds[46].idPrefix);
    int pci = 0, usb = 0, interfaces = 0;
    std::map<int, int> pciPerFamily, usbPerFamily;
    std::set<std::string> makerPci, makerUsb;
    for (int i = 0; i < CountHardwareIds(); i++) {
        const HardwareIdEntry& e = kHardwareIds[i];
        SCOPED_TRACE(e.idPrefix);
        if (MatchesShape(e.idPrefix, kPciShape)) {
            pci++;
            pciPerFamily[e.product]++;
            const std::string vendor(e.idPrefix + 4, 4), subsystemVendor(e.idPrefix + 29, 4);
            // Family 0 boards carry the display-chip vendor's chips; every board is the maker's.
            if (e.product == 0) {
                EXPECT_EQ("10DE", vendor);
            } else {
                makerPci.insert(vendor);
            }
            makerPci.insert(subsystemVendor);
        } else if (MatchesShape(e.idPrefix, kUsbShape) || MatchesShape(e.idPrefix, kUsbInterfaceShape)) {
            usb++;
            usbPerFamily[e.product]++;
            if (strstr(e.idPrefix, "&MI_") != NULL) interfaces++;
            makerUsb.insert(std::string(e.idPrefix + 8, 4));
        } else {
            ADD_FAILURE() << "neither PCI nor USB form";
        }
    }
    EXPECT_EQ(31, pci);
    EXPECT_EQ(15, usb);
    EXPECT_EQ(6, interfaces);
    EXPECT_EQ(1u, makerPci.size());
    EXPECT_EQ(1u, makerUsb.size());
    const int pciFigures[18] = {16, 1, 0, 0, 0, 1, 1, 0, 1, 2, 0, 0, 7, 0, 0, 1, 1, 0};
    const int usbFigures[18] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 6, 0, 3, 1, 0, 3, 1};
    for (int p = 0; p < 18; p++) {
        EXPECT_EQ(pciFigures[p], CountOf(pciPerFamily, p)) << "family " << p;
        EXPECT_EQ(usbFigures[p], CountOf(usbPerFamily, p)) << "family " << p;
    }
}

TEST(HardwareIds, NoEntryIsCoveredByAnotherOfItsFamily)
{
    // A prefix that begins with another entry of the same family can never decide a match.
    for (int i = 0; i < CountHardwareIds(); i++) {
        for (int j = 0; j < CountHardwareIds(); j++) {
            if (i == j || kHardwareIds[i].product != kHardwareIds[j].product) continue;
            EXPECT_FALSE(StartsWithNoCase(kHardwareIds[i].idPrefix, kHardwareIds[j].idPrefix))
                << kHardwareIds[i].idPrefix << " / " << kHardwareIds[j].idPrefix;
        }
    }
}

TEST(InfRules, RowsHaveTheClassProviderAndDescriptionConditions)
{
    ASSERT_EQ(30, CountInfRules());
    EXPECT_STREQ("", kInfRules[30].conditions[0].section);
    std::map<int, int> perFamily;
    const std::set<std::string> classes = {"Media", "MEDIA", "Display", "USB", "Image"};
    const std::set<std::string> providerKeys = {"Provider", "ProviderName", "MfgName", "Vendor"};
    for (int i = 0; i < CountInfRules(); i++) {
        const InfRule& rule = kInfRules[i];
        SCOPED_TRACE(testing::Message() << "row " << i);
        const int product = rule.conditions[0].product;
        for (const InfCondition& c : rule.conditions) EXPECT_EQ(product, c.product);
        perFamily[product]++;
        const InfCondition& cls = rule.conditions[0];
        const InfCondition& provider = rule.conditions[1];
        const InfCondition& name = rule.conditions[2];
        EXPECT_STREQ("Version", cls.section);
        EXPECT_STREQ("Class", cls.key);
        EXPECT_EQ(1u, classes.count(cls.value)) << cls.value;
        EXPECT_STREQ("Strings", provider.section);
        EXPECT_EQ(1u, providerKeys.count(provider.key)) << provider.key;
        EXPECT_TRUE(StartsWithNoCase(provider.value, "Morvane")) << provider.value;
        EXPECT_STREQ("Strings", name.section);
        EXPECT_TRUE(strcmp(name.key, "DiskName") == 0 || EndsWithNoCase(name.key, ".DeviceDesc")) << name.key;
        EXPECT_NE('\0', name.value[0]);
        // The profile reader gives at most 255 characters: a longer value could never match.
        for (int slot = 0; slot < 3; slot++) EXPECT_LT(strlen(rule.conditions[slot].value), 255u);
        EXPECT_STREQ("", rule.conditions[3].section);
    }
    EXPECT_EQ(13u, perFamily.size());
    EXPECT_EQ(1u, perFamily.count(17));
    for (const auto& f : perFamily) {
        EXPECT_GE(f.first, 0);
        EXPECT_LE(f.first, 17);
    }
}

TEST(InfRules, NoRowIsShadowedByAnEarlierOne)
{
    // The first matching row wins, so a row whose conditions equal an earlier row's (values
    // compared without regard to case, as the search does) could never identify a file.
    for (int i = 0; i < CountInfRules(); i++) {
        for (int j = 0; j < i; j++) {
            bool same = true;
            for (int slot = 0; slot < 3; slot++) {
                const InfCondition& a = kInfRules[i].conditions[slot];
                const InfCondition& b = kInfRules[j].conditions[slot];
                same = same && EqualNoCase(a.section, b.section) && EqualNoCase(a.key, b.key) &&
                       EqualNoCase(a.value, b.value);
            }
            EXPECT_FALSE(same) << "row " << i << " repeats row " << j;
        }
    }
}

TEST(InstallFolders, RowsValueNamesAndTheSubPathPair)
{
    ASSERT_EQ(16, CountInstallFolders());
    EXPECT_EQ(-1, kInstallFolders[16].product);
    std::set<int> families;
    std::set<std::string> valueNames;
    int withSubPath = -1, subPathRows = 0;
    for (int i = 0; i < CountInstallFolders(); i++) {
        const InstallFolderRule& r = kInstallFolders[i];
        SCOPED_TRACE(r.key);
        families.insert(r.product);
        valueNames.insert(r.valueName);
        const size_t n = strlen(r.key);
        EXPECT_NE('\\', r.key[0]);
        EXPECT_NE('\\', r.key[n - 1]);
        // "SOFTWARE\Morvane\" and the key go into a 512-character buffer.
        EXPECT_LT(n + 17, 512u);
        EXPECT_NE('\0', r.folder[0]);
        EXPECT_NE('\\', r.folder[0]);
        if (r.subPath[0] != '\0') {
            withSubPath = i;
            subPathRows++;
            EXPECT_NE('\\', r.subPath[0]);
        }
    }
    EXPECT_EQ(8u, families.size());
    EXPECT_EQ((std::set<std::string>{"savePath", "DestDir", "DestPath", "Path", ""}), valueNames);
    ASSERT_EQ(1, subPathRows);
    // Its twin: the same key and value without the sub-path, so both folders are recorded.
    int twins = 0;
    const InstallFolderRule& s = kInstallFolders[withSubPath];
    for (int i = 0; i < CountInstallFolders(); i++) {
        const InstallFolderRule& r = kInstallFolders[i];
        if (i != withSubPath && r.product == s.product && strcmp(r.key, s.key) == 0 &&
            strcmp(r.valueName, s.valueName) == 0 && strcmp(r.folder, s.folder) == 0)
            twins++;
    }
    EXPECT_EQ(1, twins);
}
