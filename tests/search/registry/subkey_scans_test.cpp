// The subkey scans against class, video, namespace and interface keys built in the prefix.
#include <gtest/gtest.h>
#include "model/products.h"
#include "search/registry/subkey_scans.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"

namespace {

const HKEY kLm = HKEY_LOCAL_MACHINE;
const char kClassRoot[] = "System\\CurrentControlSet\\Control\\Class";
const char kTestClass[] = "{E57E5C00-0000-4E57-8000-000000000001}";
const char kVideoRoot[] = "System\\CurrentControlSet\\Control\\Video";
const char kNamespaceRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace";
const char kInterfaceClass[] = "{E57E5C00-0000-4E57-8000-000000000040}";
const char kCpl[] = "shellex\\PropertySheetHandlers\\NVIDIA CPL Extension";

class SubkeyScanTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProductSelection(-2, 0x3FFFF);
        ASSERT_GE(StampRegistryItemsAs(0), 0) << "kRegistryRules has no row of family 0";
    }
    FoundItemList* list() { return scope.list(); }
    ScopedFoundItems scope;
};

// One class instance: its values, by name.
struct Instance {
    const char* name;
    const char* provider;
    const char* infSection;
    const char* mfg;
    const char* service;
    uint8_t cplHandler;
};

// Driver instances of a test class key; the rule's argument is "VANTIRA_Install".
const Instance kInstances[] = {
    {"0000", "morvane",           "vantira_INSTALL", NULL,                "",                0},  // lower-case maker
    {"0001", "NVIDIA",            "VANTIRA_Install", NULL,                NULL,              1},  // chip vendor + CPL
    {"0002", "nvidia",            "Other_Install",   NULL,                NULL,              1},  // CPL only
    {"0003", NULL,                NULL,              "Morvane Co., Ltd.", "vantira_install", 0},  // enumerator form
    {"0004", "Other Corp",        "VANTIRA_Install", NULL,                NULL,              1},  // not the maker
    {"0005", NULL,                NULL,              "MORVANE",           "OtherService",    0},  // other service
    {"0006", "Morvane Co., Ltd.", "VANTIRA_Install", "Morvane",           "VANTIRA_Install", 0},  // both tests
    {"0007", "Morvane Inc.",      "VANTIRA_Install", "Morvane Inc.",      "VANTIRA_Install", 0},  // not whole name
};

void BuildClass(FixtureKeys& keys)
{
    for (const Instance& in : kInstances) {
        const std::string instance = std::string(kTestClass) + "\\" + in.name;
        ASSERT_TRUE(keys.Create(instance));
        if (in.provider) {
            ASSERT_TRUE(keys.SetString(instance, "ProviderName", in.provider));
        }
        if (in.infSection) {
            ASSERT_TRUE(keys.SetString(instance, "InfSection", in.infSection));
        }
        if (in.mfg) {
            ASSERT_TRUE(keys.SetString(instance, "Mfg", in.mfg));
        }
        if (in.service) {
            ASSERT_TRUE(keys.SetString(instance, "Service", in.service));
        }
        if (in.cplHandler) {
            ASSERT_TRUE(keys.SetString(instance + "\\" + kCpl, NULL, "{E57E5C00-0000-4E57-8000-0000000000CC}"));
        }
    }
}

}  // namespace

