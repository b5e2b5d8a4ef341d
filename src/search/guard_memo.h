// The path guard as the search asks it: the verdict on each path it records, and the session's
// memo of each folder's forms.
#pragma once
#include <stdint.h>
#include "platform/path_ops.h"
#include "search/search_session.h"

// The guard's decision on one path, as the search made it.
struct GuardVerdict {
    uint8_t allowed;
    char canonical[kPathSize];   // when allowed: the canonical form the list records
    // 1 when the check, following the file itself, opened exactly the recorded path as the found
    // list's access probe would (for writing, shared with no one) and the open succeeded; 0 tells
    // nothing, and the caller probes.
    uint8_t openedWritable;
};

// PathGuardAllows as the search asks it: the same verdict and canonical form, but in a sharing
// session each folder's long and resolved forms are asked of the platform once. Deletion never
// uses it: the files may have changed since the search.
GuardVerdict SearchGuard(SearchSession* session, const char* path);

// The memo of a sharing session, made when it begins and released when it ends.
void BeginGuardMemo(SearchSession* session);
void EndGuardMemo(SearchSession* session);

// Notes that the search's look-up of path found foundName (its cFileName) with these
// attributes: the memo's own look-up of the same text takes that answer.
void GuardMemoNoteFound(SearchSession* session, const char* path, const char* foundName, unsigned long attributes);
