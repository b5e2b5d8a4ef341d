// The REGEDIT4 reader: key sections, value lines (quoted strings, dword:, hex: and hex(N): with
// continuation lines) and comments, handed to a visitor in file order.
#include "clean/reg_file.h"
#include <string.h>
#include "platform/ascii_case.h"

namespace {

// The work buffers of one reading: every decoded text or data is shorter than the file.
struct Reader {
    UINT codePage;
    RegFileVisitor* visitor;
    char* text;      // a decoded name, path or comment, terminated
    BYTE* data;      // decoded value data
    DWORD capacity;  // bytes of each buffer
};

uint8_t IsBlank(char c)
{
    return c == ' ' || c == '\t' ? 1 : 0;
}

const char* SkipBlanks(const char* p, const char* end)
{
    while (p < end && IsBlank(*p)) p++;
    return p;
}

// The end of the line at p: its '\n', or end. A '\r' before it belongs to the line break.
const char* LineEnd(const char* p, const char* end)
{
    const char* found = (const char*)memchr(p, '\n', (size_t)(end - p));
    return found != NULL ? found : end;
}

const char* TrimLineEnd(const char* start, const char* lineEnd)
{
    while (lineEnd > start && (lineEnd[-1] == '\r' || IsBlank(lineEnd[-1]))) lineEnd--;
    return lineEnd;
}

// A quoted text at p (its opening quote) decoded into out; returns the position after the
// closing quote, or NULL for a broken text. Only \\ and \" are escapes.
const char* ParseQuoted(const char* p, const char* lineEnd, BYTE* out, DWORD* length, UINT codePage)
{
    DWORD n = 0;
    for (p++; p < lineEnd; p++) {
        const BYTE c = (BYTE)*p;
        if (IsDBCSLeadByteEx(codePage, c) && p + 1 < lineEnd && (BYTE)p[1] >= 0x40) {
            out[n++] = c;
            out[n++] = (BYTE)*++p;
        } else if (c == '"') {
            *length = n;
            return p + 1;
        } else if (c == '\\') {
            if (p + 1 >= lineEnd || (p[1] != '\\' && p[1] != '"')) return NULL;
            out[n++] = (BYTE)*++p;
        } else {
            out[n++] = c;
        }
    }
    return NULL;
}

// Comma-separated hex bytes from p, continuing on the next line after a trailing backslash.
// Returns the end of the last line it read, or NULL for broken data.
const char* ParseHexBytes(const char* p, const char* end, BYTE* out, DWORD* size)
{
    DWORD n = 0;
    const char* lineEnd = LineEnd(p, end);
    for (;;) {
        p = SkipBlanks(p, lineEnd);
        if (p < lineEnd && *p == '\\' && TrimLineEnd(p + 1, lineEnd) == p + 1) {
            // Continued: the data goes on after the next line's indentation.
            if (lineEnd >= end) return NULL;
            p = lineEnd + 1;
            lineEnd = LineEnd(p, end);
            continue;
        }
        if (p >= lineEnd || *p == '\r') break;
        const int high = AsciiHexDigit(p[0]);
        const int low = p + 1 < lineEnd ? AsciiHexDigit(p[1]) : -1;
        if (high < 0 || low < 0) return NULL;
        out[n++] = (BYTE)(high * 16 + low);
        p = SkipBlanks(p + 2, lineEnd);
        if (p < lineEnd && *p == ',') p++;
        else if (!(p >= lineEnd || *p == '\r' || *p == '\\')) return NULL;
    }
    if (TrimLineEnd(p, lineEnd) != p) return NULL;
    *size = n;
    return lineEnd;
}

// "[hive\path]" between start and lineEnd (already trimmed).
uint8_t ReadKeyLine(Reader* reader, const char* start, const char* lineEnd)
{
    if (lineEnd - start < 2 || lineEnd[-1] != ']' || start[1] == '-') return 0;
    const char* inside = start + 1;
    const char* close = lineEnd - 1;
    const char* slash = (const char*)memchr(inside, '\\', (size_t)(close - inside));
    const char* hiveEnd = slash != NULL ? slash : close;
    const HKEY root = HiveFromName(inside, (DWORD)(hiveEnd - inside));
    if (root == NULL) return 0;
    const char* path = slash != NULL ? slash + 1 : close;
    const DWORD length = (DWORD)(close - path);
    if (length >= reader->capacity) return 0;
    memcpy(reader->text, path, length);
    reader->text[length] = '\0';
    reader->visitor->key(reader->visitor->context, root, reader->text);
    return 1;
}

// A value line from start; returns the end of the last line it used, or NULL when broken.
const char* ReadValueLine(Reader* reader, const char* start, const char* end)
{
    const char* lineEnd = LineEnd(start, end);
    const char* p = start;
    const char* name = NULL;
    if (*p == '@') {
        p++;
    } else {
        DWORD nameLength = 0;
        p = ParseQuoted(p, lineEnd, (BYTE*)reader->text, &nameLength, reader->codePage);
        if (p == NULL) return NULL;
        reader->text[nameLength] = '\0';
        name = reader->text;
    }
    p = SkipBlanks(p, lineEnd);
    if (p >= lineEnd || *p != '=') return NULL;
    p = SkipBlanks(p + 1, lineEnd);

    DWORD type = REG_SZ;
    DWORD size = 0;
    const size_t rest = (size_t)(lineEnd - p);
    if (p < lineEnd && *p == '"') {
        p = ParseQuoted(p, lineEnd, reader->data, &size, reader->codePage);
        if (p == NULL || TrimLineEnd(p, lineEnd) != p) return NULL;
        reader->data[size++] = '\0';
    } else if (rest >= 6 && strncmp(p, "dword:", 6) == 0) {
        p += 6;
        DWORD number = 0;
        int digits = 0;
        for (; p < lineEnd && AsciiHexDigit(*p) >= 0 && digits < 8; p++, digits++)
            number = number * 16 + (DWORD)AsciiHexDigit(*p);
        if (digits == 0 || TrimLineEnd(p, lineEnd) != p) return NULL;
        type = REG_DWORD;
        size = 4;
        for (int i = 0; i < 4; i++) reader->data[i] = (BYTE)(number >> (8 * i));
    } else if (rest >= 4 && strncmp(p, "hex:", 4) == 0) {
        type = REG_BINARY;
        lineEnd = ParseHexBytes(p + 4, end, reader->data, &size);
    } else if (rest >= 4 && strncmp(p, "hex(", 4) == 0) {
        p += 4;
        type = 0;
        int digits = 0;
        for (; p < lineEnd && AsciiHexDigit(*p) >= 0 && digits < 8; p++, digits++)
            type = type * 16 + (DWORD)AsciiHexDigit(*p);
        if (digits == 0 || lineEnd - p < 2 || p[0] != ')' || p[1] != ':') return NULL;
        lineEnd = ParseHexBytes(p + 2, end, reader->data, &size);
    } else {
        return NULL;   // "-" (a deletion) or anything unknown
    }
    if (lineEnd == NULL) return NULL;
    // RegSetValueExA counts a terminator that follows string data given without one; a byte
    // other than NUL after the data keeps the bytes exactly as they were read.
    reader->data[size] = 0xFF;
    reader->visitor->value(reader->visitor->context, name, type, reader->data, size);
    return lineEnd;
}

}  // namespace

