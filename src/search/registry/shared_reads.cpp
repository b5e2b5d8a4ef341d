// The shared reads of one registry search: a table of the keys the scans met, each with whether
// it opens, its subkey names once enumerated and the values read from it, all in blocks of memory
// that the end of the search session releases. When memory runs out the search goes on with
// direct reads.
#include "search/registry/shared_reads.h"
#include <stdlib.h>
#include <string.h>
#include "platform/ascii_case.h"
#include "platform/registry_access.h"

namespace {

const size_t kBlockSize = 64 * 1024;
const uint32_t kFirstBuckets = 1024;
const int kJoinedPathSize = 2048;   // longer paths are not shared, only read directly

struct Block {
    Block* next;
    size_t used;
    size_t size;
};

struct CachedValue {
    CachedValue* next;
    const char* name;   // NULL: the default value
    DWORD size;         // the buffer size it was read with: a longer value fails only in a smaller one
    uint8_t ok;
    const char* text;
};

}  // namespace

struct KeyNode {
    KeyNode* nextInBucket;
    HKEY root;
    uint8_t view;         // the same path in the other view is another entry
    uint32_t hash;
    uint8_t ascii;        // the path is pure ASCII, so letters may be compared folded
    int8_t opens;         // -1 not tried yet, 1 opens, 0 does not
    int8_t otherHalfs;    // other view only: -1 not asked yet, 1 a key of that half's own, 0 not
    uint8_t enumerated;
    uint32_t subkeyCount;
    const char** subkeys;
    CachedValue* values;
    size_t pathLength;
    char path[1];         // pathLength + 1 bytes, allocated with the node
};

struct SharedReadCache {
    Block* blocks;
    KeyNode** buckets;
    uint32_t bucketCount;
    uint32_t nodeCount;
    size_t bytes;
    size_t peak;
    uint8_t exhausted;   // an allocation failed: no more sharing for this search
};

