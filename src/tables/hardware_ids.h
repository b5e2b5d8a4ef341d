// The hardware-ID table: the beginnings of the device IDs of the maker's boards.
#pragma once
#include <stdint.h>

struct HardwareIdEntry {
    int32_t product;      // product family index
    char idPrefix[256];   // "VEN_xxxx&DEV_xxxx&SUBSYS_xxxxxxxx" or "USB\VID_xxxx&PID_xxxx[&MI_nn]"
};

// Entries followed by an end row whose idPrefix is empty (product -1).
extern const HardwareIdEntry kHardwareIds[];

int CountHardwareIds();
