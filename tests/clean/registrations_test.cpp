// COM class and desktop namespace registrations under their real keys, with class identifiers
// that belong to these tests only.
#include <gtest/gtest.h>
#include <string>
#include "clean/registry_removal.h"
#include "support/helpers.h"
#include "support/key_security.h"

namespace {

const char kClass[] = "{E5C1EA9E-7E57-4C1A-9B1E-00000000C1A5}";
const char kEntry[] = "{E5C1EA9E-7E57-4C1A-9B1E-00000000DE5C}";

std::string ClassPath(const char* id)
{
    return std::string("CLSID\\") + id;
}

std::string EntryPath(const char* id)
{
    return std::string(kDesktopNameSpaceKey) + "\\" + id;
}

DWORD CountSubkeys(HKEY root, const char* path)
{
    HKEY key = NULL;
    DWORD count = 0;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return count;
}

// The entry's "Approved" value, set here and removed at the end; the key itself is shared.
class ApprovedValue {
public:
    explicit ApprovedValue(const char* name) : name_(name) { Remove(); }
    ~ApprovedValue() { Remove(); }
    uint8_t Set() const
    {
        HKEY key = NULL;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                            NULL) != ERROR_SUCCESS)
            return 0;
        const LONG rc = RegSetValueExA(key, name_, 0, REG_SZ, (const BYTE*)"test", 5);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? 1 : 0;
    }
    uint8_t Present() const { return ValuePresent(HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, name_); }
private:
    void Remove() const
    {
        HKEY key = NULL;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedExtensionsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        RegDeleteValueA(key, name_);
        RegCloseKey(key);
    }
    const char* name_;
};

}  // namespace

TEST(ClassRegistration, TheClassKeyGoesWithItsSubtree)
{
    ScratchKey registration(HKEY_CLASSES_ROOT, ClassPath(kClass));
    ASSERT_TRUE(registration.SetString("InprocServer32", NULL, "C:\\windows\\system32\\test.dll"));
    ASSERT_TRUE(registration.Create("Implemented Categories\\{00000000-0000-0000-0000-000000000001}"));
    const DWORD classes = CountSubkeys(HKEY_CLASSES_ROOT, "CLSID");

    EXPECT_EQ(1, DeleteClassRegistration(kClass, kViewOwn));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, ClassPath(kClass)));
    EXPECT_EQ(classes - 1, CountSubkeys(HKEY_CLASSES_ROOT, "CLSID"));

    // Gone now: a second call finds nothing and changes nothing.
    EXPECT_EQ(0, DeleteClassRegistration(kClass, kViewOwn));
    EXPECT_EQ(classes - 1, CountSubkeys(HKEY_CLASSES_ROOT, "CLSID"));
}

TEST(ClassRegistration, IdentifiersThatNameNoSingleClassAreRefused)
{
    // A property-sheet handler whose default value is empty gives "", and "CLSID\" opens CLSID
    // itself: every COM class of the machine would go. A backslash reaches below another class.
    ScratchKey registration(HKEY_CLASSES_ROOT, ClassPath(kClass));
    ASSERT_TRUE(registration.Create("InprocServer32"));
    const DWORD classes = CountSubkeys(HKEY_CLASSES_ROOT, "CLSID");
    ASSERT_GT(classes, 1u);

    EXPECT_EQ(0, DeleteClassRegistration("", kViewOwn));
    EXPECT_EQ(0, DeleteClassRegistration(NULL, kViewOwn));
    EXPECT_EQ(0, DeleteClassRegistration((std::string(kClass) + "\\InprocServer32").c_str(), kViewOwn));
    EXPECT_EQ(0, DeleteClassRegistration((std::string(kClass) + "\\").c_str(), kViewOwn));
    EXPECT_EQ(0, DeleteClassRegistration("\\", kViewOwn));
    EXPECT_EQ(classes, CountSubkeys(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(KeyPresent(HKEY_CLASSES_ROOT, ClassPath(kClass) + "\\InprocServer32"));
}

TEST(DesktopNamespace, EntryApprovedValueAndClassGoTogether)
{
    ScratchKey entry(HKEY_LOCAL_MACHINE, EntryPath(kEntry));
    ScratchKey registration(HKEY_CLASSES_ROOT, ClassPath(kEntry));
    ApprovedValue approved(kEntry);
    ASSERT_TRUE(entry.SetString("Sub", NULL, "x"));
    ASSERT_TRUE(registration.Create("InprocServer32"));
    ASSERT_TRUE(approved.Set());
    const DWORD entries = CountSubkeys(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey);

    EXPECT_EQ(1, DeleteDesktopNamespaceEntry(kEntry, kViewOwn));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, EntryPath(kEntry)));
    EXPECT_FALSE(approved.Present());
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, ClassPath(kEntry)));
    EXPECT_EQ(entries - 1, CountSubkeys(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey));
}

TEST(DesktopNamespace, AnEntryAlreadyGoneStillTakesItsApprovalAndClass)
{
    DeleteTree(HKEY_LOCAL_MACHINE, EntryPath(kEntry));
    ScratchKey registration(HKEY_CLASSES_ROOT, ClassPath(kEntry));
    ApprovedValue approved(kEntry);
    ASSERT_TRUE(approved.Set());

    EXPECT_EQ(1, DeleteDesktopNamespaceEntry(kEntry, kViewOwn));
    EXPECT_FALSE(approved.Present());
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, ClassPath(kEntry)));

    // Nothing left of it at all: still a success, the entry is not there.
    EXPECT_EQ(1, DeleteDesktopNamespaceEntry(kEntry, kViewOwn));
}

TEST(DesktopNamespace, AnEntryThatStaysIsAFailure)
{
    LockedScratchKey entry(HKEY_LOCAL_MACHINE, EntryPath(kEntry));
    ScratchKey registration(HKEY_CLASSES_ROOT, ClassPath(kEntry));
    ApprovedValue approved(kEntry);
    ASSERT_TRUE(registration.Create("InprocServer32"));
    ASSERT_TRUE(approved.Set());
    // Owned by SYSTEM and only readable and re-permissible for us: the namespace entry is opened
    // without takeover, so it stays; the other two parts are removed all the same.
    ASSERT_TRUE(SetKeySecurity(HKEY_LOCAL_MACHINE, EntryPath(kEntry), UserSddl("O:SYD:(A;;0x60019;;;%U)").c_str()));

    EXPECT_EQ(0, DeleteDesktopNamespaceEntry(kEntry, kViewOwn));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, EntryPath(kEntry)));
    EXPECT_FALSE(approved.Present());
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, ClassPath(kEntry)));
}

TEST(DesktopNamespace, NamesThatAreNoSingleKeyAreRefused)
{
    // "NameSpace\" + "" opens NameSpace itself: every desktop namespace entry would go.
    ScratchKey entry(HKEY_LOCAL_MACHINE, EntryPath(kEntry));
    ASSERT_TRUE(entry.Create("Sub"));
    const DWORD entries = CountSubkeys(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey);
    EXPECT_EQ(0, DeleteDesktopNamespaceEntry("", kViewOwn));
    EXPECT_EQ(0, DeleteDesktopNamespaceEntry((std::string(kEntry) + "\\Sub").c_str(), kViewOwn));
    EXPECT_EQ(entries, CountSubkeys(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, EntryPath(kEntry) + "\\Sub"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kDesktopNameSpaceKey));
}
