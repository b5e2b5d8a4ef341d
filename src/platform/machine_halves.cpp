// Which halves of the machine this process can reach, and the calls that reach the other one.
#include "platform/machine_halves.h"
#include <string.h>
#include "platform/ascii_case.h"
#include "platform/path_ops.h"

int32_t g_machineHalves = kOneHalf;

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO);
typedef UINT(WINAPI* GetSystemWow64DirectoryFn)(LPSTR, UINT);
typedef LONG(WINAPI* RegDeleteKeyExAFn)(HKEY, LPCSTR, REGSAM, DWORD);
typedef LONG(WINAPI* NtQueryKeyFn)(HANDLE, int, PVOID, ULONG, PULONG);

const int kKeyNameInformation = 3;
const WORD kArchitectureArm64 = 12;

// Through void*: a FARPROC cast straight to another function type is refused by the warnings.
static void* Export(const char* module, const char* name)
{
    HMODULE handle = GetModuleHandleA(module);
    return handle ? reinterpret_cast<void*>(GetProcAddress(handle, name)) : NULL;
}

int32_t DetectMachineHalves()
{
    g_machineHalves = kOneHalf;
    IsWow64ProcessFn isWow64 = (IsWow64ProcessFn)Export("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) {
        g_machineHalves = kOtherHalfNative;
        return g_machineHalves;
    }
    // Not under WOW64 on a machine whose processor is 64-bit: this is a 64-bit process on the
    // native half, which has a 32-bit half where the system carries WOW64 (a SysWOW64 folder).
    GetNativeSystemInfoFn nativeInfo = (GetNativeSystemInfoFn)Export("kernel32.dll", "GetNativeSystemInfo");
    GetSystemWow64DirectoryFn wow64Folder = (GetSystemWow64DirectoryFn)Export("kernel32.dll", "GetSystemWow64DirectoryA");
    if (nativeInfo == NULL || wow64Folder == NULL) return g_machineHalves;
    SYSTEM_INFO info;
    memset(&info, 0, sizeof info);
    nativeInfo(&info);
    const WORD arch = info.wProcessorArchitecture;
    if (arch != PROCESSOR_ARCHITECTURE_AMD64 && arch != PROCESSOR_ARCHITECTURE_IA64 && arch != kArchitectureArm64) {
        return g_machineHalves;
    }
    char folder[kPathSize];
    const UINT length = wow64Folder(folder, sizeof folder);
    if (length > 0 && length < sizeof folder) g_machineHalves = kOtherHalf32;
    return g_machineHalves;
}

int32_t RegistryViewCount()
{
    return g_machineHalves == kOneHalf ? 1 : 2;
}

REGSAM RegistryViewFlag(uint8_t view)
{
    if (view != kViewOther) return 0;
    if (g_machineHalves == kOtherHalfNative) return KEY_WOW64_64KEY;
    if (g_machineHalves == kOtherHalf32) return KEY_WOW64_32KEY;
    return 0;
}

uint8_t RegistryViewIs64Bit(uint8_t view)
{
    if (g_machineHalves == kOtherHalfNative) return view == kViewOther;
    if (g_machineHalves == kOtherHalf32) return view != kViewOther;
    return 0;
}

uint8_t NativeNameView()
{
    return RegistryViewIs64Bit(kViewOther) ? kViewOther : kViewOwn;
}

LONG OpenKeyInView(const KeyInView& key, REGSAM access, HKEY* opened)
{
    return RegOpenKeyExA(key.hive, key.path, 0, access | RegistryViewFlag(key.view), opened);
}

LONG DeleteKeyInView(const KeyInView& key)
{
    const REGSAM flag = RegistryViewFlag(key.view);
    if (flag == 0) return RegDeleteKeyA(key.hive, key.path);
    RegDeleteKeyExAFn deleteEx = (RegDeleteKeyExAFn)Export("advapi32.dll", "RegDeleteKeyExA");
    if (deleteEx == NULL) return ERROR_CALL_NOT_IMPLEMENTED;
    return deleteEx(key.hive, key.path, flag, 0);
}

