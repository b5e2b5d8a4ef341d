// Test helpers shared by every test executable: scratch registry subtrees, files held open by
// another process, key DACLs, a private found-item list, and envsweep.exe as a child process.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include "model/found_items.h"
#include "platform/machine_halves.h"
#include "search/search_session.h"

// Fills the start-up values (platform kind, system and Windows directories) as the entry does.
void InitProcessValuesForTest();

// A scratch registry subtree in a registry view: removed first (left-overs of a crashed run),
// created empty, and removed again at the end of the scope. Every call below works in that view.
class ScratchKey {
public:
    ScratchKey(HKEY root, const std::string& path, uint8_t view = kViewOwn);
    ~ScratchKey();
    HKEY root() const { return root_; }
    const std::string& path() const { return path_; }
    uint8_t view() const { return view_; }
    // Creates root\path\relative (and its parents); returns 1 on success.
    uint8_t Create(const std::string& relative, uint8_t volatileKey = 0) const;
    uint8_t SetString(const std::string& relative, const char* valueName, const std::string& data,
                      DWORD type = REG_SZ) const;
    uint8_t SetBytes(const std::string& relative, const char* valueName, const void* data, DWORD size,
                     DWORD type) const;
    std::string Full(const std::string& relative) const;
private:
    HKEY root_;
    std::string path_;
    uint8_t view_;
};

// Deletes root\path and everything below it; 1 when it is gone afterwards. These and the
// security below work in the view given (the own one unless told).
uint8_t DeleteTree(HKEY root, const std::string& path, uint8_t view = kViewOwn);
uint8_t KeyPresent(HKEY root, const std::string& path, uint8_t view = kViewOwn);
uint8_t ValuePresent(HKEY root, const std::string& path, const char* valueName, uint8_t view = kViewOwn);

// Sets a key's security from an SDDL string (owner and DACL as the string gives them).
uint8_t SetKeySecurity(HKEY root, const std::string& path, const char* sddl, uint8_t view = kViewOwn, DWORD options = 0);

// Another process holding a file open without sharing, until the scope ends; with share, for
// reading only and sharing that (FILE_SHARE_READ: as a running program holds its DLL).
class HeldFile {
public:
    explicit HeldFile(const std::string& path, DWORD share = 0);
    ~HeldFile();
    uint8_t ok() const { return ok_; }
private:
    PROCESS_INFORMATION process_;
    HANDLE release_;
    uint8_t ok_;
};

// A private found-item list installed as the process-wide list for the scope.
class ScopedFoundItems {
public:
    explicit ScopedFoundItems(int32_t capacity = 0);
    ~ScopedFoundItems();
    FoundItemList* list() const { return list_; }
private:
    FoundItemList* list_;
    FoundItemList* saved_;
    uint32_t savedMask_;
};

// Appends an item to the process-wide list directly, as a search would have recorded it (no
// duplicate test, no guard, no probe): family 0, ticked, accessible. A full list fails the test
// and hands back its last slot.
FoundItem& PushItem(int32_t itemClass, int32_t kind, HKEY hive, const std::string& path,
                    const char* valueName = NULL, const char* service = NULL);

// A search session for the length of a scope, sharing unless told otherwise; a temporary one
// (ScopedSession().get()) lasts for one call, as each search of the program has its own. The file
// items it records are stamped with source (NULL: the current file rule).
class ScopedSession {
public:
    explicit ScopedSession(uint8_t sharing = 1, const FileItemSource* source = NULL)
    {
        BeginSearchSession(&session_, sharing);
        session_.fileSource = source;
    }
    ~ScopedSession() { EndSearchSession(&session_); }
    ScopedSession(const ScopedSession&) = delete;
    ScopedSession& operator=(const ScopedSession&) = delete;
    SearchSession* get() { return &session_; }
private:
    SearchSession session_;
};

// The machine's halves for the scope: as envsweep.exe detects them at start-up, or as given;
// put back as they were at its end.
class ScopedHalves {
public:
    explicit ScopedHalves(int32_t halves = -1) : saved_(g_machineHalves)
    {
        if (halves < 0) DetectMachineHalves();
        else g_machineHalves = halves;
    }
    ~ScopedHalves() { g_machineHalves = saved_; }
    int32_t halves() const { return g_machineHalves; }
private:
    int32_t saved_;
};

// Starts the command line (application NULL: the first word names it); 1 with *process filled
// (the caller closes both handles), 0 when it could not start.
uint8_t StartProcess(const char* application, const std::string& line, PROCESS_INFORMATION* process);
// The newest backup folder, with a trailing backslash; empty when there is none.
std::string NewestBackupFolder();
// Replaces the file's whole content with text (a new file when there is none); 1 when written.
uint8_t WriteWholeFile(const std::string& path, const std::string& text);
// The whole content of a file; empty when it cannot be read.
std::string ReadFileText(const std::string& path);

// Runs envsweep.exe (beside the test executable, or the one ENVSWEEP_TEST_EXE names) with the
// command line; returns its exit code, or 0x7fffffff when it could not start or did not end within
// the timeout.
DWORD RunEnvsweep(const std::string& arguments, DWORD timeoutMs = 120000);

// Runs a program beside the test executable with the command-line tail, its standard output
// and error going to out.txt and err.txt in folder (with a trailing backslash), whose contents it
// returns; the exit code, or 0x7fffffff when it could not start or did not end within the timeout.
DWORD RunCaptured(const std::string& program, const std::string& arguments, const std::string& folder,
                  std::string* out, std::string* err, DWORD timeoutMs = 120000);

// Folder of the test executable, with a trailing backslash.
std::string ModuleFolder();
// A scratch folder below the prefix's temporary folder, emptied first and removed at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    const std::string& path() const { return path_; }   // with a trailing backslash
    uint8_t WriteFile(const std::string& relative, const std::string& content = "x") const;
private:
    std::string path_;
};
uint8_t RemoveTree(const std::string& path);

// Entry of the helper process modes of the test executables; returns -1 when argv asks none.
int RunHelperMode(int argc, char** argv);
