// The product catalogue, the selection mask and the current-rule registers.
#pragma once
#include <stdint.h>

const int kProductCount = 18;   // families 0..17; 17 is "Unknown"
const int kProductSideRegistry = 0;
const int kProductSideFile = 1;

// 19 entries of 21 bytes: the 18 family names (ANSI, code page 932 for the Japanese one), then
// the empty name given for any index outside 0..17.
extern const char ProductTable[19][21];

// Index of the family whose name equals name exactly (case-sensitive), or -1.
int32_t ProductIndexFromName(const char* name);

// The family's name for 0..17, the empty name for any other index.
const char* ProductName(int32_t index);

// The one operation on the selection mask. index -2 addresses the whole mask (value -1 reads it,
// any other value replaces it; result: the mask). Any other index addresses bit (index mod 32):
// a negative value tests it (result 1 or 0), a positive one sets it, 0 clears it (result: mask).
uint32_t ProductSelection(int32_t index, int32_t value);

// Current-rule register of a side (0 registry, 1 file): position -1 reads, any other stores.
// Returns the register's value after the call.
int32_t CurrentRule(int32_t side, int32_t position);

// The product of the rule at the side's position: what new items of the side are stamped with
// (on the file side, unless the search hands its own; FileItemProduct).
int32_t CurrentProduct(int32_t side);