TEST_F(SubkeyScanTest, DriverClassScanRecordsMakerInstancesAndChipVendorHandlers)
{
    FixtureKeys keys(kLm, kClassRoot);
    ASSERT_TRUE(keys.ok());
    BuildClass(keys);
    const std::string classPath = keys.Path(kTestClass);
    const RegistryRule rule = {0, RegistryRuleKind::DriverClassScan, kLm, classPath.c_str(), "VANTIRA_Install", NULL};

    EXPECT_EQ(1, DriverClassScan(NULL, rule));
    // In enumeration order; the instance passing both tests is listed once.
    const struct { int32_t kind; std::string path; } expected[] = {
        {5, classPath + "\\0000"},
        {2, classPath + "\\0001\\" + kCpl},
        {5, classPath + "\\0001"},
        {2, classPath + "\\0002\\" + kCpl},
        {5, classPath + "\\0003"},
        {5, classPath + "\\0006"},
    };
    const std::vector<const FoundItem*> items = RegistryItems(list());
    ASSERT_EQ(sizeof expected / sizeof expected[0], items.size()) << DescribeRegistryItems(list());
    for (size_t i = 0; i < items.size(); i++) {
        EXPECT_EQ(expected[i].kind, items[i]->ruleKind) << i;
        EXPECT_EQ(expected[i].path, items[i]->path) << i;
        EXPECT_EQ(kLm, items[i]->hive);
        EXPECT_EQ(NULL, items[i]->valueName);
        EXPECT_EQ(0, items[i]->productIndex);
    }
}

TEST_F(SubkeyScanTest, DriverClassScanWithoutArgumentFindsOnlyHandlersAndCountsNothing)
{
    FixtureKeys keys(kLm, kClassRoot);
    ASSERT_TRUE(keys.ok());
    BuildClass(keys);
    const std::string classPath = keys.Path(kTestClass);
    const RegistryRule rule = {0, RegistryRuleKind::DriverClassScan, kLm, classPath.c_str(), NULL, NULL};

    // The handler keys do not make the rule found.
    EXPECT_EQ(0, DriverClassScan(NULL, rule));
    ASSERT_EQ(2, list()->count) << DescribeRegistryItems(list());
    EXPECT_NE(nullptr, FindRegistryItem(list(), 2, kLm, classPath + "\\0001\\" + kCpl));
    EXPECT_NE(nullptr, FindRegistryItem(list(), 2, kLm, classPath + "\\0002\\" + kCpl));

    const RegistryRule missing = {0, RegistryRuleKind::DriverClassScan, kLm,
                                  "System\\CurrentControlSet\\Control\\Class\\{E57E5C00-0000-4E57-8000-0000000000FF}",
                                  "VANTIRA_Install", NULL};
    EXPECT_EQ(0, DriverClassScan(NULL, missing));
    EXPECT_EQ(2, list()->count);
}

TEST_F(SubkeyScanTest, VideoKeyScanLooksAtTheFirstAdapterWithCaseSensitivePrefixes)
{
    // Wine keeps Control\Video volatile: its children can only be volatile.
    FixtureKeys video(kLm, kVideoRoot, 1);
    ASSERT_TRUE(video.ok());
    const struct { const char* device; const char* adapter; const char* description; uint8_t recorded; } cases[] = {
        {"{E57E5C00-0000-4E57-8000-000000000010}", "0000", "NVIDIA GeForce 6200", 1},
        {"{E57E5C00-0000-4E57-8000-000000000011}", "0000", "nvidia geforce 6200", 0},
        {"{E57E5C00-0000-4E57-8000-000000000012}", "0001", "NVIDIA GeForce 6200", 0},   // no "0000"
        {"{E57E5C00-0000-4E57-8000-000000000013}", "0000", "Morvane VANTIRA 3D", 1},
        {"{E57E5C00-0000-4E57-8000-000000000014}", "0000", "Morvane Vantira 3D", 0},
        {"{E57E5C00-0000-4E57-8000-000000000015}", "0000", "Morvane VANTIR", 0},        // shorter than the prefix
        {"{E57E5C00-0000-4E57-8000-000000000016}", "0000", NULL, 0},                    // no description
        {"{E57E5C00-0000-4E57-8000-000000000017}", "0000", "NVIDIA", 1},
    };
    for (const auto& c : cases) {
        const std::string adapter = std::string(c.device) + "\\" + c.adapter;
        ASSERT_TRUE(video.Create(adapter));
        if (c.description) {
            ASSERT_TRUE(video.SetString(adapter, "Device Description", c.description));
        }
    }
    // A later adapter does not speak for the device.
    ASSERT_TRUE(video.SetString(std::string(cases[6].device) + "\\0001", "Device Description", "NVIDIA Quadro"));

    const RegistryRule rule = {0, RegistryRuleKind::VideoKeyScan, kLm, kVideoRoot, NULL, NULL};
    EXPECT_EQ(1, VideoKeyScan(NULL, rule));
    for (const auto& c : cases) {
        const FoundItem* item = FindRegistryItem(list(), 10, kLm, video.Path(c.device));
        EXPECT_EQ(c.recorded, item != nullptr) << c.device;
    }
    EXPECT_EQ(3, list()->count) << DescribeRegistryItems(list());
}

