// The registry search on a machine with two halves: the maker's keys of each half are listed,
// each with its view and the half it lies in, while a key both views reach is listed once.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "model/process_values.h"
#include "model/products.h"
#include "platform/machine_halves.h"
#include "search/registry/shared_reads.h"
#include "search/search_session.h"
#include "support/helpers.h"
#include "search/search_support.h"
#include "support/scan_fixtures.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

const HKEY kLm = HKEY_LOCAL_MACHINE;

// The halves as envsweep.exe detects them, for the scope; what was before (one half) afterwards,
// as every other test of the program expects.
struct DetectedHalves {
    int32_t saved = g_machineHalves;
    DetectedHalves() { DetectMachineHalves(); }
    ~DetectedHalves() { g_machineHalves = saved; }
};

// root\path made in one view, from its topmost missing key, which is removed in that view at the
// end (the path itself first and at the end when nothing was missing).
class ViewKey {
public:
    ViewKey(HKEY root, const std::string& path, uint8_t view) : root_(root), view_(view)
    {
        Remove(path);
        size_t end = 0;
        do {
            end = path.find('\\', end + 1);
            top_ = path.substr(0, end);
            HKEY probe = NULL;
            if (OpenKeyInView(root, top_.c_str(), KEY_READ, view, &probe) != ERROR_SUCCESS) break;
            RegCloseKey(probe);
        } while (end != std::string::npos);
        HKEY key = NULL;
        ok_ = RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS | RegistryViewFlag(view), NULL, &key,
                              NULL) == ERROR_SUCCESS;
        if (ok_) RegCloseKey(key);
    }
    ~ViewKey() { Remove(top_); }
    bool ok() const { return ok_; }
    bool SetDefault(const std::string& path, const char* text) const
    {
        HKEY key = NULL;
        if (OpenKeyInView(root_, path.c_str(), KEY_SET_VALUE, view_, &key) != ERROR_SUCCESS) return false;
        const LONG rc = RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
private:
    // Deepest keys first: DeleteKeyInView removes one key without subkeys.
    void Remove(const std::string& path) const
    {
        HKEY key = NULL;
        if (OpenKeyInView(root_, path.c_str(), KEY_READ, view_, &key) == ERROR_SUCCESS) {
            std::vector<std::string> subkeys;
            char name[256];
            DWORD length = sizeof name;
            for (DWORD i = 0; RegEnumKeyExA(key, i, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS; i++) {
                subkeys.push_back(name);
                length = sizeof name;
            }
            RegCloseKey(key);
            for (const std::string& subkey : subkeys) Remove(path + "\\" + subkey);
        }
        DeleteKeyInView(root_, path.c_str(), view_);
    }
    HKEY root_;
    uint8_t view_;
    std::string top_;
    bool ok_;
};

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

// Every registry item of the list with the text the window shows.
std::vector<std::string> ItemTexts(const FoundItemList* list)
{
    std::vector<std::string> texts;
    for (const FoundItem* item : RegistryItems(list)) {
        char text[1024];
        texts.push_back(std::to_string(item->ruleKind) + " " + std::to_string(item->view) + " " +
                        FormatItemText(item, text, sizeof text));
    }
    return texts;
}

// The items of that kind and path, in list order.
std::vector<const FoundItem*> Items(const FoundItemList* list, int32_t kind, const std::string& path)
{
    std::vector<const FoundItem*> found;
    for (const FoundItem* item : RegistryItems(list)) {
        if (item->ruleKind == kind && item->hive == kLm && path == item->path) found.push_back(item);
    }
    return found;
}

}  // namespace

