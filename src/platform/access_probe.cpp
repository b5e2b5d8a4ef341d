// The access probe, and the one way of opening a plain file that it and the search's guard share.
#include "platform/access_probe.h"

HANDLE OpenAsProbe(const char* path)
{
    return CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
}

uint8_t ProbeFileAccess(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    // A folder that is not read-only: whether it could be renamed, onto itself, so nothing changes.
    if ((attributes & kProbeAsksOtherwise) == FILE_ATTRIBUTE_DIRECTORY) return MoveFileA(path, path) ? 1 : 0;
    // A read-only file or folder is accessible when the attribute could be cleared: asked by
    // opening for attribute changes, shared with everyone as setting the attribute would be, and
    // nothing changed. The deletion clears it itself, after the backup has recorded it.
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    HANDLE handle = (attributes & FILE_ATTRIBUTE_READONLY)
                        ? CreateFileA(path, FILE_WRITE_ATTRIBUTES, sharing, NULL, OPEN_EXISTING, flags, NULL)
                        : OpenAsProbe(path);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(handle);
    return 1;
}
