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
#include "model/item_why.h"
#include "model/products.h"
#include "platform/machine_halves.h"
#include "support/helpers.h"
#include "support/key_security.h"
#include "support/registry_dump.h"
#include "tables/registry_rules.h"

namespace {

const char kBase[] = "SOFTWARE\\EnvsweepTest\\Halves";

// The scratch keys lie below no rule's key, and the restore refuses a key the rule its item names
// could not have found. Recorded without a why (as by a backup made before items carried one),
// they are restored without that check: these tests are about the halves.
void ForgetWhy()
{
    for (int32_t i = 0; i < g_foundItems->count; i++) g_foundItems->items[i].whyKind = kWhyUnknown;
}

// The native name of SOFTWARE\<rest> of the view: a 32-bit key lies under Wow6432Node.
std::string NativeSoftware(uint8_t view, const std::string& path)
{
    return RegistryViewIs64Bit(view) ? path : "SOFTWARE\\Wow6432Node" + path.substr(8);
}

}  // namespace

// Each test runs in the direction the test build has: the 64-bit build's other view is the 32-bit
// half, the 32-bit build's under WOW64 the native one; a 32-bit prefix has one half and skips.
TEST(TwoHalves, EachTwinIsDeletedBackedUpByNativeNameAndRestoredInItsOwnView)
{
    ScopedHalves detected;
    if (detected.halves() == kOneHalf) GTEST_SKIP() << "this machine has one half (a 32-bit prefix)";
    LockedScratchKey own(HKEY_LOCAL_MACHINE, kBase, kViewOwn);
    LockedScratchKey twin(HKEY_LOCAL_MACHINE, kBase, kViewOther);
    ScopedFoundItems scope(8);
    const std::string item = std::string(kBase) + "\\Item";

    // Same path, other data in each view; a neighbour in each that must stay.
    ASSERT_TRUE(own.SetString("Item", "v", "own") && own.SetString("Item\\Sub", "n", "own sub"));
    ASSERT_TRUE(twin.SetString("Item", "v", "other") && twin.SetString("Item\\Sub", "n", "other sub"));
    ASSERT_TRUE(twin.SetString("Item\\Locked", "secret", "kept"));
    ASSERT_TRUE(own.SetString("Stay", "s", "stays") && twin.SetString("Stay", "s", "stays"));
    ASSERT_TRUE(SetKeySecurity(HKEY_LOCAL_MACHINE, twin.Full("Item\\Locked"), UserSddl("O:SYD:(A;;0x60019;;;%U)").c_str(),
                               kViewOther));
    const RegistryDump ownBefore = DumpRegistry(HKEY_LOCAL_MACHINE, item);
    const RegistryDump otherBefore = DumpRegistry(HKEY_LOCAL_MACHINE, item, RegistryViewFlag(kViewOther));
    ASSERT_NE(DumpText(ownBefore), DumpText(otherBefore));
    const uint8_t view32 = RegistryViewIs64Bit(kViewOwn) ? kViewOther : kViewOwn;
    ASSERT_EQ(DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, item, RegistryViewFlag(view32))),
              DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, NativeSoftware(view32, item), RegistryViewFlag(NativeNameView()))))
        << "Wine does not keep the 32-bit view under Wow6432Node";

    int32_t rule = 0;
    while (kRegistryRules[rule].keyPath != NULL && kRegistryRules[rule].product != 0) rule++;
    ASSERT_TRUE(kRegistryRules[rule].keyPath != NULL);
    CurrentRule(0, rule);
    ProductSelection(0, 1);
    ASSERT_EQ(1, AddRegistryItem(RegistryRuleKind::KeyOrValue, HKEY_LOCAL_MACHINE, item.c_str(), NULL, kViewOwn));
    ASSERT_EQ(1, AddRegistryItem(RegistryRuleKind::KeyOrValue, HKEY_LOCAL_MACHINE, item.c_str(), NULL, kViewOther));
    ForgetWhy();

    // The silent run's deletion: both twins go, their neighbours stay.
    DeletionSummary summary = {0, 1, 0, 1, 0, 0};
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(2, summary.registryCount);
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, item));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, item, kViewOther));
    EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, own.Full("Stay"), "s"));
    EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, twin.Full("Stay"), "s", kViewOther));

    // registry.reg names the 32-bit key as a 64-bit regedit does, and says so after its header.
    char root[kBackupPathSize], name[256];
    ASSERT_TRUE(BackupRoot(root, sizeof root) && NewestBackupName(name, sizeof name));
    const std::string folder = std::string(root) + name + "\\";
    const std::string reg = ReadFileText(folder + kRegistryFileName);
    EXPECT_EQ(0, reg.find("REGEDIT4\r\n; native names: ")) << reg;
    const std::string ownKey = "[HKEY_LOCAL_MACHINE\\" + NativeSoftware(kViewOwn, item) + "]\r\n\"v\"=\"own\"\r\n";
    const std::string twinKey = "[HKEY_LOCAL_MACHINE\\" + NativeSoftware(kViewOther, item) + "]\r\n\"v\"=\"other\"\r\n";
    const std::string lockedKey = "; locked: its access control list was not saved\r\n\r\n[HKEY_LOCAL_MACHINE\\" +
                                  NativeSoftware(kViewOther, item + "\\Locked") + "]\r\n\"secret\"=\"kept\"\r\n";
    for (const std::string& part : {ownKey, twinKey, lockedKey}) EXPECT_NE(std::string::npos, reg.find(part)) << part << reg;
    EXPECT_NE(std::string::npos, ReadFileText(folder + kLogFileName).find(": 2 deleted, 0 not deleted,"));

    // The restore puts each back in its own half, byte for byte.
    EXPECT_EQ(1, RestoreBackup(name)) << ReadFileText(folder + kRestoreLogFileName);
    EXPECT_EQ(DumpText(ownBefore), DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, item)));
    EXPECT_EQ(DumpText(otherBefore), DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, item, RegistryViewFlag(kViewOther))));
}

