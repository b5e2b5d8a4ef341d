// The interactive clean-up through the real main window and its dialogs, driven by messages from
// the test thread over the sample machine's traces of two families.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string.h>
#include "app/res/resource.h"
#include "app/ui_state.h"
#include "gui/gui_support.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "sample_machine.h"
#include "tables/application_windows.h"

namespace {

const int kFamilyCapture = 1;   // CaptureStation: has application windows in the table
const int kFamilyTv = 7;        // MorvaneTV Suite: holds the machine's in-use file
const int kFamilyStick = 2;     // TVStick Mini: not selected; its application must keep running

HWND Control(HWND main, int id)
{
    return GetDlgItem(main, id);
}

int BoxTicked(HWND main, int id)
{
    return SendMessageA(Control(main, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Click(HWND main, int id)
{
    SendMessageA(Control(main, id), BM_CLICK, 0, 0);
}

void Command(HWND main, int id)
{
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

int Rows(HWND main)
{
    return (int)SendMessageA(Control(main, IDC_FOUND_LIST), LVM_GETITEMCOUNT, 0, 0);
}

std::string Cell(HWND list, int row, int column)
{
    char text[1024];
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    const int length = (int)SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    return std::string(text, length > 0 ? (size_t)length : 0);
}

// Per family of the product column: rows ticked and rows in all.
void CountTicks(HWND main, int family, int* ticked, int* all)
{
    HWND list = Control(main, IDC_FOUND_LIST);
    *ticked = *all = 0;
    for (int row = 0; row < Rows(main); row++) {
        if (ProductIndexFromName(Cell(list, row, 0).c_str()) != family) continue;
        (*all)++;
        if (RowTicked(list, row) == 1) (*ticked)++;
    }
}

// The Delete button is shown and enabled.
int DeleteUsable(void* main)
{
    HWND button = GetDlgItem((HWND)main, IDC_DELETE);
    return IsWindowVisible(button) && IsWindowEnabled(button) ? 1 : 0;
}

std::string Guidance(HWND main)
{
    return WindowText(Control(main, IDC_GUIDE));
}

// The first table row of the family that names its window by class.
std::string ApplicationClass(int family)
{
    for (int i = 0; kApplicationWindows[i].product != -1; i++) {
        if (kApplicationWindows[i].product == family && kApplicationWindows[i].windowClass[0] != '\0')
            return kApplicationWindows[i].windowClass;
    }
    return "";
}

// A registry key item of the family, ticked, that no other item's key contains: unticking it by
// hand must keep exactly it.
int LoneRegistryRow(HWND main, int family)
{
    HWND list = Control(main, IDC_FOUND_LIST);
    const FoundItemList* items = g_foundItems;
    for (int row = 0; row < Rows(main); row++) {
        LVITEMA probe;
        ZeroMemory(&probe, sizeof probe);
        probe.mask = LVIF_PARAM;
        probe.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&probe);
        const FoundItem& item = items->items[probe.lParam];
        if (item.productIndex != family || item.itemClass != kItemClassRegistry || item.ruleKind != 0 ||
            item.valueName != NULL)
            continue;
        uint8_t contained = 0;
        for (int32_t j = 0; j < items->count; j++) {
            const FoundItem& other = items->items[j];
            if (j == probe.lParam || other.itemClass != kItemClassRegistry || other.hive != item.hive) continue;
            const size_t n = strlen(other.path);
            if (_strnicmp(other.path, item.path, n) == 0 && (item.path[n] == '\\' || item.path[n] == '\0'))
                contained = 1;
        }
        if (!contained) return row;
    }
    return -1;
}

class WindowFlow : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine_, &error)) << error;
        std::string log;
        ASSERT_TRUE(SeedMachine(machine_, &log, (1u << kFamilyCapture) | (1u << kFamilyTv))) << log;
    }
    void TearDown() override
    {
        for (size_t i = 0; i < held_.size(); i++) {
            if (held_[i] != INVALID_HANDLE_VALUE) CloseHandle(held_[i]);
        }
        std::string log;
        EXPECT_TRUE(UnseedMachine(machine_, &log)) << log;
    }
    SampleMachine machine_;
    std::vector<HANDLE> held_;
};

