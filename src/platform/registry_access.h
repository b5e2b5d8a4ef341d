// The registry read primitives every registry rule goes through. Every read leaves a
// terminated string inside the buffer, whatever the stored data looked like.
#pragma once
#include <windows.h>
#include <stdint.h>

// Opens path below root (a predefined or an open key) with KEY_READ, in the registry view given
// (machine_halves.h: the own one unless said); NULL for any failure.
HKEY OpenKeyForRead(HKEY root, const char* path, uint8_t view = 0);
// Name of subkey number index into name (256 characters). 1 on success.
uint8_t EnumSubkeyName(HKEY key, DWORD index, char name[256]);
// Reads the data of valueName (NULL: the default value) into buffer, at most size bytes,
// whatever its type. buffer[0] is NUL first; on success the text is terminated inside buffer.
uint8_t ReadStringValue(HKEY key, const char* valueName, char* buffer, DWORD size);
// 1 when OpenKeyForRead succeeds in the view (the key is closed again).
uint8_t KeyExists(HKEY root, const char* path, uint8_t view = 0);
