#include "core_text.h"

#include <charconv>
#include <sstream>

namespace core_test {

static std::string WithoutFolder(std::string text, const std::string& folder) {
    for (size_t at = text.find(folder); !folder.empty() && at != std::string::npos;
         at = text.find(folder, at))
        text.replace(at, folder.size(), "DIR");
    return text;
}

static std::string Unescape(const std::string& field) {
    std::string text;
    for (size_t at = 0; at < field.size(); ++at) {
        if (field[at] != '\\' || at + 1 == field.size()) {
            text += field[at];
            continue;
        }
        const char next = field[++at];
        if (next == 'x' && at + 2 < field.size())
            text += static_cast<char>(std::stoi(field.substr((at += 2) - 1, 2), nullptr, 16));
        else
            text += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
    return text;
}

std::string Data(const std::string& name) { return TestData("core/data/" + name); }

std::vector<std::vector<std::string>> Table(const std::string& name, size_t rows, size_t columns) {
    std::vector<std::vector<std::string>> table;
    std::istringstream lines(Data(name));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        table.emplace_back();
        for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1) {
            tab = line.find('\t', at);
            table.back().push_back(Unescape(line.substr(at, tab - at)));
        }
        EXPECT_EQ(table.back().size(), columns) << name << ": " << line;
        table.back().resize(columns);
    }
    EXPECT_EQ(table.size(), rows) << name;
    return table;
}

int32_t Code(const std::string& name) {
    if (name == "OK") return VEZUVED_OK;
    if (name == "OPEN") return VEZUVED_ERROR_OPEN;
    if (name == "FORMAT") return VEZUVED_ERROR_FORMAT;
    if (name == "ARGUMENT") return VEZUVED_ERROR_ARGUMENT;
    ADD_FAILURE() << "no result code " << name;
    return VEZUVED_ERROR_INTERNAL;
}

std::string Shortest(double value) {
    char text[64];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

std::string Summary(const vezuved_collection* collection) {
    std::string text;
    for (int32_t set = 0; set < vezuved_set_count(collection); ++set) {
        const int32_t kind = vezuved_set_kind(collection, set);
        text += kind == VEZUVED_SET_WAYPOINTS ? "W" : kind == VEZUVED_SET_ROUTE ? "R" : "T";
        text += std::string(" '") + vezuved_set_name(collection, set) + "' " +
                std::to_string(vezuved_set_point_count(collection, set)) + ":";
        for (int64_t i = 0; i < vezuved_set_point_count(collection, set); ++i) {
            vezuved_point point{};
            if (vezuved_get_point(collection, set, i, &point) != VEZUVED_OK)
                return text + " <unreadable point>";
            text += point.segment_start != 0 ? " /" : " ";
            text += Shortest(point.longitude) + "," + Shortest(point.latitude);
            if (point.has_elevation != 0) text += "^" + Shortest(point.elevation);
            if (point.has_time != 0) text += "@" + std::to_string(point.time);
            if (point.name[0] != '\0') text += std::string(" '") + point.name + "'";
            if (point.description != nullptr) text += std::string(" \"") + point.description + "\"";
            if (point.symbol[0] != '\0') text += std::string(" #") + point.symbol;
        }
        text += "\n";
    }
    return text;
}

std::string Warnings(const vezuved_collection* collection, const std::string& folder) {
    std::string text;
    for (int32_t i = 0; i < vezuved_warning_count(collection); ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection, i, &warning) != VEZUVED_OK)
            return text + "<unreadable warning>\n";
        text += std::to_string(warning.line) + " " + WithoutFolder(warning.message, folder) + "\n";
    }
    return text;
}

std::string Message(const vezuved_collection* collection, const std::string& folder) {
    return WithoutFolder(vezuved_error_message(collection), folder);
}

int32_t VEZUVED_CORE_CALL AppendDocument(void* context, const char* bytes, int64_t size) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
    return 0;
}

int32_t VEZUVED_CORE_CALL RefuseDocument(void*, const char*, int64_t) { return 1; }

void ExpectHolds(const std::string& text, std::initializer_list<std::string> parts) {
    for (const std::string& part : parts)
        EXPECT_NE(text.find(part), std::string::npos) << part << "\nin\n" << text;
}

vezuved_point At(double latitude, double longitude, const char* name) {
    return vezuved_point{latitude, longitude, 0, 0, 0, 0, 0, name, nullptr, nullptr};
}

std::string Document(vezuved_collection* collection, int32_t format, const char* creator, const char* name) {
    vezuved_write_options options{};
    options.format = format;
    options.creator = creator;
    std::string text;
    EXPECT_EQ(vezuved_write_to(collection, name, AppendDocument, &text, &options), VEZUVED_OK)
        << vezuved_error_message(collection);
    return text;
}

std::string SummaryOf(const std::string& path, const vezuved_read_options* options) {
    Collection collection;
    const int32_t result = vezuved_read(collection.handle, path.c_str(), options);
    if (result != VEZUVED_OK)
        return "failed " + std::to_string(result) + ": " + vezuved_error_message(collection.handle);
    return Summary(collection.handle);
}

std::string Outcome(int32_t result, const std::string& sets, const std::string& said) {
    return std::to_string(result) + "\n" + sets + said;
}

std::string ReadOutcome(const TempFolder& folder, const std::string& path, const vezuved_read_options* read) {
    Collection collection;
    const int32_t result = vezuved_read(collection.handle, path.c_str(), read);
    return Outcome(result,
                   Summary(collection.handle),
                   result == VEZUVED_OK ? Warnings(collection.handle, folder.path())
                                        : Message(collection.handle, folder.path()));
}

std::string ReadOutcome(const std::string& name,
                        const std::string& bytes,
                        const vezuved_read_options* options) {
    TempFolder folder;
    return ReadOutcome(folder, folder.put(name, bytes), options);
}

}  // namespace core_test
