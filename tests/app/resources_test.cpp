// The resources of envsweep.exe: every id in English and Japanese, English texts exact, the
// dialogs as their templates place them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <set>
#include <string>
#include <vector>
#include "app/res/resource.h"
#include "support/helpers.h"

namespace {

// The UTF-8 text of string id in the given language of module, or "<missing>".
std::string LoadStringIn(HMODULE module, UINT id, WORD language)
{
    HRSRC block = FindResourceExA(module, (LPCSTR)RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
    if (block == NULL) return "<missing>";
    const WCHAR* p = (const WCHAR*)LockResource(LoadResource(module, block));
    if (p == NULL) return "<missing>";
    for (UINT i = 0; i < id % 16; i++) p += 1 + *p;
    const int length = *p;
    if (length == 0) return "<missing>";
    char utf8[4096];
    const int n = WideCharToMultiByte(CP_UTF8, 0, p + 1, length, utf8, sizeof utf8, NULL, NULL);
    return std::string(utf8, (size_t)n);
}

struct StringCase {
    UINT id;
    const char* english;
};

const StringCase kStrings[] = {
    {IDS_CAPTION, "Morvane Products Environmental Cleaner"},
    {IDS_SEARCH_QUESTION, "Cleaner detects items about selected products."},
    {IDS_NO_SELECTED_ITEMS, "No selected items."},
    {IDS_DELETE_QUESTION, "Are you sure you want to delete these items ?"},
    {IDS_FILES_IN_USE, "Some files can't be deleted."},
    {IDS_NOT_FOUND, "Items about selected products name are not found."},
    {IDS_REGISTRY_NOT_DELETED, "Some registry keys were not deleted."},
    {IDS_REGISTRY_DELETED, "Deleting registry keys successfully completed."},
    {IDS_FILES_NOT_DELETED, "Some files can't be deleted."},
    {IDS_FILES_DELETED, "Deleting files succssfully completed."},
    {IDS_SEARCHING, "Searching..."},
    {IDS_DELETING, "Deleting..."},
    {IDS_CANT_DELETE_ITEMS, "Can't Delete Items"},
    {IDS_NOT_DELETED_ITEMS, "Not deleted Items"},
    {IDS_COLUMN_ITEM, "Item"},
    {IDS_COLUMN_TYPE, "Type"},
    {IDS_COLUMN_PRODUCT, "Product"},
    {IDS_GUIDE_FOUND, "Registry keys and files about selected products are found.\nPlease, check a delete item and push [Delete] button."},
    {IDS_GUIDE_START, "Please, select the products and push [Search] button.\nI recommend you to use a formal un-installer previously."},
    {IDS_SELECT_PRODUCT, "Please, select a product name."},
    {IDS_START_WARNING, "This software is for deleting environment according to a product, and is not for restoring.\nSince you can't return the eliminated environment at once. be fully careful of use.\n\nMay I start a environmental cleaner?"},
};

class ResourcesTest : public testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA((ModuleFolder() + "envsweep.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE((HMODULE)NULL, module);
    }
    void TearDown() override
    {
        if (module) FreeLibrary(module);
    }
    HMODULE module = NULL;
};

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

}  // namespace

TEST_F(ResourcesTest, EveryStringExistsInBothLanguagesAndEnglishIsExact)
{
    for (const StringCase& c : kStrings) {
        EXPECT_EQ(c.english, LoadStringIn(module, c.id, kEnglish)) << "string " << c.id;
        const std::string japanese = LoadStringIn(module, c.id, kJapanese);
        EXPECT_NE("<missing>", japanese) << "string " << c.id;
        EXPECT_NE(c.english, japanese) << "string " << c.id << " is not translated";
    }
}

TEST_F(ResourcesTest, JapaneseCaptionAndSelectedTexts)
{
    const std::string caption = LoadStringIn(module, IDS_CAPTION, kJapanese);
    const std::string suffix = "環境クリーナー";
    ASSERT_GE(caption.size(), suffix.size());
    EXPECT_EQ(suffix, caption.substr(caption.size() - suffix.size()));
    EXPECT_EQ("検索中...", LoadStringIn(module, IDS_SEARCHING, kJapanese));
    EXPECT_EQ("選択された製品に関連するレジストリキー及びファイルが検出されました。\r\n"
              "削除したい項目にチェックをし、「削除」ボタンを押してください。",
              LoadStringIn(module, IDS_GUIDE_FOUND, kJapanese));
}

TEST_F(ResourcesTest, VersionIconAndManifest)
{
    EXPECT_NE((HRSRC)NULL, FindResourceA(module, MAKEINTRESOURCEA(IDI_MAIN), (LPCSTR)RT_GROUP_ICON));
    // The manifest asks for common controls 6, for elevation without virtualization, and names
    // the Windows versions it was made for. Wine ignores the elevation request: only the built
    // resource can be checked here.
    HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), (LPCSTR)RT_MANIFEST);
    ASSERT_NE((HRSRC)NULL, manifest);
    const std::string text((const char*)LockResource(LoadResource(module, manifest)), SizeofResource(module, manifest));
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
                             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(std::string::npos, text.find(part)) << part;
    const std::string exe = ModuleFolder() + "envsweep.exe";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, &data[0]));
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(&data[0], "\\", (void**)&fixed, &length));
    EXPECT_EQ((DWORD)MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ((DWORD)MAKELONG(3, 7), fixed->dwFileVersionLS);
    WORD* translation = NULL;
    ASSERT_TRUE(VerQueryValueA(&data[0], "\\VarFileInfo\\Translation", (void**)&translation, &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);
    char* version = NULL;
    ASSERT_TRUE(VerQueryValueA(&data[0], "\\StringFileInfo\\040904b0\\ProductVersion", (void**)&version, &length));
    EXPECT_STREQ("1.0.7.3", version);
}

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    ((std::set<WORD>*)found)->insert(language);
    return TRUE;
}

