// The backup of a clean-up and its restore: one flow over registry items of several kinds, files,
// a folder and a service; items whose backup cannot be written stay; restore leaves a file that
// came back meanwhile with other content alone.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "clean/backup.h"
#include "clean/backup_place.h"
#include "clean/manifest.h"
#include "clean/deletion_driver.h"
#include "clean/restore.h"
#include "model/found_items.h"
#include "platform/text_ops.h"
#include "support/helpers.h"
#include "support/key_security.h"
#include "support/registry_dump.h"
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

namespace {

const char kBase[] = "Software\\EnvsweepTest\\Backup";
const char kHandlerClass[] = "{3F0A6C21-7B4E-4D19-A5C2-9E1D0B7F4A63}";
const char kNamespaceClass[] = "{8C2E5A17-1D3F-4B60-9A7E-2F4C6B8D0E95}";
const char kApproved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kNameSpace[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace\\";
const char kService[] = "EnvsweepBackupSvc";

// String data without a terminator: RegSetValueExA would count a NUL that follows the data.
uint8_t SetUnterminated(const ScratchKey& scratch, const std::string& relative, const char* name, const char* text)
{
    const std::string guarded = std::string(text) + "X";
    return scratch.SetBytes(relative, name, guarded.data(), (DWORD)guarded.size() - 1, REG_SZ);
}

FILETIME Time(WORD year, WORD month, WORD day)
{
    SYSTEMTIME system = {year, month, 0, day, 10, 20, 30, 0};
    FILETIME time;
    SystemTimeToFileTime(&system, &time);
    return time;
}

ULONGLONG Ticks(const FILETIME& time)
{
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

std::string ReadText(const std::string& path)
{
    char* text = NULL;
    DWORD length = 0;
    if (!LoadWholeFile(path.c_str(), &text, &length)) return "(unreadable)";
    const std::string result(text, length);
    LocalFree(text);
    return result;
}

// Attributes, times and content as one text. Wine reports the last write time as the creation
// time (Linux keeps none that could be set), so there the creation times agree whatever happens.
std::string StateOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return "(missing)";
    char head[128];
    snprintf(head, sizeof head, "attributes %lx, times %llx %llx %llx: ", (unsigned long)info.dwFileAttributes,
             Ticks(info.ftCreationTime), Ticks(info.ftLastAccessTime), Ticks(info.ftLastWriteTime));
    return head + ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? std::string() : ReadText(path));
}

// Sets attributes and times. The access time lies an hour ahead, after the file's change time,
// so that reading the file does not move it (Linux's relatime), neither here nor after a restore.
uint8_t Stamp(const std::string& path, DWORD attributes, const FILETIME& created, const FILETIME& written)
{
    const DWORD is = GetFileAttributesA(path.c_str());
    HANDLE handle = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, (is & FILE_ATTRIBUTE_DIRECTORY) ? FILE_FLAG_BACKUP_SEMANTICS : 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    FILETIME ahead;
    GetSystemTimeAsFileTime(&ahead);
    const ULONGLONG hour = 36000000000ULL;
    const ULONGLONG later = Ticks(ahead) + hour;
    ahead.dwHighDateTime = (DWORD)(later >> 32);
    ahead.dwLowDateTime = (DWORD)later;
    const uint8_t ok = SetFileTime(handle, &created, &ahead, &written) ? 1 : 0;
    CloseHandle(handle);
    return ok && SetFileAttributesA(path.c_str(), attributes) ? 1 : 0;
}

// The service's configuration as one line; empty when it does not exist.
std::string ServiceConfig(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_CONFIG) : NULL;
    std::string text;
    union {
        QUERY_SERVICE_CONFIGA config;
        BYTE bytes[8192];
    } buffer;
    DWORD needed = 0;
    if (service && QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed)) {
        const QUERY_SERVICE_CONFIGA& c = buffer.config;
        std::string dependencies;
        for (const char* p = c.lpDependencies; p && *p; p += strlen(p) + 1) dependencies += std::string(p) + ";";
        text = std::to_string(c.dwServiceType) + " " + std::to_string(c.dwStartType) + " " +
               std::to_string(c.dwErrorControl) + " " + c.lpBinaryPathName + " [" + c.lpLoadOrderGroup + "] [" +
               dependencies + "] " + c.lpDisplayName + " " + (c.lpServiceStartName ? c.lpServiceStartName : "");
    }
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return text;
}

