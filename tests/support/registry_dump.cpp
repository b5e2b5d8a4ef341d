// A registry subtree read into a map.
#include "support/registry_dump.h"
#include <stdio.h>
#include <vector>

static void DumpKey(HKEY key, const std::string& relative, REGSAM viewFlag, RegistryDump* dump)
{
    (*dump)[relative] = "";
    std::vector<char> name(32768);
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; index++) {
        DWORD nameLength = (DWORD)name.size(), size = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, index, name.data(), &nameLength, NULL, &type, data.data(), &size) != ERROR_SUCCESS) break;
        char head[16];
        snprintf(head, sizeof head, "%lx:", (unsigned long)type);
        (*dump)[relative + "\t" + std::string(name.data(), nameLength)] = head + std::string((char*)data.data(), size);
    }
    for (DWORD index = 0;; index++) {
        char child[512];
        DWORD length = sizeof child;
        if (RegEnumKeyExA(key, index, child, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        HKEY sub = NULL;
        if (RegOpenKeyExA(key, child, 0, KEY_READ | viewFlag, &sub) != ERROR_SUCCESS) {
            (*dump)[relative + "\\" + child] = "(unreadable)";
            continue;
        }
        DumpKey(sub, relative + "\\" + child, viewFlag, dump);
        RegCloseKey(sub);
    }
}

RegistryDump DumpRegistry(HKEY root, const std::string& path, REGSAM viewFlag)
{
    RegistryDump dump;
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | viewFlag, &key) != ERROR_SUCCESS) return dump;
    DumpKey(key, "", viewFlag, &dump);
    RegCloseKey(key);
    return dump;
}

std::string DumpText(const RegistryDump& dump)
{
    std::string text;
    for (RegistryDump::const_iterator it = dump.begin(); it != dump.end(); ++it) {
        text += it->first + " = ";
        for (size_t i = 0; i < it->second.size(); i++) {
            const unsigned char c = (unsigned char)it->second[i];
            char part[8];
            snprintf(part, sizeof part, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
            text += part;
        }
        text += "\n";
    }
    return text;
}
