// The restart of Windows that the user may ask for after a deletion.
#pragma once
#include <windows.h>
#include <stdint.h>

// On the NT family enables the shutdown privilege (a failure is not reported), then calls
// ExitWindowsEx with flags (EWX_REBOOT from the restart dialog). 1 when ExitWindowsEx succeeded.
uint8_t RestartSystem(UINT flags);
