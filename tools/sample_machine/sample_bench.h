// The search benchmark of the sample machine and the busy machine.
#pragma once
#include "sample_machine.h"

// Seeds the machine, adds the busy machine at scales 1 and 3 and prints, for each, the medians
// of runs searches and touch floors, their ratio, the items found and the list's fingerprint.
// reference: the searches share no reads (the straightforward way, for comparison).
int RunBench(const SampleMachine& machine, int runs, uint8_t reference);
