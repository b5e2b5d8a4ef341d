// The string tables of envsweep.exe: every id in English and Japanese, English texts exact.
#include <gtest/gtest.h>
#include <string>
#include "app/res/resource.h"
#include "support/helpers.h"

namespace {

// The UTF-8 text of string id in the given language of module, or "<missing>".
std::string LoadStringIn(HMODULE module, UINT id, WORD language)
{
    HRSRC block = FindResourceExA(module, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
    if (block == NULL) return "<missing>";
    const WCHAR* p = (const WCHAR*)LockResource(LoadResource(module, block));
    if (p == NULL) return "<missing>";
    for (UINT i = 0; i < id % 16; i++) p += 1 + *p;
    const int length = *p;
    if (length == 0) return "<missing>";
    char utf8[4096];
    const int n = WideCharToMultiByte(CP_UTF8, 0, p + 1, length, utf8, sizeof utf8, NULL, NULL);
    return std::string(utf8, (size_t)n);
}

struct StringCase {
    UINT id;
    const char* english;
};

const StringCase kStrings[] = {
    {IDS_CAPTION, "Morvane Products Environmental Cleaner"},
    {IDS_SEARCH_QUESTION, "Cleaner detects items about selected products."},
    {IDS_NO_SELECTED_ITEMS, "No selected items."},
    {IDS_DELETE_QUESTION, "Are you sure you want to delete these items ?"},
    {IDS_FILES_IN_USE, "Some files can't be deleted."},
    {IDS_NOT_FOUND, "Items about selected products name are not found."},
    {IDS_REGISTRY_NOT_DELETED, "Some registry keys were not deleted."},
    {IDS_REGISTRY_DELETED, "Deleting registry keys successfully completed."},
    {IDS_FILES_NOT_DELETED, "Some files can't be deleted."},
    {IDS_FILES_DELETED, "Deleting files succssfully completed."},
    {IDS_SEARCHING, "Searching..."},
    {IDS_DELETING, "Deleting..."},
    {IDS_CANT_DELETE_ITEMS, "Can't Delete Items"},
    {IDS_NOT_DELETED_ITEMS, "Not deleted Items"},
    {IDS_COLUMN_ITEM, "Item"},
    {IDS_COLUMN_TYPE, "Type"},
    {IDS_COLUMN_PRODUCT, "Product"},
    {IDS_GUIDE_FOUND, "Registry keys and files about selected products are found.\nPlease, check a delete item and push [Delete] button."},
    {IDS_GUIDE_START, "Please, select the products and push [Search] button.\nI recommend you to use a formal un-installer previously."},
    {IDS_SELECT_PRODUCT, "Please, select a product name."},
    {IDS_START_WARNING, "This software is for deleting environment according to a product, and is not for restoring.\nSince you can't return the eliminated environment at once. be fully careful of use.\n\nMay I start a environmental cleaner?"},
};

class ResourcesTest : public testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA((ModuleFolder() + "envsweep.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE((HMODULE)NULL, module);
    }
    void TearDown() override
    {
        if (module) FreeLibrary(module);
    }
    HMODULE module = NULL;
};

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

}  // namespace

TEST_F(ResourcesTest, EveryStringExistsInBothLanguagesAndEnglishIsExact)
{
    for (const StringCase& c : kStrings) {
        EXPECT_EQ(c.english, LoadStringIn(module, c.id, kEnglish)) << "string " << c.id;
        const std::string japanese = LoadStringIn(module, c.id, kJapanese);
        EXPECT_NE("<missing>", japanese) << "string " << c.id;
        EXPECT_NE(c.english, japanese) << "string " << c.id << " is not translated";
    }
}

TEST_F(ResourcesTest, JapaneseCaptionAndSelectedTexts)
{
    const std::string caption = LoadStringIn(module, IDS_CAPTION, kJapanese);
    const std::string suffix = "環境クリーナー";
    ASSERT_GE(caption.size(), suffix.size());
    EXPECT_EQ(suffix, caption.substr(caption.size() - suffix.size()));
    EXPECT_EQ("検索中...", LoadStringIn(module, IDS_SEARCHING, kJapanese));
    EXPECT_EQ("選択された製品に関連するレジストリキー及びファイルが検出されました。\r\n"
              "削除したい項目にチェックをし、「削除」ボタンを押してください。",
              LoadStringIn(module, IDS_GUIDE_FOUND, kJapanese));
}

TEST_F(ResourcesTest, VersionIconAndManifest)
{
    EXPECT_NE((HRSRC)NULL, FindResourceA(module, MAKEINTRESOURCEA(IDI_MAIN), (LPCSTR)RT_GROUP_ICON));
    EXPECT_NE((HRSRC)NULL, FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_MANIFEST));
    const std::string exe = ModuleFolder() + "envsweep.exe";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, &data[0]));
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(&data[0], "\\", (void**)&fixed, &length));
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(3, 7), fixed->dwFileVersionLS);
    WORD* translation = NULL;
    ASSERT_TRUE(VerQueryValueA(&data[0], "\\VarFileInfo\\Translation", (void**)&translation, &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);
    char* version = NULL;
    ASSERT_TRUE(VerQueryValueA(&data[0], "\\StringFileInfo\\040904b0\\ProductVersion", (void**)&version, &length));
    EXPECT_STREQ("1.0.7.3", version);
}
