// The sweep over hostile machines: each machine generated from a seed (make_machine.py) is seeded,
// cleaned up silently over its mask, and compared: every trace of the selected families gone,
// nothing else changed, exit code 0, no crash.
#include <gtest/gtest.h>
#include <stdlib.h>
#include "sample_machine.h"
#include <tlhelp32.h>
#include "support/helpers.h"

namespace {

// The folder of the generated descriptions: ENVSWEEP_HOSTILE_DIR (the longer sweep), else the
// one the build generates for the fixed seeds.
std::string HostileFolder()
{
    const char* folder = getenv("ENVSWEEP_HOSTILE_DIR");
    if (folder != NULL && folder[0] != '\0') return folder;
#ifdef ENVSWEEP_HOSTILE_DIR
    return ENVSWEEP_HOSTILE_DIR;
#else
    return std::string();
#endif
}

std::vector<std::string> Descriptions(const std::string& folder)
{
    std::vector<std::string> paths;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\seed-*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return paths;
    do paths.push_back(folder + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return paths;
}

// The mask a description names on its first line ("# mask: N").
uint8_t DescriptionMask(const std::string& path, uint32_t* mask)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (file == NULL) return 0;
    unsigned long value = 0;
    const int got = fscanf(file, "# mask: %lu", &value);
    fclose(file);
    *mask = (uint32_t)value;
    return got == 1 ? 1 : 0;
}

// Whether Wine's debugger (its crash dialog) runs in this prefix.
uint8_t CrashDebuggerRunning()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    uint8_t running = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "winedbg.exe") == 0) running = 1;
    }
    CloseHandle(snapshot);
    return running;
}

TEST(HostileSweep, EveryMachineLosesExactlyItsTracesOfTheMask)
{
    const std::string folder = HostileFolder();
    const std::vector<std::string> paths = Descriptions(folder);
    if (paths.empty()) GTEST_SKIP() << "no generated machines in '" << folder << "' (python3 missing at build time?)";
    int seeds = 0, traces = 0, lines = 0, problems = 0;
    for (size_t i = 0; i < paths.size(); i++) {
        SCOPED_TRACE(paths[i]);
        SampleMachine machine;
        std::string error, log;
        uint32_t mask = 0;
        ASSERT_TRUE(LoadDescription(paths[i].c_str(), &machine, &error)) << error;
        ASSERT_TRUE(DescriptionMask(paths[i], &mask));
        EXPECT_TRUE(SeedMachine(machine, &log)) << log;
        Snapshot before, after;
        ASSERT_TRUE(TakeSnapshot(&before));
        const DWORD exitCode = RunEnvsweep("/C " + std::to_string(mask) + " /S", 600000);
        ASSERT_TRUE(TakeSnapshot(&after));
        Comparison comparison;
        CompareSnapshots(machine, before, after, mask, 0, &comparison);
        const uint8_t crashed = CrashDebuggerRunning();
        EXPECT_EQ(0u, exitCode) << "mask " << mask;
        EXPECT_FALSE(crashed) << "the crash debugger runs after mask " << mask;
        EXPECT_TRUE(comparison.exact) << ReportText(comparison);
        seeds++;
        traces += (int)comparison.outcomes.size();
        lines += (int)before.lines.size();
        problems += (exitCode != 0 || crashed || !comparison.exact) ? 1 : 0;
        log.clear();
        EXPECT_TRUE(UnseedMachine(machine, &log)) << log;
    }
    printf("hostile sweep: %d seeds, %d traces checked, %d lines compared, %d machines with problems\n", seeds,
           traces, lines, problems);
}

}  // namespace
