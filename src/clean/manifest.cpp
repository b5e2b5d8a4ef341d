// Manifest lines: field encoding and decoding.
#include "clean/manifest.h"
#include <stdio.h>
#include <string.h>

void PutField(OutputFile* out, const char* data, DWORD length, uint8_t first)
{
    if (!first) PutText(out, "\t");
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

static int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decodes %XX in place; returns the decoded length.
static DWORD DecodeField(char* field)
{
    DWORD n = 0;
    for (char* p = field; *p != '\0'; p++) {
        if (*p == '%' && HexValue(p[1]) >= 0 && HexValue(p[2]) >= 0) {
            field[n++] = (char)(HexValue(p[1]) * 16 + HexValue(p[2]));
            p += 2;
        } else {
            field[n++] = *p;
        }
    }
    field[n] = '\0';
    return n;
}

int SplitManifestLine(char* line, char* fields[kManifestFields], DWORD lengths[kManifestFields])
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

DWORD FieldNumber(const char* field)
{
    DWORD value = 0;
    for (const char* p = field; HexValue(*p) >= 0; p++) value = value * 16 + (DWORD)HexValue(*p);
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
