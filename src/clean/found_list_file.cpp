// The found list as a file: the search's items in the log's wording, for a look before deleting.
#include "clean/found_list_file.h"
#include <windows.h>
#include "clean/backup.h"
#include "model/found_items.h"

const char kFoundListHeader[] = "family\ttype\titem\taccessible\twhy";

// Writes the list to an open file; 1 when all of it is on disk.
static uint8_t PutList(OutputFile* out)
{
    PutText(out, kFoundListHeader);
    PutText(out, "\r\n");
    const FoundItemList* list = g_foundItems;
    for (int32_t i = 0; list != NULL && i < list->count; i++) {
        const FoundItem& item = list->items[i];
        PutItemFields(out, item);
        PutText(out, item.accessible ? "\tyes\t" : "\tno\t");
        PutItemWhy(out, item);
        PutText(out, "\r\n");
    }
    return CloseOutputFile(out);
}

uint8_t WriteFoundListFile(const char* path)
{
    if (path == NULL || path[0] == '\0') return 0;
    char full[MAX_PATH];
    char* name = NULL;
    const DWORD length = GetFullPathNameA(path, sizeof full, full, &name);
    // A name that ends in a backslash names a folder, not a file.
    if (length == 0 || length >= sizeof full || name == NULL || *name == '\0') return 0;
    char folder[MAX_PATH];
    lstrcpynA(folder, full, (int)(name - full) + 1);
    // The temporary lies in the same folder, so the move that replaces the named file is a
    // rename on the same volume. GetTempFileNameA creates it (empty): a folder that cannot take
    // a file fails here, before anything is written.
    char temporary[MAX_PATH];
    if (GetTempFileNameA(folder, "esl", 0, temporary) == 0) return 0;
    OutputFile out;
    uint8_t ok = OpenOutputFile(&out, temporary, 1) ? PutList(&out) : 0;
    // A folder of that name, or a file that cannot be replaced, refuses the move.
    if (ok) ok = MoveFileExA(temporary, full, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
    if (!ok) DeleteFileA(temporary);
    return ok;
}
