// End to end on a machine with two halves: envsweep.exe over the 64-bit sample machine
// (machine64.txt), whose traces and other makers' software stand in both registry views, both
// system folders and both Program Files. The clean-up must take every trace from both halves and
// nothing else, and /R must give the machine back as it was.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string.h>
#include "clean/backup.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"
#include "sample_machine.h"
#include "support/helpers.h"

namespace {

const uint32_t kAllFamilies = 262143;  // bits 0..17

std::string Shortened(const std::string& text)
{
    const size_t limit = 12000;
    return text.size() <= limit ? text : text.substr(0, limit) + "\n... (report cut)\n";
}

const char kWowNode[] = "Wow6432Node\\";

// 1 for a trace the description places in the 32-bit half (by its native name).
uint8_t In32BitHalf(const Trace& trace)
{
    if (trace.keyPath.find(kWowNode) != std::string::npos) return 1;
    return trace.path.compare(0, 10, "%SYSWOW64%") == 0 || trace.path.compare(0, 19, "%PROGRAM_FILES_X86%") == 0 ? 1 : 0;
}

class SampleMachine64Run : public testing::Test {
protected:
    void SetUp() override
    {
        if (halves_.halves() == kOneHalf) GTEST_SKIP() << "this machine has one half (32-bit Windows)";
        view32_ = RegistryViewIs64Bit(kViewOwn) ? kViewOther : kViewOwn;
        std::string error;
        ASSERT_TRUE(LoadDescription(DefaultDescription64Path(), &machine_, &error)) << error;
        loaded_ = 1;
    }

    void TearDown() override
    {
        std::string log;
        if (loaded_) {
            EXPECT_TRUE(UnseedMachine(machine_, &log)) << log;
        }
    }

    // The 32-bit half's folder as this process reaches it: the other half's for a 64-bit
    // process, its own (redirected) one for a 32-bit process under WOW64.
    std::string Folder32(uint8_t (*other)(char*), int csidl) const
    {
        char folder[MAX_PATH] = "";
        if (view32_ == kViewOther) return other(folder) ? folder : "";
        if (csidl < 0) GetSystemDirectoryA(folder, sizeof folder);
        else SpecialFolderPath(csidl, folder);
        std::string text = folder;
        if (!text.empty() && text.back() == '\\') text.pop_back();
        return text;
    }

    SampleMachine machine_;
    ScopedHalves halves_;   // as detected, for the fixture's life (TearDown's unseeding too)
    uint8_t view32_ = kViewOther;
    uint8_t loaded_ = 0;
};

// Seed, snapshot, "/C 262143 /S" with the in-use file held, snapshot: every trace of both halves
// gone, every survivor of both halves there, nothing else changed. Then "/R <backup>" gives back
// exactly the first snapshot.
TEST_F(SampleMachine64Run, CleanUpTakesBothHalvesAndRestoreGivesThemBack)
{
    std::string log;
    ASSERT_TRUE(SeedMachineOnce(machine_, &log)) << log;

    // The machine stands where envsweep looks: each 32-bit key opens in the 32-bit view under the
    // name the rules use, as a key of its own beside its native twin; each 32-bit file is in the
    // folder that the process reaches as the 32-bit half's.
    const std::string systemFolder32 = Folder32(OtherSystemFolder, -1);
    const std::string programFiles32 = Folder32(OtherProgramFiles, CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(systemFolder32.empty());
    ASSERT_FALSE(programFiles32.empty());
    int keys32 = 0, files32 = 0, traces32 = 0;
    for (size_t i = 0; i < machine_.traces.size(); i++) {
        const Trace& trace = machine_.traces[i];
        if (!In32BitHalf(trace)) continue;
        if (!trace.finders.empty()) traces32++;
        if (trace.type == kTraceKey) {
            std::string name = trace.keyPath;
            name.erase(name.find(kWowNode), strlen(kWowNode));
            HKEY key = NULL;
            EXPECT_EQ(ERROR_SUCCESS, OpenKeyInView({HiveHandle(trace.hive), name.c_str(), view32_}, KEY_READ, &key))
                << trace.keyPath;
            if (key) RegCloseKey(key);
            if (view32_ == kViewOther) {
                EXPECT_TRUE(KeyDiffersInOtherView(HiveHandle(trace.hive), name.c_str())) << name;
            }
            keys32++;
        } else if (trace.type == kTraceFile) {
            const uint8_t system = trace.path[1] == 'S';
            const std::string path = (system ? systemFolder32 : programFiles32) + trace.path.substr(system ? 10 : 19);
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;
            files32++;
        }
    }
    EXPECT_GE(keys32, 15);
    EXPECT_GE(files32, 20);
    EXPECT_GE(traces32, 40);

    const Trace* inUse = NULL;
    for (size_t i = 0; i < machine_.traces.size() && inUse == NULL; i++) {
        if (machine_.traces[i].inUse) inUse = &machine_.traces[i];
    }
    ASSERT_TRUE(inUse != NULL);
    Snapshot before, cleaned, restored;
    ASSERT_TRUE(TakeSnapshot(&before));
    DWORD cleanCode = 1;
    {
        HeldFile held(ExpandMacros(inUse->path));
        ASSERT_TRUE(held.ok());
        cleanCode = RunEnvsweep("/C 262143 /S", 600000);
    }
    ASSERT_TRUE(TakeSnapshot(&cleaned));
    Comparison cleanup;
    CompareSnapshots(machine_, before, cleaned, kAllFamilies, 0, &cleanup);
    EXPECT_EQ(1u, cleanCode) << "the in-use file, held without sharing, cannot be backed up and stays";
    EXPECT_TRUE(cleanup.missingBefore.empty()) << Shortened(ReportText(cleanup));
    EXPECT_TRUE(cleanup.unexpectedRemoved.empty()) << Shortened(ReportText(cleanup));
    EXPECT_EQ(1u, cleanup.survivedInUse.size());

    // What each half kept of the traces it should have lost, one line per trace.
    std::string left[2];
    int removed[2] = {0, 0};
    for (size_t i = 0; i < cleanup.outcomes.size(); i++) {
        const TraceOutcome& outcome = cleanup.outcomes[i];
        const int half = In32BitHalf(*outcome.trace);
        if (outcome.remaining.empty()) removed[half]++;
        else left[half] += "  " + outcome.trace->source + ":" + std::to_string(outcome.trace->line) + " " +
                           outcome.remaining[0] + "\n";
    }
    EXPECT_TRUE(left[0].empty()) << "left in the native half:\n" << left[0];
    EXPECT_TRUE(left[1].empty()) << "left in the 32-bit half:\n" << left[1];
    EXPECT_GT(removed[0], 1000);
    EXPECT_EQ(traces32, removed[1]);
    EXPECT_TRUE(cleanup.unexpectedChanged.empty() && cleanup.unexpectedAdded.empty()) << Shortened(ReportText(cleanup));
    EXPECT_TRUE(cleanup.exact);

    char name[256] = "";
    ASSERT_TRUE(NewestBackupName(name, sizeof name));
    EXPECT_EQ(0u, RunEnvsweep(std::string("/R ") + name, 600000));
    ASSERT_TRUE(TakeSnapshot(&restored));
    Comparison back;
    CompareSnapshots(machine_, before, restored, 0, 0, &back);
    EXPECT_TRUE(back.exact) << Shortened(ReportText(back));
}

}  // namespace
