// An index for finding a text among many under the system's case-insensitive comparison
// (lstrcmpiA) without comparing it with each. Texts made only of printable ASCII characters are
// hashed with their letters folded: two such texts that lstrcmpiA holds equal are equal letter
// for letter once ASCII case is ignored, so they meet in one chain. Any other text (control
// characters, bytes above 127, which the locale compares in its own way: "\xdf" may equal "ss")
// sits on one chain that every look-up walks as well, and a look-up of such a text has to
// compare with every position. The index only narrows the candidates; the caller compares them.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct TextIndex {
    int32_t capacity;     // positions 0 .. capacity - 1
    int32_t bucketCount;  // a power of two
    int32_t* heads;       // first position of each chain, -1 for none
    int32_t* next;        // the next position in the same chain, -1 at the end
    int32_t others;       // the chain of positions whose keys are not plain
    int32_t indexed;      // positions 0 .. indexed - 1 are in the index
};

// A key made of texts and numbers.
struct TextKey {
    uint32_t hash;
    uint8_t plain;        // every text of it is printable ASCII (or absent)
};

// Bytes an index of capacity positions needs for its chains.
size_t TextIndexBytes(int32_t capacity);
// Lays the index out in memory of TextIndexBytes(capacity) bytes, suitably aligned for int32_t,
// and empties it.
void InitTextIndex(TextIndex* index, int32_t capacity, void* memory);
void ClearTextIndex(TextIndex* index);

void StartTextKey(TextKey* key);
void AddKeyText(TextKey* key, const char* text);   // absent texts allowed
void AddKeyNumber(TextKey* key, uint32_t number);

// Adds position (the next one, index->indexed) under key.
void AddToTextIndex(TextIndex* index, const TextKey& key);
// The first position of key's chain; walk on with index->next, then walk index->others.
int32_t FirstInChain(const TextIndex* index, const TextKey& key);
