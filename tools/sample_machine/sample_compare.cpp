// The before/after comparison: what a run over a mask removed, what the description expected it
// to remove that is still there, and whatever changed that should not have.
#include "sample_machine.h"
#include <shlobj.h>
#include <string.h>
#include "model/products.h"
#include "platform/path_ops.h"

namespace {

typedef std::map<std::string, std::vector<size_t> > Locations;

// The identity under which a trace stands, and whether lines below it belong to it too.
std::string TraceLocation(const Trace& trace, uint8_t* coversBelow)
{
    *coversBelow = 0;
    switch (trace.type) {
    case kTraceKey:
        *coversBelow = 1;
        return KeyIdentity(trace.hive, trace.keyPath);
    case kTraceService:
        *coversBelow = 1;
        return KeyIdentity("HKLM", "System\\CurrentControlSet\\Services\\" + trace.path);
    case kTraceValue:
    case kTraceList:
        return ValueIdentity(trace.hive, trace.keyPath, trace.hasValueName ? ExpandMacros(trace.valueName) : "");
    case kTraceFolder:
        *coversBelow = 1;
        return FileIdentity(ExpandMacros(trace.path));
    default:
        return FileIdentity(ExpandMacros(trace.path));
    }
}

// The identities a line lies at or below, nearest first.
std::vector<std::string> Ancestry(const std::string& identity)
{
    std::vector<std::string> chain;
    chain.push_back(identity);
    std::string path;
    std::string tag;
    if (identity.compare(0, 2, "V\t") == 0) {
        const size_t tab = identity.find('\t', 2);
        path = identity.substr(2, tab == std::string::npos ? std::string::npos : tab - 2);
        tag = "K\t";
        chain.push_back(tag + path);
    } else {
        path = identity.substr(2);
        tag = identity.substr(0, 2);
    }
    for (;;) {
        const size_t slash = path.find_last_of('\\');
        if (slash == std::string::npos) break;
        path = path.substr(0, slash);
        chain.push_back(tag + path);
    }
    return chain;
}

// The list value's line as the rewrite leaves it: type REG_SZ, the data after.
std::string RewrittenLine(const std::string& before, const Trace& trace)
{
    std::vector<size_t> tabs;
    for (size_t i = 0; i < before.size() && tabs.size() < 3; i++) {
        if (before[i] == '\t') tabs.push_back(i);
    }
    if (tabs.size() < 3) return std::string();
    const std::string after = ExpandMacros(trace.dataAfter);
    return before.substr(0, tabs[2]) + "\tREG_SZ\t" + EscapeText(after.c_str(), after.size() + 1);
}

int32_t ReportFamily(const Trace& trace, uint32_t mask, uint8_t restricted)
{
    for (size_t i = 0; i < trace.finders.size(); i++) {
        if (FinderActive(trace.finders[i], mask, restricted)) return trace.finders[i].family;
    }
    return trace.finders.empty() ? -1 : trace.finders[0].family;
}

uint8_t Seeded(const Trace& trace, uint32_t families)
{
    if (trace.finders.empty()) return 1;
    for (size_t i = 0; i < trace.finders.size(); i++) {
        if ((families >> trace.finders[i].family) & 1u) return 1;
    }
    return 0;
}

}  // namespace

// 1 when the identity's text (after its tag) is own or lies below it; withSuffix also takes
// own-N, the names envsweep's backup root takes when its own name was taken.
static uint8_t UnderOwn(const std::string& identity, const std::string& own, uint8_t withSuffix)
{
    if (identity.size() < 2 || identity.compare(2, own.size(), own) != 0) return 0;
    size_t end = 2 + own.size();
    if (withSuffix && end < identity.size() && identity[end] == '-') {
        size_t digits = end + 1;
        while (digits < identity.size() && identity[digits] >= '0' && identity[digits] <= '9') digits++;
        if (digits > end + 1) end = digits;
    }
    return end == identity.size() || identity[end] == '\\' || identity[end] == '\t' ? 1 : 0;
}

