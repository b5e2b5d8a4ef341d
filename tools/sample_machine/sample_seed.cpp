// Seeding the sample machine into the running Wine prefix, and removing it again. Only what the
// description names is touched, and of that only what carries the seeder's mark.
#include "sample_machine.h"
#include <sddl.h>
#include <set>
#include <stdlib.h>
#include <string.h>

namespace {

const char kMarkerValue[] = "EnvsweepSample";            // value in every key the seeder creates
const char kContainerValue[] = "EnvsweepSampleContainer"; // value in every key it creates on the way
const char kMarkerText[] = "; envsweep sample machine\r\n"; // first line of every file it writes
const char kFolderMarker[] = "envsweep-sample.txt";     // file in every folder trace it creates
const char kServicePrefix[] = "envsweep sample: ";       // start of its services' display names
const char kUnlockedSddl[] = "D:(A;;KA;;;WD)";           // full access, for removing locked keys

struct SeedState {
    std::string* log;
    std::set<std::string> createdKeys;     // identities of keys this seeding created
    uint8_t ok;
};

void Note(SeedState* state, const Trace& trace, const std::string& text)
{
    *state->log += trace.source + ":" + std::to_string(trace.line) + ": " + text + "\n";
}

std::string TraceKeyText(const Trace& trace)
{
    return trace.hive + "\\" + trace.keyPath;
}

// ---- registry ----

uint8_t SetDacl(HKEY root, const std::string& path, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL)) return 0;
    uint8_t ok = 0;
    HKEY key = NULL;
    if (SampleOpenKey(root, path.c_str(), WRITE_DAC | WRITE_OWNER | READ_CONTROL, &key) == ERROR_SUCCESS ||
        SampleOpenKey(root, path.c_str(), WRITE_DAC | READ_CONTROL, &key) == ERROR_SUCCESS) {
        SECURITY_INFORMATION what = 0;
        if (strstr(sddl, "O:")) what |= OWNER_SECURITY_INFORMATION;
        if (strstr(sddl, "D:")) what |= DACL_SECURITY_INFORMATION;
        ok = RegSetKeySecurity(key, what, descriptor) == ERROR_SUCCESS ? 1 : 0;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return ok;
}

// Opens with full access; a key that refuses gets a DACL that allows everything first.
LONG OpenForRemoval(HKEY parent, const std::string& name, HKEY* key)
{
    LONG rc = SampleOpenKey(parent, name.c_str(), KEY_ALL_ACCESS, key);
    if (rc == ERROR_ACCESS_DENIED && SetDacl(parent, name, kUnlockedSddl)) {
        rc = SampleOpenKey(parent, name.c_str(), KEY_ALL_ACCESS, key);
    }
    return rc;
}

