// Progress dialog: a bar and a line of text behind which the owner runs a search or a deletion.
#include "app/dialogs.h"
#include "app/res/resource.h"
#include "app/ui_state.h"
#include "model/process_values.h"

static INT_PTR OnInitDialog(HWND dialog)
{
    g_progressDialog = dialog;
    return TRUE;
}

static INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_DESTROY:
        if (g_progressDialog == dialog) g_progressDialog = NULL;
        return FALSE;
    default:
        return FALSE;   // no buttons; Escape does not close it
    }
}

INT_PTR RunProgressDialog(HWND owner)
{
    return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner, ProgressDialogProc, 0);
}