// The whole interactive road, step by step: start-up question, family boxes, the refusals, a
// search straight to the deletion question, the in-use list left by Escape and by Continue, a
// hand-unticked row, the close step, the summary, the not-deleted list and "Restart later".
TEST_F(WindowFlow, InteractiveCleanUpStepByStep)
{
    ScopedFoundItems items;
    const std::string captureClass = ApplicationClass(kFamilyCapture);
    const std::string stickClass = ApplicationClass(kFamilyStick);
    ASSERT_FALSE(captureClass.empty());
    ASSERT_FALSE(stickClass.empty());

    InteractiveRun run("/C 6");
    // Start-up warning while the window exists but is hidden.
    HWND warning = run.ExpectMessage(IDS_START_WARNING, 60000);
    HWND main = run.MainWindow();
    ASSERT_TRUE(main != NULL);
    EXPECT_FALSE(IsWindowVisible(main));
    ASSERT_TRUE(Answer(warning, IDYES));
    ASSERT_TRUE(WaitUntil([](void* w) { return IsWindowVisible((HWND)w) ? 1 : 0; }, main));

    // /C 6 opened with families 1 and 2 ticked; the guidance asks for a search; Delete is hidden.
    for (int family = 0; family < kProductCount; family++)
        EXPECT_EQ(family == 1 || family == 2 ? 1 : 0, BoxTicked(main, IDC_FAMILY_FIRST + family)) << family;
    EXPECT_EQ(6u, ProductSelection(-2, -1));
    EXPECT_EQ(ModuleString(g_instance, IDS_GUIDE_START), Guidance(main));
    EXPECT_FALSE(IsWindowVisible(Control(main, IDC_DELETE)));

    // The About box from the system menu shows the version resource.
    PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUT, 0);
    HWND about = run.NextDialog(IDC_ABOUT_TEXT);
    ASSERT_TRUE(about != NULL);
    EXPECT_EQ("Morvane Products Environmental Cleaner\r\n\r\nVersion 1.0.7.3\r\n\r\n"
              "Copyright (C) Morvane. All rights reserved.",
              WindowText(Control(about, IDC_ABOUT_TEXT)));
    EXPECT_TRUE(TakeScreenshot(ScreenshotPath("about.png")));
    ASSERT_TRUE(Answer(about, IDOK));

    // Untick-all clears the mask; Search then refuses with string 102.
    Command(main, IDC_UNTICK_ALL);
    ASSERT_TRUE(WaitUntil([](void*) { return ProductSelection(-2, -1) == 0 ? 1 : 0; }, NULL));
    Command(main, IDC_SEARCH);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SELECT_PRODUCT), IDOK));
    EXPECT_EQ(0, Rows(main));

    // Tick-all leaves the hidden, disabled boxes (families 0, 5, 6) alone.
    SendMessageA(main, WM_COMMAND, IDC_TICK_ALL, 0);
    const uint32_t all = ProductSelection(-2, -1);
    EXPECT_EQ(0u, all & ((1u << 0) | (1u << 5) | (1u << 6)));
    EXPECT_NE(0u, all & (1u << kFamilyCapture));
    EXPECT_FALSE(BoxTicked(main, IDC_FAMILY_FIRST));
    SendMessageA(main, WM_COMMAND, IDC_UNTICK_ALL, 0);
    EXPECT_EQ(0u, ProductSelection(-2, -1));
    Click(main, IDC_FAMILY_FIRST + kFamilyCapture);
    Click(main, IDC_FAMILY_FIRST + kFamilyTv);
    EXPECT_EQ((1u << kFamilyCapture) | (1u << kFamilyTv), ProductSelection(-2, -1));

    // A search with every file accessible goes straight to the deletion question; No reveals
    // Delete and leaves every row ticked as found.
    Command(main, IDC_SEARCH);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDOK));
    HWND deleteQuestion = run.ExpectMessage(IDS_DELETE_QUESTION, 300000);
    ASSERT_TRUE(deleteQuestion != NULL);
    const int found = Rows(main);
    int ticked = 0, rows = 0;
    CountTicks(main, kFamilyCapture, &ticked, &rows);
    EXPECT_GT(rows, 0);
    EXPECT_EQ(rows, ticked);
    CountTicks(main, kFamilyTv, &ticked, &rows);
    EXPECT_GT(rows, 0);
    EXPECT_EQ(rows, ticked);
    EXPECT_EQ(found, g_foundItems->count);
    EXPECT_EQ(ModuleString(g_instance, IDS_GUIDE_FOUND), Guidance(main));
    ASSERT_TRUE(Answer(deleteQuestion, IDNO));
    ASSERT_TRUE(WaitUntil(DeleteUsable, main));
    EXPECT_TRUE(TakeScreenshot(ScreenshotPath("main-found-en.png")));

    // Unticking a family box unticks exactly its rows; ticking it again ticks them again.
    Click(main, IDC_FAMILY_FIRST + kFamilyTv);
    CountTicks(main, kFamilyTv, &ticked, &rows);
    EXPECT_EQ(0, ticked);
    CountTicks(main, kFamilyCapture, &ticked, &rows);
    EXPECT_EQ(rows, ticked);
    Click(main, IDC_FAMILY_FIRST + kFamilyTv);
    CountTicks(main, kFamilyTv, &ticked, &rows);
    EXPECT_EQ(rows, ticked);

    // Cancel at the search question keeps the rows.
    Command(main, IDC_SEARCH);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDCANCEL));
    EXPECT_EQ(found, Rows(main));

    // A file in use: string 5, then the in-use list. Its box cleared, Escape leaves it: the rows
    // stay and Delete is disabled.
    held_ = HoldInUseFiles(machine_);
    ASSERT_EQ(1u, held_.size());
    ASSERT_NE(INVALID_HANDLE_VALUE, held_[0]);
    Command(main, IDC_SEARCH);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDOK));
    HWND progress = run.NextDialog(IDC_PROGRESS_BAR);
    EXPECT_TRUE(progress != NULL);
    EXPECT_TRUE(TakeScreenshot(ScreenshotPath("progress.png")));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_FILES_IN_USE, 300000), IDOK));
    HWND inUse = run.NextDialog(IDC_CLOSE_APPLICATIONS);
    ASSERT_TRUE(inUse != NULL);
    HWND inUseList = Control(inUse, IDC_FOUND_LIST);
    ASSERT_EQ(1, (int)SendMessageA(inUseList, LVM_GETITEMCOUNT, 0, 0));
    const std::string inUsePath = Cell(inUseList, 0, 1);
    EXPECT_NE(std::string::npos, inUsePath.find("mtvcore.dll")) << inUsePath;
    EXPECT_EQ("File", Cell(inUseList, 0, 2));
    EXPECT_TRUE(IsWindowVisible(Control(inUse, IDC_CONTINUE)));
    EXPECT_TRUE(IsWindowVisible(Control(inUse, IDC_LIST_CANCEL)));
    EXPECT_FALSE(IsWindowVisible(Control(inUse, IDOK)));
    EXPECT_EQ(BST_CHECKED, (int)SendMessageA(Control(inUse, IDC_CLOSE_APPLICATIONS), BM_GETCHECK, 0, 0));
    EXPECT_TRUE(TakeScreenshot(ScreenshotPath("in-use-list.png")));
    SendMessageA(Control(inUse, IDC_CLOSE_APPLICATIONS), BM_CLICK, 0, 0);
    EXPECT_EQ(0, g_closeApplications);
    PressEscape(inUse);
    ASSERT_TRUE(WaitForWindowGone(inUse));
    ASSERT_TRUE(WaitUntil([](void* w) { return DeleteUsable(w) ? 0 : 1; }, main));
    EXPECT_EQ(found, Rows(main));

    // Reopened, the list ticks its box again; Continue goes on to the deletion question.
    Command(main, IDC_SEARCH);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDOK));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_FILES_IN_USE, 300000), IDOK));
    inUse = run.NextDialog(IDC_CLOSE_APPLICATIONS);
    ASSERT_TRUE(inUse != NULL);
    EXPECT_EQ(BST_CHECKED, (int)SendMessageA(Control(inUse, IDC_CLOSE_APPLICATIONS), BM_GETCHECK, 0, 0));
    EXPECT_EQ(1, g_closeApplications);
    ASSERT_TRUE(Answer(inUse, IDC_CONTINUE));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_DELETE_QUESTION), IDNO));
    ASSERT_TRUE(WaitUntil(DeleteUsable, main));

    // One registry row unticked by hand; applications of a selected and of another family run.
    const int lone = LoneRegistryRow(main, kFamilyCapture);
    ASSERT_GE(lone, 0);
    LVITEMA state;
    ZeroMemory(&state, sizeof state);
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(1);
    SendMessageA(Control(main, IDC_FOUND_LIST), LVM_SETITEMSTATE, (WPARAM)lone, (LPARAM)&state);
    LVITEMA probe;
    ZeroMemory(&probe, sizeof probe);
    probe.mask = LVIF_PARAM;
    probe.iItem = lone;
    SendMessageA(Control(main, IDC_FOUND_LIST), LVM_GETITEMA, 0, (LPARAM)&probe);
    const FoundItem& kept = g_foundItems->items[probe.lParam];
    ASSERT_TRUE(KeyPresent(kept.hive, kept.path)) << kept.path;
    StandInApplications applications({captureClass, stickClass});
    ASSERT_TRUE(applications.Running(0) && applications.Running(1));

    // Delete, Yes: the selected family's application is closed, the other keeps running. The
    // summary reports the registry items deleted (those inside keys that other items removed
    // first are gone too) and files not deleted; the not-deleted list shows exactly the items
    // marked, the in-use file among them.
    Command(main, IDC_DELETE);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_DELETE_QUESTION), IDYES));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_REGISTRY_DELETED, 300000), IDOK));
    EXPECT_FALSE(applications.Running(0));
    EXPECT_TRUE(applications.Running(1));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_FILES_NOT_DELETED, 300000), IDOK));
    HWND notDeleted = run.NextDialog(IDC_CLOSE_APPLICATIONS);
    ASSERT_TRUE(notDeleted != NULL);
    HWND notDeletedList = Control(notDeleted, IDC_FOUND_LIST);
    int marked = 0;
    for (int32_t i = 0; i < g_foundItems->count; i++) marked += g_foundItems->items[i].notDeleted;
    const int listed = (int)SendMessageA(notDeletedList, LVM_GETITEMCOUNT, 0, 0);
    EXPECT_EQ(marked, listed);
    int inUseListed = 0;
    for (int row = 0; row < listed; row++) inUseListed += Cell(notDeletedList, row, 1) == inUsePath ? 1 : 0;
    EXPECT_EQ(1, inUseListed);
    EXPECT_TRUE(IsWindowVisible(Control(notDeleted, IDOK)));
    EXPECT_FALSE(IsWindowVisible(Control(notDeleted, IDC_CONTINUE)));
    EXPECT_FALSE(IsWindowEnabled(Control(notDeleted, IDC_CLOSE_APPLICATIONS)));
    EXPECT_EQ(BST_CHECKED, (int)SendMessageA(Control(notDeleted, IDC_CLOSE_APPLICATIONS), BM_GETCHECK, 0, 0));
    ASSERT_TRUE(Answer(notDeleted, IDOK));

    // "Restart later" ends the program.
    HWND restart = run.NextDialog();
    ASSERT_TRUE(restart != NULL);
    EXPECT_EQ(std::string(g_caption), WindowText(restart));
    ASSERT_TRUE(Answer(restart, IDCANCEL));
    EXPECT_TRUE(run.Finished(60000));
    EXPECT_FALSE(IsWindow(main));

    // The row unticked by hand was neither deleted nor marked; the in-use file is still there.
    EXPECT_EQ(0, kept.ticked);
    EXPECT_EQ(0, kept.notDeleted);
    EXPECT_TRUE(KeyPresent(kept.hive, kept.path)) << kept.path;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(inUsePath.c_str()));
}

