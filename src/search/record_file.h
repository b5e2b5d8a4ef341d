// The file side's one way of recording what it found: the family, the path guard through the
// session's memo, the access probe and the found list.
#pragma once
#include <stdint.h>
#include "search/search_session.h"

// Records a file the search found under the session's source: 0 = list full; 1 = duplicate,
// product not selected, or a path the path guard (SearchGuard) refuses (never listed); else the
// new item's accessible flag. The item holds the path's canonical form.
uint8_t RecordFile(SearchSession* session, const char* path, const char* serviceName);