uint8_t DeleteKeyTree(HKEY parent, const std::string& name)
{
    HKEY key = NULL;
    if (OpenForRemoval(parent, name, &key) == ERROR_SUCCESS) {
        char child[1024];
        for (;;) {
            DWORD length = sizeof child;
            if (RegEnumKeyExA(key, 0, child, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
            if (!DeleteKeyTree(key, child)) break;
        }
        RegCloseKey(key);
    }
    const LONG rc = SampleDeleteKey(parent, name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

// 1 key present, 0 absent; marked: whether it carries the seeder's marker value.
uint8_t ProbeKey(HKEY root, const std::string& path, uint8_t* marked)
{
    *marked = 0;
    HKEY key = NULL;
    const LONG rc = SampleOpenKey(root, path.c_str(), KEY_READ, &key);
    if (rc == ERROR_ACCESS_DENIED) return 1;
    if (rc != ERROR_SUCCESS) return 0;
    *marked = RegQueryValueExA(key, kMarkerValue, NULL, NULL, NULL, NULL) == ERROR_SUCCESS ? 1 : 0;
    RegCloseKey(key);
    return 1;
}

// Creates root\path one component at a time, volatile where the parent demands it (Wine's
// Control\Video), and notes each key it created.
uint8_t CreateKeyChain(const std::string& hive, const std::string& path, uint8_t volatileKey, SeedState* state,
                       HKEY* out)
{
    HKEY current = HiveHandle(hive);
    uint8_t ownsCurrent = 0;
    size_t start = 0;
    std::string sofar;
    for (;;) {
        size_t slash = path.find('\\', start);
        const std::string component = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        sofar += (sofar.empty() ? "" : "\\") + component;
        HKEY child = NULL;
        DWORD disposition = 0;
        DWORD options = volatileKey ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
        const REGSAM access = KEY_ALL_ACCESS | SampleKeyFlag();
        LONG rc = RegCreateKeyExA(current, component.c_str(), 0, NULL, options, access, NULL, &child, &disposition);
        if (rc == ERROR_CHILD_MUST_BE_VOLATILE) {
            rc = RegCreateKeyExA(current, component.c_str(), 0, NULL, REG_OPTION_VOLATILE, access, NULL, &child,
                                 &disposition);
        }
        if (ownsCurrent) RegCloseKey(current);
        if (rc != ERROR_SUCCESS) return 0;
        if (disposition == REG_CREATED_NEW_KEY) {
            state->createdKeys.insert(KeyIdentity(hive, sofar));
            // Marked so that unseeding can take it away again once it holds nothing else.
            static const char kOne[] = "1";
            RegSetValueExA(child, kContainerValue, 0, REG_SZ, (const BYTE*)kOne, sizeof kOne);
        }
        current = child;
        ownsCurrent = 1;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    *out = current;
    return 1;
}

std::vector<BYTE> ValueBytes(DWORD type, const std::string& text, uint8_t unterminated = 0)
{
    std::vector<BYTE> bytes;
    if (type == REG_DWORD) {
        const DWORD number = (DWORD)strtoul(text.c_str(), NULL, 0);
        bytes.resize(4);
        memcpy(bytes.data(), &number, 4);
    } else if (type == REG_BINARY) {
        for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back((BYTE)strtoul(text.substr(i, 2).c_str(), NULL, 16));
    } else if (type == REG_MULTI_SZ) {
        const std::string expanded = ExpandMacros(text);
        for (size_t i = 0; i < expanded.size(); i++) bytes.push_back(expanded[i] == '|' ? 0 : (BYTE)expanded[i]);
        bytes.push_back(0);
        bytes.push_back(0);
    } else {
        const std::string expanded = ExpandMacros(text);
        bytes.assign(expanded.begin(), expanded.end());
        if (!unterminated) bytes.push_back(0);
    }
    return bytes;
}

// 1 when the value exists; same: whether it holds exactly type and bytes.
uint8_t ProbeValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::vector<BYTE>& bytes,
                   uint8_t* same)
{
    *same = 0;
    HKEY key = NULL;
    if (SampleOpenKey(root, path.c_str(), KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD size = 0, stored = 0;
    LONG rc = RegQueryValueExA(key, name, NULL, &stored, NULL, &size);
    if (rc == ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1);
        rc = RegQueryValueExA(key, name, NULL, &stored, data.data(), &size);
        data.resize(size);
        // An unterminated string reads back with the terminator the read adds.
        std::vector<BYTE> terminated = bytes;
        terminated.push_back(0);
        *same = rc == ERROR_SUCCESS && stored == type &&
                (data == bytes || (type == REG_SZ && data == terminated)) ? 1 : 0;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

void RemoveKeyTrace(const Trace& trace, SeedState* state)
{
    const HKEY root = HiveHandle(trace.hive);
    if (!trace.sddl.empty()) SetDacl(root, trace.keyPath, kUnlockedSddl);
    uint8_t marked = 0;
    if (!ProbeKey(root, trace.keyPath, &marked)) return;
    if (!marked) {
        Note(state, trace, TraceKeyText(trace) + " is not the seeder's (no marker value): left alone");
        state->ok = 0;
        return;
    }
    const size_t slash = trace.keyPath.find_last_of('\\');
    HKEY parent = root;
    uint8_t ownsParent = 0;
    if (slash != std::string::npos) {
        if (SampleOpenKey(root, trace.keyPath.substr(0, slash).c_str(), KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS) {
            Note(state, trace, "cannot open the parent of " + TraceKeyText(trace));
            state->ok = 0;
            return;
        }
        ownsParent = 1;
    }
    if (!DeleteKeyTree(parent, slash == std::string::npos ? trace.keyPath : trace.keyPath.substr(slash + 1))) {
        Note(state, trace, "cannot remove " + TraceKeyText(trace));
        state->ok = 0;
    }
    if (ownsParent) RegCloseKey(parent);
}

void CreateKeyTrace(const Trace& trace, SeedState* state)
{
    const HKEY root = HiveHandle(trace.hive);
    uint8_t marked = 0;
    if (ProbeKey(root, trace.keyPath, &marked) && !marked &&
        state->createdKeys.count(KeyIdentity(trace.hive, trace.keyPath)) == 0) {
        Note(state, trace, TraceKeyText(trace) + " exists and is not the seeder's: not seeded");
        state->ok = 0;
        return;
    }
    HKEY key = NULL;
    if (!CreateKeyChain(trace.hive, trace.keyPath, trace.volatileKey, state, &key)) {
        Note(state, trace, "cannot create " + TraceKeyText(trace));
        state->ok = 0;
        return;
    }
    static const char kOne[] = "1";
    RegSetValueExA(key, kMarkerValue, 0, REG_SZ, (const BYTE*)kOne, sizeof kOne);
    RegCloseKey(key);
    if (!trace.sddl.empty() && !SetDacl(root, trace.keyPath, trace.sddl.c_str())) {
        Note(state, trace, "cannot set the security of " + TraceKeyText(trace));
        state->ok = 0;
    }
}

void RemoveValueTrace(const Trace& trace, SeedState* state)
{
    const HKEY root = HiveHandle(trace.hive);
    const std::string name = ExpandMacros(trace.valueName);
    const char* valueName = trace.hasValueName ? name.c_str() : NULL;
    uint8_t same = 0;
    if (!ProbeValue(root, trace.keyPath, valueName, trace.valueType,
                    ValueBytes(trace.valueType, trace.data, trace.unterminated), &same))
        return;
    if (!same && trace.type == kTraceList)
        ProbeValue(root, trace.keyPath, valueName, REG_SZ, ValueBytes(REG_SZ, trace.dataAfter), &same);
    if (!same) {
        Note(state, trace, TraceKeyText(trace) + " value " + name + " holds other data: left alone");
        state->ok = 0;
        return;
    }
    HKEY key = NULL;
    if (SampleOpenKey(root, trace.keyPath.c_str(), KEY_SET_VALUE, &key) != ERROR_SUCCESS ||
        RegDeleteValueA(key, valueName) != ERROR_SUCCESS) {
        Note(state, trace, "cannot remove " + TraceKeyText(trace) + " value " + name);
        state->ok = 0;
    }
    if (key) RegCloseKey(key);
}

void CreateValueTrace(const Trace& trace, SeedState* state)
{
    const HKEY root = HiveHandle(trace.hive);
    const std::string name = ExpandMacros(trace.valueName);
    const char* valueName = trace.hasValueName ? name.c_str() : NULL;
    const std::vector<BYTE> bytes = ValueBytes(trace.valueType, trace.data, trace.unterminated);
    uint8_t same = 0;
    if (ProbeValue(root, trace.keyPath, valueName, trace.valueType, bytes, &same) && !same) {
        Note(state, trace, TraceKeyText(trace) + " value " + name + " exists with other data: not seeded");
        state->ok = 0;
        return;
    }
    HKEY key = NULL;
    if (!CreateKeyChain(trace.hive, trace.keyPath, 0, state, &key) ||
        RegSetValueExA(key, valueName, 0, trace.valueType, bytes.data(), (DWORD)bytes.size()) != ERROR_SUCCESS) {
        Note(state, trace, "cannot set " + TraceKeyText(trace) + " value " + name);
        state->ok = 0;
    }
    if (key) RegCloseKey(key);
}

}  // namespace

// File, folder and service traces are in sample_seed_files.cpp.
void RemoveFileTrace(const Trace& trace, std::string* log, uint8_t* ok);
void CreateFileTrace(const Trace& trace, std::string* log, uint8_t* ok);
void RemoveServiceTrace(const Trace& trace, std::string* log, uint8_t* ok);
void CreateServiceTrace(const Trace& trace, std::string* log, uint8_t* ok);

// A trace that names a folder this machine lacks (the 32-bit half's on 32-bit Windows) is left
// alone: its path would come out relative.
static uint8_t Placeable(const Trace& trace, SeedState* state)
{
    if (MacrosKnown(trace.path) && MacrosKnown(trace.data) && MacrosKnown(trace.dataAfter) &&
        MacrosKnown(trace.valueName))
        return 1;
    Note(state, trace, "names a folder this machine does not have: left alone");
    state->ok = 0;
    return 0;
}

static void RemoveTrace(const Trace& trace, SeedState* state)
{
    if (!Placeable(trace, state)) return;
    switch (trace.type) {
    case kTraceKey: RemoveKeyTrace(trace, state); break;
    case kTraceValue:
    case kTraceList: RemoveValueTrace(trace, state); break;
    case kTraceService: RemoveServiceTrace(trace, state->log, &state->ok); break;
    default: RemoveFileTrace(trace, state->log, &state->ok); break;
    }
}

static void CreateTrace(const Trace& trace, SeedState* state)
{
    if (!Placeable(trace, state)) return;
    switch (trace.type) {
    case kTraceKey: CreateKeyTrace(trace, state); break;
    case kTraceValue:
    case kTraceList: CreateValueTrace(trace, state); break;
    case kTraceService: CreateServiceTrace(trace, state->log, &state->ok); break;
    default: CreateFileTrace(trace, state->log, &state->ok); break;
    }
}

static uint8_t Wanted(const Trace& trace, uint32_t families)
{
    if (trace.finders.empty()) return 1;
    for (size_t i = 0; i < trace.finders.size(); i++) {
        if ((families >> trace.finders[i].family) & 1u) return 1;
    }
    return 0;
}

// Removes, from path up towards its hive, the keys the seeder created only on the way to a
// trace, once they hold nothing but their container mark. Keys the machine had stay.
static void RemoveEmptyContainers(const std::string& hive, std::string path)
{
    const HKEY root = HiveHandle(hive);
    while (!path.empty()) {
        HKEY key = NULL;
        if (SampleOpenKey(root, path.c_str(), KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD subkeys = 0, values = 0;
            RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
            const uint8_t container = RegQueryValueExA(key, kContainerValue, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
            RegCloseKey(key);
            if (!container || subkeys != 0 || values != 1) return;
            if (SampleDeleteKey(root, path.c_str()) != ERROR_SUCCESS) return;
        }
        const size_t slash = path.find_last_of('\\');
        if (slash == std::string::npos) break;
        path.resize(slash);
    }
}

uint8_t UnseedMachine(const SampleMachine& machine, std::string* log)
{
    SeedState state;
    state.log = log;
    state.ok = 1;
    // Deepest first: later lines may lie inside earlier ones.
    for (size_t i = machine.traces.size(); i-- > 0;) RemoveTrace(machine.traces[i], &state);
    for (size_t i = machine.traces.size(); i-- > 0;) {
        const Trace& trace = machine.traces[i];
        if (trace.type == kTraceKey || trace.type == kTraceValue || trace.type == kTraceList)
            RemoveEmptyContainers(trace.hive, trace.keyPath);
    }
    return state.ok;
}

uint8_t SeedMachine(const SampleMachine& machine, std::string* log, uint32_t families)
{
    uint8_t ok = UnseedMachine(machine, log);
    SeedState state;
    state.log = log;
    state.ok = 1;
    for (size_t i = 0; i < machine.traces.size(); i++) {
        if (Wanted(machine.traces[i], families)) CreateTrace(machine.traces[i], &state);
    }
    return (uint8_t)(ok & state.ok);
}

// 1 when a registry trace is not on the machine: its key, or its value, is missing.
static uint8_t RegistryTraceMissing(const Trace& trace)
{
    const HKEY root = HiveHandle(trace.hive);
    uint8_t marked = 0;
    if (trace.type == kTraceKey) return ProbeKey(root, trace.keyPath, &marked) ? 0 : 1;
    HKEY key = NULL;
    if (SampleOpenKey(root, trace.keyPath.c_str(), KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 1;
    const std::string name = ExpandMacros(trace.valueName);
    const LONG rc = RegQueryValueExA(key, trace.hasValueName ? name.c_str() : NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

uint8_t RefreshMachine(const SampleMachine& machine, std::string* log, int32_t* restored, uint32_t families)
{
    SeedState state;
    state.log = log;
    state.ok = 1;
    *restored = 0;
    for (size_t i = 0; i < machine.traces.size(); i++) {
        const Trace& trace = machine.traces[i];
        if (trace.type > kTraceList || !Wanted(trace, families)) continue;
        if (trace.sddl.empty() && !RegistryTraceMissing(trace)) continue;
        CreateTrace(trace, &state);
        (*restored)++;
    }
    return state.ok;
}

uint8_t SeedMachineOnce(const SampleMachine& machine, std::string* log, uint32_t families)
{
    static uint8_t taken = 0;
    char seeded[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("ENVSWEEP_SEEDED", seeded, sizeof seeded);
    if (!taken && families == 0xFFFFFFFFu && length > 0 && length < sizeof seeded &&
        lstrcmpiA(seeded, machine.description.c_str()) == 0) {
        taken = 1;
        return 1;
    }
    return SeedMachine(machine, log, families);
}

// The marker constants, shared with the file and service half.
const char* SeedMarkerText() { return kMarkerText; }
const char* SeedFolderMarker() { return kFolderMarker; }
const char* SeedServicePrefix() { return kServicePrefix; }
