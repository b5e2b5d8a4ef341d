// The product catalogue, the selection mask and the current-rule registers.
#include "model/products.h"
#include <string.h>
#include "tables/file_rules.h"
#include "tables/registry_rules.h"

// Family names: at most 20 bytes each. Entry 13 is Japanese, stored as code page 932 bytes.
const char ProductTable[19][21] = {
    "VisionForce",                             // 0
    "CaptureStation",                          // 1
    "TVStick Mini",                            // 2
    "StreamCam",                               // 3
    "DVD Theater",                             // 4
    "PixelBoard",                              // 5
    "VideoBridge",                             // 6
    "MorvaneTV Suite",                         // 7
    "TunerCard Pro",                           // 8
    "DualTuner",                               // 9
    "USB Grabber",                             // 10
    "HDTV Box",                                // 11
    "CaptureStation XL",                       // 12
    "\x83\x8f\x83\x93\x83Z\x83O TV",           // 13 ワンセグ TV
    "Radio Tuner",                             // 14
    "Video Editor",                            // 15
    "Hybrid Tuner",                            // 16
    "Unknown",                                 // 17
    "",                                        // 18
};

static uint32_t s_selectionMask = 0;
static int32_t s_currentRule[2] = {0, 0};

int32_t ProductIndexFromName(const char* name)
{
    int32_t found = -1;
    if (name == NULL || name[0] == '\0') return -1;
    // All 18 are compared; the names are distinct, so at most one matches.
    for (int32_t i = 0; i < kProductCount; i++) {
        if (strcmp(ProductTable[i], name) == 0) found = i;
    }
    return found;
}

const char* ProductName(int32_t index)
{
    if (index < 0 || index >= kProductCount) return ProductTable[kProductCount];
    return ProductTable[index];
}

uint32_t ProductSelection(int32_t index, int32_t value)
{
    if (index == -2) {
        if (value != -1) s_selectionMask = (uint32_t)value;
        return s_selectionMask;
    }
    const uint32_t bit = 1u << ((uint32_t)index & 31u);
    if (value < 0) return (s_selectionMask & bit) ? 1u : 0u;
    if (value > 0) s_selectionMask |= bit;
    else s_selectionMask &= ~bit;
    return s_selectionMask;
}

int32_t CurrentRule(int32_t side, int32_t position)
{
    if (side != kProductSideRegistry && side != kProductSideFile) return -1;
    if (position != -1) s_currentRule[side] = position;
    return s_currentRule[side];
}

int32_t CurrentProduct(int32_t side)
{
    if (side != kProductSideRegistry && side != kProductSideFile) return -1;
    static const int32_t rows[2] = {CountRegistryRules(), CountFileRules()};
    const int32_t i = s_currentRule[side];
    if (i < 0 || i >= rows[side]) return -1;
    return side == kProductSideRegistry ? kRegistryRules[i].product : kFileRules[i].product;
}
