// The names an export gives its activities: a Strava bulk export's
// activities.csv names each activity file ("Filename",
// "activities/123.fit.gz") and its title ("Activity Name").
#pragma once

#include <map>
#include <string>

namespace vezuved::maps {

// The file name of each activity the CSV lists, to its name; rows without
// either are passed over. Fails naming what when the CSV cannot be read or
// lacks either column.
std::map<std::string, std::string> ActivityNames(const std::string& csv, const std::string& what);

}  // namespace vezuved::maps
