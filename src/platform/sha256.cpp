// SHA-256 by CryptoAPI: a context that needs no key container, one hash object per sum.
// Acquiring the context loads and sets up the provider, which costs far more than hashing a
// small file: one context serves every sum of the process and is never released.
#include "platform/sha256.h"
#include <wincrypt.h>

// The headers show it only to builds aimed at XP SP3 and later; the value is fixed.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

// The process's context, acquired on first use (0 while it cannot be). Two threads that ask
// at once both acquire one; the one that loses the exchange releases its own.
static HCRYPTPROV SharedProvider()
{
    static void* volatile shared = NULL;
    void* known = InterlockedCompareExchangePointer(&shared, NULL, NULL);
    if (known != NULL) return (HCRYPTPROV)(ULONG_PTR)known;
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return 0;
    known = InterlockedCompareExchangePointer(&shared, (void*)(ULONG_PTR)provider, NULL);
    if (known == NULL) return provider;
    CryptReleaseContext(provider, 0);
    return (HCRYPTPROV)(ULONG_PTR)known;
}

uint8_t BeginSha256(Sha256* sum)
{
    const HCRYPTPROV provider = SharedProvider();
    HCRYPTHASH hash = 0;
    sum->provider = provider;
    sum->hash = 0;
    sum->ok = provider != 0 ? 1 : 0;
    if (sum->ok) {
        sum->ok = CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) ? 1 : 0;
        sum->hash = hash;
    }
    return sum->ok;
}

void AddSha256(Sha256* sum, const void* data, DWORD size)
{
    if (sum->ok && size > 0 && !CryptHashData((HCRYPTHASH)sum->hash, (const BYTE*)data, size, 0)) sum->ok = 0;
}

uint8_t EndSha256(Sha256* sum, char hex[kSha256HexSize])
{
    static const char kDigits[] = "0123456789abcdef";
    BYTE value[32];
    DWORD length = sizeof value;
    hex[0] = '\0';
    if (sum->ok && (!CryptGetHashParam((HCRYPTHASH)sum->hash, HP_HASHVAL, value, &length, 0) || length != 32))
        sum->ok = 0;
    if (sum->ok) {
        for (int i = 0; i < 32; i++) {
            hex[2 * i] = kDigits[value[i] >> 4];
            hex[2 * i + 1] = kDigits[value[i] & 15];
        }
        hex[64] = '\0';
    }
    if (sum->hash != 0) CryptDestroyHash((HCRYPTHASH)sum->hash);
    sum->hash = 0;
    sum->provider = 0;
    return sum->ok;
}

uint8_t FileSha256(const char* path, char hex[kSha256HexSize], ULONGLONG* size)
{
    hex[0] = '\0';
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    Sha256 sum;
    BeginSha256(&sum);
    static const DWORD kBlock = 16384;
    BYTE* block = (BYTE*)LocalAlloc(LMEM_FIXED, kBlock);
    if (block == NULL) sum.ok = 0;
    while (sum.ok) {
        DWORD read = 0;
        if (!ReadFile(file, block, kBlock, &read, NULL)) sum.ok = 0;
        else if (read == 0) break;
        AddSha256(&sum, block, read);
        *size += read;
    }
    if (block != NULL) LocalFree(block);
    CloseHandle(file);
    return EndSha256(&sum, hex);
}
