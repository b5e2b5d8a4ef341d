// The REGEDIT4 writer: key sections, value lines and comments of registry.reg.
#include "clean/reg_file.h"
#include <stdio.h>
#include <string.h>

const char kRegFileHeader[] = "REGEDIT4\r\n";

// Longest line before hex data continues on the next one (regedit wraps near 80 columns).
static const DWORD kHexLineWidth = 76;

// A double-byte character: a lead byte followed by a trail byte. Trail bytes are 0x40 and above
// in every double-byte code page, so a quote or a control character never counts as one.
static uint8_t IsDoubleByte(const BYTE* text, DWORD at, DWORD size, UINT codePage)
{
    return at + 1 < size && IsDBCSLeadByteEx(codePage, text[at]) && text[at + 1] >= 0x40 ? 1 : 0;
}

// 1 when the bytes can stand in the file as quoted text: no control character, no NUL, no broken
// double-byte character.
static uint8_t Printable(const BYTE* text, DWORD size, UINT codePage)
{
    for (DWORD i = 0; i < size; i++) {
        if (IsDoubleByte(text, i, size, codePage)) {
            i++;
            continue;
        }
        if (text[i] < 0x20 || IsDBCSLeadByteEx(codePage, text[i])) return 0;
    }
    return 1;
}

// The bytes quoted, with backslash and quote escaped; the caller checked Printable.
static void PutQuoted(OutputFile* out, const BYTE* text, DWORD size, UINT codePage)
{
    PutText(out, "\"");
    DWORD start = 0;
    for (DWORD i = 0; i < size; i++) {
        if (IsDoubleByte(text, i, size, codePage)) {
            i++;
            continue;
        }
        if (text[i] == '\\' || text[i] == '"') {
            PutBytes(out, text + start, i - start);
            PutText(out, "\\");
            start = i;   // the character itself follows its backslash
        }
    }
    PutBytes(out, text + start, size - start);
    PutText(out, "\"");
}

uint8_t WriteRegKeyLine(OutputFile* out, const char* hiveName, const char* path, UINT codePage)
{
    const DWORD length = (DWORD)strlen(path);
    if (!Printable((const BYTE*)path, length, codePage)) return 0;
    PutText(out, "\r\n[");
    PutText(out, hiveName);
    if (length > 0) {
        PutText(out, "\\");
        PutBytes(out, path, length);
    }
    PutText(out, "]\r\n");
    return 1;
}

// hex(N): followed by comma-separated bytes, continued with a backslash past the line width.
static void PutHex(OutputFile* out, DWORD type, const BYTE* data, DWORD size, DWORD column)
{
    char head[32];
    if (type == REG_BINARY) snprintf(head, sizeof head, "hex:");
    else snprintf(head, sizeof head, "hex(%lx):", (unsigned long)type);
    PutText(out, head);
    column += (DWORD)strlen(head);
    for (DWORD i = 0; i < size; i++) {
        char pair[4];
        snprintf(pair, sizeof pair, i + 1 < size ? "%02x," : "%02x", data[i]);
        PutText(out, pair);
        column += 3;
        if (column >= kHexLineWidth && i + 1 < size) {
            PutText(out, "\\\r\n  ");
            column = 2;
        }
    }
    PutText(out, "\r\n");
}

uint8_t WriteRegValueLine(OutputFile* out, const char* name, DWORD type, const BYTE* data, DWORD size,
                          UINT codePage)
{
    DWORD column = 0;
    if (name == NULL) {
        PutText(out, "@=");
        column = 2;
    } else {
        const DWORD length = (DWORD)strlen(name);
        if (!Printable((const BYTE*)name, length, codePage)) return 0;
        PutQuoted(out, (const BYTE*)name, length, codePage);
        PutText(out, "=");
        column = length + 3;
    }
    // A terminated string of printable text is written as regedit writes it; anything else keeps
    // its exact bytes in hex, so that no terminator is added or lost.
    if (type == REG_SZ && size > 0 && data[size - 1] == '\0' && Printable(data, size - 1, codePage)) {
        PutQuoted(out, data, size - 1, codePage);
        PutText(out, "\r\n");
    } else if (type == REG_DWORD && size == 4) {
        char text[24];
        snprintf(text, sizeof text, "dword:%08lx\r\n",
                 (unsigned long)(data[0] | (data[1] << 8) | (data[2] << 16) | ((DWORD)data[3] << 24)));
        PutText(out, text);
    } else {
        PutHex(out, type, data, size, column);
    }
    return 1;
}

void WriteRegComment(OutputFile* out, const char* marker, const char* text)
{
    PutText(out, "; ");
    PutText(out, marker);
    for (const char* p = text; *p != '\0'; p++) PutBytes(out, (BYTE)*p < 0x20 ? "?" : p, 1);
    PutText(out, "\r\n");
}
