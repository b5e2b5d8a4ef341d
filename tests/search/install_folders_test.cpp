// Install folders: the registry note below the maker's software key, the Program Files default,
// the sub-path, the family stamped on the items, and the bounded read of the note.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string.h>
#include <string>
#include "model/found_items.h"
#include "model/products.h"
#include "platform/path_ops.h"
#include "search/install_folders.h"
#include "support/search_support.h"

namespace {

const char kMorvane[] = "SOFTWARE\\Morvane";

class InstallFoldersTest : public testing::Test {
protected:
    void SetUp() override
    {
        ProductSelection(-2, 0x3FFFF);
        dir_ = folder_.path();
        dir_.pop_back();   // without the trailing backslash
    }
    // ReadInstallFolder of the test key's sub-key into a 0xbd-filled buffer; "<none>" on failure
    // (and then the buffer must be untouched).
    std::string Read(const std::string& sub, const char* valueName, int size = 260, SearchSession* session = NULL)
    {
        char out[300];
        memset(out, 0xbd, sizeof out);
        if (!ReadInstallFolder(session, NoteKeys::Name(sub).c_str(), valueName, out, size)) {
            EXPECT_EQ((char)0xbd, out[0]) << "the output is left untouched on failure";
            return "<none>";
        }
        return out;
    }
    int Count() const { return scope_.list()->count; }
    const FoundItem& Item(int i) const { return scope_.list()->items[i]; }

    ScopedFoundItems scope_;
    NoteKeys notes_{HKEY_LOCAL_MACHINE, kMorvane};
    ScratchFolder folder_{"install-folders"};
    std::string dir_;
};

}  // namespace

TEST_F(InstallFoldersTest, NoteIsReadWhateverItsTypeAndMustNameAnExistingPath)
{
    ASSERT_TRUE(folder_.WriteFile("app.exe"));
    ASSERT_TRUE(notes_.Note("App", "savePath", dir_ + "\\"));
    ASSERT_TRUE(notes_.Note("App", "DestDir", dir_ + "\\app.exe"));
    ASSERT_TRUE(notes_.Note("App", NULL, dir_, REG_EXPAND_SZ));
    ASSERT_TRUE(notes_.Note("App", "Path", dir_ + "\\gone"));
    EXPECT_EQ(dir_, Read("App", "savePath")) << "one trailing backslash removed";
    EXPECT_EQ(dir_ + "\\app.exe", Read("App", "DestDir")) << "a file passes as well";
    EXPECT_EQ(dir_, Read("App", "")) << "the empty name reads the default value";
    EXPECT_EQ("<none>", Read("App", "Path"));
    EXPECT_EQ("<none>", Read("App", "DestPath"));
    EXPECT_EQ("<none>", Read("Missing", "savePath"));

    // Only HKEY_LOCAL_MACHINE is read.
    NoteKeys userNotes(HKEY_CURRENT_USER, kMorvane);
    ASSERT_TRUE(userNotes.Note("UserApp", "savePath", dir_));
    EXPECT_EQ("<none>", Read("UserApp", "savePath"));
}

TEST_F(InstallFoldersTest, NoteLengthIsCheckedBeforeTheBackslashIsRemoved)
{
    const int length = (int)dir_.size();
    ASSERT_TRUE(notes_.Note("App", "savePath", dir_));
    ASSERT_TRUE(notes_.Note("App", "DestDir", dir_ + "\\"));
    // A search remembers each note once, whatever the output it was first read into: the other
    // sizes answer from memory as a read of their own would.
    ScopedSession search;
    for (SearchSession* session : {(SearchSession*)NULL, search.get(), search.get()}) {
        EXPECT_EQ(dir_, Read("App", "savePath", length + 1, session));
        EXPECT_EQ("<none>", Read("App", "savePath", length, session));
        EXPECT_EQ("<none>", Read("App", "DestDir", length + 1, session));
        EXPECT_EQ(dir_, Read("App", "DestDir", length + 2, session));
    }
}

