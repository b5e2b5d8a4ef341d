// Text helpers every layer uses: locale-aware comparison, bounded formatting and heap copies.
#pragma once
#include <stdint.h>

// Case-insensitive comparison in the system locale (lstrcmpiA) that allows absent strings:
// two absent strings are equal, an absent a sorts after a present b (1), an absent b after a (-1).
int CompareNoCase(const char* a, const char* b);

// A heap copy owned by the caller (release with FreeString); absent for an absent text.
char* DuplicateString(const char* text);
void FreeString(char* text);

// snprintf into out (size bytes). 1 when the whole text fit; 0 when it was cut (out then holds
// what fit, terminated) or could not be formatted. A cut path would name another object, so
// callers treat 0 as "no such path".
uint8_t FormatFits(char* out, int size, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
