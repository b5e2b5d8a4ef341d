// Key security for the removal tests.
#include "support/key_security.h"
#include <sddl.h>

std::string CurrentUserSidString()
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD length = 0;
    std::string result;
    char* text = NULL;
    if (GetTokenInformation(token, TokenUser, &info, sizeof info, &length) &&
        ConvertSidToStringSidA(info.user.User.Sid, &text)) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

static std::string SidText(PSID sid)
{
    char* text = NULL;
    if (!ConvertSidToStringSidA(sid, &text)) return "";
    std::string result = text;
    LocalFree(text);
    return result;
}

static std::vector<BYTE> ReadSecurity(HKEY root, const std::string& path, SECURITY_INFORMATION what)
{
    std::vector<BYTE> descriptor;
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return descriptor;
    DWORD size = 0;
    RegGetKeySecurity(key, what, NULL, &size);
    descriptor.resize(size ? size : 1);
    if (RegGetKeySecurity(key, what, descriptor.data(), &size) != ERROR_SUCCESS) descriptor.clear();
    RegCloseKey(key);
    return descriptor;
}

uint8_t ReadKeyDacl(HKEY root, const std::string& path, std::vector<AceRecord>* aces, uint8_t* present)
{
    aces->clear();
    *present = 0;
    std::vector<BYTE> descriptor = ReadSecurity(root, path, DACL_SECURITY_INFORMATION);
    if (descriptor.empty()) return 0;
    BOOL hasDacl = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = NULL;
    if (!GetSecurityDescriptorDacl(descriptor.data(), &hasDacl, &acl, &defaulted)) return 0;
    if (!hasDacl || acl == NULL) return 1;
    *present = 1;
    for (DWORD i = 0; i < acl->AceCount; i++) {
        ACE_HEADER* header = NULL;
        if (!GetAce(acl, i, (LPVOID*)&header)) return 0;
        AceRecord record;
        record.type = header->AceType;
        record.flags = header->AceFlags;
        // Allowed and denied entries share the layout: header, mask, SID.
        const ACCESS_ALLOWED_ACE* ace = (const ACCESS_ALLOWED_ACE*)header;
        record.mask = ace->Mask;
        record.sid = SidText((PSID)&ace->SidStart);
        aces->push_back(record);
    }
    return 1;
}

std::string KeyOwner(HKEY root, const std::string& path)
{
    std::vector<BYTE> descriptor = ReadSecurity(root, path, OWNER_SECURITY_INFORMATION);
    if (descriptor.empty()) return "";
    PSID owner = NULL;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) || owner == NULL) return "";
    return SidText(owner);
}

std::string UserSddl(const std::string& pattern)
{
    const std::string user = CurrentUserSidString();
    std::string result;
    for (size_t i = 0; i < pattern.size(); i++) {
        if (pattern.compare(i, 2, "%U") == 0) {
            result += user;
            i++;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

uint8_t UnlockKey(HKEY root, const std::string& path, uint8_t view)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(UserSddl("D:(A;;KA;;;%U)").c_str(), SDDL_REVISION_1,
                                                              &descriptor, NULL))
        return 0;
    HKEY key = NULL;
    uint8_t ok = 0;
    if (OpenKeyInView({root, path.c_str(), view}, WRITE_DAC, &key) == ERROR_SUCCESS) {
        ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS ? 1 : 0;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return ok;
}

uint8_t KeyOpens(HKEY root, const std::string& path, REGSAM access)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return 1;
}

void UnlockTree(HKEY root, const std::string& path, uint8_t view)
{
    UnlockKey(root, path, view);
    std::vector<std::string> names;
    HKEY key = NULL;
    if (OpenKeyInView({root, path.c_str(), view}, KEY_READ, &key) != ERROR_SUCCESS) return;
    char name[256];
    for (DWORD index = 0;; index++) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& child : names) UnlockTree(root, path + "\\" + child, view);
}

static const std::string& UnlockedFirst(HKEY root, const std::string& path, uint8_t view)
{
    UnlockTree(root, path, view);
    return path;
}

LockedScratchKey::LockedScratchKey(HKEY root, const std::string& path, uint8_t view)
    : ScratchKey(root, UnlockedFirst(root, path, view), view)
{
}

LockedScratchKey::~LockedScratchKey()
{
    UnlockTree(root(), path(), view());   // before the scratch key removes the subtree
}
