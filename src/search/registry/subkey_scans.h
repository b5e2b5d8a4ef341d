// The rule kinds that scan subkeys by their content: driver classes, video keys, the desktop
// namespace, default values and device interfaces.
#pragma once
#include <stdint.h>
#include "tables/registry_rules.h"

uint8_t DriverClassScan(const RegistryRule& rule);        // kind 5
uint8_t VideoKeyScan(const RegistryRule& rule);           // kind 10
uint8_t NamespaceExtensionScan(const RegistryRule& rule); // kind 12
uint8_t DefaultValueScan(const RegistryRule& rule);       // kind 13
uint8_t DeviceInterfaceScan(const RegistryRule& rule);    // kind 14