TEST_F(InstallFoldersTest, NoteWithoutTerminatorEndsAfterItsLastByte)
{
    ASSERT_TRUE(folder_.WriteFile("app.exe"));
    // A longer note read first leaves its text in the memory the next read uses: a read that
    // does not terminate the shorter data would give the longer path again.
    ASSERT_TRUE(notes_.Note("App", "DestDir", dir_ + "\\app.exe"));
    ASSERT_TRUE(notes_.key().SetBytes("App", "savePath", dir_.data(), (DWORD)dir_.size(), REG_BINARY));
    EXPECT_EQ(dir_ + "\\app.exe", Read("App", "DestDir"));
    EXPECT_EQ(dir_, Read("App", "savePath"));
    // Longer than the 1024-byte read.
    ASSERT_TRUE(notes_.Note("App", "Path", std::string(1100, 'x')));
    EXPECT_EQ("<none>", Read("App", "Path"));
}

// A note climbing out through ".." (another maker's folder beside the maker's) names some other
// folder than the application's: no note, even though the folder exists. A "." step is only a
// spelling of the folder itself. (Found by the hostile sweep, seeds 6 and 30: the other maker's
// folder was deleted.)
TEST_F(InstallFoldersTest, NoteClimbingOutThroughTwoDotsIsNoFolder)
{
    ASSERT_TRUE(folder_.WriteFile("other\\player.exe"));
    ASSERT_TRUE(notes_.Note("App", "savePath", dir_ + "\\Morvane\\..\\other"));
    ASSERT_TRUE(notes_.Note("App", "DestDir", dir_ + "\\.\\other\\"));
    ASSERT_TRUE(notes_.Note("App", "Path", dir_ + "/x/../other"));
    ASSERT_TRUE(notes_.Note("App", "DestPath", dir_ + "\\other"));
    EXPECT_EQ("<none>", Read("App", "savePath"));
    EXPECT_EQ("<none>", Read("App", "DestDir")) << "a \".\" step is refused as well: a note must be plain";
    EXPECT_EQ("<none>", Read("App", "Path"));
    EXPECT_EQ(dir_ + "\\other", Read("App", "DestPath")) << "the same folder written plainly";
}

TEST_F(InstallFoldersTest, NoteWithAWildcardOrABareDriveIsNoFolder)
{
    ASSERT_TRUE(folder_.WriteFile("a.txt"));
    ASSERT_TRUE(notes_.Note("App", "savePath", dir_.substr(0, dir_.size() - 1) + "?"));
    ASSERT_TRUE(notes_.Note("App", "DestDir", dir_ + "\\*"));
    ASSERT_TRUE(notes_.Note("App", "Path", "C:\\"));
    EXPECT_EQ("<none>", Read("App", "savePath"));
    EXPECT_EQ("<none>", Read("App", "DestDir"));
    EXPECT_EQ("<none>", Read("App", "Path"));
}

TEST_F(InstallFoldersTest, RowsRecordTheNotedFolderAndTheSubPathUnderTheRowsFamily)
{
    ASSERT_TRUE(notes_.Note("Viewer", "savePath", dir_ + "\\"));
    ASSERT_TRUE(notes_.Note("Other", "Path", dir_));
    const InstallFolderRule rows[] = {
        // product key                   value name  folder       sub-path
        {6,  "EnvsweepTest\\Viewer",     "savePath", "NoSuchApp", ""},
        {6,  "EnvsweepTest\\Viewer",     "savePath", "NoSuchApp", "Data"},
        {11, "EnvsweepTest\\Other",      "Path",     "NoSuchApp", ""},      // the same path again
        {12, "EnvsweepTest\\Missing",    "savePath", "NoSuchApp", "Data"},  // found nowhere
        {-1, "",                         "",         "",          ""},
    };
    // The sub-path does not exist: its item fails the access probe, and so does the pass.
    EXPECT_EQ(0, SearchInstallFolderRows(NULL, rows));
    ASSERT_EQ(2, Count());
    EXPECT_EQ(dir_, Item(0).path);
    EXPECT_EQ(6, Item(0).productIndex);
    EXPECT_EQ(1, Item(0).accessible);
    EXPECT_EQ(dir_ + "\\Data", Item(1).path);
    EXPECT_EQ(6, Item(1).productIndex);
    EXPECT_EQ(0, Item(1).accessible);
    EXPECT_EQ(NULL, Item(1).serviceName);
    // Each names its row and note; the path row 2 finds again keeps row 0's.
    char why[512];
    EXPECT_STREQ("install folder 0, note HKLM\\SOFTWARE\\Morvane\\EnvsweepTest\\Viewer\\savePath",
                 FormatItemWhy(&Item(0), why, sizeof why));
    EXPECT_STREQ("install folder 1, note HKLM\\SOFTWARE\\Morvane\\EnvsweepTest\\Viewer\\savePath",
                 FormatItemWhy(&Item(1), why, sizeof why));

    // The override ends with the pass: the file side reads the rule table again.
    const int32_t before = CurrentProduct(1);
    ClearItems();
    EXPECT_EQ(1, SearchInstallFolderRows(NULL, rows + 2));
    EXPECT_EQ(1, Count());
    EXPECT_EQ(11, Item(0).productIndex);
    EXPECT_EQ(before, CurrentProduct(1));

    // A family that is not selected is resolved but leaves nothing.
    ClearItems();
    ProductSelection(11, 0);
    EXPECT_EQ(1, SearchInstallFolderRows(NULL, rows + 2));
    EXPECT_EQ(0, Count());
}

