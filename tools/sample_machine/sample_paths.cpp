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
    int csidl;          // -1: built from the system or Windows directory
    const char* base;   // "S" system directory, "W" Windows directory
    const char* below;  // appended to the base
};

// The folder macros of the file rules, plus %PROGRAM_FILES% for install folders.
const MacroFolder kMacroFolders[] = {
    // macro                      csidl                          base  below
    {"%SYSTEM%",                  -1,                            "S",  ""},
    {"%HELP%",                    -1,                            "W",  "HELP"},
    {"%INF%",                     -1,                            "W",  "INF"},
    {"%OTHER%",                   -1,                            "W",  "INF\\OTHER"},
    {"%WINDOWS%",                 -1,                            "W",  ""},
    {"%DRIVERS%",                 -1,                            "S",  "Drivers"},
    {"%PROGRAM_MENU_COMMON%",     CSIDL_COMMON_PROGRAMS,         "",   ""},
    {"%PROGRAM_MENU%",            CSIDL_PROGRAMS,                "",   ""},
    {"%COMMON_DESKTOP%",          CSIDL_COMMON_DESKTOPDIRECTORY, "",   ""},
    {"%COMMON_PROGRAM_FILES%",    CSIDL_PROGRAM_FILES_COMMON,    "",   ""},
    {"%DESKTOP%",                 CSIDL_DESKTOP,                 "",   ""},
    {"%COMMON_STARTUP%",          CSIDL_COMMON_STARTUP,          "",   ""},
    {"%STARTUP%",                 CSIDL_STARTUP,                 "",   ""},
    {"%PROGRAM_FILES%",           CSIDL_PROGRAM_FILES,           "",   ""},
    {NULL,                        -1,                            NULL, NULL},  // end row
};

std::string MacroValue(const MacroFolder& macro)
{
    char folder[MAX_PATH] = "";
    if (macro.csidl >= 0) {
        if (!SpecialFolderPath(macro.csidl, folder)) return std::string();
    } else if (macro.base[0] == 'S') {
        GetSystemDirectoryA(folder, sizeof folder);
    } else {
        GetWindowsDirectoryA(folder, sizeof folder);
    }
    std::string value = folder;
    if (!value.empty() && value.back() == '\\') value.pop_back();
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

std::string ExpandMacros(const std::string& text)
{
    static std::vector<std::string> values;
    if (values.empty()) {
        for (int i = 0; kMacroFolders[i].macro != NULL; i++) values.push_back(MacroValue(kMacroFolders[i]));
    }
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