namespace {

typedef SharedReadCache Cache;

// The key's cache while it may be used; NULL: read directly.
Cache* Sharing(const ScanKey* key)
{
    Cache* cache = key->session != NULL ? key->session->reads : NULL;
    return cache != NULL && !cache->exhausted ? cache : NULL;
}

void* Allocate(Cache* cache, size_t size)
{
    size = (size + 7) & ~(size_t)7;
    Block* block = cache->blocks;
    if (block == NULL || block->size - block->used < size) {
        const size_t header = (sizeof(Block) + 7) & ~(size_t)7;
        const size_t want = header + (size > kBlockSize ? size : kBlockSize);
        Block* fresh = (Block*)malloc(want);
        if (fresh == NULL) {
            cache->exhausted = 1;
            return NULL;
        }
        fresh->next = block;
        fresh->used = header;
        fresh->size = want;
        cache->blocks = fresh;
        cache->bytes += want;
        if (cache->bytes > cache->peak) cache->peak = cache->bytes;
        block = fresh;
    }
    void* memory = (char*)block + block->used;
    block->used += size;
    return memory;
}

const char* Copy(Cache* cache, const char* text, size_t length)
{
    char* copy = (char*)Allocate(cache, length + 1);
    if (copy == NULL) return NULL;
    memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

uint8_t IsAscii(const char* text, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        if ((unsigned char)text[i] >= 0x80) return 0;
    }
    return 1;
}

// Registry names ignore case. Letters are folded only in pure ASCII texts: in a double-byte
// code page a trailing byte may look like an ASCII letter and must be compared exactly.
uint8_t SameName(const char* a, const char* b)
{
    if (a == NULL || b == NULL) return a == b ? 1 : 0;
    if (strcmp(a, b) == 0) return 1;
    return IsAscii(a, strlen(a)) && IsAscii(b, strlen(b)) && AsciiEqualNoCase(a, b) ? 1 : 0;
}

uint32_t PathHash(HKEY root, uint8_t view, const char* path, size_t length, uint8_t ascii)
{
    uint32_t hash = (2166136261u ^ (uint32_t)(uintptr_t)root) * 16777619u ^ view;
    for (size_t i = 0; i < length; i++) {
        const char c = ascii ? AsciiLower(path[i]) : path[i];
        hash = (hash ^ (unsigned char)c) * 16777619u;
    }
    return hash;
}

uint8_t Grow(Cache* cache)
{
    const uint32_t count = cache->bucketCount * 2;
    KeyNode** buckets = (KeyNode**)calloc(count, sizeof(KeyNode*));
    if (buckets == NULL) return 0;   // the table stays as it is, only fuller
    for (uint32_t i = 0; i < cache->bucketCount; i++) {
        for (KeyNode* node = cache->buckets[i]; node != NULL;) {
            KeyNode* next = node->nextInBucket;
            node->nextInBucket = buckets[node->hash % count];
            buckets[node->hash % count] = node;
            node = next;
        }
    }
    cache->bytes += count * sizeof(KeyNode*);
    cache->bytes -= cache->bucketCount * sizeof(KeyNode*);
    if (cache->bytes > cache->peak) cache->peak = cache->bytes;
    free(cache->buckets);
    cache->buckets = buckets;
    cache->bucketCount = count;
    return 1;
}

// The entry of root\path in the view, made when it is new; NULL when it cannot be had.
KeyNode* FindNode(Cache* cache, HKEY root, uint8_t view, const char* path, size_t length)
{
    const uint8_t ascii = IsAscii(path, length);
    const uint32_t hash = PathHash(root, view, path, length, ascii);
    for (KeyNode* node = cache->buckets[hash % cache->bucketCount]; node != NULL; node = node->nextInBucket) {
        if (node->hash != hash || node->root != root || node->view != view || node->pathLength != length ||
            node->ascii != ascii)
            continue;
        if (ascii ? AsciiEqualNoCase(node->path, path) : memcmp(node->path, path, length) == 0) return node;
    }
    if (cache->nodeCount >= cache->bucketCount) Grow(cache);
    KeyNode* node = (KeyNode*)Allocate(cache, sizeof(KeyNode) + length);
    if (node == NULL) return NULL;
    memset(node, 0, sizeof(KeyNode));   // not enumerated, no values
    node->root = root;
    node->view = view;
    node->hash = hash;
    node->ascii = ascii;
    node->opens = -1;
    node->otherHalfs = -1;
    node->pathLength = length;
    memcpy(node->path, path, length);
    node->path[length] = '\0';
    node->nextInBucket = cache->buckets[hash % cache->bucketCount];
    cache->buckets[hash % cache->bucketCount] = node;
    cache->nodeCount++;
    return node;
}

KeyNode* ChildNode(Cache* cache, const KeyNode* parent, const char* name)
{
    char joined[kJoinedPathSize];
    const size_t nameLength = strlen(name);
    if (parent->pathLength + 1 + nameLength >= sizeof joined) return NULL;
    memcpy(joined, parent->path, parent->pathLength);
    joined[parent->pathLength] = '\\';
    memcpy(joined + parent->pathLength + 1, name, nameLength + 1);
    return FindNode(cache, parent->root, parent->view, joined, parent->pathLength + 1 + nameLength);
}

// Opens the key itself when the registry has to be asked: below its parent, as it was first
// opened, or from its root.
uint8_t EnsureHandle(ScanKey* key)
{
    if (key->handle != NULL) return 1;
    if (key->node == NULL) return 0;
    if (key->parent != NULL && key->parent->node != NULL) {
        if (!EnsureHandle(key->parent)) return 0;
        const char* below = key->node->path + key->parent->node->pathLength + 1;
        key->handle = OpenKeyForRead(key->parent->handle, below, key->view);
    } else {
        key->handle = OpenKeyForRead(key->root, key->node->path, key->view);
    }
    return key->handle != NULL ? 1 : 0;
}

// Enumerates every subkey name once, until the first failure as every scan does.
uint8_t Enumerate(Cache* cache, KeyNode* node, HKEY handle)
{
    uint32_t capacity = 64;
    uint32_t count = 0;
    const char** names = (const char**)malloc(capacity * sizeof(const char*));
    if (names == NULL) return 0;
    char name[256];
    uint8_t ok = 1;
    for (DWORD i = 0; ok && EnumSubkeyName(handle, i, name); i++) {
        if (count == capacity) {
            const char** more = (const char**)realloc(names, 2 * capacity * sizeof(const char*));
            if (more == NULL) {
                ok = 0;
                break;
            }
            names = more;
            capacity *= 2;
        }
        names[count] = Copy(cache, name, strlen(name));
        if (names[count] == NULL) ok = 0;
        count++;
    }
    if (ok && count > 0) {
        node->subkeys = (const char**)Allocate(cache, count * sizeof(const char*));
        if (node->subkeys == NULL) ok = 0;
        else memcpy(node->subkeys, names, count * sizeof(const char*));
    }
    free(names);
    if (!ok) return 0;
    node->subkeyCount = count;
    node->enumerated = 1;
    return 1;
}

void ResetKey(ScanKey* key, SearchSession* session, HKEY root, ScanKey* parent)
{
    key->session = session;
    key->view = parent != NULL ? parent->view : SessionView(session);
    key->root = root;
    key->handle = NULL;
    key->node = NULL;
    key->parent = parent;
}

// Opens key (just reset) at path below its parent or, without one, its root: the cache entry
// node answers when it knows whether the key opens; otherwise the registry is asked and the
// entry learns the answer.
uint8_t OpenThrough(ScanKey* key, KeyNode* node, const char* path)
{
    if (node == NULL || node->opens < 0) {
        if (key->parent != NULL && !EnsureHandle(key->parent)) return 0;
        key->handle = OpenKeyForRead(key->parent != NULL ? key->parent->handle : key->root, path, key->view);
        if (node != NULL) node->opens = key->handle != NULL ? 1 : 0;
        if (key->handle == NULL) return 0;
    }
    if (node != NULL && node->opens == 0) return 0;
    key->node = node;
    return 1;
}

}  // namespace

