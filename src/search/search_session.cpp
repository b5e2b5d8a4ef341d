// The search session: begins and ends every cache of one search.
#include "search/search_session.h"
#include <string.h>
#include "search/files/inf_identify.h"
#include "search/folder_listing.h"
#include "search/guard_memo.h"
#include "search/install_folders.h"
#include "search/registry/shared_reads.h"

void BeginSearchSession(SearchSession* session, uint8_t sharing)
{
    memset(session, 0, sizeof *session);
    session->sharing = sharing ? 1 : 0;
    if (!session->sharing) return;
    BeginSharedReads(session);
    BeginGuardMemo(session);
    BeginFolderListings(session);
    BeginNoteReads(session);
}

void EndSearchSession(SearchSession* session)
{
    EndSharedReads(session);
    EndGuardMemo(session);
    EndFolderListings(session);
    EndInfReading(session);
    EndNoteReads(session);
    session->shellCount = 0;
}

uint8_t SessionShellFolder(SearchSession* session, int csidl, char* out)
{
    // The search only reads, so the shell would answer alike on every expansion.
    if (session == NULL || !session->sharing) return SpecialFolderPath(csidl, out);
    int slot = 0;
    while (slot < session->shellCount && session->shell[slot].csidl != csidl) slot++;
    if (slot == session->shellCount) {
        if (slot >= kShellFolderSlots) return SpecialFolderPath(csidl, out);
        session->shell[slot].csidl = csidl;
        session->shell[slot].found = SpecialFolderPath(csidl, session->shell[slot].folder);
        session->shellCount++;
    }
    if (!session->shell[slot].found) return 0;
    lstrcpynA(out, session->shell[slot].folder, kPathSize);
    return 1;
}

uint8_t SessionView(const SearchSession* session)
{
    return session != NULL ? session->registryView : kViewOwn;
}
