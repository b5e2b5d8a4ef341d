// The registry search in one view: the reads that open keys in it and the record of what it
// found there. On a machine with two halves the search walks every rule in the own view and then
// in the other one; a key both views reach is one key of the machine and is listed once.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/machine_halves.h"
#include "search/search_session.h"

// The view the session's registry rules are evaluated in; the own view without a session.
uint8_t SessionView(const SearchSession* session);

// AddRegistryItem in the view. In the other view only a key of that half's own (for a value,
// the key holding it) is recorded: one the own view reaches too was listed by the own pass. The
// rule still found it: a scan that stops at its first find stops there in either view.
void RecordRegistryItem(uint8_t view, int32_t kind, HKEY hive, const char* keyPath, const char* valueName);
