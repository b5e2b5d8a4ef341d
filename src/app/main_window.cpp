// The main window's procedure: initialisation, tooltips, sizing, the command dispatch.
#include "app/main_window.h"
#include <commctrl.h>
#include <stddef.h>
#include "app/anchor_layout.h"
#include "app/dialogs.h"
#include "app/found_list_view.h"
#include "app/tool_info.h"
#include "app/list_view.h"
#include "app/res/resource.h"
#include "app/ui_state.h"
#include "model/process_values.h"
#include "model/products.h"
#include "tables/tooltips.h"

const int kFirstProductBox = IDC_FAMILY_FIRST;
const int kLastProductBox = IDC_FAMILY_FIRST + kProductCount - 1;

// Controls that keep their distance to the right edge, in registration order.
static const int kRightAnchored[] = {
    IDC_FAMILY_1, IDC_FAMILY_9, IDC_FAMILY_10, IDC_FAMILY_3, IDC_FAMILY_4, IDC_FAMILY_8, IDC_FAMILY_2, IDC_FAMILY_7,
    IDC_FAMILY_11, IDC_FAMILY_12, IDC_FAMILY_13, IDC_FAMILY_14, IDC_FAMILY_15, IDC_FAMILY_16, IDC_FAMILY_17,
    IDC_PRODUCT_GROUP, IDC_DRIVER_GROUP, IDC_APPLICATION_GROUP, IDC_TICK_ALL, IDC_UNTICK_ALL, IDC_ABOUT_BUTTON,
};
// Controls that keep their distance to the right and bottom edges.
static const int kCornerAnchored[] = {IDC_SEARCH, IDC_DELETE, IDCANCEL};

static void CreateTooltips(HWND window)
{
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, NULL, TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, NULL,
                                g_instance, NULL);
    if (tips == NULL) return;
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(50000, 0));
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(250, 0));
    SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, 350);
    for (int i = 0; kTooltips[i].product != -1; i++) {
        TOOLINFOA tool = {};
        tool.cbSize = kToolInfoSize;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = (UINT_PTR)GetDlgItem(window, kTooltips[i].controlId);
        tool.hinst = g_instance;
        tool.lpszText = (LPSTR)kTooltips[i].text;
        SendMessageA(tips, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    }
}

static void SetDeleteBitmap(HWND window)
{
    const UINT bitmap = PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_JAPANESE ? IDB_DELETE_JA : IDB_DELETE_EN;
    if (g_deleteBitmap == NULL) g_deleteBitmap = LoadBitmapA(g_instance, MAKEINTRESOURCEA(bitmap));
    SendDlgItemMessageA(window, IDC_DELETE, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)g_deleteBitmap);
}

static void RegisterAnchored(HWND window, int id, int moveX, int moveY, int growX, int growY)
{
    g_anchorLayout.Add(g_anchorLayout.Measure(GetDlgItem(window, id), moveX, moveY, growX, growY, 1, 0, 0));
}

static void RegisterAnchors(HWND window)
{
    // A window created earlier in this process leaves records of controls that no longer exist.
    g_anchorLayout.RemoveAll();
    g_anchorLayout.AttachParent(window);
    for (size_t i = 0; i < sizeof kRightAnchored / sizeof kRightAnchored[0]; i++)
        RegisterAnchored(window, kRightAnchored[i], 1, 0, 0, 0);
    for (size_t i = 0; i < sizeof kCornerAnchored / sizeof kCornerAnchored[0]; i++)
        RegisterAnchored(window, kCornerAnchored[i], 1, 1, 0, 0);
    RegisterAnchored(window, IDC_FOUND_LIST, 0, 0, 1, 1);
    RegisterAnchored(window, IDC_GUIDE, 0, 0, 1, 0);
    // The hidden frame 1015 only gives the smallest window size; the English layout has none.
    const AnchorRecord frame = g_anchorLayout.Measure(GetDlgItem(window, IDC_MIN_SIZE_FRAME), 0, 0, 0, 0, 1, 0, 0);
    g_minimumFrameWidth = frame.width;
    g_minimumFrameHeight = frame.height;
}

