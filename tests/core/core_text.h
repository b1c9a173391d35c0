// What the core tests compare: a collection, its warnings and a call's
// failure as one text each, with the test's folder written as DIR.
#pragma once

#include <string>

#include "vezuved/vezuved_core.h"

namespace core_test {

// Sets as one line each: "T 'Day' 3: -122.1,45.1@1000 /-122.3,45.3^-3 'P' \"d\" #Flag"
// ("/" begins a segment, "^" elevation in metres, "@" UTC milliseconds).
std::string Summary(const vezuved_collection* collection);

// Each warning's line number and message, one a line.
std::string Warnings(const vezuved_collection* collection, const std::string& folder);

// The collection's message with the folder as DIR.
std::string Message(const vezuved_collection* collection, const std::string& folder);

// The shortest text that reads back as the same double.
std::string Shortest(double value);

}  // namespace core_test
