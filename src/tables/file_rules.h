// The file rule table: files, shortcuts and folders the product families leave behind.
#pragma once
#include <stdint.h>

struct FileRule {
    int32_t product;     // product family index
    int32_t disabled;    // 1: never searched
    const char* folder;  // folder macro such as "%SYSTEM%", or literal text
    const char* file;    // name relative to the folder, optionally "@" and a service name
};

// Rows followed by a sentinel row whose file is absent (product -1, disabled 1).
extern const FileRule kFileRules[];

int CountFileRules();
