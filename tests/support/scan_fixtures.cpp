// Fixtures for the scan tests.
#include "support/scan_fixtures.h"
#include <stdio.h>
#include <string.h>
#include "model/process_values.h"
#include "model/products.h"
#include "support/helpers.h"
#include "tables/registry_rules.h"

namespace {

const char kMarkerValue[] = "EnvsweepTestFixture";

uint8_t CreateKey(HKEY root, const std::string& path, uint8_t volatileKey)
{
    HKEY key = NULL;
    const DWORD options = volatileKey ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

}  // namespace

FixtureKeys::FixtureKeys(HKEY root, const std::string& base, uint8_t volatileKeys)
    : root_(root), base_(base), volatile_(volatileKeys), ok_(0)
{
    // The topmost ancestor (base included) that is missing or marked as a fixture's.
    for (size_t end = 0; end != std::string::npos;) {
        end = base_.find('\\', end + 1);
        const std::string prefix = base_.substr(0, end);
        if (!KeyPresent(root_, prefix) || ValuePresent(root_, prefix, kMarkerValue)) {
            createdRoot_ = prefix;
            break;
        }
    }
    if (!createdRoot_.empty()) {
        DeleteTree(root_, createdRoot_);
        if (!CreateKey(root_, base_, volatile_)) return;
        const char mark[] = "1";
        HKEY key = NULL;
        if (RegOpenKeyExA(root_, createdRoot_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegSetValueExA(key, kMarkerValue, 0, REG_SZ, (const BYTE*)mark, sizeof mark);
        RegCloseKey(key);
    }
    ok_ = KeyPresent(root_, base_);
}

FixtureKeys::~FixtureKeys()
{
    for (const std::string& child : children_) DeleteTree(root_, Path(child));
    if (!createdRoot_.empty()) DeleteTree(root_, createdRoot_);
}

std::string FixtureKeys::Path(const std::string& relative) const
{
    return relative.empty() ? base_ : base_ + "\\" + relative;
}

uint8_t FixtureKeys::Create(const std::string& relative)
{
    const std::string child = relative.substr(0, relative.find('\\'));
    if (!child.empty()) {
        bool known = false;
        for (const std::string& c : children_) known = known || c == child;
        if (!known) {
            DeleteTree(root_, Path(child));
            children_.push_back(child);
        }
    }
    return CreateKey(root_, Path(relative), volatile_);
}

uint8_t FixtureKeys::SetString(const std::string& relative, const char* valueName, const std::string& data)
{
    if (!Create(relative)) return 0;
    HKEY key = NULL;
    if (RegOpenKeyExA(root_, Path(relative).c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return 0;
    const LONG rc = RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)data.c_str(), (DWORD)data.size() + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

InfFolderFile::InfFolderFile(const std::string& name, const std::string& content, const char* subfolder)
    : path_(std::string(g_windowsDirectory) + subfolder + name), ok_(0)
{
    DeleteFileA(path_.c_str());
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(file);
    ok_ = written == content.size() ? 1 : 0;
}

InfFolderFile::~InfFolderFile()
{
    DeleteFileA(path_.c_str());
}

std::vector<const FoundItem*> RegistryItems(const FoundItemList* list)
{
    std::vector<const FoundItem*> items;
    for (int32_t i = 0; i < list->count; i++) {
        if (list->items[i].itemClass == kItemClassRegistry) items.push_back(&list->items[i]);
    }
    return items;
}

const FoundItem* FindRegistryItem(const FoundItemList* list, int32_t kind, HKEY hive, const std::string& path)
{
    for (const FoundItem* item : RegistryItems(list)) {
        if (item->ruleKind == kind && item->hive == hive && item->path != NULL && path == item->path) return item;
    }
    return NULL;
}

const FoundItem* FindFileItem(const FoundItemList* list, const std::string& path)
{
    for (int32_t i = 0; i < list->count; i++) {
        const FoundItem& item = list->items[i];
        if (item.itemClass == kItemClassFile && item.path != NULL && lstrcmpiA(item.path, path.c_str()) == 0)
            return &item;
    }
    return NULL;
}

std::string DescribeRegistryItems(const FoundItemList* list)
{
    std::string text;
    for (const FoundItem* item : RegistryItems(list)) {
        char line[1100];
        char body[1024];
        snprintf(line, sizeof line, "%d %s\n", item->ruleKind, FormatItemText(item, body, sizeof body));
        text += line;
    }
    return text;
}

int StampRegistryItemsAs(int32_t product)
{
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        if (kRegistryRules[i].product == product) {
            CurrentRule(0, i);
            return i;
        }
    }
    return -1;
}