// The languages in which a resource is stored under exactly that id.
std::set<WORD> LanguagesOf(HMODULE module, LPCSTR type, UINT id)
{
    std::set<WORD> languages;
    EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id), CollectLanguage, (LONG_PTR)&languages);
    return languages;
}

// A control as the template places it, rectangle in dialog units (cx 0: not compared). Rows
// with id -1 match the unnamed controls in template order.
struct ControlCase {
    int id;
    const char* className;
    const char* text;   // UTF-8; NULL: not compared
    short x, y, cx, cy;
    uint8_t visible, enabled;
};

std::string TextOf(HWND window)
{
    WCHAR wide[512] = L"";
    GetWindowTextW(window, wide, 512);
    char utf8[1536] = "";
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, NULL, NULL);
    return utf8;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog created from exactly one language's template (Unicode, so the texts stay whole).
class TemplateDialog {
public:
    TemplateDialog(HMODULE module, UINT id, WORD language)
    {
        if (LanguagesOf(module, (LPCSTR)RT_DIALOG, id).count(language) == 0) return;
        HRSRC found = FindResourceExA(module, (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(id), language);
        const WORD* data = found ? (const WORD*)LockResource(LoadResource(module, found)) : NULL;
        if (data == NULL || data[1] != 0xFFFF) return;   // not an extended template
        style = *(const DWORD*)(data + 6);
        cx = (short)data[11];
        cy = (short)data[12];
        window = CreateDialogIndirectParamW(module, (LPCDLGTEMPLATEW)data, NULL, QuietDialog, 0);
        RECT units = {0, 0, 4, 8};
        MapDialogRect(window, &units);
        baseX = units.right;
        baseY = units.bottom;
    }
    ~TemplateDialog()
    {
        if (window) DestroyWindow(window);
    }
    std::vector<HWND> Children(bool unnamedOnly) const
    {
        std::vector<HWND> children;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!unnamedOnly || LOWORD(GetDlgCtrlID(child)) == 0xFFFF) children.push_back(child);
        }
        return children;
    }
    void ExpectControls(const ControlCase* cases, size_t count) const
    {
        const std::vector<HWND> unnamed = Children(true);
        size_t nextUnnamed = 0;
        for (size_t i = 0; i < count; i++) {
            const ControlCase& c = cases[i];
            SCOPED_TRACE(testing::Message() << "control " << c.id << " " << (c.text ? c.text : ""));
            HWND control = c.id != -1 ? GetDlgItem(window, c.id) : nextUnnamed < unnamed.size() ? unnamed[nextUnnamed++] : NULL;
            ASSERT_NE(nullptr, control);
            char className[64] = "";
            GetClassNameA(control, className, sizeof className);
            EXPECT_STRCASEEQ(c.className, className);
            if (c.text) {
                EXPECT_EQ(c.text, TextOf(control));
            }
            RECT r;
            GetWindowRect(control, &r);
            MapWindowPoints(HWND_DESKTOP, window, (POINT*)&r, 2);
            // The dialog manager converts position and size separately.
            if (c.cx != 0) {
                EXPECT_EQ(MulDiv(c.x, baseX, 4), r.left);
                EXPECT_EQ(MulDiv(c.y, baseY, 8), r.top);
                EXPECT_EQ(MulDiv(c.cx, baseX, 4), r.right - r.left);
                EXPECT_EQ(MulDiv(c.cy, baseY, 8), r.bottom - r.top);
            }
            EXPECT_EQ(c.visible != 0, (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0);
            EXPECT_EQ(c.enabled != 0, IsWindowEnabled(control) != 0);
        }
        EXPECT_EQ(unnamed.size(), nextUnnamed) << "unnamed controls beyond the table";
    }
    void ExpectFont(const WCHAR* face, int points) const
    {
        LOGFONTW font = {};
        ASSERT_TRUE(GetObjectW((HFONT)SendMessageA(window, WM_GETFONT, 0, 0), sizeof font, &font));
        EXPECT_STREQ(face, font.lfFaceName);
        HDC screen = GetDC(NULL);
        EXPECT_EQ(-MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72), font.lfHeight);
        ReleaseDC(NULL, screen);
    }
    HWND window = NULL;
    DWORD style = 0;
    short cx = 0, cy = 0;
    int baseX = 0, baseY = 0;
};

