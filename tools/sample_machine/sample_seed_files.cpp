// Seeding the sample machine's files, folders and services, and removing them again. A file is
// the seeder's when it begins with the marker line, a folder when it holds the marker file and
// nothing but the seeder's files, a service when its display name carries the seeder's prefix.
#include "sample_machine.h"
#include <string.h>

const char* SeedMarkerText();
const char* SeedFolderMarker();
const char* SeedServicePrefix();

namespace {

void Note(std::string* log, const Trace& trace, const std::string& text)
{
    *log += trace.source + ":" + std::to_string(trace.line) + ": " + text + "\n";
}

uint8_t IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

uint8_t Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

uint8_t FileMarked(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char head[64] = "";
    DWORD read = 0;
    const DWORD want = (DWORD)strlen(SeedMarkerText());
    ReadFile(file, head, want, &read, NULL);
    CloseHandle(file);
    return read == want && memcmp(head, SeedMarkerText(), want) == 0 ? 1 : 0;
}

// A file of raw content is the seeder's when it holds exactly that content.
uint8_t FileHolds(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    uint8_t same = GetFileSize(file, NULL) == (DWORD)content.size() ? 1 : 0;
    std::string held(content.size(), '\0');
    DWORD read = 0;
    if (same && !content.empty()) {
        same = ReadFile(file, &held[0], (DWORD)held.size(), &read, NULL) && read == held.size() && held == content ? 1 : 0;
    }
    CloseHandle(file);
    return same;
}

uint8_t TraceFileMarked(const Trace& trace, const std::string& path)
{
    return trace.rawContent ? FileHolds(path, trace.data) : FileMarked(path);
}

// Every file below the folder is the seeder's.
uint8_t FolderOnlyMarked(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 1;
    uint8_t ok = 1;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        const std::string path = folder + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ok = 0;
            else if (!FolderOnlyMarked(path)) ok = 0;
        } else if (!FileMarked(path)) {
            ok = 0;
        }
    } while (ok && FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

uint8_t RemoveFolderTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
            const std::string path = folder + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolderTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(folder.c_str()) ? 1 : 0;
}

// Whether the byte at offset is a backslash of its own, not the second byte of a double-byte
// character (code page 932 names such as the katakana "so" end in byte 92).
uint8_t IsSeparatorAt(const std::string& path, size_t offset)
{
    for (size_t i = 0; i < offset; i++) {
        if (IsDBCSLeadByte((BYTE)path[i])) i++;
        if (i >= offset) return 0;
    }
    return path[offset] == '\\' ? 1 : 0;
}

size_t LastSeparator(const std::string& path)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); i++) {
        if (path[i] == '\\') last = i;
        else if (IsDBCSLeadByte((BYTE)path[i])) i++;
    }
    return last;
}

// Creates every missing folder of path (path itself included).
uint8_t CreateFolderChain(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); i++) {
        if (i == path.size() || IsSeparatorAt(path, i)) {
            const std::string part = path.substr(0, i);
            if (!IsFolder(part) && !CreateDirectoryA(part.c_str(), NULL)) return 0;
        }
    }
    return 1;
}

uint8_t WriteMarkedFile(const std::string& path, const std::string& text, uint8_t raw = 0)
{
    const size_t slash = LastSeparator(path);
    if (slash == std::string::npos || !CreateFolderChain(path.substr(0, slash))) return 0;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const std::string content = raw ? text : std::string(SeedMarkerText()) + text;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == content.size() ? 1 : 0;
}

void RemoveFileAt(const Trace& trace, const std::string& path, std::string* log, uint8_t* ok)
{
    if (!Exists(path)) return;
    if (trace.type == kTraceFile) {
        if (IsFolder(path) || !TraceFileMarked(trace, path)) {
            Note(log, trace, path + " is not the seeder's: left alone");
            *ok = 0;
            return;
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(path.c_str())) {
            Note(log, trace, "cannot remove " + path + " (error " + std::to_string(GetLastError()) + ")");
            *ok = 0;
        }
        return;
    }
    if (!IsFolder(path) || !Exists(path + "\\" + SeedFolderMarker()) || !FolderOnlyMarked(path)) {
        Note(log, trace, path + " is not the seeder's folder: left alone");
        *ok = 0;
        return;
    }
    if (!RemoveFolderTree(path)) {
        Note(log, trace, "cannot remove the folder " + path);
        *ok = 0;
    }
}

