// Text described by a ".cal" definition read: each layout's exact values,
// the encodings, bad lines, and hostile files.

#include "core/text_sets.h"
#include "core_text.h"
#include "state/conversion_state.h"

// A file of data/text, or, after '@', the text itself.
static std::string TextOrFile(const std::string& field) {
    return field.empty() || field[0] != '@' ? field : Data("text/" + field.substr(1));
}

// The comma definition: name, latitude, longitude, elevation and note, in metres.
static std::string CommaMetres() { return Data("text/comma-metres.cal"); }

// The options of a text read with its definition named, by the given encoding and strictness.
static vezuved_read_options ByDefinition(const std::string& definition,
                                         int32_t encoding = VEZUVED_ENCODING_WINDOWS_1252,
                                         bool strict = false) {
    vezuved_read_options options{};
    options.format = VEZUVED_FORMAT_TEXT;
    options.encoding = encoding;
    options.strict = strict ? 1 : 0;
    options.definition_path = definition.c_str();
    return options;
}

// The text's outcome (as ReadOutcome gives it) read with its definition named.
static std::string ReadText(const TempFolder& folder,
                            const std::string& path,
                            const std::string& definition,
                            int32_t encoding = VEZUVED_ENCODING_WINDOWS_1252,
                            bool strict = false) {
    const vezuved_read_options options = ByDefinition(definition, encoding, strict);
    return ReadOutcome(folder, path, &options);
}

