// The trusted backup place: a real clean-up's backup tampered in several ways is refused whole by
// the restore and restores exactly once put back; a folder already under the root's name is not
// written into; a root replaced after it was made, or a key others may change, stops the
// clean-up; the access lists envsweep asks for.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>
#include <functional>
#include <string>
#include "clean/backup.h"
#include "clean/backup_place.h"
#include "clean/deletion_driver.h"
#include "clean/manifest.h"
#include "clean/restore.h"
#include "model/found_items.h"
#include "platform/path_ops.h"
#include "platform/sha256.h"
#include "support/helpers.h"

namespace {

const char kBase[] = "Software\\EnvsweepTest\\Trust";
// SHA-256 of "abc" (FIPS 180-2's example).
const char kAbcHash[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string Hash(const std::string& path)
{
    char hex[kSha256HexSize];
    ULONGLONG size = 0;
    return FileSha256(path.c_str(), hex, &size) ? std::string(hex) : std::string("(unreadable)");
}

std::string SddlOf(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION parts)
{
    char* text = NULL;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, parts, &text, NULL))
        return "(none)";
    const std::string result(text);
    LocalFree(text);
    return result;
}

// The place key's owner and list, as SDDL.
std::string PlaceKeySddl()
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return "(no key)";
    char buffer[4096];
    DWORD size = sizeof buffer;
    const LONG read = RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, buffer, &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? SddlOf(buffer, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION) : "(unreadable)";
}

uint8_t SetPlaceKeySddl(const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL)) return 0;
    HKEY key = NULL;
    LONG done = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, WRITE_DAC, &key);
    if (done == ERROR_SUCCESS) {
        done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return done == ERROR_SUCCESS;
}

// One registry key and one file, ticked; a clean-up's worth to back up.
struct Fixture {
    ScratchKey scratch{HKEY_CURRENT_USER, kBase};
    ScratchFolder folder{"trust"};
    ScopedFoundItems items{4};
    std::string file = folder.path() + "abc.txt";

    void Seed()
    {
        ASSERT_TRUE(scratch.SetString("Tree", "v", "data"));
        ASSERT_TRUE(folder.WriteFile("abc.txt", "abc"));
        g_foundItems->count = 0;
        PushItem(kItemClassRegistry, 0, HKEY_CURRENT_USER, scratch.Full("Tree"));
        PushItem(kItemClassFile, 0, NULL, file);
    }
    bool Gone() const { return !KeyPresent(HKEY_CURRENT_USER, scratch.Full("Tree")) && !FileExists(file.c_str()); }
    bool Back() const { return ValuePresent(HKEY_CURRENT_USER, scratch.Full("Tree"), "v") && ReadFileText(file) == "abc"; }
};

std::string PlaceValue(const char* name)
{
    char text[1024] = "";
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return text;
    DWORD size = sizeof text - 1;
    RegQueryValueExA(key, name, NULL, NULL, (BYTE*)text, &size);
    RegCloseKey(key);
    return text;
}

void SetPlaceValue(const char* name, const std::string& text)
{
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, KEY_SET_VALUE, &key));
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
    RegCloseKey(key);
}

// Deletes a key with everything below it.
LONG DropKey(HKEY parent, const std::string& path)
{
    HKEY key = NULL;
    LONG opened = RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (opened != ERROR_SUCCESS) return opened;
    char name[256];
    for (DWORD length = sizeof name; RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
         length = sizeof name)
        if (DropKey(key, name) != ERROR_SUCCESS) break;
    RegCloseKey(key);
    return RegDeleteKeyA(parent, path.c_str());
}

std::string NameOf(const std::string& folder)
{
    const size_t end = folder.size() - 1;
    const size_t start = folder.rfind('\\', end - 1) + 1;
    return folder.substr(start, end - start);
}

}  // namespace

