// The rule kinds that find the maker's boards by hardware ID.
#pragma once
#include <stdint.h>
#include "search/search_session.h"
#include "tables/registry_rules.h"

// 1 when some kHardwareIds entry of the product has an idPrefix that name begins with
// (ASCII case folding).
uint8_t MatchesHardwareId(const char* name, int32_t product);
uint8_t PciDeviceScan(SearchSession* session, const RegistryRule& rule);      // kind 6
uint8_t MonitorDeviceScan(SearchSession* session, const RegistryRule& rule);  // kind 8
uint8_t ChildDeviceScan(SearchSession* session, const RegistryRule& rule);    // kind 9
