// The found-item list: adds, duplicates, the product filter, capacity, clearing, texts.
#include <gtest/gtest.h>
#include <string.h>
#include "model/found_items.h"
#include "model/products.h"
#include "platform/text_ops.h"
#include "search/record_file.h"
#include "support/helpers.h"
#include "support/scan_fixtures.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

class FoundItemsTest : public testing::Test {
protected:
    void SetUp() override { ProductSelection(-2, 0x3FFFF); }
    ScopedFoundItems scope{FoundItemCapacity()};
    FileItemSource family = {-1, kWhyUnknown, -1, ""};   // a family, the why of the file rule
    ScopedSession session{0, &family};   // the reference: the path guard asks the platform
    FoundItemList* list() { return scope.list(); }
};

}  // namespace

TEST(FoundItemList, CapacityIsBothTablesPlus300AndSlotsStartDefault)
{
    EXPECT_EQ(CountRegistryRules() + CountFileRules() + 300, FoundItemCapacity());
    FoundItemList* list = CreateFoundItemList(FoundItemCapacity());
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(0, list->count);
    EXPECT_EQ(FoundItemCapacity(), list->capacity);
    for (int i = 0; i < list->capacity; i++) {
        const FoundItem& it = list->items[i];
        ASSERT_TRUE(it.path == NULL && it.valueName == NULL && it.serviceName == NULL && it.displayText == NULL);
        ASSERT_EQ(1, it.ticked);
        ASSERT_EQ(1, it.accessible);
        ASSERT_EQ(0, it.notDeleted);
    }
    DestroyFoundItemList(list);
}

TEST_F(FoundItemsTest, FileDuplicatesIgnoreCaseAndRegistryItemsAreNotCompared)
{
    ScratchFolder folder("dup");
    ASSERT_TRUE(folder.WriteFile("Tool.DLL"));
    family.product = 3;
    EXPECT_EQ(1, RecordFile(session.get(), (folder.path() + "Tool.DLL").c_str(), "svc"));
    EXPECT_EQ(1, RecordFile(session.get(), (folder.path() + "tool.dll").c_str(), NULL));   // duplicate: 1, nothing added
    ASSERT_EQ(1, list()->count);
    const FoundItem& it = list()->items[0];
    EXPECT_EQ(kItemClassFile, it.itemClass);
    EXPECT_EQ(3, it.productIndex);
    EXPECT_STREQ("svc", it.serviceName);
    EXPECT_EQ(1, it.accessible);
}

TEST_F(FoundItemsTest, UnselectedFamilyIsDroppedWithResultOne)
{
    ScratchFolder folder("unselected");
    ASSERT_TRUE(folder.WriteFile("a.sys"));
    ProductSelection(5, 0);
    family.product = 5;
    EXPECT_EQ(1, RecordFile(session.get(), (folder.path() + "a.sys").c_str(), NULL));
    EXPECT_EQ(0, list()->count);
    // Selecting the family afterwards does not bring the item back: a new search is needed.
    ProductSelection(5, 1);
    EXPECT_EQ(0, list()->count);
    if (StampRegistryItemsAs(0) < 0) GTEST_SKIP() << "registry rule table is empty";
    ProductSelection(0, 0);
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\X", NULL));
    EXPECT_EQ(0, list()->count);
}

