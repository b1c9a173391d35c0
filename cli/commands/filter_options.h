// The filter options of convert and show (--simplify, --fit, --split,
// --crop, --merge, --keep-near, --tz), kept in the order they were given.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "conversion/records.h"
#include "files/run_context.h"
#include "filters/filters.h"

namespace vezuved_cli {

struct FilterOptions {
    std::vector<std::pair<std::string, std::string>> given;  // option name and value, in command-line order
    std::vector<std::string> keepNear;
    std::string tz;
};

void AddFilterOptions(CLI::App& command, const std::shared_ptr<FilterOptions>& options);

// The steps, with --keep-near's files read for their waypoints; usage errors for bad values.
FilterPlan ToFilterPlan(RunContext& run, const FilterOptions& options, const TextOptions& text);

// Runs the plan over the sets read; the library's records go, so the
// filtered points are what is written.
void FilterLoadedSets(const RunContext& run, std::vector<LoadedPoints>& sets, const FilterPlan& plan);

// The examples the commands' help ends with.
extern const char* const kFilterExamples;

}  // namespace vezuved_cli
