// The pause after a service was asked to stop: its process may hold the service's file for a
// moment longer, and the file cannot be deleted until it lets go.
#pragma once
#include <windows.h>
#include <stdint.h>

// Returns as soon as the file can be opened for deletion with no one else holding it, or when
// limitMs have passed, whichever comes first. Anything short of a successful open (the file
// held, missing, refused, a folder) counts as not yet, so in doubt the whole time is waited.
// 1 when it returned early.
uint8_t WaitForFileRelease(const char* path, DWORD limitMs);
