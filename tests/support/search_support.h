// Fixtures of the search tests: the maker's software key and the Program Files place that the
// code reads, used through test-only names and removed again, parents included when the test
// made them; a progress bar that counts the messages it gets (the search's and the deletion's steps).
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "support/helpers.h"

// Removes root\path at the end of the scope when it did not exist at the start and is empty
// by then (RegDeleteKeyA refuses a key with subkeys): a parent that a scratch key brings along.
class RegistryParentGuard {
public:
    RegistryParentGuard(HKEY root, const std::string& path);
    ~RegistryParentGuard();
private:
    HKEY root_;
    std::string path_;
    uint8_t existed_;
};

// The scratch key root\<parent>\EnvsweepTest, and the parent removed after it if it is new.
class NoteKeys {
public:
    NoteKeys(HKEY root, const std::string& parent);
    const ScratchKey& key() const { return key_; }
    // The key name below the parent, as the install-folder rows give it: "EnvsweepTest\<sub>".
    static std::string Name(const std::string& sub) { return sub.empty() ? "EnvsweepTest" : "EnvsweepTest\\" + sub; }
    uint8_t Note(const std::string& sub, const char* valueName, const std::string& text, DWORD type = REG_SZ) const;
private:
    RegistryParentGuard parent_;
    ScratchKey key_;
};

// A folder created below a real parent folder (made when missing, removed after when the test
// made it and it is empty); the folder itself is removed first and at the end.
class PlacedFolder {
public:
    PlacedFolder(const std::string& parent, const std::string& name);
    ~PlacedFolder();
    const std::string& path() const { return path_; }   // without a trailing backslash
private:
    std::string parent_;
    std::string path_;
    uint8_t parentExisted_;
};

// A real progress bar (msctls_progress32, range 0..100000) that records every PBM_GETPOS and
// PBM_SETPOS it gets.
class CountingProgressBar {
public:
    CountingProgressBar();
    ~CountingProgressBar();
    HWND hwnd() const { return hwnd_; }
    int Position() const;
    // Sets the position without recording it and forgets what was recorded so far.
    void Start(int position);
    int getPosCalls = 0;
    std::vector<int> setPositions;
private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_;
    WNDPROC original_;
};

// Creates an empty file (and its folders); 1 on success.
uint8_t MakeFile(const std::string& path);
std::string SpecialFolder(int csidl);   // without a trailing backslash; "" on failure
