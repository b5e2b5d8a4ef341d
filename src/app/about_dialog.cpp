// About box: product name, version and copyright from the program's version resource.
#include "app/dialogs.h"
#include <stdio.h>
#include <string.h>
#include "app/res/resource.h"
#include "model/process_values.h"

const DWORD kVersionInfoLimit = 4096;

// Appends prefix and the string value name of the language block to text, when the value exists.
static void AppendVersionString(const char* data, const char* block, const char* name, const char* prefix,
                                char* text, int size)
{
    char query[128];
    snprintf(query, sizeof query, "\\StringFileInfo\\%s\\%s", block, name);
    char* value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(data, query, (void**)&value, &length) || value == NULL) return;
    const size_t used = strlen(text);
    snprintf(text + used, (size_t)size - used, "%s%s", prefix, value);
}

// The About text of the module file: product name, "\r\n\r\nVersion " and product version,
// "\r\n\r\n" and copyright, each when present; empty without version information or translation.
static void BuildAboutText(const char* modulePath, char* text, int size)
{
    text[0] = '\0';
    DWORD handle = 0;
    const DWORD infoSize = GetFileVersionInfoSizeA(modulePath, &handle);
    if (infoSize == 0 || infoSize > kVersionInfoLimit) return;
    static char data[kVersionInfoLimit];
    if (!GetFileVersionInfoA(modulePath, 0, kVersionInfoLimit, data)) return;
    WORD* translation = NULL;
    UINT length = 0;
    if (!VerQueryValueA(data, "\\VarFileInfo\\Translation", (void**)&translation, &length) ||
        translation == NULL || length < 2 * sizeof(WORD))
        return;
    char block[16];
    snprintf(block, sizeof block, "%04x%04x", translation[0], translation[1]);
    AppendVersionString(data, block, "ProductName", "", text, size);
    AppendVersionString(data, block, "ProductVersion", "\r\n\r\nVersion ", text, size);
    AppendVersionString(data, block, "LegalCopyright", "\r\n\r\n", text, size);
}

static INT_PTR OnInitDialog(HWND dialog)
{
    char path[260];
    const DWORD length = GetModuleFileNameA(g_instance, path, sizeof path);
    if (length == 0 || length >= sizeof path) path[0] = '\0';
    char text[512];
    BuildAboutText(path, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, text);
    return TRUE;
}

static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR RunAboutDialog(HWND owner)
{
    return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}
