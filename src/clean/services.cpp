// Services through the service manager: stop and delete, the wait for a stopped service's
// process to let go of its file (an exclusive open for deletion, tried again every few
// milliseconds within a fixed limit), and the service's line of the manifest, written by the
// backup and read by the restore.
#include "clean/services.h"
#include <stdio.h>
#include <string.h>
#include "clean/manifest.h"
#include "clean/restore.h"
#include "platform/machine_halves.h"
#include "platform/text_ops.h"

namespace {

// The service manager marks a service that a 32-bit process creates under WOW64 with a "WOW64"
// value naming that process's machine. The restore stands in for the service's own installer:
// the mark is not part of what was saved, and the service key's saved values, restored after
// the services, put it back where the service had it.
void ForgetCreatorHalf(const char* name)
{
    if (g_machineHalves != kOtherHalfNative) return;
    char path[512];
    if (!FormatFits(path, sizeof path, "SYSTEM\\CurrentControlSet\\Services\\%s", name)) return;
    HKEY key = NULL;
    if (OpenKeyInView({HKEY_LOCAL_MACHINE, path, kViewOwn}, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "WOW64");
    RegCloseKey(key);
}

const DWORD kRetryMs = 15;
const DWORD kServiceConfigSize = 8192;   // the most QueryServiceConfigA ever needs

union ServiceConfig {
    QUERY_SERVICE_CONFIGA config;
    BYTE bytes[kServiceConfigSize];
};

// 1 when nobody holds the file: it opens for deletion without sharing. The handle is closed at
// once; nothing is changed.
uint8_t FileIsFree(const char* path)
{
    HANDLE file = CreateFileA(path, DELETE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

uint8_t RestoreService(const ManifestLine& line, OutputFile* log)
{
    const char* name = line.fields[kServiceName];
    // The dependency list needs its closing second NUL back.
    char dependencies[kServiceConfigSize];
    const DWORD listLength = line.lengths[kServiceDependencies];
    if (listLength + 2 > sizeof dependencies)
        return LogRestoreResult(log, "service", name, "its dependencies do not fit", 0);
    memcpy(dependencies, line.fields[kServiceDependencies], listLength);
    dependencies[listLength] = '\0';
    dependencies[listLength + 1] = '\0';
    const char* group = line.fields[kServiceGroup][0] != '\0' ? line.fields[kServiceGroup] : NULL;
    const char* startName = line.fields[kServiceStartName][0] != '\0' ? line.fields[kServiceStartName] : NULL;

    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (manager == NULL) return LogRestoreResult(log, "service", name, "the service manager cannot be opened", 0);
    SC_HANDLE service = CreateServiceA(manager, name, line.fields[kServiceDisplayName], SERVICE_QUERY_CONFIG,
                                       FieldNumber(line.fields[kServiceType]), FieldNumber(line.fields[kServiceStart]),
                                       FieldNumber(line.fields[kServiceErrorControl]), line.fields[kServiceImage],
                                       group, NULL, listLength > 0 ? dependencies : NULL, startName, NULL);
    uint8_t ok = service != NULL ? 1 : 0;
    if (ok) ForgetCreatorHalf(name);
    const char* outcome = "created";
    char text[64];
    if (service == NULL && GetLastError() == ERROR_SERVICE_EXISTS) {
        // One that is there already counts as back when it runs the same image.
        service = OpenServiceA(manager, name, SERVICE_QUERY_CONFIG);
        ServiceConfig buffer;
        DWORD needed = 0;
        ok = service != NULL && QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed) &&
                     buffer.config.lpBinaryPathName != NULL &&
                     lstrcmpiA(buffer.config.lpBinaryPathName, line.fields[kServiceImage]) == 0
                 ? 1
                 : 0;
        outcome = ok ? "already there" : "exists with another image path: left alone";
    } else if (service == NULL) {
        snprintf(text, sizeof text, "not created (error %lu)", (unsigned long)GetLastError());
        outcome = text;
    }
    if (service != NULL) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return LogRestoreResult(log, "service", name, outcome, ok);
}

}  // namespace

uint8_t StopAndDeleteService(const char* name)
{
    if (name == NULL) return 0;
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) return 0;
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (service == NULL) {
        CloseServiceHandle(manager);
        return 0;
    }
    // No wait for the stopped state: the deletion driver pauses after this call.
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    const uint8_t result = DeleteService(service) ? 1 : 0;
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

uint8_t WaitForFileRelease(const char* path, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (path != NULL && path[0] != '\0' && FileIsFree(path)) return 1;
        const DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) return 0;
        const DWORD left = limitMs - waited;
        Sleep(left < kRetryMs ? left : kRetryMs);
    }
}

SaveResult SaveService(OutputFile* out, const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (manager == NULL) return kSaveFailed;
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_CONFIG);
    if (service == NULL) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return error == ERROR_SERVICE_DOES_NOT_EXIST || error == ERROR_INVALID_NAME ? kSaveMissing : kSaveFailed;
    }
    ServiceConfig buffer;
    DWORD needed = 0;
    SaveResult result = kSaveFailed;
    if (QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed)) {
        const QUERY_SERVICE_CONFIGA& config = buffer.config;
        // The dependencies are a list of names, each ended by a NUL, the list by another.
        DWORD dependencies = 0;
        if (config.lpDependencies != NULL) {
            while (config.lpDependencies[dependencies] != '\0')
                dependencies += (DWORD)strlen(config.lpDependencies + dependencies) + 1;
        }
        BeginLine(out, kServiceTag);
        PutTextField(out, name);
        PutTextField(out, config.lpDisplayName);
        PutNumberField(out, config.dwServiceType);
        PutNumberField(out, config.dwStartType);
        PutNumberField(out, config.dwErrorControl);
        PutTextField(out, config.lpBinaryPathName);
        PutTextField(out, config.lpLoadOrderGroup);
        PutField(out, config.lpDependencies != NULL ? config.lpDependencies : "", dependencies);
        PutTextField(out, config.lpServiceStartName);
        EndLine(out);
        result = kSaved;
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

uint8_t RestoreServices(const Manifest& manifest, const char* folder, OutputFile* log)
{
    uint8_t result = 1;
    ItemRow* row = (ItemRow*)LocalAlloc(LMEM_FIXED, sizeof(ItemRow));
    if (row == NULL) return 0;
    row->known = 0;
    for (int i = 0; i < manifest.count; i++) {
        const ManifestLine& line = manifest.lines[i];
        if (ManifestLineIs(line, kItemTag)) ReadItemRow(line, row);
        if (!ManifestLineIs(line, kServiceTag, kServiceFields)) continue;
        const char* refusal = ServiceRefusal(manifest, line, *row, folder);
        if (refusal != NULL) result = LogRestoreResult(log, "service", line.fields[kServiceName], refusal, 0);
        else result = RestoreService(line, log) & result;
    }
    LocalFree(row);
    return result;
}
