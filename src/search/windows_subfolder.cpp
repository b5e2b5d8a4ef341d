// The Windows INF folder as the platform kind places it.
#include "search/windows_subfolder.h"
#include <windows.h>
#include <stdio.h>
#include "model/process_values.h"
#include "platform/path_ops.h"

uint8_t WindowsSubfolder(char* out, int size, int kind)
{
    char windows[kPathSize];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return 0;
    AppendBackslash(windows, sizeof windows);
    if (kind == -1) kind = g_platformKind;
    const char* sub = kind == 1 ? "INF\\OTHER\\" : kind == 2 ? "INF\\" : "";
    const int written = snprintf(out, (size_t)size, "%s%s", windows, sub);
    return written >= 0 && written < size ? 1 : 0;
}
