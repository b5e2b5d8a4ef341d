// The chained hash index of texts compared without regard to case.
#include "platform/text_index.h"
#include "platform/ascii_case.h"

size_t TextIndexBytes(int32_t capacity)
{
    int32_t buckets = 16;
    while (buckets < capacity) buckets *= 2;
    return ((size_t)buckets + (size_t)(capacity > 0 ? capacity : 0)) * sizeof(int32_t);
}

void InitTextIndex(TextIndex* index, int32_t capacity, void* memory)
{
    int32_t buckets = 16;
    while (buckets < capacity) buckets *= 2;
    index->capacity = capacity > 0 ? capacity : 0;
    index->bucketCount = buckets;
    index->heads = (int32_t*)memory;
    index->next = index->heads + buckets;
    ClearTextIndex(index);
}

void ClearTextIndex(TextIndex* index)
{
    for (int32_t i = 0; i < index->bucketCount; i++) index->heads[i] = -1;
    index->others = -1;
    index->indexed = 0;
}

static uint32_t Mix(uint32_t hash, unsigned char byte)
{
    return (hash ^ byte) * 16777619u;
}

void StartTextKey(TextKey* key)
{
    key->hash = 2166136261u;
    key->plain = 1;
}

void AddKeyText(TextKey* key, const char* text)
{
    // Presence and the terminator go in too: ("ab", "c") and ("a", "bc") are different keys.
    key->hash = Mix(key->hash, text != NULL ? 1 : 2);
    if (text == NULL) return;
    for (const char* c = text; *c != '\0'; c++) {
        const unsigned char byte = (unsigned char)*c;
        if (byte < 0x20 || byte > 0x7E) key->plain = 0;
        key->hash = Mix(key->hash, (unsigned char)AsciiLower(*c));
    }
    key->hash = Mix(key->hash, 0);
}

void AddKeyNumber(TextKey* key, uint32_t number)
{
    for (int i = 0; i < 4; i++) key->hash = Mix(key->hash, (unsigned char)(number >> (8 * i)));
}

void AddToTextIndex(TextIndex* index, const TextKey& key)
{
    const int32_t position = index->indexed;
    if (position >= index->capacity) return;
    int32_t* head = key.plain ? &index->heads[key.hash & (uint32_t)(index->bucketCount - 1)] : &index->others;
    index->next[position] = *head;
    *head = position;
    index->indexed++;
}

int32_t FirstInChain(const TextIndex* index, const TextKey& key)
{
    return index->heads[key.hash & (uint32_t)(index->bucketCount - 1)];
}
