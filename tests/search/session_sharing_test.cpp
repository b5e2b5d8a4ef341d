// The search with shared reads against the reference search that asks the registry and the
// files for every read: on the seeded sample machine and on a busy machine of other makers'
// software, the two found-item lists agree item for item and field for field. And the path
// guard's memo of a search against the guard without it, over the recorded paths and odd
// spellings of them; a search's folder listings and the guard's open against the platform.
#include <gtest/gtest.h>
#include <ctype.h>
#include <string>
#include <vector>
#include "busy_machine.h"
#include "model/found_items.h"
#include "model/products.h"
#include "platform/access_probe.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "sample_machine.h"
#include "search/folder_listing.h"
#include "search/guard_memo.h"
#include "search/search_all.h"
#include "search/search_session.h"
#include "support/helpers.h"

namespace {

const int32_t kAllFamilies = (1 << kProductCount) - 1;

// Every field the search sets, one line per item, in list order.
std::vector<std::string> SearchAllFamilies(uint8_t shared, std::vector<std::string>* files = NULL)
{
    ScopedFoundItems items;
    ProductSelection(-2, kAllFamilies);
    ScopedSession session(shared);
    SearchInSession(session.get(), NULL);
    std::vector<std::string> lines;
    const FoundItemList* list = items.list();
    for (int32_t i = 0; i < list->count; i++) {
        const FoundItem& it = list->items[i];
        if (files != NULL && it.itemClass == kItemClassFile) files->push_back(it.path);
        char numbers[96];
        snprintf(numbers, sizeof numbers, "%d %d %d %s %d%d%d ", (int)it.itemClass, (int)it.ruleKind,
                 (int)it.productIndex, HiveName(it.hive), it.ticked, it.accessible, it.notDeleted);
        lines.push_back(std::string(numbers) + (it.path ? it.path : "<absent>") + " | " +
                        (it.valueName ? it.valueName : "<absent>") + " | " + (it.serviceName ? it.serviceName : "<absent>"));
    }
    return lines;
}

// The first line where the lists part, for the failure message.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); i++) {
        if (a[i] != b[i]) return "item " + std::to_string(i) + ":\n  reference " + a[i] + "\n  shared    " + b[i];
    }
    return "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

// Every path in spellings that take the guard's other ways: letter case, short names, a trailing
// dot, "..", slashes, a missing name beside it. Asked twice in one session (filling the memo,
// then answering from it), looked up first as the search looks a rule's file up, each gives the
// verdict and the canonical form of the guard without the memo.
void ExpectGuardMemoAgrees(const std::vector<std::string>& paths)
{
    std::vector<std::string> spellings;
    for (const std::string& path : paths) {
        std::string upper = path, slashes = path;
        for (char& c : upper) c = (char)toupper((unsigned char)c);
        for (char& c : slashes) if (c == '\\') c = '/';
        char shortName[MAX_PATH] = "";
        GetShortPathNameA(path.c_str(), shortName, MAX_PATH);
        const size_t slash = path.find_last_of('\\');
        const std::string folder = path.substr(0, slash), name = path.substr(slash + 1);
        const std::string up = folder + "\\..\\" + folder.substr(folder.find_last_of('\\') + 1) + "\\" + name;
        // Below a folder that has no long form: the walk's ends at the folder above (long form of
        // a short name included), which the memo keeps for each folder.
        const std::string shortFolder = std::string(shortName).substr(0, std::string(shortName).find_last_of('\\'));
        spellings.insert(spellings.end(), {path, upper, slashes, shortName, path + ".", up, folder + "\\envsweep-none.dll",
                                           folder + "\\envsweep-none\\" + name, shortFolder + "\\envsweep-none\\" + name});
    }
    std::vector<uint8_t> exists;
    for (const std::string& spelling : spellings) exists.push_back(FileExists(spelling.c_str()));
    ScopedSession session;
    for (int pass = 0; pass < 2; pass++) {
        for (size_t i = 0; i < spellings.size(); i++) {
            const std::string& spelling = spellings[i];
            char direct[MAX_PATH] = "";
            const uint8_t allowed = PathGuardAllows(spelling.c_str(), direct, MAX_PATH);
            // In the second pass the folders most files lie in are listed.
            EXPECT_EQ(exists[i], SessionFileExists(session.get(), spelling.c_str())) << spelling;
            const GuardVerdict verdict = SearchGuard(session.get(), spelling.c_str());
            EXPECT_EQ(allowed, verdict.allowed) << spelling;
            EXPECT_STREQ(direct, verdict.canonical) << spelling;
        }
    }
}

