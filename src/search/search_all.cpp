// The whole search: begins the session, runs both halves of the search in it, ends it.
#include "search/search_all.h"
#include "search/files/file_search.h"
#include "search/registry/registry_search.h"
#include "search/search_session.h"

uint8_t SearchInSession(SearchSession* session, HWND progress)
{
    uint8_t result = 1;
    result = SearchRegistry(session, progress) & result;
    result = SearchFileRules(session, progress) & result;
    return result;
}

uint8_t SearchAll(HWND progress, uint8_t restricted)
{
    SearchSession session;
    BeginSearchSession(&session, 1);
    session.restricted = restricted;
    const uint8_t result = SearchInSession(&session, progress);
    EndSearchSession(&session);
    return result;
}
