// The whole search: begins the session, runs both halves of the search in it, ends it.
#include "search/search_all.h"
#include "model/item_why.h"
#include "search/files/file_search.h"
#include "search/install_folders.h"
#include "search/windows_subfolder.h"
#include "tables/file_rules.h"
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

int32_t FileRowPlaces(uint8_t whyKind, int32_t whyRow, char (*places)[kPathSize], int32_t capacity)
{
    if (capacity < 2) return 0;
    if (whyKind == kWhyInfRule) return WindowsSubfolder(places[0], kPathSize, -1) ? 1 : 0;
    SearchSession session;
    BeginSearchSession(&session, 0);
    int32_t count = 0;
    if (whyKind == kWhyFileRule && whyRow >= 0 && whyRow < CountFileRules()) {
        char expanded[kPathSize];
        if (ExpandRulePath(&session, kFileRules[whyRow], expanded) && SplitField(expanded, '@', 1, places[0], kPathSize)) {
            count = 1;
            count += OtherHalfSystemPath(places[0], places[1]);
        }
    } else if (whyKind == kWhyInstallFolder) {
        count = InstallFolderPlaces(&session, whyRow, places, capacity);
    }
    EndSearchSession(&session);
    return count;
}
