// End to end through the window: envsweep.exe started without /S over the seeded sample machine,
// every question and dialog answered by this test, and the before/after comparison as exact as
// for the silent run.
#include <gtest/gtest.h>
#include "app/res/resource.h"
#include "sample_machine.h"
#include "support/helpers.h"
#include "support/window_driver.h"

namespace {

// envsweep.exe as a child process whose windows the test answers.
class WindowProcess {
public:
    explicit WindowProcess(const std::string& arguments)
    {
        const std::string exe = ModuleFolder() + "envsweep.exe";
        module_ = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        StartProcess(exe.c_str(), "\"" + exe + "\" " + arguments, &process_);
    }
    ~WindowProcess()
    {
        if (process_.hProcess != NULL) {
            if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        if (module_ != NULL) FreeLibrary(module_);
    }
    uint8_t started() const { return process_.hProcess != NULL ? 1 : 0; }
    // The dialog or message box in front; with childId, one that has that control.
    HWND Next(int childId = 0, DWORD timeoutMs = 600000) const
    {
        WindowQuery query;
        query.processId = process_.dwProcessId;
        query.exclude = main_;
        query.childId = childId;
        return WaitForWindow(query, timeoutMs);
    }
    // Answers the message box showing string id with the button; 1 when it was that box.
    uint8_t AnswerMessage(UINT id, int button)
    {
        HWND box = Next(0xFFFF);
        const std::string expected = ModuleString(module_, id);
        EXPECT_TRUE(box != NULL) << "no message box for string " << id;
        if (box == NULL) return 0;
        EXPECT_EQ(expected, MessageBoxText(box)) << "expected string " << id;
        return MessageBoxText(box) == expected && Answer(box, button) ? 1 : 0;
    }
    HWND FindMain()
    {
        WindowQuery query;
        query.processId = process_.dwProcessId;
        query.childId = IDC_SEARCH;
        main_ = WaitForWindow(query);
        return main_;
    }
    DWORD ExitCode(DWORD timeoutMs = 120000) const
    {
        DWORD code = 0x7fffffff;
        if (WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
private:
    PROCESS_INFORMATION process_;
    HMODULE module_ = NULL;
    HWND main_ = NULL;
};

TEST(WindowRun, EveryFamilyThroughTheWindowIsExact)
{
    SampleMachine machine;
    std::string error, log;
    ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine, &error)) << error;
    ASSERT_TRUE(SeedMachineOnce(machine, &log)) << log;
    std::string inUsePath;
    for (size_t i = 0; i < machine.traces.size(); i++) {
        if (machine.traces[i].type == kTraceFile && machine.traces[i].inUse) inUsePath = ExpandMacros(machine.traces[i].path);
    }
    ASSERT_FALSE(inUsePath.empty());

    Snapshot before, after;
    DWORD exitCode = 0x7fffffff;
    {
        HeldFile held(inUsePath);
        ASSERT_TRUE(held.ok()) << inUsePath;
        ASSERT_TRUE(TakeSnapshot(&before));
        WindowProcess run("/C 262143");
        ASSERT_TRUE(run.started());
        ASSERT_TRUE(run.AnswerMessage(IDS_START_WARNING, IDYES));
        HWND main = run.FindMain();
        ASSERT_TRUE(main != NULL);
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_SEARCH, BN_CLICKED), 0);
        ASSERT_TRUE(run.AnswerMessage(IDS_SEARCH_QUESTION, IDOK));
        ASSERT_TRUE(run.AnswerMessage(IDS_FILES_IN_USE, IDOK));
        ASSERT_TRUE(Answer(run.Next(IDC_CONTINUE), IDC_CONTINUE));
        ASSERT_TRUE(run.AnswerMessage(IDS_DELETE_QUESTION, IDYES));
        // Items inside keys that other items removed first are gone, and count as deleted; only
        // the file held open stays.
        ASSERT_TRUE(run.AnswerMessage(IDS_REGISTRY_DELETED, IDOK));
        ASSERT_TRUE(run.AnswerMessage(IDS_FILES_NOT_DELETED, IDOK));
        ASSERT_TRUE(Answer(run.Next(IDC_CLOSE_APPLICATIONS), IDOK));
        HWND restart = run.Next();
        ASSERT_TRUE(restart != NULL);
        EXPECT_NE(nullptr, GetDlgItem(restart, IDOK));
        ASSERT_TRUE(Answer(restart, IDCANCEL));   // "Restart later"
        exitCode = run.ExitCode(300000);
        if (exitCode != 0) {
            HWND front = run.Next(0, 0);
            ADD_FAILURE() << "still open: '" << (front ? WindowText(front) : std::string("no dialog")) << "' / '"
                          << (front ? MessageBoxText(front) : std::string()) << "'";
        }
    }
    ASSERT_TRUE(TakeSnapshot(&after));
    EXPECT_EQ(0u, exitCode);
    Comparison comparison;
    CompareSnapshots(machine, before, after, 262143, 0, &comparison);
    std::string report = ReportText(comparison);
    if (report.size() > 12000) report = report.substr(0, 12000) + "\n... (report cut)\n";
    EXPECT_TRUE(comparison.exact) << report;
    EXPECT_EQ(1u, comparison.survivedInUse.size()) << report;
    EXPECT_TRUE(UnseedMachine(machine, &log)) << log;
}

// No at the start-up warning: the window never shows, the exit code is 0.
TEST(WindowRun, NoAtTheWarningEndsWithZero)
{
    WindowProcess run("/C 6");
    ASSERT_TRUE(run.started());
    HWND box = run.Next(0xFFFF, 60000);
    ASSERT_TRUE(box != NULL);
    EXPECT_TRUE(run.Next(IDC_SEARCH, 0) == NULL) << "the main window is visible before the answer";
    EXPECT_TRUE(Answer(box, IDNO));
    EXPECT_EQ(0u, run.ExitCode());
}

}  // namespace
