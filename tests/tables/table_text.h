// Text tests shared by the table checks: ASCII case folding, as the tables' own prefixes use.
#pragma once
#include <string.h>
#include <string>
#include <map>

inline bool EqualNoCase(const char* a, const char* b)
{
    return a != NULL && b != NULL && _stricmp(a, b) == 0;
}

inline bool StartsWithNoCase(const char* text, const char* prefix)
{
    return text != NULL && _strnicmp(text, prefix, strlen(prefix)) == 0;
}

inline bool EndsWithNoCase(const char* text, const char* suffix)
{
    if (text == NULL) return false;
    const size_t n = strlen(text), m = strlen(suffix);
    return n >= m && _stricmp(text + n - m, suffix) == 0;
}

// Lower-cased copy, for keys of maps that compare without regard to case.
inline std::string Lower(const char* text)
{
    std::string s = text != NULL ? text : "";
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    }
    return s;
}

// The text after the last backslash.
inline std::string LastComponent(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash != NULL ? slash + 1 : path;
}

// The text before the last backslash ("" without one).
inline std::string Parent(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash != NULL ? std::string(path, slash - path) : std::string();
}

template <typename K>
inline int CountOf(const std::map<K, int>& counts, const K& key)
{
    auto it = counts.find(key);
    return it == counts.end() ? 0 : it->second;
}
