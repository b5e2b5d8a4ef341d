// The two halves of a 64-bit Windows machine. A 32-bit program there (under WOW64) sees the
// 32-bit half unless it asks for the other: HKLM\SOFTWARE and parts of the classes resolve to
// their Wow6432Node copies, system32 is SysWOW64 and %ProgramFiles% is "Program Files (x86)";
// the native half is reached through KEY_WOW64_64KEY, %windir%\Sysnative and %ProgramW6432%.
// A 64-bit build sees the native half and reaches the 32-bit one through KEY_WOW64_32KEY,
// SysWOW64 and %ProgramFiles(x86)%. 32-bit Windows and Windows 9x have one half only.
#pragma once
#include <windows.h>
#include <stdint.h>

// Registry views as items and scans carry them: the process's own (no flag) or the other half.
const uint8_t kViewOwn = 0;
const uint8_t kViewOther = 1;

// A registry key in a view: below hive (a predefined root, or an open key), at path, in view
// (kViewOwn or kViewOther). The same path in the other view is another key.
struct KeyInView {
    HKEY hive;
    const char* path;
    uint8_t view;
};

const int32_t kOneHalf = 0;           // 32-bit Windows, Windows 9x, or not yet detected
const int32_t kOtherHalfNative = 1;   // this 32-bit process runs under WOW64
const int32_t kOtherHalf32 = 2;       // this 64-bit process; the other half is the 32-bit one

// Set once at start-up by DetectMachineHalves; kOneHalf until then.
extern int32_t g_machineHalves;

// IsWow64Process and GetNativeSystemInfo, both loaded dynamically (absent on Windows 9x and
// early NT). Sets g_machineHalves and returns it.
int32_t DetectMachineHalves();

// 2 on a machine with two halves, else 1: the registry views a search walks.
int32_t RegistryViewCount();
// The flag that opens a key in the view: 0 for the own view, KEY_WOW64_64KEY or KEY_WOW64_32KEY
// for the other one (0 where there is no other half).
REGSAM RegistryViewFlag(uint8_t view);
// 1 when keys opened in the view are the machine's 64-bit ones.
uint8_t RegistryViewIs64Bit(uint8_t view);
// The view of the machine's native (64-bit) keys: the own view of a 64-bit process, the other
// view of a 32-bit one under WOW64; the own view with one half. Native names (a 32-bit key
// under its Wow6432Node name) open there.
uint8_t NativeNameView();

// RegOpenKeyExA of the key in its view.
LONG OpenKeyInView(const KeyInView& key, REGSAM access, HKEY* opened);
// RegDeleteKeyA of the key in its view: RegDeleteKeyExA (loaded dynamically) in the other view,
// RegDeleteKeyA in the own one.
LONG DeleteKeyInView(const KeyInView& key);

// The key's name as the kernel reports it (NtQueryKey, KeyNameInformation, loaded dynamically),
// in the ANSI code page: "\REGISTRY\MACHINE\SOFTWARE\Wow6432Node\..." for a redirected key. The
// same name from both views means one key shared between them. 0 when it cannot be had.
uint8_t KeyKernelName(HKEY key, char* out, int size);
// 1 when root\path opens in the other view as a key of its own: it opens there and either does
// not open in the own view or has another kernel name there. 0 on a machine with one half.
uint8_t KeyDiffersInOtherView(HKEY root, const char* path);
// The same for root\path already open in the other view (other, with KEY_QUERY_VALUE).
uint8_t OpenKeyDiffersFromOwnView(HKEY other, HKEY root, const char* path);

// The other half's system folder as this process must spell it: %windir%\Sysnative under
// WOW64, %windir%\SysWOW64 for a 64-bit process (out: 260 bytes). 0 with one half.
uint8_t OtherSystemFolder(char* out);
// The other half's Program Files (%ProgramW6432% or %ProgramFiles(x86)%) and its Common Files
// (%CommonProgramW6432% or %CommonProgramFiles(x86)%), from the environment (out: 260 bytes).
// 0 with one half, or when the variable is unset or the same as this process's own folder.
uint8_t OtherProgramFiles(char* out);
uint8_t OtherCommonFiles(char* out);
