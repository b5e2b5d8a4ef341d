// Files in use at the clean-up: scheduled for removal at the next restart once backed up, the log
// naming every outcome with its reason, the summary adding up; the restore takes them off the
// platform's list again. Wine keeps the list as Windows does (the restart itself is shown by the
// restart fixture, in a prefix of its own).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "clean/backup.h"
#include "clean/deletion_driver.h"
#include "clean/restore.h"
#include "model/found_items.h"
#include "support/helpers.h"

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The removals at restart as one text, "|" between the strings.
std::string PendingRemovals()
{
    HKEY key = NULL;
    std::string text;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return text;
    char data[16384];
    DWORD size = sizeof data - 1, type = 0;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", NULL, &type, (BYTE*)data, &size) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < size; i++) text += data[i] == '\0' ? '|' : data[i];
    }
    RegCloseKey(key);
    return text;
}

std::string SystemMessage(DWORD error)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text,
                                  sizeof text, NULL);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) length--;
    return std::string(text, length);
}

TEST(RestartRemoval, FilesInUseGoAtRestartAndTheRestoreKeepsThem)
{
    ScratchFolder folder("restart-removal");
    const std::string base = folder.path();
    for (const char* name : {"Inst\\Capture\\a.txt", "Inst\\b.txt", "App\\held.dll", "App\\other.txt", "loaded.dll", "stuck.dll"})
        ASSERT_TRUE(folder.WriteFile(name));
    ScopedFoundItems scope(8);
    // An install folder and a folder inside it that goes with it; a folder and a file in use
    // (held for reading, as a loaded DLL is: they can be backed up); a file held without sharing.
    FoundItem& inst = PushItem(kItemClassFile, 0, NULL, base + "Inst");
    FoundItem& capture = PushItem(kItemClassFile, 0, NULL, base + "Inst\\Capture");
    FoundItem& app = PushItem(kItemClassFile, 0, NULL, base + "App");
    FoundItem& loaded = PushItem(kItemClassFile, 0, NULL, base + "loaded.dll");
    FoundItem& stuck = PushItem(kItemClassFile, 0, NULL, base + "stuck.dll");
    DeletionSummary summary;
    {
        HeldFile heldInApp(base + "App\\held.dll", FILE_SHARE_READ), heldLoaded(base + "loaded.dll", FILE_SHARE_READ);
        HeldFile heldStuck(base + "stuck.dll");
        ASSERT_TRUE(heldInApp.ok() && heldLoaded.ok() && heldStuck.ok());
        EXPECT_EQ(0, DeleteAll(NULL, &summary));
    }
    EXPECT_EQ(5, summary.fileCount);
    EXPECT_EQ(2, summary.atRestartCount);
    EXPECT_EQ(0, inst.notDeleted);
    EXPECT_EQ(0, capture.notDeleted);
    EXPECT_EQ(kRemovedAtRestart, app.notDeleted);
    EXPECT_EQ(kRemovedAtRestart, loaded.notDeleted);
    EXPECT_EQ(1, stuck.notDeleted);
    // What is still in the folder goes first, then the folder; the file nobody could back up never.
    const std::string pending = PendingRemovals();
    const size_t file = pending.find("\\??\\" + base + "App\\held.dll||");
    EXPECT_NE(std::string::npos, file) << pending;
    EXPECT_LT(file, pending.find("\\??\\" + base + "App||")) << pending;
    EXPECT_NE(std::string::npos, pending.find("\\??\\" + base + "loaded.dll||")) << pending;
    EXPECT_EQ(std::string::npos, pending.find("stuck.dll")) << pending;

    const std::string backup = NewestBackupFolder();
    const std::string log = ReadFileText(backup + kLogFileName);
    const std::string inUse = " (" + SystemMessage(ERROR_SHARING_VIOLATION) + ")\t";
    for (const std::string& line : {std::string("Inst\tdeleted\t"), std::string("Inst\\Capture\tdeleted with its folder\t"),
                                    "App\tremoved at restart" + inUse, "loaded.dll\tremoved at restart" + inUse,
                                    "stuck.dll\tnot backed up" + inUse,
                                    std::string("Summary: 5 ticked items (0 registry, 5 files): 2 deleted, 2 removed at "
                                                "restart, 0 not deleted, 1 not backed up and left in place\r\n")})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;

    // The restore puts everything back and takes it off the list, so the restart keeps it.
    const std::string name = backup.substr(backup.rfind('\\', backup.size() - 2) + 1);
    EXPECT_EQ(1, RestoreBackup(name.substr(0, name.size() - 1).c_str()));
    EXPECT_EQ(std::string::npos, PendingRemovals().find(base)) << PendingRemovals();
    const std::string restoreLog = ReadFileText(backup + kRestoreLogFileName);
    EXPECT_NE(std::string::npos, restoreLog.find("restart removal\t" + base + "loaded.dll\ttaken off")) << restoreLog;
    EXPECT_EQ("x", ReadFileText(base + "Inst\\Capture\\a.txt"));
    EXPECT_EQ("x", ReadFileText(base + "App\\other.txt"));
}

}  // namespace