TEST(SharedReads, SampleAndBusyMachinesGiveTheReferenceList)
{
    InitProcessValuesForTest();
    // Wine sets up its display devices when the desktop starts and drops the display class
    // instances it does not know: that must happen before seeding, not between the searches.
    GetDesktopWindow();
    SampleMachine machine;
    std::string log;
    ASSERT_TRUE(LoadDescription(DefaultDescriptionPath(), &machine, &log)) << log;
    ASSERT_TRUE(SeedMachine(machine, &log)) << log;

    std::vector<std::string> files;
    const std::vector<std::string> reference = SearchAllFamilies(0, &files);
    const std::vector<std::string> shared = SearchAllFamilies(1);
    EXPECT_GT(reference.size(), 1500u);
    EXPECT_TRUE(reference == shared) << FirstDifference(reference, shared);

    // The guard's memo over every recorded file, the folders of a few, files in the root, in a
    // folder with a short name and with names outside ASCII, and protected folders.
    ScratchFolder odd("Guard Memo Folder With A Long Name");
    ASSERT_TRUE(odd.WriteFile("Long File Name.txt") && odd.WriteFile("caf\xe9.txt") && odd.WriteFile("MiXeD.Txt"));
    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(files.size(), 600u);
    files.insert(files.end(), {odd.path() + "Long File Name.txt", odd.path() + "caf\xe9.txt", odd.path() + "mixed.txt",
                               odd.path() + "MiXeD.Txt", "C:\\autoexec.bat", "C:\\envsweep-none", windows, system,
                               std::string(system) + "\\drivers", files[0].substr(0, files[0].find_last_of('\\'))});
    ExpectGuardMemoAgrees(files);

    // A quarter of the busy machine: every kind of decoy, near misses included.
    BusyMachine busy;
    BuildBusyMachine(0, 4, &busy);
    ASSERT_GT(busy.keys.size(), 500u);
    EXPECT_TRUE(AddBusyMachine(busy, &log)) << log;
    const std::vector<std::string> busyReference = SearchAllFamilies(0);
    const std::vector<std::string> busyShared = SearchAllFamilies(1);
    EXPECT_TRUE(busyReference == busyShared) << FirstDifference(busyReference, busyShared);
    // Nothing of the other makers is found, by either search.
    EXPECT_TRUE(busyReference == reference) << FirstDifference(reference, busyReference);

    EXPECT_TRUE(RemoveBusyMachine(busy, &log)) << log;
    EXPECT_TRUE(UnseedMachine(machine, &log)) << log;
}

