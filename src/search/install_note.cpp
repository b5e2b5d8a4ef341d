// The checks an install-folder note passes before the search opens anything on its path.
#include "search/install_note.h"
#include <shlobj.h>
#include <string.h>
#include "model/process_values.h"
#include "platform/ascii_case.h"
#include "platform/path_guard.h"
#include "platform/path_ops.h"
#include "platform/text_ops.h"

// A well-known SID by its authority and sub-authorities; a row with no sub-authority ends the table.
struct TrustedSid {
    BYTE authority;
    BYTE count;
    DWORD sub[6];
};

const TrustedSid kTrustedSids[] = {
    { 5, 2, { 32, 544 } },                                               // BUILTIN\Administrators
    { 5, 1, { 18 } },                                                    // SYSTEM
    { 5, 6, { 80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464u } },   // TrustedInstaller
    { 0, 0, { 0 } },
};

// The names the platform takes as devices in any folder, with or without an extension.
const char* const kDeviceNames[] = {
    "CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$",
    "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
    "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
    nullptr,
};

// Rights on a key that change it or who may: any of them makes its holder a writer.
const DWORD kWritingRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC |
                             WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

// 1 when the step (length bytes) is a device name, alone or before a "." or trailing spaces.
static uint8_t IsDeviceStep(const char* step, size_t length)
{
    for (int i = 0; kDeviceNames[i] != nullptr; i++) {
        const size_t nameLength = strlen(kDeviceNames[i]);
        if (length < nameLength || _strnicmp(step, kDeviceNames[i], nameLength) != 0) continue;
        if (length == nameLength || step[nameLength] == '.' || step[nameLength] == ' ' || step[nameLength] == ':') return 1;
    }
    return 0;
}

uint8_t NoteIsLocalPath(const char* text)
{
    if (text == NULL) return 0;
    const char letter = AsciiLower(text[0]);
    if (letter < 'a' || letter > 'z' || text[1] != ':' || (text[2] != '\\' && text[2] != '/')) return 0;
    // Every step after the root: none ".", ".." or a device (a doubled separator is a spelling).
    const char* step = text + 3;
    for (const char* p = step;; p++) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            const size_t length = (size_t)(p - step);
            if ((length == 1 && step[0] == '.') || (length == 2 && step[0] == '.' && step[1] == '.')) return 0;
            if (length > 0 && IsDeviceStep(step, length)) return 0;
            if (*p == '\0') break;
            step = p + 1;
        } else if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0') {
            p++;   // a trailing byte 92 is no separator
        }
    }
    const char root[4] = {text[0], ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE ? 1 : 0;
}

static uint8_t IsTrustedSid(PSID sid)
{
    if (sid == NULL || !IsValidSid(sid)) return 0;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    const BYTE count = *GetSidSubAuthorityCount(sid);
    for (int i = 0; kTrustedSids[i].count != 0; i++) {
        const TrustedSid& row = kTrustedSids[i];
        if (authority->Value[0] != 0 || authority->Value[1] != 0 || authority->Value[2] != 0 ||
            authority->Value[3] != 0 || authority->Value[4] != 0 || authority->Value[5] != row.authority)
            continue;
        if (count != row.count) continue;
        uint8_t same = 1;
        for (int k = 0; k < row.count && same; k++) same = *GetSidSubAuthority(sid, (DWORD)k) == row.sub[k];
        if (same) return 1;
    }
    return 0;
}

uint8_t NoteKeyIsTrusted(HKEY key)
{
    if (g_platformKind == 1) return 1;
    BYTE buffer[4096];
    DWORD size = sizeof buffer;
    if (RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, buffer, &size) != ERROR_SUCCESS)
        return 0;
    PSID owner = NULL;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(buffer, &owner, &defaulted) || !IsTrustedSid(owner)) return 0;
    BOOL present = FALSE;
    PACL dacl = NULL;
    if (!GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted) || !present || dacl == NULL) return 0;
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        void* entry = NULL;
        if (!GetAce(dacl, i, &entry)) return 0;
        const ACE_HEADER* header = (const ACE_HEADER*)entry;
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;   // applies to subkeys made later only
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE ||
            header->AceType == SYSTEM_ALARM_ACE_TYPE || header->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE)
            continue;
        // Any other kind of allow entry (callback, object) is not read: the key is not trusted.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return 0;
        const ACCESS_ALLOWED_ACE* allow = (const ACCESS_ALLOWED_ACE*)entry;
        if ((allow->Mask & kWritingRights) != 0 && !IsTrustedSid((PSID)&allow->SidStart)) return 0;
    }
    return 1;
}

// 1 when canonical is base or lies below it (both canonical; case ignored).
static uint8_t IsAtOrBelow(const char* canonical, const char* base)
{
    char form[kPathSize];
    if (!CanonicalPath(base, form, sizeof form)) return 0;
    const size_t length = strlen(form);
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, canonical, (int)strnlen(canonical, length), form,
                       (int)length) != CSTR_EQUAL)
        return 0;
    return canonical[length] == '\0' || canonical[length] == '\\' || form[length - 1] == '\\' ? 1 : 0;
}

uint8_t NotePlaceAllowed(SearchSession* session, const char* canonical)
{
    char base[kPathSize];
    const UINT written = GetWindowsDirectoryA(base, sizeof base);
    if (written > 0 && written < sizeof base && IsAtOrBelow(canonical, base)) return 0;
    if (SessionShellFolder(session, CSIDL_COMMON_APPDATA, base)) {
        AppendBackslash(base, sizeof base);
        char microsoft[kPathSize];
        if (FormatFits(microsoft, sizeof microsoft, "%sMicrosoft", base) && IsAtOrBelow(canonical, microsoft)) return 0;
    }
    return 1;
}
