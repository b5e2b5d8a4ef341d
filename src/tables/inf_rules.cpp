// The INF identification table: what a driver package's INF file must contain to be one of the
// maker's. Each row: the setup class, the maker as the package names it, and the device or disk.
#include "tables/inf_rules.h"

// The profile reader gives a key's text as written, so the rows hold the literal texts of the
// packages' [Version] and [Strings] sections. Unused slots carry the row's product and an empty
// section, which ends the row's conditions.
const InfRule kInfRules[] = {
    // {product, section, key, value} x 4
    // 0 VisionForce display adapters (the chip vendor's chips)
    {{{0,  "Version", "Class", "Display"}, {0,  "Strings", "Provider",     "Morvane"},           {0,  "Strings", "DiskName",             "VisionForce Display Driver Disk"},                                  {0,  "", "", ""}}},
    {{{0,  "Version", "Class", "Display"}, {0,  "Strings", "MfgName",      "Morvane Co., Ltd."}, {0,  "Strings", "VFDisp.DeviceDesc",    "Morvane VANTIRA VisionForce"},                                      {0,  "", "", ""}}},
    {{{0,  "Version", "Class", "Display"}, {0,  "Strings", "ProviderName", "Morvane"},           {0,  "Strings", "VFMobile.DeviceDesc",  "Morvane VANTIRA VisionForce Mobile"},                               {0,  "", "", ""}}},
    {{{0,  "Version", "Class", "Media"},   {0,  "Strings", "Provider",     "Morvane"},           {0,  "Strings", "VFWDM.DeviceDesc",     "Morvane VisionForce Video In"},                                     {0,  "", "", ""}}},

    // 1 CaptureStation PCI capture card
    {{{1,  "Version", "Class", "Media"},   {1,  "Strings", "Provider",     "Morvane"},           {1,  "Strings", "CS100Cap.DeviceDesc",  "Morvane CaptureStation"},                                           {1,  "", "", ""}}},
    {{{1,  "Version", "Class", "MEDIA"},   {1,  "Strings", "MfgName",      "Morvane Co., Ltd."}, {1,  "Strings", "DiskName",             "CaptureStation Driver Disk"},                                       {1,  "", "", ""}}},
    {{{1,  "Version", "Class", "Media"},   {1,  "Strings", "Provider",     "Morvane"},           {1,  "Strings", "CS100Aud.DeviceDesc",  "Morvane CaptureStation Audio"},                                     {1,  "", "", ""}}},

    // 2 TVStick Mini USB TV stick
    {{{2,  "Version", "Class", "Media"},   {2,  "Strings", "ProviderName", "Morvane"},           {2,  "Strings", "TVSMini.DeviceDesc",   "Morvane TVStick Mini"},                                             {2,  "", "", ""}}},
    {{{2,  "Version", "Class", "MEDIA"},   {2,  "Strings", "Vendor",       "MORVANE"},           {2,  "Strings", "DiskName",             "TVStick Mini Installation Disk"},                                   {2,  "", "", ""}}},

    // 3 StreamCam USB camera
    {{{3,  "Version", "Class", "Image"},   {3,  "Strings", "Provider",     "Morvane"},           {3,  "Strings", "StrmCam.DeviceDesc",   "Morvane StreamCam"},                                                {3,  "", "", ""}}},
    {{{3,  "Version", "Class", "Image"},   {3,  "Strings", "MfgName",      "Morvane Co., Ltd."}, {3,  "Strings", "DiskName",             "StreamCam Driver Disk"},                                            {3,  "", "", ""}}},

    // 8 TunerCard Pro PCI TV tuner
    {{{8,  "Version", "Class", "Media"},   {8,  "Strings", "Provider",     "Morvane"},           {8,  "Strings", "TCPCap.DeviceDesc",    "Morvane TunerCard Pro"},                                            {8,  "", "", ""}}},
    {{{8,  "Version", "Class", "MEDIA"},   {8,  "Strings", "MfgName",      "Morvane Co., Ltd."}, {8,  "Strings", "DiskName",             "TunerCard Pro Driver Disk"},                                        {8,  "", "", ""}}},

    // 9 DualTuner PCI twin tuner
    {{{9,  "Version", "Class", "Media"},   {9,  "Strings", "Provider",     "Morvane"},           {9,  "Strings", "DTCap.DeviceDesc",     "Morvane DualTuner"},                                                {9,  "", "", ""}}},
    {{{9,  "Version", "Class", "Media"},   {9,  "Strings", "ProviderName", "Morvane Co., Ltd."}, {9,  "Strings", "DTBda.DeviceDesc",     "Morvane DualTuner Digital"},                                        {9,  "", "", ""}}},

    // 10 USB Grabber video grabber
    {{{10, "Version", "Class", "USB"},     {10, "Strings", "Provider",     "Morvane"},           {10, "Strings", "UGrab.DeviceDesc",     "Morvane USB Grabber"},                                              {10, "", "", ""}}},
    {{{10, "Version", "Class", "Media"},   {10, "Strings", "Provider",     "Morvane"},           {10, "Strings", "UGrabAud.DeviceDesc",  "Morvane USB Grabber Audio"},                                        {10, "", "", ""}}},

    // 11 HDTV Box USB digital TV receiver
    {{{11, "Version", "Class", "USB"},     {11, "Strings", "Provider",     "Morvane"},           {11, "Strings", "HDTVBox.DeviceDesc",   "Morvane HDTV Box"},                                                 {11, "", "", ""}}},
    {{{11, "Version", "Class", "Media"},   {11, "Strings", "MfgName",      "Morvane Co., Ltd."}, {11, "Strings", "HDTVBda.DeviceDesc",   "Morvane HDTV Box Tuner"},                                           {11, "", "", ""}}},
    {{{11, "Version", "Class", "Media"},   {11, "Strings", "Provider",     "Morvane"},           {11, "Strings", "HDTVAud.DeviceDesc",   "Morvane HDTV Box Audio"},                                           {11, "", "", ""}}},

    // 12 CaptureStation XL PCI capture and encoder card
    {{{12, "Version", "Class", "Media"},   {12, "Strings", "Provider",     "Morvane"},           {12, "Strings", "CSXLCap.DeviceDesc",   "Morvane CaptureStation XL"},                                        {12, "", "", ""}}},
    {{{12, "Version", "Class", "Media"},   {12, "Strings", "MfgName",      "Morvane Co., Ltd."}, {12, "Strings", "CSXLEnc.DeviceDesc",   "Morvane CaptureStation XL Encoder"},                                {12, "", "", ""}}},
    {{{12, "Version", "Class", "MEDIA"},   {12, "Strings", "Vendor",       "MORVANE"},           {12, "Strings", "DiskName",             "CaptureStation XL Driver Disk"},                                    {12, "", "", ""}}},

    // 13 one-seg USB mobile TV receiver
    {{{13, "Version", "Class", "Media"},   {13, "Strings", "Provider",     "Morvane"},           {13, "Strings", "OneSeg.DeviceDesc",    "Morvane OneSeg TV"},                                                {13, "", "", ""}}},
    {{{13, "Version", "Class", "USB"},     {13, "Strings", "MfgName",      "Morvane Co., Ltd."}, {13, "Strings", "OneSegUsb.DeviceDesc", "Morvane \203\217\203\223\203Z\203OTV\203`\203\205\201[\203i\201["}, {13, "", "", ""}}},

    // 14 Radio Tuner USB FM receiver
    {{{14, "Version", "Class", "Media"},   {14, "Strings", "Provider",     "Morvane"},           {14, "Strings", "MVRadio.DeviceDesc",   "Morvane Radio Tuner"},                                              {14, "", "", ""}}},

    // 16 Hybrid Tuner analogue and digital tuner
    {{{16, "Version", "Class", "Media"},   {16, "Strings", "Provider",     "Morvane"},           {16, "Strings", "HybCap.DeviceDesc",    "Morvane Hybrid Tuner"},                                             {16, "", "", ""}}},
    {{{16, "Version", "Class", "Media"},   {16, "Strings", "ProviderName", "Morvane"},           {16, "Strings", "HybBda.DeviceDesc",    "Morvane Hybrid Tuner Digital"},                                     {16, "", "", ""}}},
    {{{16, "Version", "Class", "USB"},     {16, "Strings", "MfgName",      "Morvane Co., Ltd."}, {16, "Strings", "HybUsb.DeviceDesc",    "Morvane Hybrid Tuner USB"},                                         {16, "", "", ""}}},

    // 17 Unknown: drivers of unnamed boards
    {{{17, "Version", "Class", "Media"},   {17, "Strings", "Provider",     "Morvane"},           {17, "Strings", "MVUsbCap.DeviceDesc",  "Morvane USB Video Device"},                                         {17, "", "", ""}}},

    {{{-1, "", "", ""}, {-1, "", "", ""}, {-1, "", "", ""}, {-1, "", "", ""}}},  // end row
};

int CountInfRules()
{
    int n = 0;
    while (kInfRules[n].conditions[0].section[0] != '\0') n++;
    return n;
}
