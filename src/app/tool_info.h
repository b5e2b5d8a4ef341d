// The size the main window gives the tooltip structure when it adds its tools.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stddef.h>

// The structure up to and including lParam, without the reserved pointer that later versions of
// the common controls added: 44 bytes in the 32-bit program, which every common-controls version
// the program meets accepts; a 64-bit build gets the same layout at its own width.
const UINT kToolInfoSize = (UINT)(offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM));

static_assert(sizeof(void*) != 4 || kToolInfoSize == 44, "the tooltip structure is 44 bytes in the 32-bit program");
