// The sample tools on a machine with two halves: a description names keys and files by their
// native names, so keys are opened in the 64-bit view and a 32-bit tool under WOW64 turns file
// system redirection off around its file work. With one half every call here is the plain one.
#include "sample_machine.h"
#include "platform/machine_halves.h"

typedef BOOL(WINAPI* DisableRedirectionFn)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFn)(PVOID);

// The description's names are native names, opened in the view the backup proves its native
// names in and the restore writes them back through.
REGSAM SampleKeyFlag()
{
    return RegistryViewFlag(NativeNameView());
}

LONG SampleOpenKey(HKEY root, const char* path, REGSAM access, HKEY* key)
{
    return OpenKeyInView({root, path, NativeNameView()}, access, key);
}

LONG SampleDeleteKey(HKEY parent, const char* name)
{
    return DeleteKeyInView({parent, name, NativeNameView()});
}

// Both calls exist from Windows XP x64 and Server 2003 on, so they are looked up, not linked.
static FARPROC Kernel32Export(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : NULL;
}

void NativeFilesBegin(NativeFiles* scope)
{
    scope->saved = NULL;
    scope->off = 0;
    // Only a 32-bit process under WOW64 is redirected (system32 to SysWOW64).
    if (g_machineHalves != kOtherHalfNative) return;
    DisableRedirectionFn disable = (DisableRedirectionFn)(void*)Kernel32Export("Wow64DisableWow64FsRedirection");
    if (disable != NULL && disable(&scope->saved)) scope->off = 1;
}

void NativeFilesEnd(NativeFiles* scope)
{
    if (!scope->off) return;
    RevertRedirectionFn revert = (RevertRedirectionFn)(void*)Kernel32Export("Wow64RevertWow64FsRedirection");
    if (revert != NULL) revert(scope->saved);
    scope->off = 0;
}
