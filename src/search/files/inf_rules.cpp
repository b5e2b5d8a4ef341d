// The INF identification table: four (product, section, key, value) slots a row.
#include "search/files/inf_rules.h"

const InfRule kInfRules[] = {
    {{{-1, "", "", ""}, {-1, "", "", ""}, {-1, "", "", ""}, {-1, "", "", ""}}},  // end row
};

int CountInfRules()
{
    int n = 0;
    while (kInfRules[n].conditions[0].section[0] != '\0') n++;
    return n;
}