uint8_t IsOwnOutputLine(const std::string& identity)
{
    // The backup places (the user's own of older versions, the common one envsweep makes) and
    // the key that records them, in the program's own half and as the 64-bit half names it.
    static std::string legacy, common;
    static const std::string keys[] = {KeyIdentity("HKLM", "Software\\envsweep").substr(2),
                                       KeyIdentity("HKLM", "Software\\Wow6432Node\\envsweep").substr(2)};
    if (legacy.empty() || common.empty()) {
        char folder[MAX_PATH] = "";
        if (!SpecialFolderPath(CSIDL_LOCAL_APPDATA, folder)) return 0;
        std::string root = folder;
        if (!root.empty() && root.back() == '\\') root.pop_back();
        legacy = FileIdentity(root + "\\envsweep").substr(2);
        if (!SpecialFolderPath(CSIDL_COMMON_APPDATA, folder)) return 0;
        root = folder;
        if (!root.empty() && root.back() == '\\') root.pop_back();
        common = FileIdentity(root + "\\envsweep").substr(2);
    }
    return UnderOwn(identity, legacy, 0) || UnderOwn(identity, common, 1) || UnderOwn(identity, keys[0], 0) ||
                   UnderOwn(identity, keys[1], 0)
               ? 1
               : 0;
}

void CompareSnapshots(const SampleMachine& machine, const Snapshot& before, const Snapshot& after, uint32_t mask,
                      uint8_t restricted, Comparison* comparison)
{
    comparison->outcomes.clear();
    comparison->unexpectedRemoved.clear();
    comparison->unexpectedAdded.clear();
    comparison->unexpectedChanged.clear();
    comparison->survivedInUse.clear();
    comparison->ownOutput.clear();
    comparison->missingBefore.clear();
    comparison->excludedLines = 0;
    comparison->mask = mask;
    comparison->restricted = restricted;

    Locations exact;   // value and file traces, and key-like traces at their own line
    Locations below;   // key, service and folder traces, for the lines beneath them
    std::vector<uint8_t> active(machine.traces.size());
    for (size_t i = 0; i < machine.traces.size(); i++) {
        uint8_t coversBelow = 0;
        const std::string location = TraceLocation(machine.traces[i], &coversBelow);
        exact[location].push_back(i);
        if (coversBelow) below[location].push_back(i);
        active[i] = TraceActive(machine.traces[i], mask, restricted);
        if (before.lines.count(location) == 0 && Seeded(machine.traces[i], comparison->seededFamilies))
            comparison->missingBefore.push_back(machine.traces[i].source + ":" + std::to_string(machine.traces[i].line) +
                                                " " + location.substr(2));
    }

    std::map<size_t, size_t> outcomeOf;   // trace index -> outcome index
    for (std::map<std::string, std::string>::const_iterator it = before.lines.begin(); it != before.lines.end(); ++it) {
        const std::string& identity = it->first;
        if (IsExcludedLine(identity)) {
            comparison->excludedLines++;
            continue;
        }
        if (IsOwnOutputLine(identity)) {
            std::map<std::string, std::string>::const_iterator later = after.lines.find(identity);
            if (later == after.lines.end() || later->second != it->second) comparison->ownOutput.push_back(it->second);
            continue;
        }
        // The nearest active trace at or above the line decides; a list value rewritten in
        // place only counts at its own line.
        const std::vector<std::string> chain = Ancestry(identity);
        long owner = -1;
        uint8_t ownerAtLine = 0;
        for (size_t c = 0; c < chain.size() && owner < 0; c++) {
            const Locations& table = c == 0 ? exact : below;
            Locations::const_iterator found = table.find(chain[c]);
            if (found == table.end()) continue;
            for (size_t t = 0; t < found->second.size(); t++) {
                if (active[found->second[t]]) {
                    owner = (long)found->second[t];
                    ownerAtLine = c == 0 ? 1 : 0;
                    break;
                }
            }
        }
        std::map<std::string, std::string>::const_iterator later = after.lines.find(identity);
        if (owner < 0) {
            if (later == after.lines.end()) comparison->unexpectedRemoved.push_back(it->second);
            else if (later->second != it->second) comparison->unexpectedChanged.push_back(it->second + "  ->  " + later->second);
            continue;
        }
        const Trace& trace = machine.traces[owner];
        if (outcomeOf.count(owner) == 0) {
            outcomeOf[owner] = comparison->outcomes.size();
            TraceOutcome outcome;
            outcome.trace = &trace;
            outcome.expected = 1;
            comparison->outcomes.push_back(outcome);
        }
        TraceOutcome& outcome = comparison->outcomes[outcomeOf[owner]];
        if (trace.type == kTraceList && ownerAtLine) {
            const std::string wanted = RewrittenLine(it->second, trace);
            if (later != after.lines.end() && later->second == wanted) outcome.removed.push_back(it->second + "  ->  " + later->second);
            else outcome.remaining.push_back(it->second + (later == after.lines.end() ? "  ->  (gone)" : "  ->  " + later->second));
            continue;
        }
        if (later == after.lines.end()) {
            outcome.removed.push_back(it->second);
        } else if (trace.inUse) {
            comparison->survivedInUse.push_back(it->second);
        } else {
            outcome.remaining.push_back(it->second);
        }
    }
    for (std::map<std::string, std::string>::const_iterator it = after.lines.begin(); it != after.lines.end(); ++it) {
        if (before.lines.count(it->first)) continue;
        if (IsExcludedLine(it->first)) {
            comparison->excludedLines++;
            continue;
        }
        if (IsOwnOutputLine(it->first)) {
            comparison->ownOutput.push_back(it->second);
            continue;
        }
        comparison->unexpectedAdded.push_back(it->second);
    }

    uint8_t exactResult = comparison->unexpectedRemoved.empty() && comparison->unexpectedAdded.empty() &&
                          comparison->unexpectedChanged.empty() && comparison->missingBefore.empty() ? 1 : 0;
    for (size_t i = 0; i < comparison->outcomes.size(); i++) {
        if (!comparison->outcomes[i].remaining.empty()) exactResult = 0;
    }
    comparison->exact = exactResult;
}

