// Loading a definition from disk: the ".cal" path rule, the missing-file
// message, binary reading and running out of memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "formats/format_file.h"
#include "frame/memory.h"
#include "state_snapshot.h"
#include "support/test_support.h"

namespace {

struct PathCase {
    const char* given;
    const char* definition;
};

TEST(FormatPath, ExtensionReplacedOrAppended) {
    const PathCase cases[] = {
        {"C:\\data\\points.txt", "C:\\data\\points.cal"},
        {"C:\\data\\points", "C:\\data\\points.cal"},
        {"C:\\data\\points.cal", "C:\\data\\points.cal"},
        {"points.tar.gz", "points.tar.cal"},
        {"C:\\v1.2\\points", "C:\\v1.cal"},  // the last '.' of the whole path counts
        {"points.", "points.cal"},
        {".txt", ".cal"},
        {"", ".cal"},
    };
    for (const PathCase& c : cases) {
        std::string out = "untouched";
        ASSERT_TRUE(MakeFormatPath(c.given, out)) << c.given;
        EXPECT_EQ(out, c.definition) << c.given;
    }
    std::string out = "untouched";
    EXPECT_TRUE(MakeFormatPath(std::string(kFormatPathMax, 'p').c_str(), out));
    EXPECT_EQ(out.size(), kFormatPathMax + 4);
    out = "untouched";
    EXPECT_FALSE(MakeFormatPath(std::string(kFormatPathMax + 1, 'p').c_str(), out));
    EXPECT_FALSE(MakeFormatPath(nullptr, out));
    EXPECT_EQ(out, "untouched");
}

class FormatLoad : public FreshState {
protected:
    TempFolder folder;
    std::string Put(const std::string& name, const std::string& text) {
        const std::string path = folder.file(name);
        WriteFileBytes(path, text);
        return path;
    }
};

TEST_F(FormatLoad, ReadsTheDefinitionBesideTheDataFile) {
    Put("points.cal", "FieldCount=4\r\nExt=txt\r\n");
    const std::string cases[] = {folder.file("points.txt"), folder.file("points"),
                                 folder.file("points.cal")};
    for (const std::string& given : cases) {
        ResetConversionState();
        testing::internal::CaptureStdout();
        EXPECT_EQ(LoadFormatFile(given.c_str(), nullptr), 0) << given;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << given;
        EXPECT_EQ(State().FieldCount, 4) << given;
        EXPECT_EQ(State().Ext, ".txt") << given;
    }
}

TEST_F(FormatLoad, DotInAFolderNameCounts) {
    std::filesystem::create_directory(folder.file("v1.2"));
    Put("v1.cal", "FieldCount=6");
    ResetConversionState();
    EXPECT_EQ(LoadFormatFile(folder.file("v1.2/points").c_str(), nullptr), 0);
    EXPECT_EQ(State().FieldCount, 6);
}

TEST_F(FormatLoad, MissingDefinitionPrintsAndFails) {
    ResetConversionState();
    const StateSnapshot before = StateSnapshot::Take();
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFormatFile(folder.file("nothing.txt").c_str(), nullptr), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Cal File\n");
    EXPECT_EQ(StateSnapshot::Take(), before);

    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFormatFileAt(folder.file("nothing.cal").c_str(), "Ext"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Cal File\n");
}

TEST_F(FormatLoad, NullPathLoadsNothing) {
    ResetConversionState();
    const StateSnapshot before = StateSnapshot::Take();
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFormatFile(nullptr, nullptr), 0);
    EXPECT_EQ(LoadFormatFileAt(nullptr, "Ext"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(StateSnapshot::Take(), before);
}

TEST_F(FormatLoad, OverlongPathIsRefused) {
    const std::string tooLong = folder.path() + "/" + std::string(kFormatPathMax, 'n');
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFormatFile(tooLong.c_str(), nullptr), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Cal File\n");
}

TEST_F(FormatLoad, EmptyDefinitionChangesNothing) {
    const std::string path = Put("empty.cal", "");
    ResetConversionState();
    const StateSnapshot before = StateSnapshot::Take();
    EXPECT_EQ(LoadFormatFile(path.c_str(), nullptr), 0);
    EXPECT_EQ(StateSnapshot::Take(), before);
}

TEST_F(FormatLoad, BytesAfterANulAndLargeFilesAreRead) {
    // Binary reading: nothing stops at a NUL or a Ctrl-Z, and files larger
    // than the first read are read whole.
    std::string text("FieldCount=4\0\x1a\nHeaderLines=2\n", 29);
    text += std::string(20000, '\n');
    text += "Ext=far";
    const std::string path = Put("big.cal", text);
    ResetConversionState();
    EXPECT_EQ(LoadFormatFile(path.c_str(), nullptr), 0);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 2);
    EXPECT_EQ(State().Ext, ".far");
}

TEST_F(FormatLoad, WantedKeywordIsPassedOn) {
    const std::string path = Put("find.cal", "Source=Garmin\nFormatTitle=Found it\nFieldCount=9\n");
    ResetConversionState();
    EXPECT_EQ(LoadFormatFile(path.c_str(), "FormatTitle"), 0);
    ASSERT_TRUE(State().FoundValue.has_value());
    EXPECT_EQ(*State().FoundValue, "Found it");
    EXPECT_EQ(State().Source, 3);
    EXPECT_EQ(State().FieldCount, 7);
}

TEST_F(FormatLoad, RunningOutOfMemoryIsAFailure) {
    const std::string path = Put("mem.cal", "FieldCount=4\n");
    ResetConversionState();
    FailAllocationAfter(1);
    EXPECT_EQ(LoadFormatFile(path.c_str(), nullptr), -1);
    FailAllocationAfter(0);
    EXPECT_EQ(State().FieldCount, 7);
    EXPECT_EQ(LoadFormatFile(path.c_str(), nullptr), 0);
    EXPECT_EQ(State().FieldCount, 4);
}

TEST_F(FormatLoad, HostileFilesNeverCrash) {
    std::string garbage(100 * 1024, '\0');
    uint32_t seed = 12345;
    for (char& c : garbage) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    const std::string files[] = {
        Put("garbage.cal", garbage),
        Put("line.cal", "FormatTitle=" + std::string(300 * 1024, 'L')),
        Put("quote.cal", "\"" + garbage),
    };
    for (const std::string& path : files) {
        for (const char* wanted : {static_cast<const char*>(nullptr), "FormatTitle", "Field1"}) {
            ResetConversionState();
            EXPECT_EQ(LoadFormatFile(path.c_str(), wanted), 0) << path;
            if (State().FoundValue) {
                EXPECT_LE(State().FoundValue->size(), kFormatLineMax);
            }
            if (State().FormatTitle) {
                EXPECT_LE(State().FormatTitle->size(), kFormatLineMax);
            }
            FreeFormatStrings();
        }
    }
}

}  // namespace
