// What the core tests compare: a collection, its warnings and a call's
// failure as one text each, with the test's folder written as DIR.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/test_support.h"
#include "vezuved/vezuved_core.h"

namespace core_test {

// A collection freed with the object.
struct Collection {
    Collection() : handle(vezuved_collection_new()) {}
    ~Collection() { vezuved_collection_free(handle); }
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;
    vezuved_collection* handle;
};

// A file of tests/core/data read whole, byte for byte.
std::string Data(const std::string& name);

// The rows of a tab-separated file of tests/core/data, C escapes undone, empty
// and '#' lines left out; fails unless it holds `rows` rows of `columns` fields.
std::vector<std::vector<std::string>> Table(const std::string& name, size_t rows, size_t columns);

// A result code by its name: "OK", "OPEN", "FORMAT", "ARGUMENT".
int32_t Code(const std::string& name);

// Sets as one line each: "T 'Day' 3: -122.1,45.1@1000 /-122.3,45.3^-3 'P' \"d\" #Flag"
// ("/" begins a segment, "^" elevation in metres, "@" UTC milliseconds).
std::string Summary(const vezuved_collection* collection);

// Each warning's line number and message, one a line.
std::string Warnings(const vezuved_collection* collection, const std::string& folder);

// The collection's message with the folder as DIR.
std::string Message(const vezuved_collection* collection, const std::string& folder);

// The shortest text that reads back as the same double.
std::string Shortest(double value);

// Document receivers: one appends to the std::string its context points to,
// one refuses everything.
int32_t VEZUVED_CORE_CALL AppendDocument(void* context, const char* bytes, int64_t size);
int32_t VEZUVED_CORE_CALL RefuseDocument(void* context, const char* bytes, int64_t size);

// Fails the test for each of the parts the text does not hold.
void ExpectHolds(const std::string& text, std::initializer_list<std::string> parts);

// A point at the position, named when a name is given.
vezuved_point At(double latitude, double longitude, const char* name = nullptr);

// The collection as a document of the format, handed to vezuved_write_to.
std::string Document(vezuved_collection* collection,
                     int32_t format,
                     const char* creator = nullptr,
                     const char* name = "given");

// The file at `path` read into a collection of its own: its sets as
// Summary gives them, or "failed N: MESSAGE".
std::string SummaryOf(const std::string& path, const vezuved_read_options* options = nullptr);

// A file of these bytes read in a folder of its own: the result code, a line
// end, the sets, then the warnings (of a success) or the message (DIR for the folder).
std::string ReadOutcome(const std::string& name,
                        const std::string& bytes,
                        const vezuved_read_options* read = nullptr);
// The same of the file at `path` in the folder.
std::string ReadOutcome(const TempFolder& folder, const std::string& path, const vezuved_read_options* read);
std::string Outcome(int32_t result, const std::string& sets, const std::string& said);

// A file read as a table's row gives: its sets, then its warnings, or the
// message when the read fails.
struct ReadCase {
    const char* what;
    std::string file;
    const char* sets;
    const char* warnings = "";
    int32_t result = VEZUVED_OK;
};

}  // namespace core_test

// The core tests speak of these by their short names.
using namespace core_test;  // NOLINT(google-build-using-namespace)
