// Links inside a folder the clean-up deletes. The shell's delete walks into a linked folder and
// deletes what it points at; so every link is found first, without following any, and removed
// as a link. A link shows as a reparse point, or (where the platform hides that attribute) as an
// entry whose resolved path is not its own.
#include "clean/file_links.h"
#include <windows.h>
#include <new>
#include <string.h>
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

const int kMaxLinks = 64;
const int kMaxDepth = 64;

struct LinkList {
    int count;
    uint8_t folder[kMaxLinks];
    char paths[kMaxLinks][kPathSize];
};

// 1 when path (whose own attributes are given) is a link: a reparse point, or an entry whose
// resolved path differs from the one it would have inside its resolved folder.
static uint8_t IsLink(const char* path, DWORD attributes, const char* expected)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return 1;
    if (expected == NULL || expected[0] == '\0') return 0;
    char resolved[kPathSize];
    if (!FinalPath(path, resolved, sizeof resolved)) return 0;
    return CompareNoCase(resolved, expected) != 0 ? 1 : 0;
}

static uint8_t Identity(const char* path, DWORD flags, BY_HANDLE_FILE_INFORMATION* info)
{
    HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    const uint8_t ok = GetFileInformationByHandle(handle, info) ? 1 : 0;
    CloseHandle(handle);
    return ok;
}

uint8_t HandleIsLinkItself(void* handle, const char* path)
{
    BY_HANDLE_FILE_INFORMATION own, target;
    if (!GetFileInformationByHandle((HANDLE)handle, &own)) return 0;
    if (!Identity(path, 0, &target)) return 1;   // nothing behind the link to reach
    return (own.dwVolumeSerialNumber != target.dwVolumeSerialNumber ||
            own.nFileIndexHigh != target.nFileIndexHigh ||
            own.nFileIndexLow != target.nFileIndexLow) ? 1 : 0;
}

// 1 when the link itself can be opened as an object distinct from its target. Where the platform
// opens the target even when asked for the link, removing "the link" would remove the target.
static uint8_t LinkIsAddressable(const char* path)
{
    HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    const uint8_t itself = HandleIsLinkItself(handle, path);
    CloseHandle(handle);
    return itself;
}

static uint8_t AddLink(LinkList* links, const char* path, DWORD attributes)
{
    if (links->count >= kMaxLinks || !LinkIsAddressable(path)) return 0;
    links->folder[links->count] = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    lstrcpynA(links->paths[links->count], path, kPathSize);
    links->count++;
    return 1;
}

// Collects the links below folder (resolved: folder's resolved path, or "" where the platform
// cannot tell). 0 when an entry could not be inspected or a link cannot be removed as one.
static uint8_t CollectLinks(const char* folder, const char* resolved, int depth, LinkList* links)
{
    if (depth > kMaxDepth) return 0;
    char pattern[kPathSize];
    if (!FormatFits(pattern, sizeof pattern, "%s\\*", folder)) return 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    uint8_t ok = 1;
    do {
        if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0) continue;
        char entry[kPathSize];
        char expected[kPathSize] = "";
        if (!FormatFits(entry, sizeof entry, "%s\\%s", folder, data.cFileName) ||
            (resolved[0] != '\0' && !FormatFits(expected, sizeof expected, "%s\\%s", resolved, data.cFileName))) {
            ok = 0;
            break;
        }
        if (IsLink(entry, data.dwFileAttributes, expected)) {
            if (!AddLink(links, entry, data.dwFileAttributes)) { ok = 0; break; }
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CollectLinks(entry, expected, depth + 1, links)) { ok = 0; break; }
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return ok;
}

static uint8_t RemoveLink(const char* path, uint8_t folder)
{
    // A directory link goes with RemoveDirectoryA, a file link with DeleteFileA: both remove
    // the link's own entry.
    const BOOL removed = folder ? RemoveDirectoryA(path) : DeleteFileA(path);
    return removed ? 1 : 0;
}

LinkRemoval RemoveLinks(const char* path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return kNoLinksLeft;   // nothing there: the deletion tells
    FindClose(find);
    const DWORD attributes = data.dwFileAttributes;

    // The path's expected resolved form: its folder resolved, then its own name.
    char expected[kPathSize] = "";
    char folder[kPathSize];
    const char* name = NULL;
    if (SplitFolder(path, folder, sizeof folder, &name)) {
        char resolvedFolder[kPathSize];
        if (FinalPath(folder, resolvedFolder, sizeof resolvedFolder)) {
            if (!FormatFits(expected, sizeof expected, "%s\\%s", resolvedFolder, name) ||
                !CanonicalPath(expected, expected, sizeof expected))
                expected[0] = '\0';
        }
    }
    if (IsLink(path, attributes, expected)) {
        if (!LinkIsAddressable(path)) return kLinksRefused;
        return RemoveLink(path, (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0) ? kPathWasLink : kLinksRefused;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return kNoLinksLeft;

    LinkList* links = new (std::nothrow) LinkList;
    if (links == NULL) return kLinksRefused;
    links->count = 0;
    uint8_t ok = CollectLinks(path, expected[0] != '\0' ? expected : "", 0, links);
    for (int i = 0; ok && i < links->count; i++) ok = RemoveLink(links->paths[i], links->folder[i]);
    delete links;
    return ok ? kNoLinksLeft : kLinksRefused;
}
