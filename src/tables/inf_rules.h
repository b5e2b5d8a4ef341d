// The INF identification table: what a maker's driver package INF file must contain.
#pragma once
#include <stdint.h>

struct InfCondition {
    int32_t product;     // product family index (the same in every slot of a row)
    char section[256];   // INF section without brackets; empty ends the row's conditions
    char key[256];       // key within the section
    char value[256];     // text the key must hold (compared without regard to case)
};

struct InfRule {
    InfCondition conditions[4];
};

// Rows followed by an end row whose first slot has an empty section.
extern const InfRule kInfRules[];

int CountInfRules();
