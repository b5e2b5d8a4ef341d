// The list run: search as the silent run does, then write the found list instead of deleting.
#include "clean/list_run.h"
#include <windows.h>
#include <stdio.h>
#include "clean/found_list_file.h"
#include "clean/silent_run.h"
#include "search/search_all.h"

int RunListOnly(const char* path, uint8_t restricted)
{
    if (path == NULL || path[0] == '\0') {
        ReportErrorLine("envsweep: /L needs the name of the file to write the list to\r\n");
        return 1;
    }
    // The file is written only once the search is over: a search that ends early leaves none.
    SearchAll(NULL, restricted);
    if (WriteFoundListFile(path)) return 0;
    char text[512];
    snprintf(text, sizeof text, "envsweep: the list could not be written to %s\r\n", path);
    ReportErrorLine(text);
    return 1;
}
