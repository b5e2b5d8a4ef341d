// Driver packages through the platform's own package removal and installation (setupapi, loaded
// from the system folder when needed: Windows 9x and early NT lack the calls), or the native
// pnputil where a 32-bit process on 64-bit Windows is refused them.
#include "clean/driver_packages.h"
#include <string.h>
#include "clean/file_removal.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "platform/ascii_case.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

namespace {

const DWORD kSuoiForceDelete = 0x0001;   // SUOI_FORCEDELETE: even while devices use the package
const DWORD kSpostPath = 1;              // SPOST_PATH: the media location is a folder
const DWORD kPnputilWaitMs = 120000;
const int kSavedPathSize = 1024;          // a saved INF lies deep in its backup folder

typedef BOOL(WINAPI* UninstallOemInfProc)(PCSTR, DWORD, PVOID);
typedef BOOL(WINAPI* CopyOemInfProc)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
typedef BOOL(WINAPI* StoreLocationProc)(PCSTR, PVOID, PCSTR, PSTR, DWORD, PDWORD);

// A setupapi function, the library loaded by its full path in the system folder (never found
// through the search order, which starts in the program's own folder). NULL where it is missing.
// Through void*: a FARPROC cast straight to another function type is refused by the warnings.
void* SetupApiProc(const char* name)
{
    static HMODULE s_setupApi = NULL;
    if (s_setupApi == NULL) {
        char path[kPathSize];
        if (!FormatFits(path, sizeof path, "%ssetupapi.dll", g_systemDirectory)) return NULL;
        s_setupApi = LoadLibraryA(path);
        if (s_setupApi == NULL) return NULL;
    }
    return reinterpret_cast<void*>(GetProcAddress(s_setupApi, name));
}

uint8_t UninstallThroughSetupApi(const char* name)
{
    UninstallOemInfProc uninstall = reinterpret_cast<UninstallOemInfProc>(SetupApiProc("SetupUninstallOEMInfA"));
    return uninstall != NULL && uninstall(name, kSuoiForceDelete, NULL) ? 1 : 0;
}

// %windir%\Sysnative\pnputil.exe -f -d <name>, hidden; 1 when it ran and reported success (0, or
// 3010 and 1641, which only add that a restart is due). Its texts are translated: never read.
uint8_t UninstallThroughPnputil(const char* name)
{
    char folder[kPathSize], program[kPathSize], line[2 * kPathSize];
    if (!OtherSystemFolder(folder) || !FormatFits(program, sizeof program, "%s\\pnputil.exe", folder)) return 0;
    if (!FormatFits(line, sizeof line, "\"%s\" -f -d \"%s\"", program, name)) return 0;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(program, line, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup, &process)) return 0;
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, kPnputilWaitMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code))
        code = 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0 || code == 3010 || code == 1641 ? 1 : 0;
}

// Splits a full path into its folder and its name.
uint8_t SplitPath(const char* path, char* folder, int folderSize, char* name, int nameSize)
{
    const char* last = FileNamePart(path);
    const int length = (int)(last - path);
    if (last == path || length >= folderSize || !FormatFits(name, nameSize, "%s", last)) return 0;
    lstrcpynA(folder, path, length);   // without the backslash before the name
    return 1;
}

// The FileRepository folder holding an INF with exactly infPath's content.
uint8_t SearchFileRepository(const char* infPath, char* storeFolder, int folderSize, char* storeInf, int infSize)
{
    char repository[kPathSize], pattern[kPathSize];
    if (!FormatFits(repository, sizeof repository, "%sDriverStore\\FileRepository", g_systemDirectory) ||
        !FormatFits(pattern, sizeof pattern, "%s\\*", repository))
        return 0;
    WIN32_FIND_DATAA folder;
    HANDLE folders = FindFirstFileA(pattern, &folder);
    if (folders == INVALID_HANDLE_VALUE) return 0;
    uint8_t found = 0;
    do {
        if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (folder.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            folder.cFileName[0] == '.')
            continue;
        char infs[kPathSize];
        if (!FormatFits(storeFolder, folderSize, "%s\\%s", repository, folder.cFileName) ||
            !FormatFits(infs, sizeof infs, "%s\\*.inf", storeFolder))
            continue;
        WIN32_FIND_DATAA inf;
        HANDLE files = FindFirstFileA(infs, &inf);
        if (files == INVALID_HANDLE_VALUE) continue;
        do {
            char candidate[kPathSize];
            found = !(inf.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    FormatFits(candidate, sizeof candidate, "%s\\%s", storeFolder, inf.cFileName) &&
                    SameFileContent(infPath, candidate) && FormatFits(storeInf, infSize, "%s", inf.cFileName);
        } while (!found && FindNextFileA(files, &inf));
        FindClose(files);
    } while (!found && FindNextFileA(folders, &folder));
    FindClose(folders);
    return found;
}

}  // namespace

uint8_t IsDriverPackageItem(const FoundItem& item)
{
    return item.itemClass == kItemClassFile && item.whyKind == kWhyInfRule && item.whyNote != NULL &&
                   item.path != NULL && AsciiEqualNoCase(FileNamePart(item.path), item.whyNote)
               ? 1
               : 0;
}

uint8_t PackageTookAlong(const FoundItem& item)
{
    if (item.itemClass != kItemClassFile || item.whyKind != kWhyInfRule || item.path == NULL || IsDriverPackageItem(item))
        return 0;
    if (!AsciiEqualNoCase(ExtensionPointer(item.path), ".pnf")) return 0;
    const DWORD attributes = GetFileAttributesA(item.path);
    return attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

uint8_t PackageRemovalAvailable()
{
    if (g_platformKind != 2) return 0;
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1) ? 1 : 0;
}

uint8_t FindDriverStoreFolder(const char* infPath, char* storeFolder, int folderSize, char* storeInf, int infSize)
{
    StoreLocationProc location = reinterpret_cast<StoreLocationProc>(SetupApiProc("SetupGetInfDriverStoreLocationA"));
    char stored[kPathSize];
    if (location != NULL && location(infPath, NULL, NULL, stored, sizeof stored, NULL) &&
        SplitPath(stored, storeFolder, folderSize, storeInf, infSize))
        return 1;
    return SearchFileRepository(infPath, storeFolder, folderSize, storeInf, infSize);
}

PackageRemoval RemoveDriverPackage(const char* infPath)
{
    if (!PackageRemovalAvailable()) return DeleteFileOrFolder(infPath) ? kPackageRemoved : kPackageNotRemoved;
    const char* name = FileNamePart(infPath);
    const uint8_t asked = g_machineHalves == kOtherHalfNative ? UninstallThroughPnputil(name) : UninstallThroughSetupApi(name);
    if (asked && GetFileAttributesA(infPath) == INVALID_FILE_ATTRIBUTES) return kPackageRemoved;
    return DeleteFileOrFolder(infPath) ? kPackageDeletedAsFiles : kPackageNotRemoved;
}

uint8_t ReinstallDriverPackage(const char* savedInf, char* published, int size)
{
    CopyOemInfProc copy = reinterpret_cast<CopyOemInfProc>(SetupApiProc("SetupCopyOEMInfA"));
    char media[kSavedPathSize], name[kPathSize], destination[kPathSize];
    if (copy == NULL || !SplitPath(savedInf, media, sizeof media, name, sizeof name)) return 0;
    PSTR component = NULL;
    if (!copy(savedInf, media, kSpostPath, 0, destination, sizeof destination, NULL, &component)) return 0;
    lstrcpynA(published, component != NULL ? component : FileNamePart(destination), size);
    return 1;
}