// Where else the redirection puts Wow6432Node, as Wine does it: above the whole path (the
// classes root), and as the key itself (SOFTWARE of the 32-bit view); a key the halves share
// keeps its own name, and so does every key of the 64-bit view.
TEST(TwoHalves, NativeNamesOfKeysRedirectedAtTheTopOrOnThemselves)
{
    ScopedHalves detected;
    if (detected.halves() == kOneHalf) GTEST_SKIP() << "this machine has one half (a 32-bit prefix)";
    const uint8_t view64 = NativeNameView();
    const uint8_t view32 = view64 == kViewOwn ? kViewOther : kViewOwn;
    const struct {
        HKEY hive;
        const char* path;
        uint8_t view;
        const char* native;
    } cases[] = {
        {HKEY_CLASSES_ROOT, "CLSID", view32, "Wow6432Node\\CLSID"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE", view32, "SOFTWARE\\Wow6432Node"},
        {HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", view32, "SYSTEM\\CurrentControlSet\\Services"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE", view64, "SOFTWARE"},
    };
    for (const auto& c : cases) {
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, OpenKeyInView({c.hive, c.path, c.view}, KEY_READ, &key)) << c.path;
        char native[1024];
        EXPECT_EQ(1, NativeKeyPath({c.hive, c.path, c.view}, key, native, sizeof native)) << c.path;
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
    if (detected.halves() == kOneHalf) GTEST_SKIP() << "this machine has one half (a 32-bit prefix)";
    const char classId[] = "{6E2B1F00-5D3C-4B8A-9E1F-00EE2B1F0001}";
    // The other half's class key by its native name, below HKLM\SOFTWARE\Classes.
    const std::string nativeClasses = RegistryViewIs64Bit(kViewOther) ? "" : "Wow6432Node\\";
    ScratchKey handler(HKEY_LOCAL_MACHINE, "SYSTEM\\EnvsweepTest\\Handlers");
    ScratchKey twinClass(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + nativeClasses + "CLSID\\" + classId, NativeNameView());
    ScopedFoundItems scope(4);
    ASSERT_TRUE(handler.SetString("Sheet", NULL, classId));
    ASSERT_TRUE(twinClass.SetString("InprocServer32", NULL, "C:\\Windows\\SysWOW64\\vfprop.dll"));
    const std::string classPath = std::string("CLSID\\") + classId;
    ASSERT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, classPath));
    const RegistryDump classBefore = DumpRegistry(HKEY_CLASSES_ROOT, classPath, RegistryViewFlag(kViewOther));

    ProductSelection(0, 1);
    CurrentRule(0, 0);
    ASSERT_EQ(1, AddRegistryItem(RegistryRuleKind::PropertySheetHandlerKey, HKEY_LOCAL_MACHINE, handler.Full("Sheet").c_str(), NULL));
    ForgetWhy();
    DeletionSummary summary = {0, 1, 0, 1, 0, 0};
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, handler.Full("Sheet")));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, twinClass.path(), twinClass.view()));

    char root[kBackupPathSize], name[256];
    ASSERT_TRUE(BackupRoot(root, sizeof root) && NewestBackupName(name, sizeof name));
    const std::string folder = std::string(root) + name + "\\";
    const std::string reg = ReadFileText(folder + kRegistryFileName);
    EXPECT_NE(std::string::npos, reg.find("[HKEY_CLASSES_ROOT\\" + nativeClasses + classPath + "]")) << reg;
    EXPECT_EQ(1, RestoreBackup(name)) << ReadFileText(folder + kRestoreLogFileName);
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, handler.Full("Sheet")));
    EXPECT_EQ(DumpText(classBefore), DumpText(DumpRegistry(HKEY_CLASSES_ROOT, classPath, RegistryViewFlag(kViewOther))));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, classPath));
}
