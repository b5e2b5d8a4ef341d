// The why of a found item in words: the table and row that found it.
#include "model/item_why.h"
#include <stdio.h>
#include "model/found_items.h"
#include "tables/registry_rules.h"

char* FormatItemWhy(const FoundItem* item, char* text, int size)
{
    if (text == NULL || size <= 0) return text;
    text[0] = '\0';
    const char* note = item->whyNote != NULL ? item->whyNote : "";
    const int row = (int)item->whyRow;
    if (item->whyKind == kWhyRegistryRule) {
        // The rule's own kind, as the table shows it: a scan records what it finds under the
        // kind that removes it (a driver-class scan's handler keys, a device scan's video keys).
        static const int32_t rows = CountRegistryRules();
        const int32_t kind = row >= 0 && row < rows ? kRegistryRules[row].kind : item->ruleKind;
        snprintf(text, size, "registry rule %d, kind %d", row, (int)kind);
    } else if (item->whyKind == kWhyFileRule) {
        snprintf(text, size, "file rule %d", row);
    } else if (item->whyKind == kWhyInfRule) {
        snprintf(text, size, "INF %s, INF rule %d", note, row);
    } else if (item->whyKind == kWhyInstallFolder && item->whyNote != NULL) {
        snprintf(text, size, "install folder %d, note %s", row, note);
    } else if (item->whyKind == kWhyInstallFolder) {
        snprintf(text, size, "install folder %d, default place", row);
    } else if (item->whyKind == kWhyRefusedNote) {
        snprintf(text, size, "install folder %d, default place (note %s refused)", row, note);
    }
    return text;
}
