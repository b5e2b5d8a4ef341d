// The delete-all driver's bookkeeping: counts, flags, notDeleted, kinds, progress.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "clean/deletion_driver.h"
#include "model/found_items.h"
#include "support/helpers.h"
#include "support/search_support.h"
#include "tables/registry_rules.h"

namespace {

const char* const kBase = "Software\\EnvsweepTest\\DeleteAll";

class DeleteAllTest : public testing::Test {
protected:
    ScratchKey scratch{HKEY_CURRENT_USER, kBase};
    ScratchFolder folder{"deleteall"};
    ScopedFoundItems scope{64};
    FoundItemList* list() { return scope.list(); }
    std::string Key(const std::string& relative) { return scratch.Full(relative); }
};

}  // namespace

TEST_F(DeleteAllTest, EmptyOrUntickedListLeavesCountsAtZeroAndSucceeds)
{
    DeletionSummary summary = {7, 0, 7, 0, 7, 7};
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, summary.registryCount);
    EXPECT_EQ(0, summary.fileCount);
    EXPECT_EQ(1, summary.registryAllDeleted);
    EXPECT_EQ(1, summary.filesAllDeleted);
    EXPECT_EQ(0, summary.placeFault);

    ASSERT_TRUE(scratch.Create("Keep"));
    FoundItem& item = PushItem(kItemClassRegistry, 0, HKEY_CURRENT_USER, Key("Keep"));
    item.ticked = 0;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, summary.registryCount);
    EXPECT_EQ(0, item.notDeleted);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, Key("Keep")));
}

TEST_F(DeleteAllTest, CountsFlagsAndNotDeletedPerClass)
{
    ASSERT_TRUE(scratch.Create("Gone\\Child"));
    ASSERT_TRUE(scratch.SetString("Values", "Drop", "x"));
    ASSERT_TRUE(scratch.SetString("Values", "Stay", "y"));
    ASSERT_TRUE(folder.WriteFile("present.dll"));
    FoundItem& key = PushItem(kItemClassRegistry, 0, HKEY_CURRENT_USER, Key("Gone"));
    FoundItem& value = PushItem(kItemClassRegistry, 3, HKEY_CURRENT_USER, Key("Values"), "Drop");
    FoundItem& missing = PushItem(kItemClassRegistry, 0, HKEY_CURRENT_USER, Key("NeverThere"));
    FoundItem& file = PushItem(kItemClassFile, 0, NULL, folder.path() + "present.dll");
    FoundItem& other = PushItem(5, 0, NULL, "whatever");

    DeletionSummary summary;
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(3, summary.registryCount);
    EXPECT_EQ(0, summary.registryAllDeleted);
    EXPECT_EQ(1, summary.fileCount);
    EXPECT_EQ(1, summary.filesAllDeleted);
    EXPECT_EQ(0, key.notDeleted);
    EXPECT_EQ(0, value.notDeleted);
    EXPECT_EQ(1, missing.notDeleted);
    EXPECT_EQ(0, file.notDeleted);
    EXPECT_EQ(1, other.notDeleted);   // another class counts as failed, in no count
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Key("Gone")));
    EXPECT_FALSE(ValuePresent(HKEY_CURRENT_USER, Key("Values"), "Drop"));
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, Key("Values"), "Stay"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder.path() + "present.dll").c_str()));
}

TEST_F(DeleteAllTest, MissingFileFailsTheFileSideOnly)
{
    PushItem(kItemClassFile, 0, NULL, folder.path() + "absent.sys");
    DeletionSummary summary;
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, summary.registryCount);
    EXPECT_EQ(1, summary.registryAllDeleted);
    EXPECT_EQ(1, summary.fileCount);
    EXPECT_EQ(0, summary.filesAllDeleted);
    EXPECT_EQ(1, list()->items[0].notDeleted);
}

// The same key under two kinds, and a value inside a key deleted before it: the first deletion
// takes the others along, so they are gone and count as deleted, not as failures.
TEST_F(DeleteAllTest, ItemsTakenAlongByAnEarlierDeletionCountAsDeleted)
{
    ASSERT_TRUE(scratch.Create("Twice"));
    ASSERT_TRUE(scratch.SetString("Twice", "Inside", "x"));
    FoundItem& first = PushItem(kItemClassRegistry, 0, HKEY_CURRENT_USER, Key("Twice"));
    FoundItem& second = PushItem(kItemClassRegistry, 3, HKEY_CURRENT_USER, Key("Twice"));
    FoundItem& value = PushItem(kItemClassRegistry, 7, HKEY_CURRENT_USER, Key("Twice"), "Inside");
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, first.notDeleted);
    EXPECT_EQ(0, second.notDeleted);
    EXPECT_EQ(0, value.notDeleted);
    EXPECT_EQ(3, summary.registryCount);
    EXPECT_EQ(1, summary.registryAllDeleted);
}

TEST_F(DeleteAllTest, KindOutsideTheTableFailsWithoutTouchingTheKey)
{
    ASSERT_TRUE(scratch.Create("Odd"));
    FoundItem& item = PushItem(kItemClassRegistry, 15, HKEY_CURRENT_USER, Key("Odd"));
    FoundItem& negative = PushItem(kItemClassRegistry, -1, HKEY_CURRENT_USER, Key("Odd"));
    DeletionSummary summary;
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(1, item.notDeleted);
    EXPECT_EQ(1, negative.notDeleted);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, Key("Odd")));
}

