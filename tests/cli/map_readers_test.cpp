// What the map readers keep of files, and how they take a bad point.
#include "library_names.h"
#include "map_reading.h"
#include "maps/xml_stream.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

class MapReaders : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    }
    // The data file read as "x": the summary or the failure, and standard error.
    static std::pair<std::string, std::string> Read(const std::string& name, bool strict = false) {
        const Reading reading = ReadMap(cli_test::SourceFile("tests/cli/data/readers/" + name), "x", strict);
        return {reading.read ? Summary(reading.sets) : reading.failure, reading.err};
    }
};

// The cases of tests/cli/data/readers-expected.txt; a strict one fails with its first report.
TEST_F(MapReaders, FilesReadAsListed) {
    const auto blocks = cli_test::Blocks(TestData("cli/data/readers-expected.txt"));
    EXPECT_EQ(blocks.size(), 59u);
    for (const auto& block : blocks) {
        const std::string file = block[0].substr(3, block[0].find(' ', 3) - 3);
        SCOPED_TRACE(file);
        ASSERT_GE(block.size(), 2u);
        const auto read = Read(file);
#if !defined(VEZUVED_HAVE_LIBZIP)
        if (file.size() > 4 && file.substr(file.size() - 4) == ".kmz") {
            EXPECT_EQ(read.first, "cannot read 'x': reading KMZ needs a build with libzip");
            continue;
        }
#endif
        // "..." ends the part of a message worded by the XML or JSON library.
        const size_t worded = block[1].size() > 3 && block[1].substr(block[1].size() - 3) == "..."
                                  ? block[1].size() - 3
                                  : std::string::npos;
        EXPECT_EQ(read.first.substr(0, worded), block[1].substr(0, worded));
        EXPECT_EQ(read.second, cli_test::Said(block));
        if (block[0].size() > file.size() + 3) {
            const std::string first = block[2].substr(9, block[2].find("; the point is left out") - 9);
            EXPECT_EQ(Read(file, true), std::make_pair(first, std::string()));
        }
    }
}

}  // namespace
}  // namespace vezuved_cli
