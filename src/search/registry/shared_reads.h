// The reads of the scanning rules, shared within one registry search. Many rules scan the same
// containers (each device class, interface class and enumerator is named by several rows), so
// while a search runs every key is opened, enumerated and each of its values read at most once,
// and later rules take the answers from memory. The search only reads, so each rule still sees
// exactly what it would have read itself. Without a session that shares, every call goes
// straight to the registry read primitives, one call for one call. Every key is read in the
// view the session's rules are evaluated in, and the answers of the two views are kept apart:
// one path names two keys where the halves differ.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "search/search_session.h"

struct KeyNode;

// A key as a scan holds it between ScanOpen* and ScanClose. handle is the open key; with a
// cache entry it may stay NULL until the registry itself has to be asked.
struct ScanKey {
    SearchSession* session;   // the search it is read in (NULL: no sharing)
    uint8_t view;             // the registry view it was opened in, the session's at ScanOpen
    HKEY root;                // the predefined root the key lies below
    HKEY handle;
    KeyNode* node;            // NULL: no sharing, handle is always open
    ScanKey* parent;          // the key it was opened below, NULL for a key opened from a root
};

// OpenKeyForRead (root, path) in the session's view; 1 when the key opens. The keys opened below
// it share its session and view.
uint8_t ScanOpen(SearchSession* session, HKEY root, const char* path, ScanKey* key);
// OpenKeyForRead below an open scan key; path may name a key further down ("a\b").
uint8_t ScanOpenSub(ScanKey* parent, const char* path, ScanKey* key);
// EnumSubkeyName: the name of subkey number index, 1 on success.
uint8_t ScanEnumSubkey(ScanKey* key, DWORD index, char name[256]);
// ReadStringValue: the value's data as text, at most size bytes with the terminator.
uint8_t ScanReadString(ScanKey* key, const char* valueName, char* buffer, DWORD size);
// KeyExists, from a root or below an open scan key.
uint8_t ScanKeyExists(SearchSession* session, HKEY root, const char* path);
uint8_t ScanSubkeyExists(ScanKey* parent, const char* path);
void ScanClose(ScanKey* key);

// KeyDiffersInOtherView (root, path), in a sharing session asked once per key; opened, when not
// NULL, is the key already open in the other view, which the comparison then uses.
uint8_t KeyOfOtherHalf(SearchSession* session, HKEY root, const char* path, HKEY opened);

// Calls visit (subkey, its name) for every subkey of key that opens, in the registry's order,
// closing each after; the results ORed. With firstOnly the enumeration stops at the first visit
// that gives 1.
template <typename Visit>
uint8_t EachOpenSubkey(ScanKey* key, uint8_t firstOnly, Visit visit)
{
    uint8_t found = 0;
    char name[256];
    for (DWORD i = 0; !(firstOnly && found) && ScanEnumSubkey(key, i, name); i++) {
        ScanKey sub;
        if (!ScanOpenSub(key, name, &sub)) continue;
        found = visit(&sub, name) | found;
        ScanClose(&sub);
    }
    return found;
}

// EachOpenSubkey over root\path; 0 when that key does not open.
template <typename Visit>
uint8_t EachOpenSubkeyOf(SearchSession* session, HKEY root, const char* path, uint8_t firstOnly, Visit visit)
{
    ScanKey key;
    if (!ScanOpen(session, root, path, &key)) return 0;
    const uint8_t found = EachOpenSubkey(&key, firstOnly, visit);
    ScanClose(&key);
    return found;
}

// The cache of a sharing session: made when it begins; released when it ends, its peak size
// then kept in the session's readsPeak.
void BeginSharedReads(SearchSession* session);
void EndSharedReads(SearchSession* session);
