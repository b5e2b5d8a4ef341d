// Text helpers the item model needs.
#include "platform/text_ops.h"
#include <windows.h>
#include <stdlib.h>
#include <string.h>

int CompareNoCase(const char* a, const char* b)
{
    if (a == NULL && b == NULL) return 0;
    if (a == NULL) return 1;
    if (b == NULL) return -1;
    return lstrcmpiA(a, b);
}

char* DuplicateString(const char* text)
{
    if (text == NULL) return NULL;
    const size_t n = strlen(text) + 1;
    char* copy = (char*)malloc(n);
    if (copy != NULL) memcpy(copy, text, n);
    return copy;
}

void FreeString(char* text)
{
    free(text);
}
