// The list-view and check-box operations every window of the program uses.
#pragma once
#include <windows.h>
#include <stdint.h>

// Left-aligned columns "Product", string titleId and "Type" at widths[0..2], then the extended
// styles.
void SetUpItemColumns(HWND list, UINT titleId, const int widths[3], DWORD styles);

// Appends a row with empty text, the parameter and no state; returns its index (-1 on failure).
int AppendRow(HWND list, LPARAM parameter);

void SetCellText(HWND list, int row, int column, const char* text);
// Copies the cell into buffer (always terminated, empty when nothing was copied); returns the length.
int GetCellText(HWND list, int row, int column, char* buffer, int size);

// The row's parameter, or -1 when the row cannot be read.
LPARAM GetRowParameter(HWND list, int row);

// 1 ticked, 0 unticked, -1 the row has no check-box image.
int GetRowTick(HWND list, int row);
void SetRowTick(HWND list, int row, uint8_t ticked);

// row -1 deletes every row.
void DeleteRows(HWND list, int row);
int RowCount(HWND list);

// Rows whose tick is not 0 (a row without a check-box image counts as ticked).
int CountTickedRows(HWND list);

// BM_SETCHECK on the box, then WM_COMMAND (box id, BN_CLICKED) to the dialog.
void SetBoxAndNotify(HWND dialog, int boxId, int state);
int GetBox(HWND dialog, int boxId);
