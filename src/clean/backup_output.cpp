// The files of a backup: buffered writes, commits that reach the disk, roll-back, and reading back.
#include "clean/backup_output.h"
#include <stddef.h>
#include <string.h>

void InitOutputFile(OutputFile* out)
{
    ZeroMemory(out, offsetof(OutputFile, buffer));   // every field before the buffer
    out->handle = INVALID_HANDLE_VALUE;
}

uint8_t OpenOutputFile(OutputFile* out, const char* path, uint8_t replace)
{
    InitOutputFile(out);
    out->handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              replace ? CREATE_ALWAYS : CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    out->ok = out->handle != INVALID_HANDLE_VALUE ? 1 : 0;
    return out->ok;
}

// Hands the waiting bytes to the file system.
static void WriteWaiting(OutputFile* out)
{
    if (out->used == 0) return;
    DWORD written = 0;
    if (out->ok && (!WriteFile(out->handle, out->buffer, out->used, &written, NULL) || written != out->used))
        out->ok = 0;
    out->used = 0;
}

void PutBytes(OutputFile* out, const void* data, DWORD size)
{
    const char* bytes = (const char*)data;
    out->pending += size;
    while (size > 0) {
        if (out->used == kOutputBufferSize) WriteWaiting(out);
        DWORD part = kOutputBufferSize - out->used;
        if (part > size) part = size;
        memcpy(out->buffer + out->used, bytes, part);
        out->used += part;
        bytes += part;
        size -= part;
    }
}

void PutText(OutputFile* out, const char* text)
{
    PutBytes(out, text, (DWORD)strlen(text));
}

void PutLogField(OutputFile* out, const char* text)
{
    for (int i = 0; text != NULL && text[i] != '\0' && i < 1099; i++)
        PutBytes(out, (BYTE)text[i] < 0x20 ? " " : text + i, 1);
}

// Drops everything given since the last commit, cutting the file back to its committed size.
static void DiscardOutput(OutputFile* out)
{
    out->used = 0;
    out->pending = 0;
    if (out->handle == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER position;
    position.QuadPart = out->committed;
    // A file that cannot even be cut back takes nothing more: every later commit fails.
    out->ok = SetFilePointerEx(out->handle, position, NULL, FILE_BEGIN) && SetEndOfFile(out->handle) ? 1 : 0;
}

uint8_t CommitOutput(OutputFile* out)
{
    if (out->handle == INVALID_HANDLE_VALUE) return 0;
    WriteWaiting(out);
    if (out->ok && !FlushFileBuffers(out->handle)) out->ok = 0;
    if (!out->ok) {
        DiscardOutput(out);
        return 0;
    }
    out->committed += out->pending;
    out->pending = 0;
    return 1;
}

uint8_t FinishItem(OutputFile* out, LONGLONG header, uint8_t saved)
{
    if (saved && out->pending != header) return CommitOutput(out);
    DiscardOutput(out);   // a failed save, or one that found nothing to save
    return saved ? 1 : 0;
}

uint8_t CloseOutputFile(OutputFile* out)
{
    if (out->handle == INVALID_HANDLE_VALUE) return 0;
    const uint8_t ok = out->pending == 0 ? out->ok : CommitOutput(out);
    CloseHandle(out->handle);
    out->handle = INVALID_HANDLE_VALUE;
    return ok;
}

uint8_t LoadWholeFile(const char* path, char** text, DWORD* length)
{
    *text = NULL;
    *length = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size;
    uint8_t ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000 ? 1 : 0;
    if (ok) {
        *text = (char*)LocalAlloc(LMEM_FIXED, (SIZE_T)size.QuadPart + 1);
        DWORD read = 0;
        ok = *text != NULL && ReadFile(file, *text, (DWORD)size.QuadPart, &read, NULL) && read == (DWORD)size.QuadPart
                 ? 1
                 : 0;
        if (ok) {
            (*text)[read] = '\0';
            *length = read;
        }
    }
    CloseHandle(file);
    if (!ok && *text != NULL) {
        LocalFree(*text);
        *text = NULL;
    }
    return ok;
}
