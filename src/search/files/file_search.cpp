// The file rule driver: expands each rule's folder macro, records the paths that exist (in the
// system folder, in both halves of a 64-bit machine), then runs INF identification and
// install-folder search.
#include "search/files/file_search.h"
#include <commctrl.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string.h>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/path_ops.h"
#include "platform/text_index.h"
#include "platform/text_ops.h"
#include "search/files/inf_identify.h"
#include "search/folder_listing.h"
#include "search/install_folders.h"
#include "search/record_file.h"
#include "search/windows_subfolder.h"

namespace {

enum MacroBase { kBaseSystem, kBaseWindows, kBaseSpecial };

struct PathMacro {
    const char* name;    // the whole folder text, compared exactly and case-sensitively
    MacroBase base;      // what the expansion starts from
    int csidl;           // kBaseSpecial: the shell's special folder
    const char* suffix;  // appended to a system or Windows directory base
};

// In the order the folder text is compared with them; the first equal one is taken.
const PathMacro kPathMacros[] = {
    // name                      base          csidl                          suffix
    {"%SYSTEM%",                 kBaseSystem,  0,                             ""},
    {"%HELP%",                   kBaseWindows, 0,                             "HELP\\"},
    {"%INF%",                    kBaseWindows, 0,                             "INF\\"},
    {"%OTHER%",                  kBaseWindows, 0,                             "INF\\OTHER\\"},
    {"%WINDOWS%",                kBaseWindows, 0,                             ""},
    {"%PROGRAM_MENU_COMMON%",    kBaseSpecial, CSIDL_COMMON_PROGRAMS,         ""},
    {"%PROGRAM_MENU%",           kBaseSpecial, CSIDL_PROGRAMS,                ""},
    {"%COMMON_DESKTOP%",         kBaseSpecial, CSIDL_COMMON_DESKTOPDIRECTORY, ""},
    {"%COMMON_PROGRAM_FILES%",   kBaseSpecial, CSIDL_PROGRAM_FILES_COMMON,    ""},
    {"%DESKTOP%",                kBaseSpecial, CSIDL_DESKTOP,                 ""},
    {"%COMMON_STARTUP%",         kBaseSpecial, CSIDL_COMMON_STARTUP,          ""},
    {"%STARTUP%",                kBaseSpecial, CSIDL_STARTUP,                 ""},
    {"%DRIVERS%",                kBaseSystem,  0,                             "Drivers\\"},
    {NULL,                       kBaseSystem,  0,                             NULL},  // end
};

// The folder text's expansion into out (260 bytes); a text that is no macro is used as it is.
// 0 when the expansion would not fit. The shell's folders are asked once per session.
uint8_t ExpandFolder(SearchSession* session, const char* folder, char* out)
{
    out[0] = '\0';
    if (folder == NULL) return 1;
    for (int i = 0; kPathMacros[i].name != NULL; i++) {
        const PathMacro& macro = kPathMacros[i];
        if (strcmp(folder, macro.name) != 0) continue;
        if (macro.base == kBaseSpecial) {
            char special[kPathSize] = "";
            // A folder the shell cannot give expands to nothing.
            if (!SessionShellFolder(session, macro.csidl, special)) return 1;
            const size_t length = strlen(special);
            if (length + 1 >= (size_t)kPathSize) return 0;   // no room for the backslash
            AppendBackslash(special, sizeof special);
            lstrcpynA(out, special, kPathSize);
            return 1;
        }
        const char* base = macro.base == kBaseSystem ? g_systemDirectory : g_windowsDirectory;
        return FormatFits(out, kPathSize, "%s%s", base, macro.suffix);
    }
    return FormatFits(out, kPathSize, "%s", folder);
}

uint8_t SameTexts(const FileRule& a, const FileRule& b)
{
    return CompareNoCase(a.file, b.file) == 0 && CompareNoCase(a.folder, b.folder) == 0 ? 1 : 0;
}

// Whether an earlier row (enabled or not) names the same folder and file text.
uint8_t RepeatsEarlierRow(const FileRule* rules, int32_t row)
{
    for (int32_t j = 0; j < row; j++) {
        if (SameTexts(rules[j], rules[row])) return 1;
    }
    return 0;
}

// The repeat test of every row at once, through an index of the rows' texts: 1 for a row whose
// folder and file text an earlier row has. NULL when the memory cannot be had.
uint8_t* RepeatedRows(const FileRule* rules, int32_t count)
{
    uint8_t* repeats = (uint8_t*)malloc((size_t)count + TextIndexBytes(count) + sizeof(int32_t));
    if (repeats == NULL) return NULL;
    // The chains (32-bit numbers) after the flags, at an aligned offset.
    const size_t offset = ((size_t)count + sizeof(int32_t) - 1) & ~(sizeof(int32_t) - 1);
    TextIndex index;
    InitTextIndex(&index, count, repeats + offset);
    for (int32_t row = 0; row < count; row++) {
        TextKey key;
        StartTextKey(&key);
        AddKeyText(&key, rules[row].file);
        AddKeyText(&key, rules[row].folder);
        uint8_t repeated = 0;
        if (!key.plain) {
            repeated = RepeatsEarlierRow(rules, row);
        } else {
            for (int32_t j = FirstInChain(&index, key); !repeated && j >= 0; j = index.next[j])
                repeated = SameTexts(rules[j], rules[row]);
            for (int32_t j = index.others; !repeated && j >= 0; j = index.next[j])
                repeated = SameTexts(rules[j], rules[row]);
        }
        repeats[row] = repeated;
        AddToTextIndex(&index, key);
    }
    return repeats;
}

// Records the row's path when it exists, and its twin in the other half's system folder when
// the path lies in this half's: a 64-bit installer writes its drivers and libraries where a
// 32-bit process's system32 does not reach, and the service a driver row names is the same
// either way. The result as RecordFile gives it, 1 when nothing was recorded.
uint8_t SearchFileRule(SearchSession* session, const FileRule& rule)
{
    char expanded[kPathSize];
    if (!ExpandRulePath(session, rule, expanded)) return 1;   // too long: skipped, never shortened
    // The cut at "@" is made on the whole expansion, folder included.
    char path[kPathSize];
    char service[256];
    SplitField(expanded, '@', 1, path, sizeof path);
    const char* serviceName = SplitField(expanded, '@', 2, service, sizeof service) ? service : NULL;
    uint8_t success = 1;
    if (SessionFileExists(session, path)) success = RecordFile(session, path, serviceName);
    char other[kPathSize];
    if (OtherHalfSystemPath(path, other) && SessionFileExists(session, other))
        success = RecordFile(session, other, serviceName) & success;
    return success;
}

}  // namespace

