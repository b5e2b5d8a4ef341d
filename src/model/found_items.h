// The found-item list: what search found, what the window shows and what deletion removes.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "model/item_why.h"
#include "platform/hive_names.h"
#include "platform/machine_halves.h"
#include "platform/text_index.h"

const int32_t kItemClassRegistry = 0;
const int32_t kItemClassFile = 1;

// notDeleted of an item in use that the next restart removes: not deleted yet, but not failed.
const uint8_t kRemovedAtRestart = 2;

struct FoundItem {
    int32_t itemClass;    // 0 registry item, 1 file item
    int32_t ruleKind;     // registry items: the rule kind it was recorded under
    int32_t productIndex; // family of the rule being processed when it was added
    HKEY hive;            // registry items: the predefined root
    uint8_t view;         // registry items: kViewOwn, or kViewOther for the other half's key
    char* path;           // key path below hive, or the absolute file or folder path
    char* valueName;      // registry items: absent = the key itself
    char* serviceName;    // file items: service named by the file rule, or absent
    char* displayText;    // set when a search completes
    uint8_t ticked;
    uint8_t accessible;
    uint8_t notDeleted;   // after a deletion: 0 gone, 1 still there, kRemovedAtRestart
    uint8_t whyKind;      // kWhy...: the table that found it
    int32_t whyRow;       // the row of that table, as envsweep-tables numbers it
    char* whyNote;        // INF file name or install-folder note; absent otherwise

    FoundItem();
    ~FoundItem();
    FoundItem(const FoundItem&) = delete;
    FoundItem& operator=(const FoundItem&) = delete;

    // Releases the owned strings and returns the slot to the default state.
    void Reset();
};

// A registry item's key: its hive and key path in its view.
inline KeyInView ItemKeyInView(const FoundItem& item)
{
    return KeyInView{item.hive, item.path, item.view};
}

struct FoundItemList {
    int32_t capacity;
    int32_t count;
    FoundItem* items;     // capacity slots, in the same block as this header
    TextIndex index;      // finds a listed item equal to a new one; its chains follow the items
};

// The process-wide list, created at start-up.
extern FoundItemList* g_foundItems;

// One block holding the header and capacity default-constructed items; NULL when the storage
// cannot be had.
FoundItemList* CreateFoundItemList(int32_t capacity);
void DestroyFoundItemList(FoundItemList* list);

// Registry rules (twice on a machine with two halves, whose search walks both views) + file
// rules + 300.
int32_t FoundItemCapacity();

// What a new file item is stamped with. The INF identification and the install-folder search
// record for rows of their own tables: the row's family and row, whyKind kWhyInfRule or
// kWhyInstallFolder, and the note ("" for none). With whyKind kWhyUnknown only the family is
// given and the current file rule names the why; without a source (NULL) the current file rule
// gives both.
struct FileItemSource {
    int32_t product;
    uint8_t whyKind;
    int32_t whyRow;
    char whyNote[kWhyNoteSize];
};

// The family a file item added now gets: the source's, or the current file rule's.
int32_t FileItemProduct(const FileItemSource* source);

// A file item added in two steps around the path guard, which the search runs (its RecordFile):
// whatever found the path, a protected folder or one above it is never listed (so never
// deleted), and what is listed is the canonical form the deletion will be handed.
// FileItemWanted: 0 = list full, 1 = product not selected (the path is not looked at further,
// its file not even opened), 2 = the guard is to be asked. AddGuardedFileItem then takes the
// canonical form the guard allowed: 0 = list full; 1 = duplicate or product not selected (never
// listed); else the new item's accessible flag. openedWritable 1 when the guard's check opened
// the file as ProbeFileAccess would (OpenAsProbe), and succeeded, so the probe is not made again.
uint8_t FileItemWanted(const char* path, const FileItemSource* source);
uint8_t AddGuardedFileItem(const char* canonical, const char* serviceName, uint8_t openedWritable,
                           const FileItemSource* source);
// 0 = list full or duplicate; 1 = added or product not selected. The same key or value in the
// two views is two items: two keys of the machine.
uint8_t AddRegistryItem(int32_t kind, HKEY hive, const char* keyPath, const char* valueName, uint8_t view = kViewOwn);
void ClearItems();

// "[HIVE\path] value" for registry items, the path for file items; at most 1023 characters. An
// item of the other view ends in " (64-bit)" or " (32-bit)", the half it lies in, which stays
// even when the rest has to be cut.
// Writes into text (size bytes, always terminated) and returns text.
char* FormatItemText(const FoundItem* item, char* text, int size);

// "Registry", "File" or "" for the item's class.
const char* ItemTypeWord(const FoundItem* item);
