// The pictures: the SVG drawing's exact bytes from the library's writer,
// and SVG and HTML through the interface, with what it refuses.

#include "core_text.h"
#include "maps/document_sink.h"
#include "maps/svg_writer.h"
#include "support/map_sets.h"

using vezuved::maps::PointSet;

using map_sets::At;
using map_sets::Set;

static std::string Svg(const std::vector<PointSet>& sets) {
    std::string text;
    vezuved::maps::DocumentSink sink(text);
    vezuved::maps::WriteSvg(sink, sets);
    return text;
}

// One named point, built through the interface.
class CorePictures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(vezuved_add_set(one_.handle, VEZUVED_SET_WAYPOINTS, "One"), 0);
        const vezuved_point point = core_test::At(10, 20, "Solo");
        ASSERT_EQ(vezuved_add_point(one_.handle, 0, &point), VEZUVED_OK);
    }
    Collection one_;
    TempFolder folder_;
};

// The page of one.svg's drawing, with what goes above it in the middle.
static std::string OnePage(const std::string& figures) {
    std::string drawing = Data("pictures/one.svg");
    drawing.erase(0, drawing.find('\n') + 1);  // no XML declaration in a page
    std::string indented;
    for (size_t at = 0; at < drawing.size();) {
        const size_t end = drawing.find('\n', at);
        indented += "    " + drawing.substr(at, end + 1 - at);
        at = end + 1;
    }
    return "<!DOCTYPE html>\n<html lang=\"en\">\n  <head>\n    <meta charset=\"utf-8\"/>\n"
           "    <title>One</title>\n  </head>\n  <body>\n"
           "    <h1 style=\"font-family: sans-serif; font-size: 1.3em\">One</h1>\n" +
           figures + indented + "  </body>\n</html>\n";
}

