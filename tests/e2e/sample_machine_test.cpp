// End to end: the real envsweep.exe run over the seeded sample machine, with snapshots of the
// registry and the file system before and after each run compared against the description.
#include <gtest/gtest.h>
#include "sample_machine.h"
#include "support/helpers.h"

namespace {

const uint32_t kAllFamilies = 262143;  // bits 0..17

// At most this much of a report goes into a failure message.
std::string Shortened(const std::string& text)
{
    const size_t limit = 12000;
    return text.size() <= limit ? text : text.substr(0, limit) + "\n... (report cut)\n";
}

class SampleMachineRun : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine_, &error)) << error;
        ASSERT_GT(machine_.traces.size(), 1000u);
    }

    void TearDown() override
    {
        std::string log;
        EXPECT_TRUE(UnseedMachine(machine_, &log)) << log;
    }

    // Seeds the families (and every survivor), removing left-overs of earlier runs first; a flow
    // whose prefix came seeded finds them in place.
    void Seed(uint32_t families = 0xFFFFFFFFu)
    {
        std::string log;
        ASSERT_TRUE(SeedMachineOnce(machine_, &log, families)) << log;
        seeded_ = families;
        haveLast_ = 0;
    }

    // Snapshots around one run of envsweep.exe and compares them for mask and mode. A run right
    // after another one starts from the snapshot taken after that one: nothing ran in between.
    void RunAndCompare(const std::string& arguments, uint32_t mask, uint8_t restricted, Comparison* comparison,
                       DWORD* exitCode)
    {
        Snapshot before, after;
        if (haveLast_) before = last_;
        else ASSERT_TRUE(TakeSnapshot(&before));
        *exitCode = RunEnvsweep(arguments, 600000);
        ASSERT_TRUE(TakeSnapshot(&after));
        comparison->seededFamilies = seeded_;
        CompareSnapshots(machine_, before, after, mask, restricted, comparison);
        last_ = after;
        haveLast_ = 1;
    }

    const Trace* FindTrace(const char* category, int32_t type) const
    {
        for (size_t i = 0; i < machine_.traces.size(); i++) {
            if (machine_.traces[i].category == category && machine_.traces[i].type == type) return &machine_.traces[i];
        }
        return NULL;
    }

    // Traces removed by a run of the mask, counted per family.
    static std::vector<int> RemovedByFamily(const Comparison& comparison)
    {
        std::vector<int> counts(32, 0);
        for (size_t i = 0; i < comparison.outcomes.size(); i++) {
            const Trace& trace = *comparison.outcomes[i].trace;
            for (size_t f = 0; f < trace.finders.size(); f++) {
                if (FinderActive(trace.finders[f], comparison.mask, comparison.restricted)) {
                    counts[trace.finders[f].family]++;
                    break;
                }
            }
        }
        return counts;
    }

    SampleMachine machine_;
    uint32_t seeded_ = 0xFFFFFFFFu;
    Snapshot last_;          // after the latest run since the seeding
    uint8_t haveLast_ = 0;
};

uint8_t OpensForEverything(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    const LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

// Every family: every trace goes, the in-use file stays, the locked keys go through the
// takeover, and nothing else on the machine changes. A run without a selected family goes first,
// in the same wineserver session and over the same seeding: it must change nothing, so whatever
// the full run removes was there and was removed by envsweep, not by Wine.
TEST_F(SampleMachineRun, EveryFamilyRemovesEveryTraceAndNothingElse)
{
    Seed();
    std::vector<const Trace*> locked;
    for (size_t i = 0; i < machine_.traces.size(); i++) {
        const Trace& trace = machine_.traces[i];
        if (trace.type == kTraceKey && !trace.sddl.empty()) locked.push_back(&trace);
    }
    ASSERT_EQ(2u, locked.size());
    for (size_t i = 0; i < locked.size(); i++) {
        ASSERT_TRUE(KeyPresent(HiveHandle(locked[i]->hive), locked[i]->keyPath)) << locked[i]->keyPath;
        EXPECT_FALSE(OpensForEverything(HiveHandle(locked[i]->hive), locked[i]->keyPath))
            << locked[i]->keyPath << " does not refuse the user before the run";
    }
    const Trace* inUse = FindTrace("in-use-file", kTraceFile);
    ASSERT_TRUE(inUse != NULL);
    const std::string inUsePath = ExpandMacros(inUse->path);

    Comparison control, comparison;
    DWORD controlCode = 1, exitCode = 0;
    {
        HeldFile held(inUsePath);
        ASSERT_TRUE(held.ok()) << inUsePath;
        RunAndCompare("/C 0 /S", 0, 0, &control, &controlCode);
        RunAndCompare("/C 262143 /S", kAllFamilies, 0, &comparison, &exitCode);
    }
    EXPECT_EQ(0u, controlCode);
    EXPECT_TRUE(control.exact) << Shortened(ReportText(control));
    EXPECT_TRUE(control.outcomes.empty());
    // The in-use file is held without sharing: it cannot be backed up, so it stays, and the
    // exit code says something is still there.
    EXPECT_EQ(1u, exitCode);
    EXPECT_TRUE(comparison.exact) << Shortened(ReportText(comparison));
    for (size_t i = 0; i < locked.size(); i++) {
        EXPECT_FALSE(KeyPresent(HiveHandle(locked[i]->hive), locked[i]->keyPath)) << locked[i]->keyPath;
    }
    EXPECT_EQ(1u, comparison.survivedInUse.size()) << Shortened(ReportText(comparison));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(inUsePath.c_str())) << inUsePath;
    // Every family of the catalogue has traces on the machine, and each lost them.
    const std::vector<int> counts = RemovedByFamily(comparison);
    for (int family = 0; family < 18; family++) EXPECT_GT(counts[family], 0) << "family " << family;
}

