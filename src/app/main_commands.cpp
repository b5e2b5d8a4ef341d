// The main window's commands and jobs: family boxes, tick all, Search, Delete, and the search
// and deletion that run behind the progress dialog.
#include <windows.h>
#include <commctrl.h>
#include "app/dialogs.h"
#include "app/found_list_view.h"
#include "app/list_view.h"
#include "app/main_window.h"
#include "app/res/resource.h"
#include "app/ui_state.h"
#include "clean/deletion_driver.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "search/search_all.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

const int kCloseWaitAfterWalkMs = 1000;

static HWND FoundList(HWND window)
{
    return GetDlgItem(window, IDC_FOUND_LIST);
}

void UpdateGuidance(HWND window)
{
    char text[1024];
    const UINT id = RowCount(FoundList(window)) > 0 ? IDS_GUIDE_FOUND : IDS_GUIDE_START;
    if (LoadStringA(g_instance, id, text, sizeof text) <= 0) text[0] = '\0';
    SetDlgItemTextA(window, IDC_GUIDE, text);
}

void OnProductBoxChange(HWND window, int boxId)
{
    // A box that this layout lacks has no state to read: its family's selection stays as it is.
    if (GetDlgItem(window, boxId) == NULL) return;
    const int32_t family = boxId - IDC_FAMILY_FIRST;
    const uint8_t ticked = GetBox(window, boxId) != 0 ? 1 : 0;
    ProductSelection(family, ticked ? 1 : 0);
    TickFamilyRows(FoundList(window), family, ticked);
}

void OnTickAll(HWND window)
{
    for (int box = IDC_FAMILY_FIRST; box < IDC_FAMILY_FIRST + kProductCount; box++) {
        HWND control = GetDlgItem(window, box);
        if (control != NULL && IsWindowEnabled(control)) SetBoxAndNotify(window, box, BST_CHECKED);
    }
}

void OnUntickAll(HWND window)
{
    for (int box = IDC_FAMILY_FIRST; box < IDC_FAMILY_FIRST + kProductCount; box++)
        SetBoxAndNotify(window, box, BST_UNCHECKED);
}

// Opens the progress dialog with the job pending; 1 when the job ran behind it.
static uint8_t RunJob(HWND window, int32_t job)
{
    g_pendingJob = job;
    RunProgressDialog(window);
    const uint8_t ran = g_pendingJob == kJobNone ? 1 : 0;
    g_pendingJob = kJobNone;
    return ran;
}

// After a search: the rows, the report on files in use or on nothing found. Runs once the
// progress dialog has closed, so that no dialog opens inside its finished modal loop.
static void ShowSearchResult(HWND window)
{
    HWND list = FoundList(window);
    FillFoundList(list);
    UpdateGuidance(window);
    if (g_jobResult == 0) {
        MessageBoxById(window, IDS_FILES_IN_USE, MB_ICONWARNING);
        if (RunItemListDialog(window, kItemListInUse) != IDC_CONTINUE) g_stopAfterSearch = 1;
    } else if (RowCount(list) == 0) {
        MessageBoxById(window, IDS_NOT_FOUND, MB_ICONINFORMATION);
    }
}

