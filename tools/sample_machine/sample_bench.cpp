// The search benchmark: the sample machine, then the busy machine at scales 1 and 3 on top of it,
// each timed as envsweep's whole search (registry rules, file rules, INF identification, install
// folders) against a touch floor, the least reading any search of these rules has to do.
#include "busy_machine.h"
#include "sample_bench.h"
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "model/found_items.h"
#include "model/process_values.h"
#include "model/products.h"
#include "platform/ascii_case.h"
#include "platform/machine_halves.h"
#include "platform/path_ops.h"
#include "search/files/file_search.h"
#include "search/search_all.h"
#include "search/search_session.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

const uint32_t kAllFamilies = (1u << kProductCount) - 1;

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n == 0) return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// ---- the touch floor ----

struct Container {
    HKEY hive;
    std::string path;
    int depth;   // levels below the container whose keys the rules open
};

void AddContainer(std::vector<Container>* containers, HKEY hive, const char* path, int depth)
{
    for (Container& c : *containers) {
        if (c.hive == hive && lstrcmpiA(c.path.c_str(), path) == 0) {
            c.depth = std::max(c.depth, depth);
            return;
        }
    }
    containers->push_back(Container{hive, path, depth});
}

// Every key the scanning rules walk, each once, with the depth the deepest of them goes to.
std::vector<Container> ScannedContainers()
{
    std::vector<Container> containers;
    for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
        const RegistryRule& rule = kRegistryRules[i];
        const RegistryKindRow& kind = RegistryKind(rule.kind);
        if (kind.scanDepth == 0) continue;
        AddContainer(&containers, rule.hive, rule.keyPath, kind.scanDepth);
        // The child-device rule finds its adapters in the PCI enumerator.
        if (kind.search == kSearchChildDeviceScan)
            AddContainer(&containers, HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\PCI", 1);
    }
    return containers;
}

