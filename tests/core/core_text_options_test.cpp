// A text's layout changed over its definition (vezuved_text_options), record
// lines without one, import-only definitions, and points copied between sets.

#include "core_text.h"

// A text read with the options over its definition (none when empty): its
// sets, or the code and message.
static std::string Read(const TempFolder& folder,
                        const std::string& path,
                        const std::string& definition,
                        const vezuved_text_options& text) {
    Collection collection;
    vezuved_read_options options{};
    options.definition_path = definition.empty() ? nullptr : definition.c_str();
    const int32_t result = vezuved_read_text(collection.handle, path.c_str(), &options, &text);
    return result == VEZUVED_OK ? Summary(collection.handle)
                                : std::to_string(result) + " " + Message(collection.handle, folder.path());
}

// Each value as defined, then a layout alone, then kind, unit and columns
// over the definition; and the values out of range.
TEST(CoreTextOptions, LayoutKindUnitColumnsRecordLinesAndAnImportOnlyDefinition) {
    vezuved_text_options text;
    vezuved_text_options_init(&text);
    EXPECT_EQ(
        std::vector<int32_t>({text.layout, text.kind, text.elevation_format, text.has_columns}),
        std::vector<int32_t>({VEZUVED_TEXT_AS_DEFINED, VEZUVED_TEXT_AS_DEFINED, VEZUVED_TEXT_AS_DEFINED, 0}));
    EXPECT_GE(vezuved_core_version(), 101);
    const vezuved_text_options defined = text;
    TempFolder folder;
    text.layout = VEZUVED_SOURCE_TAB;
    EXPECT_EQ(Read(folder, folder.put("trip.dat", "45.5\t-122.25\t10\t\tA\n"), "", text),
              "W 'trip' 1: -122.25,45.5^3.048 'A'\n");

    const std::string definition = folder.put("comma.cal", Data("text/comma-metres.cal"));
    // Latitude and longitude swapped, elevation in feet, a track.
    const std::string path = folder.put("trip.txt", "Cafe,-122.5,45.25,100\n");
    text = defined;
    text.kind = VEZUVED_SET_TRACK;
    text.elevation_format = 0;
    text.has_columns = 1;
    const int16_t columns[] = {2, 1, 3, -1, 0, -1, -1};
    for (int i = 0; i < VEZUVED_COLUMN_DATE; ++i) text.columns[i] = columns[i];
    EXPECT_EQ(Read(folder, path, definition, text), "T 'trip' 1: -122.5,45.25^30.48 'Cafe'\n");
    // A track or route of the older layout is read as a track or route.
    text.kind = VEZUVED_KIND_TRACK_OLD;
    EXPECT_EQ(Read(folder, path, definition, text).front(), 'T');
    text.kind = VEZUVED_KIND_ROUTE_OLD;
    EXPECT_EQ(Read(folder, path, definition, text).front(), 'R');

    const std::tuple<int32_t, int32_t, int32_t, int16_t, const char*> cases[] = {
        {9, -1, -1, 0, "'DIR/trip.txt': 9 is no text layout"},
        {-1, 5, -1, 0, "'DIR/trip.txt': 5 is no kind of set"},
        {-1, -1, 2, 0, "'DIR/trip.txt': 2 is no unit of elevation"},
        {-1, -1, -1, -2, "'DIR/trip.txt': -2 is no column"},
    };
    for (const auto& [layout, kind, elevation, column, message] : cases) {
        text = defined;
        text.layout = layout;
        text.kind = kind;
        text.elevation_format = elevation;
        text.has_columns = column != 0;
        text.columns[0] = column;
        EXPECT_EQ(Read(folder, path, "", text), std::to_string(VEZUVED_ERROR_ARGUMENT) + " " + message);
    }

    const std::string lines =
        folder.put("trip.rlt", "45.5,-122.25,100,,Gate,Flag,Open\r\n-0.125,7,,,Hut,,\r\n");
    Collection collection;
    ASSERT_EQ(vezuved_read(collection.handle, lines.c_str(), nullptr), VEZUVED_OK);
    const std::string points = " 2: -122.25,45.5^30.48 'Gate' \"Open\" #Flag 7,-0.125 'Hut'\n";
    EXPECT_EQ(Summary(collection.handle), "T 'trip'" + points);
    const std::string written = folder.file("again.rlt");
    vezuved_text_options layout;
    vezuved_text_options_init(&layout);
    layout.layout = VEZUVED_SOURCE_RECORD_LINE;
    ASSERT_EQ(vezuved_write_text(collection.handle, written.c_str(), nullptr, &layout), VEZUVED_OK);
    EXPECT_EQ(SummaryOf(written), "T 'again'" + points);

    const std::string surveyCal = folder.put("survey.cal", Data("text/import-only.cal"));
    Collection survey;
    vezuved_read_options read{};
    read.definition_path = surveyCal.c_str();
    ASSERT_EQ(vezuved_read(survey.handle, folder.put("trip.txt", "A,45.5,-122.25\n").c_str(), &read),
              VEZUVED_OK);
    const std::string out = folder.file("out.txt");
    vezuved_write_options options{};
    options.definition_path = surveyCal.c_str();
    options.format = VEZUVED_FORMAT_TEXT;
    EXPECT_EQ(vezuved_write(survey.handle, out.c_str(), &options), VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(Message(survey.handle, folder.path()),
              "cannot write 'DIR/out.txt' through 'DIR/survey.cal': the format 'Survey points (import "
              "only)' can be read but not written back the same way");
    EXPECT_FALSE(FileExists(out));
}

TEST(CorePointCopies, PointsAreCopiedAsHeldAndSegmentsMarked) {
    Collection source;
    const int32_t from = vezuved_add_set(source.handle, VEZUVED_SET_TRACK, "day");
    for (int i = 0; i < 4; ++i) {
        const vezuved_point point{
            45 + i * 0.1, 7.000000001, 100.125 + i, 1628928900123 + i * 1000, 1, 1, 0, "P", nullptr, nullptr};
        ASSERT_EQ(vezuved_add_point(source.handle, from, &point), VEZUVED_OK);
    }
    Collection copy;
    const int32_t to = vezuved_add_set(copy.handle, VEZUVED_SET_TRACK, "part");
    ASSERT_EQ(vezuved_copy_points(copy.handle, to, source.handle, from, 1, 2), VEZUVED_OK);
    ASSERT_EQ(vezuved_copy_points(copy.handle, to, source.handle, from, 3, 1), VEZUVED_OK);
    ASSERT_EQ(vezuved_set_segment_start(copy.handle, to, 2, 1), VEZUVED_OK);
    EXPECT_EQ(Summary(copy.handle),
              "T 'part' 3: 7.000000001,45.1^101.125@1628928901123 'P' 7.000000001,45.2^102.125@1628928902123 "
              "'P' /7.000000001,45.3^103.125@1628928903123 'P'\n");
    // Within one set, and out of range.
    ASSERT_EQ(vezuved_copy_points(copy.handle, to, copy.handle, to, 0, 3), VEZUVED_OK);
    EXPECT_EQ(vezuved_set_point_count(copy.handle, to), 6);
    EXPECT_EQ(vezuved_copy_points(copy.handle, to, source.handle, from, 3, 2), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(std::string(vezuved_error_message(copy.handle)),
              "points 3 and 2 after it are not all in the source's set");
    EXPECT_EQ(vezuved_set_segment_start(copy.handle, to, 6, 1), VEZUVED_ERROR_ARGUMENT);
}