void OnSearch(HWND window)
{
    if (ProductSelection(-2, -1) == 0) {
        MessageBoxById(window, IDS_SELECT_PRODUCT, MB_ICONINFORMATION);
        return;
    }
    if (MessageBoxById(window, IDS_SEARCH_QUESTION, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL) return;
    ClearItems();
    DeleteRows(FoundList(window), -1);
    UpdateGuidance(window);
    if (RunJob(window, kJobSearch)) ShowSearchResult(window);
    if (g_stopAfterSearch) {
        EnableWindow(GetDlgItem(window, IDC_DELETE), FALSE);
        g_stopAfterSearch = 0;
        return;
    }
    if (RowCount(FoundList(window)) == 0) return;
    OnDelete(window);
}

// 1 when the deletion left an item in use to the next restart: the list then shows it as such.
static uint8_t AnyItemAtRestart()
{
    for (int32_t i = 0; g_foundItems != NULL && i < g_foundItems->count; i++) {
        if (g_foundItems->items[i].notDeleted == kRemovedAtRestart) return 1;
    }
    return 0;
}

void OnDelete(HWND window)
{
    if (CountTickedRows(FoundList(window)) == 0) {
        MessageBoxById(window, IDS_NO_SELECTED_ITEMS, MB_ICONWARNING);
        return;
    }
    if (MessageBoxById(window, IDS_DELETE_QUESTION, MB_YESNO | MB_ICONQUESTION) == IDNO) {
        HWND button = GetDlgItem(window, IDC_DELETE);
        EnableWindow(button, TRUE);
        ShowWindow(button, SW_SHOWNORMAL);
        return;
    }
    if (g_closeApplications) {
        CloseApplicationWindows();
        Sleep(kCloseWaitAfterWalkMs);
    }
    if (!RunJob(window, kJobDeletion)) return;
    // The lists and the restart prompt open once the progress dialog has closed: its finished
    // modal loop would wait for a message of its own after them and drop the next one it gets.
    if (g_jobResult == 0 || AnyItemAtRestart()) RunItemListDialog(window, kItemListNotDeleted);
    RunRestartDialog(window);
    // A deletion ends the program, whether or not Windows restarts.
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
}

static void SetProgress(HWND progress, int32_t range, UINT textId)
{
    HWND bar = GetDlgItem(progress, IDC_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETRANGE32, 0, (LPARAM)range);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    char text[1024];
    if (LoadStringA(g_instance, textId, text, sizeof text) <= 0) text[0] = '\0';
    SetDlgItemTextA(progress, IDC_PROGRESS_TEXT, text);
}

// Ends the progress dialog from inside its idle notification. Its modal loop then waits for one
// more message before it sees the end (Wine drops that message unseen): a message of its own
// wakes it, so that the loop never waits for, and swallows, someone else's.
static void EndProgress(HWND progress)
{
    EndDialog(progress, 1);
    PostMessageA(progress, WM_NULL, 0, 0);
}

static void RunSearchJob(HWND window, HWND progress)
{
    DeleteRows(FoundList(window), -1);
    SetProgress(progress, CountRegistryRules() + CountFileRules(), IDS_SEARCHING);
    g_jobResult = SearchAll(GetDlgItem(progress, IDC_PROGRESS_BAR), g_restrictedFlag);
    EndProgress(progress);
}

static void RunDeletionJob(HWND window, HWND progress)
{
    HWND list = FoundList(window);
    SetProgress(progress, RowCount(list), IDS_DELETING);
    ReadTicksBack(list);
    DeletionSummary summary = {0, 1, 0, 1, 0, 0};
    g_jobResult = DeleteAll(GetDlgItem(progress, IDC_PROGRESS_BAR), &summary);
    // A refused backup place kept every item: that one message says why.
    if (summary.placeFault != 0) {
        MessageBoxById(progress, IDS_BACKUP_PLACE_REFUSED, MB_ICONERROR);
        EndProgress(progress);
        return;
    }
    if (summary.registryCount > 0) {
        if (summary.registryAllDeleted == 1) MessageBoxById(progress, IDS_REGISTRY_DELETED, MB_ICONINFORMATION);
        else MessageBoxById(progress, IDS_REGISTRY_NOT_DELETED, MB_ICONWARNING);
    }
    if (summary.fileCount > 0) {
        if (summary.filesAllDeleted != 1) MessageBoxById(progress, IDS_FILES_NOT_DELETED, MB_ICONWARNING);
        else if (summary.atRestartCount > 0) MessageBoxById(progress, IDS_FILES_AT_RESTART, MB_ICONINFORMATION);
        else MessageBoxById(progress, IDS_FILES_DELETED, MB_ICONINFORMATION);
    }
    EndProgress(progress);
}

void OnEnterIdle(HWND window, WPARAM source, LPARAM dialog)
{
    if (source != MSGF_DIALOGBOX || (HWND)dialog != g_progressDialog || g_progressDialog == NULL) return;
    const int32_t job = g_pendingJob;
    // Taken before it runs: the dialogs the job opens send idle notifications of their own.
    g_pendingJob = kJobNone;
    if (job == kJobSearch) RunSearchJob(window, (HWND)dialog);
    else if (job == kJobDeletion) RunDeletionJob(window, (HWND)dialog);
}
