// A busy machine: other makers' drivers, devices, interfaces, desktop namespace entries and
// driver packages in the numbers a well-used PC holds, some of them coming close to the maker's
// without being its. Added on top of the sample machine by the benchmark and by the tests that
// compare search results on a full machine; nothing of it may ever be found.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

struct BusyValue {
    std::string name;   // "" for the default value
    std::string data;   // REG_SZ
};

// One key the generator creates, with the marker value that lets it be removed again.
struct BusyKey {
    HKEY root;
    std::string path;
    std::vector<BusyValue> values;
};

struct BusyFile {
    std::string path;      // absolute
    std::string content;
};

struct BusyMachine {
    std::vector<BusyKey> keys;    // parents before their children
    std::vector<BusyFile> files;
};

// The decoys of one set (sets 0, 1, 2, ... are disjoint; scale n means sets 0..n-1). divisor
// thins every kind of decoy out (1: the full size, about 3,300 device keys in two control sets
// and 400 driver packages of about 10 KB).
void BuildBusyMachine(int32_t set, int32_t divisor, BusyMachine* machine);

// Creates the decoys (old ones of the same names first removed); 0 with a message in log when
// something could not be made.
uint8_t AddBusyMachine(const BusyMachine& machine, std::string* log);
// Removes the decoys that carry the generator's marker, and the keys it created on the way to
// them once they are empty.
uint8_t RemoveBusyMachine(const BusyMachine& machine, std::string* log);
