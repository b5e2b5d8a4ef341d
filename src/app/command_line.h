// The command line: /F, /S, /X and /C <mask>.
#pragma once
#include <stdint.h>

// Parses the text (without the program name) into the three switch flags and, for /C, the
// selection mask. Every token rewrites all three flags, so only the last token decides them.
void ParseCommandLine(const char* text);

// The number after /C: optional leading blanks and sign, then decimal digits; the first other
// character ends it; no digits give 0. Values beyond the signed 32-bit range are clamped.
int32_t ParseMaskNumber(const char* text);
