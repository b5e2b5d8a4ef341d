// Key removal with access takeover: the appended DACL entry, locked subtrees, the stop at an
// undeletable subkey, empty DACLs, and value items that never take over.
//
// Wine gives a key's owner DELETE, READ_CONTROL and WRITE_DAC implicitly, and keys created by the
// tests are owned by Administrators, a group of the test's user: every locked fixture therefore
// has owner SYSTEM, set in the same wineserver session (Wine does not keep DACLs across a restart).
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include "clean/backup.h"
#include "clean/key_takeover.h"
#include "clean/registry_removal.h"
#include "model/found_items.h"
#include "platform/text_ops.h"
#include "support/helpers.h"
#include "support/key_security.h"

namespace {

const char kTestRoot[] = "Software\\envsweep-test";

// A user allowed to read and to rewrite the DACL, nothing else; the owner is SYSTEM.
const char kReadAndWriteDac[] = "O:SYD:(A;;0x60019;;;%U)";

uint8_t Lock(const ScratchKey& scratch, const std::string& relative, const char* pattern)
{
    return SetKeySecurity(scratch.root(), scratch.Full(relative), UserSddl(pattern).c_str());
}

AceRecord UserFullAccess()
{
    AceRecord ace;
    ace.type = ACCESS_ALLOWED_ACE_TYPE;
    ace.flags = 0;
    ace.mask = KEY_ALL_ACCESS;
    ace.sid = CurrentUserSidString();
    return ace;
}

std::vector<AceRecord> Dacl(const ScratchKey& scratch, const std::string& relative)
{
    std::vector<AceRecord> aces;
    uint8_t present = 0;
    EXPECT_TRUE(ReadKeyDacl(scratch.root(), scratch.Full(relative), &aces, &present));
    EXPECT_TRUE(present);
    return aces;
}

}  // namespace

TEST(KeyTakeover, GrantKeepsOldEntriesInOrderThenAppendsTheRunningUser)
{
    LockedScratchKey scratch(HKEY_CURRENT_USER, std::string(kTestRoot) + "\\takeover-grant");
    ASSERT_TRUE(scratch.Create("Locked"));
    ASSERT_TRUE(Lock(scratch, "Locked", "O:SYD:(A;;KA;;;SY)(A;;0x60019;;;%U)(A;CI;KR;;;WD)(D;;0x2;;;BG)"));
    const std::vector<AceRecord> before = Dacl(scratch, "Locked");
    ASSERT_EQ(4u, before.size());
    ASSERT_FALSE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Locked"), KEY_ALL_ACCESS)) << "fixture not locked";

    EXPECT_EQ(1, GrantCurrentUserKeyAccess({HKEY_CURRENT_USER, scratch.Full("Locked").c_str(), kViewOwn}));

    const std::vector<AceRecord> after = Dacl(scratch, "Locked");
    ASSERT_EQ(5u, after.size());
    for (size_t i = 0; i < before.size(); i++) EXPECT_TRUE(after[i] == before[i]) << "entry " << i;
    EXPECT_TRUE(after[4] == UserFullAccess());
    // The user of the token, and the owner left alone.
    EXPECT_EQ(CurrentUserSidString(), after[4].sid);
    EXPECT_EQ("S-1-5-18", KeyOwner(HKEY_CURRENT_USER, scratch.Full("Locked")));
    EXPECT_TRUE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Locked"), KEY_ALL_ACCESS));
}

