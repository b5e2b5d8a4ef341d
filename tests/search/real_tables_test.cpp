// The searches over the built-in tables, end to end: a key-name template of the registry table
// resolved through the install-folder table, and an install-folder row found from its note.
#include <gtest/gtest.h>
#include <string>
#include "model/found_items.h"
#include "model/products.h"
#include "search/install_folders.h"
#include "search/registry/registry_search.h"
#include "support/search_support.h"

namespace {

const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// A key the test creates below the maker's software key, under a product name of the built-in
// tables: the test is skipped when the prefix already has it, so nothing of its own is removed.
class ProductKey {
public:
    explicit ProductKey(const std::string& name)
        : parent_(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvane"), path_("SOFTWARE\\Morvane\\" + name),
          existed_(KeyPresent(HKEY_LOCAL_MACHINE, path_))
    {
    }
    ~ProductKey()
    {
        if (!existed_) DeleteTree(HKEY_LOCAL_MACHINE, path_);
    }
    uint8_t existed() const { return existed_; }
    uint8_t Set(const char* valueName, const std::string& text) const
    {
        HKEY key = NULL;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
            ERROR_SUCCESS)
            return 0;
        const LONG rc = RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? 1 : 0;
    }
private:
    RegistryParentGuard parent_;
    std::string path_;
    uint8_t existed_;
};

// A value added to an existing or new key and removed again (the key too when it is new).
class AddedValue {
public:
    AddedValue(HKEY root, const std::string& path, const std::string& name)
        : parent_(root, path), root_(root), path_(path), name_(name),
          existed_(ValuePresent(root, path, name.c_str()))
    {
    }
    ~AddedValue()
    {
        HKEY key = NULL;
        if (!existed_ && RegOpenKeyExA(root_, path_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, name_.c_str());
            RegCloseKey(key);
        }
    }
    uint8_t existed() const { return existed_; }
    uint8_t Set() const
    {
        HKEY key = NULL;
        if (RegCreateKeyExA(root_, path_.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            return 0;
        const DWORD count = 1;
        const LONG rc = RegSetValueExA(key, name_.c_str(), 0, REG_DWORD, (const BYTE*)&count, sizeof count);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? 1 : 0;
    }
private:
    RegistryParentGuard parent_;
    HKEY root_;
    std::string path_;
    std::string name_;
    uint8_t existed_;
};

}  // namespace

TEST(RealTables, SharedDllTemplateResolvesThroughTheFamilysInstallFolder)
{
    ScratchFolder folder("real-tables");
    std::string dir = folder.path();
    dir.pop_back();
    // Family 0's rows "VisionForce Tools%vftools.exe" read the key with the value names of the
    // family's install-folder rows ("Path", "DestDir").
    ProductKey note("VisionForce Tools");
    AddedValue shared(HKEY_LOCAL_MACHINE, kSharedDlls, dir + "\\vftools.exe");
    if (note.existed() || shared.existed()) GTEST_SKIP() << "the prefix already holds the product's traces";
    ASSERT_TRUE(note.Set("DestDir", dir + "\\"));
    ASSERT_TRUE(shared.Set());

    ScopedFoundItems scope;
    ProductSelection(-2, 1 << 0);
    EXPECT_EQ(1, SearchRegistry(ScopedSession().get(), NULL));
    int found = 0;
    for (int i = 0; i < scope.list()->count; i++) {
        const FoundItem& item = scope.list()->items[i];
        if (item.ruleKind != 7) continue;
        found++;
        EXPECT_EQ(HKEY_LOCAL_MACHINE, item.hive);
        EXPECT_STREQ(kSharedDlls, item.path);
        EXPECT_EQ(dir + "\\vftools.exe", item.valueName);
        EXPECT_EQ(0, item.productIndex);
    }
    EXPECT_EQ(1, found);
}

TEST(RealTables, InstallFolderRowIsFoundFromItsDefaultValueNote)
{
    ScratchFolder folder("real-install");
    std::string dir = folder.path();
    dir.pop_back();
    ProductKey note("HDTV Box");   // family 11's row reads the default value
    if (note.existed()) GTEST_SKIP() << "the prefix already holds the product's note";
    ASSERT_TRUE(note.Set(NULL, dir));

    ScopedFoundItems scope;
    ProductSelection(-2, 1 << 11);
    SearchInstallFolders(NULL);
    ASSERT_EQ(1, scope.list()->count);
    EXPECT_EQ(dir, scope.list()->items[0].path);
    EXPECT_EQ(11, scope.list()->items[0].productIndex);
}
