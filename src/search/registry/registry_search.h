// The registry half of the search: every rule of kRegistryRules in order.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "search/search_session.h"
#include "tables/registry_rules.h"

// Evaluates every registry rule (kinds by the /X decision table, by the session's restricted
// flag) in the own view and, on a machine with two halves, all of them again in the other view,
// in the session (which shares the scans' reads). The bar (NULL in a silent run) moves one step
// per row over both walks together, so it ends where one walk would have ended. Always returns 1.
uint8_t SearchRegistry(SearchSession* session, HWND progress);

// The same walks over any table ended by a row whose keyPath is absent; SearchRegistry passes
// kRegistryRules. Each row's position goes into the registry side of CurrentRule. A NULL session
// walks in a reference session of its own.
uint8_t SearchRegistryRows(SearchSession* session, const RegistryRule* rules, HWND progress);

// Whether the row is evaluated in a run with the given restricted (/X) flag.
uint8_t RuleTakesPart(const RegistryRule& rule, uint8_t restricted);

// 1 when the rule has no modeTag or its modeTag is "heavy" with ASCII letters folded.
uint8_t ModeTagPasses(const RegistryRule& rule);

// Evaluates one row by its kind in the session's view (the own view without a session); 1 when
// it recorded something.
uint8_t EvaluateRegistryRule(SearchSession* session, const RegistryRule& rule);
