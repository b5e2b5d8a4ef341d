// The list-view and check-box operations every window of the program uses.
#include "app/list_view.h"
#include <commctrl.h>
#include "app/res/resource.h"
#include "model/process_values.h"

void SetUpItemColumns(HWND list, UINT titleId, const int widths[3], DWORD styles)
{
    const UINT headerIds[3] = {IDS_COLUMN_PRODUCT, titleId, IDS_COLUMN_TYPE};
    for (int i = 0; i < 3; i++) {
        char header[1024];
        if (LoadStringA(g_instance, headerIds[i], header, sizeof header) <= 0) header[0] = '\0';
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = widths[i];
        column.pszText = header;
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&column);
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
}

int AppendRow(HWND list, LPARAM parameter)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    item.iItem = RowCount(list);
    item.pszText = (LPSTR)"";
    item.lParam = parameter;
    return (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

void SetCellText(HWND list, int row, int column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = (LPSTR)text;
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

int GetCellText(HWND list, int row, int column, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = size;
    int length = (int)SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    if (length < 0) length = 0;
    if (length >= size) length = size - 1;
    buffer[length] = '\0';
    return length;
}

LPARAM GetRowParameter(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item)) return -1;
    return item.lParam;
}

int GetRowTick(HWND list, int row)
{
    const UINT state = (UINT)SendMessageA(list, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK);
    return (int)((state >> 12) & 3u) - 1;
}

void SetRowTick(HWND list, int row, uint8_t ticked)
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

void DeleteRows(HWND list, int row)
{
    if (row == -1) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    else SendMessageA(list, LVM_DELETEITEM, (WPARAM)row, 0);
}

int RowCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

int CountTickedRows(HWND list)
{
    const int rows = RowCount(list);
    int ticked = 0;
    for (int row = 0; row < rows; row++) {
        if (GetRowTick(list, row) != 0) ticked++;
    }
    return ticked;
}

void SetBoxAndNotify(HWND dialog, int boxId, int state)
{
    SendDlgItemMessageA(dialog, boxId, BM_SETCHECK, (WPARAM)state, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(boxId, BN_CLICKED), 0);
}

int GetBox(HWND dialog, int boxId)
{
    return (int)SendDlgItemMessageA(dialog, boxId, BM_GETCHECK, 0, 0);
}
