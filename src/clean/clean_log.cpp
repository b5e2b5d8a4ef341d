// The clean-up's log.txt: one line per ticked item (family, type, text, outcome, why) and, written
// by EndBackup, a summary line.
#include "clean/backup.h"
#include "model/found_items.h"
#include "model/item_why.h"
#include "model/products.h"
#include "platform/path_ops.h"

// The platform's text for error, in the user's language, on one line (PutLogField turns its line
// breaks into blanks), after the outcome: "not deleted (The process cannot access the file...)".
static void PutReason(OutputFile* out, DWORD error)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text,
                                  sizeof text, NULL);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) length--;
    if (length == 0) length = (DWORD)wsprintfA(text, "error %lu", (unsigned long)error);
    text[length] = '\0';
    PutText(out, " (");
    PutLogField(out, text);
    PutText(out, ")");
}

void LogItem(BackupSession* session, const FoundItem& item, uint8_t backedUp, const char* deletedAs, DWORD error)
{
    const char* outcome = deletedAs != NULL ? deletedAs : "deleted";
    if (!backedUp) {
        outcome = "not backed up";
        session->notBackedUp++;
    } else if (item.notDeleted == kRemovedAtRestart) {
        outcome = "removed at restart";
        session->atRestart++;
    } else if (item.notDeleted) {
        outcome = "not deleted";
        session->notDeleted++;
    } else {
        session->deleted++;
    }
    if (item.itemClass == kItemClassRegistry) session->registryItems++;
    else if (item.itemClass == kItemClassFile) session->fileItems++;

    OutputFile* out = &session->log;
    PutItemFields(out, item);
    PutText(out, "\t");
    PutText(out, outcome);
    if (item.notDeleted != 0 || !backedUp) PutReason(out, error);
    PutText(out, "\t");
    PutItemWhy(out, item);
    PutText(out, "\r\n");
}

void PutItemFields(OutputFile* out, const FoundItem& item)
{
    char text[1024];
    FormatItemText(&item, text, sizeof text);
    PutLogField(out, ProductName(item.productIndex));
    PutText(out, "\t");
    PutLogField(out, ItemTypeWord(&item));
    PutText(out, "\t");
    PutLogField(out, text);
    if (item.itemClass == kItemClassFile && item.serviceName != NULL) {
        PutText(out, " (service ");
        PutLogField(out, item.serviceName);
        PutText(out, ")");
    }
}

void PutItemWhy(OutputFile* out, const FoundItem& item)
{
    char why[kWhyTextSize];
    PutLogField(out, FormatItemWhy(&item, why, sizeof why));
}