uint8_t ExpandRulePath(SearchSession* session, const FileRule& rule, char out[260])
{
    if (rule.file == NULL) return 0;
    char expansion[kPathSize];
    if (!ExpandFolder(session, rule.folder, expansion)) return 0;
    char whole[kPathSize];
    if (!FormatFits(whole, sizeof whole, "%s%s", expansion, rule.file)) return 0;
    lstrcpynA(out, whole, kPathSize);
    return 1;
}

uint8_t SearchFileRuleRows(SearchSession* session, const FileRule* rules, HWND progress)
{
    const int start = progress ? (int)SendMessageA(progress, PBM_GETPOS, 0, 0) : 0;
    uint8_t success = 1;
    int32_t count = 0;
    while (rules[count].file != NULL) count++;
    uint8_t* repeats = RepeatedRows(rules, count);
    for (int32_t i = 0; i < count; i++) {
        CurrentRule(kProductSideFile, i);
        const uint8_t repeated = repeats != NULL ? repeats[i] : RepeatsEarlierRow(rules, i);
        if (!rules[i].disabled && !repeated) success = SearchFileRule(session, rules[i]) & success;
        if (progress) SendMessageA(progress, PBM_SETPOS, (WPARAM)(start + i + 1), 0);
    }
    free(repeats);
    return success;
}

uint8_t SearchFileRules(SearchSession* session, HWND progress)
{
    uint8_t success = SearchFileRuleRows(session, kFileRules, progress);
    success = IdentifyOemInfs(session) & success;
    success = SearchInstallFolders(session) & success;
    return success;
}
