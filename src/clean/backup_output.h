// The files of a backup: output written through a fixed buffer, made durable with FlushFileBuffers
// at each commit, and cut back to the last commit when the part of an item that follows it failed;
// and a file read back whole.
#pragma once
#include <windows.h>
#include <stdint.h>

const DWORD kOutputBufferSize = 8192;

struct OutputFile {
    HANDLE handle;
    uint8_t ok;               // 0 once a write since the last commit failed
    DWORD used;               // bytes waiting in buffer
    LONGLONG committed;       // file size at the last commit
    LONGLONG pending;         // bytes given since the last commit (written or waiting)
    char buffer[kOutputBufferSize];
};

// A file not (yet) open: every write goes nowhere and every commit fails.
void InitOutputFile(OutputFile* out);
// Creates the file: a new one, or (replace 1) one that replaces an existing file. 1 when open.
uint8_t OpenOutputFile(OutputFile* out, const char* path, uint8_t replace);
void PutBytes(OutputFile* out, const void* data, DWORD size);
void PutText(OutputFile* out, const char* text);
// Text of a log line (absent: nothing), control characters shown as blanks so that a tab or a
// line break in it never splits the line; cut at 1099 bytes.
void PutLogField(OutputFile* out, const char* text);
// Writes what waits and flushes the file to disk. 1 when everything given since the last commit
// is on disk; on 0 that part is discarded.
uint8_t CommitOutput(OutputFile* out);
// Ends one backed-up item whose header line was given before pending reached header: a failed
// save (saved 0) is discarded (0); a save that found nothing drops the header too (1); else the
// item is committed (CommitOutput's result).
uint8_t FinishItem(OutputFile* out, LONGLONG header, uint8_t saved);
// Commits (if anything waits) and closes; 1 when the last commit succeeded.
uint8_t CloseOutputFile(OutputFile* out);

// Reads a whole file into a heap block, terminated (freed with LocalFree by the caller). 1 when
// read.
uint8_t LoadWholeFile(const char* path, char** text, DWORD* length);