TEST(KeyTakeover, NestedLockedKeysAreTakenOverAndTheWholeSubtreeGoes)
{
    LockedScratchKey scratch(HKEY_CURRENT_USER, std::string(kTestRoot) + "\\takeover-tree");
    ASSERT_TRUE(scratch.Create("Item\\A\\B\\C"));
    ASSERT_TRUE(scratch.Create("Item\\A\\D"));
    ASSERT_TRUE(scratch.Create("Item\\E"));
    ASSERT_TRUE(scratch.SetString("Item\\A\\B", "v", "data"));
    ASSERT_TRUE(scratch.SetString("Item\\A\\B\\C", NULL, "data"));
    ASSERT_TRUE(scratch.Create("Item\\A\\SetDenied"));
    ASSERT_TRUE(scratch.Create("Sibling"));
    // The item key itself, a middle key and a leaf below it refuse KEY_ALL_ACCESS.
    for (const char* locked : {"Item", "Item\\A\\B", "Item\\A\\B\\C"}) {
        ASSERT_TRUE(Lock(scratch, locked, kReadAndWriteDac)) << locked;
        ASSERT_FALSE(KeyOpens(HKEY_CURRENT_USER, scratch.Full(locked), KEY_ALL_ACCESS)) << locked;
    }
    // A leaf that denies setting values refuses KEY_ALL_ACCESS even after the takeover (the
    // denial comes first), but it may be deleted, and it is.
    ASSERT_TRUE(Lock(scratch, "Item\\A\\SetDenied", "O:SYD:(D;;0x2;;;%U)(A;;KA;;;%U)"));

    EXPECT_EQ(1, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Item").c_str(), kViewOwn}, NULL));
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Item")));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Sibling")));
}

// A key taken over whose deletion then fails keeps no access of ours: it has exactly the DACL it
// had before, the subkey the walk stopped at and the item key itself alike.
TEST(KeyTakeover, SubtreeDeletionStopsAtTheFirstUndeletableSubkeyAndItsDaclComesBack)
{
    LockedScratchKey scratch(HKEY_CURRENT_USER, std::string(kTestRoot) + "\\takeover-stop");
    for (const char* name : {"Item\\a", "Item\\b\\inner", "Item\\c"}) ASSERT_TRUE(scratch.Create(name));
    // DELETE denied ahead of everything: the appended allow entry does not override it.
    ASSERT_TRUE(Lock(scratch, "Item\\b", "O:SYD:(D;;SD;;;%U)(A;;0x60019;;;%U)"));
    const std::vector<AceRecord> lockedBefore = Dacl(scratch, "Item\\b");
    ASSERT_EQ(2u, lockedBefore.size());

    HKEY item = NULL;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, scratch.Full("Item").c_str(), 0, KEY_ALL_ACCESS, &item));
    EXPECT_EQ(0, DeleteSubkeys(item, kViewOwn));
    RegCloseKey(item);
    // Enumeration is in name order: a went, b stopped the walk, c was never visited.
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Item\\a")));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Item\\b\\inner")));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Item\\c")));
    EXPECT_TRUE(Dacl(scratch, "Item\\b") == lockedBefore) << "the takeover's entry stayed on b";
    EXPECT_FALSE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Item\\b"), KEY_ALL_ACCESS));

    // The key item's own delete still runs and decides: it fails while subkeys remain. The item
    // key is locked too now: both come out of the failed deletion as they went in.
    ASSERT_TRUE(Lock(scratch, "Item", kReadAndWriteDac));
    const std::vector<AceRecord> itemBefore = Dacl(scratch, "Item");
    ASSERT_FALSE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Item"), KEY_ALL_ACCESS)) << "fixture not locked";
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Item").c_str(), kViewOwn}, NULL));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Item\\b")));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Item\\c")));   // after b: never visited
    EXPECT_TRUE(Dacl(scratch, "Item") == itemBefore) << "the takeover's entry stayed on the item";
    EXPECT_TRUE(Dacl(scratch, "Item\\b") == lockedBefore);
    EXPECT_FALSE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Item"), KEY_ALL_ACCESS));
    EXPECT_EQ("S-1-5-18", KeyOwner(HKEY_CURRENT_USER, scratch.Full("Item")));
}

