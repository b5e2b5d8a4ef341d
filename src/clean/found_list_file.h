// The found list written to a file for a look before deleting (/L): one tab-separated line per
// item, in list order, after a header line.
#pragma once
#include <stdint.h>

// The header line's columns, without the line break.
extern const char kFoundListHeader[];   // "family\ttype\titem\taccessible\twhy"

// Writes every item of the found list to path: family, type and text as the clean-up's log
// writes them, "yes"/"no" for the access probe's answer, and why it was found. The lines go to a
// temporary file beside path that then replaces it, so a failed write never leaves a partial
// list, nor touches a file already there. 1 when path holds the whole list.
uint8_t WriteFoundListFile(const char* path);
