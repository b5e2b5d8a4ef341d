// The hardware-ID scans against PCI, monitor and display-enumerator keys built in the prefix.
#include <gtest/gtest.h>
#include <ctype.h>
#include <string.h>
#include "model/products.h"
#include "search/registry/device_scans.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"
#include "tables/hardware_ids.h"

namespace {

const HKEY kLm = HKEY_LOCAL_MACHINE;
const char kPciRoot[] = "System\\CurrentControlSet\\Enum\\PCI";
const char kVideoRoot[] = "System\\CurrentControlSet\\Control\\Video";
const char kDisplayRoot[] = "System\\CurrentControlSet\\Enum\\DISPLAY";
const char kClassRoot[] = "System\\CurrentControlSet\\Control\\Class";
const char kDriverClass[] = "{E57E5C00-0000-4E57-8000-000000000030}";

// The first entry of the family whose prefix starts (or does not start) with "USB\"; "" if none.
std::string FirstId(int32_t product, bool usb)
{
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        const bool isUsb = strncmp(kHardwareIds[i].idPrefix, "USB\\", 4) == 0;
        if (kHardwareIds[i].product == product && isUsb == usb) return kHardwareIds[i].idPrefix;
    }
    return "";
}

// Whether some entry of the family is exactly this text (what another subsystem ID must avoid).
bool IsTableId(const std::string& id, int32_t product)
{
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        if (kHardwareIds[i].product == product && id == kHardwareIds[i].idPrefix) return true;
    }
    return false;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

// The family-0 ID with another subsystem: its last hex digit changed so that no entry has it.
std::string OtherSubsystem(const std::string& id)
{
    std::string other = id;
    for (const char digit : std::string("0123456789ABCDEF")) {
        other.back() = digit;
        if (!IsTableId(other, 0)) return other;
    }
    return "";
}

class DeviceScanTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProductSelection(-2, 0x3FFFF);
        ASSERT_GE(StampRegistryItemsAs(0), 0) << "kRegistryRules has no row of family 0";
        id = FirstId(0, false);
        ASSERT_FALSE(id.empty()) << "kHardwareIds has no PCI entry of family 0";
    }
    FoundItemList* list() { return scope.list(); }
    ScopedFoundItems scope;
    std::string id;
};

}  // namespace

TEST_F(DeviceScanTest, MatchesHardwareIdTakesPrefixesOfTheFamilyIgnoringAsciiCase)
{
    EXPECT_EQ(1, MatchesHardwareId(id.c_str(), 0));
    EXPECT_EQ(1, MatchesHardwareId((id + "&REV_A1").c_str(), 0));
    EXPECT_EQ(1, MatchesHardwareId(Lower(id + "&REV_A1").c_str(), 0));
    EXPECT_EQ(0, MatchesHardwareId(id.substr(0, id.size() - 1).c_str(), 0));   // shorter than the prefix
    const std::string other = OtherSubsystem(id);
    ASSERT_FALSE(other.empty());
    EXPECT_EQ(0, MatchesHardwareId((other + "&REV_A1").c_str(), 0));
    EXPECT_EQ(0, MatchesHardwareId(("PCI\\" + id).c_str(), 0));
    EXPECT_EQ(0, MatchesHardwareId(NULL, 0));
    // The end row's empty prefix matches nothing, whatever the product asked for.
    EXPECT_EQ(0, MatchesHardwareId("anything", -1));

    // Another family's ID does not match for family 0, unless family 0 has the same one.
    for (int32_t product = 1; product < kProductCount; product++) {
        const std::string foreign = FirstId(product, false);
        if (foreign.empty() || IsTableId(foreign, 0)) continue;
        EXPECT_EQ(1, MatchesHardwareId(foreign.c_str(), product)) << foreign;
        EXPECT_EQ(0, MatchesHardwareId(foreign.c_str(), 0)) << foreign;
    }
    // USB-form entries match only names that begin with "USB\".
    for (int32_t product = 0; product < kProductCount; product++) {
        const std::string usb = FirstId(product, true);
        if (usb.empty()) continue;
        EXPECT_EQ(1, MatchesHardwareId(Lower(usb + "\\5&1234&0&1").c_str(), product)) << usb;
        EXPECT_EQ(0, MatchesHardwareId(usb.substr(4).c_str(), product)) << usb;
    }
}

