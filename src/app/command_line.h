// The command line: /F, /S, /X, /C <mask>, /R [<backup>] and /L <file>.
#pragma once
#include <stdint.h>

// Parses the text (without the program name) into the switch flags and, for /C, the selection
// mask; for /R, the backup's name. Every token rewrites all the flags, so only the last token
// decides them. /R takes the next token as its backup's name unless it starts with '/'; the name
// is consumed, as /C's number is. /L takes its file's name the same way; it rewrites every flag
// but /X's, which it leaves as the token before it set it: "/X /L <file>" lists what "/X" would
// delete, and any other token between /X and /L has already cleared it.
void ParseCommandLine(const char* text);

// The number after /C: optional leading blanks and sign, then decimal digits; the first other
// character ends it; no digits give 0. Values beyond the signed 32-bit range are clamped.
int32_t ParseMaskNumber(const char* text);
