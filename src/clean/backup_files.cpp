// The file part of a backup: the service a file item names (its line comes from services.cpp), and
// the file or folder itself, copied whole under files\ mirroring its path, with a manifest line for
// each file and folder giving its attributes and times.
#include "clean/backup.h"
#include <stdio.h>
#include <string.h>
#include "clean/driver_packages.h"
#include "clean/manifest.h"
#include "clean/services.h"
#include "clean/tree_walk.h"
#include "model/found_items.h"
#include "platform/sha256.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

namespace {

const DWORD kCopyBlockSize = 65536;

// One copy in progress: the original and its copy grow and shrink as the walk descends.
struct CopyWalk {
    OutputFile* manifest;
    char source[kBackupPathSize];
    char copy[kBackupPathSize];
    char resolved[kBackupPathSize];   // what the platform must report for the item ("" where it
                                      // cannot, and once the item was checked)
    size_t relative;   // where the copy's path below the backup folder starts
    BYTE block[kCopyBlockSize];
};

// files\<drive letter>\... for "X:\...", files\UNC\<server>\... for "\\server\...".
uint8_t MirrorPath(const char* path, char* out, size_t size)
{
    int length = -1;
    const char letter = path[0];
    if (((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && path[1] == ':' && path[2] == '\\')
        length = snprintf(out, size, "%s\\%c\\%s", kFilesFolderName, letter & ~0x20, path + 3);
    else if (path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.' && path[2] != '\0')
        length = snprintf(out, size, "%s\\UNC\\%s", kFilesFolderName, path + 2);
    if (length <= 0 || (size_t)length >= size) return 0;
    // A trailing backslash would name the same folder twice in the manifest.
    while (length > 0 && out[length - 1] == '\\') out[--length] = '\0';
    return 1;
}

// The D or F line of walk->source. Info is WIN32_FILE_ATTRIBUTE_DATA or WIN32_FIND_DATAA, which
// name the attributes and times alike.
// A file's line ends with the SHA-256 of its copy (hash); a folder's has none.
template <typename Info>
void PutEntryLine(CopyWalk* walk, const char* tag, const Info& info, ULONGLONG size, const char* hash = NULL)
{
    OutputFile* out = walk->manifest;
    BeginLine(out, tag);
    PutNumberField(out, info.dwFileAttributes);
    PutTimeField(out, info.ftCreationTime);
    PutTimeField(out, info.ftLastAccessTime);
    PutTimeField(out, info.ftLastWriteTime);
    PutSizeField(out, size);
    PutTextField(out, walk->source);
    PutTextField(out, walk->copy + walk->relative);
    if (hash != NULL) PutTextField(out, hash);
    EndLine(out);
}

// Opens walk->source as itself (a link is opened as the link) for reading, and checks it is the
// entry the walk expects: a file or a folder as asked, no reparse point, and for the item itself
// the path the guard allowed. A folder is opened without sharing its deletion: while it is open
// neither it nor a folder holding it can be renamed, so the paths below it stay its own.
HANDLE OpenChecked(CopyWalk* walk, uint8_t folder)
{
    HANDLE handle = CreateFileA(walk->source, GENERIC_READ, folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ,
                                NULL, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    BY_HANDLE_FILE_INFORMATION info;
    char final[kPathSize];
    uint8_t ok = GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                 ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0) == folder;
    if (ok && walk->resolved[0] != '\0' && HandleFinalPath(handle, final, sizeof final))
        ok = CompareNoCase(final, walk->resolved) == 0;
    walk->resolved[0] = '\0';
    if (!ok) {
        CloseHandle(handle);
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return INVALID_HANDLE_VALUE;
    }
    if (folder && g_treeWalkChecked != NULL) g_treeWalkChecked(walk->source);
    return handle;
}

// Copies walk->source to walk->copy whole, hashing the bytes, and flushes the copy, which must
// be a new file. A file another process holds without sharing its reading cannot be copied, and
// so is not deleted either.
uint8_t CopyWhole(CopyWalk* walk, ULONGLONG* copied, char hash[kSha256HexSize])
{
    HANDLE in = OpenChecked(walk, 0);
    if (in == INVALID_HANDLE_VALUE) return 0;
    HANDLE out = CreateFileA(walk->copy, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    LARGE_INTEGER size;
    Sha256 sum;
    BeginSha256(&sum);
    uint8_t ok = out != INVALID_HANDLE_VALUE && GetFileSizeEx(in, &size) ? 1 : 0;
    ULONGLONG total = 0;
    while (ok) {
        DWORD read = 0, written = 0;
        if (!ReadFile(in, walk->block, kCopyBlockSize, &read, NULL)) ok = 0;
        else if (read == 0) break;
        else if (!WriteFile(out, walk->block, read, &written, NULL) || written != read) ok = 0;
        else total += read;
        if (ok) AddSha256(&sum, walk->block, read);
    }
    if (ok && (total != (ULONGLONG)size.QuadPart || !FlushFileBuffers(out))) ok = 0;
    if (!EndSha256(&sum, hash)) ok = 0;
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    CloseHandle(in);
    *copied = total;
    return ok;
}

uint8_t Append(char* path, size_t* length, const char* name)
{
    const size_t added = strlen(name) + 1;
    if (*length + added + 1 > (size_t)kBackupPathSize) return 0;
    path[*length] = '\\';
    memcpy(path + *length + 1, name, added);
    *length += added;
    return 1;
}

uint8_t SaveFolderContents(CopyWalk* walk, int depth);

// The entry at walk->source (info: its attributes and times) copied to walk->copy: a file whole,
// or a folder with everything in it.
template <typename Info>
uint8_t SaveEntry(CopyWalk* walk, const Info& info, int depth)
{
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ULONGLONG size = 0;
        char hash[kSha256HexSize];
        if (!CopyWhole(walk, &size, hash)) return 0;
        PutEntryLine(walk, kFileTag, info, size, hash);
        return 1;
    }
    if (depth > 64) return 0;
    HANDLE held = OpenChecked(walk, 1);
    if (held == INVALID_HANDLE_VALUE) return 0;
    CreateDirectoryA(walk->copy, NULL);
    const DWORD made = GetFileAttributesA(walk->copy);
    uint8_t ok = made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    if (ok) {
        PutEntryLine(walk, kFolderTag, info, 0);
        ok = SaveFolderContents(walk, depth);
    }
    CloseHandle(held);
    return ok;
}

// Everything in the folder at walk->source, its own line already written.
uint8_t SaveFolderContents(CopyWalk* walk, int depth)
{
    size_t sourceLength = strlen(walk->source);
    size_t copyLength = strlen(walk->copy);
    if (sourceLength + 3 > (size_t)kBackupPathSize) return 0;
    memcpy(walk->source + sourceLength, "\\*", 3);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(walk->source, &found);
    walk->source[sourceLength] = '\0';
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
    uint8_t ok = 1;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        size_t s = sourceLength, c = copyLength;
        // A link's target is not the folder's to lose, and a link cannot be made again here:
        // such a folder is not backed up, and so not deleted.
        ok = !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && Append(walk->source, &s, found.cFileName) &&
             Append(walk->copy, &c, found.cFileName) && SaveEntry(walk, found, depth + 1);
        walk->source[sourceLength] = '\0';
        walk->copy[copyLength] = '\0';
    } while (ok && FindNextFileA(search, &found));
    if (ok && GetLastError() != ERROR_NO_MORE_FILES) ok = 0;
    FindClose(search);
    return ok;
}

// 1 when inner is outer or lies below it (case-insensitive).
uint8_t Encloses(const char* outer, const char* inner)
{
    const size_t length = strlen(outer);
    if (length == 0 || strlen(inner) < length) return 0;
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, outer, (int)length, inner, (int)length) != CSTR_EQUAL)
        return 0;
    return inner[length] == '\0' || inner[length] == '\\' || outer[length - 1] == '\\' ? 1 : 0;
}

SaveResult SaveFileOrFolder(BackupSession* session, const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kSaveMissing : kSaveFailed;
    }
    // A link is not copied as what it points to; a folder holding the backup cannot be copied
    // into itself.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return kSaveFailed;
    if (Encloses(path, session->folder)) return kSaveFailed;

