// The application window table: the top-level windows of the families' applications, which the
// main window asks to close before a deletion.
#pragma once
#include <stdint.h>

struct ApplicationWindowEntry {
    int32_t product;          // product family index; -1 ends the table
    char application[256];    // the application's name, for people reading the table
    char windowClass[256];    // window class name, or empty when the title decides
    char windowTitle[256];    // window title, or empty when the class decides
};

extern const ApplicationWindowEntry kApplicationWindows[];

int CountApplicationWindows();