// Also the times and Garmin positions that cannot be read, and a NUL that
// ends a line, a last line with no line end, and BEL and BS that vanish.
TEST(CoreTextReading, TextsAreReadByTheirDefinitions) {
    // Each row: the case, its definition in data/text, the text, its sets and its warnings.
    for (const std::vector<std::string>& c : Table("text/layouts.tsv", 10, 5)) {
        TempFolder folder;
        const std::string definition = folder.put("layout.cal", Data("text/" + c[1]));
        EXPECT_EQ(ReadText(folder, folder.put("trip.txt", TextOrFile(c[2])), definition),
                  Outcome(VEZUVED_OK, c[3], c[4]))
            << c[0];
    }

    TempFolder folder;
    Collection collection;
    const std::string definition = folder.put("bad.cal", CommaMetres());
    const std::string path = folder.put("bad.txt", Data("text/bad.txt"));
    EXPECT_EQ(ReadText(folder, path, definition, VEZUVED_ENCODING_WINDOWS_1252, true),
              Outcome(VEZUVED_ERROR_FORMAT, "", "DIR/bad.txt:2: column 2: 'abc' is not a latitude"));
    const vezuved_read_options options = ByDefinition(definition);
    ASSERT_EQ(vezuved_read(collection.handle, path.c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(Summary(collection.handle), "W 'bad' 2: 2,1^3 'Good' 5,4 'Last'\n");
    EXPECT_EQ(Warnings(collection.handle, folder.path()), Data("text/bad-warnings.txt"));
    vezuved_warning warning{};
    ASSERT_EQ(vezuved_get_warning(collection.handle, 0, &warning), VEZUVED_OK);
    EXPECT_EQ(std::string(warning.cause) + " @" + std::to_string(warning.column),
              "column 2: 'abc' is not a latitude @2");
    EXPECT_EQ(std::string(warning.file), path);

    // Each row: the case, the text, the encoding, the code and the sets or the message.
    for (const std::vector<std::string>& c : Table("text/encodings.tsv", 6, 5)) {
        TempFolder folder;
        const std::string definition = folder.put("enc.cal", CommaMetres());
        const bool read = c[3] == "OK";
        EXPECT_EQ(ReadText(folder, folder.put("enc.txt", c[1]), definition, std::stoi(c[2])),
                  Outcome(Code(c[3]), read ? c[4] : "", read ? "" : c[4]))
            << c[0];
    }

    // Each row: the case, the text and the definition ("-": no file, "@": one of data/text),
    // the code, the message and the warnings.
    for (const std::vector<std::string>& c : Table("text/failures.tsv", 6, 6)) {
        TempFolder folder;
        Collection collection;
        const std::string path = c[1] != "-" ? folder.put("t.txt", c[1]) : folder.file("t.txt");
        if (c[2] != "-") folder.put("t.cal", TextOrFile(c[2]));
        vezuved_read_options options{};
        options.format = VEZUVED_FORMAT_TEXT;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), &options), Code(c[3])) << c[0];
        // The library's "No Cal File" is kept to the call, never printed.
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c[0];
        EXPECT_EQ(Message(collection.handle, folder.path()), c[4]) << c[0];
        EXPECT_EQ(Warnings(collection.handle, folder.path()), c[5]) << c[0];
        EXPECT_EQ(vezuved_set_count(collection.handle), 0) << c[0];
    }

    Collection beside;
    folder.put("walk.cal", Data("text/tab-track.cal"));
    const std::string walk = folder.put("walk.log", "h\n1\t2\t3\t\tP\t\n");
    ASSERT_EQ(vezuved_read(beside.handle, walk.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Summary(beside.handle), "T 'walk' 1: 2,1^3 'P'\n");

    // Without one, and without a definition named, the extension names nothing.
    const std::string other = folder.put("notes.log", "1,2\n");
    EXPECT_EQ(vezuved_read(beside.handle, other.c_str(), nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(Message(beside.handle, folder.path()),
              "'DIR/notes.log': its extension names no format; give one in the options");

    // A folder opens on some systems but never reads as a definition.
    ::testing::internal::CaptureStdout();
    const std::string outcome = ReadText(folder, folder.put("t.txt", "A,1,2\n"), folder.path());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(outcome.rfind(std::to_string(VEZUVED_ERROR_OPEN) +
                                "\ncannot read 'DIR/t.txt': its format definition 'DIR' cannot be read (",
                            0),
              0u)
        << outcome;

    const std::string comma = folder.put("h.cal", CommaMetres());
    {
        // A name of a million characters is kept whole.
        Collection collection;
        const std::string name(1000000, 'n');
        const vezuved_read_options options = ByDefinition(comma);
        ASSERT_EQ(vezuved_read(collection.handle, folder.put("long.txt", name + ",1,2\n").c_str(), &options),
                  VEZUVED_OK);
        vezuved_point point{};
        ASSERT_EQ(vezuved_get_point(collection.handle, 0, 0, &point), VEZUVED_OK);
        EXPECT_EQ(std::string(point.name), name);
    }
    {
        // Lines of nothing but separators and quotes: a quote left open
        // runs to the line's end.
        Collection collection;
        const std::string file = folder.put("odd.txt", ",,,,\n\"\nA,\"1,5\",2\n");
        const vezuved_read_options options = ByDefinition(comma);
        EXPECT_EQ(vezuved_read(collection.handle, file.c_str(), &options), VEZUVED_ERROR_FORMAT);
        EXPECT_EQ(Warnings(collection.handle, folder.path()),
                  "1 DIR/odd.txt:1: column 2: the latitude is empty\n2 DIR/odd.txt:2: column 2: no latitude: "
                  "the line has fewer columns\n3 DIR/odd.txt:3: column 2: '1,5' is not a latitude\n");
    }

    // A host's earlier conversion left metres, compact coordinates and a
    // header line in the process-wide state; a text read starts from the
    // library's defaults and its definition alone, and leaves them.
    vezuved::ConversionState& state = vezuved::State();
    const vezuved::ConversionState before = state;
    state.EleFormat = 1;
    state.LocFormat = 2;
    state.HeaderLines = 1;
    const std::string plainCal = folder.put(
        "plain.cal", "Delimited = ,\nname = 0\nlatitude = 1\nlongitude = 2\nelevation = 3\ntime = -1\n");
    EXPECT_EQ(ReadText(folder, folder.put("plain.txt", "A,45.5,-122.25,100\n"), plainCal),
              Outcome(VEZUVED_OK, "W 'plain' 1: -122.25,45.5^" + Shortest(100 * 0.3048) + " 'A'\n", ""));
    EXPECT_EQ(std::vector<int>({state.EleFormat, state.LocFormat, state.HeaderLines}),
              std::vector<int>({1, 2, 1}));
    state = before;
    // A column further along the line than most lines go is read as well.
    const std::string farCal = folder.put(
        "far.cal", "Delimited = ,\nname = 40\nlatitude = 0\nlongitude = 1\nelevation = -1\ntime = -1\n");
    std::string farLine = "45.5,-122.25";
    for (int column = 2; column < 40; ++column) farLine += ",";
    EXPECT_EQ(ReadText(folder, folder.put("far.txt", farLine + ",Far,y\n"), farCal),
              Outcome(VEZUVED_OK, "W 'far' 1: -122.25,45.5 'Far'\n", ""));
    // An icon in the first column, longer than a record's 255 bytes, is read whole.
    const std::string icon = "Camp " + std::string(300, 'x');
    const std::string iconCal = folder.put(
        "icon.cal",
        "Delimited = ,\nicon = 0\nlatitude = 1\nlongitude = 2\nname = 3\nelevation = -1\ntime = -1\n");
    EXPECT_EQ(ReadText(folder, folder.put("icon.txt", icon + ",45.5,-122.25,Camp\n"), iconCal),
              Outcome(VEZUVED_OK, "W 'icon' 1: -122.25,45.5 'Camp' #" + icon + "\n", ""));

    // ISO 8601 time and date columns read when the read's flag says so; a flag
    // the read does not know is refused.
    const std::string iso = folder.put("iso.cal",
                                       "Delimited=,\nFieldCount=4\nname=0\nlatitude=1\nlongitude=2\n"
                                       "elevation=-1\ntime=3\nLocFormat=Num\nDBType=Track\n");
    const std::string dated = folder.put("dated.cal",
                                         "Delimited=,\nFieldCount=5\nname=0\nlatitude=1\nlongitude=2\n"
                                         "elevation=-1\ntime=3\ndate=4\nLocFormat=Num\nDBType=Track\n");
    // The line, its comma, and the moment read or the warning's cause.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"A,1,2,2021-08-14T10:15:00+02:00", iso, "@1628928900000"},
        {"A,1,2,2021-08-14 08:15:00.25Z", iso, "@1628928900250"},
        {"A,1,2,2021-08-14", iso, "@1628899200000"},
        {"A,1,2,10:15:00+02:00", iso, "@946714500000"},  // a zone, no date: 2000-01-01
        {"A,1,2,10:15:00,2021-08-14", dated, "@1628936100000"},
        {"A,1,2,08:15:00-05:00,2021-08-14", dated, "@1628946900000"},
        {"A,1,2,081500 14082021", iso, "@1628928900000"},  // the library's own form
        {"A,1,2,2021-13-40T10:15:00Z", iso, "column 4: '2021-13-40T10:15:00Z' is not a time"},
    };
    for (const auto& [line, by, time] : cases) {
        SCOPED_TRACE(line);
        const std::string file = folder.put("trip.txt", line + "\n");
        Collection collection;
        vezuved_read_options options = ByDefinition(by);
        options.flags = VEZUVED_READ_ISO_TIMES;
        if (time[0] == '@') {
            ASSERT_EQ(vezuved_read(collection.handle, file.c_str(), &options), VEZUVED_OK);
            EXPECT_EQ(Summary(collection.handle), "T 'trip' 1: 2,1" + time + " 'A'\n");
        } else {
            EXPECT_EQ(vezuved_read(collection.handle, file.c_str(), &options), VEZUVED_ERROR_FORMAT);
            EXPECT_EQ(Warnings(collection.handle, folder.path()), "1 DIR/trip.txt:1: " + time + "\n");
        }
    }
    // Without the flag an ISO time is no time the definition reads.
    const std::string file = folder.put("trip.txt", "A,1,2,2021-08-14T10:15:00Z\n");
    EXPECT_EQ(ReadText(folder, file, iso).rfind(std::to_string(VEZUVED_ERROR_FORMAT) + "\n", 0), 0u);
    Collection plain;
    vezuved_read_options unknown{};
    unknown.flags = 0x8;
    unknown.definition_path = iso.c_str();
    EXPECT_EQ(vezuved_read(plain.handle, file.c_str(), &unknown), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(Message(plain.handle, folder.path()), "'DIR/trip.txt': 8 are no flags of a read");
}

// Lines as the import cuts them, each with its number; the text ends at its
// length even where the byte after it would end a CR LF.
TEST(CoreTextReading, LinesAreCutAndNumberedAsTheImportCutsThem) {
    const struct {
        std::string bytes;
        size_t length;
        const char* lines;
    } cases[] = {
        {"abc\r\n", 4, "1 abc|"},
        {"a\rb\r\nc", 6, "1 a|2 b|3 c|"},
        {std::string("x\0y\n\nd\a\be\n", 10), 10, "1 x|2 y|3 |4 de|"},
        {"\n", 1, "1 |"},
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        std::string lines;
        vezuved::core::ForEachNumberedLine(std::string_view(c.bytes.data(), c.length),
                                           [&](size_t number, const std::string& line) {
                                               lines += std::to_string(number) + " " + line + "|";
                                           });
        EXPECT_EQ(c.lines, lines) << c.length;
    }
}
