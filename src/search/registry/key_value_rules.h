// The rule kinds that look at one fixed key: plain lookup, file-reference value, DLL list.
#pragma once
#include <stdint.h>
#include "platform/machine_halves.h"
#include "search/search_session.h"
#include "tables/install_folder_table.h"
#include "tables/registry_rules.h"

// Kinds 0-4 and any kind outside 1-14: the key, or the named value in it, if present in the
// view (listed from the other view only when the key is that half's own, as the session tells).
uint8_t PlainLookup(const RegistryRule& rule, uint8_t view = kViewOwn, SearchSession* session = NULL);
// Kind 7: builds the value name from the rule's template into name (512 characters); 0 when
// no name can be built. A name that would not fit is no name (never a shortened one). The
// install folders it is built from are read in the session.
uint8_t BuildRuleValueName(SearchSession* session, const RegistryRule& rule, char name[512]);
// The same over any install-folder table ended by a row with an empty key; BuildRuleValueName
// passes kInstallFolders.
uint8_t BuildRuleValueNameFrom(SearchSession* session, const RegistryRule& rule, const InstallFolderRule* folders, char name[512]);
// Kind 11: the value when its space-separated list holds "nvdesk32.dll", in the view as
// PlainLookup.
uint8_t DllListValue(const RegistryRule& rule, uint8_t view = kViewOwn, SearchSession* session = NULL);