static void PrintLines(std::string* out, const char* title, const std::vector<std::string>& lines)
{
    if (lines.empty()) return;
    *out += std::string(title) + ": " + std::to_string(lines.size()) + "\n";
    for (size_t i = 0; i < lines.size(); i++) *out += "  " + lines[i] + "\n";
}

void PrintReport(const Comparison& comparison, FILE* out)
{
    fputs(ReportText(comparison).c_str(), out);
}

std::string ReportText(const Comparison& comparison)
{
    std::string out = "Run over mask " + std::to_string(comparison.mask) +
                      (comparison.restricted ? " in the restricted mode (/X)\n" : "\n");
    // Removed traces by family and category.
    std::map<int32_t, std::map<std::string, int> > byFamily;
    std::map<int32_t, int> linesByFamily;
    int traces = 0, lines = 0;
    std::vector<std::string> remaining;
    for (size_t i = 0; i < comparison.outcomes.size(); i++) {
        const TraceOutcome& outcome = comparison.outcomes[i];
        const Trace& trace = *outcome.trace;
        const int32_t family = ReportFamily(trace, comparison.mask, comparison.restricted);
        if (!outcome.removed.empty() && outcome.remaining.empty()) {
            byFamily[family][trace.category]++;
            linesByFamily[family] += (int)outcome.removed.size();
            traces++;
            lines += (int)outcome.removed.size();
        }
        for (size_t r = 0; r < outcome.remaining.size(); r++) {
            remaining.push_back("[family " + std::to_string(family) + ", " + trace.category + ", " + trace.source + ":" +
                                std::to_string(trace.line) + "] " + outcome.remaining[r]);
        }
    }
    out += "Removed as the description expects: " + std::to_string(traces) + " traces (" + std::to_string(lines) + " lines)\n";
    for (std::map<int32_t, std::map<std::string, int> >::const_iterator f = byFamily.begin(); f != byFamily.end(); ++f) {
        int count = 0;
        std::string categories;
        for (std::map<std::string, int>::const_iterator c = f->second.begin(); c != f->second.end(); ++c) {
            count += c->second;
            categories += (categories.empty() ? "" : ", ") + c->first + " " + std::to_string(c->second);
        }
        char head[96];
        snprintf(head, sizeof head, "  family %2d %-20s %4d traces, %5d lines: ", (int)f->first, ProductName(f->first),
                 count, linesByFamily[f->first]);
        out += head + categories + "\n";
    }
    PrintLines(&out, "Expected to be removed, still there", remaining);
    PrintLines(&out, "Removed, not expected to be", comparison.unexpectedRemoved);
    PrintLines(&out, "Changed, not expected to be", comparison.unexpectedChanged);
    PrintLines(&out, "Added, not expected to be", comparison.unexpectedAdded);
    PrintLines(&out, "Described, but not on the machine before the run", comparison.missingBefore);
    PrintLines(&out, "Held open during the run and still there (allowed)", comparison.survivedInUse);
    out += "Lines written or changed by envsweep in its backup folder (allowed): " +
           std::to_string(comparison.ownOutput.size()) + "\n";
    out += "Lines left out as Wine's own bookkeeping: " + std::to_string(comparison.excludedLines) + "\n";
    out += std::string("Comparison: ") + (comparison.exact ? "exact" : "NOT exact") + "\n";
    return out;
}
