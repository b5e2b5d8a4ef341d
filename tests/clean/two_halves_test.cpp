// A clean-up on a machine with two halves: a key and its twin of the same path in the other
// registry view (with a locked subkey), each deleted in its own view, backed up under its native
// name and restored to its own half.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "clean/backup.h"
#include "clean/deletion_driver.h"
#include "clean/native_names.h"
#include "clean/restore.h"
#include "model/found_items.h"
#include "model/products.h"
#include "platform/machine_halves.h"
#include "support/helpers.h"
#include "support/key_security.h"
#include "support/registry_dump.h"
#include "tables/registry_rules.h"

namespace {

const char kBase[] = "SOFTWARE\\EnvsweepTest\\Halves";
// The 32-bit twin's native name, as a 64-bit process reaches it in its own view.
const char kTwinBase[] = "SOFTWARE\\Wow6432Node\\EnvsweepTest\\Halves";

// root\path in the view, created with one string value.
uint8_t SeedKey(const std::string& path, uint8_t view, const char* name, const std::string& data)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS | RegistryViewFlag(view), NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return 0;
    const LONG rc = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)data.c_str(), (DWORD)data.size() + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

// As the search records it. AddRegistryItem takes no view yet and counts the same kind, hive
// and path as one item, so the twin comes in under a kind of its own and gets its view here.
FoundItem* AddInView(int32_t kind, const std::string& path, uint8_t view)
{
    if (AddRegistryItem(kind, HKEY_LOCAL_MACHINE, path.c_str(), NULL) != 1) return NULL;
    FoundItem* item = &g_foundItems->items[g_foundItems->count - 1];
    item->view = view;
    return item;
}

}  // namespace

TEST(TwoHalves, EachTwinIsDeletedBackedUpByNativeNameAndRestoredInItsOwnView)
{
    ScopedHalves detected;
    // The other half is the 32-bit one only for a 64-bit process, which this test build is.
    if (detected.halves() != kOtherHalf32) GTEST_SKIP() << "no 32-bit half beside this process";
    LockedScratchKey own(HKEY_LOCAL_MACHINE, kBase);
    LockedScratchKey twin(HKEY_LOCAL_MACHINE, kTwinBase);
    ScopedFoundItems scope(8);
    const std::string item = std::string(kBase) + "\\Item";

    // Same path, other data in each view; a neighbour in each that must stay.
    ASSERT_TRUE(SeedKey(item, kViewOwn, "v", "own"));
    ASSERT_TRUE(SeedKey(item + "\\Sub", kViewOwn, "n", "own sub"));
    ASSERT_TRUE(SeedKey(item, kViewOther, "v", "other"));
    ASSERT_TRUE(SeedKey(item + "\\Sub", kViewOther, "n", "other sub"));
    ASSERT_TRUE(SeedKey(item + "\\Locked", kViewOther, "secret", "kept"));
    for (uint8_t view = kViewOwn; view <= kViewOther; view++)
        ASSERT_TRUE(SeedKey(std::string(kBase) + "\\Stay", view, "s", "stays"));
    ASSERT_TRUE(SetKeySecurity(HKEY_LOCAL_MACHINE, twin.Full("Item\\Locked"), UserSddl("O:SYD:(A;;0x60019;;;%U)").c_str()));
    const RegistryDump ownBefore = DumpRegistry(HKEY_LOCAL_MACHINE, item);
    const RegistryDump otherBefore = DumpRegistry(HKEY_LOCAL_MACHINE, item, RegistryViewFlag(kViewOther));
    ASSERT_NE(DumpText(ownBefore), DumpText(otherBefore));
    ASSERT_EQ(DumpText(otherBefore), DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, twin.Full("Item"))))
        << "Wine does not keep the 32-bit view under Wow6432Node";

    int32_t rule = 0;
    while (kRegistryRules[rule].keyPath != NULL && kRegistryRules[rule].product != 0) rule++;
    ASSERT_TRUE(kRegistryRules[rule].keyPath != NULL);
    CurrentRule(0, rule);
    ProductSelection(0, 1);
    ASSERT_TRUE(AddInView(RegistryRuleKind::KeyOrValue, item, kViewOwn) != NULL);
    ASSERT_TRUE(AddInView(RegistryRuleKind::ServiceKey, item, kViewOther) != NULL);

    // The silent run's deletion: both twins go, their neighbours stay.
    DeletionSummary summary = {0, 1, 0, 1, 0};
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(2, summary.registryCount);
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, item));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, twin.Full("Item")));
    EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, own.Full("Stay"), "s"));
    EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, twin.Full("Stay"), "s"));

    // registry.reg names the 32-bit key as a 64-bit regedit does, and says so after its header.
    char root[kBackupPathSize], name[256];
    ASSERT_TRUE(BackupRoot(root, sizeof root) && NewestBackupName(name, sizeof name));
    const std::string folder = std::string(root) + name + "\\";
    const std::string reg = ReadFileText(folder + kRegistryFileName);
    EXPECT_EQ(0, reg.find("REGEDIT4\r\n; native names: ")) << reg;
    const std::string ownKey = "[HKEY_LOCAL_MACHINE\\" + item + "]\r\n\"v\"=\"own\"\r\n";
    const std::string twinKey = "[HKEY_LOCAL_MACHINE\\" + twin.Full("Item") + "]\r\n\"v\"=\"other\"\r\n";
    const std::string lockedKey = "; locked: its access control list was not saved\r\n\r\n[HKEY_LOCAL_MACHINE\\" +
                                  twin.Full("Item\\Locked") + "]\r\n\"secret\"=\"kept\"\r\n";
    for (const std::string& part : {ownKey, twinKey, lockedKey}) EXPECT_NE(std::string::npos, reg.find(part)) << part << reg;
    EXPECT_NE(std::string::npos, ReadFileText(folder + kLogFileName).find(": 2 deleted, 0 not deleted,"));

    // The restore puts each back in its own half, byte for byte.
    EXPECT_EQ(1, RestoreBackup(name)) << ReadFileText(folder + kRestoreLogFileName);
    EXPECT_EQ(DumpText(ownBefore), DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, item)));
    EXPECT_EQ(DumpText(otherBefore), DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, item, RegistryViewFlag(kViewOther))));
}

