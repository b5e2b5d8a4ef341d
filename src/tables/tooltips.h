// The tooltip table: the supported models that the main window shows over a family's check box.
#pragma once
#include <stdint.h>

struct TooltipEntry {
    int32_t product;     // product family index; -1 ends the table
    int32_t controlId;   // the family's check box: 2400 + product
    int32_t reserved;    // always 0
    const char* text;    // Japanese text in code page 932: a label, then models over several lines
};

extern const TooltipEntry kTooltips[];

int CountTooltips();
