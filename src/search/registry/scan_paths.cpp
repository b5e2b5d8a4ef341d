// Path building and key-name tests shared by the scanning rule kinds; the record of a find.
#include "search/registry/scan_paths.h"
#include <string.h>
#include "model/found_items.h"
#include "platform/text_ops.h"
#include "search/registry/shared_reads.h"

uint8_t JoinKeyPath(char* out, int size, const char* first, const char* second, const char* third)
{
    if (out == NULL || size <= 0) return 0;
    out[0] = '\0';
    if (first == NULL || second == NULL) return 0;
    const uint8_t fits = third != NULL ? FormatFits(out, size, "%s\\%s\\%s", first, second, third)
                                       : FormatFits(out, size, "%s\\%s", first, second);
    if (!fits) out[0] = '\0';
    return fits;
}

uint8_t IsRelativeKeyName(const char* text)
{
    if (text == NULL || text[0] == '\0' || text[0] == '\\') return 0;
    const size_t length = strlen(text);
    if (text[length - 1] == '\\') return 0;
    return strstr(text, "\\\\") == NULL ? 1 : 0;
}

void RecordRegistryItem(SearchSession* session, uint8_t view, int32_t kind, HKEY hive, const char* keyPath,
                        const char* valueName, HKEY opened)
{
    // Asked only for what a rule found, so the kernel names are compared for a few keys.
    if (view == kViewOther && !KeyOfOtherHalf(session, hive, keyPath, opened)) return;
    AddRegistryItem(kind, hive, keyPath, valueName, view);
}
