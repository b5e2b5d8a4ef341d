// The Windows entry point of envsweep.exe.
#include <windows.h>
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return EnvsweepMain(instance, commandLine);
}