uint8_t KeyKernelName(HKEY key, char* out, int size)
{
    if (out == NULL || size <= 0) return 0;
    out[0] = '\0';
    NtQueryKeyFn query = (NtQueryKeyFn)Export("ntdll.dll", "NtQueryKey");
    if (query == NULL || key == NULL) return 0;
    // KEY_NAME_INFORMATION: a ULONG byte length, then the name in UTF-16 without a terminator.
    ULONG buffer[1 + 1024];
    ULONG needed = 0;
    if (query((HANDLE)key, kKeyNameInformation, buffer, sizeof buffer, &needed) != 0) return 0;
    const int characters = (int)(buffer[0] / sizeof(WCHAR));
    if (characters <= 0 || characters > 2048) return 0;
    const int written = WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)(buffer + 1), characters, out, size - 1, NULL, NULL);
    if (written <= 0) return 0;
    out[written] = '\0';
    return 1;
}

uint8_t KeyDiffersInOtherView(HKEY root, const char* path)
{
    if (RegistryViewCount() < 2) return 0;
    HKEY other = NULL;
    if (OpenKeyInView({root, path, kViewOther}, KEY_QUERY_VALUE, &other) != ERROR_SUCCESS) return 0;
    const uint8_t differs = OpenKeyDiffersFromOwnView(other, root, path);
    RegCloseKey(other);
    return differs;
}

uint8_t OpenKeyDiffersFromOwnView(HKEY other, HKEY root, const char* path)
{
    if (RegistryViewCount() < 2 || other == NULL) return 0;
    HKEY own = NULL;
    uint8_t differs = 1;
    if (OpenKeyInView({root, path, kViewOwn}, KEY_QUERY_VALUE, &own) == ERROR_SUCCESS) {
        char ownName[1024];
        char otherName[1024];
        // A name that cannot be had is taken for a shared key: listing it once is the safe side.
        differs = KeyKernelName(own, ownName, sizeof ownName) && KeyKernelName(other, otherName, sizeof otherName) &&
                  !AsciiEqualNoCase(ownName, otherName);
        RegCloseKey(own);
    }
    return differs;
}

uint8_t OtherSystemFolder(char* out)
{
    out[0] = '\0';
    if (g_machineHalves == kOneHalf) return 0;
    char windows[kPathSize];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return 0;
    StripBackslash(windows);
    const char* name = g_machineHalves == kOtherHalfNative ? "Sysnative" : "SysWOW64";
    if (FormatFits(out, kPathSize, "%s\\%s", windows, name)) return 1;
    out[0] = '\0';
    return 0;
}

static uint8_t OtherFolderVariable(const char* nativeName, const char* name32, const char* ownName, char* out)
{
    out[0] = '\0';
    if (g_machineHalves == kOneHalf) return 0;
    const char* name = g_machineHalves == kOtherHalfNative ? nativeName : name32;
    const DWORD length = GetEnvironmentVariableA(name, out, kPathSize);
    char own[kPathSize];
    const DWORD ownLength = GetEnvironmentVariableA(ownName, own, sizeof own);
    if (length == 0 || length >= kPathSize || (ownLength > 0 && ownLength < sizeof own && AsciiEqualNoCase(own, out))) {
        out[0] = '\0';
        return 0;
    }
    StripBackslash(out);
    return 1;
}

uint8_t OtherProgramFiles(char* out)
{
    return OtherFolderVariable("ProgramW6432", "ProgramFiles(x86)", "ProgramFiles", out);
}

uint8_t OtherCommonFiles(char* out)
{
    return OtherFolderVariable("CommonProgramW6432", "CommonProgramFiles(x86)", "CommonProgramFiles", out);
}
