// The registry search driver reaches the scans: table rows of every scanning kind find their
// fixtures through SearchRegistry.
#include <gtest/gtest.h>
#include <string.h>
#include "model/process_values.h"
#include "model/products.h"
#include "search/registry/registry_search.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"
#include "tables/hardware_ids.h"

namespace {

const HKEY kLm = HKEY_LOCAL_MACHINE;

// The first table row of the kind whose key path begins with prefix (and that has an argument
// when one is asked for); NULL when there is none.
const RegistryRule* FirstRow(int32_t kind, const char* prefix, bool withArgument)
{
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& row = kRegistryRules[i];
        if (row.kind == kind && strncmp(row.keyPath, prefix, strlen(prefix)) == 0 &&
            (!withArgument || row.argument != NULL))
            return &row;
    }
    return NULL;
}

std::string FirstPciId(int32_t product)
{
    for (int i = 0; kHardwareIds[i].idPrefix[0] != '\0'; i++) {
        if (kHardwareIds[i].product == product && strncmp(kHardwareIds[i].idPrefix, "VEN_", 4) == 0)
            return kHardwareIds[i].idPrefix;
    }
    return "";
}

}  // namespace

TEST(SearchWiring, RegistryDriverEvaluatesEveryScanningKind)
{
    ScopedFoundItems scope;
    ProductSelection(-2, 0x3FFFF);
    const uint8_t savedRestricted = g_restrictedFlag;
    g_restrictedFlag = 0;

    const RegistryRule* classRow = FirstRow(RegistryRuleKind::DriverClassScan, "System\\CurrentControlSet\\Control\\Class\\", true);
    const RegistryRule* namespaceRow = FirstRow(RegistryRuleKind::NamespaceExtensionScan, "", true);
    const RegistryRule* interfaceRow = FirstRow(RegistryRuleKind::DeviceInterfaceScan, "System\\CurrentControlSet\\", true);
    const RegistryRule* monitorRow = FirstRow(RegistryRuleKind::MonitorDeviceScan, "", true);
    const RegistryRule* childRow = FirstRow(RegistryRuleKind::ChildDeviceScan, "", true);
    const RegistryRule* videoRow = FirstRow(RegistryRuleKind::VideoKeyScan, "", false);
    ASSERT_TRUE(classRow && namespaceRow && interfaceRow && monitorRow && childRow && videoRow);
    const std::string id = FirstPciId(childRow->product);
    ASSERT_FALSE(id.empty());

    // Kind 5: a class instance of the maker with the row's INF section.
    FixtureKeys cls(kLm, classRow->keyPath);
    ASSERT_TRUE(cls.SetString("0999", "ProviderName", "Morvane"));
    ASSERT_TRUE(cls.SetString("0999", "InfSection", classRow->argument));
    // Kind 12: the desktop namespace entry.
    FixtureKeys space(kLm, namespaceRow->keyPath);
    ASSERT_TRUE(space.SetString("{E57E5C00-0000-4E57-8000-000000000060}", NULL, namespaceRow->argument));
    // Kind 14: a device interface with the row's friendly name.
    FixtureKeys interfaces(kLm, interfaceRow->keyPath);
    const std::string reference = "##?#PCI#VEN_E57E&DEV_0060#3&60&0&08#{E57E}\\#GLOBAL";
    ASSERT_TRUE(interfaces.SetString(reference + "\\Device Parameters", "FriendlyName", interfaceRow->argument));
    // Kind 10 (volatile in Wine), reached from kind 6 through the VideoID as well.
    FixtureKeys video(kLm, videoRow->keyPath, 1);
    ASSERT_TRUE(video.SetString("{E57E5C00-0000-4E57-8000-000000000061}\\0000", "Device Description", "NVIDIA Test"));
    // Kinds 6 and 9: an adapter of the child-scan row's family with a child display.
    FixtureKeys pci(kLm, "System\\CurrentControlSet\\Enum\\PCI");
    ASSERT_TRUE(pci.SetString(id + "&REV_A1\\4&60&0&0008\\Device Parameters", "VideoID",
                              "{E57E5C00-0000-4E57-8000-000000000061}"));
    ASSERT_TRUE(pci.SetString(id + "&REV_A1\\4&60&0&0008", "ParentIdPrefix", "5&e57e0060&0"));
    FixtureKeys display(kLm, childRow->keyPath);
    ASSERT_TRUE(display.Create("MRV0060\\5&e57e0060&0&UID0"));
    // Kind 8: a monitor of the 9x layout.
    FixtureKeys monitors(kLm, monitorRow->keyPath);
    ASSERT_TRUE(monitors.Create("Default_Monitor\\PCI_" + id + "&REV_01"));

    SearchRegistry(ScopedSession().get(), NULL);
    g_restrictedFlag = savedRestricted;

    const struct { int32_t kind; std::string path; } expected[] = {
        {5, cls.Path("0999")},
        {12, space.Path("{E57E5C00-0000-4E57-8000-000000000060}")},
        {14, interfaces.Path(reference)},
        {10, video.Path("{E57E5C00-0000-4E57-8000-000000000061}")},
        {6, pci.Path(id + "&REV_A1")},
        {9, display.Path("MRV0060\\5&e57e0060&0&UID0")},
        {8, monitors.Path("Default_Monitor\\PCI_" + id + "&REV_01")},
    };
    for (const auto& e : expected) {
        EXPECT_NE(nullptr, FindRegistryItem(scope.list(), e.kind, kLm, e.path))
            << e.kind << " " << e.path << "\n" << DescribeRegistryItems(scope.list());
    }
    const FoundItem* extension = FindRegistryItem(scope.list(), 12, kLm, expected[1].path);
    ASSERT_NE(nullptr, extension);
    EXPECT_EQ(namespaceRow->product, extension->productIndex);
}