TEST_F(SubkeyScanTest, NamespaceAndDefaultValueScansStopAtTheFirstMatch)
{
    FixtureKeys space(kLm, kNamespaceRoot);
    ASSERT_TRUE(space.ok());
    ASSERT_TRUE(space.SetString("{E57E5C00-0000-4E57-8000-000000000050}", NULL, "Desktop Explorer 2"));
    ASSERT_TRUE(space.SetString("{E57E5C00-0000-4E57-8000-000000000051}", NULL, "DESKTOP EXPLORER"));
    ASSERT_TRUE(space.SetString("{E57E5C00-0000-4E57-8000-000000000052}", NULL, "Desktop Explorer"));
    const std::string first = space.Path("{E57E5C00-0000-4E57-8000-000000000051}");

    const RegistryRule extension = {0, RegistryRuleKind::NamespaceExtensionScan, kLm, kNamespaceRoot,
                                    "Desktop Explorer", NULL};
    EXPECT_EQ(1, DefaultValueScan(NULL, extension));
    ASSERT_EQ(1, list()->count) << DescribeRegistryItems(list());
    EXPECT_NE(nullptr, FindRegistryItem(list(), 12, kLm, first));

    const RegistryRule plain = {0, RegistryRuleKind::DefaultValueScan, kLm, kNamespaceRoot, "Desktop Explorer", NULL};
    EXPECT_EQ(1, DefaultValueScan(NULL, plain));
    ASSERT_EQ(2, list()->count) << DescribeRegistryItems(list());
    EXPECT_NE(nullptr, FindRegistryItem(list(), 13, kLm, first));

    // An absent argument equals no default value, not even an unset one.
    ASSERT_TRUE(space.Create("{E57E5C00-0000-4E57-8000-000000000053}"));
    const RegistryRule noArgument = {0, RegistryRuleKind::DefaultValueScan, kLm, kNamespaceRoot, NULL, NULL};
    EXPECT_EQ(0, DefaultValueScan(NULL, noArgument));
    EXPECT_EQ(2, list()->count);
}

TEST_F(SubkeyScanTest, DeviceInterfaceScanMatchesFriendlyNamesExactlyOnBothLevels)
{
    FixtureKeys classes(kLm, "System\\CurrentControlSet\\Control\\DeviceClasses");
    ASSERT_TRUE(classes.ok());
    const std::string cls = kInterfaceClass;
    const struct { const char* interfaceName; const char* reference; const char* friendly; uint8_t recorded; } cases[] = {
        {"##?#PCI#VEN_E57E&DEV_0001#3&11&0&08#{E57E}", "#GLOBAL", "Morvane Capture", 1},
        {"##?#PCI#VEN_E57E&DEV_0001#3&11&0&08#{E57E}", "#Audio", "Morvane Capture", 1},
        {"##?#PCI#VEN_E57E&DEV_0002#3&22&0&10#{E57E}", "#GLOBAL", "morvane capture", 0},
        {"##?#PCI#VEN_E57E&DEV_0003#3&33&0&18#{E57E}", "#GLOBAL", "Morvane Capture ", 0},
        {"##?#PCI#VEN_E57E&DEV_0004#3&44&0&20#{E57E}", "#GLOBAL", "", 0},
        {"##?#PCI#VEN_E57E&DEV_0005#3&55&0&28#{E57E}", "#GLOBAL", NULL, 0},   // no "Device Parameters"
    };
    for (const auto& c : cases) {
        const std::string reference = cls + "\\" + c.interfaceName + "\\" + c.reference;
        ASSERT_TRUE(classes.Create(reference));
        if (c.friendly) {
            ASSERT_TRUE(classes.SetString(reference + "\\Device Parameters", "FriendlyName", c.friendly));
        }
    }
    const std::string classPath = classes.Path(cls);
    const RegistryRule rule = {0, RegistryRuleKind::DeviceInterfaceScan, kLm, classPath.c_str(), "Morvane Capture", NULL};
    EXPECT_EQ(1, DeviceInterfaceScan(NULL, rule));
    for (const auto& c : cases) {
        const std::string path = classPath + "\\" + c.interfaceName + "\\" + c.reference;
        EXPECT_EQ(c.recorded, FindRegistryItem(list(), 14, kLm, path) != nullptr) << path;
    }
    EXPECT_EQ(2, list()->count) << DescribeRegistryItems(list());

    // An empty argument matches no empty friendly name.
    const RegistryRule empty = {0, RegistryRuleKind::DeviceInterfaceScan, kLm, classPath.c_str(), "", NULL};
    EXPECT_EQ(0, DeviceInterfaceScan(NULL, empty));
    EXPECT_EQ(2, list()->count);
}

