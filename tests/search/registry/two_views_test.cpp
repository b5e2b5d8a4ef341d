// The registry search on a machine with two halves: the maker's keys of each half are listed,
// each with its view and the half it lies in, while a key both views reach is listed once.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "model/products.h"
#include "platform/machine_halves.h"
#include "search/registry/shared_reads.h"
#include "search/search_all.h"
#include "search/search_session.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"
#include "support/search_support.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

const HKEY kLm = HKEY_LOCAL_MACHINE;
const size_t kSoftware = 9;   // "Software\"

// The halves as envsweep.exe detects them for the scope, and HKLM\Software as each view sees it,
// so that the fixtures made below it are that view's.
struct TwoHalves {
    ScopedHalves detected;
    HKEY software[2] = {NULL, NULL};
    TwoHalves()
    {
        for (uint8_t view = kViewOwn; view <= kViewOther; view++)
            OpenKeyInView({kLm, "Software", view}, KEY_ALL_ACCESS, &software[view]);
    }
    ~TwoHalves()
    {
        for (HKEY key : software) if (key != NULL) RegCloseKey(key);
    }
};

const RegistryRule* FirstRow(int32_t kind, const char* prefix)
{
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        if (kRegistryRules[i].kind == kind && strncmp(kRegistryRules[i].keyPath, prefix, strlen(prefix)) == 0)
            return &kRegistryRules[i];
    }
    return NULL;
}

// The items of that kind (-1: every kind) and path ("": any), in list order, as "view text".
std::vector<std::string> Listed(const FoundItemList* list, int32_t kind, const std::string& path)
{
    std::vector<std::string> texts;
    for (const FoundItem* item : RegistryItems(list)) {
        char text[1024];
        if ((kind < 0 || item->ruleKind == kind) && (path.empty() || path == item->path))
            texts.push_back(std::to_string(item->view) + " " + FormatItemText(item, text, sizeof text));
    }
    return texts;
}

}  // namespace

TEST(TwoViews, SearchListsEachHalfsOwnKeysWithTheirHalfAndSharedKeysOnce)
{
    TwoHalves halves;
    if (RegistryViewCount() < 2) GTEST_SKIP() << "this machine has one half";
    const RegistryRule* plain = FirstRow(RegistryRuleKind::KeyOrValue, "Software\\Morvane\\");
    const RegistryRule* space = FirstRow(RegistryRuleKind::NamespaceExtensionScan, "SOFTWARE\\");
    const RegistryRule* cls = FirstRow(RegistryRuleKind::DriverClassScan, "System\\CurrentControlSet\\Control\\Class\\");
    ASSERT_TRUE(plain && space && cls && halves.software[kViewOther] != NULL);
    const std::string entry = "{E57E5C00-0000-4E57-8000-000000000070}";

    // The maker's key and namespace entry in both halves under the same names, each half with a
    // subkey of its own; in the other half also another maker's entry.
    FixtureKeys ownPlain(halves.software[kViewOwn], "Morvane"), otherPlain(halves.software[kViewOther], "Morvane");
    FixtureKeys ownSpace(halves.software[kViewOwn], space->keyPath + kSoftware);
    FixtureKeys otherSpace(halves.software[kViewOther], space->keyPath + kSoftware);
    const std::string below = std::string(plain->keyPath + kSoftware + 8) + "\\";   // below "Morvane\"
    ASSERT_TRUE(ownPlain.Create(below + "OwnHalf") && otherPlain.Create(below + "OtherHalf"));
    ASSERT_TRUE(ownSpace.SetString(entry, NULL, space->argument) && otherSpace.SetString(entry, NULL, space->argument));
    ASSERT_TRUE(otherSpace.SetString("{E57E5C00-0000-4E57-8000-000000000071}", NULL, "Another Maker's Desktop"));
    // A driver class instance: SYSTEM is one key for both views.
    FixtureKeys classes(kLm, cls->keyPath);
    ASSERT_TRUE(classes.SetString("0998", "ProviderName", "Morvane") && classes.SetString("0998", "InfSection", cls->argument));

    // One path, two keys: a sharing session answers each view from its own reads.
    ScopedSession reads(1);
    char names[2][256] = {"", ""};
    for (uint8_t view = kViewOwn; view <= kViewOther; view++) {
        reads.get()->registryView = view;
        ScanKey key;
        ASSERT_TRUE(ScanOpen(reads.get(), kLm, plain->keyPath, &key));
        ScanEnumSubkey(&key, 0, names[view]);
        ScanClose(&key);
    }
    EXPECT_STREQ("OwnHalf", names[kViewOwn]);
    EXPECT_STREQ("OtherHalf", names[kViewOther]);

    // As SearchAll searches, on a bar whose range has one step per rule; then the reference.
    ScopedFoundItems scope;
    ASSERT_GE(scope.list()->capacity, 2 * CountRegistryRules() + CountFileRules());
    ProductSelection(-2, 0x3FFFF);
    CountingProgressBar bar;
    bar.Start(0);
    EXPECT_EQ(1, SearchInSession(ScopedSession(1).get(), bar.hwnd()));
    EXPECT_EQ(CountRegistryRules() + CountFileRules(), bar.Position());
    for (size_t i = 1; i < bar.setPositions.size(); i++) ASSERT_LE(bar.setPositions[i - 1], bar.setPositions[i]);
    const std::vector<std::string> shared = Listed(scope.list(), -1, "");
    ClearItems();
    EXPECT_EQ(1, SearchInSession(ScopedSession(0).get(), NULL));
    EXPECT_EQ(shared, Listed(scope.list(), -1, ""));

    // Both twins, the own one with today's text, the other's with its half; the shared instance
    // once; the other maker's entry not at all.
    const std::string half = g_machineHalves == kOtherHalf32 ? " (32-bit)" : " (64-bit)";
    const std::string plainText = "[HKEY_LOCAL_MACHINE\\" + std::string(plain->keyPath) + "] ";
    const std::string spaceText = "[HKEY_LOCAL_MACHINE\\" + std::string(space->keyPath) + "\\" + entry + "] ";
    EXPECT_EQ((std::vector<std::string>{"0 " + plainText, "1 " + plainText + half}),
              Listed(scope.list(), plain->kind, plain->keyPath));
    EXPECT_EQ((std::vector<std::string>{"0 " + spaceText, "1 " + spaceText + half}),
              Listed(scope.list(), space->kind, ""));
    EXPECT_EQ((std::vector<std::string>{"0 [HKEY_LOCAL_MACHINE\\" + classes.Path("0998") + "] "}),
              Listed(scope.list(), cls->kind, classes.Path("0998")));
}
