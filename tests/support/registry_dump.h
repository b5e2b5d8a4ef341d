// A registry subtree read into a map, to compare every key, value type and byte before and after.
#pragma once
#include <windows.h>
#include <map>
#include <string>

// "relative\path" -> "" for each key, "relative\path" + "\t" + name -> type in hex + ":" + bytes.
typedef std::map<std::string, std::string> RegistryDump;

// viewFlag: 0, or KEY_WOW64_32KEY / KEY_WOW64_64KEY to read a key of that registry view.
RegistryDump DumpRegistry(HKEY root, const std::string& path, REGSAM viewFlag = 0);
std::string DumpText(const RegistryDump& dump);