TEST_F(DeviceScanTest, PciDeviceScanRecordsDevicesAndTheFirstInstancesVideoKey)
{
    FixtureKeys video(kLm, kVideoRoot, 1);   // volatile in Wine
    ASSERT_TRUE(video.ok());
    ASSERT_TRUE(video.Create("{E57E5C00-0000-4E57-8000-000000000020}\\0000"));
    ASSERT_TRUE(video.Create("{E57E5C00-0000-4E57-8000-000000000021}\\0000"));

    FixtureKeys pci(kLm, kPciRoot);
    ASSERT_TRUE(pci.ok());
    const std::string twoInstances = id + "&REV_A1";
    const std::string lowerCase = Lower(id) + "&rev_b2";
    const std::string unknownVideo = id + "&REV_C3";
    const std::string badVideo = id + "&REV_D4";
    const std::string otherSubsystem = OtherSubsystem(id) + "&REV_A1";
    // Two instances: only the first (in enumeration order) gives its VideoID.
    ASSERT_TRUE(pci.SetString(twoInstances + "\\4&1111&0&0008\\Device Parameters", "VideoID",
                              "{E57E5C00-0000-4E57-8000-000000000020}"));
    ASSERT_TRUE(pci.SetString(twoInstances + "\\4&2222&0&0010\\Device Parameters", "VideoID",
                              "{E57E5C00-0000-4E57-8000-000000000021}"));
    ASSERT_TRUE(pci.Create(lowerCase + "\\4&3333&0&0018"));
    // A VideoID naming no key adds nothing; one that would name Control\Video itself neither.
    ASSERT_TRUE(pci.SetString(unknownVideo + "\\4&4444&0&0020\\Device Parameters", "VideoID",
                              "{E57E5C00-0000-4E57-8000-0000000000EE}"));
    ASSERT_TRUE(pci.SetString(badVideo + "\\4&5555&0&0028\\Device Parameters", "VideoID", "\\"));
    ASSERT_TRUE(pci.SetString(otherSubsystem + "\\4&6666&0&0030\\Device Parameters", "VideoID",
                              "{E57E5C00-0000-4E57-8000-000000000021}"));

    const RegistryRule rule = {0, RegistryRuleKind::PciDeviceScan, kLm, kPciRoot, NULL, NULL};
    EXPECT_EQ(1, PciDeviceScan(NULL, rule));

    const std::string expected[] = {
        video.Path("{E57E5C00-0000-4E57-8000-000000000020}"),   // kind 10, before its device
        pci.Path(twoInstances), pci.Path(lowerCase), pci.Path(unknownVideo), pci.Path(badVideo),
    };
    const std::vector<const FoundItem*> items = RegistryItems(list());
    ASSERT_EQ(5u, items.size()) << DescribeRegistryItems(list());
    for (size_t i = 0; i < items.size(); i++) {
        EXPECT_EQ(expected[i], items[i]->path) << i;
        EXPECT_EQ(i == 0 ? 10 : 6, items[i]->ruleKind) << i;
        EXPECT_EQ(kLm, items[i]->hive);
        EXPECT_EQ(0, items[i]->productIndex);
    }
}

