// List dialog: the files found in use after a search (mode 0) or the items a deletion could not
// remove (mode 1), with the close-applications check box.
#include "app/dialogs.h"
#include <commctrl.h>
#include "app/list_view.h"
#include "app/res/resource.h"
#include "app/ui_state.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"

static uint8_t ItemMatchesMode(const FoundItem& item, int32_t mode)
{
    if (mode == kItemListInUse) return item.accessible == 0 ? 1 : 0;
    return item.notDeleted != 0 ? 1 : 0;   // still there, or removed at the next restart
}

static void FillItemList(HWND list, int32_t mode)
{
    FoundItemList* items = g_foundItems;
    if (items == NULL) return;
    for (int32_t i = 0; i < items->count; i++) {
        const FoundItem& item = items->items[i];
        if (!ItemMatchesMode(item, mode)) continue;
        const int row = AppendRow(list, 0);
        if (row < 0) continue;
        SetCellText(list, row, 0, ProductName(item.productIndex));
        SetCellText(list, row, 1, item.displayText ? item.displayText : "");
        char atRestart[128];
        if (item.notDeleted == kRemovedAtRestart && LoadStringA(g_instance, IDS_AT_RESTART, atRestart, sizeof atRestart) > 0)
            SetCellText(list, row, 2, atRestart);
        else
            SetCellText(list, row, 2, ItemTypeWord(&item));
    }
}

static INT_PTR OnInitDialog(HWND dialog, int32_t mode)
{
    SetWindowTextA(dialog, g_caption);
    UINT titleId = IDS_CANT_DELETE_ITEMS;
    if (mode == kItemListInUse) {
        ShowWindow(GetDlgItem(dialog, IDC_CONTINUE), SW_SHOW);
        ShowWindow(GetDlgItem(dialog, IDC_LIST_CANCEL), SW_SHOW);
    } else {
        ShowWindow(GetDlgItem(dialog, IDOK), SW_SHOW);
        EnableWindow(GetDlgItem(dialog, IDC_CLOSE_APPLICATIONS), FALSE);
        titleId = IDS_NOT_DELETED_ITEMS;
    }
    const int widths[3] = {100, 385, 50};
    HWND list = GetDlgItem(dialog, IDC_ITEM_LIST);
    SetUpItemColumns(list, titleId, widths, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    FillItemList(list, mode);
    g_closeApplications = 1;
    CheckDlgButton(dialog, IDC_CLOSE_APPLICATIONS, BST_CHECKED);
    return TRUE;
}

static INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDC_CONTINUE:
    case IDC_LIST_CANCEL:
        EndDialog(dialog, id);
        return TRUE;
    case IDC_CLOSE_APPLICATIONS:
        g_closeApplications = IsDlgButtonChecked(dialog, IDC_CLOSE_APPLICATIONS) == BST_CHECKED ? 1 : 0;
        return TRUE;
    default:
        return FALSE;
    }
}

static INT_PTR CALLBACK ItemListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, (int32_t)lParam);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

INT_PTR RunItemListDialog(HWND owner, int32_t mode)
{
    return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ITEM_LIST), owner, ItemListDialogProc, (LPARAM)mode);
}
