// The sample machine's own tools: the description reader, what the comparison expects of a run
// (masks, the restricted mode, subtrees, the DLL-list rewrite, in-use files), and the seeder's
// refusal to touch what is not its own.
#include <gtest/gtest.h>
#include "sample_machine.h"
#include "support/helpers.h"
#include "support/key_security.h"

namespace {

// A description written to a scratch file and read back.
uint8_t ReadText(const ScratchFolder& folder, const std::string& text, SampleMachine* machine, std::string* error)
{
    if (!folder.WriteFile("machine.txt", text)) return 0;
    return LoadDescription((folder.path() + "machine.txt").c_str(), machine, error);
}

Snapshot Lines(const std::vector<std::string>& lines)
{
    Snapshot snapshot;
    for (size_t i = 0; i < lines.size(); i++) snapshot.lines[LineIdentity(lines[i])] = lines[i];
    return snapshot;
}

TEST(SampleDescription, ReadsEveryTypeAndRejectsMalformedLines)
{
    ScratchFolder folder("sample-description");
    SampleMachine machine;
    std::string error;
    ASSERT_TRUE(ReadText(folder,
                         "# comment\n"
                         "0:k0,7:k3:Heavy\tsoftware\tkey\tHKLM\\Software\\Morvane\\X\tvolatile\tsddl=O:SYD:(A;;KR;;;WD)\n"
                         "-\tother\tvalue\tHKCU\\Software\\Contoso\t@\tdword\t7\n"
                         "0:k11\tappinit\tlist\tHKLM\\Software\\W\tAppInit_DLLs\ta.dll nvdesk32.dll\ta.dll\n"
                         "3:file\tfile\tfile\t%SYSTEM%\\a.dll\tinuse\ttext=[Version]\\nClass=Media\n"
                         "3:inst\tinstall-folder\tfolder\t%PROGRAM_FILES%\\Morvane\\A\n"
                         "3:svc\tservice\tservice\tASvc\tkernel\t%DRIVERS%\\a.sys\n",
                         &machine, &error))
        << error;
    ASSERT_EQ(6u, machine.traces.size());
    const Trace& key = machine.traces[0];
    EXPECT_EQ("0:k0,7:k3:Heavy", FindersText(key.finders));
    EXPECT_EQ(1, key.volatileKey);
    EXPECT_EQ("O:SYD:(A;;KR;;;WD)", key.sddl);
    EXPECT_EQ(0, machine.traces[1].hasValueName);
    EXPECT_EQ((DWORD)REG_DWORD, machine.traces[1].valueType);
    EXPECT_TRUE(machine.traces[1].finders.empty());
    EXPECT_EQ("a.dll", machine.traces[2].dataAfter);
    EXPECT_EQ(1, machine.traces[3].inUse);
    EXPECT_EQ("[Version]\r\nClass=Media", machine.traces[3].data);
    EXPECT_EQ(1, machine.traces[5].serviceKernel);

    const char* bad[] = {
        "0:k0\tsoftware\tkey\tHKXX\\Software\\X\n",            // unknown root
        "0:q0\tsoftware\tkey\tHKLM\\Software\\X\n",            // unknown finder source
        "x:k0\tsoftware\tkey\tHKLM\\Software\\X\n",            // family not a number
        "0:k0\tsoftware\tvalue\tHKLM\\Software\\X\tn\tqword\t1\n",  // unknown value type
        "0:k0\t\tkey\tHKLM\\Software\\X\n",                    // no category
        "0:file\tfile\tfile\t%SYSTEM%\\a.dll\tsometimes\n",    // unknown option
    };
    for (size_t i = 0; i < sizeof bad / sizeof bad[0]; i++) {
        EXPECT_FALSE(ReadText(folder, bad[i], &machine, &error)) << bad[i];
        EXPECT_NE(std::string::npos, error.find("malformed")) << error;
    }
}

TEST(SampleDescription, FindersFollowTheMaskAndTheRestrictedMode)
{
    TraceFinder finder;
    finder.source = kFinderRegistryRule;
    finder.family = 3;
    finder.kind = 0;
    EXPECT_TRUE(FinderActive(finder, 1u << 3, 0));
    EXPECT_FALSE(FinderActive(finder, 1u << 4, 0));
    EXPECT_TRUE(FinderActive(finder, 1u << 3, 1));    // no tag: the tag test passes
    finder.tag = "Light";
    EXPECT_FALSE(FinderActive(finder, 1u << 3, 1));
    finder.tag = "HEAVY";
    EXPECT_TRUE(FinderActive(finder, 1u << 3, 1));
    finder.tag.clear();
    finder.kind = 3;                                    // service keys: family 1 only
    EXPECT_FALSE(FinderActive(finder, 1u << 3, 1));
    finder.family = 1;
    EXPECT_TRUE(FinderActive(finder, 1u << 1, 1));
    finder.kind = 6;                                    // skipped in the restricted run
    EXPECT_FALSE(FinderActive(finder, 1u << 1, 1));
    EXPECT_TRUE(FinderActive(finder, 1u << 1, 0));
    finder.kind = 14;
    EXPECT_TRUE(FinderActive(finder, 1u << 1, 1));
    finder.source = kFinderFileRule;
    finder.kind = -1;
    EXPECT_TRUE(FinderActive(finder, 1u << 1, 1));
}

class SampleComparison : public testing::Test {
protected:
    void SetUp() override
    {
        ScratchFolder folder("sample-comparison");
        std::string error;
        ASSERT_TRUE(ReadText(folder,
                             "2:k0\tsoftware\tkey\tHKCR\\CLSID\\{A}\n"
                             "2:k11\tappinit\tlist\tHKLM\\Software\\W\tAppInit_DLLs\ta.dll nvdesk32.dll b.dll\ta.dll b.dll\n"
                             "5:file\tin-use-file\tfile\tC:\\w\\held.dll\tinuse\n"
                             "-\tother\tkey\tHKLM\\Software\\Classes\\CLSID\\{B}\n",
                             &machine_, &error))
            << error;
        before_ = Lines({"K\tHKLM\\Software\\Classes\\CLSID\\{A}",
                         "K\tHKLM\\Software\\Classes\\CLSID\\{A}\\InprocServer32",
                         "V\tHKLM\\Software\\Classes\\CLSID\\{A}\\InprocServer32\t\tREG_SZ\tx.ax\\x00",
                         "V\tHKLM\\Software\\W\tAppInit_DLLs\tREG_SZ\ta.dll nvdesk32.dll b.dll\\x00",
                         "F\tC:\\w\\held.dll\t27",
                         "K\tHKLM\\Software\\Classes\\CLSID\\{B}"});
    }

