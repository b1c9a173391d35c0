// Read through libcsv: a name or description may hold commas, quotes and
// line breaks.
#include "maps/activity_names.h"

#include <algorithm>
#include <vector>

#include "base/memory.h"
#include "maps/map_failure.h"

#if defined(VEZUVED_HAVE_LIBCSV)
#include <csv.h>
#endif

namespace vezuved::maps {

#if defined(VEZUVED_HAVE_LIBCSV)
namespace {

struct Rows {
    std::vector<std::vector<std::string>> rows{1};
};

void OnField(void* field, size_t size, void* data) {
    static_cast<Rows*>(data)->rows.back().emplace_back(static_cast<const char*>(field), size);
}

void OnRow(int, void* data) { static_cast<Rows*>(data)->rows.emplace_back(); }

// libcsv's buffers come from the library's heap, which runs out as
// everything else the library reads does.
struct Parser {
    csv_parser parser{};
    bool open = csv_init(&parser, 0) == 0;
    Parser() {
        csv_set_realloc_func(&parser, MemReallocate);
        csv_set_free_func(&parser, MemFree);
    }
    ~Parser() {
        if (open) csv_free(&parser);
    }
};

}  // namespace

std::map<std::string, std::string> ActivityNames(const std::string& csv, const std::string& what) {
    Rows read;
    Parser owner;
    if (!owner.open) FailMap("cannot read '" + what + "': memory ran out");
    if (csv_parse(&owner.parser, csv.data(), csv.size(), OnField, OnRow, &read) != csv.size() ||
        csv_fini(&owner.parser, OnField, OnRow, &read) != 0) {
        FailMap("cannot read '" + what + "': " + csv_strerror(csv_error(&owner.parser)));
    }
    const std::vector<std::string>& header = read.rows.front();
    size_t file = header.size(), name = header.size();
    for (size_t i = 0; i < header.size(); ++i) {
        // A byte-order mark may stand before the first column's name.
        const std::string column = header[i].rfind("\xEF\xBB\xBF", 0) == 0 ? header[i].substr(3) : header[i];
        if (column == "Filename" && file == header.size()) file = i;
        if (column == "Activity Name" && name == header.size()) name = i;
    }
    if (file == header.size() || name == header.size())
        FailMap("cannot read '" + what + "': it has no 'Filename' and 'Activity Name' columns");
    std::map<std::string, std::string> names;
    for (size_t r = 1; r < read.rows.size(); ++r) {
        const std::vector<std::string>& row = read.rows[r];
        if (row.size() > std::max(file, name) && !row[file].empty() && !row[name].empty())
            names.emplace(row[file], row[name]);
    }
    return names;
}

#else

std::map<std::string, std::string> ActivityNames(const std::string&, const std::string& what) {
    FailMap("cannot read '" + what + "': reading it needs a build with libcsv");
}

#endif

}  // namespace vezuved::maps
