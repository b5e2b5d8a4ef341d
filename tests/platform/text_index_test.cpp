// The text index behind the duplicate tests of the found-item list and of the file rules. It
// rests on one property of lstrcmpiA, checked here on the running system: two texts of printable
// ASCII characters are equal exactly when they are equal with ASCII letter case ignored. Texts
// with other characters go the long way, so whatever the locale makes of them, the list agrees
// with lstrcmpiA.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "model/found_items.h"
#include "model/products.h"
#include "platform/ascii_case.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"

namespace {

TEST(TextIndex, PrintableAsciiTextsAreEqualOnlyWhenTheirFoldedLettersAre)
{
    // Every character against every other in the middle of a word, and every character left out
    // (a hyphen or an apostrophe is not ignored either, so "co-op" is not "coop").
    for (int a = 0x20; a <= 0x7E; a++) {
        const std::string one = std::string("k") + (char)a + "z";
        for (int b = 0x20; b <= 0x7E; b++) {
            const std::string other = std::string("k") + (char)b + "z";
            EXPECT_EQ(AsciiLower((char)a) == AsciiLower((char)b), lstrcmpiA(one.c_str(), other.c_str()) == 0)
                << one << " / " << other;
        }
        EXPECT_NE(0, lstrcmpiA(one.c_str(), "kz")) << one;
    }
    EXPECT_NE(0, lstrcmpiA("{4D36E968-E325}", "{4D36E968E325}"));
    EXPECT_NE(0, lstrcmpiA("co-op", "coop"));
}

TEST(TextIndex, ListDuplicatesFollowLstrcmpiAForEveryKindOfText)
{
    ScopedFoundItems items;
    FoundItemList* list = items.list();
    ProductSelection(-2, (1 << kProductCount) - 1);
    ASSERT_GE(StampRegistryItemsAs(0), 0);

    // Pairs of key paths; the second is a duplicate exactly when lstrcmpiA says they are equal.
    const char* const pairs[][2] = {
        {"Software\\Envsweep\\Plain", "SOFTWARE\\envsweep\\PLAIN"},
        {"Software\\Envsweep\\Stra\xdf" "e", "Software\\Envsweep\\STRASSE"},   // the locale decides
        {"Software\\Envsweep\\Caf\xe9", "Software\\Envsweep\\CAF\xc9"},
        {"Software\\Envsweep\\Ctl\x01", "Software\\Envsweep\\Ctl"},            // control characters
        {"Software\\Envsweep\\a-b", "Software\\Envsweep\\ab"},
    };
    for (const auto& pair : pairs) {
        const int32_t before = list->count;
        AddRegistryItem(0, HKEY_LOCAL_MACHINE, pair[0], NULL);
        AddRegistryItem(0, HKEY_LOCAL_MACHINE, pair[1], NULL);
        const int32_t expected = lstrcmpiA(pair[0], pair[1]) == 0 ? 1 : 2;
        EXPECT_EQ(expected, list->count - before) << pair[0] << " / " << pair[1];
        // Found again in either spelling, under the same kind; another kind or hive is new.
        AddRegistryItem(0, HKEY_LOCAL_MACHINE, pair[1], NULL);
        AddRegistryItem(0, HKEY_LOCAL_MACHINE, pair[0], NULL);
        EXPECT_EQ(expected, list->count - before);
        AddRegistryItem(3, HKEY_LOCAL_MACHINE, pair[0], NULL);
        AddRegistryItem(0, HKEY_CURRENT_USER, pair[0], NULL);
        EXPECT_EQ(expected + 2, list->count - before);
    }
    // An absent value name and an empty one are two items; value names ignore case.
    const int32_t before = list->count;
    AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Envsweep\\Run", NULL);
    AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Envsweep\\Run", "");
    AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Envsweep\\Run", "Tray");
    AddRegistryItem(0, HKEY_LOCAL_MACHINE, "software\\envsweep\\run", "TRAY");
    EXPECT_EQ(3, list->count - before);

    // Items written into the list directly (as a deletion test does) are still found, and a
    // cleared list forgets everything.
    PushItem(kItemClassRegistry, 0, HKEY_LOCAL_MACHINE, "Software\\Envsweep\\Direct");
    const int32_t withDirect = list->count;
    AddRegistryItem(0, HKEY_LOCAL_MACHINE, "SOFTWARE\\ENVSWEEP\\DIRECT", NULL);
    EXPECT_EQ(withDirect, list->count);
    ClearItems();
    AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Envsweep\\Plain", NULL);
    EXPECT_EQ(1, list->count);
}

}  // namespace
