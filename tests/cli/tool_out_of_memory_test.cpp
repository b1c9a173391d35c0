// The tool's copy of a read set into the collection it writes, with its Nth
// allocation failing for every N: it fails with the library's memory
// sentence (or runs out in its own code), or gives the set whole with the
// texts it was read with. None is written without them.
#include <new>
#include <sstream>

#include "base/memory.h"
#include "conversion/records.h"
#include "files/failure.h"
#include "library_names.h"
#include "maps/xml_stream.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

int32_t VEZUVED_CORE_CALL Append(void* context, const char* bytes, int64_t size) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
    return 0;
}

std::string AsGpx(const CoreCollection& collection) {
    vezuved_write_options options{};
    options.format = VEZUVED_FORMAT_GPX;
    std::string text;
    EXPECT_EQ(vezuved_write_to(collection.get(), "copy", Append, &text, &options), VEZUVED_OK)
        << vezuved_error_message(collection.get());
    return text;
}

TEST(ToolOutOfMemory, ACopiedSetFailsOrKeepsItsTexts) {
    if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    const std::string path = cli_test::FreshFolder("tool_out_of_memory") + "/day.gpx";
    cli_test::WriteFile(
        path,
        "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><name>Day</name>"
        "<desc>Up the ridge</desc><trkseg><trkpt lat=\"45.5\" lon=\"7.25\"><cmt>start</cmt>"
        "<hdop>1.5</hdop></trkpt><trkpt lat=\"45.6\" lon=\"7.3\"/></trkseg></trk></gpx>");
    std::ostringstream err;
    const std::vector<LoadedPoints> read = ReadThroughCore(err, path, path, VEZUVED_FORMAT_GPX, false, false);
    ASSERT_EQ(read.size(), 1u);
    std::string whole;
    {
        CoreCollection collection;
        AddLoadedSet(collection, read[0], VEZUVED_KIND_TRACK);
        whole = AsGpx(collection);
    }
    ASSERT_NE(whole.find("<desc>Up the ridge</desc>"), std::string::npos) << whole;
    ASSERT_NE(whole.find("<hdop>1.5</hdop>"), std::string::npos) << whole;
    long failures = 0;
    for (long n = 1; n < 5000; ++n) {
        CoreCollection collection;
        std::string failure;
        CountOperatorNew(true);
        FailAllocationAfter(n);
        try {
            AddLoadedSet(collection, read[0], VEZUVED_KIND_TRACK);
        } catch (const Failure& failed) {
            failure = failed.what();
        } catch (const std::bad_alloc&) {
            failure = "memory ran out";
        }
        const long made = FailAllocationAfter(0);
        CountOperatorNew(false);
        if (made < n) {
            EXPECT_EQ(failure, "") << "fails with memory to spare";
            EXPECT_NE(failures, 0);
            return;
        }
        if (failure.empty()) {
            EXPECT_EQ(AsGpx(collection), whole) << "allocation " << n;
        } else {
            EXPECT_EQ(failure, "memory ran out") << "allocation " << n;
            ++failures;
        }
    }
    ADD_FAILURE() << "never ran out of allocations to fail";
}

}  // namespace
}  // namespace vezuved_cli
