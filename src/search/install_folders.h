// Discovery of the maker's application install folders.
#pragma once
#include <stdint.h>
#include "search/search_session.h"
#include "tables/install_folder_table.h"

// Reads HKLM\SOFTWARE\Morvane\<keyName> value valueName ("" = default); on success writes the
// noted folder (without trailing backslash) into out when it fits size and names an existing
// path (the guard and the look-up made in the session). Leaves out untouched on failure.
uint8_t ReadInstallFolder(SearchSession* session, const char* keyName, const char* valueName, char* out, int size);
// Records each kInstallFolders row's folder (registry note, else Program Files\Morvane\<folder>);
// with two halves also the other half's: the note in the other registry view, and the folder below
// the other half's Program Files\Morvane and Common Files\Morvane, each one that exists.
uint8_t SearchInstallFolders(SearchSession* session);
// The same over any table ended by a row with an empty key.
uint8_t SearchInstallFolderRows(SearchSession* session, const InstallFolderRule* rows);

// The notes a sharing session has read, made when it begins and released when it ends.
void BeginNoteReads(SearchSession* session);
void EndNoteReads(SearchSession* session);

// The places install-folder row may have found a folder, for checking a restore against it: the
// folder its note names now in either view, and its default places (Program Files\Morvane\<folder>,
// and the other half's Program Files and Common Files), each with the row's sub-path, whether
// they exist or not. Into places (capacity paths of kPathSize); returns how many.
int32_t InstallFolderPlaces(SearchSession* session, int32_t row, char (*places)[kPathSize], int32_t capacity);
