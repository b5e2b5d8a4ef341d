// Reading the sample machine's description: one trace per line, tab-separated fields.
//
//   FINDERS  CATEGORY  key      HIVE\path  [volatile] [sddl=SDDL]
//   FINDERS  CATEGORY  value    HIVE\path  NAME  TYPE  DATA
//   FINDERS  CATEGORY  list     HIVE\path  NAME  BEFORE  AFTER
//   FINDERS  CATEGORY  file     PATH       [inuse] [text=TEXT | raw=BYTES]
//   FINDERS  CATEGORY  folder   PATH
//   FINDERS  CATEGORY  service  NAME       own|kernel  BINARY-PATH
//   include  FILE
//
// FINDERS is "-" for software that must survive, or a comma-separated list of
// FAMILY:SOURCE[:TAG], SOURCE being kN (registry rule of kind N), file, svc, inf or inst.
// NAME "@" is a key's default value. TYPE is sz, szraw (REG_SZ stored without its terminator),
// expand, dword, multi ("|" between the strings) or binary (hex). "\n" in a file's TEXT is a
// line break. raw= gives a file's whole content (no marker line; the file is the seeder's when
// it holds exactly these bytes) as hex pieces joined by "+", each optionally repeated ("0d0a*3"). Paths, value names and value
// data may hold the folder macros that ExpandMacros knows.
#include "sample_machine.h"
#include <stdlib.h>
#include <string.h>
#include "platform/ascii_case.h"
#include "tables/registry_kinds.h"

static std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

static uint8_t ParseFinders(const std::string& text, std::vector<TraceFinder>* finders)
{
    if (text == "-") return 1;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(start, comma - start);
        const size_t colon = item.find(':');
        if (colon == std::string::npos || colon == 0) return 0;
        TraceFinder finder;
        char* end = NULL;
        finder.family = (int32_t)strtol(item.c_str(), &end, 10);
        if (end != item.c_str() + colon || finder.family < 0 || finder.family > 31) return 0;
        std::string source = item.substr(colon + 1);
        const size_t tagColon = source.find(':');
        if (tagColon != std::string::npos) {
            finder.tag = source.substr(tagColon + 1);
            source = source.substr(0, tagColon);
        }
        finder.kind = -1;
        if (source.size() >= 2 && source[0] == 'k') {
            finder.source = kFinderRegistryRule;
            finder.kind = (int32_t)strtol(source.c_str() + 1, &end, 10);
            if (*end != '\0') return 0;
        } else if (source == "file") {
            finder.source = kFinderFileRule;
        } else if (source == "svc") {
            finder.source = kFinderService;
        } else if (source == "inf") {
            finder.source = kFinderInf;
        } else if (source == "inst") {
            finder.source = kFinderInstallFolder;
        } else {
            return 0;
        }
        finders->push_back(finder);
        start = comma + 1;
    }
    return finders->empty() ? 0 : 1;
}

static uint8_t SplitKey(const std::string& text, Trace* trace)
{
    const size_t slash = text.find('\\');
    if (slash == std::string::npos || slash == 0 || slash + 1 >= text.size()) return 0;
    trace->hive = text.substr(0, slash);
    trace->keyPath = text.substr(slash + 1);
    return HiveHandle(trace->hive) != NULL ? 1 : 0;
}

static uint8_t ParseValueType(const std::string& text, DWORD* type, uint8_t* unterminated)
{
    *unterminated = text == "szraw" ? 1 : 0;
    if (text == "sz" || text == "szraw") *type = REG_SZ;
    else if (text == "expand") *type = REG_EXPAND_SZ;
    else if (text == "dword") *type = REG_DWORD;
    else if (text == "multi") *type = REG_MULTI_SZ;
    else if (text == "binary") *type = REG_BINARY;
    else return 0;
    return 1;
}

