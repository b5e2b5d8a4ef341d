// Restart prompt after every interactive deletion: restart now, or later.
#include "app/dialogs.h"
#include "app/res/resource.h"
#include "clean/restart.h"
#include "model/process_values.h"

static INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:   // "Restart now"; a refused restart shows nothing
        RestartSystem(EWX_REBOOT);
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:   // "Restart later" or Escape
        EndDialog(dialog, 2);
        return TRUE;
    default:
        return FALSE;
    }
}

static INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, g_caption);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

INT_PTR RunRestartDialog(HWND owner)
{
    return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_RESTART), owner, RestartDialogProc, 1);
}
