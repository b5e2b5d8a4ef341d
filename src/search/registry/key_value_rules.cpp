// The rule kinds that look at one fixed key: the plain lookup (kinds 0-4 and unknown kinds),
// the file-reference value whose name is built at search time (kind 7) and the DLL list (11).
#include "search/registry/key_value_rules.h"
#include <string.h>
#include "model/found_items.h"
#include "model/process_values.h"
#include "platform/ascii_case.h"
#include "platform/path_ops.h"
#include "platform/registry_access.h"
#include "search/install_folders.h"
#include "search/registry/scan_paths.h"
#include "search/windows_subfolder.h"

const int kValueNameSize = 512;
const char kSystemTemplate[] = "%SYSTEM%\\";
const char kInfTemplate[] = "%INF%\\";

uint8_t PlainLookup(const RegistryRule& rule, uint8_t view, SearchSession* session)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath, view);
    if (key == NULL) return 0;
    uint8_t present = 1;
    if (rule.argument != NULL) {
        // Only the type is asked for: a value of any type and any size, even empty, is there.
        DWORD type = 0;
        present = RegQueryValueExA(key, rule.argument, NULL, &type, NULL, NULL) == ERROR_SUCCESS ? 1 : 0;
    }
    if (present) RecordRegistryItem(session, view, rule.kind, rule.hive, rule.keyPath, rule.argument, key);
    RegCloseKey(key);
    return present;
}

// folder + rest into name; 0 when the whole would not fit.
static uint8_t JoinName(char* name, const char* first, const char* separator, const char* rest)
{
    return FormatFits(name, kValueNameSize, "%s%s%s", first, separator, rest);
}

// Field n of text split at '%' when it is there and fits size - 1 characters whole.
static uint8_t WholeField(const char* text, int n, char* out, int size)
{
    const char* start = SplitField(text, '%', n, out, size);
    if (start == NULL) return 0;
    const char* end = strchr(start, '%');
    const size_t length = end ? (size_t)(end - start) : strlen(start);
    return length < (size_t)size ? 1 : 0;
}

uint8_t BuildRuleValueNameFrom(SearchSession* session, const RegistryRule& rule, const InstallFolderRule* folders, char name[512])
{
    const char* argument = rule.argument;
    if (argument == NULL) return 0;
    char built[kValueNameSize];

    if (AsciiStartsWithNoCase(argument, kSystemTemplate)) {
        if (!JoinName(built, g_systemDirectory, "", argument + sizeof kSystemTemplate - 1)) return 0;
        lstrcpynA(name, built, kValueNameSize);
        return 1;
    }
    if (AsciiStartsWithNoCase(argument, kInfTemplate)) {
        // The platform's INF folder: INF\OTHER\ on the 9x family, INF\ on the NT family.
        char inf[kPathSize];
        if (!WindowsSubfolder(inf, sizeof inf, -1)) return 0;
        if (!JoinName(built, inf, "", argument + sizeof kInfTemplate - 1)) return 0;
        lstrcpynA(name, built, kValueNameSize);
        return 1;
    }

    // "key name%file path": the file inside the install folder that the application's key notes.
    char keyName[256];
    char filePath[kPathSize];
    if (!WholeField(argument, 1, keyName, sizeof keyName)) return 0;
    if (!WholeField(argument, 2, filePath, sizeof filePath)) return 0;
    uint8_t found = 0;
    for (int i = 0; folders[i].key[0] != '\0'; i++) {
        if (folders[i].product != rule.product) continue;
        char folder[256];
        if (!ReadInstallFolder(session, keyName, folders[i].valueName, folder, sizeof folder)) continue;
        char candidate[kValueNameSize];
        if (!JoinName(candidate, folder, "\\", filePath)) continue;
        // A later row that also succeeds replaces the name: the last success wins.
        lstrcpynA(built, candidate, kValueNameSize);
        found = 1;
    }
    if (found) lstrcpynA(name, built, kValueNameSize);
    return found;
}

uint8_t BuildRuleValueName(SearchSession* session, const RegistryRule& rule, char name[512])
{
    return BuildRuleValueNameFrom(session, rule, kInstallFolders, name);
}

uint8_t DllListValue(const RegistryRule& rule, uint8_t view, SearchSession* session)
{
    HKEY key = OpenKeyForRead(rule.hive, rule.keyPath, view);
    if (key == NULL) return 0;
    char data[512];
    uint8_t found = 0;
    if (ReadStringValue(key, rule.argument, data, sizeof data)) {
        // Entry n is the text between the (n-1)-th and the n-th single space; only the bare file
        // name matches, so an entry with a folder in front of it does not.
        char entry[kPathSize];
        for (int n = 1; SplitField(data, ' ', n, entry, sizeof entry) != NULL; n++) {
            if (lstrcmpiA(entry, "nvdesk32.dll") == 0) {
                RecordRegistryItem(session, view, rule.kind, rule.hive, rule.keyPath, rule.argument, key);
                found = 1;
                break;
            }
        }
    }
    RegCloseKey(key);
    return found;
}
