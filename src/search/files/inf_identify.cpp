// Recognition of the maker's driver packages among the oem*.inf files of the INF folder, by the
// entries each kInfRules row asks for.
#include "search/files/inf_identify.h"
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "model/found_items.h"
#include "platform/ascii_case.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"
#include "search/folder_listing.h"
#include "search/record_file.h"
#include "search/windows_subfolder.h"
#include "tables/inf_rules.h"

namespace {

const int kInfFolderKind = 2;   // "INF\": the generated oem*.inf names live there on every platform
const int kConditionTextSize = 256;
const int kRememberedEntries = 128;      // more distinct entries than this are read each time
const DWORD kLargestScannedFile = 2u << 20;  // larger files are left to the profile reader alone
const uint32_t kTripleBits = 32768;

}  // namespace

// What one file has shown in a sharing session. The file does not change during the search, so
// each (section, key) is asked of the profile reader at most once, and a key whose name does
// not occur in the file at all is not asked for: the reader would give the default, the empty
// text. That is known only for a file of ASCII text (no byte above 127, no NUL), where the
// reader's case-insensitive key names are ASCII letters folded.
struct InfReading {
    int count;
    struct {
        const char* section;   // the table's own texts
        const char* key;
        char text[kConditionTextSize];
    } entries[kRememberedEntries];
    char* text;         // the file's text with ASCII letters in lower case
    DWORD capacity;     // of the text buffer
    uint8_t usable;     // the text is the whole file and ASCII only
    uint32_t triples[kTripleBits / 32];   // which runs of three characters the text holds (hashed)
};

namespace {

uint32_t Triple(const char* at)
{
    return ((uint32_t)(unsigned char)at[0] * 961u + (uint32_t)(unsigned char)at[1] * 31u + (unsigned char)at[2]) %
           kTripleBits;
}

uint8_t Reserve(InfReading* reading, DWORD bytes)
{
    if (bytes <= reading->capacity) return 1;
    char* more = (char*)realloc(reading->text, bytes);
    if (more == NULL) return 0;
    reading->text = more;
    reading->capacity = bytes;
    return 1;
}

// Reads the whole file, folded; usable only when it is ASCII text.
void ScanFile(InfReading* reading, const char* path)
{
    reading->usable = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    const DWORD size = GetFileSize(file, NULL);
    DWORD read = 0;
    if (size != INVALID_FILE_SIZE && size <= kLargestScannedFile && Reserve(reading, size + 1) &&
        ReadFile(file, reading->text, size, &read, NULL) && read == size) {
        uint8_t ascii = 1;
        for (DWORD i = 0; i < size; i++) {
            if (reading->text[i] == '\0' || (unsigned char)reading->text[i] >= 0x80) ascii = 0;
            reading->text[i] = AsciiLower(reading->text[i]);
        }
        reading->text[size] = '\0';
        reading->usable = ascii;
        // A name can occur in the text only where each of its runs of three characters does.
        memset(reading->triples, 0, sizeof reading->triples);
        for (DWORD i = 0; i + 2 < size; i++) {
            const uint32_t bit = Triple(reading->text + i);
            reading->triples[bit / 32] |= 1u << (bit % 32);
        }
    }
    CloseHandle(file);
}

// 0 only when the file certainly holds no key of that name.
uint8_t MayHoldKey(const InfReading* reading, const char* key)
{
    if (reading == NULL || !reading->usable) return 1;
    // The reader ignores blanks around the name asked for: they are not searched for either.
    while (*key != '\0' && (unsigned char)*key <= ' ') key++;
    size_t length = strlen(key);
    while (length > 0 && (unsigned char)key[length - 1] <= ' ') length--;
    char folded[kConditionTextSize];
    if (length == 0 || length >= sizeof folded) return 1;
    for (size_t i = 0; i < length; i++) {
        if ((unsigned char)key[i] >= 0x80) return 1;
        folded[i] = AsciiLower(key[i]);
    }
    folded[length] = '\0';
    for (size_t i = 0; i + 2 < length; i++) {
        const uint32_t bit = Triple(folded + i);
        if ((reading->triples[bit / 32] & (1u << (bit % 32))) == 0) return 0;
    }
    return strstr(reading->text, folded) != NULL ? 1 : 0;
}

// The text of the condition's key in the file, empty for a missing section or key.
const char* ConditionText(const InfCondition& condition, const char* path, InfReading* reading, char* text)
{
    if (reading != NULL) {
        for (int i = 0; i < reading->count; i++) {
            if (strcmp(reading->entries[i].section, condition.section) == 0 &&
                strcmp(reading->entries[i].key, condition.key) == 0)
                return reading->entries[i].text;
        }
    }
    GetPrivateProfileStringA(condition.section, condition.key, "", text, kConditionTextSize, path);
    if (reading != NULL && reading->count < kRememberedEntries) {
        auto& entry = reading->entries[reading->count++];
        entry.section = condition.section;
        entry.key = condition.key;
        lstrcpynA(entry.text, text, kConditionTextSize);
    }
    return text;
}

uint8_t ConditionHolds(const InfCondition& condition, const char* text)
{
    return CompareNoCase(condition.value, text) == 0 ? 1 : 0;
}

// 1 when the file holds every condition of the row; a missing section or key reads as the
// empty text. Without a reading (the reference) every condition is asked of the profile
// reader in slot order. With one, reading being pure, the order is free: first the conditions
// whose key the file lacks (settled without the reader), then the others from the last slot to
// the first (the device or disk entry, which tells the rows apart, before the class and the
// provider that many packages share), stopping at the first that fails.
uint8_t RowMatches(const InfRule& row, const char* path, InfReading* reading)
{
    int conditions = 0;
    while (conditions < 4 && row.conditions[conditions].section[0] != '\0') conditions++;
    char text[kConditionTextSize];
    if (reading == NULL) {
        uint8_t matched = 1;
        for (int slot = 0; slot < conditions; slot++)
            matched = ConditionHolds(row.conditions[slot], ConditionText(row.conditions[slot], path, NULL, text)) & matched;
        return matched;
    }
    for (int slot = 0; slot < conditions; slot++) {
        if (!MayHoldKey(reading, row.conditions[slot].key) && !ConditionHolds(row.conditions[slot], "")) return 0;
    }
    for (int slot = conditions - 1; slot >= 0; slot--) {
        const InfCondition& condition = row.conditions[slot];
        if (MayHoldKey(reading, condition.key) && !ConditionHolds(condition, ConditionText(condition, path, reading, text)))
            return 0;
    }
    return 1;
}

// The first row, in table order, that the file satisfies; -1 when none does.
int IdentifyingRow(const char* path, InfReading* reading)
{
    if (reading != NULL) {
        reading->count = 0;
        ScanFile(reading, path);
    }
    for (int i = 0; kInfRules[i].conditions[0].section[0] != '\0'; i++) {
        if (RowMatches(kInfRules[i], path, reading)) return i;
    }
    return -1;
}

// Records a recognised INF file and, when it exists, its .pnf companion. 0 when a recording failed.
uint8_t RecordPackage(SearchSession* session, char* path, int size)
{
    uint8_t success = RecordFile(session, path, NULL);
    const int extension = (int)(ExtensionPointer(path) - path);
    if (FormatFits(path + extension, size - extension, ".pnf") && SessionFileExists(session, path))
        success = RecordFile(session, path, NULL) & success;
    return success;
}

}  // namespace

