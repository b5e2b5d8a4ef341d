// The silent run: search and delete the selected families without any window.
#pragma once
#include <stdint.h>

// The whole search (the restricted registry search when restricted is 1), then every item it
// found deleted.
void RunSilent(uint8_t restricted);
