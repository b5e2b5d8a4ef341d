// The command line: /F, /S, /X, /C <mask>, /R [<backup>] and /L <file>.
#include "app/command_line.h"
#include <windows.h>
#include <string.h>
#include "model/process_values.h"
#include "model/products.h"
#include "platform/path_ops.h"

int32_t ParseMaskNumber(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') p++;
    int negative = 0;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // Accumulate the magnitude in 64 bits and stop growing once it is out of range, so that a
    // long run of digits never overflows.
    int64_t magnitude = 0;
    const int64_t limit = (int64_t)INT32_MAX + 1;
    while (*p >= '0' && *p <= '9') {
        if (magnitude <= limit) magnitude = magnitude * 10 + (*p - '0');
        p++;
    }
    if (negative) return magnitude >= limit ? INT32_MIN : (int32_t)-magnitude;
    return magnitude > INT32_MAX ? INT32_MAX : (int32_t)magnitude;
}

static_assert(sizeof g_listName == sizeof g_restoreName, "one bound serves the names after /L and /R");

void ParseCommandLine(const char* text)
{
    char line[256];
    lstrcpynA(line, text ? text : "", sizeof line);   // at most 255 characters; the rest is dropped
    TrimSpaces(line);

    char* tokens[128];
    int count = 0;
    for (char* p = line; *p != '\0' && count < 128;) {
        while (*p == ' ') p++;
        if (*p == '\0') break;
        tokens[count++] = p;
        while (*p != '\0' && *p != ' ') p++;
        if (*p == ' ') *p++ = '\0';
    }

    for (int i = 0; i < count; i++) {
        const char* token = tokens[i];
        g_forceFlag = lstrcmpiA(token, "/F") == 0 ? 1 : 0;
        g_silentFlag = lstrcmpiA(token, "/S") == 0 ? 1 : 0;
        g_listFlag = lstrcmpiA(token, "/L") == 0 ? 1 : 0;
        // /L lists what the run before it would delete: right after /X that is the restricted
        // search, so /L leaves the restricted flag as the token before it set it.
        if (!g_listFlag) g_restrictedFlag = lstrcmpiA(token, "/X") == 0 ? 1 : 0;
        g_restoreFlag = lstrcmpiA(token, "/R") == 0 ? 1 : 0;
        char* name = g_listFlag ? g_listName : g_restoreFlag ? g_restoreName : NULL;
        if (name != NULL) {
            // A file's or a backup's name never starts with '/': a switch after /L or /R stays a switch.
            const uint8_t named = i + 1 < count && tokens[i + 1][0] != '/' ? 1 : 0;
            lstrcpynA(name, named ? tokens[++i] : "", sizeof g_listName);
        }
        if (lstrcmpiA(token, "/C") == 0) {
            if (i + 1 >= count) break;
            ProductSelection(-2, ParseMaskNumber(tokens[++i]));
        }
    }
}