uint8_t ScanOpen(SearchSession* session, HKEY root, const char* path, ScanKey* key)
{
    ResetKey(key, session, root, NULL);
    Cache* cache = Sharing(key);
    KeyNode* node = cache != NULL && path != NULL ? FindNode(cache, root, key->view, path, strlen(path)) : NULL;
    return OpenThrough(key, node, path);
}

uint8_t ScanOpenSub(ScanKey* parent, const char* path, ScanKey* key)
{
    ResetKey(key, parent->session, parent->root, parent);
    Cache* cache = Sharing(key);
    KeyNode* node = cache != NULL && parent->node != NULL && path != NULL ? ChildNode(cache, parent->node, path) : NULL;
    return OpenThrough(key, node, path);
}

uint8_t ScanEnumSubkey(ScanKey* key, DWORD index, char name[256])
{
    name[0] = '\0';
    Cache* cache = Sharing(key);
    KeyNode* node = cache != NULL ? key->node : NULL;
    if (node != NULL && !node->enumerated) {
        if (!EnsureHandle(key)) return 0;
        if (!Enumerate(cache, node, key->handle)) node = NULL;
    }
    if (node == NULL) {
        if (!EnsureHandle(key)) return 0;
        return EnumSubkeyName(key->handle, index, name);
    }
    if (index >= node->subkeyCount) return 0;
    lstrcpynA(name, node->subkeys[index], 256);
    return 1;
}

uint8_t ScanReadString(ScanKey* key, const char* valueName, char* buffer, DWORD size)
{
    if (buffer == NULL || size == 0) return 0;
    buffer[0] = '\0';
    KeyNode* node = Sharing(key) != NULL ? key->node : NULL;
    if (node != NULL) {
        for (const CachedValue* value = node->values; value != NULL; value = value->next) {
            if (value->size != size || !SameName(value->name, valueName)) continue;
            // The text was read into a buffer of this same size, so it fits.
            if (value->ok) memcpy(buffer, value->text, strlen(value->text) + 1);
            return value->ok;
        }
    }
    if (!EnsureHandle(key)) return 0;
    const uint8_t ok = ReadStringValue(key->handle, valueName, buffer, size);
    Cache* cache = Sharing(key);
    if (node == NULL || cache == NULL) return ok;
    CachedValue* value = (CachedValue*)Allocate(cache, sizeof(CachedValue));
    const char* name = valueName != NULL ? Copy(cache, valueName, strlen(valueName)) : NULL;
    const char* text = ok ? Copy(cache, buffer, strlen(buffer)) : "";
    if (value == NULL || (valueName != NULL && name == NULL) || text == NULL) return ok;
    value->name = name;
    value->size = size;
    value->ok = ok;
    value->text = text;
    value->next = node->values;
    node->values = value;
    return ok;
}

uint8_t KeyOfOtherHalf(SearchSession* session, HKEY root, const char* path, HKEY opened)
{
    Cache* cache = session != NULL && session->reads != NULL && !session->reads->exhausted ? session->reads : NULL;
    KeyNode* node = cache != NULL && path != NULL ? FindNode(cache, root, kViewOther, path, strlen(path)) : NULL;
    if (node != NULL && node->otherHalfs >= 0) return (uint8_t)node->otherHalfs;
    const uint8_t differs = opened != NULL ? OpenKeyDiffersFromOwnView(opened, root, path) : KeyDiffersInOtherView(root, path);
    if (node != NULL) node->otherHalfs = (int8_t)differs;
    return differs;
}

// An open and a close, as KeyExists makes them; the cache entry answers when it can.
uint8_t ScanKeyExists(SearchSession* session, HKEY root, const char* path)
{
    ScanKey key;
    const uint8_t exists = ScanOpen(session, root, path, &key);
    ScanClose(&key);
    return exists;
}

uint8_t ScanSubkeyExists(ScanKey* parent, const char* path)
{
    ScanKey key;
    const uint8_t exists = ScanOpenSub(parent, path, &key);
    ScanClose(&key);
    return exists;
}

void ScanClose(ScanKey* key)
{
    if (key->handle != NULL) RegCloseKey(key->handle);
    key->handle = NULL;
    key->node = NULL;
}

void BeginSharedReads(SearchSession* session)
{
    Cache* cache = (Cache*)calloc(1, sizeof(Cache));
    if (cache == NULL) return;
    cache->buckets = (KeyNode**)calloc(kFirstBuckets, sizeof(KeyNode*));
    if (cache->buckets == NULL) {
        free(cache);
        return;
    }
    cache->bucketCount = kFirstBuckets;
    cache->bytes = cache->peak = sizeof(Cache) + kFirstBuckets * sizeof(KeyNode*);
    session->reads = cache;
}

void EndSharedReads(SearchSession* session)
{
    Cache* cache = session->reads;
    if (cache == NULL) return;
    if (cache->peak > session->readsPeak) session->readsPeak = cache->peak;
    for (Block* block = cache->blocks; block != NULL;) {
        Block* next = block->next;
        free(block);
        block = next;
    }
    free(cache->buckets);
    free(cache);
    session->reads = NULL;
}
