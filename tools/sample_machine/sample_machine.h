// The sample machine: its description (traces of the product families and other makers'
// software that must survive), seeding it into a Wine prefix, snapshots of the registry and the
// file system, and the before/after comparison of a clean-up run.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <map>
#include <string>
#include <vector>

// One rule that finds a trace: the family, what finds it and, for registry rules, the rule's
// kind and mode tag. For registry rules the kind is the kind of the rule that is evaluated (so a
// video key that a kind 6 rule records under kind 10 is found by "k6").
enum FinderSource : int32_t {
    kFinderRegistryRule = 0,  // "kN"
    kFinderFileRule = 1,      // "file": a file rule names the path
    kFinderService = 2,       // "svc": the service a file rule names is stopped and deleted
    kFinderInf = 3,           // "inf": INF identification recognises the package
    kFinderInstallFolder = 4, // "inst": install-folder search finds the folder
};

struct TraceFinder {
    int32_t family;
    int32_t source;    // FinderSource
    int32_t kind;      // registry rule kind for kFinderRegistryRule, else -1
    std::string tag;   // the rule's mode tag; empty when it has none
};

enum TraceType : int32_t {
    kTraceKey = 0,      // key: created with a marker value, removed with its subtree
    kTraceValue = 1,    // value: name, type, data
    kTraceList = 2,     // value whose data a clean-up rewrites (DLL list): before and after
    kTraceFile = 3,     // file with marker content (and an optional text after the marker)
    kTraceFolder = 4,   // folder
    kTraceService = 5,  // service created through the service manager
};

struct Trace {
    int32_t line;                 // line in its file, for messages
    std::string source;           // file name, for messages
    std::vector<TraceFinder> finders;  // empty: a survivor
    std::string category;
    int32_t type;                 // TraceType
    // Registry traces: hive and path as written (HKLM, HKCU, HKCR, HKU); value name ("" for
    // the default value); value type and data as written (macros not yet expanded).
    std::string hive;
    std::string keyPath;
    std::string valueName;
    uint8_t hasValueName;
    DWORD valueType;
    std::string data;        // value data (text form); file text; service binary path
    std::string dataAfter;   // kTraceList: the data after the rewrite
    // File traces and services: the path (macros not yet expanded) or the service name.
    std::string path;
    uint8_t serviceKernel;   // kTraceService: 1 kernel driver, 0 own process
    uint8_t volatileKey;     // kTraceKey: created REG_OPTION_VOLATILE
    uint8_t inUse;           // kTraceFile: held open during a run; allowed to survive
    std::string sddl;        // kTraceKey: security set after creation (owner and DACL)
    uint8_t unterminated;    // kTraceValue of type REG_SZ: stored without its terminator
    uint8_t rawContent;      // kTraceFile: data is the whole content, without the marker line
};

struct SampleMachine {
    std::vector<Trace> traces;
    std::string description;   // the path it was read from
};

// Reads a description (and the files it includes). 0 with a message in error on a bad line.
uint8_t LoadDescription(const char* path, SampleMachine* machine, std::string* error);
// The description shipped with the sources (set by the build), as a Windows path.
const char* DefaultDescriptionPath();
// The 64-bit machine beside it (machine64.txt): the same machine with traces and other makers'
// software in both halves of a 64-bit Windows.
const char* DefaultDescription64Path();

// A description names keys and files by the machine's native names, whatever the tool's own
// bitness: "HKLM\Software\Wow6432Node\..." is the 32-bit view's key, "HKLM\Software\..." the
// native one; %SYSTEM% is the native system32 and %SYSWOW64% the 32-bit system folder. So the
// tools open keys in the 64-bit view (a 32-bit tool under WOW64 asks for it, a 64-bit tool has
// it as its own) and a 32-bit tool under WOW64 turns file system redirection off around its file
// work. Both follow g_machineHalves, which the process sets (DetectMachineHalves); with one half
// (or before detection) the calls are the plain ones.
// The registry view of the 64-bit keys is NativeNameView (platform/machine_halves.h).
REGSAM SampleKeyFlag();      // the flag that opens a key in that view (0 for the own view)
LONG SampleOpenKey(HKEY root, const char* path, REGSAM access, HKEY* key);
LONG SampleDeleteKey(HKEY parent, const char* name);
struct NativeFiles {
    void* saved;             // what Wow64DisableWow64FsRedirection hands back
    uint8_t off;             // redirection was turned off and must be turned on again
};
// Paths are expanded (ExpandMacros) before Begin: with redirection off a DLL that loads late
// would come from the wrong half.
void NativeFilesBegin(NativeFiles* scope);
void NativeFilesEnd(NativeFiles* scope);

// Text of a finder ("7:k0", "1:k0:Heavy", "3:file") and of a finder list ("-" when empty).
std::string FinderText(const TraceFinder& finder);
std::string FindersText(const std::vector<TraceFinder>& finders);

// Replaces the folder macros (%SYSTEM%, %INF%, %DESKTOP%, %PROGRAM_FILES%, ...) in text with
// the folders of this machine, without a trailing backslash. %PROGRAM_FILES% and
// %COMMON_PROGRAM_FILES% are the native folders; %PROGRAM_FILES_X86% and %SYSWOW64% the 32-bit
// half's, empty on a machine with one half.
std::string ExpandMacros(const std::string& text);
// 0 when text names a folder macro that has no folder on this machine (%SYSWOW64% on 32-bit
// Windows): such a trace is neither seeded nor removed.
uint8_t MacrosKnown(const std::string& text);
// The registry location a trace's key stands at in a snapshot: HKCR becomes
// HKLM\Software\Classes; HKCU, HKLM and HKU stay.
std::string CanonicalKeyPath(const std::string& hive, const std::string& keyPath);
HKEY HiveHandle(const std::string& hive);

