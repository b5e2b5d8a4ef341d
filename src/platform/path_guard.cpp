// The path guard: canonical form, then refusal of protected folders and everything above them.
// Comparing texts is not enough: "C:\x\..\windows", "C:/windows/system32", "C:\windows\." and
// a short name all name the Windows folder, so every form is resolved before it is compared.
#include "platform/path_guard.h"
#include <windows.h>
#include <string.h>
#include "platform/path_ops.h"
#include "platform/protected_folders.h"
#include "platform/registry_access.h"

const int kMaxProtected = 512;
static char s_protected[kMaxProtected][kPathSize];
static int s_protectedCount = -1;  // built on first use; the folders do not move during a run

// 1 when offset is the start of a character of text, not the second byte of a double-byte one
// (a trailing byte 92 is no backslash).
static uint8_t IsCharStart(const char* text, size_t offset)
{
    size_t i = 0;
    while (i < offset && text[i] != '\0') {
        i += (IsDBCSLeadByte((BYTE)text[i]) && text[i + 1] != '\0') ? 2 : 1;
    }
    return i == offset ? 1 : 0;
}

// Offset of the last backslash that is a character of its own, or -1.
static int LastSeparator(const char* text)
{
    int last = -1;
    for (int i = 0; text[i] != '\0';) {
        if (text[i] == '\\') last = i;
        i += (IsDBCSLeadByte((BYTE)text[i]) && text[i + 1] != '\0') ? 2 : 1;
    }
    return last;
}

static uint8_t IsAsciiLetter(char c)
{
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) ? 1 : 0;
}

// Length of the root of a canonical path: 3 for "X:\", the end of the share for
// "\\server\share"; 0 when there is no root.
static size_t RootLength(const char* path)
{
    if (IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') return 3;
    if (path[0] != '\\' || path[1] != '\\') return 0;
    const char* server = path + 2;
    const char* share = strchr(server, '\\');
    if (share == NULL) return strlen(path);
    const char* end = strchr(share + 1, '\\');
    return end ? (size_t)(end - path) : strlen(path);
}

uint8_t CanonicalPath(const char* path, char* out, int size)
{
    if (path == NULL || out == NULL || size <= 0 || path[0] == '\0') return 0;
    char text[kPathSize];
    const size_t length = strlen(path);
    if (length >= sizeof text) return 0;
    memcpy(text, path, length + 1);
    // No double-byte character has 47 as its second byte, so this never splits one.
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '/') text[i] = '\\';
    }
    char unc[kPathSize];
    const char* start = text;
    if (strncmp(text, "\\\\?\\", 4) == 0 || strncmp(text, "\\??\\", 4) == 0) {
        if (_strnicmp(text + 4, "UNC\\", 4) == 0) {
            if (!FormatFits(unc, sizeof unc, "\\\\%s", text + 8)) return 0;
            start = unc;
        } else {
            start = text + 4;
        }
    }
    if (strpbrk(start, "*?") != NULL) return 0;
    // Only fully qualified paths: "X:\..." or "\\server\share...". A relative or drive-relative
    // text would be resolved against whatever the current folder happens to be, and "\\.\" or
    // "\\?\" left over name devices or volumes.
    const uint8_t drive = IsAsciiLetter(start[0]) && start[1] == ':' && start[2] == '\\';
    const uint8_t share = start[0] == '\\' && start[1] == '\\' && start[2] != '\0' &&
                          start[2] != '\\' && start[2] != '.' && start[2] != '?';
    if (!drive && !share) return 0;

    char full[kPathSize];
    const DWORD written = GetFullPathNameA(start, sizeof full, full, NULL);
    if (written == 0 || written >= sizeof full) return 0;
    size_t used = strlen(full);
    while (used > RootLength(full) && used > 0 && full[used - 1] == '\\' && IsCharStart(full, used - 1)) {
        full[--used] = '\0';
    }
    if (used >= (size_t)size) return 0;
    memcpy(out, full, used + 1);
    return 1;
}

typedef DWORD(WINAPI* FinalPathQuery)(HANDLE, LPSTR, DWORD, DWORD);

// Absent before Windows Vista: there only the attributes tell links apart.
static FinalPathQuery FinalPathFunction()
{
    static const FinalPathQuery query = reinterpret_cast<FinalPathQuery>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    return query;
}

uint8_t FinalPath(const char* path, char* out, int size)
{
    if (FinalPathFunction() == NULL || path == NULL) return 0;
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    const uint8_t found = HandleFinalPath(handle, out, size);
    CloseHandle(handle);
    return found;
}

uint8_t HandleFinalPath(void* handle, char* out, int size)
{
    const FinalPathQuery query = FinalPathFunction();
    if (query == NULL) return 0;
    char text[kPathSize + 16];
    const DWORD length = query(handle, text, sizeof text, 0);
    if (length == 0 || length >= sizeof text) return 0;
    return CanonicalPath(text, out, size);
}

