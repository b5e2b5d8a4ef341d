// The main window's found-item list: columns, rows after a search, ticks by family and back.
#pragma once
#include <windows.h>
#include <stdint.h>

// Width of the product and type columns plus the room the list keeps free beside the item column.
const int kItemColumnSlack = 207;

// Columns "Product", "Item", "Type" and the extended styles (grid lines, check boxes, full row).
void SetUpFoundList(HWND list);

// One row per found item, in list order: stores each item's display text, the row parameter is
// the item's index and the tick its ticked flag.
void FillFoundList(HWND list);

// Ticks or unticks every row whose product column names the family; other rows stay.
void TickFamilyRows(HWND list, int32_t family, uint8_t ticked);

// Copies each row's tick into the found item its parameter names. A row whose parameter is not
// an index of the list (unreadable, or out of range) is skipped.
void ReadTicksBack(HWND list);
