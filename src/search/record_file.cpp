// Recording a found file under the session's source (the current file rule's without one): a
// family that is not selected stops it before anything is opened, the guard's check may make the
// access probe's open, and the found list takes the canonical form.
#include "search/record_file.h"
#include "model/found_items.h"
#include "search/guard_memo.h"

uint8_t RecordFile(SearchSession* session, const char* path, const char* serviceName)
{
    // The family check comes first: a file of a family that is not selected is not even opened.
    const FileItemSource* source = session != NULL ? session->fileSource : NULL;
    const uint8_t wanted = FileItemWanted(path, source);
    if (wanted != 2) return wanted;
    const GuardVerdict verdict = SearchGuard(session, path);
    if (!verdict.allowed) return 1;
    // The guard's check of the path may just have made the probe's own open.
    return AddGuardedFileItem(verdict.canonical, serviceName, verdict.openedWritable, source);
}