uint8_t ExpectedFinalPath(const char* canonical, char* out, int size)
{
    if (out == NULL || size <= 0) return 0;
    out[0] = '\0';
    char folder[kPathSize];
    char resolved[kPathSize];
    const char* name = NULL;
    if (!SplitFolder(canonical, folder, sizeof folder, &name) || !FinalPath(folder, resolved, sizeof resolved)) return 1;
    if (FormatFits(out, size, "%s\\%s", resolved, name) && CanonicalPath(out, out, size)) return 1;
    out[0] = '\0';
    return 0;
}

uint8_t LongHead(const char* full, char* longHead, int size, size_t* cut)
{
    char head[kPathSize];
    lstrcpynA(head, full, sizeof head);
    size_t end = strlen(head);
    while (end > RootLength(full)) {
        const DWORD length = GetLongPathNameA(head, longHead, (DWORD)size);
        if (length > 0 && length < (DWORD)size) {
            *cut = end;
            return 1;
        }
        const int separator = LastSeparator(head);
        if (separator < 0) break;
        end = (size_t)separator;
        head[end] = '\0';
    }
    return 0;
}

// The long form of a canonical path; for a path that does not exist, the long form of the
// nearest folder above that does, followed by the rest as written.
static uint8_t LongForm(const char* full, char* out, int size)
{
    char head[kPathSize];
    size_t cut = 0;
    if (!LongHead(full, head, sizeof head, &cut)) return 0;
    return JoinLongForm(head, full + cut, out, size);
}

uint8_t JoinLongForm(const char* longHead, const char* rest, char* out, int size)
{
    return FormatFits(out, size, "%s%s", longHead, rest) ? CanonicalPath(out, out, size) : 0;
}

uint8_t SplitFolder(const char* canonical, char* folder, int size, const char** name)
{
    const int separator = LastSeparator(canonical);
    const size_t root = RootLength(canonical);
    if (separator < 0 || (size_t)separator + 1 < root || canonical[separator + 1] == '\0') return 0;
    // The folder of "C:\x" is "C:\", not "C:" (which would mean the current folder on C:).
    const size_t length = (size_t)separator < root ? root : (size_t)separator;
    if (length >= (size_t)size) return 0;
    memcpy(folder, canonical, length);
    folder[length] = '\0';
    *name = canonical + separator + 1;
    return 1;
}

static uint8_t IsRoot(const char* canonical)
{
    return strlen(canonical) <= RootLength(canonical) ? 1 : 0;
}

// 1 when path (canonical) is folder or lies above it, compared without regard to case.
static uint8_t Covers(const char* path, const char* folder)
{
    const size_t length = strlen(path);
    if (length == 0 || length > strlen(folder)) return 0;
    if (folder[length] != '\0' && (folder[length] != '\\' || !IsCharStart(folder, length))) return 0;
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path, (int)length, folder,
                          (int)length) == CSTR_EQUAL ? 1 : 0;
}

static void AddOne(const char* canonical)
{
    if (canonical[0] == '\0' || s_protectedCount >= kMaxProtected) return;
    for (int i = 0; i < s_protectedCount; i++) {
        if (lstrcmpiA(s_protected[i], canonical) == 0) return;
    }
    lstrcpynA(s_protected[s_protectedCount++], canonical, kPathSize);
}

// Adds base\sub in every form it has: as written, long, and with its links resolved.
static void AddProtected(const char* base, const char* sub)
{
    if (base == NULL || base[0] == '\0') return;
    char path[kPathSize];
    const uint8_t fits = (sub != NULL && sub[0] != '\0') ? FormatFits(path, sizeof path, "%s\\%s", base, sub)
                                                        : FormatFits(path, sizeof path, "%s", base);
    if (!fits) return;
    char form[kPathSize];
    if (!CanonicalPath(path, form, sizeof form)) return;
    AddOne(form);
    char other[kPathSize];
    if (LongForm(form, other, sizeof other)) AddOne(other);
    if (FinalPath(form, other, sizeof other)) AddOne(other);
}

static const char kProfileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A folder value of the ProfileList key (or of one of its subkeys), environment expanded.
static uint8_t ProfileFolder(HKEY key, const char* valueName, char* out, DWORD size)
{
    char raw[kPathSize];
    if (!ReadStringValue(key, valueName, raw, sizeof raw) || raw[0] == '\0') return 0;
    const DWORD length = ExpandEnvironmentStringsA(raw, out, size);
    return (length > 0 && length <= size) ? 1 : 0;
}

// Every user profile the machine knows, with the folders inside it that hold the user's data.
static void AddEveryProfile()
{
    HKEY list = OpenKeyForRead(HKEY_LOCAL_MACHINE, kProfileListKey);
    if (list == NULL) return;
    char name[256];
    for (DWORD index = 0; EnumSubkeyName(list, index, name); index++) {
        HKEY profile = OpenKeyForRead(list, name);
        if (profile == NULL) continue;
        char folder[kPathSize];
        if (ProfileFolder(profile, "ProfileImagePath", folder, sizeof folder)) {
            for (int i = 0; kProfileSubfolders[i] != NULL; i++) AddProtected(folder, kProfileSubfolders[i]);
        }
        RegCloseKey(profile);
    }
    RegCloseKey(list);
}

