// Storage of the process-wide start-up values.
#include "model/process_values.h"

int32_t g_platformKind = 0;
char g_systemDirectory[260] = "";
char g_windowsDirectory[260] = "";
HINSTANCE g_instance = NULL;
char g_caption[128] = "";
HANDLE g_instanceMutex = NULL;
uint8_t g_forceFlag = 0;
uint8_t g_silentFlag = 0;
uint8_t g_restrictedFlag = 0;
uint8_t g_restoreFlag = 0;
char g_restoreName[256] = "";
uint8_t g_listFlag = 0;
char g_listName[256] = "";
