// ASCII helpers whose outcome never depends on the code page: comparisons for texts of the
// built-in tables (templates, tags, prefixes), where ASCII letters only are folded whatever the
// system's locale, and hexadecimal digits.
#pragma once
#include <stddef.h>
#include <stdint.h>

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// 1 when text begins with prefix, ASCII letters folded.
inline uint8_t AsciiStartsWithNoCase(const char* text, const char* prefix)
{
    if (text == NULL || prefix == NULL) return 0;
    for (size_t i = 0; prefix[i] != '\0'; i++) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return 0;  // also stops at text's end
    }
    return 1;
}

// 1 when both texts are equal, ASCII letters folded.
inline uint8_t AsciiEqualNoCase(const char* a, const char* b)
{
    if (a == NULL || b == NULL) return 0;
    size_t i = 0;
    for (; a[i] != '\0' && b[i] != '\0'; i++) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return 0;
    }
    return a[i] == b[i] ? 1 : 0;
}

// The value of a hexadecimal digit (either case), -1 for any other character.
inline int AsciiHexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
