// SHA-256 through the platform's CryptoAPI (PROV_RSA_AES, XP SP3 and later): a running hash fed
// block by block, and the hash of a whole file, both given as 64 lowercase hex digits.
#pragma once
#include <windows.h>
#include <stdint.h>

const int kSha256HexSize = 65;   // 64 digits and the terminator

struct Sha256 {
    ULONG_PTR provider;   // HCRYPTPROV: the process's own, shared by every sum and never released
    ULONG_PTR hash;       // HCRYPTHASH
    uint8_t ok;           // 0 once any step failed: the result is then refused
};

uint8_t BeginSha256(Sha256* sum);
void AddSha256(Sha256* sum, const void* data, DWORD size);
// Writes the digits into hex and releases the hash; 1 when every step succeeded.
uint8_t EndSha256(Sha256* sum, char hex[kSha256HexSize]);
// The hash of the file's bytes and its size; 0 when it cannot be read.
uint8_t FileSha256(const char* path, char hex[kSha256HexSize], ULONGLONG* size);
