// Install-folder search: each application's folder from its registry note below the maker's
// software key, else its default place below Program Files, recorded as a file item of the
// application's family; on a 64-bit machine also the other half's install of it.
#include "search/install_folders.h"
#include <windows.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "model/found_items.h"
#include "platform/machine_halves.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "search/folder_listing.h"
#include "search/guard_memo.h"
#include "search/install_note.h"
#include "search/record_file.h"

const DWORD kNoteSize = 1024;

// What a registry note gave.
const uint8_t kNoteAbsent = 0;    // no key or value, unreadable data, or a folder that is not there
const uint8_t kNoteTaken = 1;     // out holds the noted folder
const uint8_t kNoteRefused = 2;   // a note was there but may not decide what is deleted

const int kNoteSlots = 64;
const int kNoteNameSize = 256;

// One note as a search read it, with the outcome of its checks for the largest output (kPathSize).
struct NoteRead {
    uint8_t view;
    uint8_t mustExist;
    uint8_t outcome;
    size_t length;               // of the note's text, before any check (0 when none was read)
    char key[kNoteNameSize];
    char value[kNoteNameSize];   // "" for the default value
    char folder[kPathSize];      // kNoteTaken: the noted folder
};

// The notes of one search: every install-folder row reads its note in both views, and every
// kind-7 rule that builds a file name from a note reads it again in the view it is evaluated in.
struct NoteReads {
    int count;
    NoteRead notes[kNoteSlots];
};

// ReadInstallFolder with the note read in the registry view given, asked of the registry. The
// length of the note's text goes to *noteLength (0 when no text was read): the output's size is
// compared with it first, and decides nothing else.
static uint8_t ReadNote(SearchSession* session, uint8_t view, const char* keyName, const char* valueName,
                        char* out, int size, uint8_t mustExist, size_t* noteLength)
{
    *noteLength = 0;
    if (keyName == NULL || out == NULL || size <= 0) return kNoteAbsent;
    char keyPath[512];
    if (!FormatFits(keyPath, sizeof keyPath, "SOFTWARE\\Morvane\\%s", keyName)) return kNoteAbsent;

    HKEY key = NULL;
    if (OpenKeyInView({HKEY_LOCAL_MACHINE, keyPath, view}, KEY_READ, &key) != ERROR_SUCCESS) return kNoteAbsent;
    char text[kNoteSize];
    DWORD length = kNoteSize;
    const char* name = (valueName != NULL && valueName[0] != '\0') ? valueName : NULL;
    // Any type: the bytes are taken as text.
    const LONG rc = RegQueryValueExA(key, name, NULL, NULL, (BYTE*)text, &length);
    // Only a key no one but the administrators and the system may write can name a folder the
    // elevated clean-up deletes whole.
    const uint8_t trusted = rc == ERROR_SUCCESS ? NoteKeyIsTrusted(key) : 0;
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return kNoteAbsent;
    // The text must end inside the buffer: data stored without its terminator is terminated
    // after its last byte, and data that fills the whole buffer without one does not fit.
    if (length >= kNoteSize && memchr(text, '\0', kNoteSize) == NULL) return kNoteAbsent;
    if (length < kNoteSize) text[length] = '\0';

    *noteLength = strlen(text);
    if (text[0] == '\0' || *noteLength >= (size_t)size) return kNoteAbsent;
    StripBackslash(text);
    // A note that is not a plain local path (a share would be connected to with the
    // administrator's credentials by the first look), that climbs out through "..", or that
    // names the platform's own folders counts as no note: the default place is tried. Nothing
    // is opened on the path before these checks pass.
    char form[kPathSize];
    if (!trusted || !NoteIsLocalPath(text) || !CanonicalPath(text, form, sizeof form) || !NotePlaceAllowed(session, form))
        return kNoteRefused;
    const GuardVerdict verdict = SearchGuard(session, text);
    if (!verdict.allowed || !NotePlaceAllowed(session, verdict.canonical)) return kNoteRefused;
    if (mustExist && !SessionFileExists(session, verdict.canonical)) return kNoteAbsent;
    lstrcpynA(out, text, size);
    return kNoteTaken;
}

// The remembered note's outcome for an output of size bytes: a text that does not fit is no note,
// whatever its checks gave.
static uint8_t NoteForSize(const NoteRead& note, char* out, int size)
{
    if (note.length >= (size_t)size) return kNoteAbsent;
    if (note.outcome == kNoteTaken) lstrcpynA(out, note.folder, size);
    return note.outcome;
}

