// One search's listings of the folders it looks most files up in (not for other callers).
#pragma once
#include <stdint.h>

// Opened and closed with the guard's memo of a search; nesting counts.
void BeginFolderListings();
void EndFolderListings();

// Answers a find-first-file look-up of path from the listing of its folder: 1 when the folder is
// listed and holds an entry named exactly as the path's last part (*attributes its attributes);
// 0 when the listing cannot tell, and the caller asks the platform.
uint8_t ListedLookup(const char* path, unsigned long* attributes);

// Notes that the platform found path when asked directly; a folder in which enough names have
// been found in this search is listed.
void NoteFoundDirectly(const char* path);