TEST_F(InstallFoldersTest, WithoutANoteOnlyAFolderBelowProgramFilesMorvaneCounts)
{
    const std::string programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());
    PlacedFolder asFolder(programFiles + "\\Morvane", "EnvsweepTest App");
    PlacedFolder asFile(programFiles + "\\Morvane", "EnvsweepTest File");
    ASSERT_TRUE(CreateDirectoryA(asFolder.path().c_str(), NULL));
    ASSERT_TRUE(MakeFile(asFile.path()));
    const InstallFolderRule rows[] = {
        {3,  "EnvsweepTest\\None", "savePath", "EnvsweepTest App",  "bin"},
        {3,  "EnvsweepTest\\None", "savePath", "EnvsweepTest File", ""},
        {3,  "EnvsweepTest\\None", "savePath", "EnvsweepTest Gone", ""},
        {-1, "",                   "",         "",                  ""},
    };
    SearchInstallFolderRows(NULL, rows);
    ASSERT_EQ(1, Count());
    EXPECT_EQ(asFolder.path() + "\\bin", Item(0).path);
    EXPECT_EQ(3, Item(0).productIndex);
    char why[512];
    EXPECT_STREQ("install folder 0, default place", FormatItemWhy(&Item(0), why, sizeof why));

    // A note that names nothing falls back to the default place as well.
    ClearItems();
    ASSERT_TRUE(notes_.Note("None", "savePath", dir_ + "\\gone"));
    SearchInstallFolderRows(NULL, rows);
    ASSERT_EQ(1, Count());
    EXPECT_EQ(asFolder.path() + "\\bin", Item(0).path);
}

TEST_F(InstallFoldersTest, NoteNamingASystemFolderOrOneAboveItIsNoInstallFolder)
{
    char windows[MAX_PATH], programFiles[MAX_PATH], system[MAX_PATH];
    ASSERT_TRUE(GetWindowsDirectoryA(windows, sizeof windows));
    ASSERT_TRUE(GetSystemDirectoryA(system, sizeof system));
    ASSERT_TRUE(SHGetSpecialFolderPathA(NULL, programFiles, CSIDL_PROGRAM_FILES, FALSE));
    std::string lowerWindows = windows;
    for (char& c : lowerWindows) c = (char)tolower((unsigned char)c);
    const std::string maker = std::string(programFiles) + "\\Morvane";
    CreateDirectoryA(maker.c_str(), NULL);
    const std::string application = maker + "\\EnvsweepNoteTest";
    ASSERT_TRUE(CreateDirectoryA(application.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS);

    ASSERT_TRUE(notes_.Note("App", "savePath", lowerWindows + "\\"));
    ASSERT_TRUE(notes_.Note("App", "DestDir", system));
    ASSERT_TRUE(notes_.Note("App", "Path", programFiles));
    ASSERT_TRUE(notes_.Note("App", "DestPath", maker));
    ASSERT_TRUE(notes_.Note("Parent", "Path", std::string(windows).substr(0, 3)));   // "C:\"
    ASSERT_TRUE(notes_.Note("Own", "Path", application));
    EXPECT_EQ("<none>", Read("App", "savePath")) << "the Windows folder, in any case";
    EXPECT_EQ("<none>", Read("App", "DestDir")) << "the system folder";
    EXPECT_EQ("<none>", Read("App", "Path")) << "Program Files";
    EXPECT_EQ("<none>", Read("App", "DestPath")) << "the maker's folder holding every application";
    EXPECT_EQ("<none>", Read("Parent", "Path")) << "the drive holding them";
    EXPECT_EQ(application, Read("Own", "Path")) << "an application's own folder below them";
    RemoveDirectoryA(application.c_str());
    RemoveDirectoryA(maker.c_str());
}