// ReadNote, in a sharing session asked once for each key, value, view and existence check
// (the install-folder rows and the kind-7 rules ask the same notes with outputs of other sizes):
// the search only reads, so the note and the folder it names stay as they were.
static uint8_t ReadNoteInView(SearchSession* session, uint8_t view, const char* keyName, const char* valueName,
                              char* out, int size, uint8_t mustExist = 1)
{
    NoteReads* reads = session != NULL ? session->notes : NULL;
    const char* value = valueName != NULL ? valueName : "";
    size_t length = 0;
    if (reads == NULL || keyName == NULL || out == NULL || size <= 0 || size > kPathSize ||
        strlen(keyName) >= (size_t)kNoteNameSize || strlen(value) >= (size_t)kNoteNameSize)
        return ReadNote(session, view, keyName, valueName, out, size, mustExist, &length);
    for (int i = 0; i < reads->count; i++) {
        const NoteRead& note = reads->notes[i];
        if (note.view == view && note.mustExist == mustExist && strcmp(note.key, keyName) == 0 && strcmp(note.value, value) == 0)
            return NoteForSize(note, out, size);
    }
    NoteRead note;
    note.view = view;
    note.mustExist = mustExist;
    note.outcome = ReadNote(session, view, keyName, valueName, note.folder, kPathSize, mustExist, &note.length);
    if (note.outcome != kNoteTaken) note.folder[0] = '\0';
    lstrcpynA(note.key, keyName, kNoteNameSize);
    lstrcpynA(note.value, value, kNoteNameSize);
    if (reads->count < kNoteSlots) reads->notes[reads->count++] = note;
    return NoteForSize(note, out, size);
}

// In the view the registry rules are being evaluated in (the own one outside the registry
// search): a kind-7 value name of the other half is built from that half's note.
uint8_t ReadInstallFolder(SearchSession* session, const char* keyName, const char* valueName, char* out, int size)
{
    return ReadNoteInView(session, SessionView(session), keyName, valueName, out, size) == kNoteTaken ? 1 : 0;
}

// Appends text to path (260 bytes); 0 when it would not fit.
static uint8_t AppendText(char* path, const char* text)
{
    const size_t used = strlen(path);
    const size_t more = strlen(text);
    if (used + more >= (size_t)kPathSize) return 0;
    memcpy(path + used, text, more + 1);
    return 1;
}

// base\Morvane\<folder>, when that is a folder.
static uint8_t FolderBelow(SearchSession* session, const char* base, const InstallFolderRule& row, char* path)
{
    char candidate[kPathSize];
    lstrcpynA(candidate, base, sizeof candidate);
    AppendBackslash(candidate, sizeof candidate);
    if (!AppendText(candidate, "Morvane\\") || !AppendText(candidate, row.folder)) return 0;
    if (!SessionDirectoryExists(session, candidate)) return 0;
    lstrcpynA(path, candidate, kPathSize);
    return 1;
}

// The default place Program Files\Morvane\<folder>, when that is a folder.
static uint8_t DefaultFolder(SearchSession* session, const InstallFolderRule& row, char* path)
{
    char programFiles[kPathSize] = "";
    if (!SessionShellFolder(session, CSIDL_PROGRAM_FILES, programFiles)) return 0;
    return FolderBelow(session, programFiles, row, path);
}

// Names the row's note on what it records next: the note in the view (the half's name added for
// the other view), the default place when the note is absent, or the default place and the note
// that was refused.
static void NameNote(FileItemSource* source, const InstallFolderRule& row, uint8_t noted, uint8_t view)
{
    source->whyNote[0] = '\0';
    source->whyKind = noted == kNoteRefused ? kWhyRefusedNote : kWhyInstallFolder;
    if (noted == kNoteAbsent) return;
    const char* half = "";
    if (view == kViewOther) half = RegistryViewIs64Bit(kViewOther) ? " (64-bit)" : " (32-bit)";
    const char* value = row.valueName[0] != '\0' ? row.valueName : "(default)";
    snprintf(source->whyNote, sizeof source->whyNote, "HKLM\\SOFTWARE\\Morvane\\%s\\%s%s", row.key, value, half);
}

// Records the found folder, or the row's sub-path below it, under the current family.
static uint8_t RecordInstallFolder(SearchSession* session, const InstallFolderRule& row, char* path)
{
    uint8_t fits = 1;
    if (row.subPath[0] != '\0') {
        // The sub-path is recorded whether or not it exists; its access probe tells.
        if (path[0] != '\0') {
            const size_t length = strlen(path);
            if (path[length - 1] != '\\') fits = AppendText(path, "\\");
        }
        if (fits) fits = AppendText(path, row.subPath);
    }
    // A path that would not fit is not recorded at all rather than shortened.
    return fits ? RecordFile(session, path, NULL) : 1;
}