// The item column takes the list's width less the room of the other two columns.
static void FitItemColumn(HWND window)
{
    HWND list = GetDlgItem(window, IDC_FOUND_LIST);
    RECT client;
    if (list != NULL && GetClientRect(list, &client))
        SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(client.right - kItemColumnSlack, 0));
}

static INT_PTR OnInitDialog(HWND window)
{
    SendMessageA(window, WM_SETICON, ICON_BIG, (LPARAM)LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_MAIN)));
    SetWindowTextA(window, g_caption);
    SetUpFoundList(GetDlgItem(window, IDC_FOUND_LIST));
    HMENU systemMenu = GetSystemMenu(window, FALSE);
    if (systemMenu != NULL) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, NULL);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUT, "&About...");
    }
    UpdateGuidance(window);
    CreateTooltips(window);
    SetDeleteBitmap(window);
    for (int box = kFirstProductBox; box <= kLastProductBox; box++)
        SetBoxAndNotify(window, box, (int)ProductSelection(box - kFirstProductBox, -1));
    RegisterAnchors(window);
    // The window's first size notice came before the columns existed (Wine sends it during
    // creation): fit the item column now, as every later size notice does.
    FitItemColumn(window);
    return TRUE;
}

static INT_PTR OnSize(HWND window)
{
    g_anchorLayout.Resize();
    InvalidateRect(window, NULL, TRUE);
    FitItemColumn(window);
    return TRUE;
}

static INT_PTR OnGetMinMaxInfo(HWND window, MINMAXINFO* info)
{
    // Without the minimum-size frame (the English layout) no minimum is imposed.
    if (IsIconic(window) || IsZoomed(window) || g_minimumFrameWidth <= 0 || g_minimumFrameHeight <= 0)
        return FALSE;
    info->ptMinTrackSize.x = g_minimumFrameWidth + 2 * GetSystemMetrics(SM_CXFRAME);
    info->ptMinTrackSize.y = g_minimumFrameHeight + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    return FALSE;
}

static INT_PTR OnCommand(HWND window, int id, int code)
{
    if (id >= kFirstProductBox && id <= kLastProductBox) {
        if (code == BN_CLICKED) OnProductBoxChange(window, id);
        return TRUE;
    }
    switch (id) {
    case IDOK:
    case IDCANCEL:
        DestroyWindow(window);
        if (g_mainWindow == window) g_mainWindow = NULL;
        return TRUE;
    case IDC_TICK_ALL:
        OnTickAll(window);
        return TRUE;
    case IDC_UNTICK_ALL:
        OnUntickAll(window);
        return TRUE;
    case IDC_ABOUT_BUTTON:
    case IDM_ABOUT:
        RunAboutDialog(window);
        return TRUE;
    case IDC_SEARCH:
        OnSearch(window);
        return TRUE;
    case IDC_DELETE:
        OnDelete(window);
        return TRUE;
    default:
        return FALSE;
    }
}

static INT_PTR OnDestroy(HWND)
{
    PostQuitMessage(0);
    return TRUE;
}

static INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_COMMAND:
        return OnCommand(window, LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        if (wParam == IDM_ABOUT) {
            RunAboutDialog(window);
            return TRUE;
        }
        return FALSE;
    case WM_ENTERIDLE:
        OnEnterIdle(window, wParam, lParam);
        return FALSE;
    case WM_SIZE:
        return OnSize(window);
    case WM_GETMINMAXINFO:
        return OnGetMinMaxInfo(window, (MINMAXINFO*)lParam);
    case WM_DESTROY:
        return OnDestroy(window);
    default:
        return FALSE;
    }
}

HWND CreateMainWindow()
{
    // The list view, progress bar and tooltip classes come from the common controls.
    INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    return CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainWindowProc, 0);
}
