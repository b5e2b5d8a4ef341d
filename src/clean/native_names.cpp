// The native name of a 32-bit key, found from its kernel name. The kernel name cannot simply be
// cut at the hive's own kernel name: HKEY_CLASSES_ROOT merges two hives, and
// HKEY_CURRENT_USER\Software\Classes is a link to the user's <SID>_Classes hive. So the path is
// matched from its last component upwards against the kernel name: where the kernel name holds a
// Wow6432Node that the path lacks, and everything below it agrees, the redirection put it there,
// and the native path is the item's path with that key inserted at the same place. A kernel name
// without one is a key the halves share, whose native path is its own.
#include "clean/native_names.h"
#include <stdio.h>
#include <string.h>
#include "clean/reg_file.h"
#include "platform/ascii_case.h"

const char kWow6432NodeName[] = "Wow6432Node";

namespace {

struct Component {
    const char* start;
    int length;
};

// The component of text that ends at position end (a backslash or the terminator). Returns the
// position of the backslash before it, or -1 for the first component.
int PreviousComponent(const char* text, int end, Component* component)
{
    int start = end;
    while (start > 0 && text[start - 1] != '\\') start--;
    component->start = text + start;
    component->length = end - start;
    return start - 1;
}

uint8_t SameComponent(const Component& a, const Component& b)
{
    return a.length == b.length && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.start, a.length, b.start,
                                                  b.length) == CSTR_EQUAL
               ? 1
               : 0;
}

// Where in path (a character position) the redirection put the Wow6432Node key that kernelName
// holds: the start of the part of path that agrees with the end of kernelName, when the kernel
// name's component just above that part is Wow6432Node. -1 when there is none.
int RedirectedAt(const char* kernelName, const char* path)
{
    const Component node = {kWow6432NodeName, (int)strlen(kWow6432NodeName)};
    int k = (int)strlen(kernelName);
    int p = (int)strlen(path);
    int tail = p;   // where the part of path that agrees so far starts
    while (k >= 0) {
        Component kernel, own;
        const int kernelBefore = PreviousComponent(kernelName, k, &kernel);
        if (p >= 0) {
            const int pathBefore = PreviousComponent(path, p, &own);
            if (SameComponent(kernel, own)) {
                k = kernelBefore;
                p = pathBefore;
                tail = (int)(own.start - path);
                continue;
            }
        }
        // Not the same: either the inserted key (right above what agreed) or where they part.
        return SameComponent(kernel, node) ? tail : -1;
    }
    return -1;
}

uint8_t SameKernelName(HKEY key, HKEY other)
{
    char name[kRegPathSize];
    char otherName[kRegPathSize];
    return KeyKernelName(key, name, sizeof name) && KeyKernelName(other, otherName, sizeof otherName) &&
                   AsciiEqualNoCase(name, otherName)
               ? 1
               : 0;
}

}  // namespace

uint8_t NativeKeyPath(const KeyInView& key, HKEY opened, char* native, int size)
{
    const char* path = key.path;
    const int length = (int)strlen(path);
    if (length >= size) return 0;
    memcpy(native, path, (size_t)length + 1);
    if (RegistryViewCount() < 2 || RegistryViewIs64Bit(key.view)) return 1;

    char kernelName[kRegPathSize];
    if (!KeyKernelName(opened, kernelName, sizeof kernelName)) return 0;
    const int at = RedirectedAt(kernelName, path);
    if (at >= 0) {
        // The key itself may be the redirected root (SOFTWARE opened in the 32-bit view).
        const int written = at == length ? snprintf(native, (size_t)size, "%s%s%s", path, length > 0 ? "\\" : "",
                                                    kWow6432NodeName)
                                         : snprintf(native, (size_t)size, "%.*s%s\\%s", at, path, kWow6432NodeName,
                                                    path + at);
        if (written < 0 || written >= size) return 0;
    }
    // The proof: the name opens in the 64-bit view as this very key.
    HKEY reopened = NULL;
    if (OpenKeyInView({key.hive, native, NativeNameView()}, KEY_QUERY_VALUE, &reopened) != ERROR_SUCCESS) return 0;
    const uint8_t same = SameKernelName(opened, reopened);
    RegCloseKey(reopened);
    return same;
}
