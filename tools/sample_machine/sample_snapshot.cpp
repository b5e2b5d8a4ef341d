// Snapshots of the machine: every key and value of HKLM\Software, HKLM\System,
// HKLM\Hardware\ResourceMap, HKLM\Enum, HKCU and HKU, and
// every file and folder below the Windows folder, Program Files, the user profiles and
// ProgramData, one line each. On a 64-bit machine the registry is walked in the 64-bit view,
// where the 32-bit keys stand below Wow6432Node, and the folders by their native names.
#include "sample_machine.h"
#include <sddl.h>
#include <shlobj.h>
#include <string.h>
#include "platform/path_ops.h"

namespace {

const int kMaxDepth = 64;   // registry links could otherwise lead round in a circle

std::string TypeText(DWORD type)
{
    switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_LINK: return "REG_LINK";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_" + std::to_string(type);
    }
}

std::string DataText(DWORD type, const BYTE* data, DWORD size)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ || type == REG_LINK)
        return EscapeText((const char*)data, size);
    if (type == REG_DWORD && size == 4) {
        char text[16];
        snprintf(text, sizeof text, "0x%08lx", (unsigned long)*(const DWORD*)data);
        return text;
    }
    std::string hex;
    hex.reserve(size * 2);
    for (DWORD i = 0; i < size; i++) {
        char pair[4];
        snprintf(pair, sizeof pair, "%02x", data[i]);
        hex += pair;
    }
    return hex;
}

void Add(Snapshot* snapshot, const std::string& line)
{
    snapshot->lines[LineIdentity(line)] = line;
}

void WalkValues(HKEY key, const std::string& path, Snapshot* snapshot)
{
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &maxName, &maxData, NULL, NULL) !=
        ERROR_SUCCESS)
        return;
    std::vector<char> name(maxName + 2 > 16386 ? maxName + 2 : 16386);
    std::vector<BYTE> data(maxData * 2 + 16);
    for (DWORD index = 0;; index++) {
        DWORD nameLength = (DWORD)name.size();
        DWORD dataLength = (DWORD)data.size();
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name.data(), &nameLength, NULL, &type, data.data(), &dataLength);
        if (rc == ERROR_MORE_DATA) {
            data.resize(dataLength + 16);
            nameLength = (DWORD)name.size();
            dataLength = (DWORD)data.size();
            rc = RegEnumValueA(key, index, name.data(), &nameLength, NULL, &type, data.data(), &dataLength);
        }
        if (rc != ERROR_SUCCESS) break;
        Add(snapshot, "V\t" + path + "\t" + EscapeText(name.data(), nameLength) + "\t" + TypeText(type) + "\t" +
                          DataText(type, data.data(), dataLength));
    }
}

uint8_t IsLink(HKEY parent, const std::string& name)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | SampleKeyFlag(), &key) !=
        ERROR_SUCCESS)
        return 0;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, "SymbolicLinkValue", NULL, &type, NULL, NULL);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_LINK ? 1 : 0;
}

void WalkKey(HKEY key, const std::string& path, int depth, Snapshot* snapshot)
{
    Add(snapshot, "K\t" + path);
    WalkValues(key, path, snapshot);
    if (depth >= kMaxDepth) return;
    std::vector<std::string> children;
    char name[1024];
    for (DWORD index = 0;; index++) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        children.push_back(name);
    }
    for (size_t i = 0; i < children.size(); i++) {
        HKEY child = NULL;
        const std::string childPath = path + "\\" + children[i];
        if (IsLink(key, children[i])) {
            // Wine shares some keys between the 64-bit and the 32-bit view (Wow6432Node) through
            // registry links: the content is listed once, where the link points.
            Add(snapshot, "K\t" + childPath);
            continue;
        }
        if (SampleOpenKey(key, children[i].c_str(), KEY_READ, &child) == ERROR_SUCCESS) {
            WalkKey(child, childPath, depth + 1, snapshot);
            RegCloseKey(child);
        } else {
            // A key that refuses reading is listed without its content.
            Add(snapshot, "K\t" + childPath);
        }
    }
}

void WalkRoot(HKEY root, const char* path, const std::string& text, Snapshot* snapshot)
{
    HKEY key = NULL;
    if (SampleOpenKey(root, path, KEY_READ, &key) != ERROR_SUCCESS) return;
    WalkKey(key, text, 0, snapshot);
    RegCloseKey(key);
}