// The in-use list's box cleared and Continue: the deletion runs without closing the selected
// family's application.
TEST_F(WindowFlow, ClearedCloseBoxLeavesApplicationsRunning)
{
    ScopedFoundItems items;
    StandInApplications applications({ApplicationClass(kFamilyCapture)});
    ASSERT_TRUE(applications.Running(0));
    held_ = HoldInUseFiles(machine_);
    ASSERT_EQ(1u, held_.size());
    InteractiveRun run("/C 130");   // CaptureStation and MorvaneTV Suite
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_START_WARNING, 60000), IDYES));
    HWND main = run.MainWindow();
    ASSERT_TRUE(main != NULL);
    Command(main, IDC_SEARCH);
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDOK));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_FILES_IN_USE, 300000), IDOK));
    HWND inUse = run.NextDialog(IDC_CLOSE_APPLICATIONS);
    ASSERT_TRUE(inUse != NULL);
    SendMessageA(Control(inUse, IDC_CLOSE_APPLICATIONS), BM_CLICK, 0, 0);
    ASSERT_TRUE(Answer(inUse, IDC_CONTINUE));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_DELETE_QUESTION), IDYES));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_REGISTRY_DELETED, 300000), IDOK));
    EXPECT_TRUE(applications.Running(0));
    ASSERT_TRUE(Answer(run.ExpectMessage(IDS_FILES_NOT_DELETED, 300000), IDOK));
    ASSERT_TRUE(Answer(run.NextDialog(IDC_CLOSE_APPLICATIONS), IDOK));
    ASSERT_TRUE(Answer(run.NextDialog(), IDCANCEL));
    EXPECT_TRUE(run.Finished(60000));
    EXPECT_TRUE(applications.Running(0));
}

