// Wine's own bookkeeping: lines that change on any run of any program in the prefix, left out of
// the before/after comparison. Each entry says why it changes.
//
// Found empirically with runs of "/C 0 /S" and "/C 262143 /S" over the seeded machine, in a fresh
// prefix (tools/demo.sh, and tools/demo.sh --64 for the machine with two halves) and in the shared
// test prefix: within one wineserver session Wine changes
// nothing of what the snapshots list (HKLM\Software, HKLM\System, HKLM\Hardware\ResourceMap,
// HKLM\Enum, HKCU, HKU, and the Windows, Program Files, profile and ProgramData folders) when a
// console or a window-less program runs, so the table is empty. The one difference that did show
// is handled in the snapshot itself: keys that Wine shares between the 64-bit and the 32-bit
// registry view through links (below Wow6432Node) are listed once, where the link points.
#include "sample_machine.h"
#include <string.h>

namespace {

struct Exclusion {
    const char* prefix;   // identity prefix, upper case ("K\t...", "V\t...", "P\t...")
    const char* why;
};

const Exclusion kExclusions[] = {
    // prefix                                                   why
    {"K\tHKCU\\SOFTWARE\\WINE\\TEMPORARY SYSTEM PARAMETERS",        "Wine keeps window settings of a session here (seen after window runs)"},
    {"V\tHKCU\\SOFTWARE\\WINE\\TEMPORARY SYSTEM PARAMETERS",        "the same key's values"},
    {NULL,                                                      NULL},  // end row
};

}  // namespace

uint8_t IsExcludedLine(const std::string& identity)
{
    for (int i = 0; kExclusions[i].prefix != NULL; i++) {
        if (identity.compare(0, strlen(kExclusions[i].prefix), kExclusions[i].prefix) == 0) return 1;
    }
    return 0;
}