// The other half's install of the row's application on a 64-bit machine. Its installer notes the
// folder in its own registry view and defaults to its own Program Files (or Common Files), none
// of which this process's view and %ProgramFiles% show. Every one of those places that exists
// is recorded; a folder the own half already recorded is not listed twice.
static uint8_t SearchOtherHalf(SearchSession* session, FileItemSource* source, const InstallFolderRule& row)
{
    if (g_machineHalves == kOneHalf) return 1;
    uint8_t success = 1;
    char path[kPathSize] = "";
    const uint8_t noted = ReadNoteInView(session, kViewOther, row.key, row.valueName, path, sizeof path);
    if (noted == kNoteTaken) {
        NameNote(source, row, kNoteTaken, kViewOther);
        success = RecordInstallFolder(session, row, path) & success;
    }
    NameNote(source, row, noted == kNoteRefused ? kNoteRefused : kNoteAbsent, kViewOther);
    char base[kPathSize];
    if (OtherProgramFiles(base) && FolderBelow(session, base, row, path))
        success = RecordInstallFolder(session, row, path) & success;
    if (OtherCommonFiles(base) && FolderBelow(session, base, row, path))
        success = RecordInstallFolder(session, row, path) & success;
    return success;
}

uint8_t SearchInstallFolderRows(SearchSession* session, const InstallFolderRule* rows)
{
    // The rows' stamps go to the found list through a session: without one, a reference session.
    if (session == NULL) return SearchInReference(SearchInstallFolderRows, rows);
    uint8_t success = 1;
    for (int i = 0; rows[i].key[0] != '\0'; i++) {
        const InstallFolderRule& row = rows[i];
        char path[kPathSize] = "";
        const uint8_t noted = ReadNoteInView(session, SessionView(session), row.key, row.valueName, path, sizeof path);
        uint8_t found = noted == kNoteTaken ? 1 : DefaultFolder(session, row, path);
        if (!found && g_machineHalves == kOneHalf) continue;

        // The row belongs to neither rule table: its own family and row are stamped on what it
        // records.
        FileItemSource source = {row.product, kWhyInstallFolder, i, ""};
        NameNote(&source, row, noted, SessionView(session));
        session->fileSource = &source;
        if (found) success = RecordInstallFolder(session, row, path) & success;
        success = SearchOtherHalf(session, &source, row) & success;
        session->fileSource = NULL;
    }
    return success;
}

uint8_t SearchInstallFolders(SearchSession* session)
{
    return SearchInstallFolderRows(session, kInstallFolders);
}

void BeginNoteReads(SearchSession* session)
{
    session->notes = (NoteReads*)malloc(sizeof(NoteReads));
    if (session->notes != NULL) session->notes->count = 0;
}

void EndNoteReads(SearchSession* session)
{
    free(session->notes);
    session->notes = NULL;
}

// base\Morvane\<folder> with the row's sub-path into places[*count]; nothing when base is empty.
static void AddPlace(const char* base, uint8_t below, const InstallFolderRule& row, char (*places)[kPathSize],
                     int32_t* count, int32_t capacity)
{
    if (*count >= capacity || base[0] == '\0') return;
    char* path = places[*count];
    lstrcpynA(path, base, kPathSize);
    uint8_t fits = 1;
    if (below) {
        AppendBackslash(path, kPathSize);
        fits = AppendText(path, "Morvane\\") && AppendText(path, row.folder);
    }
    if (fits && row.subPath[0] != '\0') fits = AppendText(path, "\\") && AppendText(path, row.subPath);
    if (fits) (*count)++;
}

int32_t InstallFolderPlaces(SearchSession* session, int32_t row, char (*places)[kPathSize], int32_t capacity)
{
    int32_t rows = 0;
    while (kInstallFolders[rows].key[0] != '\0') rows++;
    if (row < 0 || row >= rows) return 0;
    const InstallFolderRule& rule = kInstallFolders[row];
    int32_t count = 0;
    char base[kPathSize] = "";
    // The folder a restore checks against is gone until the restore makes it again.
    if (ReadNoteInView(session, kViewOwn, rule.key, rule.valueName, base, sizeof base, 0) == kNoteTaken)
        AddPlace(base, 0, rule, places, &count, capacity);
    if (g_machineHalves != kOneHalf &&
        ReadNoteInView(session, kViewOther, rule.key, rule.valueName, base, sizeof base, 0) == kNoteTaken)
        AddPlace(base, 0, rule, places, &count, capacity);
    if (SpecialFolderPath(CSIDL_PROGRAM_FILES, base)) AddPlace(base, 1, rule, places, &count, capacity);
    if (g_machineHalves != kOneHalf && OtherProgramFiles(base)) AddPlace(base, 1, rule, places, &count, capacity);
    if (g_machineHalves != kOneHalf && OtherCommonFiles(base)) AddPlace(base, 1, rule, places, &count, capacity);
    return count;
}
