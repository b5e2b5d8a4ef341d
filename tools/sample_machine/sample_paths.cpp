// Where the description's names stand on this machine: folder macros, registry roots, and the
// case-blind identities under which snapshots file their lines.
#include "sample_machine.h"
#include <shlobj.h>
#include <string.h>
#include "platform/hive_names.h"
#include "platform/path_ops.h"

namespace {

struct MacroFolder {
    const char* macro;
    int csidl;          // -1: built from the base
    const char* base;   // "S" system directory, "W" Windows directory, "6" the 32-bit system
                        // directory of a 64-bit machine, "" none (the csidl or the variable)
    const char* below;  // appended to the base
    const char* native; // environment variable that names the native folder, preferred when set
};

// The folder macros of the file rules, plus %PROGRAM_FILES% for install folders and the 32-bit
// half's folders of a 64-bit machine. The Program Files macros are the native folders: a 32-bit
// process under WOW64 has its own in CSIDL_PROGRAM_FILES and the native one in %ProgramW6432%,
// which a 64-bit process and 32-bit Windows do not tell apart from their own.
const MacroFolder kMacroFolders[] = {
    // macro                      csidl                          base  below        native
    {"%SYSTEM%",                  -1,                            "S",  "",          NULL},
    {"%HELP%",                    -1,                            "W",  "HELP",      NULL},
    {"%INF%",                     -1,                            "W",  "INF",       NULL},
    {"%OTHER%",                   -1,                            "W",  "INF\\OTHER", NULL},
    {"%WINDOWS%",                 -1,                            "W",  "",          NULL},
    {"%DRIVERS%",                 -1,                            "S",  "Drivers",   NULL},
    {"%PROGRAM_MENU_COMMON%",     CSIDL_COMMON_PROGRAMS,         "",   "",          NULL},
    {"%PROGRAM_MENU%",            CSIDL_PROGRAMS,                "",   "",          NULL},
    {"%COMMON_DESKTOP%",          CSIDL_COMMON_DESKTOPDIRECTORY, "",   "",          NULL},
    {"%COMMON_PROGRAM_FILES%",    CSIDL_PROGRAM_FILES_COMMON,    "",   "",          "CommonProgramW6432"},
    {"%DESKTOP%",                 CSIDL_DESKTOP,                 "",   "",          NULL},
    {"%COMMON_STARTUP%",          CSIDL_COMMON_STARTUP,          "",   "",          NULL},
    {"%STARTUP%",                 CSIDL_STARTUP,                 "",   "",          NULL},
    {"%PROGRAM_FILES%",           CSIDL_PROGRAM_FILES,           "",   "",          "ProgramW6432"},
    {"%PROGRAM_FILES_X86%",       -1,                            "",   "",          "ProgramFiles(x86)"},
    {"%SYSWOW64%",                -1,                            "6",  "",          NULL},
    {NULL,                        -1,                            NULL, NULL,        NULL},  // end row
};

typedef UINT(WINAPI* SystemWow64DirectoryFn)(LPSTR, UINT);

// The 32-bit system folder of a 64-bit Windows, looked up (absent before Windows XP); empty on
// a machine with one half.
void SystemWow64Folder(char* folder, UINT size)
{
    folder[0] = '\0';
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SystemWow64DirectoryFn query =
        kernel ? (SystemWow64DirectoryFn)(void*)GetProcAddress(kernel, "GetSystemWow64DirectoryA") : NULL;
    if (query == NULL) return;
    const UINT length = query(folder, size);
    if (length == 0 || length >= size) folder[0] = '\0';
}

std::string MacroValue(const MacroFolder& macro)
{
    char folder[MAX_PATH] = "";
    const DWORD named = macro.native ? GetEnvironmentVariableA(macro.native, folder, sizeof folder) : 0;
    if (named == 0 || named >= sizeof folder) {
        folder[0] = '\0';
        if (macro.csidl >= 0) {
            if (!SpecialFolderPath(macro.csidl, folder)) return std::string();
        } else if (macro.base[0] == 'S') {
            GetSystemDirectoryA(folder, sizeof folder);
        } else if (macro.base[0] == 'W') {
            GetWindowsDirectoryA(folder, sizeof folder);
        } else if (macro.base[0] == '6') {
            SystemWow64Folder(folder, sizeof folder);
        }
    }
    std::string value = folder;
    if (!value.empty() && value.back() == '\\') value.pop_back();
    if (value.empty()) return value;
    if (macro.below[0] != '\0') value += std::string("\\") + macro.below;
    return value;
}

std::string Upper(const std::string& text)
{
    std::string out = text;
    for (size_t i = 0; i < out.size(); i++) {
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = (char)(out[i] - 'a' + 'A');
    }
    return out;
}

}  // namespace