TEST(KeyTakeover, ValueItemsNeverTakeOver)
{
    LockedScratchKey scratch(HKEY_CURRENT_USER, std::string(kTestRoot) + "\\takeover-value");
    ASSERT_TRUE(scratch.SetString("Locked", "Listed", "x"));
    ASSERT_TRUE(scratch.SetString("Open", "Listed", "x"));
    ASSERT_TRUE(scratch.SetString("Open", "Other", "x"));
    // A takeover would succeed here (the user may rewrite the DACL), so an unchanged DACL shows
    // that none was tried.
    ASSERT_TRUE(Lock(scratch, "Locked", kReadAndWriteDac));
    const std::vector<AceRecord> before = Dacl(scratch, "Locked");

    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Locked").c_str(), kViewOwn}, "Listed"));
    EXPECT_TRUE(Dacl(scratch, "Locked") == before);
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, scratch.Full("Locked"), "Listed"));

    EXPECT_EQ(1, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Open").c_str(), kViewOwn}, "Listed"));
    EXPECT_FALSE(ValuePresent(HKEY_CURRENT_USER, scratch.Full("Open"), "Listed"));
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, scratch.Full("Open"), "Other"));
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Open").c_str(), kViewOwn}, "Listed"));
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Missing").c_str(), kViewOwn}, "Listed"));
}

TEST(KeyTakeover, KeyItemsThatAreGoneOrNameTheHiveFail)
{
    ScratchKey scratch(HKEY_CURRENT_USER, std::string(kTestRoot) + "\\takeover-missing");
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("Missing").c_str(), kViewOwn}, NULL));
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Missing")));
    // An empty path would open the hive itself and delete everything below it.
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, "", kViewOwn}, NULL));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.path()));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, "Software"));
}

// Keys that the user can neither open nor unlock (owner SYSTEM, no WRITE_DAC for us) stay until
// the wineserver restarts: they get names unique to the run below a parent of their own, and the
// left-overs of earlier sessions, deletable again after a restart, are removed first.
TEST(KeyTakeover, KeysWithoutWriteDacOrWithAnEmptyDaclCannotBeTakenOver)
{
    const std::string parent = std::string(kTestRoot) + "-stuck";
    for (DWORD index = 0;;) {
        HKEY key = NULL;
        char name[256];
        DWORD length = sizeof name;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) break;
        const LONG rc = RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) break;
        if (!DeleteTree(HKEY_CURRENT_USER, parent + "\\" + name)) index++;
    }
    char unique[64];
    snprintf(unique, sizeof unique, "%lu-%lu", GetCurrentProcessId(), GetTickCount());
    ScratchKey scratch(HKEY_CURRENT_USER, parent + "\\" + unique);
    ASSERT_TRUE(scratch.Create("ReadOnly\\Child"));
    ASSERT_TRUE(scratch.Create("EmptySystem"));
    ASSERT_TRUE(scratch.Create("EmptyOwned"));
    ASSERT_TRUE(Lock(scratch, "ReadOnly", "O:SYD:(A;;KR;;;%U)"));
    ASSERT_TRUE(Lock(scratch, "EmptySystem", "O:SYD:"));
    ASSERT_TRUE(Lock(scratch, "EmptyOwned", "O:%UD:"));

    // Readable, but no WRITE_DAC: the takeover fails and the item with it.
    EXPECT_EQ(0, GrantCurrentUserKeyAccess({HKEY_CURRENT_USER, scratch.Full("ReadOnly").c_str(), kViewOwn}));
    EXPECT_EQ(1u, Dacl(scratch, "ReadOnly").size());
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("ReadOnly").c_str(), kViewOwn}, NULL));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("ReadOnly\\Child")));

    // A present but empty DACL. The takeover opens the key with KEY_READ | WRITE_DAC, and an
    // empty list grants none of KEY_READ's rights: a key owned by SYSTEM refuses the open on
    // Windows and in Wine alike. The key's owner gets READ_CONTROL and WRITE_DAC implicitly
    // (Wine adds DELETE), which is still not KEY_READ, so the open fails for the owner too and
    // the list is never extended to hold only the user's entry. What holds: the item fails and
    // the empty list is left as it was.
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("EmptySystem").c_str(), kViewOwn}, NULL));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("EmptySystem")));
    EXPECT_EQ(0, GrantCurrentUserKeyAccess({HKEY_CURRENT_USER, scratch.Full("EmptyOwned").c_str(), kViewOwn}));
    EXPECT_EQ(0u, Dacl(scratch, "EmptyOwned").size());
    EXPECT_EQ(0, DeleteRegistryItem({HKEY_CURRENT_USER, scratch.Full("EmptyOwned").c_str(), kViewOwn}, NULL));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("EmptyOwned")));
}