TEST_F(DeleteAllTest, PropertySheetHandlerWithUnreadableValueFailsWithoutDeletion)
{
    // The handler key exists but its default value does not: nothing may be deleted.
    ASSERT_TRUE(scratch.Create("Handler"));
    FoundItem& item = PushItem(kItemClassRegistry, RegistryRuleKind::PropertySheetHandlerKey,
                               HKEY_CURRENT_USER, Key("Handler"));
    // A named value that is missing fails the same way.
    FoundItem& named = PushItem(kItemClassRegistry, RegistryRuleKind::PropertySheetHandlerKey,
                                HKEY_CURRENT_USER, Key("Handler"), "Missing");
    DeletionSummary summary;
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(1, item.notDeleted);
    EXPECT_EQ(1, named.notDeleted);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, Key("Handler")));
}

TEST_F(DeleteAllTest, PropertySheetHandlerTakesItsClassRegistrationWithIt)
{
    const std::string clsid = "{0E5C7A31-94D2-4C1B-8F0E-3A1D2B9C7E51}";
    ScratchKey classKey(HKEY_CLASSES_ROOT, "CLSID\\" + clsid);
    ASSERT_TRUE(classKey.Create("InprocServer32"));
    ASSERT_TRUE(scratch.SetString("Handler", NULL, clsid));
    FoundItem& item = PushItem(kItemClassRegistry, RegistryRuleKind::PropertySheetHandlerKey,
                               HKEY_CURRENT_USER, Key("Handler"));
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, item.notDeleted);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Key("Handler")));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, "CLSID\\" + clsid));
    EXPECT_TRUE(KeyPresent(HKEY_CLASSES_ROOT, "CLSID"));
}

TEST_F(DeleteAllTest, DllListItemWithoutTheEntryFails)
{
    ASSERT_TRUE(scratch.SetString("Windows", "AppInit_DLLs", "other.dll third.dll"));
    FoundItem& item = PushItem(kItemClassRegistry, RegistryRuleKind::DllListValue, HKEY_CURRENT_USER,
                               Key("Windows"), "AppInit_DLLs");
    DeletionSummary summary;
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(1, item.notDeleted);
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, Key("Windows"), "AppInit_DLLs"));
}

TEST_F(DeleteAllTest, ProgressAdvancesOncePerItemTickedOrNot)
{
    CountingProgressBar bar;
    ASSERT_NE((HWND)NULL, bar.hwnd());
    for (int i = 0; i < 5; i++) {
        FoundItem& item = PushItem(kItemClassRegistry, 0, HKEY_CURRENT_USER, Key("None" + std::to_string(i)));
        item.ticked = (uint8_t)(i % 2);
    }
    DeletionSummary summary;
    DeleteAll(bar.hwnd(), &summary);
    EXPECT_EQ(5u, bar.setPositions.size());
    EXPECT_EQ(5, bar.Position());
    EXPECT_EQ(2, summary.registryCount);
    EXPECT_EQ(0, list()->items[0].notDeleted);   // unticked: untouched
    EXPECT_EQ(1, list()->items[1].notDeleted);
}

TEST_F(DeleteAllTest, FileItemStopsAndDeletesItsServiceFirst)
{
    const char* name = "EnvsweepDeleteAllSvc";
    ASSERT_TRUE(folder.WriteFile("drv.sys"));
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE((SC_HANDLE)NULL, manager);
    SC_HANDLE old = OpenServiceA(manager, name, DELETE);   // left over from a crashed run
    if (old) {
        DeleteService(old);
        CloseServiceHandle(old);
    }
    const std::string binary = folder.path() + "drv.sys";
    SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), NULL, NULL,
                                       NULL, NULL, NULL);
    ASSERT_NE((SC_HANDLE)NULL, service);
    CloseServiceHandle(service);

    FoundItem& item = PushItem(kItemClassFile, 0, NULL, binary, NULL, name);
    // A service that does not exist does not fail its file item: only the file decides.
    ASSERT_TRUE(folder.WriteFile("app.exe"));
    FoundItem& orphan = PushItem(kItemClassFile, 0, NULL, folder.path() + "app.exe", NULL, "EnvsweepNoSuchSvc");
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(2, summary.fileCount);
    EXPECT_EQ(0, item.notDeleted);
    EXPECT_EQ(0, orphan.notDeleted);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(binary.c_str()));
    SC_HANDLE gone = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
    EXPECT_EQ((SC_HANDLE)NULL, gone);
    if (gone) CloseServiceHandle(gone);
    CloseServiceHandle(manager);
}

TEST_F(DeleteAllTest, NamespaceItemSucceedsWhenTheEntryIsGone)
{
    const std::string clsid = "{7D1B3E02-5A4C-4F8E-9B21-6C0D8E4A3F17}";
    const std::string nameSpace = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace\\" + clsid;
    ScratchKey entry(HKEY_LOCAL_MACHINE, nameSpace);
    ASSERT_TRUE(entry.SetString("", NULL, "Desktop Explorer"));
    FoundItem& item = PushItem(kItemClassRegistry, RegistryRuleKind::NamespaceExtensionScan,
                               HKEY_LOCAL_MACHINE, nameSpace);
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, item.notDeleted);
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, nameSpace));
}
