// An export's list of activities: which columns name the file and the
// title, whatever else the list holds.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/memory.h"
#include "maps/activity_names.h"
#include "maps/map_failure.h"

namespace vezuved::maps {
namespace {

TEST(ActivityNames, TheFirstColumnOfEachNameCounts) {
    using Names = std::map<std::string, std::string>;
    try {
        ActivityNames("Filename,Activity Name\n", "list.csv");
    } catch (const MapFailure&) {
        GTEST_SKIP() << "a build without libcsv";
    }
    const struct {
        const char* what;
        std::string csv;
        Names names;
    } cases[] = {
        {"a byte-order mark before the first column",
         "\xEF\xBB\xBF"
         "Filename,Activity Name\na.fit.gz,Ridge\n",
         {{"a.fit.gz", "Ridge"}}},
        {"a second column of either name is another's",
         "Activity ID,Activity Name,Filename,Activity Name,Filename\n1,Ridge,a.gpx,Lake,b.gpx\n",
         {{"a.gpx", "Ridge"}}},
        {"rows short of either column or with either empty are passed over",
         "Activity Name,X,Filename\nRidge,,a.gpx\nLake,\n,,b.gpx\nShort,,\n",
         {{"a.gpx", "Ridge"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ActivityNames(c.csv, "list.csv"), c.names) << c.what;

    for (const std::string csv :
         {"Activity ID,Filename\n1,a.gpx\n", "Activity Name,File name\nRidge,a.gpx\n"}) {
        try {
            ActivityNames(csv, "list.csv");
            ADD_FAILURE() << csv;
        } catch (const MapFailure& failure) {
            EXPECT_STREQ(failure.what(),
                         "cannot read 'list.csv': it has no 'Filename' and 'Activity Name' columns");
        }
    }
    // Memory that stays exhausted while the list is read fails with its cause.
    FailEveryAllocationFrom(1);
    try {
        ActivityNames("Filename,Activity Name\na.gpx,Ridge\n", "list.csv");
        ADD_FAILURE() << "read without memory";
    } catch (const MapFailure& failure) {
        EXPECT_STREQ(failure.what(), "cannot read 'list.csv': memory exhausted while increasing buffer size");
    }
    FailAllocationAfter(0);
}
}  // namespace
}  // namespace vezuved::maps
