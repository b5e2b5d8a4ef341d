// manifest.txt: field encoding and decoding, and loading the whole file.
#include "clean/manifest.h"
#include <stdio.h>
#include <string.h>
#include "platform/ascii_case.h"

void BeginLine(OutputFile* out, const char* tag)
{
    PutText(out, tag);   // tags are plain text: nothing to encode
}

void PutField(OutputFile* out, const char* data, DWORD length)
{
    PutText(out, "\t");
    DWORD start = 0;
    for (DWORD i = 0; i < length; i++) {
        const BYTE c = (BYTE)data[i];
        if (c >= 0x20 && c != '%') continue;
        char escaped[4];
        snprintf(escaped, sizeof escaped, "%%%02X", c);
        PutBytes(out, data + start, i - start);
        PutText(out, escaped);
        start = i + 1;
    }
    PutBytes(out, data + start, length - start);
}

void PutTextField(OutputFile* out, const char* text)
{
    PutField(out, text != NULL ? text : "", text != NULL ? (DWORD)strlen(text) : 0);
}

void PutNumberField(OutputFile* out, DWORD value)
{
    char text[16];
    snprintf(text, sizeof text, "\t%08lX", (unsigned long)value);
    PutText(out, text);
}

void PutTimeField(OutputFile* out, const FILETIME& time)
{
    char text[24];
    snprintf(text, sizeof text, "\t%08lX%08lX", (unsigned long)time.dwHighDateTime, (unsigned long)time.dwLowDateTime);
    PutText(out, text);
}

void PutSizeField(OutputFile* out, ULONGLONG size)
{
    FILETIME halves;
    halves.dwHighDateTime = (DWORD)(size >> 32);
    halves.dwLowDateTime = (DWORD)size;
    PutTimeField(out, halves);
}

void EndLine(OutputFile* out)
{
    PutText(out, "\r\n");
}

// Decodes %XX in place; returns the decoded length.
static DWORD DecodeField(char* field)
{
    DWORD n = 0;
    for (char* p = field; *p != '\0'; p++) {
        if (*p == '%' && AsciiHexDigit(p[1]) >= 0 && AsciiHexDigit(p[2]) >= 0) {
            field[n++] = (char)(AsciiHexDigit(p[1]) * 16 + AsciiHexDigit(p[2]));
            p += 2;
        } else {
            field[n++] = *p;
        }
    }
    field[n] = '\0';
    return n;
}

// Splits a line at its tabs, decoding each field in place; returns the number of fields.
static int SplitLine(char* line, char* fields[kManifestFields], DWORD lengths[kManifestFields])
{
    int count = 0;
    char* p = line;
    while (count < kManifestFields) {
        fields[count] = p;
        char* tab = strchr(p, '\t');
        if (tab != NULL) *tab = '\0';
        lengths[count] = DecodeField(p);
        count++;
        if (tab == NULL) break;
        p = tab + 1;
    }
    return count;
}

uint8_t LoadManifest(const char* path, Manifest* manifest)
{
    manifest->lines = NULL;
    manifest->count = 0;
    DWORD length = 0;
    if (!LoadWholeFile(path, &manifest->text, &length)) return 0;
    // A text file: no NUL inside (the fields encode theirs), and a size with a bound, so that
    // the line table's size cannot wrap.
    int lines = 0;
    uint8_t plain = length <= kManifestMaxSize ? 1 : 0;
    for (DWORD i = 0; plain && i < length; i++) {
        if (manifest->text[i] == '\0') plain = 0;
        lines += manifest->text[i] == '\n';
    }
    if (!plain || lines >= kManifestMaxLines) {
        FreeManifest(manifest);
        return 0;
    }
    manifest->lines = (ManifestLine*)LocalAlloc(LMEM_FIXED, ((SIZE_T)lines + 1) * sizeof(ManifestLine));
    if (manifest->lines == NULL) {
        FreeManifest(manifest);
        return 0;
    }
    char* p = manifest->text;
    while (p < manifest->text + length) {
        char* end = strchr(p, '\n');
        if (end != NULL) *end = '\0';
        const size_t size = strlen(p);
        if (size > 0 && p[size - 1] == '\r') p[size - 1] = '\0';
        if (p[0] != '\0' && manifest->count <= lines) {
            ManifestLine& line = manifest->lines[manifest->count++];
            line.count = SplitLine(p, line.fields, line.lengths);
        }
        if (end == NULL) break;
        p = end + 1;
    }
    return 1;
}

void FreeManifest(Manifest* manifest)
{
    if (manifest->lines != NULL) LocalFree(manifest->lines);
    if (manifest->text != NULL) LocalFree(manifest->text);
    manifest->lines = NULL;
    manifest->text = NULL;
    manifest->count = 0;
}

uint8_t ManifestLineIs(const ManifestLine& line, const char* tag, int fields)
{
    return line.count >= fields && strcmp(line.fields[0], tag) == 0 ? 1 : 0;
}

DWORD FieldNumber(const char* field)
{
    DWORD value = 0;
    for (const char* p = field; AsciiHexDigit(*p) >= 0; p++) value = value * 16 + (DWORD)AsciiHexDigit(*p);
    return value;
}

FILETIME FieldTime(const char* field)
{
    FILETIME time = {0, 0};
    char half[9];
    if (strlen(field) != 16) return time;
    lstrcpynA(half, field, sizeof half);
    time.dwHighDateTime = FieldNumber(half);
    time.dwLowDateTime = FieldNumber(field + 8);
    return time;
}

ULONGLONG FieldSize(const char* field)
{
    const FILETIME halves = FieldTime(field);
    return ((ULONGLONG)halves.dwHighDateTime << 32) | halves.dwLowDateTime;
}
