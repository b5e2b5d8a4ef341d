// The silent run: search and delete the selected families without any window.
#pragma once

void RunSilent();
