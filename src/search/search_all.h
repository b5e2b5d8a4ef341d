// The whole search, as the window and the silent and list runs start it: the registry search to
// completion, then the file search, in one session.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "platform/path_ops.h"

struct SearchSession;   // search/search_session.h

// The whole search in a session of its own, the restricted (/X) registry search when restricted
// is 1, on one progress bar (or none). 1 when both halves of the search returned 1.
uint8_t SearchAll(HWND progress, uint8_t restricted);
// The same in a session the caller began, set up and ends (the reference search, or one whose
// figures are read afterwards).
uint8_t SearchInSession(SearchSession* session, HWND progress);

// The places a file item's row (the list file's why: whyKind and whyRow of item_why.h) could have
// found it in, for checking a restore: a file rule's path with its folder macro expanded and its
// service part cut off (with the other half's spelling), the INF folder for an INF row, an
// install-folder row's default places and the folders its note names now. The item and what it
// holds must be one of them or lie below one. Into places (capacity paths); returns how many.
int32_t FileRowPlaces(uint8_t whyKind, int32_t whyRow, char (*places)[kPathSize], int32_t capacity);
