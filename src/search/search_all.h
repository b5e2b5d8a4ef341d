// The whole search, as the window and the silent and list runs start it: the registry search to
// completion, then the file search, in one session.
#pragma once
#include <windows.h>
#include <stdint.h>

struct SearchSession;   // search/search_session.h

// The whole search in a session of its own, the restricted (/X) registry search when restricted
// is 1, on one progress bar (or none). 1 when both halves of the search returned 1.
uint8_t SearchAll(HWND progress, uint8_t restricted);
// The same in a session the caller began, set up and ends (the reference search, or one whose
// figures are read afterwards).
uint8_t SearchInSession(SearchSession* session, HWND progress);
