// End to end: "/L <file>" over the seeded sample machine lists exactly what the clean-up then
// deletes, says for each item which table row found it, and changes nothing on the machine.
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "clean/backup.h"
#include "clean/found_list_file.h"
#include "model/products.h"
#include "sample_machine.h"
#include "support/helpers.h"

namespace {

const char kListFolder[] = "C:\\envsweep-list\\";   // outside every folder a snapshot walks

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + separator.size();
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines = Split(text, "\r\n");
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

std::string Lower(std::string text)
{
    if (!text.empty()) CharLowerBuffA(&text[0], (DWORD)text.size());
    return text;
}

uint8_t StartsWith(const std::string& text, const std::string& start)
{
    return Lower(text).compare(0, start.size(), Lower(start)) == 0 ? 1 : 0;
}

uint8_t EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && Lower(text.substr(text.size() - end.size())) == Lower(end) ? 1 : 0;
}

// RunCaptured with its output files in the list's folder, removed again afterwards.
DWORD RunHere(const std::string& program, const std::string& arguments, std::string* out, std::string* err)
{
    const DWORD code = RunCaptured(program, arguments, kListFolder, out, err, 600000);
    DeleteFileA((std::string(kListFolder) + "out.txt").c_str());
    DeleteFileA((std::string(kListFolder) + "err.txt").c_str());
    return code;
}

// The names in a folder (without "." and ".."), sorted.
std::vector<std::string> Entries(const std::string& folder)
{
    std::map<std::string, int> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return {};
    do names[data.cFileName] = 1;
    while (FindNextFileA(find, &data));
    FindClose(find);
    std::vector<std::string> result;
    for (const auto& entry : names) {
        if (entry.first != "." && entry.first != "..") result.push_back(entry.first);
    }
    return result;
}

// One table as envsweep-tables prints it: row number -> its fields.
std::map<int, std::vector<std::string>> PrintedTable(const char* name)
{
    std::map<int, std::vector<std::string>> rows;
    std::string out, err;
    if (RunHere("envsweep-tables.exe", name, &out, &err) != 0) return rows;
    const std::vector<std::string> lines = Split(out, "\n");
    for (size_t i = 1; i < lines.size(); i++) {
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) rows[atoi(line.c_str())] = Split(line, "\t");
    }
    return rows;
}

struct PrintedTables {
    std::map<int, std::vector<std::string>> registry, files, inf, installFolders;
};

// The number after text in why ("registry rule 12, kind 4" and "registry rule " give 12); -1 when
// why does not hold text.
int NumberAfter(const std::string& why, const std::string& text)
{
    const size_t at = why.find(text);
    return at == std::string::npos ? -1 : atoi(why.c_str() + at + text.size());
}

// "" when the list line's why names a printed row that is the rule matching its item; else what
// does not match.
std::string WhyMismatch(const std::vector<std::string>& f, const PrintedTables& tables)
{
    const std::string family = std::to_string(ProductIndexFromName(f[0].c_str()));
    const std::string& text = f[2];
    const std::string& why = f[4];
    const std::map<int, std::vector<std::string>>* table = NULL;
    int row = -1;
    if (why.compare(0, 14, "registry rule ") == 0) table = &tables.registry, row = NumberAfter(why, "registry rule ");
    else if (why.compare(0, 10, "file rule ") == 0) table = &tables.files, row = NumberAfter(why, "file rule ");
    else if (why.compare(0, 4, "INF ") == 0) table = &tables.inf, row = NumberAfter(why, ", INF rule ");
    else if (why.compare(0, 15, "install folder ") == 0) table = &tables.installFolders, row = NumberAfter(why, "install folder ");
    if (table == NULL || table->count(row) == 0) return "no printed row";
    const std::vector<std::string>& r = table->at(row);
    if (r[1] != family) return "the row is of family " + r[1];
    if (table == &tables.registry) {
        // index product kind hive keyPath argument: the rule's kind, the item below its key.
        if (f[1] != "Registry") return "not a registry item";
        if (why != "registry rule " + r[0] + ", kind " + r[2]) return "the row's kind is " + r[2];
        if (StartsWith(text, "[" + r[3] + "\\" + r[4])) return "";
        // A device scan follows each device to its driver's key: below the root the row's
        // argument names (monitors, child devices), or the adapter's video key.
        if ((r[2] == "8" || r[2] == "9") && StartsWith(text, "[" + r[3] + "\\" + r[5] + "\\")) return "";
        if (r[2] == "6" && StartsWith(text, "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\"))
            return "";
        return "not below the row's key " + r[3] + "\\" + r[4];
    }
    if (f[1] != "File") return "not a file item";
    const std::string path = text.substr(0, text.find(" (service "));
    if (table == &tables.files) {
        // index product disabled folder file: the file's name (and the service after '@').
        const std::vector<std::string> file = Split(r[4], "@");
        if (r[2] != "0") return "a disabled row";
        if (!EndsWith(path, "\\" + file[0])) return "not the row's file " + r[4];
        if (file.size() > 1 && text.find(" (service " + file[1] + ")") == std::string::npos) return "not its service";
        return "";
    }
    if (table == &tables.inf) {
        // "INF oem3.inf": the file itself or its .pnf companion in the INF folder.
        const std::string inf = why.substr(4, why.find(", INF rule ") - 4);
        const std::string stem = inf.substr(0, inf.size() - 4);
        if (!EndsWith(path, "\\inf\\" + inf) && !EndsWith(path, "\\inf\\" + stem + ".pnf")) return "not " + inf;
        return "";
    }
    // index product key valueName folder subPath: below Morvane\<folder>, from the row's note.
    const std::string tail = r[5].empty() ? "" : "\\" + r[5];
    if (!EndsWith(path, tail)) return "not the row's sub-path " + r[5];
    if (!EndsWith(path, "\\Morvane\\" + r[4] + tail)) {
        // A note may name any folder: then the note names the row's key.
        const std::string note = "note HKLM\\SOFTWARE\\Morvane\\" + r[2] + "\\" + (r[3].empty() ? "(default)" : r[3]);
        if (why.find(note) == std::string::npos) return "neither the row's folder nor its note";
    }
    return "";
}

class ListRun : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine_, &error)) << error;
        RemoveTree(kListFolder);
        ASSERT_TRUE(CreateDirectoryA(kListFolder, NULL));
        std::string log;
        ASSERT_TRUE(SeedMachineOnce(machine_, &log)) << log;
        ASSERT_TRUE(TakeSnapshot(&last_));
    }

    void TearDown() override
    {
        std::string log;
        EXPECT_TRUE(UnseedMachine(machine_, &log)) << log;
        RemoveTree(kListFolder);
    }

    // Runs envsweep.exe and checks that it changed nothing on the machine, nor made a backup.
    DWORD RunChangingNothing(const std::string& arguments, std::string* err)
    {
        char newest[256] = "", after[256] = "";
        NewestBackupName(newest, sizeof newest);
        std::string out;
        const DWORD code = RunHere("envsweep.exe", arguments, &out, err);
        Snapshot snapshot;
        EXPECT_TRUE(TakeSnapshot(&snapshot));
        Comparison comparison;
        CompareSnapshots(machine_, last_, snapshot, 0, 0, &comparison);
        EXPECT_TRUE(comparison.exact && comparison.outcomes.empty()) << arguments << "\n"
                                                                     << ReportText(comparison).substr(0, 8000);
        NewestBackupName(after, sizeof after);
        EXPECT_STREQ(newest, after) << arguments << " made a backup";
        EXPECT_EQ("", out) << arguments;
        return code;
    }

    SampleMachine machine_;
    Snapshot last_;
};

