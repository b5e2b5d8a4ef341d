// The rule kinds that scan subkeys by their content: driver classes, video keys, the desktop
// namespace, default values and device interfaces.
#pragma once
#include <stdint.h>
#include "search/search_session.h"
#include "tables/registry_rules.h"

uint8_t DriverClassScan(SearchSession* session, const RegistryRule& rule);        // kind 5
uint8_t VideoKeyScan(SearchSession* session, const RegistryRule& rule);           // kind 10
uint8_t DefaultValueScan(SearchSession* session, const RegistryRule& rule);       // kinds 12 and 13
uint8_t DeviceInterfaceScan(SearchSession* session, const RegistryRule& rule);    // kind 14
