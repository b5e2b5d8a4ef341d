// The hardware-ID table. Columns: product, idPrefix.
#include "search/registry/hardware_ids.h"

const HardwareIdEntry kHardwareIds[] = {
    {-1, ""},  // end row
};

int CountHardwareIds()
{
    int n = 0;
    while (kHardwareIds[n].idPrefix[0] != '\0') n++;
    return n;
}