TEST_F(FoundItemsTest, RegistryDuplicatesByKindHiveKeyAndValueName)
{
    if (StampRegistryItemsAs(0) < 0) GTEST_SKIP() << "registry rule table is empty";
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", NULL));
    EXPECT_EQ(0, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "SOFTWARE\\MORVANE\\APP", NULL));   // same key
    EXPECT_EQ(1, AddRegistryItem(3, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", NULL));   // other kind
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_CURRENT_USER, "Software\\Morvane\\App", NULL));   // other hive
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", ""));     // empty != absent
    EXPECT_EQ(0, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", ""));
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", "Path"));
    EXPECT_EQ(0, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", "PATH"));
    ASSERT_EQ(5, list()->count);
    EXPECT_EQ(NULL, list()->items[0].valueName);
    EXPECT_STREQ("", list()->items[3].valueName);
    EXPECT_EQ(0, list()->items[0].productIndex);
    EXPECT_EQ(3, list()->items[1].ruleKind);
}

TEST_F(FoundItemsTest, TheTwoViewsKeepTwinsApartAndTheOtherHalfIsNamedInItsText)
{
    if (StampRegistryItemsAs(0) < 0) GTEST_SKIP() << "registry rule table is empty";
    ScopedHalves halves(kOtherHalf32);   // this 64-bit test program's machine
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", "Path"));
    EXPECT_EQ(1, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "Software\\Morvane\\App", "Path", kViewOther));
    EXPECT_EQ(0, AddRegistryItem(0, HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane\\App", "PATH", kViewOther));
    ASSERT_EQ(2, list()->count);
    char text[1024];
    EXPECT_STREQ("[HKEY_LOCAL_MACHINE\\Software\\Morvane\\App] Path", FormatItemText(&list()->items[0], text, sizeof text));
    EXPECT_STREQ("[HKEY_LOCAL_MACHINE\\Software\\Morvane\\App] Path (32-bit)", FormatItemText(&list()->items[1], text, sizeof text));
    ScopedHalves wow64(kOtherHalfNative);   // the 32-bit program under WOW64
    EXPECT_STREQ("[HKEY_LOCAL_MACHINE\\Software\\Morvane\\App] Path (64-bit)", FormatItemText(&list()->items[1], text, sizeof text));
    // A text that must be cut keeps its half whole, within 1023 characters.
    FreeString(list()->items[1].path);
    list()->items[1].path = DuplicateString(std::string(1500, 'k').c_str());
    EXPECT_EQ(1023u, strlen(FormatItemText(&list()->items[1], text, sizeof text)));
    EXPECT_STREQ("kkk (64-bit)", text + 1023 - 12);
}

TEST_F(FoundItemsTest, CapacityIsCheckedBeforeDuplicates)
{
    ScopedFoundItems small(2);
    ScratchFolder folder("capacity");
    for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(folder.WriteFile(name));
    family.product = 1;
    EXPECT_EQ(1, RecordFile(session.get(), (folder.path() + "a").c_str(), NULL));
    EXPECT_EQ(1, RecordFile(session.get(), (folder.path() + "b").c_str(), NULL));
    EXPECT_EQ(0, RecordFile(session.get(), (folder.path() + "c").c_str(), NULL));   // full
    EXPECT_EQ(0, RecordFile(session.get(), (folder.path() + "a").c_str(), NULL));   // full comes before duplicate
    EXPECT_EQ(0, AddRegistryItem(0, HKEY_CURRENT_USER, "Software\\X", NULL));
    EXPECT_EQ(2, small.list()->count);
}

TEST_F(FoundItemsTest, ClearedSlotsAreReusedFromTheDefaultState)
{
    ScratchFolder folder("clear");
    for (const char* name : {"one", "two"}) ASSERT_TRUE(folder.WriteFile(name));
    family.product = 2;
    RecordFile(session.get(), (folder.path() + "one").c_str(), "svc");
    list()->items[0].ticked = 0;
    list()->items[0].notDeleted = 1;
    list()->items[0].displayText = DuplicateString("shown");
    ClearItems();
    EXPECT_EQ(0, list()->count);
    EXPECT_EQ(NULL, list()->items[0].path);
    EXPECT_EQ(NULL, list()->items[0].displayText);
    EXPECT_EQ(1, RecordFile(session.get(), (folder.path() + "one").c_str(), NULL));   // no longer a duplicate
    const FoundItem& it = list()->items[0];
    EXPECT_EQ(1, it.ticked);
    EXPECT_EQ(0, it.notDeleted);
    EXPECT_EQ(NULL, it.serviceName);
    EXPECT_EQ(NULL, it.displayText);
}

TEST(FoundItemText, RegistryFileAndOtherClasses)
{
    FoundItem item;
    char text[1024];
    memset(text, 0xbd, sizeof text);
    item.itemClass = kItemClassRegistry;
    item.hive = HKEY_LOCAL_MACHINE;
    item.path = DuplicateString("Software\\Morvane");
    EXPECT_STREQ("[HKEY_LOCAL_MACHINE\\Software\\Morvane] ", FormatItemText(&item, text, sizeof text));
    item.valueName = DuplicateString("Path");
    EXPECT_STREQ("[HKEY_LOCAL_MACHINE\\Software\\Morvane] Path", FormatItemText(&item, text, sizeof text));
    item.hive = (HKEY)(ULONG_PTR)0x80000005;
    EXPECT_STREQ("[\\Software\\Morvane] Path", FormatItemText(&item, text, sizeof text));
    EXPECT_STREQ("Registry", ItemTypeWord(&item));
    item.itemClass = kItemClassFile;
    EXPECT_STREQ("Software\\Morvane", FormatItemText(&item, text, sizeof text));
    EXPECT_STREQ("File", ItemTypeWord(&item));
    item.itemClass = 7;
    EXPECT_STREQ("", FormatItemText(&item, text, sizeof text));
    EXPECT_STREQ("", ItemTypeWord(&item));
    // A long path is cut to 1023 characters.
    item.itemClass = kItemClassFile;
    FreeString(item.path);
    std::string longPath(3000, 'p');
    item.path = DuplicateString(longPath.c_str());
    char big[4096];
    EXPECT_EQ(1023u, strlen(FormatItemText(&item, big, sizeof big)));
    EXPECT_STREQ("HKEY_CLASSES_ROOT", HiveName(HKEY_CLASSES_ROOT));
    EXPECT_STREQ("HKEY_CURRENT_USER", HiveName(HKEY_CURRENT_USER));
    EXPECT_STREQ("HKEY_USERS", HiveName(HKEY_USERS));
    EXPECT_STREQ("", HiveName(NULL));
    // HKEY_CURRENT_CONFIG is read back from .reg files by its name, but no item lives there.
    EXPECT_STREQ("", HiveName(HKEY_CURRENT_CONFIG));
    EXPECT_EQ(HKEY_CURRENT_CONFIG, HiveFromName("hkey_current_config]", 19));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, HiveFromShortName("HKLM"));
    EXPECT_EQ(NULL, HiveFromShortName("HKCC"));
    EXPECT_EQ(NULL, HiveFromShortName("hklm"));
}

TEST_F(FoundItemsTest, FileHeldOpenIsAddedAsNotAccessible)
{
    ScratchFolder folder("heldadd");
    ASSERT_TRUE(folder.WriteFile("busy.ax"));
    const std::string path = folder.path() + "busy.ax";
    HeldFile holder(path);
    ASSERT_TRUE(holder.ok());
    family.product = 7;
    EXPECT_EQ(0, RecordFile(session.get(), path.c_str(), NULL));
    ASSERT_EQ(1, list()->count);
    EXPECT_EQ(0, list()->items[0].accessible);
}
