// The backup place: the protected root folder and its record in a protected key, the checks
// that the root is still what was made, and the records of finished backups.
#include "clean/backup_place.h"
#include <sddl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include "model/process_values.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

const char kPlaceKeyPath[] = "SOFTWARE\\envsweep";
const char kBackupRecordsKeyName[] = "Backups";
// Full control for SYSTEM and Administrators, nothing inherited from above, nobody else.
const char kRootFolderSddl[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const char kPlaceKeySddl[] = "O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)";

static const char kRootName[] = "envsweep";
static const char kRootValue[] = "Root";
static const char kRootIdValue[] = "RootId";
static const char kManifestHashValue[] = "manifest.txt";
static const char kRegistryHashValue[] = "registry.reg";
static const int kStampLength = 22;   // "backup-YYYYMMDD-HHMMSS"
static const DWORD kWritingRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

typedef BOOL(WINAPI* SddlToDescriptorFn)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);

// A descriptor built from SDDL (freed with LocalFree); absent before Windows 2000.
static PSECURITY_DESCRIPTOR DescriptorFromSddl(const char* sddl)
{
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    const SddlToDescriptorFn convert = reinterpret_cast<SddlToDescriptorFn>(reinterpret_cast<void*>(
        advapi ? GetProcAddress(advapi, "ConvertStringSecurityDescriptorToSecurityDescriptorA") : NULL));
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (convert == NULL || !convert(sddl, SDDL_REVISION_1, &descriptor, NULL)) return NULL;
    return descriptor;
}

static uint8_t IsNineX()
{
    return g_platformKind == 1 ? 1 : 0;
}

uint8_t LegacyBackupRoot(char* out, int size)
{
    char base[kPathSize];
    // The local application data; where a system has none (the 9x family before IE 5), the
    // roaming one.
    if (!SpecialFolderPath(CSIDL_LOCAL_APPDATA, base) && !SpecialFolderPath(CSIDL_APPDATA, base)) return 0;
    StripBackslash(base);
    return FormatFits(out, size, "%s\\%s\\", base, kRootName);
}

uint8_t PathFreeOfLinks(const char* path)
{
    char canonical[kPathSize];
    if (!CanonicalPath(path, canonical, sizeof canonical) || canonical[1] != ':') return 0;
    // Each folder from the drive's root down, then the path itself.
    for (char* p = canonical + 3;; p++) {
        const char c = *p;
        if (c != '\\' && c != '\0') continue;
        *p = '\0';
        const DWORD attributes = GetFileAttributesA(canonical);
        *p = c;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
        if (c == '\0') break;
    }
    // Where the platform resolves links for an open handle, the path must resolve to itself.
    char final[kPathSize];
    if (FinalPath(canonical, final, sizeof final) && CompareNoCase(final, canonical) != 0) return 0;
    return 1;
}

// "volume:index" of the folder itself (a link is opened as itself); 0 when not a plain folder.
static uint8_t FolderId(const char* path, char* id, int size)
{
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    uint8_t ok = GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                     ? 1
                     : 0;
    CloseHandle(handle);
    return ok && FormatFits(id, size, "%08lX:%08lX%08lX", (unsigned long)info.dwVolumeSerialNumber,
                            (unsigned long)info.nFileIndexHigh, (unsigned long)info.nFileIndexLow);
}

// 1 when a SID is SYSTEM, Administrators or TrustedInstaller.
static uint8_t IsTrustedSid(PSID sid)
{
    static SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID known[3] = {NULL, NULL, NULL};
    AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &known[0]);
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &known[1]);
    AllocateAndInitializeSid(&nt, 6, 80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u, 0, 0, &known[2]);
    uint8_t trusted = 0;
    for (int i = 0; i < 3; i++) {
        if (known[i] != NULL && sid != NULL && EqualSid(sid, known[i])) trusted = 1;
        if (known[i] != NULL) FreeSid(known[i]);
    }
    return trusted;
}

// 1 when only SYSTEM, Administrators or TrustedInstaller own the key or may change it.
static uint8_t KeyListIsTight(HKEY key)
{
    DWORD size = 0;
    if (RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, NULL, &size) !=
            ERROR_INSUFFICIENT_BUFFER ||
        size == 0 || size > 65536)
        return 0;
    PSECURITY_DESCRIPTOR descriptor = (PSECURITY_DESCRIPTOR)LocalAlloc(LMEM_FIXED, size);
    if (descriptor == NULL) return 0;
    uint8_t tight = RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor, &size) ==
                        ERROR_SUCCESS
                        ? 1
                        : 0;
    PSID owner = NULL;
    BOOL defaulted = FALSE, present = FALSE;
    PACL acl = NULL;
    if (tight) tight = GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && IsTrustedSid(owner) ? 1 : 0;
    // No list at all lets everyone in.
    if (tight) tight = GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) && present && acl != NULL;
    for (DWORD i = 0; tight && i < acl->AceCount; i++) {
        ACE_HEADER* header = NULL;
        if (!GetAce(acl, i, (void**)&header)) tight = 0;
        else if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
        else {
            ACCESS_ALLOWED_ACE* allowed = (ACCESS_ALLOWED_ACE*)header;
            if ((allowed->Mask & kWritingRights) && !IsTrustedSid((PSID)&allowed->SidStart)) tight = 0;
        }
    }
    LocalFree(descriptor);
    return tight;
}

