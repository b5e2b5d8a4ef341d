// The demonstration's hands: answers envsweep's window the way a person cleaning every family
// would (Yes to start, Search, OK, Continue, Yes, OK to the summaries, Close, Restart later, or
// Restart now when asked to).
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "sample_machine.h"

namespace {

const int kSearch = 10001;      // the main window's Search button
const int kContinue = 1006;     // the in-use list's Continue button
const int kCloseBox = 1013;     // the list dialog's close-applications box
const int kMessageText = 0xFFFF;

struct Front {
    HWND windows[64];
    int count;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter)
{
    Front* front = (Front*)parameter;
    char name[64];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770") != 0)
        return TRUE;
    if (front->count < 64) front->windows[front->count++] = window;
    return TRUE;
}

// The visible dialog that owns no other visible dialog: the one waiting for an answer.
HWND DialogInFront(HWND* main)
{
    Front front = {{}, 0};
    EnumWindows(CollectDialog, (LPARAM)&front);
    *main = NULL;
    HWND leaf = NULL;
    for (int i = 0; i < front.count; i++) {
        if (GetDlgItem(front.windows[i], kSearch) != NULL) {
            *main = front.windows[i];
            continue;
        }
        uint8_t owns = 0;
        for (int j = 0; j < front.count; j++) owns |= GetWindow(front.windows[j], GW_OWNER) == front.windows[i];
        if (!owns) leaf = front.windows[i];
    }
    return leaf;
}

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

// The answer for a dialog: the button a person cleaning up would press, or 0 to wait (the
// progress dialog has no button).
int AnswerFor(HWND dialog, uint8_t restartNow)
{
    if (GetDlgItem(dialog, kMessageText) != NULL && GetDlgItem(dialog, IDYES) != NULL) return IDYES;
    if (GetDlgItem(dialog, kMessageText) != NULL) return IDOK;
    HWND next = GetDlgItem(dialog, kContinue);
    if (next != NULL && IsWindowVisible(next)) return kContinue;
    if (GetDlgItem(dialog, kCloseBox) != NULL) return IDOK;
    if (GetDlgItem(dialog, IDCANCEL) != NULL && GetDlgItem(dialog, IDOK) != NULL &&
        GetDlgItem(dialog, 1005) == NULL)
        return restartNow ? IDOK : IDCANCEL;   // the restart prompt: "Restart now" or "Restart later"
    if (GetDlgItem(dialog, IDOK) != NULL) return IDOK;
    return 0;
}

}  // namespace

int DriveWindow(DWORD timeoutMs, DWORD pauseMs, uint8_t restartNow)
{
    const DWORD start = GetTickCount();
    uint8_t seen = 0, searched = 0;
    HWND answered = NULL;
    while (GetTickCount() - start < timeoutMs) {
        Sleep(pauseMs);
        HWND main = NULL;
        HWND dialog = DialogInFront(&main);
        if (main != NULL) seen = 1;
        if (dialog == NULL && main == NULL) {
            if (seen) return 0;   // the window has closed: the run is over
            continue;
        }
        if (dialog != NULL && dialog != answered) {
            const int answer = AnswerFor(dialog, restartNow);
            if (answer != 0) {
                char text[256] = "";
                GetDlgItemTextA(dialog, kMessageText, text, sizeof text);
                printf("answer %d: %s\n", answer, text);
                fflush(stdout);
                Press(dialog, answer);
                answered = dialog;
            }
        } else if (dialog == NULL && main != NULL && !searched) {
            puts("search");
            fflush(stdout);
            Press(main, kSearch);
            searched = 1;
        }
    }
    return 1;
}