void RemoveService(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, DELETE) : NULL;
    if (service) {
        DeleteService(service);
        CloseServiceHandle(service);
    }
    if (manager) CloseServiceHandle(manager);
}

uint8_t DeleteApprovedValue()
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApproved, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return 1;
    RegDeleteValueA(key, kNamespaceClass);
    RegCloseKey(key);
    return 1;
}

// What the flow seeds outside its scratch key: two classes, the namespace entry, and the
// "Approved" key that holds the entry's value.
std::string Registrations()
{
    return DumpText(DumpRegistry(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kHandlerClass)) +
           DumpText(DumpRegistry(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kNamespaceClass)) +
           DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, kNameSpace + std::string(kNamespaceClass))) +
           DumpText(DumpRegistry(HKEY_LOCAL_MACHINE, kApproved));
}

}  // namespace

// The whole flow: seed, delete everything ticked, check the backup and its log, then restore and
// check that every byte, type, attribute and time is back, and the service too.
TEST(Backup, DeleteAllBacksUpEveryItemAndRestoreGivesItAllBack)
{
    LockedScratchKey scratch(HKEY_CURRENT_USER, kBase);
    ScratchKey handlerClass(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kHandlerClass);
    ScratchKey namespaceClass(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kNamespaceClass);
    ScratchKey nameSpace(HKEY_LOCAL_MACHINE, kNameSpace + std::string(kNamespaceClass));
    ScratchFolder folder("backup");
    ScopedFoundItems scope(32);
    RemoveService(kService);
    DeleteApprovedValue();

    // A key with a subtree and odd values, one subkey locked (owner SYSTEM, we may only read it
    // and rewrite its DACL).
    ASSERT_TRUE(scratch.SetBytes("Tree", "multi", "a\0b c\0\0", 7, REG_MULTI_SZ));
    ASSERT_TRUE(scratch.SetBytes("Tree", "binary", "\0\x01\0\xff", 4, REG_BINARY));
    ASSERT_TRUE(SetUnterminated(scratch, "Tree", "unterminated", "abc"));
    ASSERT_TRUE(scratch.SetBytes("Tree", "empty", "", 0, REG_SZ));
    ASSERT_TRUE(scratch.SetBytes("Tree", NULL, "\x2a\0\0\0", 4, REG_DWORD));
    ASSERT_TRUE(scratch.SetString("Tree\\Child\\Grand", "deep", "value"));
    ASSERT_TRUE(scratch.SetString("Tree\\Locked", "secret", "kept"));
    ASSERT_TRUE(SetKeySecurity(HKEY_CURRENT_USER, scratch.Full("Tree\\Locked"), UserSddl("O:SYD:(A;;0x60019;;;%U)").c_str()));
    ASSERT_FALSE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Tree\\Locked"), KEY_ALL_ACCESS)) << "fixture not locked";
    ASSERT_TRUE(scratch.SetString("Values", "Drop", "%WINDIR%\\x", REG_EXPAND_SZ));
    ASSERT_TRUE(scratch.SetString("Values", "Stay", "y"));
    ASSERT_TRUE(scratch.SetString("Windows", "AppInit_DLLs", "a.dll nvdesk32.dll b.dll"));
    ASSERT_TRUE(scratch.SetString("Handler", NULL, kHandlerClass));
    ASSERT_TRUE(handlerClass.SetString("InprocServer32", NULL, "handler.dll"));
    ASSERT_TRUE(handlerClass.SetString("InprocServer32", "ThreadingModel", "Both"));
    ASSERT_TRUE(nameSpace.SetString("", NULL, "Namespace"));
    ASSERT_TRUE(namespaceClass.SetBytes("ShellFolder", "Attributes", "\0\0\0\xa0", 4, REG_DWORD));
    {
        HKEY approved = NULL;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kApproved, 0, NULL, 0, KEY_SET_VALUE, NULL,
                                                 &approved, NULL));
        RegSetValueExA(approved, kNamespaceClass, 0, REG_SZ, (const BYTE*)"Namespace ext", 14);
        RegCloseKey(approved);
    }

    // Files and a folder with attributes and times of their own, and a service.
    const std::string base = folder.path();
    for (const char* name : {"single.dll", "App\\a.txt", "App\\Sub\\b.bin", "svc.exe", "same.txt", "changed.txt"})
        ASSERT_TRUE(folder.WriteFile(name, std::string("content of ") + name + std::string(3, '\0')));
    ASSERT_TRUE(Stamp(base + "single.dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, Time(2001, 2, 3), Time(2002, 3, 4)));
    ASSERT_TRUE(Stamp(base + "App\\a.txt", FILE_ATTRIBUTE_ARCHIVE, Time(2003, 1, 1), Time(2003, 6, 1)));
    ASSERT_TRUE(Stamp(base + "App\\Sub\\b.bin", FILE_ATTRIBUTE_SYSTEM, Time(2004, 1, 1), Time(2004, 6, 1)));
    ASSERT_TRUE(Stamp(base + "App\\Sub", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, Time(2005, 1, 1), Time(2005, 6, 1)));
    ASSERT_TRUE(Stamp(base + "App", FILE_ATTRIBUTE_DIRECTORY, Time(2006, 1, 1), Time(2006, 6, 1)));
    ASSERT_TRUE(Stamp(base + "svc.exe", FILE_ATTRIBUTE_ARCHIVE, Time(2007, 1, 1), Time(2007, 6, 1)));
    const std::string binary = base + "svc.exe";
    {
        SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
        ASSERT_TRUE(manager != NULL);
        SC_HANDLE service = CreateServiceA(manager, kService, "Envsweep backup test", SERVICE_QUERY_CONFIG,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           binary.c_str(), "EnvsweepGroup", NULL, "EnvsweepDep\0+EnvsweepGroup2\0",
                                           NULL, NULL);
        ASSERT_TRUE(service != NULL) << GetLastError();
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }

    const RegistryDump registryBefore = DumpRegistry(HKEY_CURRENT_USER, kBase);
    const std::string registrationsBefore = Registrations();
    const std::string serviceBefore = ServiceConfig(kService);
    const char* const files[] = {"single.dll", "App", "App\\a.txt", "App\\Sub", "App\\Sub\\b.bin", "svc.exe"};
    std::vector<std::string> filesBefore;
    for (const char* name : files) {
        filesBefore.push_back(StateOf(base + name));
        ASSERT_NE("(missing)", filesBefore.back()) << name;
    }

    // No item here carries a why (rows never find these scratch keys and folders): the restore
    // checks them as a backup made before items carried one. The flow below has rows' items.
    FoundItem& tree = PushItem(kItemClassRegistry, RegistryRuleKind::KeyOrValue, HKEY_CURRENT_USER, scratch.Full("Tree"));
    tree.productIndex = 7;   // the log names the family
    PushItem(kItemClassRegistry, RegistryRuleKind::ServiceKey, HKEY_CURRENT_USER, scratch.Full("Values"), "Drop");
    PushItem(kItemClassRegistry, RegistryRuleKind::DllListValue, HKEY_CURRENT_USER, scratch.Full("Windows"), "AppInit_DLLs");
    PushItem(kItemClassRegistry, RegistryRuleKind::PropertySheetHandlerKey, HKEY_CURRENT_USER, scratch.Full("Handler"));
    PushItem(kItemClassRegistry, RegistryRuleKind::NamespaceExtensionScan, HKEY_LOCAL_MACHINE,
             kNameSpace + std::string(kNamespaceClass));
    PushItem(kItemClassFile, 0, NULL, base + "single.dll");
    PushItem(kItemClassFile, 0, NULL, base + "App");
    PushItem(kItemClassFile, 0, NULL, binary, NULL, kService);
    PushItem(kItemClassFile, 0, NULL, base + "same.txt");
    PushItem(kItemClassFile, 0, NULL, base + "changed.txt");

    DeletionSummary summary;
    ASSERT_EQ(1, DeleteAll(NULL, &summary));
    EXPECT_EQ(5, summary.registryCount);
    EXPECT_EQ(5, summary.fileCount);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, scratch.Full("Tree")));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kHandlerClass));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kNamespaceClass));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((base + "App").c_str()));
    EXPECT_EQ("", ServiceConfig(kService));

    // The backup: the folder of this clean-up, registry.reg with the locked key marked, the log.
    const std::string backup = NewestBackupFolder();
    ASSERT_FALSE(backup.empty());
    const std::string reg = ReadText(backup + kRegistryFileName);
    // With one half the items follow the header straight away: no native-names marker.
    const std::string start = "REGEDIT4\r\n\r\n; item 1: ";
    EXPECT_EQ(0, reg.compare(0, start.size(), start)) << reg.substr(0, 40);
    EXPECT_NE(std::string::npos, reg.find("; locked: its access control list was not saved\r\n\r\n[HKEY_CURRENT_USER\\" +
                                          scratch.Full("Tree\\Locked") + "]\r\n\"secret\"=\"kept\"\r\n"));
    EXPECT_NE(std::string::npos, reg.find("\"AppInit_DLLs\"=\"a.dll nvdesk32.dll b.dll\"\r\n"));
    const std::string log = ReadText(backup + kLogFileName);
    EXPECT_EQ(0, log.find("MorvaneTV Suite\tRegistry\t[HKEY_CURRENT_USER\\" + scratch.Full("Tree") + "] \tdeleted\t\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("\tFile\t" + binary + " (service " + kService + ")\tdeleted\t\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("\tFile\t" + base + "App\tdeleted\t\r\n")) << log;
    EXPECT_NE(std::string::npos,
              log.find("\r\nSummary: 10 ticked items (5 registry, 5 files): 10 deleted, 0 not deleted, 0 not backed up "
                       "and left in place\r\n"))
        << log;

    // Meanwhile one file came back as it was, another with other content.
    ASSERT_TRUE(folder.WriteFile("same.txt", std::string("content of same.txt") + std::string(3, '\0')));
    ASSERT_TRUE(folder.WriteFile("changed.txt", "other content"));

    const std::string name = backup.substr(backup.rfind('\\', backup.size() - 2) + 1, std::string::npos);
    EXPECT_EQ(0, RestoreBackup(name.substr(0, name.size() - 1).c_str())) << "the changed file did not come back";
    EXPECT_EQ(DumpText(registryBefore), DumpText(DumpRegistry(HKEY_CURRENT_USER, kBase)));
    EXPECT_EQ(registrationsBefore, Registrations());
    EXPECT_EQ(serviceBefore, ServiceConfig(kService));
    for (size_t i = 0; i < sizeof files / sizeof files[0]; i++) EXPECT_EQ(filesBefore[i], StateOf(base + files[i])) << files[i];
    EXPECT_EQ("other content", ReadText(base + "changed.txt"));
    // What restore-log.txt says: the locked key's security, the file left alone, the summary.
    const std::string restoreLog = ReadText(backup + kRestoreLogFileName);
    for (const std::string& line :
         {"registry\t[HKEY_CURRENT_USER\\" + scratch.Full("Tree\\Locked") + "]\twas locked: it comes back with the default security\r\n",
          "file\t" + base + "changed.txt\texists and differs from the backup: left alone\r\n",
          "file\t" + base + "same.txt\talready there, as in the backup\r\n",
          std::string("service\t") + kService + "\tcreated\r\n",
          std::string("Summary: not everything came back; the lines above say what\r\n")})
        EXPECT_NE(std::string::npos, restoreLog.find(line)) << line << "\n" << restoreLog;
    EXPECT_TRUE(KeyOpens(HKEY_CURRENT_USER, scratch.Full("Tree\\Locked"), KEY_ALL_ACCESS));

    RemoveService(kService);
    DeleteApprovedValue();
}

