// The device listing's report read back into rows for the page: the
// columns and states the library prints, and the files only on the PC.
#pragma once

#include <string>
#include <vector>

namespace vezuved_cli {

struct ListingRow {
    std::string kind;  // "Points", "Routes" or "Tracks"
    std::string name;
    int records = 0;
    std::string deviceModified, pcModified;  // "Mar/14/2004 14:25"; pcModified empty when none
    std::string state;  // "Identical", "Newer On Device", "Newer On PC" or "Only on Device"
};

struct Listing {
    std::vector<ListingRow> rows;
    std::vector<std::string> pcOnly;  // full paths
};

Listing ParseListing(const std::string& report);

}  // namespace vezuved_cli
