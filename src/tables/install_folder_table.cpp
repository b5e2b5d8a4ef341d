// The install-folder table: where the maker's applications note their install folders below
// HKEY_LOCAL_MACHINE\SOFTWARE\Morvane, and their default folders below Program Files\Morvane.
#include "tables/install_folder_table.h"

// An empty value name is the key's default value. A row with a sub-path records that sub-folder
// of the found folder; its twin without one records the folder itself.
const InstallFolderRule kInstallFolders[] = {
    // product, key, value name, folder, sub-path
    // 0 VisionForce display adapters (the chip vendor's chips)
    {0,  "VisionForce Tools",          "Path",     "VisionForce Tools",          ""},
    {0,  "VisionForce\\Installation",  "DestDir",  "VisionForce",                ""},
    {0,  "VisionForce Desktop",        "Path",     "VisionForce Desktop",        ""},

    // 1 CaptureStation PCI capture card
    {1,  "CaptureStation",             "DestPath", "CaptureStation",             ""},
    {1,  "CaptureStation\\Capture",    "savePath", "CaptureStation\\Capture",    ""},

    // 4 DVD Theater player
    {4,  "DVD Theater",                "Path",     "DVD Theater",                ""},

    // 7 MorvaneTV Suite TV application and its DirectShow filters
    {7,  "MorvaneTV",                  "DestDir",  "MorvaneTV",                  ""},
    {7,  "MorvaneTV",                  "DestDir",  "MorvaneTV",                  "Recorded"},
    {7,  "MorvaneTV\\Recorder",        "savePath", "MorvaneTV\\Video",           ""},
    {7,  "MorvaneTV EPG",              "Path",     "MorvaneTV EPG",              ""},

    // 11 HDTV Box USB digital TV receiver
    {11, "HDTV Box",                   "",         "HDTV Box",                   ""},

    // 12 CaptureStation XL PCI capture and encoder card
    {12, "CaptureStation XL",          "DestPath", "CaptureStation XL",          ""},
    {12, "CaptureStation XL\\Capture", "savePath", "CaptureStation XL\\Capture", ""},

    // 13 one-seg USB mobile TV receiver
    {13, "OneSeg TV",                  "Path",     "OneSeg TV",                  ""},

    // 15 Video Editor application
    {15, "Video Editor",               "DestDir",  "Video Editor",               ""},
    {15, "Video Editor\\Installation", "",         "Video Editor",               ""},

    {-1, "", "", "", ""},  // sentinel
};

int CountInstallFolders()
{
    int n = 0;
    while (kInstallFolders[n].key[0] != '\0') n++;
    return n;
}
