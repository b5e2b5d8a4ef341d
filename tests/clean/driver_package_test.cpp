// Driver packages: removed through the platform's package removal with their driver-store folder
// backed up whole and published again by the restore; under WOW64 through the native pnputil,
// and as files where that is missing.
//
// What Wine cannot show: Wine 8 has no driver store (the test lays one out as Vista does), its
// SetupUninstallOEMInf deletes only the .inf (the store folder stays), SetupCopyOEMInf publishes
// under the INF's own name rather than a new oemNN.inf, SetupGetInfDriverStoreLocation is a stub
// (so the store folder is found by content), and it has no pnputil (a stand-in stands for it).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "clean/backup.h"
#include "clean/deletion_driver.h"
#include "clean/driver_packages.h"
#include "clean/restore.h"
#include "model/found_items.h"
#include "model/process_values.h"
#include "platform/path_ops.h"
#include "support/helpers.h"

namespace {

const char kInf[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Media\r\nProvider=%Maker%\r\n"
                    "CatalogFile=mvpkg.cat\r\nDriverVer=01/01/2020,1.0.0.0\r\n[Strings]\r\nMaker=\"Morvane\"\r\n";

std::string InfFolder() { return std::string(g_windowsDirectory) + "inf\\"; }
std::string Repository() { return std::string(g_systemDirectory) + "DriverStore\\FileRepository\\"; }

uint8_t Write(const std::string& path, const std::string& content)
{
    char copy[1024];
    lstrcpynA(copy, path.c_str(), sizeof copy);
    CreateParentFolders(copy, 0);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    const uint8_t ok = file != INVALID_HANDLE_VALUE && WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok && written == content.size() ? 1 : 0;
}

uint8_t Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The published INF and its .pnf as the INF identification lists them.
void PushPackage(const std::string& name)
{
    for (const char* extension : {".inf", ".pnf"}) {
        FoundItem& item = PushItem(kItemClassFile, 0, NULL, InfFolder() + name + extension);
        item.whyKind = kWhyInfRule;
        item.whyRow = 0;
        item.whyNote = DuplicateString((name + ".inf").c_str());
    }
}

TEST(DriverPackage, StoreFolderIsBackedUpWholeAndPublishedAgain)
{
    ASSERT_TRUE(PackageRemovalAvailable()) << "Wine reports an NT version from XP on";
    const std::string store = Repository() + "mvpkg.inf_x86_0f3c2a", decoy = Repository() + "other.inf_x86_77aa10";
    ASSERT_TRUE(Write(InfFolder() + "oem9731.inf", kInf) && Write(InfFolder() + "oem9731.pnf", "compiled"));
    ASSERT_TRUE(Write(store + "\\mvpkg.inf", kInf) && Write(store + "\\mvpkg.cat", "catalog") &&
                Write(store + "\\mvpkg.sys", "driver"));
    // Another package whose INF differs by one line is not this one's folder.
    ASSERT_TRUE(Write(decoy + "\\other.inf", std::string(kInf) + "; other\r\n"));

    char folder[kPathSize], inf[kPathSize];
    ASSERT_TRUE(FindDriverStoreFolder((InfFolder() + "oem9731.inf").c_str(), folder, sizeof folder, inf, sizeof inf));
    EXPECT_EQ(0, lstrcmpiA(store.c_str(), folder)) << folder;
    EXPECT_STREQ("mvpkg.inf", inf);

    ScopedFoundItems scope(4);
    PushPackage("oem9731");
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    // The platform's removal took the .inf; the .pnf went as a file (Wine leaves it to envsweep).
    EXPECT_FALSE(Exists(InfFolder() + "oem9731.inf"));
    EXPECT_FALSE(Exists(InfFolder() + "oem9731.pnf"));

    std::string backup = NewestBackupFolder();
    backup.erase(backup.size() - 1);
    const std::string manifest = ReadFileText(backup + "\\" + kManifestFileName);
    EXPECT_NE(std::string::npos, manifest.find("P\tstore\toem9731.inf\t" + store + "\tmvpkg.inf\r\n")) << manifest;
    EXPECT_EQ(std::string::npos, manifest.find("other.inf_x86_77aa10")) << "the other package was copied";
    const std::string saved = backup + "\\files\\C" + store.substr(2);
    EXPECT_EQ("catalog", ReadFileText(saved + "\\mvpkg.cat"));
    EXPECT_EQ("driver", ReadFileText(saved + "\\mvpkg.sys"));
    const std::string log = ReadFileText(backup + "\\" + kLogFileName);
    EXPECT_NE(std::string::npos, log.find("oem9731.inf\tdeleted\tINF oem9731.inf, INF rule 0\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("oem9731.pnf\tdeleted\t")) << log;

    // The restore gives the saved folder to the platform, which publishes the INF under the name
    // it chooses (Wine: the INF's own), and copies the .pnf back as a file.
    EXPECT_EQ(1, RestoreBackup(backup.substr(backup.rfind('\\') + 1).c_str()));
    const std::string restoreLog = ReadFileText(backup + "\\" + kRestoreLogFileName);
    const std::string published = "package\toem9731.inf\tpublished again as ";
    const size_t at = restoreLog.find(published);
    ASSERT_NE(std::string::npos, at) << restoreLog;
    const std::string name = restoreLog.substr(at + published.size(), restoreLog.find('\r', at) - at - published.size());
    EXPECT_EQ(kInf, ReadFileText(InfFolder() + name)) << name;
    EXPECT_FALSE(Exists(InfFolder() + "oem9731.inf")) << "the published INF was copied back by hand too";
    EXPECT_EQ("compiled", ReadFileText(InfFolder() + "oem9731.pnf"));

    for (const std::string& path : {InfFolder() + name, InfFolder() + name.substr(0, name.size() - 3) + "pnf",
                                    InfFolder() + "oem9731.pnf"})
        DeleteFileA(path.c_str());
    RemoveTree(store);
    RemoveTree(decoy);
}

// A 32-bit process on 64-bit Windows runs %windir%\Sysnative\pnputil.exe. Wine has no WOW64
// refusal and no pnputil: the halves are set as under WOW64, and a copy of this test program
// stands in for pnputil (its helper mode deletes the INF it is asked to and ends with 0).
TEST(DriverPackage, UnderWow64PnputilRemovesAndWithoutItTheFilesGo)
{
    ScopedHalves wow64(kOtherHalfNative);
    const std::string sysnative = std::string(g_windowsDirectory) + "Sysnative";
    char self[kPathSize];
    GetModuleFileNameA(NULL, self, sizeof self);
    CreateDirectoryA(sysnative.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(self, (sysnative + "\\pnputil.exe").c_str(), FALSE));
    ASSERT_TRUE(Write(InfFolder() + "oem9732.inf", kInf));
    EXPECT_EQ(kPackageRemoved, RemoveDriverPackage((InfFolder() + "oem9732.inf").c_str()));
    EXPECT_FALSE(Exists(InfFolder() + "oem9732.inf"));
    EXPECT_TRUE(RemoveTree(sysnative));

    // No pnputil: the files are deleted and the log says the store's copy may remain.
    ASSERT_TRUE(Write(InfFolder() + "oem9733.inf", kInf) && Write(InfFolder() + "oem9733.pnf", "compiled"));
    ScopedFoundItems scope(4);
    PushPackage("oem9733");
    DeletionSummary summary;
    EXPECT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_FALSE(Exists(InfFolder() + "oem9733.inf"));
    EXPECT_FALSE(Exists(InfFolder() + "oem9733.pnf"));
    const std::string log = ReadFileText(NewestBackupFolder() + kLogFileName);
    EXPECT_NE(std::string::npos, log.find("oem9733.inf\tdeleted as files: the driver store's copy may remain\t")) << log;
}

}  // namespace
