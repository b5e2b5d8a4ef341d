// Path building and key-name tests shared by the scanning rule kinds, and the record of what
// every registry rule kind finds, in the view it was found in.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "search/search_session.h"

const int kKeyPathSize = 1024;   // built key paths
const int kNameSize = 256;       // subkey names and short values

// Joins the parts with backslashes into out (size bytes); third may be absent. 0 (out empty)
// when the result does not fit: a cut path would name another key, possibly a parent.
uint8_t JoinKeyPath(char* out, int size, const char* first, const char* second, const char* third = NULL);

// 1 when a value read from the registry can name a key below a fixed parent: not empty, and no
// leading, trailing or doubled backslash. A trailing backslash opens the parent itself, so
// "Driver" = "\" would otherwise stand for the whole class key.
uint8_t IsRelativeKeyName(const char* text);

// AddRegistryItem in the view. In the other view only a key of that half's own (for a value,
// the key holding it) is recorded: one the own view reaches too was listed by the own pass. The
// rule still found it: a scan that stops at its first find stops there in either view. The
// halves are told apart once per key in the session; opened, when not NULL, is the key already
// open in the view.
void RecordRegistryItem(SearchSession* session, uint8_t view, int32_t kind, HKEY hive, const char* keyPath,
                        const char* valueName, HKEY opened = NULL);