static const std::vector<std::string>& MacroValues()
{
    static std::vector<std::string> values;
    if (values.empty()) {
        for (int i = 0; kMacroFolders[i].macro != NULL; i++) values.push_back(MacroValue(kMacroFolders[i]));
    }
    return values;
}

uint8_t MacrosKnown(const std::string& text)
{
    const std::vector<std::string>& values = MacroValues();
    for (int m = 0; kMacroFolders[m].macro != NULL; m++) {
        if (values[m].empty() && text.find(kMacroFolders[m].macro) != std::string::npos) return 0;
    }
    return 1;
}

std::string ExpandMacros(const std::string& text)
{
    const std::vector<std::string>& values = MacroValues();
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        uint8_t replaced = 0;
        if (text[i] == '%') {
            for (int m = 0; kMacroFolders[m].macro != NULL; m++) {
                const size_t length = strlen(kMacroFolders[m].macro);
                if (text.compare(i, length, kMacroFolders[m].macro) == 0) {
                    out += values[m];
                    i += length;
                    replaced = 1;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

HKEY HiveHandle(const std::string& hive)
{
    return HiveFromShortName(hive.c_str());
}

std::string CanonicalKeyPath(const std::string& hive, const std::string& keyPath)
{
    // HKEY_CLASSES_ROOT is HKLM\Software\Classes for what the machine holds (the snapshot lists
    // the classes there, once).
    if (hive == "HKCR") return "HKLM\\Software\\Classes\\" + keyPath;
    return hive + "\\" + keyPath;
}

std::string KeyIdentity(const std::string& hive, const std::string& keyPath)
{
    return "K\t" + Upper(CanonicalKeyPath(hive, keyPath));
}

std::string FileIdentity(const std::string& expandedPath)
{
    return "P\t" + Upper(expandedPath);
}

std::string LineIdentity(const std::string& line)
{
    // K\tkey  |  V\tkey\tname\ttype\tdata  |  F\tpath\tsize  |  D\tpath
    if (line.size() < 2) return line;
    const size_t first = line.find('\t');
    if (first == std::string::npos) return line;
    const char tag = line[0];
    if (tag == 'K') return "K\t" + Upper(line.substr(first + 1));
    if (tag == 'V') {
        const size_t second = line.find('\t', first + 1);
        const size_t third = second == std::string::npos ? std::string::npos : line.find('\t', second + 1);
        return "V\t" + Upper(line.substr(first + 1, third == std::string::npos ? std::string::npos : third - first - 1));
    }
    const size_t second = line.find('\t', first + 1);
    return "P\t" + Upper(line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
}

std::string ValueIdentity(const std::string& hive, const std::string& keyPath, const std::string& valueName)
{
    return "V\t" + Upper(CanonicalKeyPath(hive, keyPath) + "\t" + EscapeText(valueName.data(), valueName.size()));
}

std::string EscapeText(const char* data, size_t size)
{
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; i++) {
        const unsigned char c = (unsigned char)data[i];
        if (c < 0x20 || c == 0x7f) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}
