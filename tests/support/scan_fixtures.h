// Fixtures for the scan tests: registry keys below the real device, class and interface paths,
// INF files in the Windows INF folder, and look-ups in the found-item list.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "model/found_items.h"

// Keys created below base (a real path the scans read) for one test. Every first-level child a
// test creates is deleted when first created (left-overs of a crashed run) and at the end. When
// base or some of its ancestors are missing (Wine has no ControlSet001, no Enum\Monitor), the
// topmost missing one is created with a marker value and removed whole at the end; a marked key
// found at start is such a left-over and is removed first. Use one object per base per test.
// volatileKeys creates every key volatile (Wine's Control\Video accepts no other children).
class FixtureKeys {
public:
    FixtureKeys(HKEY root, const std::string& base, uint8_t volatileKeys = 0);
    ~FixtureKeys();
    FixtureKeys(const FixtureKeys&) = delete;
    FixtureKeys& operator=(const FixtureKeys&) = delete;
    uint8_t ok() const { return ok_; }
    // base\relative (base itself for "").
    std::string Path(const std::string& relative) const;
    // Creates base\relative and its parents; 1 on success.
    uint8_t Create(const std::string& relative);
    uint8_t SetString(const std::string& relative, const char* valueName, const std::string& data);
private:
    HKEY root_;
    std::string base_;
    std::string createdRoot_;          // topmost ancestor this fixture created, or empty
    std::vector<std::string> children_; // first-level children below base, as created
    uint8_t volatile_;
    uint8_t ok_;
};

// A file in the Windows INF folder ("INF\" or "INF\OTHER\" below it), written at construction
// (an old one is replaced) and deleted at the end.
class InfFolderFile {
public:
    InfFolderFile(const std::string& name, const std::string& content, const char* subfolder = "INF\\");
    ~InfFolderFile();
    InfFolderFile(const InfFolderFile&) = delete;
    InfFolderFile& operator=(const InfFolderFile&) = delete;
    uint8_t ok() const { return ok_; }
    const std::string& path() const { return path_; }
private:
    std::string path_;
    uint8_t ok_;
};

// Registry items of the list, in list order.
std::vector<const FoundItem*> RegistryItems(const FoundItemList* list);
// The registry item with that kind, hive and key path (case-sensitive), or NULL.
const FoundItem* FindRegistryItem(const FoundItemList* list, int32_t kind, HKEY hive, const std::string& path);
// The file item with that path (case-insensitive), or NULL.
const FoundItem* FindFileItem(const FoundItemList* list, const std::string& path);
// "kind hive\path" lines of the list's registry items, for failure messages.
std::string DescribeRegistryItems(const FoundItemList* list);

// Makes the registry side's current rule a row of family product, so new items carry it;
// -1 when kRegistryRules has no row of that family.
int StampRegistryItemsAs(int32_t product);
