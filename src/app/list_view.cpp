// The list-view and check-box operations every window of the program uses.
#include "app/list_view.h"
#include <commctrl.h>

void InsertListColumns(HWND list, const ListColumn* columns, int count)
{
    for (int i = 0; i < count; i++) {
        LVCOLUMNA column;
        ZeroMemory(&column, sizeof column);
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = columns[i].format;
        column.cx = columns[i].width;
        column.pszText = (LPSTR)columns[i].header;
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&column);
    }
}

int AppendEmptyRow(HWND list)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    item.iItem = RowCount(list);
    item.pszText = (LPSTR)"";
    item.lParam = 0;
    return (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

void SetCellText(HWND list, int row, int column, const char* text)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = (LPSTR)text;
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

int GetCellText(HWND list, int row, int column, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = '\0';
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = size;
    int length = (int)SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    if (length < 0) length = 0;
    if (length >= size) length = size - 1;
    buffer[length] = '\0';
    return length;
}

int SetRowParameter(HWND list, int row, LPARAM value)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item)) return -1;
    item.lParam = value;
    if (!SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&item)) return -1;
    return 0;
}

LPARAM GetRowParameter(HWND list, int row)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
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
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
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
