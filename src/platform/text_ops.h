// Text helpers every layer uses: locale-aware comparison and heap copies.
#pragma once

// Case-insensitive comparison in the system locale (lstrcmpiA) that allows absent strings:
// two absent strings are equal, an absent a sorts after a present b (1), an absent b after a (-1).
int CompareNoCase(const char* a, const char* b);

// A heap copy owned by the caller (release with FreeString); absent for an absent text.
char* DuplicateString(const char* text);
void FreeString(char* text);