// Whether a finder takes part in a run over mask, restricted (/X) or not.
uint8_t FinderActive(const TraceFinder& finder, uint32_t mask, uint8_t restricted);
uint8_t TraceActive(const Trace& trace, uint32_t mask, uint8_t restricted);

// Seeding. Seed removes every described trace first, then creates them all; Unseed only
// removes. Neither touches a key, value, file or service that the description does not name, and
// neither removes a described one that is not the seeder's own (a key without the marker value,
// a file without the marker text, a value with other data): those are reported in log instead.
// families: only traces with a finder of these families and survivors are created (bit k =
// family k); ~0u for all.
uint8_t SeedMachine(const SampleMachine& machine, std::string* log, uint32_t families = 0xFFFFFFFFu);
uint8_t UnseedMachine(const SampleMachine& machine, std::string* log);
// What Wine forgets of a seeded machine when its wineserver stops and the prefix's desktop starts
// again: key security (never saved), volatile keys (Control\Video's children) and the display-class
// instances that the desktop's start deletes. Puts back, in the description's order, every
// registry trace of the families that is missing and the security of every locked key; files,
// folders and services are saved with the prefix. restored: how many traces it wrote.
uint8_t RefreshMachine(const SampleMachine& machine, std::string* log, int32_t* restored,
                       uint32_t families = 0xFFFFFFFFu);
// Seeds as SeedMachine does, except once per process for a prefix that came seeded: a test
// flow's copy of a prefix the suite seeded with every family of this description and refreshed
// after its start (ENVSWEEP_SEEDED names the description). Then the first call for every family
// of that description finds the machine in place and seeds nothing.
uint8_t SeedMachineOnce(const SampleMachine& machine, std::string* log, uint32_t families = 0xFFFFFFFFu);

// A snapshot: one line per registry key, value (name, type, data) and file or folder, keyed by
// an identity that ignores letter case (the registry and the file system do).
struct Snapshot {
    std::map<std::string, std::string> lines;  // identity -> line
};
uint8_t TakeSnapshot(Snapshot* snapshot);
uint8_t SaveSnapshot(const Snapshot& snapshot, const char* path);
uint8_t LoadSnapshot(const char* path, Snapshot* snapshot);
// The identity of a snapshot line ("K\tHKLM\SOFTWARE\X" for a key, and so on).
std::string LineIdentity(const std::string& line);
// Identity of a key, value or file of this machine, for tests that look one up.
std::string KeyIdentity(const std::string& hive, const std::string& keyPath);
std::string FileIdentity(const std::string& expandedPath);
// valueName: the name as the registry holds it ("" for the default value).
std::string ValueIdentity(const std::string& hive, const std::string& keyPath, const std::string& valueName);
// Text form of names and data in snapshot lines: tab, line breaks, other control characters
// and NUL written as \xNN.
std::string EscapeText(const char* data, size_t size);

// The comparison of two snapshots against what the description expects of a run.
struct TraceOutcome {
    const Trace* trace;
    std::vector<std::string> removed;     // lines that went, as expected
    std::vector<std::string> remaining;   // lines expected to go that are still there
    uint8_t expected;                     // the run was expected to remove (or rewrite) it
};
struct Comparison {
    // In: the families whose traces were seeded (the others may be absent before the run).
    uint32_t seededFamilies = 0xFFFFFFFFu;
    uint32_t mask = 0;
    uint8_t restricted = 0;
    std::vector<TraceOutcome> outcomes;       // one per trace expected to go
    std::vector<std::string> unexpectedRemoved;
    std::vector<std::string> unexpectedAdded;
    std::vector<std::string> unexpectedChanged;  // "before -> after"
    std::vector<std::string> survivedInUse;      // in-use traces that stayed (allowed)
    std::vector<std::string> ownOutput;          // envsweep's backups and logs (allowed)
    std::vector<std::string> missingBefore;      // described traces the machine did not have
    int32_t excludedLines = 0;
    uint8_t exact = 0;
};
void CompareSnapshots(const SampleMachine& machine, const Snapshot& before, const Snapshot& after,
                      uint32_t mask, uint8_t restricted, Comparison* comparison);
void PrintReport(const Comparison& comparison, FILE* out);
std::string ReportText(const Comparison& comparison);

// envsweep's own output: 1 for a snapshot line at or below its backup places (the common
// application data's envsweep or envsweep-N, and the local application data's envsweep of older
// versions), which every clean-up and restore writes to, or below HKLM\Software\envsweep,
// which records them.
uint8_t IsOwnOutputLine(const std::string& identity);

// Wine's own bookkeeping that changes on any run: 1 when a snapshot line is left out of the
// comparison.
uint8_t IsExcludedLine(const std::string& identity);

// Holding files open without sharing (as a running application holds its files), or with loaded
// for reading only, sharing that (as a running program holds its DLL). Returns the handles opened; INVALID_HANDLE_VALUE entries for files that could not be opened.
std::vector<HANDLE> HoldInUseFiles(const SampleMachine& machine, uint8_t loaded = 0);