    SampleMachine machine_;
    Snapshot before_;
};

TEST_F(SampleComparison, ExactWhenTheTracesWentWithTheirSubtreesAndTheListWasRewritten)
{
    const Snapshot after = Lines({"V\tHKLM\\Software\\W\tAppInit_DLLs\tREG_SZ\ta.dll b.dll\\x00",
                                  "K\tHKLM\\Software\\Classes\\CLSID\\{B}"});
    Comparison comparison;
    CompareSnapshots(machine_, before_, after, (1u << 2) | (1u << 5), 0, &comparison);
    EXPECT_TRUE(comparison.exact) << ReportText(comparison);
    EXPECT_EQ(0u, comparison.survivedInUse.size());
    // The held file may also stay: it is reported, and the comparison stays exact.
    Snapshot held = after;
    held.lines[LineIdentity("F\tC:\\w\\held.dll\t27")] = "F\tC:\\w\\held.dll\t27";
    CompareSnapshots(machine_, before_, held, (1u << 2) | (1u << 5), 0, &comparison);
    EXPECT_TRUE(comparison.exact) << ReportText(comparison);
    EXPECT_EQ(1u, comparison.survivedInUse.size());
}

TEST_F(SampleComparison, NotExactWhenATraceStaysOrSomethingElseChanges)
{
    Comparison comparison;
    // Family 2 selected, but its class key is still there and the list is unchanged.
    CompareSnapshots(machine_, before_, before_, 1u << 2, 0, &comparison);
    EXPECT_FALSE(comparison.exact);
    size_t remaining = 0;
    for (size_t i = 0; i < comparison.outcomes.size(); i++) remaining += comparison.outcomes[i].remaining.size();
    EXPECT_EQ(4u, remaining);   // three lines of the class key, the list value

    // Nothing selected, but the survivor went and a value appeared.
    Snapshot after = before_;
    after.lines.erase(LineIdentity("K\tHKLM\\Software\\Classes\\CLSID\\{B}"));
    const std::string added = "V\tHKLM\\Software\\New\tx\tREG_SZ\t1\\x00";
    after.lines[LineIdentity(added)] = added;
    CompareSnapshots(machine_, before_, after, 0, 0, &comparison);
    EXPECT_FALSE(comparison.exact);
    EXPECT_EQ(1u, comparison.unexpectedRemoved.size());
    EXPECT_EQ(1u, comparison.unexpectedAdded.size());

    // A list rewritten other than the rewrite leaves it.
    after = before_;
    after.lines.erase(LineIdentity("K\tHKLM\\Software\\Classes\\CLSID\\{A}"));
    after.lines[LineIdentity("V\tHKLM\\Software\\W\tAppInit_DLLs\t")] = "V\tHKLM\\Software\\W\tAppInit_DLLs\tREG_SZ\ta.dll \\x00";
    CompareSnapshots(machine_, before_, after, 1u << 2, 0, &comparison);
    EXPECT_FALSE(comparison.exact) << ReportText(comparison);
}

TEST_F(SampleComparison, DescribedTracesMissingBeforeTheRunAreReported)
{
    Snapshot before = before_;
    before.lines.erase(LineIdentity("K\tHKLM\\Software\\Classes\\CLSID\\{B}"));
    Comparison comparison;
    CompareSnapshots(machine_, before, before, 0, 0, &comparison);
    EXPECT_FALSE(comparison.exact);
    EXPECT_EQ(1u, comparison.missingBefore.size());
}

// The seeder never removes what the description names when it is not its own.
TEST(SampleSeeder, LeavesKeysFilesAndValuesThatAreNotItsOwn)
{
    ScratchKey key(HKEY_CURRENT_USER, "Software\\EnvsweepSampleTest");
    ScratchFolder folder("sample-seeder");
    ASSERT_TRUE(key.Create("Foreign"));
    ASSERT_TRUE(key.SetString("", "Foreign", "theirs"));
    ASSERT_TRUE(folder.WriteFile("foreign.txt", "theirs"));
    SampleMachine machine;
    std::string error;
    ASSERT_TRUE(ReadText(folder,
                         "0:k0\tsoftware\tkey\tHKCU\\Software\\EnvsweepSampleTest\\Foreign\n"
                         "0:k0\tsoftware\tvalue\tHKCU\\Software\\EnvsweepSampleTest\tForeign\tsz\tours\n"
                         "0:file\tfile\tfile\t" + folder.path() + "foreign.txt\n"
                         "0:k0\tsoftware\tkey\tHKCU\\Software\\EnvsweepSampleTest\\Ours\\Deep\n"
                         "0:file\tfile\tfile\t" + folder.path() + "sub\\ours.txt\n",
                         &machine, &error))
        << error;
    std::string log;
    EXPECT_FALSE(SeedMachine(machine, &log));
    EXPECT_NE(std::string::npos, log.find("not the seeder's")) << log;
    EXPECT_TRUE(KeyPresent(key.root(), key.Full("Ours\\Deep")));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder.path() + "sub\\ours.txt").c_str()));
    log.clear();
    EXPECT_FALSE(UnseedMachine(machine, &log));
    // Its own traces went; the foreign key, value and file stayed as they were.
    EXPECT_FALSE(KeyPresent(key.root(), key.Full("Ours\\Deep")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder.path() + "sub\\ours.txt").c_str()));
    EXPECT_TRUE(KeyPresent(key.root(), key.Full("Foreign")));
    EXPECT_TRUE(ValuePresent(key.root(), key.path(), "Foreign"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder.path() + "foreign.txt").c_str()));
}