// A registry link inside an item's tree (made as on Windows: REG_OPTION_CREATE_LINK and a
// REG_LINK value SymbolicLinkValue naming the target): the backup neither follows nor saves it,
// and the deletion removes the link itself; the target, its value and its subkey stay. So for a
// link whose own DACL refuses the removal's open: the takeover rewrites the link's DACL, never the
// target's, and the deletion never reaches into the target.
TEST(KeyTakeover, ARegistryLinkInsideAnItemGoesAsTheLinkNeverItsTarget)
{
    // Links left by a failed run go first, as themselves (the scratch key's clean-up would follow them).
    for (const char* name : {"Link", "Locked"}) {
        HKEY old = NULL;
        const std::string path = std::string("SOFTWARE\\envsweep-link-test\\Item\\Sub\\") + name;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, &old) == ERROR_SUCCESS) {
            typedef LONG(WINAPI * NtDeleteKeyFn)(HANDLE);
            const NtDeleteKeyFn deleteKey = (NtDeleteKeyFn)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
            if (deleteKey != NULL) deleteKey(old);
            RegCloseKey(old);
        }
    }
    ScratchKey scratch(HKEY_LOCAL_MACHINE, "SOFTWARE\\envsweep-link-test");
    ASSERT_TRUE(scratch.Create("Item\\Sub"));
    ASSERT_TRUE(scratch.SetString("Target", "Kept", "target data"));
    ASSERT_TRUE(scratch.Create("Target\\Deep"));
    for (const char* name : {"Link", "Locked"}) {
        HKEY link = NULL;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, scratch.Full(std::string("Item\\Sub\\") + name).c_str(), 0,
                                                 NULL, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &link, NULL));
        const wchar_t target[] = L"\\REGISTRY\\MACHINE\\SOFTWARE\\envsweep-link-test\\Target";
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, (const BYTE*)target,
                                                (DWORD)(wcslen(target) * sizeof(wchar_t))));
        RegCloseKey(link);
    }
    ASSERT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, scratch.Full("Item\\Sub\\Link\\Deep"))) << "the link leads to the target";
    // Reading, rewriting the DACL and deletion only: the removal's open for all access is refused.
    ASSERT_TRUE(SetKeySecurity(HKEY_LOCAL_MACHINE, scratch.Full("Item\\Sub\\Locked"), UserSddl("O:SYD:(A;;0x70019;;;%U)").c_str(),
                               kViewOwn, REG_OPTION_OPEN_LINK));
    const std::vector<AceRecord> targetDacl = Dacl(scratch, "Target");

    BackupSession session;
    memset(&session, 0, sizeof session);
    ASSERT_TRUE(BeginBackup(&session));
    FoundItem item;
    item.itemClass = kItemClassRegistry;
    item.hive = HKEY_LOCAL_MACHINE;
    item.path = DuplicateString(scratch.Full("Item").c_str());
    EXPECT_TRUE(BackupItem(&session, item));
    EndBackup(&session);
    const std::string saved = ReadFileText(std::string(session.folder) + kRegistryFileName);
    EXPECT_NE(std::string::npos, saved.find("envsweep-link-test\\Item\\Sub]")) << saved;
    EXPECT_EQ(std::string::npos, saved.find("target data")) << "the link's target is not the item's";
    EXPECT_EQ(std::string::npos, saved.find("Link")) << saved;

    EXPECT_EQ(1, DeleteRegistryItem({HKEY_LOCAL_MACHINE, scratch.Full("Item").c_str(), kViewOwn}, NULL));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scratch.Full("Item")));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, scratch.Full("Target\\Deep")));
    EXPECT_EQ(targetDacl, Dacl(scratch, "Target")) << "the target's DACL is not the takeover's";
    HKEY kept = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, scratch.Full("Target").c_str(), 0, KEY_READ, &kept));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(kept, "Kept", NULL, NULL, NULL, NULL));
    RegCloseKey(kept);
}