// Read-only (and read-only hidden) files named by a file rule and inside an install folder: a
// search, the family unticked and the window closed leave the machine as it was, every attribute
// and time included; the clean-up deletes them, and /R gives them back with their attributes.
TEST_F(WindowFlow, ReadOnlyFilesSurviveASearchAndComeBackReadOnly)
{
    const DWORD kShown = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    struct Marked {
        const char* path;
        const char* listedAs;   // the file itself, or the install folder that holds it
        DWORD attributes;
        WIN32_FILE_ATTRIBUTE_DATA before;
    } marked[] = {
        {"%SYSTEM%\\cs100cap.ax", "%SYSTEM%\\cs100cap.ax", FILE_ATTRIBUTE_READONLY, {}},
        {"%SYSTEM%\\cs100ui.dll", "%SYSTEM%\\cs100ui.dll", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, {}},
        {"%PROGRAM_FILES%\\Morvane\\CaptureStation\\capturestation.exe", "%PROGRAM_FILES%\\Morvane\\CaptureStation",
         FILE_ATTRIBUTE_READONLY, {}},
        {"%PROGRAM_FILES%\\Morvane\\CaptureStation\\Capture\\capture.exe", "%PROGRAM_FILES%\\Morvane\\CaptureStation",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, {}},
    };
    for (Marked& file : marked) {
        const std::string path = ExpandMacros(file.path);
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), file.attributes)) << path;
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file.before)) << path;
        ASSERT_EQ(file.attributes, file.before.dwFileAttributes & kShown) << path;
    }
    Snapshot before, searched;
    ASSERT_TRUE(TakeSnapshot(&before));
    {
        ScopedFoundItems items;
        InteractiveRun run("/C 2");   // CaptureStation
        ASSERT_TRUE(Answer(run.ExpectMessage(IDS_START_WARNING, 60000), IDYES));
        HWND main = run.MainWindow();
        ASSERT_TRUE(main != NULL);
        Command(main, IDC_SEARCH);
        ASSERT_TRUE(Answer(run.ExpectMessage(IDS_SEARCH_QUESTION), IDOK));
        // Every read-only file (or its folder) is listed and accessible: the search goes straight on.
        HWND question = run.ExpectMessage(IDS_DELETE_QUESTION, 300000);
        ASSERT_TRUE(question != NULL);
        for (const Marked& file : marked) {
            const std::string path = ExpandMacros(file.listedAs);
            int listed = 0;
            for (int32_t i = 0; i < g_foundItems->count; i++) {
                const FoundItem& item = g_foundItems->items[i];
                if (item.itemClass == kItemClassFile && _stricmp(item.path, path.c_str()) == 0)
                    listed += item.accessible == 1 ? 1 : 100;
            }
            EXPECT_EQ(1, listed) << path;
        }
        ASSERT_TRUE(Answer(question, IDNO));
        ASSERT_TRUE(WaitUntil(DeleteUsable, main));
        Click(main, IDC_FAMILY_FIRST + kFamilyCapture);
        PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(run.Finished(60000));
    }
    ASSERT_TRUE(TakeSnapshot(&searched));
    Comparison unchanged;
    unchanged.seededFamilies = (1u << kFamilyCapture) | (1u << kFamilyTv);
    CompareSnapshots(machine_, before, searched, 0, 0, &unchanged);
    EXPECT_TRUE(unchanged.exact) << ReportText(unchanged).substr(0, 4000);
    for (const Marked& file : marked) {
        const std::string path = ExpandMacros(file.path);
        WIN32_FILE_ATTRIBUTE_DATA now;
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &now)) << path;
        EXPECT_EQ(file.before.dwFileAttributes, now.dwFileAttributes) << path;
        EXPECT_EQ(0, CompareFileTime(&file.before.ftCreationTime, &now.ftCreationTime)) << path;
        EXPECT_EQ(0, CompareFileTime(&file.before.ftLastWriteTime, &now.ftLastWriteTime)) << path;
    }

    EXPECT_EQ(0u, RunEnvsweep("/C 2 /S", 600000));
    for (const Marked& file : marked)
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ExpandMacros(file.path).c_str())) << file.path;
    EXPECT_EQ(0u, RunEnvsweep("/R", 600000));
    for (const Marked& file : marked) {
        const std::string path = ExpandMacros(file.path);
        WIN32_FILE_ATTRIBUTE_DATA now;
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &now)) << path;
        EXPECT_EQ(file.attributes, now.dwFileAttributes & kShown) << path;
        EXPECT_EQ(0, CompareFileTime(&file.before.ftLastWriteTime, &now.ftLastWriteTime)) << path;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);   // so that the machine can be unseeded
    }
}

}  // namespace
