// Recognition of the maker's driver packages among the INF folder's oem*.inf files.
#pragma once
#include <stdint.h>

// Records every oem*.inf that a kInfRules row identifies, and its .pnf companion. 0 when any
// recording returned 0.
uint8_t IdentifyOemInfs();
