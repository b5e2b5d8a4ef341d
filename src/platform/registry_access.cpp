// The registry read primitives.
#include "platform/registry_access.h"
#include "platform/machine_halves.h"

HKEY OpenKeyForRead(HKEY root, const char* path, uint8_t view)
{
    HKEY key = NULL;
    if (OpenKeyInView({root, path, view}, KEY_READ, &key) != ERROR_SUCCESS) return NULL;
    return key;
}

uint8_t EnumSubkeyName(HKEY key, DWORD index, char name[256])
{
    DWORD length = 256;
    name[0] = '\0';
    if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) return 0;
    name[255] = '\0';
    return 1;
}

uint8_t ReadStringValue(HKEY key, const char* valueName, char* buffer, DWORD size)
{
    if (buffer == NULL || size == 0) return 0;
    buffer[0] = '\0';
    DWORD length = size;
    if (RegQueryValueExA(key, valueName, NULL, NULL, (BYTE*)buffer, &length) != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return 0;
    }
    // Data stored without its terminator, or filling the buffer exactly, is terminated inside it.
    if (length >= size) length = size - 1;
    buffer[length] = '\0';
    return 1;
}

uint8_t KeyExists(HKEY root, const char* path, uint8_t view)
{
    HKEY key = OpenKeyForRead(root, path, view);
    if (key == NULL) return 0;
    RegCloseKey(key);
    return 1;
}
