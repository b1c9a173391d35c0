#include "serve/device_listing.h"

#include <regex>
#include <sstream>

namespace vezuved_cli {

Listing ParseListing(const std::string& report) {
    static const std::regex kRow(
        R"(^(.+?)\s+(\d+)   ([A-Z][a-z]{2}/\d\d/\d{4} \d\d:\d\d)(?: ([A-Z][a-z]{2}/\d\d/\d{4} \d\d:\d\d) (Identical|Newer On Device|Newer On PC)| +(Only on Device))$)");
    Listing listing;
    std::istringstream lines(report);
    std::string line, kind;
    bool pcOnly = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "Points:" || line == "Routes:" || line == "Tracks:") {
            kind = line.substr(0, line.size() - 1);
            continue;
        }
        if (line == "Files Only on PC") {
            pcOnly = true;
            continue;
        }
        if (pcOnly) {
            if (!line.empty() && line != "none" && line.find_first_not_of('=') != std::string::npos)
                listing.pcOnly.push_back(line);
            continue;
        }
        std::smatch match;
        if (kind.empty() || !std::regex_match(line, match, kRow)) continue;
        ListingRow row;
        row.kind = kind;
        row.name = match[1];
        row.records = std::stoi(match[2]);
        row.deviceModified = match[3];
        row.pcModified = match[4];
        row.state = match[5].matched ? match[5].str() : match[6].str();
        listing.rows.push_back(row);
    }
    return listing;
}

}  // namespace vezuved_cli
