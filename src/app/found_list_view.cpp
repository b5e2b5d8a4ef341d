// The main window's found-item list: columns, rows after a search, ticks by family and back.
#include "app/found_list_view.h"
#include <commctrl.h>
#include "app/list_view.h"
#include "app/res/resource.h"
#include "model/found_items.h"
#include "model/products.h"
#include "platform/text_ops.h"

void SetUpFoundList(HWND list)
{
    const int widths[3] = {120, 250, 60};
    SetUpItemColumns(list, IDS_COLUMN_ITEM, widths, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
}

void FillFoundList(HWND list)
{
    FoundItemList* items = g_foundItems;
    if (items == NULL) return;
    char text[1024];
    for (int32_t i = 0; i < items->count; i++) {
        FoundItem& item = items->items[i];
        FormatItemText(&item, text, sizeof text);
        FreeString(item.displayText);
        item.displayText = DuplicateString(text);
        const int row = AppendRow(list, (LPARAM)i);
        if (row < 0) continue;
        SetCellText(list, row, 0, ProductName(item.productIndex));
        SetCellText(list, row, 1, text);
        SetCellText(list, row, 2, ItemTypeWord(&item));
        SetRowTick(list, row, item.ticked);
    }
}

void TickFamilyRows(HWND list, int32_t family, uint8_t ticked)
{
    const int rows = RowCount(list);
    char product[256];
    for (int row = 0; row < rows; row++) {
        GetCellText(list, row, 0, product, sizeof product);
        if (ProductIndexFromName(product) == family) SetRowTick(list, row, ticked);
    }
}

void ReadTicksBack(HWND list)
{
    FoundItemList* items = g_foundItems;
    if (items == NULL) return;
    const int rows = RowCount(list);
    for (int row = 0; row < rows; row++) {
        const LPARAM index = GetRowParameter(list, row);
        if (index < 0 || index >= (LPARAM)items->count) continue;
        items->items[index].ticked = GetRowTick(list, row) != 0 ? 1 : 0;
    }
}