// Reads every value of key once and walks depth levels of subkeys the same way.
void TouchKey(HKEY key, int depth, long* touched)
{
    char name[16384];
    BYTE data[4096];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof name, dataSize = sizeof data;
        const LONG rc = RegEnumValueA(key, i, name, &nameSize, NULL, NULL, data, &dataSize);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
        (*touched)++;
    }
    if (depth == 0) return;
    for (DWORD i = 0;; i++) {
        DWORD nameSize = 256;
        if (RegEnumKeyExA(key, i, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        HKEY sub = NULL;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        (*touched)++;
        TouchKey(sub, depth - 1, touched);
        RegCloseKey(sub);
    }
}

// Every scanned container walked once, one open per registry rule, one attribute query per
// file rule, every oem*.inf read once. On a machine with two halves the other view's containers
// are walked too where they are keys of their own (a key both views share is read once), every
// rule's key is opened in both views, and a file rule below the system folder is asked in the
// other half's system folder as well. Returns what it touched, so nothing is optimised away.
long TouchFloor(const std::vector<Container>& containers)
{
    long touched = 0;
    for (int32_t view = 0; view < RegistryViewCount(); view++) {
        for (const Container& c : containers) {
            HKEY key = NULL;
            if (view == kViewOther && !KeyDiffersInOtherView(c.hive, c.path.c_str())) continue;
            if (OpenKeyInView({c.hive, c.path.c_str(), (uint8_t)view}, KEY_READ, &key) != ERROR_SUCCESS) continue;
            TouchKey(key, c.depth, &touched);
            RegCloseKey(key);
        }
        for (int i = 0; kRegistryRules[i].keyPath != NULL; i++) {
            HKEY key = NULL;
            if (OpenKeyInView({kRegistryRules[i].hive, kRegistryRules[i].keyPath, (uint8_t)view}, KEY_READ, &key) ==
                ERROR_SUCCESS) {
                touched++;
                RegCloseKey(key);
            }
        }
    }
    char otherSystem[kPathSize];
    const uint8_t twoSystems = OtherSystemFolder(otherSystem);
    const size_t systemLength = strlen(g_systemDirectory);
    for (int i = 0; kFileRules[i].file != NULL; i++) {
        if (kFileRules[i].disabled) continue;
        char path[kPathSize];
        if (!ExpandRulePath(NULL, kFileRules[i], path)) continue;
        char* at = strchr(path, '@');
        if (at) *at = '\0';
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) touched++;
        if (!twoSystems || !AsciiStartsWithNoCase(path, g_systemDirectory)) continue;
        const std::string other = std::string(otherSystem) + "\\" + (path + systemLength);
        if (GetFileAttributesA(other.c_str()) != INVALID_FILE_ATTRIBUTES) touched++;
    }
    std::string folder = std::string(g_windowsDirectory) + "INF\\";
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "oem*.inf").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        static char content[1 << 20];
        do {
            HANDLE file = CreateFileA((folder + found.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                      OPEN_EXISTING, 0, NULL);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD read = 0;
            if (ReadFile(file, content, sizeof content, &read, NULL) && read > 0) touched++;
            CloseHandle(file);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return touched;
}

// ---- the search ----

uint64_t Mix(uint64_t hash, const void* data, size_t size)
{
    const unsigned char* bytes = (const unsigned char*)data;
    for (size_t i = 0; i < size; i++) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

uint64_t MixText(uint64_t hash, const char* text)
{
    const unsigned char present = text != NULL;
    hash = Mix(hash, &present, 1);
    return text ? Mix(hash, text, strlen(text) + 1) : hash;
}

// A fingerprint of the found-item list: every field the search sets, in list order.
uint64_t ListFingerprint(const FoundItemList* list)
{
    uint64_t hash = 14695981039346656037ull;
    for (int32_t i = 0; i < list->count; i++) {
        const FoundItem& item = list->items[i];
        const int32_t numbers[] = {item.itemClass, item.ruleKind, item.productIndex};
        hash = Mix(hash, numbers, sizeof numbers);
        hash = MixText(hash, HiveName(item.hive));
        hash = MixText(hash, item.path);
        hash = MixText(hash, item.valueName);
        hash = MixText(hash, item.serviceName);
        const uint8_t flags[] = {item.ticked, item.accessible, item.notDeleted};
        hash = Mix(hash, flags, sizeof flags);
    }
    return hash;
}

struct Figures {
    uint8_t sharing;      // 0: the reference search
    size_t readsPeak;     // the most memory a search's shared reads held, in bytes
    std::vector<double> search;
    std::vector<double> floor;
    std::vector<int32_t> items;
    std::vector<uint64_t> fingerprints;
};

void SearchOnce(Figures* figures)
{
    ClearItems();
    const double start = Seconds();
    SearchSession session;
    BeginSearchSession(&session, figures->sharing);
    SearchInSession(&session, NULL);
    EndSearchSession(&session);
    figures->search.push_back(Seconds() - start);
    if (session.readsPeak > figures->readsPeak) figures->readsPeak = session.readsPeak;
    figures->items.push_back(g_foundItems->count);
    figures->fingerprints.push_back(ListFingerprint(g_foundItems));
}

double WorkingSetMb(uint8_t peak)
{
    // psapi is loaded by name: the tool needs it only here.
    struct Counters {
        DWORD cb, pageFaultCount;
        SIZE_T peakWorkingSetSize, workingSetSize, quotaPeakPagedPoolUsage, quotaPagedPoolUsage,
            quotaPeakNonPagedPoolUsage, quotaNonPagedPoolUsage, pagefileUsage, peakPagefileUsage;
    };
    typedef BOOL(WINAPI * Query)(HANDLE, Counters*, DWORD);
    HMODULE psapi = LoadLibraryA("psapi.dll");
    Query query = psapi ? (Query)(void*)GetProcAddress(psapi, "GetProcessMemoryInfo") : NULL;
    Counters counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    if (query == NULL || !query(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return (double)(peak ? counters.peakWorkingSetSize : counters.workingSetSize) / (1024.0 * 1024.0);
}

void Measure(const char* machine, int runs, const std::vector<Container>& containers, uint8_t sharing)
{
    Figures figures;
    figures.sharing = sharing;
    figures.readsPeak = 0;
    long touched = 0;
    // Interleaved, so that a slow spell of the machine falls on both.
    for (int run = 0; run < runs; run++) {
        SearchOnce(&figures);
        const double start = Seconds();
        touched += TouchFloor(containers);
        figures.floor.push_back(Seconds() - start);
    }
    const double search = Median(figures.search);
    const double floor = Median(figures.floor);
    // Each search over the floor measured right after it: a slow spell of the machine that falls
    // on one pair moves both of its figures, and the median of the pairs leaves it out.
    std::vector<double> pairs;
    for (size_t i = 0; i < figures.search.size(); i++) {
        if (figures.floor[i] > 0) pairs.push_back(figures.search[i] / figures.floor[i]);
    }
    uint8_t steady = 1;
    for (size_t i = 1; i < figures.items.size(); i++) {
        if (figures.items[i] != figures.items[0] || figures.fingerprints[i] != figures.fingerprints[0]) steady = 0;
    }
    printf("%-14s %4d %10.2f s %10.2f s %7.2f %7.2f %7d  %016llx%s\n", machine, runs, search, floor,
           floor > 0 ? search / floor : 0.0, pairs.empty() ? 0.0 : Median(pairs), (int)figures.items[0], (unsigned long long)figures.fingerprints[0],
           steady ? "" : "  (varied between runs)");
    std::string each;
    for (double s : figures.search) {
        char text[32];
        snprintf(text, sizeof text, " %.2f", s);
        each += text;
    }
    printf("%-14s      each search:%s s; the floor touched %ld keys, values and files; shared reads held %.1f MB\n",
           "", each.c_str(), touched / runs, (double)figures.readsPeak / (1024.0 * 1024.0));
    fflush(stdout);
}

uint8_t InitSearchValues()
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    g_platformKind = version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 2 : 1;
    UINT n = GetSystemDirectoryA(g_systemDirectory, kPathSize);
    if (n == 0 || n + 1 >= (UINT)kPathSize) return 0;
    AppendBackslash(g_systemDirectory, kPathSize);
    n = GetWindowsDirectoryA(g_windowsDirectory, kPathSize);
    if (n == 0 || n + 1 >= (UINT)kPathSize) return 0;
    AppendBackslash(g_windowsDirectory, kPathSize);
    return 1;
}

uint8_t AddBusySets(int32_t first, int32_t last)
{
    for (int32_t set = first; set <= last; set++) {
        BusyMachine busy;
        BuildBusyMachine(set, 1, &busy);
        std::string log;
        if (!AddBusyMachine(busy, &log)) {
            fprintf(stderr, "envsweep-sample: busy machine set %d: %s", (int)set, log.c_str());
            return 0;
        }
        printf("busy set %d: %u keys, %u files\n", (int)set, (unsigned)busy.keys.size(), (unsigned)busy.files.size());
    }
    return 1;
}

}  // namespace

int RunBench(const SampleMachine& machine, int runs, uint8_t reference)
{
    // Wine sets up its display devices when the desktop starts and then drops the display
    // class instances and video keys it does not know: let that happen before seeding.
    GetDesktopWindow();
    if (!InitSearchValues()) return 1;
    // As envsweep itself does at start-up: on a 64-bit machine the search walks both halves. The
    // direction measured is the process's bitness and the half it reaches as the other one.
    static const char* const kHalves[] = {
        "one half",
        "two halves: the own one 32-bit (under WOW64), the other one 64-bit (KEY_WOW64_64KEY, Sysnative)",
        "two halves: the own one 64-bit, the other one 32-bit (KEY_WOW64_32KEY, SysWOW64)",
    };
    const int32_t halves = DetectMachineHalves();
    printf("a %d-bit process; registry views searched: %d, %s\n", (int)(sizeof(void*) * 8), (int)RegistryViewCount(),
           kHalves[halves]);
    std::string log;
    if (!SeedMachine(machine, &log)) {
        fputs(log.c_str(), stderr);
        return 1;
    }
    printf("sample machine seeded: %u traces\n", (unsigned)machine.traces.size());

    g_foundItems = CreateFoundItemList(FoundItemCapacity());
    if (g_foundItems == NULL) return 1;
    ProductSelection(-2, (int32_t)kAllFamilies);
    const std::vector<Container> containers = ScannedContainers();
    const double baseline = WorkingSetMb(1);

    if (reference) printf("reference search: every read asks the registry or the file\n");
    printf("\n%-14s %4s %12s %12s %7s %7s %7s  %s\n", "machine", "runs", "search", "touch floor", "ratio", "paired", "items",
           "list fingerprint");
    Measure("sample", runs, containers, !reference);
    if (!AddBusySets(0, 0)) return 1;
    Measure("busy x1", runs, containers, !reference);
    if (!AddBusySets(1, 2)) return 1;
    Measure("busy x3", runs, containers, !reference);

    printf("peak working set: %.1f MB before the searches, %.1f MB after\n", baseline, WorkingSetMb(1));
    DestroyFoundItemList(g_foundItems);
    g_foundItems = NULL;
    return 0;
}
