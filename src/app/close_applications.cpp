// Closing the running applications of the selected families before a deletion.
#include "app/main_window.h"
#include "model/products.h"
#include "tables/application_windows.h"

const int kCloseChecks = 10;
const int kCloseCheckIntervalMs = 100;

static HWND FindApplicationWindow(const ApplicationWindowEntry& row)
{
    return FindWindowA(row.windowClass[0] ? row.windowClass : NULL, row.windowTitle[0] ? row.windowTitle : NULL);
}

// Asks the row's window to close as the close box would, then waits up to about a second for it
// to go. The request has no time limit: an application that asks a question keeps us waiting.
static int CloseApplicationWindow(const ApplicationWindowEntry& row)
{
    HWND window = FindApplicationWindow(row);
    if (window == NULL) return 0;
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(cursor.x, cursor.y));
    for (int i = 0; i < kCloseChecks; i++) {
        if (FindApplicationWindow(row) == NULL) break;
        Sleep(kCloseCheckIntervalMs);
    }
    return 1;
}

int CloseApplicationWindows()
{
    int asked = 0;
    for (int i = 0; kApplicationWindows[i].product != -1; i++) {
        if (ProductSelection(kApplicationWindows[i].product, -1) == 1)
            asked += CloseApplicationWindow(kApplicationWindows[i]);
    }
    return asked;
}