const WCHAR kEnglishFont[] = L"MS Sans Serif";
const WCHAR kJapaneseFont[] = L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF";   // ＭＳ Ｐゴシック
const DWORD kFrame = WS_POPUP | DS_MODALFRAME | DS_CENTER;
const DWORD kListFrame = kFrame | WS_CAPTION | WS_SYSMENU | DS_NOIDLEMSG;

void InitCommonControlsForDialogs()
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
}

}  // namespace

TEST_F(ResourcesTest, EveryIdInBothLanguages)
{
    for (UINT id : {IDD_MAIN, IDD_PROGRESS, IDD_ITEM_LIST, IDD_RESTART, IDD_ABOUT}) {
        EXPECT_EQ((std::set<WORD>{kEnglish, kJapanese}), LanguagesOf(module, (LPCSTR)RT_DIALOG, id)) << "dialog " << id;
    }
    for (UINT block : {1u, 7u, 16u}) {   // strings 1-17, 100-102, 243
        EXPECT_EQ((std::set<WORD>{kEnglish, kJapanese}), LanguagesOf(module, (LPCSTR)RT_STRING, block)) << block;
    }
    // The icon and the bitmaps are language-neutral: one copy that both languages find.
    const std::pair<LPCSTR, UINT> neutral[] = {{(LPCSTR)RT_GROUP_ICON, IDI_MAIN}, {(LPCSTR)RT_BITMAP, IDB_DELETE_JA},
                                               {(LPCSTR)RT_BITMAP, IDB_DELETE_EN}};
    for (const auto& resource : neutral) {
        EXPECT_EQ(std::set<WORD>{LANG_NEUTRAL}, LanguagesOf(module, resource.first, resource.second)) << resource.second;
        for (WORD language : {kEnglish, kJapanese})
            EXPECT_NE(nullptr, FindResourceExA(module, resource.first, MAKEINTRESOURCEA(resource.second), language));
    }
    // Both bitmaps: 96 x 28, 16 colours, white lettering on red.
    for (UINT id : {IDB_DELETE_JA, IDB_DELETE_EN}) {
        SCOPED_TRACE(id);
        HBITMAP bitmap = (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(nullptr, bitmap);
        DIBSECTION dib;
        ASSERT_TRUE(GetObjectA(bitmap, sizeof dib, &dib));
        EXPECT_EQ(96, dib.dsBm.bmWidth);
        EXPECT_EQ(28, dib.dsBm.bmHeight);
        EXPECT_EQ(4, dib.dsBm.bmBitsPixel);
        HDC dc = CreateCompatibleDC(NULL);
        HGDIOBJ old = SelectObject(dc, bitmap);
        int red = 0, white = 0;
        for (int y = 0; y < 28; y++) {
            for (int x = 0; x < 96; x++) {
                const COLORREF c = GetPixel(dc, x, y);
                red += GetRValue(c) > 200 && GetGValue(c) < 40 && GetBValue(c) < 40;
                white += GetRValue(c) > 230 && GetGValue(c) > 230 && GetBValue(c) > 230;
            }
        }
        EXPECT_GT(red, 96 * 28 / 2);
        EXPECT_GT(white, 60);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
}

TEST_F(ResourcesTest, MainWindowJapaneseCompleteAndEnglishSubset)
{
    InitCommonControlsForDialogs();
    const DWORD styles = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_CENTER | DS_SETFOREGROUND;
    TemplateDialog ja(module, IDD_MAIN, kJapanese);
    ASSERT_NE(nullptr, ja.window);
    EXPECT_EQ(454, ja.cx);
    EXPECT_EQ(351, ja.cy);
    EXPECT_EQ(styles | WS_THICKFRAME, ja.style & (styles | WS_THICKFRAME | WS_VISIBLE));
    ja.ExpectFont(kJapaneseFont, 9);
    const ControlCase japanese[] = {
        {1009, "Static", "", 42, 9, 333, 21, 1, 1},
        {1020, "Button", "バージョン情報(&V)", 387, 6, 63, 14, 1, 1},
        {1000, "SysListView32", NULL, 6, 35, 258, 307, 1, 1},
        {1014, "Button", "製品名", 269, 32, 181, 235, 1, 1},
        {1018, "Button", "ドライバ", 276, 45, 168, 120, 1, 1},
        {1017, "Button", "アプリケーション", 276, 168, 168, 72, 1, 1},
        {3, "Button", "全選択(&A)", 345, 246, 47, 15, 1, 1},
        {4, "Button", "全解除(&Z)", 396, 246, 47, 15, 1, 1},
        {10001, "Button", "検索(&S)", 393, 276, 56, 19, 1, 1},
        {10002, "Button", NULL, 393, 300, 56, 19, 0, 1},
        {2, "Button", "終了(&X)", 393, 324, 56, 20, 1, 1},
        {1015, "Button", "最小ウィンドウサイズ", 1, 0, 452, 348, 0, 1},
    };
    ja.ExpectControls(japanese, sizeof japanese / sizeof japanese[0]);
    EXPECT_EQ(BS_BITMAP, GetWindowLongA(GetDlgItem(ja.window, IDC_DELETE), GWL_STYLE) & BS_BITMAP);
    // The dialog manager turns the template's WS_BORDER into the client edge.
    HWND list = GetDlgItem(ja.window, IDC_FOUND_LIST);
    EXPECT_EQ(LVS_REPORT | LVS_SHOWSELALWAYS, GetWindowLongA(list, GWL_STYLE) & (LVS_TYPEMASK | LVS_SHOWSELALWAYS));
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    // Family boxes: automatic check boxes inside their group, or hidden and disabled below both.
    RECT drivers, applications;
    GetWindowRect(GetDlgItem(ja.window, IDC_DRIVER_GROUP), &drivers);
    GetWindowRect(GetDlgItem(ja.window, IDC_APPLICATION_GROUP), &applications);
    for (int family = 0; family < 18; family++) {
        SCOPED_TRACE(family);
        HWND box = GetDlgItem(ja.window, IDC_FAMILY_FIRST + family);
        ASSERT_NE(nullptr, box);
        const LONG style = GetWindowLongA(box, GWL_STYLE);
        EXPECT_EQ(BS_AUTOCHECKBOX, style & BS_TYPEMASK);
        EXPECT_EQ(family == 7 || family == 8, (style & BS_MULTILINE) != 0);
        RECT r, group = family == 3 || family == 4 || family == 7 ? applications : drivers;
        GetWindowRect(box, &r);
        const bool hidden = family == 0 || family == 5 || family == 6;
        EXPECT_EQ(!hidden, (style & WS_VISIBLE) != 0);
        EXPECT_EQ(!hidden, IsWindowEnabled(box) != 0);
        if (hidden) {
            EXPECT_GE(r.top, applications.bottom);
        } else {
            EXPECT_TRUE(r.left >= group.left && r.right <= group.right && r.top >= group.top && r.bottom <= group.bottom);
        }
    }

    TemplateDialog en(module, IDD_MAIN, kEnglish);
    ASSERT_NE(nullptr, en.window);
    EXPECT_EQ(416, en.cx);
    EXPECT_EQ(234, en.cy);
    EXPECT_EQ(styles | DS_MODALFRAME, en.style & (styles | DS_MODALFRAME | WS_THICKFRAME | WS_VISIBLE));
    en.ExpectFont(kEnglishFont, 8);
    const ControlCase english[] = {
        {2, "Button", "Cancel", 0, 0, 0, 0, 1, 1},
        {1000, "SysListView32", NULL, 0, 0, 0, 0, 1, 1},
        {10002, "Button", "Delete", 0, 0, 0, 0, 0, 1},
        {-1, "Static", NULL, 0, 0, 0, 0, 1, 1},
        {-1, "Button", "Category", 0, 0, 0, 0, 1, 1},
        {2400, "Button", NULL, 0, 0, 0, 0, 0, 0},   // hidden, and disabled so that ALL Check leaves it
        {2401, "Button", NULL, 0, 0, 0, 0, 1, 1},
        {2402, "Button", NULL, 0, 0, 0, 0, 1, 1},
        {2403, "Button", NULL, 0, 0, 0, 0, 1, 1},
        {2404, "Button", NULL, 0, 0, 0, 0, 1, 1},
        {2407, "Button", NULL, 0, 0, 0, 0, 1, 1},
        {2408, "Button", NULL, 0, 0, 0, 0, 1, 1},
        {3, "Button", "ALL Check", 0, 0, 0, 0, 1, 1},
        {4, "Button", "All Uncheck", 0, 0, 0, 0, 1, 1},
        {10001, "Button", "Search", 0, 0, 0, 0, 1, 1},
        {1009, "Static", NULL, 0, 0, 0, 0, 1, 1},
    };
    en.ExpectControls(english, sizeof english / sizeof english[0]);
    EXPECT_EQ(16u, en.Children(false).size()) << "the subset and nothing else";
}

TEST_F(ResourcesTest, SecondaryDialogsInEnglishAndJapanese)
{
    InitCommonControlsForDialogs();
    const ControlCase progress[] = {
        {IDC_PROGRESS_TEXT, "Static", "Static", 7, 7, 179, 8, 1, 1},
        {1001, "msctls_progress32", NULL, 7, 21, 179, 12, 1, 1},
    };
    const ControlCase list[] = {
        {1, "Button", "Close", 178, 194, 50, 14, 0, 1},
        {1006, "Button", "Continue", 125, 194, 49, 14, 0, 1},
        {1007, "Button", "Cancel", 178, 194, 50, 14, 0, 1},
        {1000, "SysListView32", NULL, 5, 26, 223, 152, 1, 1},
        {-1, "Static",
         "The file or registry key currently used, it can't delete.\nI recommand you Safe-mode to delete environmental safely.",
         5, 6, 223, 22, 1, 1},
        {1013, "Button", "It's made to end when the application for deletion has started.", 15, 182, 209, 10, 1, 1},
    };
    const ControlCase restart[] = {
        {1, "Button", "Restart now", 18, 50, 70, 14, 1, 1},
        {2, "Button", "Restart later", 98, 50, 70, 14, 1, 1},
        {-1, "Static", "You need to restart the computer.", 10, 10, 156, 14, 1, 1},
        {-1, "Static", "Would you like to restart the computer now ?", 10, 25, 150, 16, 1, 1},
    };
    const ControlCase about[] = {
        {1, "Button", "OK", 104, 66, 50, 14, 1, 1},
        {-1, "Static", NULL, 5, 14, 0, 0, 1, 1},
        {1005, "Edit", "", 32, 5, 217, 57, 1, 1},
    };
    struct DialogCase {
        UINT id;
        short cx, cy;
        DWORD styles, absent;
        const char* caption;
        const ControlCase* controls;
        size_t count;
    };
    // The progress dialog has no caption and keeps its idle messages: the work runs on them.
    const DialogCase dialogs[] = {
        {IDD_PROGRESS, 193, 40, kFrame | DS_SETFOREGROUND, WS_CAPTION | DS_NOIDLEMSG, NULL, progress, 2},
        {IDD_ITEM_LIST, 235, 212, kListFrame, 0, NULL, list, 6},
        {IDD_RESTART, 187, 71, kListFrame, 0, NULL, restart, 4},
        {IDD_ABOUT, 254, 85, kFrame | WS_CAPTION | WS_SYSMENU | DS_SETFOREGROUND, 0, "About", about, 3},
    };
    for (const DialogCase& d : dialogs) {
        SCOPED_TRACE(d.id);
        TemplateDialog en(module, d.id, kEnglish), ja(module, d.id, kJapanese);
        ASSERT_TRUE(en.window && ja.window);
        EXPECT_EQ(d.cx, en.cx);
        EXPECT_EQ(d.cy, en.cy);
        EXPECT_EQ(d.styles, en.style & (d.styles | d.absent));
        if (d.caption) {
            EXPECT_EQ(d.caption, TextOf(en.window));
        }
        en.ExpectFont(kEnglishFont, 8);
        en.ExpectControls(d.controls, d.count);
        // Japanese: the same frame and named controls, its own font; dialog 103 parts its text
        // from the check box with a line, dialog 106 has a third line of text.
        EXPECT_EQ(en.style, ja.style);
        ja.ExpectFont(kJapaneseFont, 9);
        for (size_t i = 0; i < d.count; i++) {
            if (d.controls[i].id != -1) {
                EXPECT_NE(nullptr, GetDlgItem(ja.window, d.controls[i].id)) << d.controls[i].id;
            }
        }
        size_t texts = 0, lines = 0;
        for (HWND child : ja.Children(true)) {
            const bool line = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ETCHEDHORZ;
            lines += line;
            texts += !line;
        }
        EXPECT_EQ(d.id == IDD_ITEM_LIST ? 1u : 0u, lines);
        EXPECT_EQ(en.Children(true).size() + (d.id == IDD_RESTART ? 1 : 0), texts);
    }
    TemplateDialog en(module, IDD_ABOUT, kEnglish);
    EXPECT_EQ(SS_ICON, GetWindowLongA(GetDlgItem(en.window, -1), GWL_STYLE) & SS_TYPEMASK);
    const DWORD edit = ES_MULTILINE | ES_READONLY | ES_CENTER | WS_TABSTOP;
    EXPECT_EQ(edit, GetWindowLongA(GetDlgItem(en.window, IDC_ABOUT_TEXT), GWL_STYLE) & edit);
}
