// The search's look-ups of files and folders, answered from one search's listings of the folders
// it looks most files up in.
#pragma once
#include <stdint.h>
#include "search/search_session.h"

// FileExists (path) as the search asks it: in a sharing session a name found exactly as written
// in a listed folder is answered from the listing, and every path found is noted for the guard's
// memo. Without a sharing session, FileExists itself.
uint8_t SessionFileExists(SearchSession* session, const char* path);
// DirectoryExists (path), the same way.
uint8_t SessionDirectoryExists(SearchSession* session, const char* path);

// The listings of a sharing session, made when it begins and released when it ends.
void BeginFolderListings(SearchSession* session);
void EndFolderListings(SearchSession* session);
