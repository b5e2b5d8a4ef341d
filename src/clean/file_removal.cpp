// Files and folders through the shell's file operation.
#include "clean/file_removal.h"
#include <shellapi.h>
#include <string.h>
#include "clean/file_links.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"

uint8_t DeleteFileOrFolder(const char* path)
{
    if (path == NULL || path[0] == '\0') return 0;
    // Checked again right before deleting, whatever recorded the path; the canonical form is
    // what the shell gets.
    char target[kPathSize];
    if (!PathGuardAllows(path, target, sizeof target)) return 0;
    // Links go first and as links: the shell's delete would follow them.
    const LinkRemoval links = RemoveLinks(target);
    if (links == kLinksRefused) return 0;
    if (links == kPathWasLink) return 1;

    // A one-entry list ended by two zeros. A path that does not fit is refused: cut short it
    // would name another file or folder.
    char from[264];
    const size_t length = strlen(target);
    if (length + 2 > sizeof from) return 0;
    lstrcpynA(from, target, (int)length + 1);
    from[length + 1] = '\0';

    SHFILEOPSTRUCTA operation;
    ZeroMemory(&operation, sizeof operation);
    operation.hwnd = NULL;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.pTo = "";
    // Without FOF_ALLOWUNDO: deleted for good, nothing goes to the Recycle Bin.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    return SHFileOperationA(&operation) == 0 ? 1 : 0;
}
