// envsweep.exe as a process: the single-instance claim and the exit codes.
#include <gtest/gtest.h>
#include "support/helpers.h"

TEST(EnvsweepProcess, SecondInstanceEndsAtOnceWithZero)
{
    // This test process holds the mutex, as a first instance would.
    HANDLE mutex = CreateMutexA(NULL, FALSE, "Envsweep");
    ASSERT_NE((HANDLE)NULL, mutex);
    ASSERT_NE((DWORD)ERROR_ALREADY_EXISTS, GetLastError()) << "another envsweep is running in this prefix";
    EXPECT_EQ(0u, RunEnvsweep("", 60000));
    EXPECT_EQ(0u, RunEnvsweep("/C 262143 /S", 60000));
    CloseHandle(mutex);
}

TEST(EnvsweepProcess, SilentRunWithoutSelectionEndsWithZero)
{
    EXPECT_EQ(0u, RunEnvsweep("/S", 60000));
    EXPECT_EQ(0u, RunEnvsweep("/C 0 /X", 60000));
}

TEST(EnvsweepProcess, RestoreThatBringsNothingBackEndsWithOne)
{
    // No such backup, and a name that is no folder name.
    EXPECT_EQ(1u, RunEnvsweep("/R backup-19990101-000000", 60000));
    EXPECT_EQ(1u, RunEnvsweep("/R ..", 60000));
    // A restore cannot run beside another instance.
    HANDLE mutex = CreateMutexA(NULL, FALSE, "Envsweep");
    ASSERT_NE((HANDLE)NULL, mutex);
    ASSERT_NE((DWORD)ERROR_ALREADY_EXISTS, GetLastError()) << "another envsweep is running in this prefix";
    EXPECT_EQ(1u, RunEnvsweep("/R", 60000));
    CloseHandle(mutex);
}