// The current user's key below HKEY_USERS, which is HKEY_CURRENT_USER.
std::string CurrentUserSid()
{
    HANDLE token = NULL;
    std::string text;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return text;
    BYTE buffer[512];
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        char* sid = NULL;
        if (ConvertSidToStringSidA(((TOKEN_USER*)buffer)->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    CloseHandle(token);
    return text;
}

void WalkUsers(Snapshot* snapshot)
{
    const std::string self = CurrentUserSid();
    HKEY users = HKEY_USERS;
    Add(snapshot, "K\tHKU");
    char name[1024];
    for (DWORD index = 0;; index++) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(users, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        // The current user's own key is HKEY_CURRENT_USER, listed once under that name.
        if (!self.empty() && lstrcmpiA(name, self.c_str()) == 0) continue;
        WalkRoot(users, name, std::string("HKU\\") + name, snapshot);
    }
}

void WalkFolder(const std::string& folder, int depth, Snapshot* snapshot)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> folders;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        const std::string path = folder + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Add(snapshot, "D\t" + path);
            // Links are listed, not followed.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) folders.push_back(path);
        } else {
            const unsigned long long size = ((unsigned long long)found.nFileSizeHigh << 32) | found.nFileSizeLow;
            Add(snapshot, "F\t" + path + "\t" + std::to_string(size));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (depth >= kMaxDepth) return;
    for (size_t i = 0; i < folders.size(); i++) WalkFolder(folders[i], depth + 1, snapshot);
}

std::string FolderOf(int csidl)
{
    char path[MAX_PATH] = "";
    if (!SpecialFolderPath(csidl, path)) return std::string();
    std::string text = path;
    if (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

uint8_t Contains(const std::string& outer, const std::string& inner)
{
    if (inner.size() < outer.size() || CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, outer.c_str(),
                                                      (int)outer.size(), inner.c_str(), (int)outer.size()) != 2)
        return 0;
    return inner.size() == outer.size() || inner[outer.size()] == '\\' ? 1 : 0;
}

}  // namespace

uint8_t TakeSnapshot(Snapshot* snapshot)
{
    snapshot->lines.clear();
    WalkRoot(HKEY_LOCAL_MACHINE, "Software", "HKLM\\Software", snapshot);
    WalkRoot(HKEY_LOCAL_MACHINE, "System", "HKLM\\System", snapshot);
    WalkRoot(HKEY_LOCAL_MACHINE, "Hardware\\ResourceMap", "HKLM\\Hardware\\ResourceMap", snapshot);
    // The Windows 9x family's enumerator: absent on the NT family, seeded for the rules that read it.
    WalkRoot(HKEY_LOCAL_MACHINE, "Enum", "HKLM\\Enum", snapshot);
    WalkRoot(HKEY_CURRENT_USER, "", "HKCU", snapshot);
    WalkUsers(snapshot);

    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string profiles = FolderOf(CSIDL_PROFILE);
    const size_t cut = profiles.find_last_of('\\');
    profiles = cut == std::string::npos ? std::string() : profiles.substr(0, cut);
    // The native Program Files and the 32-bit one as the description names them: a 32-bit tool
    // under WOW64 has the 32-bit folder as its own and finds the native one only by name.
    const std::string candidates[] = {windows, FolderOf(CSIDL_PROGRAM_FILES), FolderOf(CSIDL_PROGRAM_FILESX86),
                                      profiles, FolderOf(CSIDL_COMMON_APPDATA), ExpandMacros("%PROGRAM_FILES%"),
                                      ExpandMacros("%PROGRAM_FILES_X86%")};
    std::vector<std::string> roots;
    for (size_t i = 0; i < sizeof candidates / sizeof candidates[0]; i++) {
        const std::string& root = candidates[i];
        uint8_t covered = root.empty() ? 1 : 0;
        for (size_t j = 0; j < roots.size() && !covered; j++) covered = Contains(roots[j], root);
        if (covered) continue;
        Add(snapshot, "D\t" + root);
        roots.push_back(root);
    }
    // Redirection off (a 32-bit tool under WOW64): system32 is then the native one and SysWOW64
    // itself, as the description names them.
    NativeFiles native;
    NativeFilesBegin(&native);
    for (size_t i = 0; i < roots.size(); i++) WalkFolder(roots[i], 0, snapshot);
    NativeFilesEnd(&native);
    return snapshot->lines.empty() ? 0 : 1;
}

uint8_t SaveSnapshot(const Snapshot& snapshot, const char* path)
{
    FILE* file = fopen(path, "wb");
    if (file == NULL) return 0;
    uint8_t ok = 1;
    for (std::map<std::string, std::string>::const_iterator it = snapshot.lines.begin(); it != snapshot.lines.end(); ++it) {
        if (fputs(it->second.c_str(), file) < 0 || fputc('\n', file) == EOF) ok = 0;
    }
    if (fclose(file) != 0) ok = 0;
    return ok;
}

uint8_t LoadSnapshot(const char* path, Snapshot* snapshot)
{
    snapshot->lines.clear();
    FILE* file = fopen(path, "rb");
    if (file == NULL) return 0;
    std::string line;
    int c;
    while ((c = fgetc(file)) != EOF) {
        if (c == '\n') {
            if (!line.empty()) Add(snapshot, line);
            line.clear();
        } else {
            line += (char)c;
        }
    }
    if (!line.empty()) Add(snapshot, line);
    fclose(file);
    return snapshot->lines.empty() ? 0 : 1;
}
