// Path building and prefix tests shared by the scanning rule kinds.
#pragma once
#include <stddef.h>
#include <stdint.h>

const int kKeyPathSize = 1024;   // built key paths
const int kNameSize = 256;       // subkey names and short values

// Joins the parts with backslashes into out (size bytes); third may be absent. 0 (out empty)
// when the result does not fit: a cut path would name another key, possibly a parent.
uint8_t JoinKeyPath(char* out, int size, const char* first, const char* second, const char* third = NULL);

// 1 when text begins with prefix, ASCII letters compared without regard to case. A text
// shorter than the prefix does not match; an empty prefix matches everything.
uint8_t StartsWithAscii(const char* text, const char* prefix);

// 1 when a value read from the registry can name a key below a fixed parent: not empty, and no
// leading, trailing or doubled backslash. A trailing backslash opens the parent itself, so
// "Driver" = "\" would otherwise stand for the whole class key.
uint8_t IsRelativeKeyName(const char* text);
