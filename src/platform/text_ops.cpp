// Text helpers the item model needs.
#include "platform/text_ops.h"
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
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

uint8_t FormatFits(char* out, int size, const char* format, ...)
{
    if (out == NULL || size <= 0) return 0;
    va_list arguments;
    va_start(arguments, format);
    const int written = vsnprintf(out, (size_t)size, format, arguments);
    va_end(arguments);
    return written >= 0 && written < size ? 1 : 0;
}
