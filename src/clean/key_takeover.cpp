// The access takeover: an allow entry for the running user appended to a key's DACL, and the old
// DACL put back on a key that is still there afterwards.
#include "clean/key_takeover.h"
#include "model/process_values.h"

// The SID of the account this process runs as, from its token. Looking the user name up instead
// could find another account of the same name (a domain account shadowing a local one).
static uint8_t CurrentUserSid(BYTE sid[kUserSidSize])
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + kUserSidSize];
    } info;
    DWORD length = 0;
    uint8_t ok = 0;
    if (GetTokenInformation(token, TokenUser, &info, sizeof info, &length) && IsValidSid(info.user.User.Sid) &&
        CopySid(kUserSidSize, sid, info.user.User.Sid))
        ok = 1;
    CloseHandle(token);
    return ok;
}

// A new DACL: every entry of oldAcl in its order, then allow KEY_ALL_ACCESS for sid. NULL on any
// failure; the caller frees the list with LocalFree.
static PACL BuildExtendedAcl(PACL oldAcl, PSID sid)
{
    ACL_SIZE_INFORMATION sizes;
    if (!GetAclInformation(oldAcl, &sizes, sizeof sizes, AclSizeInformation)) return NULL;
    // An access-allowed entry is 12 bytes with the first word of its SID; GetLengthSid counts
    // that word already.
    const DWORD size = sizes.AclBytesInUse + GetLengthSid(sid) + 8;
    PACL acl = (PACL)LocalAlloc(LPTR, size);
    if (acl == NULL) return NULL;
    uint8_t ok = InitializeAcl(acl, size, ACL_REVISION) ? 1 : 0;
    for (DWORD i = 0; ok && i < sizes.AceCount; i++) {
        LPVOID ace = NULL;
        ok = GetAce(oldAcl, i, &ace) && AddAce(acl, ACL_REVISION, MAXDWORD, ace, ((ACE_HEADER*)ace)->AceSize) ? 1 : 0;
    }
    if (ok) ok = AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, sid) ? 1 : 0;
    if (!ok) {
        LocalFree(acl);
        return NULL;
    }
    return acl;
}

// Reads the DACL of the open key and stores it again with the user's entry appended.
static uint8_t StoreExtendedDacl(HKEY key, PSID sid, PSECURITY_DESCRIPTOR oldDescriptor)
{
    DWORD size = kOldDescriptorSize;
    if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, oldDescriptor, &size) != ERROR_SUCCESS) return 0;
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return 0;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL oldAcl = NULL;
    if (!GetSecurityDescriptorDacl(oldDescriptor, &present, &oldAcl, &defaulted)) return 0;
    // No DACL or a null DACL already grants everyone everything: nothing to take over.
    if (!present || oldAcl == NULL) return 0;
    PACL acl = BuildExtendedAcl(oldAcl, sid);
    if (acl == NULL) return 0;
    uint8_t result = 0;
    if (SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS)
        result = 1;
    LocalFree(acl);
    return result;
}

DWORD KeyAsItself()
{
    return g_platformKind == 1 ? 0 : REG_OPTION_OPEN_LINK;
}

LONG OpenKeyWithOptions(const KeyInView& key, DWORD options, REGSAM access, HKEY* opened)
{
    return RegOpenKeyExA(key.hive, key.path, options, access | RegistryViewFlag(key.view), opened);
}

uint8_t GrantCurrentUserKeyAccess(const KeyInView& key, KeyAccessBefore* before, DWORD options)
{
    if (before != NULL) before->descriptor = NULL;
    BYTE sid[kUserSidSize];
    if (!CurrentUserSid(sid)) return 0;
    HKEY opened = NULL;
    if (OpenKeyWithOptions(key, options, KEY_READ | WRITE_DAC, &opened) != ERROR_SUCCESS) return 0;
    uint8_t result = 0;
    PSECURITY_DESCRIPTOR oldDescriptor = (PSECURITY_DESCRIPTOR)LocalAlloc(LPTR, kOldDescriptorSize);
    if (oldDescriptor != NULL) {
        result = StoreExtendedDacl(opened, (PSID)sid, oldDescriptor);
        if (result && before != NULL) before->descriptor = oldDescriptor;
        else LocalFree(oldDescriptor);
    }
    RegCloseKey(opened);
    return result;
}

uint8_t PutBackKeyAccess(const KeyInView& key, KeyAccessBefore* before, DWORD options)
{
    if (before->descriptor == NULL) return 1;
    HKEY opened = NULL;
    const LONG rc = OpenKeyWithOptions(key, options, WRITE_DAC, &opened);
    uint8_t result = rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
    if (rc == ERROR_SUCCESS) {
        result = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, before->descriptor) == ERROR_SUCCESS ? 1 : 0;
        RegCloseKey(opened);
    }
    LocalFree(before->descriptor);
    before->descriptor = NULL;
    return result;
}
