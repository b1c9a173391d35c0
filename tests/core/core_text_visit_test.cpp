// A text read point by point, or written as a document while it is read: the
// points and warnings of a read that keeps them, its set left empty.

#include "core_text.h"

// Each point visited, added to a set of its own; stops after `stopAfter` when not negative.
struct Gathered {
    Collection points;
    int32_t set = -1;
    int stopAfter = -1;
    int seen = 0;
    const vezuved_collection* reading = nullptr;  // the collection read into
    std::string firstSet;                         // its last set, when the first point came
};

static int32_t VEZUVED_CORE_CALL Gather(void* context, const vezuved_point* point) {
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

// A text of two good and two bad lines, read whole by its definition.
class CoreTextVisit : public ::testing::Test {
protected:
    void SetUp() override {
        read_.definition_path = definition_.c_str();
        ASSERT_EQ(vezuved_read_text(held_.handle, path_.c_str(), &read_, nullptr), VEZUVED_OK);
        EXPECT_EQ(vezuved_warning_count(held_.handle), 2);
        warnings_ = Warnings(held_.handle, folder_.path());
    }
    // The collection a visit or a streamed write left: its one set named, of the
    // text's kind and empty, and the held read's warnings.
    void ExpectLeftAsARead(const Collection& left) {
        ASSERT_EQ(vezuved_set_count(left.handle), 1);
        EXPECT_STREQ(vezuved_set_name(left.handle, 0), "trip");
        EXPECT_EQ(vezuved_set_kind(left.handle, 0), vezuved_set_kind(held_.handle, 0));
        EXPECT_EQ(vezuved_set_point_count(left.handle, 0), 0);
        EXPECT_EQ(Warnings(left.handle, folder_.path()), warnings_);
    }
    TempFolder folder_;
    const std::string definition_ = folder_.put("comma.cal", Data("text/comma-metres.cal"));
    const std::string path_ =
        folder_.put("trip.txt", "Gate,45.5,-122.25,100,Open\nBad,91,0,,\nHut,-0.125,7,,\nFar,x,1,,\n");
    const std::string gpx_ = folder_.put("trip.gpx", "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
    vezuved_read_options read_{};
    Collection held_;
    std::string warnings_;  // the held read's
};

TEST_F(CoreTextVisit, GivesThePointsAndWarningsOfAReadOrADocumentWithoutHoldingIt) {
    Collection visited;
    Gathered gathered;
    gathered.set = vezuved_add_set(gathered.points.handle, vezuved_set_kind(held_.handle, 0), "trip");
    gathered.reading = visited.handle;
    ASSERT_EQ(vezuved_visit_text(visited.handle, path_.c_str(), &read_, nullptr, Gather, &gathered),
              VEZUVED_OK);
    EXPECT_EQ(Summary(gathered.points.handle), Summary(held_.handle));
    ExpectLeftAsARead(visited);
    // It stood there from the first point on.
    EXPECT_EQ(gathered.firstSet, std::to_string(vezuved_set_kind(held_.handle, 0)) + " trip");

    // The path, where the visitor stops, whether one is given, the result; the message.
    const std::pair<std::tuple<std::string, int, bool, int32_t>, const char*> cases[] = {
        {{path_, 1, true, VEZUVED_ERROR_CANCELLED}, "the reading of 'DIR/trip.txt' was stopped"},
        {{gpx_, -1, true, VEZUVED_ERROR_UNSUPPORTED},
         "cannot read 'DIR/trip.gpx' point by point: only a text file is read so"},
        {{path_, -1, false, VEZUVED_ERROR_ARGUMENT}, "no function was given to take the points"},
    };
    for (const auto& [call, message] : cases) {
        const auto& [path, stopAfter, withVisitor, code] = call;
        SCOPED_TRACE(message);
        Collection left;
        Gathered gathered;
        gathered.set = vezuved_add_set(gathered.points.handle, VEZUVED_SET_WAYPOINTS, "x");
        gathered.stopAfter = stopAfter;
        const auto visitor = withVisitor ? Gather : nullptr;
        EXPECT_EQ(vezuved_visit_text(left.handle, path.c_str(), &read_, nullptr, visitor, &gathered), code);
        EXPECT_EQ(Message(left.handle, folder_.path()), message);
        EXPECT_EQ(vezuved_set_count(left.handle), 0);
    }

    // The document of the text held, written as the text is read.
    for (const int32_t format : {VEZUVED_FORMAT_GPX,
                                 VEZUVED_FORMAT_KML,
                                 VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_COMPACT,
                                 VEZUVED_FORMAT_GEOJSON | VEZUVED_WRITE_AS_POINTS}) {
        SCOPED_TRACE(format);
        vezuved_write_options write{};
        write.format = format;
        Collection streamed;
        std::string document;
        int64_t points = -1;
        ASSERT_EQ(
            vezuved_write_text_document(
                streamed.handle, path_.c_str(), &read_, nullptr, AppendDocument, &document, &write, &points),
            VEZUVED_OK);
        EXPECT_EQ(document, Document(held_.handle, format, nullptr, path_.c_str()));
        EXPECT_EQ(points, 2);
        ExpectLeftAsARead(streamed);
    }
    // The path, the format, the receiver and the result; the message.
    const std::pair<std::tuple<std::string, int32_t, vezuved_write_function, int32_t>, const char*> writes[] =
        {
            {{gpx_, VEZUVED_FORMAT_GPX, AppendDocument, VEZUVED_ERROR_UNSUPPORTED},
             "cannot write 'DIR/trip.gpx' as it is read: only a text file is read so"},
            {{path_, VEZUVED_FORMAT_SVG, AppendDocument, VEZUVED_ERROR_UNSUPPORTED},
             "cannot write 'DIR/trip.txt' as it is read: a text goes so only into a GPX, KML or GeoJSON "
             "document"},
            {{path_, VEZUVED_FORMAT_GPX, RefuseDocument, VEZUVED_ERROR_WRITE},
             "cannot write the document of 'DIR/trip.txt': the receiver refused it"},
            {{path_, VEZUVED_FORMAT_GPX, nullptr, VEZUVED_ERROR_ARGUMENT},
             "no function was given to take the document"},
        };
    for (const auto& [call, message] : writes) {
        const auto& [path, format, to, code] = call;
        SCOPED_TRACE(message);
        Collection left;
        vezuved_write_options write{};
        write.format = format;
        std::string doc;
        EXPECT_EQ(
            vezuved_write_text_document(left.handle, path.c_str(), &read_, nullptr, to, &doc, &write, 0),
            code);
        EXPECT_EQ(Message(left.handle, folder_.path()), message);
        EXPECT_EQ(vezuved_set_count(left.handle), 0);
    }
}
