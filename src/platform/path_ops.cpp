// Path and text operations shared across the program.
#include "platform/path_ops.h"
#include <windows.h>
#include <shlobj.h>
#include <string.h>

const char* SplitField(const char* text, char separator, int n, char* out, int size)
{
    if (text == NULL || n < 1) return NULL;
    const char* start = text;
    for (int i = 1; i < n; i++) {
        const char* next = strchr(start, separator);
        if (next == NULL) return NULL;
        start = next + 1;
    }
    if (out != NULL && size > 0) {
        int length = 0;
        while (start[length] != '\0' && start[length] != separator) length++;
        if (length > size - 1) length = size - 1;
        memcpy(out, start, (size_t)length);
        out[length] = '\0';
    }
    return start;
}

void AppendBackslash(char* path, int size)
{
    const size_t length = strlen(path);
    if (length > 0 && path[length - 1] == '\\') return;
    if ((int)length + 1 >= size) return;  // no room: leave the path as it is
    path[length] = '\\';
    path[length + 1] = '\0';
}

void StripBackslash(char* path)
{
    const size_t length = strlen(path);
    if (length > 0 && path[length - 1] == '\\') path[length - 1] = '\0';
}

const char* ExtensionPointer(const char* path)
{
    const size_t length = strlen(path);
    for (size_t i = length; i > 1; i--) {
        if (path[i - 1] == '.') return path + i - 1;
    }
    return path + length;
}

const char* FileNamePart(const char* path)
{
    if (path == NULL) return "";
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

void TrimSpaces(char* text)
{
    size_t start = 0;
    while (text[start] == ' ') start++;
    size_t end = strlen(text);
    while (end > start && text[end - 1] == ' ') end--;
    memmove(text, text + start, end - start);
    text[end - start] = '\0';
}

uint8_t IsPlainPathText(const char* text)
{
    for (const unsigned char* p = (const unsigned char*)text; *p != '\0'; p++) {
        if (*p < 0x20 || *p > 0x7E || *p == '*' || *p == '?') return 0;
    }
    return 1;
}

static uint8_t FindFirst(const char* path, DWORD* attributes)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    *attributes = data.dwFileAttributes;
    FindClose(find);
    return 1;
}

uint8_t FileExists(const char* path)
{
    DWORD attributes = 0;
    return FindFirst(path, &attributes);
}

uint8_t DirectoryExists(const char* path)
{
    DWORD attributes = 0;
    if (!FindFirst(path, &attributes)) return 0;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

void CreateParentFolders(char* path, size_t from)
{
    // "\\server" is no folder: of a share path, the first folder tried is the share.
    const char* server = path[0] == '\\' && path[1] == '\\' ? strchr(path + 2, '\\') : NULL;
    if (server != NULL && from <= (size_t)(server - path)) from = (size_t)(server - path) + 1;
    for (size_t i = from; path[i] != '\0'; i++) {
        if (path[i] != '\\') continue;
        path[i] = '\0';
        CreateDirectoryA(path, NULL);
        path[i] = '\\';
    }
}

uint8_t SpecialFolderPath(int csidl, char* out)
{
    LPITEMIDLIST list = NULL;
    uint8_t ok = 0;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, csidl, &list)) && list != NULL) {
        ok = SHGetPathFromIDListA(list, out) ? 1 : 0;
    }
    if (list != NULL) CoTaskMemFree(list);
    return ok;
}

static const DWORD kCompareBlockSize = 32768;

uint8_t SameFileContent(const char* a, const char* b)
{
    HANDLE first = CreateFileA(a, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE second = CreateFileA(b, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    BYTE* blocks = (BYTE*)LocalAlloc(LMEM_FIXED, 2 * kCompareBlockSize);
    LARGE_INTEGER sizeA, sizeB;
    uint8_t same = first != INVALID_HANDLE_VALUE && second != INVALID_HANDLE_VALUE && blocks != NULL &&
                           GetFileSizeEx(first, &sizeA) && GetFileSizeEx(second, &sizeB) && sizeA.QuadPart == sizeB.QuadPart
                       ? 1
                       : 0;
    while (same) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(first, blocks, kCompareBlockSize, &readA, NULL) ||
            !ReadFile(second, blocks + kCompareBlockSize, kCompareBlockSize, &readB, NULL) || readA != readB ||
            memcmp(blocks, blocks + kCompareBlockSize, readA) != 0)
            same = 0;
        else if (readA == 0) break;
    }
    if (blocks != NULL) LocalFree(blocks);
    if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    return same;
}