    CopyWalk* walk = (CopyWalk*)LocalAlloc(LMEM_FIXED, sizeof(CopyWalk));
    if (walk == NULL) return kSaveFailed;
    walk->manifest = &session->manifest;
    walk->relative = strlen(session->folder);
    char mirror[kBackupPathSize];
    uint8_t ok = strlen(path) < sizeof walk->source && MirrorPath(path, mirror, sizeof mirror) &&
                 walk->relative + strlen(mirror) < sizeof walk->copy ? 1 : 0;
    if (ok) {
        lstrcpynA(walk->source, path, sizeof walk->source);
        ok = ExpectedFinalPath(path, walk->resolved, sizeof walk->resolved);
    }
    if (ok) {
        snprintf(walk->copy, sizeof walk->copy, "%s%s", session->folder, mirror);
        CreateParentFolders(walk->copy, walk->relative);
        ok = SaveEntry(walk, info, 0);
    }
    LocalFree(walk);
    return ok ? kSaved : kSaveFailed;
}

// A driver package that the platform's removal will take: what publishing it again needs. From
// Vista on that is its folder in the driver store, copied whole (INF, catalog, files); the P line
// says which form the backup took.
SaveResult SaveDriverPackage(BackupSession* session, const FoundItem& item)
{
    char storeFolder[kPathSize], storeInf[kPathSize];
    const uint8_t inStore = FindDriverStoreFolder(item.path, storeFolder, sizeof storeFolder, storeInf, sizeof storeInf);
    OutputFile* out = &session->manifest;
    BeginLine(out, kPackageTag);
    PutTextField(out, inStore ? kPackageStoreForm : kPackageFilesForm);
    PutTextField(out, FileNamePart(item.path));
    PutTextField(out, inStore ? storeFolder : "");
    PutTextField(out, inStore ? storeInf : "");
    EndLine(out);
    return inStore ? SaveFileOrFolder(session, storeFolder) : kSaved;
}

}  // namespace

uint8_t BackupFileItem(BackupSession* session, const FoundItem& item)
{
    OutputFile* out = &session->manifest;
    char number[16], why[kWhyTextSize];
    snprintf(number, sizeof number, "%ld", (long)session->itemNumber);
    BeginLine(out, kItemTag);
    PutTextField(out, number);
    PutTextField(out, item.path);
    PutTextField(out, FormatItemWhy(&item, why, sizeof why));
    PutNumberField(out, item.whyKind);
    PutNumberField(out, (DWORD)item.whyRow);
    EndLine(out);
    const LONGLONG header = out->pending;
    uint8_t ok = 1;
    if (item.serviceName != NULL) ok = SaveService(out, item.serviceName) != kSaveFailed;
    SaveResult saved = kSaveMissing;
    if (ok && item.path != NULL) {
        saved = SaveFileOrFolder(session, item.path);
        ok = saved != kSaveFailed;
    }
    if (ok && saved == kSaved && IsDriverPackageItem(item) && PackageRemovalAvailable())
        ok = SaveDriverPackage(session, item) == kSaved;
    return FinishItem(out, header, ok);
}
