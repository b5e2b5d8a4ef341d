// The file half of the search: file rules, then INF identification, then install folders.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "search/search_session.h"
#include "tables/file_rules.h"

// Walks kFileRules (one progress step per row, continuing from the bar's position), then runs
// IdentifyOemInfs and SearchInstallFolders, in the session. 0 when any recording returned 0.
uint8_t SearchFileRules(SearchSession* session, HWND progress);
// The rule walk alone over any table ended by a row whose file is absent; each row's position
// goes into the file side of CurrentRule. 0 when any recording returned 0.
uint8_t SearchFileRuleRows(SearchSession* session, const FileRule* rules, HWND progress);
// The rule's folder macro expanded and its file text appended, into out (260 bytes).
// 0 when the result would not fit (the rule is then skipped, never truncated).
uint8_t ExpandRulePath(SearchSession* session, const FileRule& rule, char out[260]);
