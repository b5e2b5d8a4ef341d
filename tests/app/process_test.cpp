// envsweep.exe as a process: the single-instance claim and the exit codes.
#include <gtest/gtest.h>
#include "support/helpers.h"

// A second copy does nothing: the window's ends quietly, a run from the command line says so
// with 2, which deployment tools tell apart from a failed clean-up.
TEST(EnvsweepProcess, SecondInstanceDoesNothingAndSaysSo)
{
    ScratchKey trace(HKEY_CURRENT_USER, "Software\\Morvane\\CaptureStation");
    // This test process holds the mutex, as a first instance would.
    HANDLE mutex = CreateMutexA(NULL, FALSE, "Envsweep");
    ASSERT_NE((HANDLE)NULL, mutex);
    ASSERT_NE((DWORD)ERROR_ALREADY_EXISTS, GetLastError()) << "another envsweep is running in this prefix";
    EXPECT_EQ(0u, RunEnvsweep("", 60000));
    EXPECT_EQ(2u, RunEnvsweep("/C 262143 /S", 60000));
    EXPECT_EQ(2u, RunEnvsweep("/C 2 /X", 60000));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, trace.path())) << "the held instance's run deleted something";
    CloseHandle(mutex);
}

TEST(EnvsweepProcess, SilentRunWithoutSelectionEndsWithZero)
{
    EXPECT_EQ(0u, RunEnvsweep("/S", 60000));
    EXPECT_EQ(0u, RunEnvsweep("/C 0 /X", 60000));
}

TEST(EnvsweepProcess, RestoreThatBringsNothingBackEndsWithOneOrTwoBesideAnother)
{
    // No such backup, and a name that is no folder name.
    EXPECT_EQ(1u, RunEnvsweep("/R backup-19990101-000000", 60000));
    EXPECT_EQ(1u, RunEnvsweep("/R ..", 60000));
    // A restore cannot run beside another instance.
    HANDLE mutex = CreateMutexA(NULL, FALSE, "Envsweep");
    ASSERT_NE((HANDLE)NULL, mutex);
    ASSERT_NE((DWORD)ERROR_ALREADY_EXISTS, GetLastError()) << "another envsweep is running in this prefix";
    EXPECT_EQ(2u, RunEnvsweep("/R", 60000));
    CloseHandle(mutex);
}