typedef UINT(WINAPI* Wow64DirectoryQuery)(LPSTR, UINT);

static uint8_t SourceFolder(const ProtectedFolder& row, char* out)
{
    out[0] = '\0';
    UINT length = 0;
    switch (row.source) {
    case kProtectedWindows:
        length = GetWindowsDirectoryA(out, kPathSize);
        return length > 0 && length < (UINT)kPathSize;
    case kProtectedSystem:
        length = GetSystemDirectoryA(out, kPathSize);
        return length > 0 && length < (UINT)kPathSize;
    case kProtectedSystemWow64: {
        // Present from Windows XP on; it fails on 32-bit Windows, which has no such folder.
        const Wow64DirectoryQuery query = reinterpret_cast<Wow64DirectoryQuery>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemWow64DirectoryA")));
        if (query == NULL) return 0;
        length = query(out, kPathSize);
        return length > 0 && length < (UINT)kPathSize;
    }
    case kProtectedShell:
        return SpecialFolderPath(row.csidl, out);
    case kProtectedShellParent: {
        if (!SpecialFolderPath(row.csidl, out)) return 0;
        StripBackslash(out);
        const int separator = LastSeparator(out);
        if (separator <= 0) return 0;
        out[separator] = '\0';
        return 1;
    }
    case kProtectedEnvironment:
        length = GetEnvironmentVariableA(row.name, out, kPathSize);
        return length > 0 && length < (UINT)kPathSize;
    case kProtectedProfileList: {
        HKEY list = OpenKeyForRead(HKEY_LOCAL_MACHINE, kProfileListKey);
        if (list == NULL) return 0;
        const uint8_t found = ProfileFolder(list, row.name, out, kPathSize);
        RegCloseKey(list);
        return found;
    }
    default:
        return 0;
    }
}

static void BuildProtectedFolders()
{
    s_protectedCount = 0;
    for (int i = 0; kProtectedFolders[i].source != kProtectedEnd; i++) {
        char folder[kPathSize];
        if (SourceFolder(kProtectedFolders[i], folder)) AddProtected(folder, kProtectedFolders[i].subPath);
    }
    AddEveryProfile();
}

uint8_t CoversProtectedFolder(const char* canonical)
{
    if (s_protectedCount < 0) BuildProtectedFolders();
    if (canonical == NULL || canonical[0] == '\0' || IsRoot(canonical)) return 1;
    for (int i = 0; i < s_protectedCount; i++) {
        if (Covers(canonical, s_protected[i])) return 1;
    }
    return 0;
}

// The guard's check; with answers, the folder's forms come from the caller when it has them,
// each giving what the direct call gives.
uint8_t PathGuardCheck(const char* path, char* canonical, int size, const GuardAnswers* answers)
{
    char full[kPathSize];
    if (!CanonicalPath(path, full, sizeof full)) return 0;
    // A share ("\\host\share", also spelt "\\?\UNC\") is never the clean-up's to delete: even
    // the look at it would connect to the host with the administrator's credentials.
    if (full[0] == '\\') return 0;
    if (CoversProtectedFolder(full)) return 0;
    char folder[kPathSize];
    const char* name = NULL;
    const uint8_t split = SplitFolder(full, folder, sizeof folder, &name);
    char form[kPathSize];
    char longForm[kPathSize] = "";
    uint8_t hasLong = 0;
    if (answers == NULL || !split || !answers->longForm(answers->context, folder, name, longForm, sizeof longForm, &hasLong))
        hasLong = LongForm(full, longForm, sizeof longForm);
    if (hasLong && CoversProtectedFolder(longForm)) return 0;
    // A link on the way ("C:\x\link\system32" with link pointing at the Windows folder) reaches
    // what its resolved form names: its folder followed, and the path itself followed (the
    // folder first: the search's check of the path itself opens the file).
    if (split) {
        char resolved[kPathSize];
        const uint8_t found = answers ? answers->folderFinal(answers->context, folder, resolved, sizeof resolved)
                                      : FinalPath(folder, resolved, sizeof resolved);
        if (found) {
            if (!FormatFits(form, sizeof form, "%s\\%s", resolved, name)) return 0;
            if (CanonicalPath(form, form, sizeof form) && CoversProtectedFolder(form)) return 0;
        }
    }
    const uint8_t followed = answers ? answers->fileFinal(answers->context, full, hasLong ? longForm : NULL, form, sizeof form)
                                     : FinalPath(full, form, sizeof form);
    if (followed && CoversProtectedFolder(form)) return 0;
    if (canonical != NULL) {
        // Short names in their long form, so that one object has one text; otherwise the text
        // keeps its own letter case (the long form would take the case found on disk). Only a long
        // form that was made canonical and checked above is ever recorded.
        const char* text = (hasLong && lstrcmpiA(longForm, full) != 0) ? longForm : full;
        if (size <= 0 || strlen(text) >= (size_t)size) return 0;
        lstrcpynA(canonical, text, size);
    }
    return 1;
}

uint8_t PathGuardAllows(const char* path, char* canonical, int size)
{
    return PathGuardCheck(path, canonical, size, NULL);
}