TEST_F(ListRun, ListsWhatTheCleanUpDeletesWithTheRowThatFoundIt)
{
    // The list: written, the machine untouched.
    const std::string listPath = std::string(kListFolder) + "list.txt";
    std::string err;
    EXPECT_EQ(0u, RunChangingNothing("/C 262143 /L " + listPath, &err));
    EXPECT_EQ("", err);
    const std::vector<std::string> list = Lines(ReadFileText(listPath));
    ASSERT_GT(list.size(), 1000u);
    EXPECT_EQ(kFoundListHeader, list[0]);

    // Every why names a row of the printed tables, and that row is the rule matching its item.
    PrintedTables tables;
    tables.registry = PrintedTable("registry");
    tables.files = PrintedTable("files");
    tables.inf = PrintedTable("inf");
    tables.installFolders = PrintedTable("install-folders");
    ASSERT_FALSE(tables.registry.empty() || tables.files.empty() || tables.inf.empty() || tables.installFolders.empty());
    std::map<std::string, int> sources;
    for (size_t i = 1; i < list.size(); i++) {
        const std::vector<std::string> f = Split(list[i], "\t");
        ASSERT_EQ(5u, f.size()) << list[i];
        EXPECT_TRUE(f[3] == "yes" || f[3] == "no") << list[i];
        EXPECT_EQ("", WhyMismatch(f, tables)) << list[i];
        sources[f[4].substr(0, 4)]++;
    }
    // The machine has items of every source: registry and file rules, INF packages, install folders.
    EXPECT_EQ(4u, sources.size());

    // Files that cannot be written: a folder of that name, a drive that does not exist. Neither
    // leaves a file (nor the temporary beside it) and the machine stays as it was.
    const std::string folderPath = std::string(kListFolder) + "folder.txt";
    ASSERT_TRUE(CreateDirectoryA(folderPath.c_str(), NULL));
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Q:\\"));
    for (const std::string& path : {folderPath, std::string("Q:\\x\\list.txt")}) {
        EXPECT_EQ(1u, RunChangingNothing("/C 262143 /L " + path, &err)) << path;
        EXPECT_EQ("envsweep: the list could not be written to " + path + "\r\n", err);
    }
    EXPECT_NE(0u, GetFileAttributesA(folderPath.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(std::vector<std::string>({"folder.txt", "list.txt"}), Entries(kListFolder));
    EXPECT_TRUE(Entries(folderPath + "\\").empty()) << "nothing was written into the folder";

    // The clean-up takes exactly the listed items, in the list's order, each for the same why (an
    // item inside a folder deleted before it is logged "not deleted": it was already gone).
    EXPECT_EQ(0u, RunEnvsweep("/C 262143 /S", 600000));
    char root[kBackupPathSize], name[256];
    ASSERT_TRUE(BackupRoot(root, sizeof root));
    ASSERT_TRUE(NewestBackupName(name, sizeof name));
    std::vector<std::string> log = Lines(ReadFileText(std::string(root) + name + "\\" + kLogFileName));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(0u, log.back().find("Summary: "));
    log.pop_back();
    ASSERT_EQ(list.size() - 1, log.size());
    for (size_t i = 0; i < log.size(); i++) {
        const std::vector<std::string> listed = Split(list[i + 1], "\t"), logged = Split(log[i], "\t");
        ASSERT_EQ(5u, logged.size()) << log[i];
        EXPECT_TRUE(listed[0] == logged[0] && listed[1] == logged[1] && listed[2] == logged[2] && listed[4] == logged[4])
            << "line " << i + 1 << ":\n" << list[i + 1] << "\n" << log[i];
    }
}

}  // namespace
