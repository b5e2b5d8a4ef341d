// The file rule table. Columns: product, disabled, folder, file.
#include "search/files/file_rules.h"
#include <stddef.h>

const FileRule kFileRules[] = {
    {-1, 1, NULL, NULL},  // sentinel
};

int CountFileRules()
{
    int n = 0;
    while (kFileRules[n].file != NULL) n++;
    return n;
}