// A second instance changes nothing at all (the run without a selected family is the control run
// of the test above).
TEST_F(SampleMachineRun, RunsThatMustChangeNothing)
{
    Seed();
    // This process holds the instance mutex, as a first envsweep would.
    HANDLE mutex = CreateMutexA(NULL, FALSE, "Envsweep");
    ASSERT_TRUE(mutex != NULL);
    ASSERT_NE((DWORD)ERROR_ALREADY_EXISTS, GetLastError()) << "another envsweep runs in this prefix";
    Comparison second;
    DWORD exitCode = 1;
    RunAndCompare("/C 262143 /S", 0, 0, &second, &exitCode);
    CloseHandle(mutex);
    EXPECT_EQ(2u, exitCode);
    EXPECT_TRUE(second.exact) << Shortened(ReportText(second));
    EXPECT_TRUE(second.outcomes.empty());
}

// One family's mask over the whole machine: exactly that family's traces go. Family 0 is the
// display adapters (devices, video keys, class instances, services, namespace extension), 7 the
// TV application (COM classes, filters, file types, install folders, the locked subkey), 17 the
// "Unknown" family (a few USB devices and INF packages). Each family is a flow of its own, on a
// machine no other run has touched.
class OneFamilyRun : public SampleMachineRun, public testing::WithParamInterface<int> {};

TEST_P(OneFamilyRun, RemovesExactlyItsOwnTraces)
{
    const int chosen = GetParam();
    Seed();
    const uint32_t mask = 1u << chosen;
    Comparison comparison;
    DWORD exitCode = 1;
    RunAndCompare("/C " + std::to_string(mask) + " /S", mask, 0, &comparison, &exitCode);
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(comparison.exact) << Shortened(ReportText(comparison));
    const std::vector<int> counts = RemovedByFamily(comparison);
    for (int family = 0; family < 18; family++) {
        if (family == chosen) EXPECT_GT(counts[family], 0);
        else EXPECT_EQ(0, counts[family]) << "family " << family;
    }
}

INSTANTIATE_TEST_SUITE_P(Family, OneFamilyRun, testing::Values(0, 7, 17),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// The restricted run leaves the device and video keys it skips (kinds 6 and 10) and the service
// keys of every family but 1, and removes the rest.
TEST_F(SampleMachineRun, RestrictedRunLeavesWhatItSkips)
{
    Seed();
    Comparison comparison;
    DWORD exitCode = 1;
    RunAndCompare("/C 262143 /X", kAllFamilies, 1, &comparison, &exitCode);
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(comparison.exact) << Shortened(ReportText(comparison));
    // The comparison expects the skipped traces to stay; check that there were some to skip.
    int skipped = 0;
    for (size_t i = 0; i < machine_.traces.size(); i++) {
        const Trace& trace = machine_.traces[i];
        if (!trace.finders.empty() && TraceActive(trace, kAllFamilies, 0) && !TraceActive(trace, kAllFamilies, 1))
            skipped++;
    }
    EXPECT_GT(skipped, 100);
}

}  // namespace
