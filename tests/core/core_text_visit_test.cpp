// A text read point by point (vezuved_visit_text): the same points, in the
// same order, and the same warnings as a read that keeps them, with the
// set left empty; a visitor that stops the read, and what is not text.

#include "core_text.h"

namespace {

// Each point visited, added to a set of its own; stops after `stopAfter` when not negative.
struct Gathered {
    Collection points;
    int32_t set = -1;
    int stopAfter = -1;
    int seen = 0;
    const vezuved_collection* reading = nullptr;  // the collection read into
    std::string firstSet;                         // its last set, when the first point came
};

int32_t VEZUVED_CORE_CALL Gather(void* context, const vezuved_point* point) {
    Gathered& gathered = *static_cast<Gathered*>(context);
    if (gathered.seen == 0 && gathered.reading != nullptr) {
        const int32_t last = vezuved_set_count(gathered.reading) - 1;
        const char* name = vezuved_set_name(gathered.reading, last);
        gathered.firstSet =
            std::to_string(vezuved_set_kind(gathered.reading, last)) + " " + (name ? name : "-");
    }
    if (gathered.stopAfter >= 0 && gathered.seen == gathered.stopAfter) return 1;
    ++gathered.seen;
    return vezuved_add_point(gathered.points.handle, gathered.set, point) == VEZUVED_OK ? 0 : 1;
}

int32_t Visit(Collection& collection,
              const std::string& path,
              const std::string& definition,
              Gathered& into) {
    vezuved_read_options options{};
    options.definition_path = definition.empty() ? nullptr : definition.c_str();
    return vezuved_visit_text(collection.handle, path.c_str(), &options, nullptr, Gather, &into);
}

TEST(CoreTextVisit, GivesThePointsAndWarningsOfARead) {
    TempFolder folder;
    const std::string definition = folder.put("comma.cal", Data("text/comma-metres.cal"));
    const std::string path =
        folder.put("trip.txt", "Gate,45.5,-122.25,100,Open\nBad,91,0,,\nHut,-0.125,7,,\nFar,x,1,,\n");
    Collection read;
    vezuved_read_options options{};
    options.definition_path = definition.c_str();
    ASSERT_EQ(vezuved_read_text(read.handle, path.c_str(), &options, nullptr), VEZUVED_OK);

    Collection visited;
    Gathered gathered;
    gathered.set = vezuved_add_set(gathered.points.handle, vezuved_set_kind(read.handle, 0), "trip");
    gathered.reading = visited.handle;
    ASSERT_EQ(Visit(visited, path, definition, gathered), VEZUVED_OK)
        << vezuved_error_message(visited.handle);
    EXPECT_EQ(Summary(gathered.points.handle), Summary(read.handle));
    EXPECT_EQ(Warnings(visited.handle, folder.path()), Warnings(read.handle, folder.path()));
    EXPECT_EQ(vezuved_warning_count(visited.handle), 2);
    // The set stands, named and of its kind, with no point held.
    ASSERT_EQ(vezuved_set_count(visited.handle), 1);
    EXPECT_STREQ(vezuved_set_name(visited.handle, 0), "trip");
    EXPECT_EQ(vezuved_set_kind(visited.handle, 0), vezuved_set_kind(read.handle, 0));
    EXPECT_EQ(vezuved_set_point_count(visited.handle, 0), 0);
    // It stood there from the first point on.
    EXPECT_EQ(gathered.firstSet, std::to_string(vezuved_set_kind(read.handle, 0)) + " trip");
}

TEST(CoreTextVisit, RefusesWhatItCannotVisit) {
    TempFolder folder;
    const std::string definition = folder.put("comma.cal", Data("text/comma-metres.cal"));
    const std::string path = folder.put("trip.txt", "A,1,2,,\nB,3,4,,\nC,5,6,,\n");
    const std::string gpx = folder.put("trip.gpx", "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
    struct Case {
        const char* what;
        std::string path;
        int stopAfter;
        bool withVisitor;
        int32_t code;
        const char* message;
    } cases[] = {
        {"stopped", path, 1, true, VEZUVED_ERROR_CANCELLED, "the reading of 'DIR/trip.txt' was stopped"},
        {"a map",
         gpx,
         -1,
         true,
         VEZUVED_ERROR_UNSUPPORTED,
         "cannot read 'DIR/trip.gpx' point by point: only a text file is read so"},
        {"no visitor", path, -1, false, VEZUVED_ERROR_ARGUMENT, "no function was given to take the points"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Collection collection;
        Gathered gathered;
        gathered.set = vezuved_add_set(gathered.points.handle, VEZUVED_SET_WAYPOINTS, "x");
        gathered.stopAfter = c.stopAfter;
        vezuved_read_options options{};
        options.definition_path = definition.c_str();
        const int32_t result = vezuved_visit_text(collection.handle,
                                                  c.path.c_str(),
                                                  &options,
                                                  nullptr,
                                                  c.withVisitor ? Gather : nullptr,
                                                  &gathered);
        EXPECT_EQ(result, c.code);
        EXPECT_EQ(core_test::Message(collection.handle, folder.path()), c.message);
        EXPECT_EQ(vezuved_set_count(collection.handle), 0);
    }
}

// A text written as a document while it is read: the bytes of the
// document written from the text held, its first pass's warnings, its set
// named and empty; what it cannot do is refused.
TEST(CoreTextVisit, WritesADocumentOfATextWithoutHoldingIt) {
    TempFolder folder;
    const std::string definition = folder.put("comma.cal", Data("text/comma-metres.cal"));
    const std::string path =
        folder.put("trip.txt", "Gate,45.5,-122.25,100,Open\nBad,91,0,,\nHut,-0.125,7,,\nFar,x,1,,\n");
    vezuved_read_options read{};
    read.definition_path = definition.c_str();
    Collection held;
    ASSERT_EQ(vezuved_read_text(held.handle, path.c_str(), &read, nullptr), VEZUVED_OK);
    const std::string warnings = Warnings(held.handle, folder.path());
    EXPECT_EQ(vezuved_warning_count(held.handle), 2);
    for (const int32_t format : {VEZUVED_FORMAT_GPX,
                                 VEZUVED_FORMAT_KML,
                                 VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_COMPACT,
                                 VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_AS_POINTS}) {
        SCOPED_TRACE(format);
        vezuved_write_options write{};
        write.format = format;
        std::string expected;
        ASSERT_EQ(vezuved_write_to(held.handle, path.c_str(), AppendDocument, &expected, &write), VEZUVED_OK);
        Collection streamed;
        std::string document;
        int64_t points = -1;
        ASSERT_EQ(
            vezuved_write_text_document(
                streamed.handle, path.c_str(), &read, nullptr, AppendDocument, &document, &write, &points),
            VEZUVED_OK)
            << vezuved_error_message(streamed.handle);
        EXPECT_EQ(document, expected);
        EXPECT_EQ(points, 2);
        EXPECT_EQ(Warnings(streamed.handle, folder.path()), warnings);
        ASSERT_EQ(vezuved_set_count(streamed.handle), 1);
        EXPECT_STREQ(vezuved_set_name(streamed.handle, 0), "trip");
        EXPECT_EQ(vezuved_set_kind(streamed.handle, 0), vezuved_set_kind(held.handle, 0));
        EXPECT_EQ(vezuved_set_point_count(streamed.handle, 0), 0);
    }
    const std::string gpx = folder.put("trip.gpx", "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
    struct Case {
        const char* what;
        std::string path;
        int32_t format;
        vezuved_write_function write;
        int32_t code;
        const char* message;
    } cases[] = {
        {"a map read",
         gpx,
         VEZUVED_FORMAT_GPX,
         AppendDocument,
         VEZUVED_ERROR_UNSUPPORTED,
         "cannot write 'DIR/trip.gpx' as it is read: only a text file is read so"},
        {"a picture",
         path,
         VEZUVED_FORMAT_SVG,
         AppendDocument,
         VEZUVED_ERROR_UNSUPPORTED,
         "cannot write 'DIR/trip.txt' as it is read: a text goes so only into a GPX, KML or GeoJSON "
         "document"},
        {"refused",
         path,
         VEZUVED_FORMAT_GPX,
         RefuseDocument,
         VEZUVED_ERROR_WRITE,
         "cannot write the document of 'DIR/trip.txt': the receiver refused it"},
        {"no receiver",
         path,
         VEZUVED_FORMAT_GPX,
         nullptr,
         VEZUVED_ERROR_ARGUMENT,
         "no function was given to take the document"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Collection collection;
        vezuved_write_options write{};
        write.format = c.format;
        std::string document;
        EXPECT_EQ(vezuved_write_text_document(
                      collection.handle, c.path.c_str(), &read, nullptr, c.write, &document, &write, nullptr),
                  c.code);
        EXPECT_EQ(core_test::Message(collection.handle, folder.path()), c.message);
        EXPECT_EQ(vezuved_set_count(collection.handle), 0);
    }
}

}  // namespace
