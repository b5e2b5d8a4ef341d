// The list-view and check-box operations every window of the program uses.
#pragma once
#include <windows.h>
#include <stdint.h>

struct ListColumn {
    const char* header;
    int width;
    int format;   // LVCFMT_LEFT and friends
};

// Inserts column i from columns[i] for i in 0..count-1.
void InsertListColumns(HWND list, const ListColumn* columns, int count);

// Appends a row with empty text, parameter 0 and no state; returns its index (-1 on failure).
int AppendEmptyRow(HWND list);

void SetCellText(HWND list, int row, int column, const char* text);
// Copies the cell into buffer (always terminated, empty when nothing was copied); returns the length.
int GetCellText(HWND list, int row, int column, char* buffer, int size);

// 0, or -1 when the row cannot be read or written.
int SetRowParameter(HWND list, int row, LPARAM value);
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