TEST(TwoViews, SearchListsEachHalfsOwnKeysWithTheirHalfAndSharedKeysOnce)
{
    DetectedHalves halves;
    if (RegistryViewCount() < 2) GTEST_SKIP() << "this machine has one half";
    const uint8_t savedRestricted = g_restrictedFlag;
    g_restrictedFlag = 0;

    const RegistryRule* plainRow = FirstRow(RegistryRuleKind::KeyOrValue, "Software\\Morvane\\", false);
    const RegistryRule* namespaceRow = FirstRow(RegistryRuleKind::NamespaceExtensionScan, "SOFTWARE\\", true);
    const RegistryRule* classRow = FirstRow(RegistryRuleKind::DriverClassScan, "System\\CurrentControlSet\\Control\\Class\\", true);
    ASSERT_TRUE(plainRow && namespaceRow && classRow);
    const std::string entry = std::string(namespaceRow->keyPath) + "\\{E57E5C00-0000-4E57-8000-000000000070}";
    const std::string otherMaker = std::string(namespaceRow->keyPath) + "\\{E57E5C00-0000-4E57-8000-000000000071}";

    // The maker's key and desktop namespace entry in both halves, under the same names.
    ViewKey ownPlain(kLm, plainRow->keyPath, kViewOwn);
    ViewKey otherPlain(kLm, plainRow->keyPath, kViewOther);
    ViewKey ownEntry(kLm, entry, kViewOwn);
    ViewKey otherEntry(kLm, entry, kViewOther);
    ASSERT_TRUE(ownPlain.ok() && otherPlain.ok() && ownEntry.ok() && otherEntry.ok());
    ASSERT_TRUE(ownEntry.SetDefault(entry, namespaceRow->argument));
    ASSERT_TRUE(otherEntry.SetDefault(entry, namespaceRow->argument));
    // Another maker's entry, in the other half only.
    ViewKey foreign(kLm, otherMaker, kViewOther);
    ASSERT_TRUE(foreign.ok() && foreign.SetDefault(otherMaker, "Another Maker's Desktop"));
    // A driver class instance: SYSTEM is one key for both views.
    FixtureKeys cls(kLm, classRow->keyPath);
    ASSERT_TRUE(cls.SetString("0998", "ProviderName", "Morvane"));
    ASSERT_TRUE(cls.SetString("0998", "InfSection", classRow->argument));
    ASSERT_TRUE(KeyDiffersInOtherView(kLm, plainRow->keyPath)) << "the halves' software keys are apart";
    ASSERT_FALSE(KeyDiffersInOtherView(kLm, cls.Path("0998").c_str()));

    // One path, two keys: a sharing session answers each view from its own reads.
    ViewKey ownOnly(kLm, std::string(plainRow->keyPath) + "\\OwnHalf", kViewOwn);
    ViewKey otherOnly(kLm, std::string(plainRow->keyPath) + "\\OtherHalf", kViewOther);
    {
        ScopedSession reads(1);
        char names[2][256];
        for (uint8_t view = kViewOwn; view <= kViewOther; view++) {
            reads.get()->registryView = view;
            ScanKey key;
            ASSERT_TRUE(ScanOpen(reads.get(), kLm, plainRow->keyPath, &key));
            EXPECT_TRUE(ScanEnumSubkey(&key, 0, names[view]));
            ScanClose(&key);
        }
        EXPECT_STREQ("OwnHalf", names[kViewOwn]);
        EXPECT_STREQ("OtherHalf", names[kViewOther]);
    }

    // As SearchAll searches, on a bar whose range is one step per rule; then the reference.
    ScopedFoundItems scope;
    ASSERT_GE(scope.list()->capacity, 2 * CountRegistryRules() + CountFileRules());
    ProductSelection(-2, 0x3FFFF);
    CountingProgressBar bar;
    bar.Start(0);
    EXPECT_EQ(1, SearchInSession(ScopedSession(1).get(), bar.hwnd()));
    EXPECT_EQ(CountRegistryRules() + CountFileRules(), bar.Position());
    for (size_t i = 1; i < bar.setPositions.size(); i++) ASSERT_LE(bar.setPositions[i - 1], bar.setPositions[i]);
    const std::vector<std::string> shared = ItemTexts(scope.list());
    ClearItems();
    EXPECT_EQ(1, SearchInSession(ScopedSession(0).get(), NULL));
    EXPECT_EQ(shared, ItemTexts(scope.list()));
    g_restrictedFlag = savedRestricted;
    SCOPED_TRACE(DescribeRegistryItems(scope.list()));

    // Both twins, the own one first with today's text, the other's with its half.
    const char* half = RegistryViewIs64Bit(kViewOther) ? " (64-bit)" : " (32-bit)";
    EXPECT_STREQ(g_machineHalves == kOtherHalf32 ? " (32-bit)" : " (64-bit)", half);
    for (const auto& twin : {std::make_pair(plainRow->kind, std::string(plainRow->keyPath)),
                             std::make_pair(namespaceRow->kind, entry)}) {
        const std::vector<const FoundItem*> items = Items(scope.list(), twin.first, twin.second);
        ASSERT_EQ(2u, items.size()) << twin.second;
        EXPECT_EQ(kViewOwn, items[0]->view);
        EXPECT_EQ(kViewOther, items[1]->view);
        char own[1024];
        char other[1024];
        FormatItemText(items[0], own, sizeof own);
        FormatItemText(items[1], other, sizeof other);
        EXPECT_EQ(nullptr, strstr(own, "-bit)"));
        EXPECT_EQ(std::string(own) + half, other);
    }
    // The shared class instance once, from the own view; the other maker's entry not at all.
    const std::vector<const FoundItem*> instance = Items(scope.list(), classRow->kind, cls.Path("0998"));
    ASSERT_EQ(1u, instance.size());
    EXPECT_EQ(kViewOwn, instance[0]->view);
    EXPECT_TRUE(Items(scope.list(), namespaceRow->kind, otherMaker).empty());
    for (const FoundItem* item : RegistryItems(scope.list())) {
        // Whatever else the prefix holds, no key both views reach is listed from the other one.
        if (item->view == kViewOther) {
            EXPECT_TRUE(KeyDiffersInOtherView(item->hive, item->path)) << item->path;
        }
    }
}