// A real clean-up's backup is recorded with its hashes; every change to it is refused whole
// (nothing written, the log says which check), a planted newer folder is not taken, and the
// backup as it was restores exactly.
TEST(BackupTrust, TamperedBackupIsRefusedWholeAndRestoresOncePutBack)
{
    Fixture fixture;
    fixture.Seed();
    DeletionSummary summary;
    ASSERT_EQ(1, DeleteAll(NULL, &summary));
    ASSERT_TRUE(fixture.Gone());
    const std::string backup = NewestBackupFolder();
    ASSERT_FALSE(backup.empty());
    const std::string name = NameOf(backup);
    const std::string manifestPath = backup + kManifestFileName, registryPath = backup + kRegistryFileName;

    // The record holds both files' hashes; the F line the copy's size and hash.
    char manifestHash[kSha256HexSize], registryHash[kSha256HexSize];
    ASSERT_TRUE(RecordedBackup(name.c_str(), manifestHash, registryHash));
    EXPECT_EQ(Hash(manifestPath), manifestHash);
    EXPECT_EQ(Hash(registryPath), registryHash);
    const std::string manifest = ReadFileText(manifestPath), registry = ReadFileText(registryPath);
    const size_t fileLine = manifest.find("\r\nF\t");
    ASSERT_NE(std::string::npos, fileLine) << manifest;
    const std::string line = manifest.substr(fileLine + 2, manifest.find("\r\n", fileLine + 2) - fileLine - 2);
    EXPECT_EQ(std::string("\t") + kAbcHash, line.substr(line.size() - 65)) << line;
    EXPECT_NE(std::string::npos, line.find("\t0000000000000003\t")) << line;
    const std::string copy = backup + line.substr(line.find("\tfiles\\") + 1, line.size() - 65 - line.find("\tfiles\\") - 1);
    ASSERT_EQ("abc", ReadFileText(copy)) << copy;

    // Each change, then the restore: refused with the check named, nothing written.
    // re-record 1: the record follows the change, as if it had been made so (only an
    // administrator could), so that the checks behind the hashes are reached.
    struct Tamper {
        std::string path, text;
        bool reRecord;
        const char* expected;
    };
    const std::string copyName = copy.substr(backup.size());
    const Tamper tampers[] = {
        {manifestPath, manifest + "item\t99\tplanted\r\n", false, "manifest.txt\tdiffers from its recorded hash"},
        {registryPath, registry + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Planted]\r\n", false,
         "registry.reg\tdiffers from its recorded hash"},
        {copy, "abd", false, "a file copy differs from its recorded hash"},
        {manifestPath, manifest + "S\tplanted\r\n", true, "a manifest line lacks a field"},
        {manifestPath, manifest + std::string("item\t1\tx\0y\r\n", 13), true, "the manifest cannot be loaded"},
        {manifestPath, manifest + "Q\tunknown\r\n", true, "a manifest line of no known kind"},
        {manifestPath,
         manifest + "F\t00000020\t0\t0\t0\t0000000000000003\tC:\\x.txt\tfiles\\..\\..\\x.txt\t" + kAbcHash + "\r\n", true,
         "a copy's name lies outside the backup's files folder"},
        {registryPath, registry + "\r\n[HKEY_CURRENT_USER\\" + fixture.scratch.Full("Tree") + "]\r\n\"v\"=\"open\r\n", true,
         "registry.reg holds a line that cannot be read"},
    };
    for (const Tamper& tamper : tampers) {
        const std::string original = ReadFileText(tamper.path);
        ASSERT_TRUE(WriteWholeFile(tamper.path, tamper.text)) << tamper.path;
        if (tamper.reRecord) RecordBackup(name.c_str(), Hash(manifestPath).c_str(), Hash(registryPath).c_str());
        EXPECT_EQ(0, RestoreBackup(name.c_str())) << tamper.expected;
        EXPECT_EQ(0, RestoreBackup(NULL)) << tamper.expected;
        EXPECT_TRUE(fixture.Gone()) << tamper.expected;
        const std::string log = ReadFileText(backup + kRestoreLogFileName);
        EXPECT_NE(std::string::npos, log.find(tamper.expected)) << log;
        EXPECT_NE(std::string::npos, log.find("Summary: nothing was restored")) << log;
        ASSERT_TRUE(WriteWholeFile(tamper.path, original));
        RecordBackup(name.c_str(), manifestHash, registryHash);
    }

    // A folder planted with a newer name, in the root (a copy of the real backup) and in the
    // user's old place (empty): neither is recorded, so neither is what /R takes by itself. Named,
    // the name is looked up in the old place only, where the empty folder has no manifest.
    char root[kBackupPathSize], legacy[kBackupPathSize];
    ASSERT_TRUE(BackupRoot(root, sizeof root) && LegacyBackupRoot(legacy, sizeof legacy));
    const std::string planted = std::string(root) + "backup-99991231-235959";
    const std::string plantedLegacy = std::string(legacy) + "backup-99991231-235959";
    CreateDirectoryA(legacy, NULL);
    ASSERT_TRUE(CreateDirectoryA(planted.c_str(), NULL) && CreateDirectoryA(plantedLegacy.c_str(), NULL));
    ASSERT_TRUE(WriteWholeFile(planted + "\\" + kManifestFileName, manifest) &&
                WriteWholeFile(planted + "\\" + kRegistryFileName, registry));
    EXPECT_EQ(0, RestoreBackup("backup-99991231-235959"));
    EXPECT_TRUE(fixture.Gone());
    EXPECT_NE(std::string::npos,
              ReadFileText(plantedLegacy + "\\" + kRestoreLogFileName).find("the manifest cannot be loaded"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((planted + "\\" + kRestoreLogFileName).c_str()));
    char newest[256];
    ASSERT_TRUE(NewestBackupName(newest, sizeof newest));
    EXPECT_STRNE("backup-99991231-235959", newest);

    // Put back as it was: the newest recorded backup is this one, and it restores exactly.
    EXPECT_EQ(name, newest);
    EXPECT_EQ(1, RestoreBackup(NULL)) << ReadFileText(backup + kRestoreLogFileName);
    EXPECT_TRUE(fixture.Back());
    RemoveTree(planted + "\\");
    RemoveTree(plantedLegacy + "\\");
}

