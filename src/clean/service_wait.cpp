// Waiting for a stopped service's process to let go of its file: an exclusive open for
// deletion, tried again every few milliseconds, within a fixed limit.
#include "clean/service_wait.h"

const DWORD kRetryMs = 15;

// 1 when nobody holds the file: it opens for deletion without sharing. The handle is closed at
// once; nothing is changed.
static uint8_t FileIsFree(const char* path)
{
    HANDLE file = CreateFileA(path, DELETE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

uint8_t WaitForFileRelease(const char* path, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (path != NULL && path[0] != '\0' && FileIsFree(path)) return 1;
        const DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) return 0;
        const DWORD left = limitMs - waited;
        Sleep(left < kRetryMs ? left : kRetryMs);
    }
}