// Only what a clean-up could have taken comes back. A real backup of a key and a file with its
// service, found by real rows (registry rule 0, the file rule naming vfsvc.exe and its service),
// then edited to name a key elsewhere in HKLM, a file outside its rule's path, a copy outside
// files\ and, in an item without a why, a service whose image lies outside the system folders:
// /R restores the rest and skips exactly those four, a line each in restore-log.txt.
TEST(Backup, RestoreSkipsWhatNoRowCouldHaveFound)
{
    const RegistryRule& rule = kRegistryRules[0];
    ASSERT_EQ(RegistryRuleKind::KeyOrValue, rule.kind);
    int32_t fileRow = 0;
    while (kFileRules[fileRow].file != NULL && strcmp(kFileRules[fileRow].file, "vfsvc.exe@VFService") != 0) fileRow++;
    ASSERT_NE(nullptr, kFileRules[fileRow].file);
    ScratchKey ruleKey(rule.hive, rule.keyPath);
    ScratchKey elsewhere(HKEY_LOCAL_MACHINE, "Software\\EnvsweepTest\\Elsewhere");
    ScratchFolder outside("restore-outside");
    ScopedFoundItems scope(8);
    RemoveService("VFService");
    RemoveService("EnvsweepPlanted");
    char system[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryA(system, sizeof system));
    const std::string binary = std::string(system) + "\\vfsvc.exe";
    const std::string planted = outside.path() + "planted.exe";
    {
        HANDLE file = CreateFileA(binary.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        WriteFile(file, "service image", 13, &written, NULL);
        CloseHandle(file);
        SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
        ASSERT_TRUE(manager != NULL);
        SC_HANDLE service = CreateServiceA(manager, "VFService", "VisionForce", SERVICE_QUERY_CONFIG,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           binary.c_str(), NULL, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(service != NULL) << GetLastError();
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }
    ASSERT_TRUE(ruleKey.SetString("", "Version", "1.0"));
    ASSERT_TRUE(ruleKey.SetString("Sub", "v", "x"));
    const std::string keyBefore = DumpText(DumpRegistry(rule.hive, rule.keyPath));
    const std::string serviceBefore = ServiceConfig("VFService");

    FoundItem& key = PushItem(kItemClassRegistry, rule.kind, rule.hive, rule.keyPath);
    key.whyKind = kWhyRegistryRule;
    key.whyRow = 0;
    FoundItem& file = PushItem(kItemClassFile, 0, NULL, binary, NULL, "VFService");
    file.whyKind = kWhyFileRule;
    file.whyRow = fileRow;
    DeletionSummary summary;
    ASSERT_EQ(1, DeleteAll(NULL, &summary));
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(binary.c_str()));
    ASSERT_EQ("", ServiceConfig("VFService"));

    // Each item carries its row's why: in the log, registry.reg's item comment and the manifest.
    const std::string backup = NewestBackupFolder();
    const std::string fileWhy = "file rule " + std::to_string(fileRow);
    std::string reg = ReadText(backup + kRegistryFileName);
    std::string manifest = ReadText(backup + kManifestFileName);
    const std::string log = ReadText(backup + kLogFileName);
    EXPECT_NE(std::string::npos, log.find("\tdeleted\tregistry rule 0, kind 0\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find(" (service VFService)\tdeleted\t" + fileWhy + "\r\n")) << log;
    EXPECT_NE(std::string::npos, reg.find("; item 1 (registry rule 0, kind 0, item kind 0): [HKEY_LOCAL_MACHINE\\")) << reg;
    char rowField[16];
    snprintf(rowField, sizeof rowField, "%08lX", (unsigned long)fileRow);
    EXPECT_NE(std::string::npos, manifest.find("item\t2\t" + binary + "\t" + fileWhy + "\t00000002\t" + rowField + "\r\n"))
        << manifest;

    // The tampering: a key elsewhere in HKLM under the rule's why, a file outside the rule's path
    // and a copy path climbing out of files\ (both from the real F line), and an item without a
    // why whose service would run a planted image.
    reg += "\r\n; item 3 (registry rule 0, kind 0, item kind 0): planted\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\EnvsweepTest\\Elsewhere\\Planted]\r\n\"Run\"=\"planted\"\r\n";
    const size_t f = manifest.find("\r\nF\t") + 2;
    std::vector<std::string> fields;
    for (size_t at = f, tab; at < manifest.find("\r\n", f); at = tab + 1) {
        tab = std::min(manifest.find('\t', at), manifest.find("\r\n", f));
        fields.push_back(manifest.substr(at, tab - at));
    }
    ASSERT_EQ((size_t)kEntryHash + 1, fields.size());
    // A copy path climbing out of files\ is refused with the whole backup before anything is
    // written (the trust test shows it); the others reach the item checks.
    manifest += fields[0];
    for (size_t i = 1; i < 6; i++) manifest += "\t" + fields[i];
    manifest += "\t" + planted + "\t" + fields[7] + "\t" + fields[8] + "\r\nitem\t9\tC:\\planted\r\n" +
                "S\tEnvsweepPlanted\tPlanted\t00000010\t00000003\t00000001\t" + planted + "\t\t\t\r\n";
    ASSERT_TRUE(WriteWholeFile(backup + kRegistryFileName, reg));
    ASSERT_TRUE(WriteWholeFile(backup + kManifestFileName, manifest));

    const std::string name = backup.substr(backup.rfind('\\', backup.size() - 2) + 1);
    // Recorded again as if the backup had been made so: the item checks are what is shown here.
    char manifestHash[kSha256HexSize], registryHash[kSha256HexSize];
    ULONGLONG size = 0;
    ASSERT_TRUE(FileSha256((backup + kManifestFileName).c_str(), manifestHash, &size) &&
                FileSha256((backup + kRegistryFileName).c_str(), registryHash, &size));
    ASSERT_TRUE(RecordBackup(name.substr(0, name.size() - 1).c_str(), manifestHash, registryHash));
    EXPECT_EQ(0, RestoreBackup(name.substr(0, name.size() - 1).c_str())) << "skipped items count as not back";
    EXPECT_EQ(keyBefore, DumpText(DumpRegistry(rule.hive, rule.keyPath)));
    EXPECT_EQ("service image", ReadText(binary));
    EXPECT_EQ(serviceBefore, ServiceConfig("VFService"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, "Software\\EnvsweepTest\\Elsewhere\\Planted"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(planted.c_str()));
    EXPECT_EQ("", ServiceConfig("EnvsweepPlanted"));
    const std::string restoreLog = ReadText(backup + kRestoreLogFileName);
    size_t skips = 0;
    for (size_t at = restoreLog.find("\tskipped: "); at != std::string::npos; at = restoreLog.find("\tskipped: ", at + 1))
        skips++;
    EXPECT_EQ(3u, skips) << restoreLog;
    for (const std::string& expected :
         {std::string("registry\t[HKEY_LOCAL_MACHINE\\Software\\EnvsweepTest\\Elsewhere\\Planted]\tskipped: not below the key of its item's rule\r\n"),
          "file\t" + planted + "\tskipped: not what its row could have found\r\n",
          std::string("service\tEnvsweepPlanted\tskipped: its image lies outside the system folders and what the backup restores\r\n"),
          std::string("item\tC:\\planted\tmade before items carried their why: checked by the path guard and its copy alone\r\n"),
          std::string("service\tVFService\tcreated\r\n"), "file\t" + binary + "\trestored\r\n"})
        EXPECT_NE(std::string::npos, restoreLog.find(expected)) << expected << "\n" << restoreLog;

    RemoveService("VFService");
    DeleteFileA(binary.c_str());
}

// The backup root (...\envsweep) replaced by a file for the scope: no backup folder can be made.
// The real root is moved aside and put back, also after a crashed run.
class BlockedBackupRoot {
public:
    BlockedBackupRoot()
    {
        char root[kBackupPathSize];
        BackupRoot(root, sizeof root);
        root_ = root;
        root_.pop_back();
        aside_ = root_ + "-aside";
        Unblock();
        MoveFileA(root_.c_str(), aside_.c_str());
        HANDLE file = CreateFileA(root_.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
        ok_ = file != INVALID_HANDLE_VALUE;
        if (ok_) CloseHandle(file);
    }
    ~BlockedBackupRoot() { Unblock(); }
    bool ok() const { return ok_; }

private:
    void Unblock()
    {
        const DWORD attributes = GetFileAttributesA(root_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(root_.c_str());
        if (GetFileAttributesA(aside_.c_str()) != INVALID_FILE_ATTRIBUTES) MoveFileA(aside_.c_str(), root_.c_str());
    }
    std::string root_, aside_;
    bool ok_ = false;
};

// An item whose backup cannot be written is left in place and counts as not deleted: a file
// another process holds without sharing, a folder holding such a file, and any item when no
// backup folder can be made.
TEST(Backup, ItemsThatCannotBeBackedUpStayAndCountAsNotDeleted)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kBase);
    ScratchFolder folder("backup-fails");
    ScopedFoundItems scope(8);
    const std::string base = folder.path();
    for (const char* name : {"held.dll", "Dir\\held.sys", "Dir\\other.txt", "free.txt"}) ASSERT_TRUE(folder.WriteFile(name));
    {
        HeldFile heldFile(base + "held.dll");
        HeldFile heldInFolder(base + "Dir\\held.sys");
        ASSERT_TRUE(heldFile.ok() && heldInFolder.ok());
        FoundItem& file = PushItem(kItemClassFile, 0, NULL, base + "held.dll");
        FoundItem& dir = PushItem(kItemClassFile, 0, NULL, base + "Dir");
        FoundItem& free = PushItem(kItemClassFile, 0, NULL, base + "free.txt");
        DeletionSummary summary;
        EXPECT_EQ(0, DeleteAll(NULL, &summary));
        EXPECT_EQ(0, summary.filesAllDeleted);
        EXPECT_EQ(3, summary.fileCount);
        EXPECT_EQ(1, file.notDeleted);
        EXPECT_EQ(1, dir.notDeleted);
        EXPECT_EQ(0, free.notDeleted);
    }
    EXPECT_EQ("x", ReadText(base + "held.dll"));
    EXPECT_EQ("x", ReadText(base + "Dir\\other.txt")) << "nothing of the folder may go";
    const std::string log = ReadText(NewestBackupFolder() + kLogFileName);
    EXPECT_NE(std::string::npos, log.find("\tFile\t" + base + "Dir\tnot backed up (")) << log;
    EXPECT_NE(std::string::npos, log.find(": 1 deleted, 0 not deleted, 2 not backed up and left in place\r\n")) << log;

    ASSERT_TRUE(scratch.SetString("Key", "v", "data"));
    g_foundItems->count = 0;
    FoundItem& key = PushItem(kItemClassRegistry, RegistryRuleKind::KeyOrValue, HKEY_CURRENT_USER, scratch.Full("Key"));
    BlockedBackupRoot blocked;
    ASSERT_TRUE(blocked.ok());
    DeletionSummary summary;
    EXPECT_EQ(0, DeleteAll(NULL, &summary));
    EXPECT_EQ(0, summary.registryAllDeleted);
    EXPECT_EQ(1, key.notDeleted);
    EXPECT_TRUE(ValuePresent(HKEY_CURRENT_USER, scratch.Full("Key"), "v"));
}
