// envsweep-sample: seeds the built-in sample machine into the Wine prefix, holds its in-use
// files open, takes snapshots and reports what a clean-up run changed.
#include <stdlib.h>
#include <string.h>
#include "platform/machine_halves.h"
#include "sample_bench.h"
#include "sample_machine.h"

int DriveWindow(DWORD timeoutMs, DWORD pauseMs, uint8_t restartNow);

namespace {

int Usage()
{
    fputs("usage: envsweep-sample seed <description> [families]\n"
          "       envsweep-sample unseed <description>\n"
          "       envsweep-sample refresh <description>   (puts back what a wineserver restart took)\n"
          "       envsweep-sample hold <description> <event> [loaded]   (until the event is set or the process ends;\n"
          "                                      loaded: for reading, sharing it, as a running program holds its DLL)\n"
          "       envsweep-sample release <event>\n"
          "       envsweep-sample snapshot <out>\n"
          "       envsweep-sample report <description> <before> <after> <mask> [/X]\n"
          "       envsweep-sample drive-window [pause-ms [restart-now]]   (answers envsweep's window until it closes)\n"
          "       envsweep-sample bench <description> <runs> [/reference]   (seeds the sample and the busy machine)\n",
          stderr);
    return 2;
}

uint8_t Load(const char* path, SampleMachine* machine)
{
    std::string error;
    if (LoadDescription(path, machine, &error)) return 1;
    fprintf(stderr, "envsweep-sample: %s\n", error.c_str());
    return 0;
}

int Seed(int argc, char** argv, uint8_t seed)
{
    SampleMachine machine;
    if (!Load(argv[2], &machine)) return 1;
    const uint32_t families = argc > 3 ? (uint32_t)strtoul(argv[3], NULL, 0) : 0xFFFFFFFFu;
    std::string log;
    const uint8_t ok = seed ? SeedMachine(machine, &log, families) : UnseedMachine(machine, &log);
    fputs(log.c_str(), stdout);
    printf("%s %u traces: %s\n", seed ? "seeded" : "unseeded", (unsigned)machine.traces.size(), ok ? "ok" : "with problems");
    return ok ? 0 : 1;
}

int Refresh(char** argv)
{
    SampleMachine machine;
    if (!Load(argv[2], &machine)) return 1;
    std::string log;
    int32_t restored = 0;
    const uint8_t ok = RefreshMachine(machine, &log, &restored);
    fputs(log.c_str(), stdout);
    printf("refreshed %d of %u traces: %s\n", (int)restored, (unsigned)machine.traces.size(), ok ? "ok" : "with problems");
    return ok ? 0 : 1;
}

int Hold(char** argv)
{
    SampleMachine machine;
    if (!Load(argv[2], &machine)) return 1;
    HANDLE release = CreateEventA(NULL, TRUE, FALSE, argv[3]);
    const uint8_t loaded = argv[4] != NULL && strcmp(argv[4], "loaded") == 0 ? 1 : 0;
    const std::vector<HANDLE> handles = HoldInUseFiles(machine, loaded);
    int held = 0;
    for (size_t i = 0; i < handles.size(); i++) held += handles[i] != INVALID_HANDLE_VALUE ? 1 : 0;
    printf("held %d of %u\n", held, (unsigned)handles.size());
    fflush(stdout);
    if (release) WaitForSingleObject(release, INFINITE);
    for (size_t i = 0; i < handles.size(); i++) {
        if (handles[i] != INVALID_HANDLE_VALUE) CloseHandle(handles[i]);
    }
    if (release) CloseHandle(release);
    return held == (int)handles.size() ? 0 : 1;
}

int Release(char** argv)
{
    HANDLE release = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (release == NULL) return 1;
    SetEvent(release);
    CloseHandle(release);
    return 0;
}

int Report(int argc, char** argv)
{
    SampleMachine machine;
    if (!Load(argv[2], &machine)) return 1;
    Snapshot before, after;
    if (!LoadSnapshot(argv[3], &before) || !LoadSnapshot(argv[4], &after)) {
        fputs("envsweep-sample: cannot read the snapshots\n", stderr);
        return 1;
    }
    const uint32_t mask = (uint32_t)strtoul(argv[5], NULL, 10);
    const uint8_t restricted = argc > 6 && lstrcmpiA(argv[6], "/X") == 0 ? 1 : 0;
    Comparison comparison;
    CompareSnapshots(machine, before, after, mask, restricted, &comparison);
    PrintReport(comparison, stdout);
    return comparison.exact ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // The description names the machine natively: on a 64-bit machine the tool works in the
    // 64-bit registry view and, when it is a 32-bit tool, without file system redirection.
    DetectMachineHalves();
    if (argc < 2) return Usage();
    const char* command = argv[1];
    if (strcmp(command, "seed") == 0 && argc >= 3) return Seed(argc, argv, 1);
    if (strcmp(command, "unseed") == 0 && argc == 3) return Seed(argc, argv, 0);
    if (strcmp(command, "refresh") == 0 && argc == 3) return Refresh(argv);
    if (strcmp(command, "hold") == 0 && (argc == 4 || argc == 5)) return Hold(argv);
    if (strcmp(command, "release") == 0 && argc == 3) return Release(argv);
    if (strcmp(command, "snapshot") == 0 && argc == 3) {
        Snapshot snapshot;
        if (!TakeSnapshot(&snapshot) || !SaveSnapshot(snapshot, argv[2])) return 1;
        printf("%u lines\n", (unsigned)snapshot.lines.size());
        return 0;
    }
    if (strcmp(command, "report") == 0 && (argc == 6 || argc == 7)) return Report(argc, argv);
    if (strcmp(command, "drive-window") == 0 && argc <= 4) {
        const uint8_t restartNow = argc == 4 && strcmp(argv[3], "restart-now") == 0 ? 1 : 0;
        if (argc == 4 && !restartNow) return Usage();
        return DriveWindow(1800000, argc >= 3 ? (DWORD)strtoul(argv[2], NULL, 10) : 1500, restartNow);
    }
    if (strcmp(command, "bench") == 0 && (argc == 4 || argc == 5)) {
        SampleMachine machine;
        const int runs = atoi(argv[3]);
        const uint8_t reference = argc == 5 && lstrcmpiA(argv[4], "/reference") == 0 ? 1 : 0;
        if (runs < 1 || (argc == 5 && !reference) || !Load(argv[2], &machine)) return Usage();
        return RunBench(machine, runs, reference);
    }
    return Usage();
}
