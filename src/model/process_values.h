// Process-wide values fixed at start-up and read across the program.
#pragma once
#include <windows.h>
#include <stdint.h>

extern int32_t g_platformKind;        // 1 = Windows 9x family, 2 = NT family
extern char g_systemDirectory[260];   // ends in a backslash
extern char g_windowsDirectory[260];  // ends in a backslash
extern HINSTANCE g_instance;
extern char g_caption[128];           // string 1
extern HANDLE g_instanceMutex;
extern uint8_t g_forceFlag;           // /F
extern uint8_t g_silentFlag;          // /S
extern uint8_t g_restrictedFlag;      // /X
extern uint8_t g_restoreFlag;         // /R
extern char g_restoreName[256];       // the backup named after /R; empty: the newest
extern uint8_t g_listFlag;            // /L
extern char g_listName[256];          // the file named after /L; empty: none named