// A search's folder listing answers look-ups as the platform does, and the guard's open of a file
// stands for the access probe's only where the probe would have opened it and succeeded.
TEST(SharedReads, ListingsAndTheGuardsOpenAnswerAsThePlatform)
{
    ScratchFolder folder("Listed Folder");
    const std::string plain = folder.path() + "plain.dll", held = folder.path() + "held.dll";
    const std::string readOnly = folder.path() + "readonly.dll";
    ASSERT_TRUE(folder.WriteFile("plain.dll") && folder.WriteFile("held.dll") && folder.WriteFile("readonly.dll"));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // U+0100 is outside the ANSI code page: an ANSI listing would show this name as "Audio.dll".
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.path().c_str(), -1, wide, MAX_PATH);
    lstrcatW(wide, L"\x0100udio.dll");
    CloseHandle(CreateFileW(wide, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);

    const std::vector<std::string> names = {"plain.dll", "PLAIN.DLL", "plain.dll.", "Audio.dll", "absent.dll", "held.dll"};
    std::vector<uint8_t> exists;
    for (const std::string& name : names) exists.push_back(FileExists((folder.path() + name).c_str()));
    EXPECT_EQ(0, exists[3]);
    ScopedSession session;
    SearchSession* search = session.get();
    for (int pass = 0; pass < 3; pass++) {   // by the second pass the folder is listed
        for (size_t i = 0; i < names.size(); i++)
            EXPECT_EQ(exists[i], SessionFileExists(search, (folder.path() + names[i]).c_str())) << names[i];
    }
    // Each verdict stands alone: the same file checked twice is opened twice.
    for (int again = 0; again < 2; again++) {
        const GuardVerdict verdict = SearchGuard(search, plain.c_str());
        ASSERT_TRUE(verdict.allowed);
        EXPECT_EQ(1, verdict.openedWritable);
    }
    GuardVerdict verdict = SearchGuard(search, held.c_str());
    ASSERT_TRUE(verdict.allowed);
    EXPECT_EQ(0, verdict.openedWritable) << "in use: the probe asks again";
    EXPECT_EQ(0, ProbeFileAccess(held.c_str()));
    verdict = SearchGuard(search, readOnly.c_str());
    ASSERT_TRUE(verdict.allowed);
    EXPECT_EQ(0, verdict.openedWritable) << "the probe handles read-only files itself";
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, SearchGuard(NULL, plain.c_str()).openedWritable) << "without a session nothing is opened";
    // Through the folder spelt otherwise than on disk the guard opens the same files by their
    // long form, and the list keeps the text as written.
    for (const char* name : {"plain.dll", "held.dll"}) {
        std::string other = folder.path() + name;
        other.replace(other.find("Listed Folder"), 13, "LISTED FOLDER");
        ASSERT_TRUE(SessionFileExists(search, other.c_str())) << other;
        verdict = SearchGuard(search, other.c_str());
        ASSERT_TRUE(verdict.allowed) << other;
        EXPECT_EQ(other, verdict.canonical);
        EXPECT_EQ(name == std::string("plain.dll"), verdict.openedWritable) << other;
    }
    CloseHandle(holder);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide);
}

// A name a listed folder lacks is missing only where the listing has every entry (all in
// printable ASCII) and the name can only be one of them: letter case, short names, devices and
// patterns answer as the platform does; a folder with an entry outside ASCII (whose letters may
// fold to ASCII ones) asks the platform.
TEST(SharedReads, ListingsAnswerMissingNamesOnlyWhenCertain)
{
    ScratchFolder whole("Whole Listed Folder"), foreign("Foreign Listed Folder");
    for (const char* name : {"plain.dll", "Long Name Library.dll", "MiXeD.DLL", "other.dll"})
        ASSERT_TRUE(whole.WriteFile(name) && foreign.WriteFile(name)) << name;
    // U+0131 (dotless i) takes the upper case of an ASCII i.
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, foreign.path().c_str(), -1, wide, MAX_PATH);
    lstrcatW(wide, L"f\x0131le.dll");
    CloseHandle(CreateFileW(wide, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA((whole.path() + "Long Name Library.dll").c_str(), shortPath, MAX_PATH);
    const std::string shortName = FileNamePart(shortPath);

    const std::vector<std::string> names = {"plain.dll", "Long Name Library.dll", "MiXeD.DLL", "other.dll", "absent.dll",
                                            "PLAIN.DLL", "long name library.DLL", "mixed.dll", shortName, "FILE.DLL",
                                            "file.dll", "nul", "NUL.dll", "com1.dll", "plain.dll.", "pla?n.dll"};
    ScopedSession session;
    for (const ScratchFolder* folder : {&whole, &foreign}) {
        for (int pass = 0; pass < 3; pass++) {   // listed once four names were found there
            for (const std::string& name : names) {
                const std::string path = folder->path() + name;
                EXPECT_EQ(FileExists(path.c_str()), SessionFileExists(session.get(), path.c_str())) << path;
            }
        }
        // A name made after the listing: the whole folder's listing answers for it, the other
        // folder asks the platform.
        ASSERT_TRUE(folder->WriteFile("late.dll"));
        EXPECT_EQ(folder == &foreign, SessionFileExists(session.get(), (folder->path() + "late.dll").c_str()));
    }
    DeleteFileW(wide);
}

}  // namespace
