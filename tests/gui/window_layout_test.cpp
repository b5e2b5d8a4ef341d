// The resizable Japanese main window: found rows in Japanese, controls that follow the edges,
// minimise and restore, and the smallest size. Runs under a Japanese locale (test_gui_ja).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <map>
#include "app/found_list_view.h"
#include "app/res/resource.h"
#include "gui/gui_support.h"
#include "model/process_values.h"
#include "sample_machine.h"

namespace {

const int kControls[] = {IDC_GUIDE, IDC_ABOUT_BUTTON, IDC_FOUND_LIST, IDC_PRODUCT_GROUP, IDC_DRIVER_GROUP,
                         IDC_APPLICATION_GROUP, IDC_FAMILY_1, IDC_FAMILY_7, IDC_FAMILY_17, IDC_TICK_ALL,
                         IDC_UNTICK_ALL, IDC_SEARCH, IDC_DELETE, IDCANCEL, IDC_FAMILY_0};

// Every control's rectangle in the window's client coordinates.
std::map<int, RECT> Layout(HWND main)
{
    std::map<int, RECT> layout;
    for (int id : kControls) {
        RECT rect;
        GetWindowRect(GetDlgItem(main, id), &rect);
        MapWindowPoints(NULL, main, (POINT*)&rect, 2);
        layout[id] = rect;
    }
    return layout;
}

void ExpectShift(const RECT& before, const RECT& after, int dx, int dy, int dw, int dh, int id)
{
    EXPECT_EQ(before.left + dx, after.left) << "control " << id;
    EXPECT_EQ(before.top + dy, after.top) << "control " << id;
    EXPECT_EQ(before.right - before.left + dw, after.right - after.left) << "control " << id;
    EXPECT_EQ(before.bottom - before.top + dh, after.bottom - after.top) << "control " << id;
}

SIZE WindowSize(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void Resize(HWND window, int width, int height)
{
    SetWindowPos(window, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int ItemColumnFits(HWND main)
{
    HWND list = GetDlgItem(main, IDC_FOUND_LIST);
    RECT client;
    GetClientRect(list, &client);
    return (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0) == client.right - kItemColumnSlack ? 1 : 0;
}

}  // namespace

TEST(WindowJapanese, FoundRowsAndLayout)
{
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_JAPANESE) GTEST_SKIP() << "needs LC_ALL=ja_JP.UTF-8";
    SampleMachine machine;
    std::string error, log;
    ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine, &error)) << error;
    ASSERT_TRUE(SeedMachine(machine, &log, 1u << 1)) << log;
    ScopedFoundItems items;
    {
        InteractiveRun run("/C 2");
        ASSERT_TRUE(Answer(run.ExpectMessage(IDS_START_WARNING, 60000), IDYES));
        HWND main = run.MainWindow();
        ASSERT_TRUE(main != NULL);
        PostMessageA(main, WM_COMMAND, IDC_SEARCH, 0);
        ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDOK));
        ASSERT_TRUE(Answer(run.ExpectMessage(IDS_DELETE_QUESTION, 300000), IDNO));
        // No reveals Delete; the screenshot waits for it, the window having repainted by then.
        ASSERT_TRUE(WaitUntil([](void* w) { return IsWindowVisible(GetDlgItem((HWND)w, IDC_DELETE)) ? 1 : 0; }, main));
        ASSERT_GT((int)SendDlgItemMessageA(main, IDC_FOUND_LIST, LVM_GETITEMCOUNT, 0, 0), 0);
        EXPECT_EQ(ModuleString(g_instance, IDS_GUIDE_FOUND), WindowText(GetDlgItem(main, IDC_GUIDE)));
        EXPECT_TRUE(TakeScreenshot(ScreenshotPath("main-found-ja.png")));

        // Growing by 100 x 50: the corner buttons move by exactly that, the list stretches, the
        // family boxes follow the right edge, the guidance line widens.
        const SIZE first = WindowSize(main);
        const std::map<int, RECT> initial = Layout(main);
        Resize(main, first.cx + 100, first.cy + 50);
        std::map<int, RECT> grown = Layout(main);
        for (int id : {IDC_SEARCH, IDC_DELETE, IDCANCEL}) ExpectShift(initial.at(id), grown[id], 100, 50, 0, 0, id);
        for (int id : {IDC_ABOUT_BUTTON, IDC_PRODUCT_GROUP, IDC_FAMILY_1, IDC_FAMILY_7, IDC_TICK_ALL})
            ExpectShift(initial.at(id), grown[id], 100, 0, 0, 0, id);
        ExpectShift(initial.at(IDC_FOUND_LIST), grown[IDC_FOUND_LIST], 0, 0, 100, 50, IDC_FOUND_LIST);
        ExpectShift(initial.at(IDC_GUIDE), grown[IDC_GUIDE], 0, 0, 100, 0, IDC_GUIDE);
        ExpectShift(initial.at(IDC_FAMILY_0), grown[IDC_FAMILY_0], 0, 0, 0, 0, IDC_FAMILY_0);   // not registered
        EXPECT_TRUE(ItemColumnFits(main));

        // Back to the first size, and through minimise and restore: every control to the pixel.
        Resize(main, first.cx + 37, first.cy + 11);
        Resize(main, first.cx, first.cy);
        std::map<int, RECT> back = Layout(main);
        for (int id : kControls) ExpectShift(initial.at(id), back[id], 0, 0, 0, 0, id);
        ShowWindow(main, SW_MINIMIZE);
        EXPECT_TRUE(IsIconic(main));
        ShowWindow(main, SW_RESTORE);
        EXPECT_FALSE(IsIconic(main));
        back = Layout(main);
        for (int id : kControls) ExpectShift(initial.at(id), back[id], 0, 0, 0, 0, id);
        EXPECT_TRUE(ItemColumnFits(main));

        // The smallest window: the minimum-size frame plus the window's borders and caption.
        const SIZE frame = WindowSize(GetDlgItem(main, IDC_MIN_SIZE_FRAME));
        Resize(main, 120, 90);
        const SIZE smallest = WindowSize(main);
        EXPECT_EQ(frame.cx + 2 * GetSystemMetrics(SM_CXFRAME), smallest.cx);
        EXPECT_EQ(frame.cy + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION), smallest.cy);

        PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(run.Finished());
    }
    EXPECT_TRUE(UnseedMachine(machine, &log)) << log;
}
