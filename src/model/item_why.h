// Why an item was found: which table's row found it, and how the found list and the clean-up's
// log write that.
#pragma once
#include <stdint.h>
#include "platform/path_ops.h"

struct FoundItem;

// What found an item, so that the list and the log can name the table row behind it.
const uint8_t kWhyUnknown = 0;        // added outside a search's rules
const uint8_t kWhyRegistryRule = 1;   // row of kRegistryRules
const uint8_t kWhyFileRule = 2;       // row of kFileRules
const uint8_t kWhyInfRule = 3;        // row of kInfRules; note: the INF file's name
const uint8_t kWhyInstallFolder = 4;  // row of kInstallFolders; note: the registry note, or absent
const uint8_t kWhyRefusedNote = 5;    // row of kInstallFolders at its default place; note: the
                                      // registry note that was there but refused

// Room for a note (an INF file's name, an install folder's registry note), and for any why
// FormatItemWhy writes.
const int kWhyNoteSize = kPathSize + 512;
const int kWhyTextSize = kWhyNoteSize + 128;

// Why the item was found, as the list and the log write it: "registry rule 12, kind 4" (the
// rule's kind, which a scan's items may not share),
// "file rule 45", "INF oem3.inf, INF rule 7", "install folder 2, note HKLM\..." or
// "install folder 2, default place" (", default place (note HKLM\... refused)" when a note was
// refused); "" when unknown. Writes into text (always terminated).
char* FormatItemWhy(const FoundItem* item, char* text, int size);
