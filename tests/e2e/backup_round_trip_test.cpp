// End to end: a clean-up of every family over the seeded sample machine backs up everything it
// deletes, and /R then gives the machine back exactly as it was.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <shlobj.h>
#include "clean/backup.h"
#include "clean/backup_place.h"
#include "clean/restore.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"
#include "sample_machine.h"
#include "support/helpers.h"

namespace {

std::string Shortened(const std::string& text)
{
    const size_t limit = 12000;
    return text.size() <= limit ? text : text.substr(0, limit) + "\n... (report cut)\n";
}

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) count++;
    return count;
}

}  // namespace

// The round trip: snapshot, "/C 262143 /S" with the in-use file held, "/R", snapshot. The two
// snapshots must be equal apart from envsweep's own backup folder. What the snapshots cannot
// show and the issue allows: the locked keys come back with the default security (the restore
// log says so), and the held file was never backed up nor deleted.
TEST(BackupRoundTrip, CleanUpAndRestoreGiveTheMachineBack)
{
    SampleMachine machine;
    std::string error;
    ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine, &error)) << error;
    std::string log;
    ASSERT_TRUE(SeedMachineOnce(machine, &log)) << log;
    std::string inUsePath;
    for (size_t i = 0; i < machine.traces.size(); i++) {
        if (machine.traces[i].inUse) inUsePath = ExpandMacros(machine.traces[i].path);
    }
    ASSERT_FALSE(inUsePath.empty());

    Snapshot before, cleaned, restored;
    ASSERT_TRUE(TakeSnapshot(&before));
    {
        HeldFile held(inUsePath);
        ASSERT_TRUE(held.ok()) << inUsePath;
        EXPECT_EQ(1u, RunEnvsweep("/C 262143 /S", 600000)) << "the held file stays: 1";
    }
    ASSERT_TRUE(TakeSnapshot(&cleaned));
    Comparison cleanup;
    CompareSnapshots(machine, before, cleaned, 262143, 0, &cleanup);
    EXPECT_TRUE(cleanup.exact) << Shortened(ReportText(cleanup));
    EXPECT_GT(cleanup.outcomes.size(), 1000u);

    // The clean-up's backup and log: one line per ticked item, the held file not backed up.
    char root[kBackupPathSize], name[256];
    ASSERT_TRUE(BackupRoot(root, sizeof root));
    ASSERT_TRUE(NewestBackupName(name, sizeof name));
    // In the place envsweep made below the common application data, recorded with its hashes.
    char common[MAX_PATH], manifestHash[kSha256HexSize], registryHash[kSha256HexSize];
    ASSERT_TRUE(SpecialFolderPath(CSIDL_COMMON_APPDATA, common));
    EXPECT_EQ(std::string(common) + "\\envsweep\\", root);
    EXPECT_TRUE(RecordedBackup(name, manifestHash, registryHash));
    const std::string folder = std::string(root) + name + "\\";
    const std::string cleanLog = ReadFileText(folder + kLogFileName);
    EXPECT_EQ(1u, CountOf(cleanLog, inUsePath + "\tnot backed up")) << cleanLog.substr(0, 2000);
    EXPECT_EQ(1u, CountOf(cleanLog, ", 1 not backed up and left in place\r\n")) << cleanLog.substr(cleanLog.size() - 300);
    // Folders that went with their install folder count as deleted, and the summary's counts add
    // up to the lines above it.
    EXPECT_EQ(0u, CountOf(cleanLog, "\tnot deleted")) << cleanLog.substr(0, 2000);
    EXPECT_GE(CountOf(cleanLog, "\tdeleted with its folder\t"), 4u);
    long total = 0, registry = 0, files = 0, deleted = 0, notDeleted = 0, notBackedUp = 0;
    const size_t summary = cleanLog.find("Summary: ");
    ASSERT_NE(std::string::npos, summary);
    ASSERT_EQ(6, sscanf(cleanLog.c_str() + summary,
                        "Summary: %ld ticked items (%ld registry, %ld files): %ld deleted, %ld not deleted, %ld not backed up",
                        &total, &registry, &files, &deleted, &notDeleted, &notBackedUp));
    EXPECT_EQ(total, registry + files);
    EXPECT_EQ(total, deleted + notDeleted + notBackedUp);
    EXPECT_EQ((size_t)total + 1, CountOf(cleanLog, "\r\n"));
    EXPECT_EQ(0, cleanLog.compare(0, 12, "VisionForce\t"));
    EXPECT_GT(CountOf(cleanLog, "\r\n"), 1000u);
    // envsweep.exe names keys natively where it sees two halves (this process asks the same
    // question and leaves its own answer as it was).
    const std::string reg = ReadFileText(folder + kRegistryFileName);
    const std::string head = ScopedHalves().halves() != kOneHalf ? "REGEDIT4\r\n; native names: " : "REGEDIT4\r\n\r\n";
    EXPECT_EQ(0, reg.compare(0, head.size(), head)) << reg.substr(0, 200);

    EXPECT_EQ(0u, RunEnvsweep("/R", 600000));
    ASSERT_TRUE(TakeSnapshot(&restored));
    Comparison back;
    CompareSnapshots(machine, before, restored, 0, 0, &back);
    EXPECT_TRUE(back.exact) << Shortened(ReportText(back));
    const std::string restoreLog = ReadFileText(folder + kRestoreLogFileName);
    EXPECT_EQ(1u, CountOf(restoreLog, "Summary: everything came back\r\n")) << restoreLog.substr(0, 4000);
    // The two locked keys of the machine (and the locked subkeys within them).
    EXPECT_GE(CountOf(restoreLog, "was locked: it comes back with the default security"), 2u);

    EXPECT_TRUE(UnseedMachine(machine, &log)) << log;
}
