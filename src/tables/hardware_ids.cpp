// The hardware-ID table: the beginnings of the device IDs of the maker's boards. PCI IDs leave
// out the revision so that every revision matches; USB IDs of composite devices name the interface.
#include "tables/hardware_ids.h"

// Vendor IDs: 10DE the display-chip vendor, 1E7A the maker on PCI, 2E5C the maker on USB.
const HardwareIdEntry kHardwareIds[] = {
    // product, idPrefix
    // 0 VisionForce display adapters (the chip vendor's chips)
    {0,  "VEN_10DE&DEV_0020&SUBSYS_0A101E7A"},
    {0,  "VEN_10DE&DEV_0028&SUBSYS_0A201E7A"},
    {0,  "VEN_10DE&DEV_0029&SUBSYS_0A301E7A"},
    {0,  "VEN_10DE&DEV_002D&SUBSYS_0A401E7A"},
    {0,  "VEN_10DE&DEV_00A0&SUBSYS_0A501E7A"},
    {0,  "VEN_10DE&DEV_0110&SUBSYS_0A601E7A"},
    {0,  "VEN_10DE&DEV_0111&SUBSYS_0A701E7A"},
    {0,  "VEN_10DE&DEV_0150&SUBSYS_0A801E7A"},
    {0,  "VEN_10DE&DEV_0151&SUBSYS_0A901E7A"},
    {0,  "VEN_10DE&DEV_0170&SUBSYS_0AA01E7A"},
    {0,  "VEN_10DE&DEV_0171&SUBSYS_0AB01E7A"},
    {0,  "VEN_10DE&DEV_0172&SUBSYS_0AC01E7A"},
    {0,  "VEN_10DE&DEV_0181&SUBSYS_0AD01E7A"},
    {0,  "VEN_10DE&DEV_0200&SUBSYS_0AE01E7A"},
    {0,  "VEN_10DE&DEV_0201&SUBSYS_0AF01E7A"},
    {0,  "VEN_10DE&DEV_0322&SUBSYS_0B001E7A"},

    // 1 CaptureStation PCI capture card
    {1,  "VEN_1E7A&DEV_7130&SUBSYS_01011E7A"},

    // 5 PixelBoard
    {5,  "VEN_1E7A&DEV_5A10&SUBSYS_05011E7A"},

    // 6 VideoBridge
    {6,  "VEN_1E7A&DEV_6B20&SUBSYS_06011E7A"},

    // 8 TunerCard Pro PCI TV tuner
    {8,  "VEN_1E7A&DEV_7134&SUBSYS_08011E7A"},

    // 9 DualTuner PCI twin tuner
    {9,  "VEN_1E7A&DEV_7135&SUBSYS_09011E7A"},
    {9,  "VEN_1E7A&DEV_7135&SUBSYS_09021E7A"},

    // 10 USB Grabber video grabber
    {10, "USB\\VID_2E5C&PID_1001"},

    // 11 HDTV Box USB digital TV receiver
    {11, "USB\\VID_2E5C&PID_1101"},
    {11, "USB\\VID_2E5C&PID_1102"},
    {11, "USB\\VID_2E5C&PID_1103&MI_00"},
    {11, "USB\\VID_2E5C&PID_1103&MI_01"},
    {11, "USB\\VID_2E5C&PID_1104&MI_00"},
    {11, "USB\\VID_2E5C&PID_1104&MI_01"},

    // 12 CaptureStation XL PCI capture and encoder card
    {12, "VEN_1E7A&DEV_7160&SUBSYS_12011E7A"},
    {12, "VEN_1E7A&DEV_7160&SUBSYS_12021E7A"},
    {12, "VEN_1E7A&DEV_7160&SUBSYS_12031E7A"},
    {12, "VEN_1E7A&DEV_7160&SUBSYS_12041E7A"},
    {12, "VEN_1E7A&DEV_7162&SUBSYS_12111E7A"},
    {12, "VEN_1E7A&DEV_7162&SUBSYS_12121E7A"},
    {12, "VEN_1E7A&DEV_7162&SUBSYS_12131E7A"},

    // 13 one-seg USB mobile TV receiver
    {13, "USB\\VID_2E5C&PID_1301"},
    {13, "USB\\VID_2E5C&PID_1302&MI_00"},
    {13, "USB\\VID_2E5C&PID_1302&MI_01"},

    // 14 Radio Tuner USB FM receiver
    {14, "USB\\VID_2E5C&PID_1401"},

    // 15 Video Editor application
    {15, "VEN_1E7A&DEV_7A10&SUBSYS_15011E7A"},

    // 16 Hybrid Tuner analogue and digital tuner
    {16, "VEN_1E7A&DEV_7164&SUBSYS_16011E7A"},
    {16, "USB\\VID_2E5C&PID_1602"},
    {16, "USB\\VID_2E5C&PID_1603"},
    {16, "USB\\VID_2E5C&PID_1604"},

    // 17 Unknown: drivers of unnamed boards
    {17, "USB\\VID_2E5C&PID_0100"},

    {-1, ""},  // end row
};

int CountHardwareIds()
{
    int n = 0;
    while (kHardwareIds[n].idPrefix[0] != '\0') n++;
    return n;
}
