// Files of every format read into a collection: the exact sets and warnings,
// and hostile files' failures as a code and a sentence naming the file.

#include "core_text.h"
#include "support/database_bytes.h"

TEST(CoreReading, FilesOfEachFormatAndDatabasesAreReadOrRefused) {
    // Each row: a file of data/read, its sets and its warnings.
    for (const std::vector<std::string>& c : Table("read/formats.tsv", 4, 3)) {
        TempFolder folder;
        Collection collection;
        const std::string path = folder.put(c[0], Data("read/" + c[0]));
        EXPECT_EQ(vezuved_read(collection.handle, path.c_str(), nullptr), VEZUVED_OK) << c[0];
        EXPECT_EQ(Message(collection.handle, folder.path()), "") << c[0];
        EXPECT_EQ(Summary(collection.handle), c[1]) << c[0];
        EXPECT_EQ(Warnings(collection.handle, folder.path()), c[2]) << c[0];
    }

    TempFolder folder;
    Collection collection;
    const std::string gpx = folder.put("trip.gpx", Data("read/trip.gpx"));
    vezuved_read_options options{};
    options.strict = 1;
    EXPECT_EQ(vezuved_read(collection.handle, gpx.c_str(), &options), VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(Message(collection.handle, folder.path()),
              "DIR/trip.gpx:4: waypoint 2 'Bad': latitude '91' is outside -90..90");
    EXPECT_EQ(vezuved_set_count(collection.handle), 0);
    ASSERT_EQ(vezuved_read(collection.handle, gpx.c_str(), nullptr), VEZUVED_OK);
    ASSERT_EQ(vezuved_read(collection.handle, gpx.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(vezuved_set_count(collection.handle), 6);
    EXPECT_EQ(vezuved_read(collection.handle, folder.put("b.gpx", "<gpx").c_str(), nullptr),
              VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(vezuved_set_count(collection.handle), 6);
    EXPECT_EQ(vezuved_warning_count(collection.handle), 0);

    // Databases assembled byte by byte, apart from the library's writer.
    DatabaseImage points;
    points.records = {
        TextRecord("45.5000000,-122.2500000,41.0104987,081500 14082021,Caf\xE9,Flag,Start here"),
        TextRecord("95.0000000,1.0000000,,,High,,"),
        TextRecord("-33.8567844,151.2152967,,,Gate,,"),
    };
    DatabaseImage track;
    track.type = "UsTr";
    track.records = {TextRecord("1.0000000,2.0000000,-10,120000 01012000,,,")};
    Collection databases;
    const std::string first = folder.put("points.pdb", BuildDatabase(points));
    const std::string second = folder.put("walk.pdb", BuildDatabase(track));
    ASSERT_EQ(vezuved_read(databases.handle, first.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Warnings(databases.handle, folder.path()),
              "0 DIR/points.pdb: record 2 'High': latitude 95 is outside -90..90; the point is left out\n");
    ASSERT_EQ(vezuved_read(databases.handle, second.c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(Summary(databases.handle),
              "W 'points' 2: -122.25,45.5^12.50000000376@1628928900000 'Caf\xC3\xA9' \"Start here\" #Flag "
              "151.2152967,-33.8567844 'Gate'\nT 'walk' 1: 2,1^-3.048@946728000000\n");
    EXPECT_EQ(Warnings(databases.handle, folder.path()), "");
    // A database of no records is an empty set.
    Collection nothing;
    EXPECT_EQ(vezuved_read(
                  nothing.handle, folder.put("empty.pdb", BuildDatabase(DatabaseImage())).c_str(), nullptr),
              VEZUVED_OK);
    EXPECT_EQ(Summary(nothing.handle), "W 'empty' 0:\n");

    // A database's header alone; a strict read fails at the first bad record;
    // a newer track and other databases are refused by their header, a cut one whole.
    DatabaseImage pair;
    pair.records = {TextRecord("45.5000000,-122.2500000,,,A,,"), TextRecord("95.0000000,1.0000000,,,High,,")};
    DatabaseImage newer;
    newer.type = "UsTr";
    newer.version = 4;
    newer.records = {TextRecord("1.0000000,2.0000000,,,,,")};
    DatabaseImage none;
    none.records = {TextRecord("95.0000000,1.0000000,,,High,,")};
    DatabaseImage log = newer;
    log.type = "RlLg";
    log.version = 3;
    const std::string path = folder.put("points.pdb", BuildDatabase(pair));
    Collection headers;
    vezuved_database_facts facts{};
    ASSERT_EQ(vezuved_database_get_facts(headers.handle, path.c_str(), &facts), VEZUVED_OK);
    EXPECT_EQ(std::vector<int32_t>({facts.kind, facts.version, facts.records}),
              std::vector<int32_t>({0, 3, 2}));
    EXPECT_EQ(vezuved_database_get_facts(headers.handle, folder.file("none.pdb").c_str(), &facts),
              VEZUVED_ERROR_OPEN);
    EXPECT_EQ(vezuved_database_get_facts(headers.handle, path.c_str(), nullptr), VEZUVED_ERROR_ARGUMENT);

    vezuved_read_options strict{};
    strict.strict = 1;
    EXPECT_EQ(vezuved_read(headers.handle, path.c_str(), &strict), VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(Message(headers.handle, folder.path()),
              "cannot read 'DIR/points.pdb': record 2 'High': latitude 95 is outside -90..90");
    EXPECT_EQ(vezuved_set_count(headers.handle), 0);

    const std::vector<std::pair<std::string, std::string>> refused = {
        {folder.put("newer.pdb", BuildDatabase(newer)), "its header version 4 is newer than 3"},
        {folder.put("log.pdb", BuildDatabase(log)), "it holds no points, route or track"},
        {folder.put("none.pdb", BuildDatabase(none)), "none of its 1 record(s) holds a point a writer takes"},
    };
    for (const auto& [file, cause] : refused) {
        EXPECT_EQ(vezuved_read(headers.handle, file.c_str(), nullptr), VEZUVED_ERROR_FORMAT) << file;
        EXPECT_EQ(vezuved_error_message(headers.handle), "cannot read '" + file + "': " + cause);
    }
    // Cut before its last record's text, it is refused whole, with the cause
    // the header gives (the last record runs to the end of the file).
    const std::string whole = BuildDatabase(pair);
    for (const size_t length : {0, 40, 78, 90, 100})
        EXPECT_EQ(ReadOutcome("cut.pdb", whole.substr(0, length)),
                  "-3\ncannot read 'DIR/cut.pdb': it is no valid Palm database (error 1032)")
            << length;

    // Each row: the file, its bytes ("-": no such file), the format named, the code and the message.
    std::vector<std::vector<std::string>> cases = Table("read/hostile.tsv", 13, 5);
    cases.push_back({"deep.geojson",
                     std::string(100000, '['),
                     "0",
                     "FORMAT",
                     "cannot read 'DIR/deep.geojson': its JSON nests deeper than 512 lists and objects"});
    for (const std::vector<std::string>& c : cases) {
        TempFolder folder;
        const std::string path = c[1] != "-" ? folder.put(c[0], c[1]) : folder.file(c[0]);
        vezuved_read_options options{};
        options.format = std::stoi(c[2]);
        // The library's own lines ("Err: 0x408") are kept in the message, never printed.
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ReadOutcome(folder, path, &options), Outcome(Code(c[3]), "", c[4])) << c[0];
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c[0];
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c[0];
    }

    vezuved_point point{};
    vezuved_warning warning{};
    EXPECT_EQ(vezuved_read(nullptr, "a.gpx", nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_write(nullptr, "a.gpx", nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_set_count(nullptr), -1);
    EXPECT_EQ(vezuved_get_point(nullptr, 0, 0, &point), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(nullptr), "no collection was given");
    Collection empty;
    EXPECT_EQ(vezuved_read(empty.handle, nullptr, nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_error_message(empty.handle), "no path was given to read");
    EXPECT_EQ(vezuved_set_kind(empty.handle, 0), -1);
    EXPECT_EQ(vezuved_set_name(empty.handle, -1), nullptr);
    EXPECT_EQ(vezuved_set_point_count(empty.handle, 3), -1);
    EXPECT_EQ(vezuved_get_point(empty.handle, 0, 0, &point), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_get_warning(empty.handle, 0, &warning), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_core_version(), VEZUVED_CORE_VERSION);
}