TEST_F(DeviceScanTest, MonitorDeviceScanFindsPciMonitorsOfThe9xLayoutAndTheirDrivers)
{
    const RegistryRule rule = {0, RegistryRuleKind::MonitorDeviceScan, kLm, "Enum\\Monitor",
                               "System\\CurrentControlSet\\Services\\Class", NULL};
    if (!KeyPresent(kLm, "Enum\\Monitor")) {
        // The NT family keeps no enumerators there: the row finds nothing.
        EXPECT_EQ(0, MonitorDeviceScan(NULL, rule));
        EXPECT_EQ(0, list()->count);
    }
    FixtureKeys classes(kLm, "System\\CurrentControlSet\\Services\\Class");
    ASSERT_TRUE(classes.ok());
    ASSERT_TRUE(classes.Create("Monitor\\0001"));
    ASSERT_TRUE(classes.Create("Monitor\\0002"));
    FixtureKeys monitors(kLm, "Enum\\Monitor");
    ASSERT_TRUE(monitors.ok());
    const std::string matching = "Default_Monitor\\PCI_" + id + "&REV_01";
    const std::string lowerCase = "Default_Monitor\\pci_" + Lower(id) + "&rev_02";
    const std::string slashDriver = "Default_Monitor\\PCI_" + id + "&REV_03";
    ASSERT_TRUE(monitors.SetString(matching, "Driver", "Monitor\\0001"));
    ASSERT_TRUE(monitors.SetString(lowerCase, "Driver", "Monitor\\0009"));   // names no key
    ASSERT_TRUE(monitors.SetString(slashDriver, "Driver", "\\"));           // would name Services\Class
    ASSERT_TRUE(monitors.SetString("Default_Monitor\\PCI_" + OtherSubsystem(id), "Driver", "Monitor\\0002"));
    ASSERT_TRUE(monitors.SetString("Default_Monitor\\" + id, "Driver", "Monitor\\0002"));   // no "PCI_"
    ASSERT_TRUE(monitors.SetString("Plug_Monitor\\ISA_" + id, "Driver", "Monitor\\0002"));

    EXPECT_EQ(1, MonitorDeviceScan(NULL, rule));
    const struct { HKEY hive; std::string path; } expected[] = {
        {kLm, monitors.Path(matching)},
        {kLm, classes.Path("Monitor\\0001")},
        {kLm, monitors.Path(lowerCase)},
        {kLm, monitors.Path(slashDriver)},
    };
    const std::vector<const FoundItem*> items = RegistryItems(list());
    ASSERT_EQ(4u, items.size()) << DescribeRegistryItems(list());
    for (size_t i = 0; i < items.size(); i++) {
        EXPECT_EQ(expected[i].path, items[i]->path) << i;
        EXPECT_EQ(8, items[i]->ruleKind) << i;
        EXPECT_EQ(expected[i].hive, items[i]->hive) << i;
    }
}

TEST_F(DeviceScanTest, ChildDeviceScanRecordsOnlyTheAdaptersChildrenAndTheirDrivers)
{
    FixtureKeys classes(kLm, kClassRoot);
    ASSERT_TRUE(classes.ok());
    for (const char* instance : {"0000", "0001", "0002"})
        ASSERT_TRUE(classes.Create(std::string(kDriverClass) + "\\" + instance));
    const std::string driver = std::string(kDriverClass) + "\\";

    FixtureKeys pci(kLm, kPciRoot);
    ASSERT_TRUE(pci.ok());
    const std::string adapter = id + "&REV_A1";
    ASSERT_TRUE(pci.SetString(adapter + "\\4&aaaa&0&0008", "ParentIdPrefix", "5&1a2b3c4d&0"));
    ASSERT_TRUE(pci.SetString(adapter + "\\4&bbbb&0&0010", "ParentIdPrefix", "5&99999999&0"));   // second instance

    FixtureKeys display(kLm, kDisplayRoot);
    ASSERT_TRUE(display.ok());
    const std::string child = "MRV1234\\5&1A2B3C4D&0&UID0";   // the prefix in another case
    ASSERT_TRUE(display.SetString(child, "Driver", driver + "0000"));
    ASSERT_TRUE(display.SetString("MRV1234\\5&99999999&0&UID0", "Driver", driver + "0001"));
    ASSERT_TRUE(display.SetString("OTHER01\\7&deadbeef&0&UID0", "Driver", driver + "0002"));

    const RegistryRule rule = {0, RegistryRuleKind::ChildDeviceScan, kLm, kDisplayRoot, kClassRoot, NULL};
    EXPECT_EQ(1, ChildDeviceScan(NULL, rule));
    // Neither unrelated children nor their driver keys (nor Wine's own monitor, whose "Driver"
    // names the existing monitor class key "...\0000") are listed.
    const std::vector<const FoundItem*> items = RegistryItems(list());
    ASSERT_EQ(2u, items.size()) << DescribeRegistryItems(list());
    EXPECT_EQ(display.Path(child), items[0]->path);
    EXPECT_EQ(classes.Path(driver + "0000"), items[1]->path);
    for (const FoundItem* item : items) {
        EXPECT_EQ(9, item->ruleKind);
        EXPECT_EQ(kLm, item->hive);
        EXPECT_EQ(0, item->productIndex);
    }
}