// The place's key, made with its protected list when absent; an existing one only when tight.
static PlaceFault OpenPlaceKey(uint8_t create, HKEY* key)
{
    *key = NULL;
    if (IsNineX()) {
        const LONG opened = create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, key, NULL)
                                   : RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, KEY_ALL_ACCESS, key);
        if (opened == ERROR_SUCCESS) return kPlaceUsable;
        return create ? kPlaceCannotMake : kPlaceNoRecord;
    }
    DWORD disposition = 0;
    LONG opened = ERROR_FILE_NOT_FOUND;
    if (create) {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, DescriptorFromSddl(kPlaceKeySddl), FALSE};
        if (attributes.lpSecurityDescriptor == NULL) return kPlaceCannotMake;
        opened = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, &attributes, key,
                                 &disposition);
        // Set once more on a key made now: Wine does not apply what creating it asked for.
        if (opened == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY &&
            RegSetKeySecurity(*key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              attributes.lpSecurityDescriptor) != ERROR_SUCCESS) {
            RegCloseKey(*key);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPlaceKeyPath);
            opened = ERROR_ACCESS_DENIED;
        }
        LocalFree(attributes.lpSecurityDescriptor);
        if (opened != ERROR_SUCCESS) return kPlaceCannotMake;
        if (disposition == REG_CREATED_NEW_KEY) return kPlaceUsable;
    } else if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPlaceKeyPath, 0, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) {
        return kPlaceNoRecord;
    }
    if (KeyListIsTight(*key)) return kPlaceUsable;
    RegCloseKey(*key);
    *key = NULL;
    return kPlaceKeyUntrusted;
}

static uint8_t ReadText(HKEY key, const char* name, char* out, DWORD size)
{
    DWORD type = 0, length = size;
    out[0] = '\0';
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)out, &length) != ERROR_SUCCESS || type != REG_SZ) return 0;
    out[length < size ? length : size - 1] = '\0';
    return out[0] != '\0';
}

static uint8_t WriteText(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1) == ERROR_SUCCESS;
}

// A new root below the common application data, under the first free name.
static PlaceFault MakeRoot(HKEY key, char* root, int size)
{
    char base[kPathSize];
    if (!SpecialFolderPath(CSIDL_COMMON_APPDATA, base)) return kPlaceCannotMake;
    StripBackslash(base);
    if (!PathFreeOfLinks(base)) return kPlaceRootChanged;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, DescriptorFromSddl(kRootFolderSddl), FALSE};
    if (attributes.lpSecurityDescriptor == NULL) return kPlaceCannotMake;
    PlaceFault fault = kPlaceCannotMake;
    for (int n = 1; n < 100; n++) {
        char tail[8] = "";
        if (n > 1) snprintf(tail, sizeof tail, "-%d", n);
        if (!FormatFits(root, size - 1, "%s\\%s%s", base, kRootName, tail)) break;
        // A folder already there is someone else's: only one made now is ours.
        if (!CreateDirectoryA(root, &attributes)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        char id[40];
        if (FolderId(root, id, sizeof id) && WriteText(key, kRootValue, root) && WriteText(key, kRootIdValue, id))
            fault = kPlaceUsable;
        break;
    }
    LocalFree(attributes.lpSecurityDescriptor);
    if (fault == kPlaceUsable) AppendBackslash(root, size);
    return fault;
}

// The recorded root checked against its record; create 1 makes a new one when none is recorded
// or the recorded folder no longer exists.
static PlaceFault CheckedRoot(HKEY key, char* root, int size, uint8_t create)
{
    char recorded[kPathSize], id[40], now[40];
    if (!ReadText(key, kRootValue, recorded, sizeof recorded) || !ReadText(key, kRootIdValue, id, sizeof id))
        return create ? MakeRoot(key, root, size) : kPlaceNoRecord;
    if (GetFileAttributesA(recorded) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND && create)
        return MakeRoot(key, root, size);
    if (!FolderId(recorded, now, sizeof now) || strcmp(now, id) != 0 || !PathFreeOfLinks(recorded))
        return kPlaceRootChanged;
    if (!FormatFits(root, size, "%s\\", recorded)) return kPlaceCannotMake;
    return kPlaceUsable;
}

