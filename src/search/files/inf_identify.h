// Recognition of the maker's driver packages among the INF folder's oem*.inf files.
#pragma once
#include <stdint.h>
#include "search/search_session.h"

// Records every oem*.inf that a kInfRules row identifies, and its .pnf companion. 0 when any
// recording returned 0. A sharing session keeps what each file showed in its infReading.
uint8_t IdentifyOemInfs(SearchSession* session);
// Releases the session's infReading.
void EndInfReading(SearchSession* session);