uint8_t ReadRegText(const char* text, DWORD length, UINT codePage, RegFileVisitor* visitor)
{
    Reader reader;
    reader.codePage = codePage;
    reader.visitor = visitor;
    reader.capacity = length + 16;
    reader.text = (char*)LocalAlloc(LMEM_FIXED, reader.capacity);
    reader.data = (BYTE*)LocalAlloc(LMEM_FIXED, reader.capacity);
    if (reader.text == NULL || reader.data == NULL) {
        if (reader.text != NULL) LocalFree(reader.text);
        if (reader.data != NULL) LocalFree(reader.data);
        return 0;
    }

    const char* end = text + length;
    const char* p = text;
    uint8_t first = 1;
    while (p < end) {
        const char* lineEnd = LineEnd(p, end);
        const char* start = SkipBlanks(p, lineEnd);
        const char* trimmed = TrimLineEnd(start, lineEnd);
        if (first && trimmed - start == 8 && strncmp(start, "REGEDIT4", 8) == 0) {
            // the header line
        } else if (trimmed == start) {
            // a blank line
        } else if (*start == ';') {
            start = SkipBlanks(start + 1, trimmed);
            const DWORD size = (DWORD)(trimmed - start);
            memcpy(reader.text, start, size);
            reader.text[size] = '\0';
            visitor->comment(visitor->context, reader.text);
        } else if (*start == '[') {
            if (!ReadKeyLine(&reader, start, trimmed)) visitor->bad(visitor->context, start, (DWORD)(trimmed - start));
        } else if (*start == '"' || *start == '@') {
            const char* used = ReadValueLine(&reader, start, end);
            if (used == NULL) visitor->bad(visitor->context, start, (DWORD)(trimmed - start));
            else lineEnd = used;
        } else {
            visitor->bad(visitor->context, start, (DWORD)(trimmed - start));
        }
        first = 0;
        p = lineEnd < end ? lineEnd + 1 : end;
    }
    LocalFree(reader.text);
    LocalFree(reader.data);
    return 1;
}

uint8_t RegCommentIs(const char* text, const char* marker)
{
    return strncmp(text, marker, strlen(marker)) == 0 ? 1 : 0;
}

uint8_t StartsRegItem(const char* text, const char* p)
{
    return (p == text || p[-1] == '\n') && p[0] == ';' && p[1] == ' ' && RegCommentIs(p + 2, kRegItemMarker) ? 1 : 0;
}