PlaceFault OpenBackupPlace(char* root, int size, uint8_t create)
{
    if (IsNineX()) {
        if (!LegacyBackupRoot(root, size)) return kPlaceCannotMake;
        if (create) CreateDirectoryA(root, NULL);
        return DirectoryExists(root) ? kPlaceUsable : create ? kPlaceCannotMake : kPlaceNoRecord;
    }
    HKEY key = NULL;
    PlaceFault fault = OpenPlaceKey(create, &key);
    if (fault != kPlaceUsable) return fault;
    fault = CheckedRoot(key, root, size, create);
    RegCloseKey(key);
    return fault;
}

const char* PlaceFaultText(PlaceFault fault)
{
    switch (fault) {
    case kPlaceUsable: return "the backup place is usable";
    case kPlaceKeyUntrusted: return "the registry key HKLM\\SOFTWARE\\envsweep lets others than the administrators change it";
    case kPlaceNoRecord: return "no backup place is recorded";
    case kPlaceRootChanged: return "the backup folder is no longer the one envsweep made (a link, or another folder)";
    case kPlaceCannotMake: return "the backup folder or its registry record could not be made";
    }
    return "";
}

// The records' key below the place's key.
static uint8_t OpenRecords(uint8_t create, HKEY* records)
{
    HKEY key = NULL;
    if (OpenPlaceKey(create, &key) != kPlaceUsable) return 0;
    const LONG opened = create ? RegCreateKeyExA(key, kBackupRecordsKeyName, 0, NULL, 0, KEY_ALL_ACCESS, NULL, records, NULL)
                               : RegOpenKeyExA(key, kBackupRecordsKeyName, 0, KEY_READ, records);
    RegCloseKey(key);
    return opened == ERROR_SUCCESS ? 1 : 0;
}

uint8_t RecordBackup(const char* name, const char* manifestHash, const char* registryHash)
{
    HKEY records = NULL, record = NULL;
    if (!OpenRecords(1, &records)) return 0;
    uint8_t ok = RegCreateKeyExA(records, name, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &record, NULL) == ERROR_SUCCESS;
    RegCloseKey(records);
    if (!ok) return 0;
    ok = WriteText(record, kManifestHashValue, manifestHash) && WriteText(record, kRegistryHashValue, registryHash);
    RegCloseKey(record);
    return ok;
}

uint8_t RecordedBackup(const char* name, char manifestHash[kSha256HexSize], char registryHash[kSha256HexSize])
{
    HKEY records = NULL, record = NULL;
    if (!OpenRecords(0, &records)) return 0;
    uint8_t ok = RegOpenKeyExA(records, name, 0, KEY_READ, &record) == ERROR_SUCCESS;
    RegCloseKey(records);
    if (!ok) return 0;
    ok = ReadText(record, kManifestHashValue, manifestHash, kSha256HexSize) &&
         ReadText(record, kRegistryHashValue, registryHash, kSha256HexSize);
    RegCloseKey(record);
    return ok;
}

uint8_t ParseBackupName(const char* name, long* suffix)
{
    static const char kPattern[] = "backup-########-######";
    for (int i = 0; i < kStampLength; i++) {
        const char c = name[i];
        if (kPattern[i] == '#' ? (c < '0' || c > '9') : c != kPattern[i]) return 0;
    }
    *suffix = 1;
    if (name[kStampLength] == '\0') return 1;
    if (name[kStampLength] != '-' || name[kStampLength + 1] == '\0') return 0;
    long value = 0;
    for (const char* p = name + kStampLength + 1; *p != '\0'; p++) {
        if (*p < '0' || *p > '9' || value > 100000) return 0;
        value = value * 10 + (*p - '0');
    }
    *suffix = value;
    return 1;
}

uint8_t NewestRecordedBackup(char* name, int size)
{
    HKEY records = NULL;
    if (!OpenRecords(0, &records)) return 0;
    uint8_t any = 0;
    long bestSuffix = 0;
    char found[256];
    for (DWORD index = 0;; index++) {
        DWORD length = sizeof found;
        if (RegEnumKeyExA(records, index, found, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        long suffix = 0;
        if (!ParseBackupName(found, &suffix) || (int)strlen(found) >= size) continue;
        const int order = any ? strncmp(found, name, kStampLength) : 1;
        if (order > 0 || (order == 0 && suffix > bestSuffix)) {
            lstrcpynA(name, found, size);
            bestSuffix = suffix;
            any = 1;
        }
    }
    RegCloseKey(records);
    return any;
}
