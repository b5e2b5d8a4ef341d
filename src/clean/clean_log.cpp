// The clean-up's log.txt: one line per ticked item (family, type, text, outcome, why) and, written
// by EndBackup, a summary line.
#include "clean/backup.h"
#include "model/found_items.h"
#include "model/products.h"
#include "platform/path_ops.h"

void LogItem(BackupSession* session, const FoundItem& item, uint8_t backedUp, const char* deletedAs)
{
    const char* outcome = deletedAs != NULL ? deletedAs : "deleted";
    if (!backedUp) {
        outcome = "not backed up";
        session->notBackedUp++;
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
    char why[kPathSize + 640];
    PutLogField(out, FormatItemWhy(&item, why, sizeof why));
}
