// One search from start to end: the session SearchAll begins, hands to every rule and ends. It
// owns what the search remembers so that each thing is asked of the registry or the disk once.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "platform/machine_halves.h"
#include "platform/path_ops.h"

struct SharedReadCache;   // search/registry/shared_reads.cpp
struct GuardMemo;         // search/guard_memo.cpp
struct FolderListings;    // search/folder_listing.cpp
struct InfReading;        // search/files/inf_identify.cpp
struct NoteReads;         // search/install_folders.cpp
struct FileItemSource;    // model/found_items.h

const int kShellFolderSlots = 16;

// The search only reads, so every answer remembered stays what the platform would give again.
// Without sharing (the reference that the comparison tests and the benchmark measure against)
// nothing is remembered and every look-up asks the platform; a function handed no session
// (NULL) does the same.
struct SearchSession {
    uint8_t sharing;
    uint8_t registryView;         // the view the registry rules are being evaluated in
    uint8_t restricted;           // 1: the restricted (/X) registry search; set by who begins it
    const FileItemSource* fileSource;   // set by the INF and install-folder passes while they
                                        // record; NULL: the current file rule's family and row
    SharedReadCache* reads;       // the registry scans' keys and values
    GuardMemo* memo;              // the path guard's forms of each folder
    FolderListings* listings;     // the folders most files are looked up in
    InfReading* infReading;       // the INF file being identified
    NoteReads* notes;             // the install-folder notes read in either view
    int shellCount;               // the shell's folders the file rules' macros named
    struct {
        int csidl;
        uint8_t found;
        char folder[kPathSize];
    } shell[kShellFolderSlots];
    size_t readsPeak;             // the most memory the shared reads held, in bytes
};

// Begins a session; sharing 0 makes the reference. Memory that cannot be had only makes the
// search ask the platform.
void BeginSearchSession(SearchSession* session, uint8_t sharing);
// Releases everything the session holds; readsPeak stays readable.
void EndSearchSession(SearchSession* session);

// search (session, args...) in a reference session of its own, for a step that keeps the
// search's settings in its session when a caller hands it none.
template <typename... Params, typename... Args>
uint8_t SearchInReference(uint8_t (*search)(SearchSession*, Params...), Args... args)
{
    SearchSession reference;
    BeginSearchSession(&reference, 0);
    const uint8_t result = search(&reference, args...);
    EndSearchSession(&reference);
    return result;
}

// SpecialFolderPath (csidl, out), asked once per session.
uint8_t SessionShellFolder(SearchSession* session, int csidl, char* out);

// The view the session's registry rules are evaluated in; the own view without a session.
uint8_t SessionView(const SearchSession* session);