// "HEX[*N]+HEX[*N]...": the bytes, each piece repeated N times. 0 on a malformed text.
static uint8_t ParseRawContent(const std::string& text, std::string* out)
{
    out->clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t plus = text.find('+', start);
        if (plus == std::string::npos) plus = text.size();
        const std::string piece = text.substr(start, plus - start);
        const size_t star = piece.find('*');
        const std::string hex = piece.substr(0, star);
        const long repeat = star == std::string::npos ? 1 : strtol(piece.c_str() + star + 1, NULL, 10);
        if (hex.size() % 2 != 0 || repeat < 1 || repeat > 1000000) return 0;
        std::string bytes;
        for (size_t i = 0; i < hex.size(); i += 2) {
            char* end = NULL;
            const std::string pair = hex.substr(i, 2);
            bytes += (char)strtoul(pair.c_str(), &end, 16);
            if (*end != '\0') return 0;
        }
        for (long r = 0; r < repeat; r++) *out += bytes;
        start = plus + 1;
    }
    return 1;
}

static std::string UnescapeText(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            i++;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Parses the fields after FINDERS and CATEGORY. 0 on a malformed line.
static uint8_t ParseTrace(const std::vector<std::string>& f, Trace* trace)
{
    const std::string& type = f[2];
    if (type == "key") {
        trace->type = kTraceKey;
        if (f.size() < 4 || !SplitKey(f[3], trace)) return 0;
        for (size_t i = 4; i < f.size(); i++) {
            if (f[i] == "volatile") trace->volatileKey = 1;
            else if (f[i].compare(0, 5, "sddl=") == 0) trace->sddl = f[i].substr(5);
            else if (!f[i].empty()) return 0;
        }
        return 1;
    }
    if (type == "value" || type == "list") {
        trace->type = type == "value" ? kTraceValue : kTraceList;
        if (f.size() != 7 || !SplitKey(f[3], trace)) return 0;
        trace->hasValueName = f[4] == "@" ? 0 : 1;
        trace->valueName = f[4] == "@" ? "" : f[4];
        if (trace->type == kTraceList) {
            trace->valueType = REG_SZ;
            trace->data = f[5];
            trace->dataAfter = f[6];
            return 1;
        }
        trace->data = f[6];
        return ParseValueType(f[5], &trace->valueType, &trace->unterminated);
    }
    if (type == "file" || type == "folder") {
        trace->type = type == "file" ? kTraceFile : kTraceFolder;
        if (f.size() < 4 || f[3].empty()) return 0;
        trace->path = f[3];
        for (size_t i = 4; i < f.size(); i++) {
            if (trace->type == kTraceFile && f[i] == "inuse") trace->inUse = 1;
            else if (trace->type == kTraceFile && f[i].compare(0, 5, "text=") == 0) trace->data = UnescapeText(f[i].substr(5));
            else if (trace->type == kTraceFile && f[i].compare(0, 4, "raw=") == 0) {
                if (!ParseRawContent(f[i].substr(4), &trace->data)) return 0;
                trace->rawContent = 1;
            }
            else if (!f[i].empty()) return 0;
        }
        return 1;
    }
    if (type == "service") {
        trace->type = kTraceService;
        if (f.size() != 6 || f[3].empty() || (f[4] != "own" && f[4] != "kernel")) return 0;
        trace->path = f[3];
        trace->serviceKernel = f[4] == "kernel" ? 1 : 0;
        trace->data = f[5];
        return 1;
    }
    return 0;
}

static uint8_t LoadFile(const std::string& path, SampleMachine* machine, std::string* error, int depth)
{
    if (depth > 4) {
        *error = path + ": includes nested too deep";
        return 0;
    }
    FILE* file = fopen(path.c_str(), "rb");
    if (file == NULL) {
        *error = path + ": cannot be opened";
        return 0;
    }
    std::string folder = path;
    const size_t cut = folder.find_last_of("\\/");
    folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
    const size_t nameAt = cut == std::string::npos ? 0 : cut + 1;
    const std::string name = path.substr(nameAt);

    uint8_t ok = 1;
    static char buffer[65536];   // generated machines hold long key paths and file contents
    int32_t lineNumber = 0;
    while (ok && fgets(buffer, sizeof buffer, file) != NULL) {
        lineNumber++;
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = SplitTabs(line);
        if (f[0] == "include" && f.size() == 2) {
            ok = LoadFile(folder + f[1], machine, error, depth + 1);
            continue;
        }
        Trace trace;
        trace.line = lineNumber;
        trace.source = name;
        trace.type = -1;
        trace.hasValueName = 0;
        trace.valueType = REG_NONE;
        trace.serviceKernel = 0;
        trace.volatileKey = 0;
        trace.inUse = 0;
        trace.unterminated = 0;
        trace.rawContent = 0;
        if (f.size() < 4 || !ParseFinders(f[0], &trace.finders) || f[1].empty() || !ParseTrace(f, &trace)) {
            *error = name + ":" + std::to_string(lineNumber) + ": malformed line: " + line;
            ok = 0;
            break;
        }
        trace.category = f[1];
        machine->traces.push_back(trace);
    }
    fclose(file);
    return ok;
}

uint8_t LoadDescription(const char* path, SampleMachine* machine, std::string* error)
{
    machine->traces.clear();
    machine->description = path;
    return LoadFile(path, machine, error, 0);
}

const char* DefaultDescriptionPath()
{
#ifdef ENVSWEEP_SAMPLE_DESCRIPTION
    return ENVSWEEP_SAMPLE_DESCRIPTION;
#else
    return "machine.txt";
#endif
}

const char* DefaultDescription64Path()
{
    static std::string path;
    if (path.empty()) {
        path = DefaultDescriptionPath();
        const size_t cut = path.find_last_of("\\/");
        path = (cut == std::string::npos ? std::string() : path.substr(0, cut + 1)) + "machine64.txt";
    }
    return path.c_str();
}

std::string FinderText(const TraceFinder& finder)
{
    std::string text = std::to_string(finder.family) + ":";
    switch (finder.source) {
    case kFinderRegistryRule: text += "k" + std::to_string(finder.kind); break;
    case kFinderFileRule: text += "file"; break;
    case kFinderService: text += "svc"; break;
    case kFinderInf: text += "inf"; break;
    default: text += "inst"; break;
    }
    if (!finder.tag.empty()) text += ":" + finder.tag;
    return text;
}

std::string FindersText(const std::vector<TraceFinder>& finders)
{
    if (finders.empty()) return "-";
    std::string text;
    for (size_t i = 0; i < finders.size(); i++) text += (i ? "," : "") + FinderText(finders[i]);
    return text;
}

// The mode-tag test of the restricted run: no tag, or "heavy" in any ASCII letter case.
static uint8_t TagPasses(const std::string& tag)
{
    return tag.empty() || AsciiEqualNoCase(tag.c_str(), "heavy") ? 1 : 0;
}

uint8_t FinderActive(const TraceFinder& finder, uint32_t mask, uint8_t restricted)
{
    if (finder.family < 0 || finder.family > 31 || ((mask >> finder.family) & 1u) == 0) return 0;
    if (!restricted || finder.source != kFinderRegistryRule) return 1;
    switch (RegistryKind(finder.kind).restricted) {
    case kRestrictedNever:
        return 0;
    case kRestrictedFamilyOne:
        return finder.family == 1 && TagPasses(finder.tag) ? 1 : 0;
    case kRestrictedAlways:
        return 1;
    default:
        return TagPasses(finder.tag);
    }
}

uint8_t TraceActive(const Trace& trace, uint32_t mask, uint8_t restricted)
{
    uint8_t active = 0;
    for (size_t i = 0; i < trace.finders.size(); i++) active = (uint8_t)(active | FinderActive(trace.finders[i], mask, restricted));
    return active;
}