// Where else the redirection puts Wow6432Node, as Wine does it: above the whole path (the
// classes root), and as the key itself (SOFTWARE of the 32-bit view); a key the halves share
// keeps its own name.
TEST(TwoHalves, NativeNamesOfKeysRedirectedAtTheTopOrOnThemselves)
{
    ScopedHalves detected;
    if (detected.halves() != kOtherHalf32) GTEST_SKIP() << "no 32-bit half beside this process";
    const struct {
        HKEY hive;
        const char* path;
        const char* native;
    } cases[] = {
        {HKEY_CLASSES_ROOT, "CLSID", "Wow6432Node\\CLSID"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE", "SOFTWARE\\Wow6432Node"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", "SYSTEM\\CurrentControlSet\\Services"},
    };
    for (const auto& c : cases) {
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, OpenKeyInView(c.hive, c.path, KEY_READ, kViewOther, &key)) << c.path;
        char native[1024];
        EXPECT_EQ(1, NativeKeyPath(c.hive, key, c.path, kViewOther, native, sizeof native)) << c.path;
        EXPECT_STREQ(c.native, native);
        RegCloseKey(key);
    }
}

// A property-sheet handler lies in a device class under SYSTEM, one key for both views; the
// class it names was registered by its package in one half only, here the other one. The
// deletion takes that class along, the backup names it natively, and the restore brings it back.
TEST(TwoHalves, SharedHandlerTakesItsClassFromTheHalfThatRegisteredIt)
{
    ScopedHalves detected;
    if (detected.halves() != kOtherHalf32) GTEST_SKIP() << "no 32-bit half beside this process";
    const char classId[] = "{6E2B1F00-5D3C-4B8A-9E1F-00EE2B1F0001}";
    ScratchKey handler(HKEY_LOCAL_MACHINE, "SYSTEM\\EnvsweepTest\\Handlers");
    ScratchKey twinClass(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\Wow6432Node\\CLSID\\") + classId);
    ScopedFoundItems scope(4);
    ASSERT_TRUE(handler.SetString("Sheet", NULL, classId));
    ASSERT_TRUE(twinClass.SetString("InprocServer32", NULL, "C:\\Windows\\SysWOW64\\vfprop.dll"));
    const std::string classPath = std::string("CLSID\\") + classId;
    ASSERT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, classPath));
    const RegistryDump classBefore = DumpRegistry(HKEY_CLASSES_ROOT, classPath, RegistryViewFlag(kViewOther));

    ProductSelection(0, 1);
    CurrentRule(0, 0);
    ASSERT_EQ(1, AddRegistryItem(RegistryRuleKind::PropertySheetHandlerKey, HKEY_LOCAL_MACHINE, handler.Full("Sheet").c_str(), NULL));
    DeletionSummary summary = {0, 1, 0, 1, 0};
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, handler.Full("Sheet")));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, twinClass.path()));

    char root[kBackupPathSize], name[256];
    ASSERT_TRUE(BackupRoot(root, sizeof root) && NewestBackupName(name, sizeof name));
    const std::string folder = std::string(root) + name + "\\";
    const std::string reg = ReadFileText(folder + kRegistryFileName);
    EXPECT_NE(std::string::npos, reg.find("[HKEY_CLASSES_ROOT\\Wow6432Node\\" + classPath + "]")) << reg;
    EXPECT_EQ(1, RestoreBackup(name)) << ReadFileText(folder + kRestoreLogFileName);
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, handler.Full("Sheet")));
    EXPECT_EQ(DumpText(classBefore), DumpText(DumpRegistry(HKEY_CLASSES_ROOT, classPath, RegistryViewFlag(kViewOther))));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, classPath));
}