// A test flow's prefix comes seeded: the first seeding of the process for every family of that
// description seeds nothing, a later one seeds. What a wineserver restart takes (volatile keys,
// key security) the refresh puts back, and it writes nothing that is still in place.
TEST(SampleSeeder, SeedsOnceInASeededPrefixAndRefreshPutsBackWhatWineForgets)
{
    LockedScratchKey key(HKEY_CURRENT_USER, "Software\\EnvsweepSampleRefresh");
    ScratchFolder folder("sample-refresh");
    SampleMachine machine;
    std::string error, log;
    ASSERT_TRUE(ReadText(folder,
                         "0:k0\tsoftware\tkey\tHKCU\\Software\\EnvsweepSampleRefresh\\Locked\tsddl=O:SYD:(A;;KRWD;;;WD)\n"
                         "0:k6\tvideo\tkey\tHKCU\\Software\\EnvsweepSampleRefresh\\Gone\tvolatile\n"
                         "0:k6\tvideo\tvalue\tHKCU\\Software\\EnvsweepSampleRefresh\\Gone\tName\tsz\tdata\n"
                         "-\tother\tvalue\tHKCU\\Software\\EnvsweepSampleRefresh\tKept\tdword\t7\n",
                         &machine, &error))
        << error;
    ASSERT_TRUE(SetEnvironmentVariableA("ENVSWEEP_SEEDED", machine.description.c_str()));
    EXPECT_TRUE(SeedMachineOnce(machine, &log));
    EXPECT_FALSE(KeyPresent(key.root(), key.Full("Locked"))) << "seeded in a prefix that came seeded";
    EXPECT_TRUE(SeedMachineOnce(machine, &log)) << log;
    SetEnvironmentVariableA("ENVSWEEP_SEEDED", NULL);
    ASSERT_TRUE(ValuePresent(key.root(), key.Full("Gone"), "Name"));
    HKEY opened = NULL;
    ASSERT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(key.root(), key.Full("Locked").c_str(), 0, KEY_ALL_ACCESS, &opened));

    // As after a restart of the wineserver: the volatile key gone, the locked key's security lost.
    ASSERT_TRUE(DeleteTree(key.root(), key.Full("Gone")));
    ASSERT_TRUE(UnlockKey(key.root(), key.Full("Locked")));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key.root(), key.Full("Locked").c_str(), 0, KEY_ALL_ACCESS, &opened));
    RegCloseKey(opened);
    int32_t restored = 0;
    EXPECT_TRUE(RefreshMachine(machine, &log, &restored)) << log;
    EXPECT_EQ(3, restored);   // the locked key, the volatile key and its value; not the kept value
    EXPECT_TRUE(ValuePresent(key.root(), key.Full("Gone"), "Name"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(key.root(), key.Full("Locked").c_str(), 0, KEY_ALL_ACCESS, &opened));
    EXPECT_TRUE(UnseedMachine(machine, &log)) << log;
}

}  // namespace
