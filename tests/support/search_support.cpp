// Fixtures of the search tests.
#include "support/search_support.h"
#include <commctrl.h>
#include <shlobj.h>
#include "platform/path_ops.h"

RegistryParentGuard::RegistryParentGuard(HKEY root, const std::string& path)
    : root_(root), path_(path), existed_(KeyPresent(root, path))
{
}

RegistryParentGuard::~RegistryParentGuard()
{
    if (!existed_) RegDeleteKeyA(root_, path_.c_str());
}

NoteKeys::NoteKeys(HKEY root, const std::string& parent) : parent_(root, parent), key_(root, parent + "\\EnvsweepTest")
{
}

uint8_t NoteKeys::Note(const std::string& sub, const char* valueName, const std::string& text, DWORD type) const
{
    return key_.SetString(sub, valueName, text, type);
}

PlacedFolder::PlacedFolder(const std::string& parent, const std::string& name)
    : parent_(parent), path_(parent + "\\" + name), parentExisted_(0)
{
    parentExisted_ = GetFileAttributesA(parent_.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
    CreateDirectoryA(parent_.c_str(), NULL);
    RemoveTree(path_);
}

PlacedFolder::~PlacedFolder()
{
    RemoveTree(path_);
    if (!parentExisted_) RemoveDirectoryA(parent_.c_str());
}

static const char* const kCounterProperty = "EnvsweepTestCounter";

CountingProgressBar::CountingProgressBar() : hwnd_(NULL), original_(NULL)
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    hwnd_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 200, 20, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (hwnd_ == NULL) return;
    SendMessageA(hwnd_, PBM_SETRANGE32, 0, 100000);
    SetPropA(hwnd_, kCounterProperty, (HANDLE)this);
    original_ = (WNDPROC)SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, (LONG_PTR)&CountingProgressBar::Proc);
}

CountingProgressBar::~CountingProgressBar()
{
    if (hwnd_ == NULL) return;
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, (LONG_PTR)original_);
    RemovePropA(hwnd_, kCounterProperty);
    DestroyWindow(hwnd_);
}

int CountingProgressBar::Position() const
{
    return (int)CallWindowProcA(original_, hwnd_, PBM_GETPOS, 0, 0);
}

void CountingProgressBar::Start(int position)
{
    CallWindowProcA(original_, hwnd_, PBM_SETPOS, (WPARAM)position, 0);
    getPosCalls = 0;
    setPositions.clear();
}

LRESULT CALLBACK CountingProgressBar::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CountingProgressBar* self = (CountingProgressBar*)GetPropA(hwnd, kCounterProperty);
    if (msg == PBM_GETPOS) self->getPosCalls++;
    if (msg == PBM_SETPOS) self->setPositions.push_back((int)wParam);
    return CallWindowProcA(self->original_, hwnd, msg, wParam, lParam);
}

uint8_t MakeFile(const std::string& path)
{
    for (size_t i = 3; i < path.size(); i++) {
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), NULL);
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (!SpecialFolderPath(csidl, path)) return "";
    StripBackslash(path);
    return path;
}
