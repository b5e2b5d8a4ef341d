// The Windows folders the file search builds paths in: the INF folder as the platform kind
// places it, and the other half's copy of the system folder.
#include "search/windows_subfolder.h"
#include <windows.h>
#include <string.h>
#include "model/process_values.h"
#include "platform/ascii_case.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"

uint8_t WindowsSubfolder(char* out, int size, int kind)
{
    char windows[kPathSize];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return 0;
    AppendBackslash(windows, sizeof windows);
    if (kind == -1) kind = g_platformKind;
    const char* sub = kind == 1 ? "INF\\OTHER\\" : kind == 2 ? "INF\\" : "";
    return FormatFits(out, size, "%s%s", windows, sub);
}

namespace {

// The folders below system32 that WOW64 leaves alone: a 32-bit process reaches the native one
// under either name, so the other half has no copy of its own to look in.
const char* const kSharedSystemFolders[] = {
    "catroot",
    "catroot2",
    "driverstore",
    "drivers\\etc",
    "logfiles",
    "spool",
    NULL,
};

// 1 when the path relative to the system folder lies in one of the shared folders (or is one).
uint8_t InSharedFolder(const char* relative)
{
    for (int i = 0; kSharedSystemFolders[i] != NULL; i++) {
        const size_t length = strlen(kSharedSystemFolders[i]);
        if (AsciiStartsWithNoCase(relative, kSharedSystemFolders[i]) &&
            (relative[length] == '\0' || relative[length] == '\\'))
            return 1;
    }
    return 0;
}

}  // namespace

uint8_t OtherHalfSystemPath(const char* path, char* out)
{
    out[0] = '\0';
    if (g_machineHalves == kOneHalf || path == NULL || g_systemDirectory[0] == '\0') return 0;
    // g_systemDirectory ends in a backslash: what follows it is the path below the folder.
    if (!AsciiStartsWithNoCase(path, g_systemDirectory)) return 0;
    const char* relative = path + strlen(g_systemDirectory);
    if (relative[0] == '\0' || InSharedFolder(relative)) return 0;
    char folder[kPathSize];
    if (!OtherSystemFolder(folder)) return 0;
    if (FormatFits(out, kPathSize, "%s\\%s", folder, relative)) return 1;
    out[0] = '\0';
    return 0;
}
