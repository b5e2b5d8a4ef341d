// Wine's own bookkeeping: lines that change on any run of any program in the prefix, left out of
// the before/after comparison. Each entry says why it changes.
#include "sample_machine.h"
#include <string.h>

namespace {

struct Exclusion {
    const char* prefix;   // identity prefix, upper case ("K\t...", "V\t...", "P\t...")
    const char* why;
};

const Exclusion kExclusions[] = {
    // prefix                                                   why
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
