// The access probe: what it calls accessible, and the open it shares with the search's guard.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "platform/access_probe.h"
#include "support/helpers.h"

TEST(ProbeFileAccess, HeldOpenReadOnlyFolderMissingAndTheGuardsOpen)
{
    ScratchFolder folder("probe");
    for (const char* name : {"held.dat", "readonly.dat", "plain.dat"}) ASSERT_TRUE(folder.WriteFile(name));
    CreateDirectoryA((folder.path() + "sub").c_str(), NULL);
    const std::string held = folder.path() + "held.dat";
    const std::string readOnly = folder.path() + "readonly.dat";
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(1, ProbeFileAccess((folder.path() + "plain.dat").c_str()));
    EXPECT_EQ(0, ProbeFileAccess((folder.path() + "missing.dat").c_str()));
    EXPECT_EQ(1, ProbeFileAccess((folder.path() + "sub").c_str()));
    {
        HeldFile holder(held);
        ASSERT_TRUE(holder.ok());
        EXPECT_EQ(0, ProbeFileAccess(held.c_str()));   // the probe asks for exclusive write access
    }
    EXPECT_EQ(1, ProbeFileAccess(held.c_str()));
    // The open the search's guard makes in the probe's stead shares with no one either, or the
    // guard could call accessible a file the probe finds in use: while it stands even a reader
    // that shares everything is refused.
    HANDLE open = OpenAsProbe(held.c_str());
    ASSERT_NE(INVALID_HANDLE_VALUE, open);
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE reader = CreateFileA(held.c_str(), GENERIC_READ, all, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, reader);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    CloseHandle(open);
    // A read-only file counts as accessible when its attribute could be cleared, even while
    // another program holds it open; the probe leaves the attribute where it is.
    EXPECT_EQ(1, ProbeFileAccess(readOnly.c_str()));
    {
        HeldFile holder(readOnly);
        ASSERT_TRUE(holder.ok());
        EXPECT_EQ(1, ProbeFileAccess(readOnly.c_str()));
    }
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}
