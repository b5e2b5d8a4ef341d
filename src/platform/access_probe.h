// The access probe: whether the deletion could change a file or folder, asked without changing
// anything. The search's guard opens plain files the same way, so that its open may stand for
// the probe's.
#pragma once
#include <windows.h>
#include <stdint.h>

// Attributes with which the probe asks otherwise than by OpenAsProbe: a read-only file or folder
// by an open for attribute changes, a folder by renaming it onto itself.
const DWORD kProbeAsksOtherwise = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;

// Opens a plain file as the probe does: for writing, shared with no one. INVALID_HANDLE_VALUE
// when that cannot be had; the caller closes the handle.
HANDLE OpenAsProbe(const char* path);

// 1 if the path exists and can be changed: for a read-only file or folder, when its attributes
// could be changed (the attribute itself is left as it is; the deletion clears it).
uint8_t ProbeFileAccess(const char* path);
