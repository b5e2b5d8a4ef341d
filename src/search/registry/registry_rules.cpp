// The registry rule table. Columns: product, kind, hive, keyPath, argument, modeTag.
#include "search/registry/registry_rules.h"

const RegistryRule kRegistryRules[] = {
    {-1, 0, NULL, NULL, NULL, NULL},  // end row
};

int CountRegistryRules()
{
    int n = 0;
    while (kRegistryRules[n].keyPath != NULL) n++;
    return n;
}