uint8_t IdentifyOemInfs(SearchSession* session)
{
    // The rows' stamps go to the found list through a session: without one, a reference session.
    if (session == NULL) return SearchInReference(IdentifyOemInfs);
    char folder[kPathSize];
    if (!WindowsSubfolder(folder, sizeof folder, kInfFolderKind)) return 1;
    char pattern[kPathSize];
    if (!FormatFits(pattern, sizeof pattern, "%soem*.inf", folder)) return 1;

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return 1;
    uint8_t success = 1;
    // Only in a sharing session; the reference asks the profile reader for every condition.
    if (session->sharing && session->infReading == NULL)
        session->infReading = (InfReading*)calloc(1, sizeof(InfReading));
    InfReading* reading = session->infReading;
    FileItemSource source = {-1, kWhyInfRule, -1, ""};
    do {
        char path[kPathSize];
        if (!FormatFits(path, sizeof path, "%s%s", folder, data.cFileName)) continue;
        const int row = IdentifyingRow(path, reading);
        if (row < 0) continue;
        // Items of this pass belong to the row's family, not to the last file rule.
        source.product = kInfRules[row].conditions[0].product;
        source.whyRow = row;
        lstrcpynA(source.whyNote, data.cFileName, sizeof source.whyNote);
        session->fileSource = &source;
        success = RecordPackage(session, path, sizeof path) & success;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    session->fileSource = NULL;
    return success;
}

void EndInfReading(SearchSession* session)
{
    if (session->infReading != NULL) free(session->infReading->text);
    free(session->infReading);
    session->infReading = NULL;
}