TEST_F(CorePictures, PicturesAreRefusedDrawnWrittenAndHandedOver) {
    const char* two[] = {"a", "b"};
    const std::tuple<int32_t, int32_t, const char*, const char*> tables[] = {
        {-1, 2, nullptr, "a table of -1 rows and 2 columns"},
        {1, 0, nullptr, "a table of 1 rows and 0 columns"},
        {0, 2, "\xC3(", "the page's note is no UTF-8 text"},
    };
    for (const auto& [rows, columns, note, cause] : tables) {
        vezuved_write_options options{};
        options.page_cells = two;
        options.page_rows = rows;
        options.page_columns = columns;
        options.page_note = note;
        EXPECT_EQ(vezuved_write(one_.handle, folder_.file("bad.html").c_str(), &options),
                  VEZUVED_ERROR_ARGUMENT);
        EXPECT_EQ(Message(one_.handle, folder_.path()), std::string("cannot write 'DIR/bad.html': ") + cause);
    }
    if (sizeof(void*) == 4) {
        // More two than a 32-bit address space holds: refused before any is read.
        vezuved_write_options options{};
        options.page_cells = two;
        options.page_rows = 0x7fffffff;
        options.page_columns = 0x7fffffff;
        EXPECT_EQ(vezuved_write(one_.handle, folder_.file("bad.html").c_str(), &options),
                  VEZUVED_ERROR_ARGUMENT);
    }
    EXPECT_FALSE(FileExists(folder_.file("bad.html")));

    // Nothing to place: refused before a file is made.
    Collection empty;
    ASSERT_EQ(vezuved_add_set(empty.handle, VEZUVED_SET_TRACK, "Empty"), 0);
    ASSERT_EQ(vezuved_add_set(empty.handle, VEZUVED_SET_ROUTE, "None"), 1);
    EXPECT_EQ(vezuved_write(empty.handle, folder_.file("empty.svg").c_str(), nullptr), VEZUVED_ERROR_FORMAT);
    EXPECT_EQ(
        Message(empty.handle, folder_.path()),
        "cannot write 'DIR/empty.svg': nothing to draw: no point of 'Empty', 'None' has a valid position");
    EXPECT_EQ(FolderNames(folder_.path()), std::vector<std::string>());

    // Written only.
    ASSERT_EQ(vezuved_write(one_.handle, folder_.file("one.svg").c_str(), nullptr), VEZUVED_OK);
    ASSERT_EQ(vezuved_write(one_.handle, folder_.file("one.html").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(
        ReadOutcome(folder_, folder_.file("one.svg"), nullptr),
        Outcome(VEZUVED_ERROR_UNSUPPORTED, "", "cannot read 'DIR/one.svg': an SVG picture is written only"));
    vezuved_read_options html{};
    html.format = VEZUVED_FORMAT_HTML;
    EXPECT_EQ(
        ReadOutcome(folder_, folder_.file("one.svg"), &html),
        Outcome(VEZUVED_ERROR_UNSUPPORTED, "", "cannot read 'DIR/one.svg': an HTML picture is written only"));

    const PointSet hike = map_sets::SmallTrack();
    const PointSet peaks =
        Set("Peaks",
            VEZUVED_KIND_POINT,
            {At("Hood & <co>", "45.3735", "-121.6959", "11249", "", "Summit", "Oregon \"high\""),
             At("Flat", "-10.5", "20.25", "", "120000 01012020")});
    const PointSet broken = Set("B",
                                VEZUVED_KIND_TRACK,
                                {At("A", "1", "2", "100", "120000 01012020", "", nullptr, true),
                                 At("", "1.5", "2", "", "", "Flag", "note"),
                                 At("X", "99", "0", "", "", "", nullptr, true),
                                 At("", "2", "2", "", "120001.001 01012020"),
                                 At("", "2.5", "2", "10", "120002.999 01012020")});
    const std::pair<std::vector<PointSet>, const char*> drawings[] = {
        {{hike, peaks}, "hike-peaks.svg"},
        {{Set("Loop", VEZUVED_KIND_ROUTE, {At("A", "1", "2", "100", ""), At("B", "1.5", "2", "200", "")})},
         "route.svg"},
        {{broken}, "broken-track.svg"},
        {{Set("One", 0, {At("Solo", "10", "20", "", "")})}, "one.svg"},
        {{Set("Same", VEZUVED_KIND_TRACK, {At("A", "10", "20", "100", ""), At("B", "10", "20", "100", "")})},
         "same.svg"},
        {{Set("Line", 0, {At("A", "10", "20", "", ""), At("B", "10", "21", "", "")})}, "line.svg"},
        {{Set("Pole", 0, {At("A", "90", "20", "", ""), At("B", "89", "-20", "", "")})}, "pole.svg"},
    };
    for (const auto& [sets, name] : drawings)
        EXPECT_EQ(Svg(sets), Data(std::string("pictures/") + name)) << name;
    EXPECT_EQ(vezuved::maps::DrawablePointCount({Set("Off", 0, {At("X", "91", "0", "", "")})}), 0u);

    ASSERT_EQ(vezuved_write(one_.handle, folder_.file("one.svg").c_str(), nullptr), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder_.file("one.svg")), Data("pictures/one.svg"));
    for (const char* name : {"one.html", "ONE.HTM"}) {
        ASSERT_EQ(vezuved_write(one_.handle, folder_.file(name).c_str(), nullptr), VEZUVED_OK) << name;
        EXPECT_EQ(ReadFileText(folder_.file(name)), OnePage("")) << name;
    }
    // A page shows its table, or else its note.
    const char* cells[] = {"", "points", "set 'One'", "1 & <2>", nullptr, nullptr};
    vezuved_write_options options{};
    options.page_cells = cells;
    options.page_rows = 3;
    options.page_columns = 2;
    options.page_note = "not shown beside a table";
    ASSERT_EQ(vezuved_write(one_.handle, folder_.file("table.html").c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(
        ReadFileText(folder_.file("table.html")),
        OnePage("    <table style=\"font-family: sans-serif; font-size: 0.9em; border-collapse: collapse\">\n"
                "      <tr>\n        <th></th>\n        <th>points</th>\n      </tr>\n      <tr>\n"
                "        <th>set &apos;One&apos;</th>\n        <td>1 &amp; &lt;2&gt;</td>\n      </tr>\n"
                "      <tr>\n        <th></th>\n        <td></td>\n      </tr>\n    </table>\n"));
    options.page_cells = nullptr;
    ASSERT_EQ(vezuved_write(one_.handle, folder_.file("note.html").c_str(), &options), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(folder_.file("note.html")), OnePage("    <p>not shown beside a table</p>\n"));

    for (const int32_t format : {VEZUVED_FORMAT_GPX,
                                 VEZUVED_FORMAT_KML,
                                 VEZUVED_FORMAT_GEOJSON,
                                 VEZUVED_FORMAT_SVG,
                                 VEZUVED_FORMAT_HTML}) {
        vezuved_write_options options{};
        options.format = format;
        ASSERT_EQ(vezuved_write(one_.handle, folder_.file("same").c_str(), &options), VEZUVED_OK) << format;
        EXPECT_EQ(Document(one_.handle, format), ReadFileText(folder_.file("same"))) << format;
    }
    // The format, the receiver and the result; the message.
    const std::pair<std::tuple<int32_t, vezuved_write_function, int32_t>, const char*> cases[] = {
        {{VEZUVED_FORMAT_SVG, RefuseDocument, VEZUVED_ERROR_WRITE},
         "cannot write 'given': the receiver refused it"},
        {{VEZUVED_FORMAT_SVG, nullptr, VEZUVED_ERROR_ARGUMENT}, "no function was given to take the document"},
        {{VEZUVED_FORMAT_BY_EXTENSION, AppendDocument, VEZUVED_ERROR_ARGUMENT},
         "cannot write 'given': the options name no format"},
        {{VEZUVED_FORMAT_PDB, AppendDocument, VEZUVED_ERROR_UNSUPPORTED},
         "cannot write 'given': a database is written only to a file"},
        {{VEZUVED_FORMAT_TEXT, AppendDocument, VEZUVED_ERROR_UNSUPPORTED},
         "cannot write 'given': a text file is written only to a file"},
        {{99, AppendDocument, VEZUVED_ERROR_ARGUMENT}, "'given': 99 is no format"},
    };
    for (const auto& [call, message] : cases) {
        const auto& [format, write, code] = call;
        vezuved_write_options options{};
        options.format = format;
        std::string text;
        EXPECT_EQ(vezuved_write_to(one_.handle, "given", write, &text, &options), code) << message;
        EXPECT_EQ(Message(one_.handle, folder_.path()), message);
        EXPECT_EQ(text, "");
    }
    EXPECT_EQ(vezuved_write_to(nullptr, "given", AppendDocument, nullptr, nullptr), VEZUVED_ERROR_ARGUMENT);
    // A picture handed over needs a point to place too.
    Collection nothing;
    ASSERT_EQ(vezuved_add_set(nothing.handle, VEZUVED_SET_TRACK, "Empty"), 0);
    for (const int32_t format : {VEZUVED_FORMAT_SVG, VEZUVED_FORMAT_HTML}) {
        vezuved_write_options options{};
        options.format = format;
        std::string text;
        EXPECT_EQ(vezuved_write_to(nothing.handle, "given", AppendDocument, &text, &options),
                  VEZUVED_ERROR_FORMAT);
        EXPECT_EQ(Message(nothing.handle, folder_.path()),
                  "cannot write 'given': nothing to draw: no point of 'Empty' has a valid position");
        EXPECT_EQ(text, "");
    }
}
