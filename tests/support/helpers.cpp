// Test helpers shared by every test executable.
#include "support/helpers.h"
#include <gtest/gtest.h>
#include <sddl.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "app/startup.h"
#include "clean/backup.h"
#include "clean/restore.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

void InitProcessValuesForTest()
{
    g_platformKind = QueryPlatformKind();
    GetSystemDirectoryA(g_systemDirectory, sizeof g_systemDirectory);
    AppendBackslash(g_systemDirectory, sizeof g_systemDirectory);
    GetWindowsDirectoryA(g_windowsDirectory, sizeof g_windowsDirectory);
    AppendBackslash(g_windowsDirectory, sizeof g_windowsDirectory);
}

static uint8_t DeleteTreeOpen(HKEY parent, const char* name, uint8_t view)
{
    HKEY key = NULL;
    if (OpenKeyInView({parent, name, view}, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char child[512];
        char last[512] = "";
        for (;;) {
            DWORD length = sizeof child;
            if (RegEnumKeyExA(key, 0, child, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
            // A child still listed after its deletion reported success would be tried forever
            // (Wine showed one below Control\Video, as "not found" to open and delete).
            if (lstrcmpiA(child, last) == 0) break;
            lstrcpynA(last, child, sizeof last);
            if (!DeleteTreeOpen(key, child, view)) break;
        }
        RegCloseKey(key);
    }
    const LONG rc = DeleteKeyInView({parent, name, view});
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

uint8_t DeleteTree(HKEY root, const std::string& path, uint8_t view)
{
    DeleteTreeOpen(root, path.c_str(), view);
    return KeyPresent(root, path, view) ? 0 : 1;
}

uint8_t KeyPresent(HKEY root, const std::string& path, uint8_t view)
{
    HKEY key = NULL;
    const LONG rc = OpenKeyInView({root, path.c_str(), view}, KEY_READ, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED ? 1 : 0;
}

uint8_t ValuePresent(HKEY root, const std::string& path, const char* valueName, uint8_t view)
{
    HKEY key = NULL;
    if (OpenKeyInView({root, path.c_str(), view}, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    const LONG rc = RegQueryValueExA(key, valueName, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

ScratchKey::ScratchKey(HKEY root, const std::string& path, uint8_t view) : root_(root), path_(path), view_(view)
{
    DeleteTree(root_, path_, view_);
    Create("");
}

ScratchKey::~ScratchKey()
{
    DeleteTree(root_, path_, view_);
}

std::string ScratchKey::Full(const std::string& relative) const
{
    return relative.empty() ? path_ : path_ + "\\" + relative;
}

uint8_t ScratchKey::Create(const std::string& relative, uint8_t volatileKey) const
{
    HKEY key = NULL;
    const DWORD options = volatileKey ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
    if (RegCreateKeyExA(root_, Full(relative).c_str(), 0, NULL, options, KEY_ALL_ACCESS | RegistryViewFlag(view_),
                        NULL, &key, NULL) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

uint8_t ScratchKey::SetBytes(const std::string& relative, const char* valueName, const void* data, DWORD size,
                             DWORD type) const
{
    HKEY key = NULL;
    if (RegCreateKeyExA(root_, Full(relative).c_str(), 0, NULL, 0, KEY_ALL_ACCESS | RegistryViewFlag(view_), NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return 0;
    const LONG rc = RegSetValueExA(key, valueName, 0, type, (const BYTE*)data, size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

uint8_t ScratchKey::SetString(const std::string& relative, const char* valueName, const std::string& data,
                              DWORD type) const
{
    return SetBytes(relative, valueName, data.c_str(), (DWORD)data.size() + 1, type);
}

uint8_t SetKeySecurity(HKEY root, const std::string& path, const char* sddl, uint8_t view, DWORD options)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL)) return 0;
    HKEY key = NULL;
    uint8_t ok = 0;
    if (RegOpenKeyExA(root, path.c_str(), options, WRITE_DAC | WRITE_OWNER | READ_CONTROL | RegistryViewFlag(view), &key) ==
        ERROR_SUCCESS) {
        SECURITY_INFORMATION what = 0;
        if (strstr(sddl, "O:")) what |= OWNER_SECURITY_INFORMATION;
        if (strstr(sddl, "D:")) what |= DACL_SECURITY_INFORMATION;
        ok = RegSetKeySecurity(key, what, descriptor) == ERROR_SUCCESS ? 1 : 0;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return ok;
}

std::string ModuleFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return path;
}

static uint8_t StartSelf(const std::string& arguments, PROCESS_INFORMATION* process)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    std::string line = std::string("\"") + exe + "\" " + arguments;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    return CreateProcessA(exe, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, process) ? 1 : 0;
}

HeldFile::HeldFile(const std::string& path, DWORD share) : release_(NULL), ok_(0)
{
    ZeroMemory(&process_, sizeof process_);
    static unsigned s_count = 0;
    char name[64];
    snprintf(name, sizeof name, "envsweep-test-held-%lu-%u", GetTickCount(), ++s_count);
    release_ = CreateEventA(NULL, TRUE, FALSE, name);
    std::string readyName = std::string(name) + "-ready";
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, readyName.c_str());
    if (StartSelf(std::string("--hold-file \"") + path + "\" " + name + " " + std::to_string(share), &process_)) {
        HANDLE waits[2] = {ready, process_.hProcess};
        ok_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0 ? 1 : 0;
    }
    CloseHandle(ready);
}

HeldFile::~HeldFile()
{
    if (release_) SetEvent(release_);
    if (process_.hProcess) {
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    if (release_) CloseHandle(release_);
}

ScopedFoundItems::ScopedFoundItems(int32_t capacity)
    : list_(CreateFoundItemList(capacity > 0 ? capacity : FoundItemCapacity())), saved_(g_foundItems),
      savedMask_(ProductSelection(-2, -1))
{
    g_foundItems = list_;
}

FoundItem& PushItem(int32_t itemClass, int32_t kind, HKEY hive, const std::string& path, const char* valueName,
                    const char* service)
{
    FoundItemList* list = g_foundItems;
    EXPECT_LT(list->count, list->capacity) << "the found-item list is full";
    FoundItem& item = list->items[list->count < list->capacity ? list->count++ : list->capacity - 1];
    item.Reset();
    item.itemClass = itemClass;
    item.ruleKind = kind;
    item.productIndex = 0;
    item.hive = hive;
    item.path = DuplicateString(path.c_str());
    item.valueName = DuplicateString(valueName);
    item.serviceName = DuplicateString(service);
    return item;
}

ScopedFoundItems::~ScopedFoundItems()
{
    g_foundItems = saved_;
    DestroyFoundItemList(list_);
    // The mask is restored bit pattern for bit pattern (ProductSelection(-2, -1) only reads).
    if (savedMask_ == 0xFFFFFFFFu) {
        ProductSelection(-2, 0);
        for (int i = 0; i < 32; i++) ProductSelection(i, 1);
    } else {
        ProductSelection(-2, (int32_t)savedMask_);
    }
}

uint8_t StartProcess(const char* application, const std::string& line, PROCESS_INFORMATION* process)
{
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(process, sizeof *process);
    return CreateProcessA(application, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, process) ? 1 : 0;
}

std::string ReadFileText(const std::string& path)
{
    char* text = NULL;
    DWORD length = 0;
    if (!LoadWholeFile(path.c_str(), &text, &length)) return std::string();
    const std::string result(text, length);
    LocalFree(text);
    return result;
}

// The started process's exit code once it ended (ended by force after the timeout:
// 0x7fffffff); its handles closed.
static DWORD WaitAndClose(PROCESS_INFORMATION* process, DWORD timeoutMs)
{
    DWORD code = 0x7fffffff;
    if (WaitForSingleObject(process->hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process->hProcess, &code);
    } else {
        TerminateProcess(process->hProcess, 0x7fffffff);
    }
    CloseHandle(process->hProcess);
    CloseHandle(process->hThread);
    return code;
}

DWORD RunEnvsweep(const std::string& arguments, DWORD timeoutMs)
{
    // ENVSWEEP_TEST_EXE (a Windows path) names another envsweep.exe: the 32-bit product run under
    // WOW64 beside a 64-bit test build, on a host that runs 32-bit programs.
    char other[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("ENVSWEEP_TEST_EXE", other, sizeof other);
    const std::string exe = length > 0 && length < sizeof other ? std::string(other) : ModuleFolder() + "envsweep.exe";
    PROCESS_INFORMATION process;
    if (!StartProcess(exe.c_str(), "\"" + exe + "\" " + arguments, &process)) return 0x7fffffff;
    return WaitAndClose(&process, timeoutMs);
}

DWORD RunCaptured(const std::string& program, const std::string& arguments, const std::string& folder,
                  std::string* out, std::string* err, DWORD timeoutMs)
{
    const std::string exe = ModuleFolder() + program;
    const std::string outPath = folder + "out.txt", errPath = folder + "err.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE outFile = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    HANDLE errFile = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    DWORD code = 0x7fffffff;
    if (outFile != INVALID_HANDLE_VALUE && errFile != INVALID_HANDLE_VALUE) {
        const std::string line = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = outFile;
        startup.hStdError = errFile;
        PROCESS_INFORMATION process;
        if (CreateProcessA(exe.c_str(), buffer.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
            code = WaitAndClose(&process, timeoutMs);
    }
    if (outFile != INVALID_HANDLE_VALUE) CloseHandle(outFile);
    if (errFile != INVALID_HANDLE_VALUE) CloseHandle(errFile);
    *out = ReadFileText(outPath);
    *err = ReadFileText(errPath);
    return code;
}

uint8_t RemoveTree(const std::string& path)
{
    std::string from = path;
    while (!from.empty() && from.back() == '\\') from.pop_back();
    if (GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES) return 1;
    std::vector<char> list(from.begin(), from.end());
    list.push_back('\0');
    list.push_back('\0');
    SHFILEOPSTRUCTA op;
    ZeroMemory(&op, sizeof op);
    op.wFunc = FO_DELETE;
    op.pFrom = list.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&op);
    return GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

ScratchFolder::ScratchFolder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "envsweep-test\\" + name + "\\";
    RemoveTree(path_);
    CreateDirectoryA((std::string(temp) + "envsweep-test").c_str(), NULL);
    CreateDirectoryA(path_.c_str(), NULL);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

uint8_t ScratchFolder::WriteFile(const std::string& relative, const std::string& content) const
{
    const std::string full = path_ + relative;
    for (size_t i = path_.size(); i < full.size(); i++) {
        if (full[i] == '\\') CreateDirectoryA(full.substr(0, i).c_str(), NULL);
    }
    HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    ::WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(file);
    return written == content.size() ? 1 : 0;
}

int RunHelperMode(int argc, char** argv)
{
    // --hold-file PATH EVENT [SHARE]: open PATH (without sharing; with SHARE other than 0 for
    // reading only, as a running program holds its DLL), signal EVENT-ready, wait for EVENT.
    if (argc >= 4 && strcmp(argv[1], "--hold-file") == 0) {
        const DWORD share = argc >= 5 ? (DWORD)strtoul(argv[4], NULL, 10) : 0;
        const DWORD access = share != 0 ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
        HANDLE file = CreateFileA(argv[2], access, share, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) return 2;
        HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(argv[3]) + "-ready").c_str());
        if (ready) SetEvent(ready);
        if (release) WaitForSingleObject(release, 300000);
        CloseHandle(file);
        return 0;
    }
    // --window: a window process that ends at once: one top-level window, its pending messages
    // handled, closed again.
    if (argc == 2 && strcmp(argv[1], "--window") == 0) {
        HWND window = CreateWindowExA(0, "STATIC", "envsweep test window", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                                      NULL, GetModuleHandleA(NULL), NULL);
        if (window == NULL) return 3;
        ShowWindow(window, SW_SHOWNOACTIVATE);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        DestroyWindow(window);
        return 0;
    }
    // -f -d NAME: the tests' stand-in for pnputil (run as a copy named pnputil.exe): deletes
    // %windir%\inf\NAME as pnputil's package removal would, and ends with 0.
    if (argc == 4 && strcmp(argv[1], "-f") == 0 && strcmp(argv[2], "-d") == 0) {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        return DeleteFileA((std::string(windows) + "\\inf\\" + argv[3]).c_str()) ? 0 : 1;
    }
    return -1;
}

std::string NewestBackupFolder()
{
    char root[kBackupPathSize], name[256];
    if (!BackupRoot(root, sizeof root) || !NewestBackupName(name, sizeof name)) return std::string();
    return std::string(root) + name + "\\";
}

uint8_t WriteWholeFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == text.size() ? 1 : 0;
}