void CreateFileAt(const Trace& trace, const std::string& path, std::string* log, uint8_t* ok)
{
    if (trace.type == kTraceFile) {
        if (Exists(path) && (IsFolder(path) || !TraceFileMarked(trace, path))) {
            Note(log, trace, path + " exists and is not the seeder's: not seeded");
            *ok = 0;
        } else if (!WriteMarkedFile(path, trace.data, trace.rawContent)) {
            Note(log, trace, "cannot write " + path);
            *ok = 0;
        }
        return;
    }
    if (Exists(path) && !Exists(path + "\\" + SeedFolderMarker())) {
        Note(log, trace, path + " exists and is not the seeder's: not seeded");
        *ok = 0;
        return;
    }
    if (!CreateFolderChain(path) || !WriteMarkedFile(path + "\\" + SeedFolderMarker(), "")) {
        Note(log, trace, "cannot create the folder " + path);
        *ok = 0;
    }
}

}  // namespace

// The path is expanded first, then the files are reached by their native names.
void RemoveFileTrace(const Trace& trace, std::string* log, uint8_t* ok)
{
    const std::string path = ExpandMacros(trace.path);
    NativeFiles native;
    NativeFilesBegin(&native);
    RemoveFileAt(trace, path, log, ok);
    NativeFilesEnd(&native);
}

void CreateFileTrace(const Trace& trace, std::string* log, uint8_t* ok)
{
    const std::string path = ExpandMacros(trace.path);
    NativeFiles native;
    NativeFilesBegin(&native);
    CreateFileAt(trace, path, log, ok);
    NativeFilesEnd(&native);
}

void RemoveServiceTrace(const Trace& trace, std::string* log, uint8_t* ok)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) {
        Note(log, trace, "cannot open the service manager");
        *ok = 0;
        return;
    }
    SC_HANDLE service = OpenServiceA(manager, trace.path.c_str(), SERVICE_ALL_ACCESS);
    if (service != NULL) {
        BYTE buffer[8192];
        DWORD needed = 0;
        QUERY_SERVICE_CONFIGA* config = (QUERY_SERVICE_CONFIGA*)buffer;
        const size_t prefix = strlen(SeedServicePrefix());
        if (!QueryServiceConfigA(service, config, sizeof buffer, &needed) || config->lpDisplayName == NULL ||
            strncmp(config->lpDisplayName, SeedServicePrefix(), prefix) != 0) {
            Note(log, trace, "service " + trace.path + " is not the seeder's: left alone");
            *ok = 0;
        } else {
            SERVICE_STATUS status;
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            if (!DeleteService(service) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
                Note(log, trace, "cannot delete the service " + trace.path);
                *ok = 0;
            }
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

void CreateServiceTrace(const Trace& trace, std::string* log, uint8_t* ok)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) {
        Note(log, trace, "cannot open the service manager");
        *ok = 0;
        return;
    }
    const std::string display = std::string(SeedServicePrefix()) + trace.path;
    const std::string binary = ExpandMacros(trace.data);
    SC_HANDLE service = CreateServiceA(manager, trace.path.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                                       trace.serviceKernel ? SERVICE_KERNEL_DRIVER : SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), NULL, NULL, NULL,
                                       NULL, NULL);
    if (service == NULL) {
        Note(log, trace, "cannot create the service " + trace.path + " (error " + std::to_string(GetLastError()) + ")");
        *ok = 0;
    } else {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

std::vector<HANDLE> HoldInUseFiles(const SampleMachine& machine, uint8_t loaded)
{
    std::vector<HANDLE> handles;
    for (size_t i = 0; i < machine.traces.size(); i++) {
        const Trace& trace = machine.traces[i];
        if (trace.type != kTraceFile || !trace.inUse) continue;
        const std::string path = ExpandMacros(trace.path);
        NativeFiles native;
        NativeFilesBegin(&native);
        handles.push_back(loaded ? CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL)
                                 : CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL));
        NativeFilesEnd(&native);
    }
    return handles;
}