TEST_F(SubkeyScanTest, DeviceInterfaceScanRecordsUnderLocalMachineOnly)
{
    const std::string relative = std::string(kInterfaceClass) + "\\##?#USB#VID_E57E&PID_0001#5&77&0&1#{E57E}\\#GLOBAL";

    // A numbered control set (Wine has none: the fixture creates it) keeps its own path.
    {
        FixtureKeys numbered(kLm, "System\\ControlSet001\\Control\\DeviceClasses");
        ASSERT_TRUE(numbered.ok());
        ASSERT_TRUE(numbered.SetString(relative + "\\Device Parameters", "FriendlyName", "Morvane Radio"));
        const std::string classPath = numbered.Path(kInterfaceClass);
        const RegistryRule rule = {0, RegistryRuleKind::DeviceInterfaceScan, kLm, classPath.c_str(), "Morvane Radio", NULL};
        EXPECT_EQ(1, DeviceInterfaceScan(NULL, rule));
        ASSERT_EQ(1, list()->count) << DescribeRegistryItems(list());
        EXPECT_NE(nullptr, FindRegistryItem(list(), 14, kLm, numbered.Path(relative)));
    }
    EXPECT_FALSE(KeyPresent(kLm, "System\\ControlSet001"));

    // Found under another hive: the rule counts as found, but the key is recorded only where
    // it exists under HKEY_LOCAL_MACHINE.
    FixtureKeys user(HKEY_CURRENT_USER, "System\\CurrentControlSet\\Control\\DeviceClasses");
    ASSERT_TRUE(user.ok());
    ASSERT_TRUE(user.SetString(relative + "\\Device Parameters", "FriendlyName", "Morvane Radio"));
    const std::string classPath = user.Path(kInterfaceClass);
    const RegistryRule rule = {0, RegistryRuleKind::DeviceInterfaceScan, HKEY_CURRENT_USER, classPath.c_str(),
                               "Morvane Radio", NULL};
    EXPECT_EQ(1, DeviceInterfaceScan(NULL, rule));
    EXPECT_EQ(1, list()->count) << DescribeRegistryItems(list());

    // With the same key under HKEY_LOCAL_MACHINE it is recorded there, never under the rule's hive.
    FixtureKeys machine(kLm, "System\\CurrentControlSet\\Control\\DeviceClasses");
    ASSERT_TRUE(machine.Create(relative));
    EXPECT_EQ(1, DeviceInterfaceScan(NULL, rule));
    ASSERT_EQ(2, list()->count) << DescribeRegistryItems(list());
    EXPECT_NE(nullptr, FindRegistryItem(list(), 14, kLm, machine.Path(relative)));
}
