// The registry half of the search: every rule of kRegistryRules in order.
#pragma once
#include <windows.h>
#include <stdint.h>

// Evaluates every registry rule (kinds by the /X decision table), one progress step per row on
// the progress bar (NULL in a silent run). Always returns 1.
uint8_t SearchRegistry(HWND progress);
