// The reads of the scanning rules, shared within one registry search. Many rules scan the same
// containers (each device class, interface class and enumerator is named by several rows), so
// while a search runs every key is opened, enumerated and each of its values read at most once,
// and later rules take the answers from memory. The search only reads, so each rule still sees
// exactly what it would have read itself. Outside a search, or with sharing switched off, every
// call goes straight to the registry read primitives, one call for one call.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

struct KeyNode;

// A key as a scan holds it between ScanOpen* and ScanClose. handle is the open key; with a
// cache entry it may stay NULL until the registry itself has to be asked.
struct ScanKey {
    HKEY root;            // the predefined root the key lies below
    HKEY handle;
    KeyNode* node;        // NULL: no sharing, handle is always open
    ScanKey* parent;      // the key it was opened below, NULL for a key opened from a root
};

// OpenKeyForRead (root, path); 1 when the key opens.
uint8_t ScanOpen(HKEY root, const char* path, ScanKey* key);
// OpenKeyForRead below an open scan key; path may name a key further down ("a\b").
uint8_t ScanOpenSub(ScanKey* parent, const char* path, ScanKey* key);
// EnumSubkeyName: the name of subkey number index, 1 on success.
uint8_t ScanEnumSubkey(ScanKey* key, DWORD index, char name[256]);
// ReadStringValue: the value's data as text, at most size bytes with the terminator.
uint8_t ScanReadString(ScanKey* key, const char* valueName, char* buffer, DWORD size);
// KeyExists, from a root or below an open scan key.
uint8_t ScanKeyExists(HKEY root, const char* path);
uint8_t ScanSubkeyExists(ScanKey* parent, const char* path);
void ScanClose(ScanKey* key);

// The sharing of one search: begun before its first rule, ended (and its memory released)
// after its last. Nested begins share the outer search's cache.
void BeginSharedReads();
void EndSharedReads();

// 1 (the default) lets a search share its reads; 0 makes every read ask the registry or the
// file, as the reference that the comparison tests and the benchmark measure against.
void SetSharedReads(uint8_t on);
uint8_t SharedReadsEnabled();
// The most memory the cache of a search held, in bytes, since the last call.
size_t TakeSharedReadsPeak();