// A folder already under the root's name is someone else's: the next root gets another name. A
// root replaced after it was made, or a key whose list lets others write, stops the clean-up
// before anything is deleted. The key's list is read back as envsweep asked for it; Wine keeps
// no file access list as set (GetFileSecurityA reports a made-up one), so the folder's list is
// checked only as the SDDL envsweep hands to CreateDirectoryA.
TEST(BackupTrust, PlantedOrReplacedRootAndLooseKeyStopTheCleanUp)
{
    Fixture fixture;
    fixture.Seed();
    DeletionSummary summary;
    ASSERT_EQ(1, DeleteAll(NULL, &summary));   // makes the place when no other test did
    char root[kBackupPathSize];
    ASSERT_TRUE(BackupRoot(root, sizeof root));
    EXPECT_STREQ("O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", kRootFolderSddl);

    // As on a first run: no key. The root of before is now a folder envsweep did not make (as
    // one planted before the first clean-up would be): nothing new goes into it.
    const std::string oldRootValue = PlaceValue("Root"), oldId = PlaceValue("RootId");
    ASSERT_EQ(ERROR_SUCCESS, DropKey(HKEY_LOCAL_MACHINE, kPlaceKeyPath));
    const auto countEntries = [](const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        int count = 0;
        if (search != INVALID_HANDLE_VALUE) {
            do count++;
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        return count;
    };
    const int oldEntries = countEntries(root);
    fixture.Seed();
    ASSERT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(oldEntries, countEntries(root));
    char newRoot[kBackupPathSize];
    ASSERT_TRUE(BackupRoot(newRoot, sizeof newRoot));
    const std::string oldRoot(root, strlen(root) - 1), made(newRoot, strlen(newRoot) - 1);
    char common[MAX_PATH];
    ASSERT_TRUE(SpecialFolderPath(CSIDL_COMMON_APPDATA, common));
    EXPECT_NE(oldRoot, made);
    EXPECT_EQ(0u, made.find(std::string(common) + "\\envsweep-")) << made;
    EXPECT_EQ(0u, NewestBackupFolder().find(newRoot));
    // The key as envsweep made it (Wine keeps a key's list while its wineserver runs).
    EXPECT_EQ("O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)", PlaceKeySddl());

    // The new root replaced by another folder (another file id): the clean-up deletes nothing
    // and says why; the restore refuses its backups too.
    const std::string aside = made + "-aside";
    ASSERT_TRUE(MoveFileA(made.c_str(), aside.c_str()) && CreateDirectoryA(made.c_str(), NULL));
    fixture.Seed();
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(kPlaceRootChanged, (int)summary.placeFault);
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, fixture.scratch.Full("Tree"), "v"));
    EXPECT_EQ("abc", ReadFileText(fixture.file));
    EXPECT_EQ(2, countEntries(made + "\\")) << "nothing but . and .. in the replacement";
    EXPECT_EQ(0, RestoreBackup(NULL));
    RemoveDirectoryA(made.c_str());
    ASSERT_TRUE(MoveFileA(aside.c_str(), made.c_str()));

    // A key that lets Users change it is not trusted, whatever it records.
    ASSERT_TRUE(SetPlaceKeySddl("D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KW;;;BU)"));
    char unused[kBackupPathSize];
    EXPECT_EQ(kPlaceKeyUntrusted, (int)OpenBackupPlace(unused, sizeof unused, 1));
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(kPlaceKeyUntrusted, (int)summary.placeFault);
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, fixture.scratch.Full("Tree"), "v"));
    ASSERT_TRUE(SetPlaceKeySddl("D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)"));
    EXPECT_EQ(kPlaceUsable, (int)OpenBackupPlace(unused, sizeof unused, 0));

    // Back to the first root; the second goes with its backups, so that runs to come make no
    // more roots than this one.
    SetPlaceValue("Root", oldRootValue);
    SetPlaceValue("RootId", oldId);
    EXPECT_EQ(kPlaceUsable, (int)OpenBackupPlace(unused, sizeof unused, 0));
    EXPECT_TRUE(RemoveTree(made + "\\"));
}
