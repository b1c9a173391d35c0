// Single values read out of definitions, and the search of the current
// folder for the definition of a file extension.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "formats/format_catalogue.h"
#include "formats/format_file.h"
#include "frame/memory.h"
#include "platform/folder_search.h"
#include "state_snapshot.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

namespace {

class Catalogue : public FreshState {
protected:
    TempFolder folder;
    std::string Put(const std::string& name, const std::string& text) {
        const std::string path = folder.file(name);
        WriteFileBytes(path, text);
        return path;
    }
};

constexpr int32_t kUnset = 1234;

struct ValueCase {
    const char* what;
    const char* keyword;   // null: the title
    const char* file;      // name inside the folder
    bool withBuffer;
    bool withLength;
    const char* value;     // expected buffer text
    int32_t length;        // expected length (kUnset: untouched)
};

TEST_F(Catalogue, ValuesOfDefinitions) {
    Put("comma.cal", "; a comment\nFormatTitle = Comma separated\nDBType = Track2\nField3=x\n");
    Put("bare.cal", "FieldCount=3\n");
    const ValueCase cases[] = {
        {"title with buffer and length", nullptr, "comma.txt", true, true, "Comma separated", 15},
        {"title, length only", nullptr, "comma.txt", false, true, "", 15},
        {"title, buffer only", nullptr, "comma", true, false, "Comma separated", kUnset},
        {"no title line", nullptr, "bare.txt", true, true, "", kUnset},
        {"value as written", "DBType", "comma.txt", true, true, "Track2", 6},
        {"keyword in any case", "dbtype", "comma.cal", true, true, "Track2", 6},
        {"name that is no keyword", "Field3", "comma.txt", true, true, "", kUnset},
        {"missing keyword", "Ext", "comma.txt", true, true, "", kUnset},
        {"null keyword", "", "comma.txt", true, true, "", kUnset},
    };
    for (const ValueCase& c : cases) {
        char buffer[600];
        std::memset(buffer, 'Z', sizeof buffer);
        int32_t length = kUnset;
        const std::string path = folder.file(c.file);
        const int32_t result =
            c.keyword == nullptr
                ? RLGetCalFileTitle(path.c_str(), c.withBuffer ? buffer : nullptr,
                                    c.withLength ? &length : nullptr)
                : RLGetCalFileInfo(*c.keyword == '\0' ? nullptr : c.keyword, path.c_str(),
                                   c.withBuffer ? buffer : nullptr,
                                   c.withLength ? &length : nullptr);
        EXPECT_EQ(result, 0) << c.what;
        if (c.withBuffer) {
            EXPECT_STREQ(buffer, c.value) << c.what;
        } else {
            EXPECT_EQ(buffer[0], 'Z') << c.what;
        }
        EXPECT_EQ(length, c.withLength ? c.length : kUnset) << c.what;
        EXPECT_FALSE(State().FoundValue.has_value()) << c.what;
        EXPECT_FALSE(State().FormatTitle.has_value()) << c.what;
        EXPECT_FALSE(State().Header.has_value()) << c.what;
    }
}

TEST_F(Catalogue, LookupResetsAndAppliesTheLinesBefore) {
    const std::string path = Put("order.cal", "Source=Garmin\nHeader=h\nDBType=Route\nHeaderLines=4\n");
    State().FieldCount = 99;
    char buffer[64];
    RLGetCalFileInfo("DBType", path.c_str(), buffer, nullptr);
    EXPECT_STREQ(buffer, "Route");
    EXPECT_EQ(State().FieldCount, 7);     // reset first
    EXPECT_EQ(State().Source, 3);         // applied before the wanted line
    EXPECT_EQ(State().DBKind, 0);         // the wanted line is not applied
    EXPECT_EQ(State().HeaderLines, 0);    // nor anything after it
    EXPECT_FALSE(State().Header.has_value());  // freed at the end

    RLGetCalFileInfo("Field3", path.c_str(), buffer, nullptr);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(State().DBKind, 2);         // the whole file was applied
    EXPECT_EQ(State().HeaderLines, 4);
}

TEST_F(Catalogue, MissingDefinitionPrintsAndLeavesTheBufferEmpty) {
    char buffer[16] = "stale";
    int32_t length = kUnset;
    testing::internal::CaptureStdout();
    EXPECT_EQ(RLGetCalFileTitle(folder.file("none.txt").c_str(), buffer, &length), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Cal File\n");
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(length, kUnset);

    std::strcpy(buffer, "stale");
    testing::internal::CaptureStdout();
    EXPECT_EQ(RLGetCalFileInfo("Ext", nullptr, buffer, &length), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(length, kUnset);
    EXPECT_EQ(RLGetCalFileInfo(nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(Catalogue, LongestValueFitsTheDocumentedBuffer) {
    const std::string path = Put("long.cal", "FormatTitle=" + std::string(2000, 't'));
    char buffer[kFormatLineMax + 1];
    int32_t length = 0;
    RLGetCalFileTitle(path.c_str(), buffer, &length);
    EXPECT_EQ(length, static_cast<int32_t>(kFormatLineMax - 12));
    EXPECT_EQ(std::strlen(buffer), kFormatLineMax - 12);
}

TEST_F(Catalogue, LookupSurvivesRunningOutOfMemory) {
    const std::string path = Put("mem.cal", "FormatTitle=T\n");
    char buffer[16] = "stale";
    int32_t length = kUnset;
    for (long nth = 1; nth <= 3; ++nth) {
        FailAllocationAfter(nth);
        EXPECT_EQ(RLGetCalFileTitle(path.c_str(), buffer, &length), 0);
        FailAllocationAfter(0);
    }
    EXPECT_EQ(RLGetCalFileTitle(path.c_str(), buffer, &length), 0);
    EXPECT_STREQ(buffer, "T");
    EXPECT_EQ(length, 1);
}

// The search works on the current folder, so each case runs inside its own.
class ExtensionSearch : public Catalogue {
protected:
    std::string Search(int32_t filter, const char* extension, int32_t* kind) {
        char out[kFormatSearchPathSize];
        std::memset(out, 'Z', sizeof out);
        *kind = FindFormatForExtension(filter, extension, out);
        return std::string(out);
    }
    // Name of the first ".cal" file the folder search yields among names.
    std::string FirstYielded(const std::set<std::string>& names) {
        FolderSearch search;
        EXPECT_TRUE(search.Open(folder.path(), "*.cal"));
        FolderEntry entry;
        while (search.Next(entry)) {
            if (names.count(entry.name) != 0) return entry.name;
        }
        return std::string();
    }
};

TEST_F(ExtensionSearch, KindFilterChoosesAmongDefinitions) {
    Put("a_point.cal", "DBType=Point\nExt=txt\n");
    Put("b_track.cal", "DBType=Track\nExt=txt\n");
    Put("c_route.cal", "DBType=route\nExt=RTE\n");
    Put("notes.txt", "DBType=Route\nExt=txt\n");
    std::filesystem::create_directory(folder.file("d_folder.cal"));
    CurrentFolderScope here(folder.path());
    const std::string cwd = CurrentFolder();
    int32_t kind = 0;

    EXPECT_EQ(Search(1, "txt", &kind), JoinPath(cwd, "b_track.cal"));
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(Search(0, "TXT", &kind), JoinPath(cwd, "a_point.cal"));
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(Search(2, "rte", &kind), JoinPath(cwd, "c_route.cal"));
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(Search(2, "txt", &kind), "");
    EXPECT_EQ(kind, 65535);
    EXPECT_EQ(Search(65535, "csv", &kind), "");
    EXPECT_EQ(kind, 65535);
    EXPECT_EQ(Search(65535, nullptr, &kind), "");
    EXPECT_EQ(kind, 65535);

    const std::string first = FirstYielded({"a_point.cal", "b_track.cal"});
    EXPECT_EQ(Search(65535, "txt", &kind), JoinPath(cwd, first.c_str()));
    EXPECT_EQ(kind, first == "a_point.cal" ? 0 : 1);
}

TEST_F(ExtensionSearch, UnknownKindsAreNeverFilteredOut) {
    Put("datum.cal", "DBType=Datum\nExt=dat\n");
    Put("untyped.cal", "Ext=unt\n");
    Put("track2.cal", "DBType=Track2\nExt=tk2\n");
    CurrentFolderScope here(folder.path());
    const std::string cwd = CurrentFolder();
    for (int32_t filter : {0, 1, 2, 65535}) {
        int32_t kind = 0;
        EXPECT_EQ(Search(filter, "dat", &kind), JoinPath(cwd, "datum.cal")) << filter;
        EXPECT_EQ(kind, 65535);
        EXPECT_EQ(Search(filter, "unt", &kind), JoinPath(cwd, "untyped.cal")) << filter;
        EXPECT_EQ(kind, 65535);
        EXPECT_EQ(Search(filter, "tk2", &kind), JoinPath(cwd, "track2.cal")) << filter;
        EXPECT_EQ(kind, 65535);
    }
}

TEST_F(ExtensionSearch, ExtIsComparedAsWritten) {
    Put("dotted.cal", "Ext=.csv\n");
    Put("UPPER.CAL", "DBType=Route\nExt=GpX\n");
    CurrentFolderScope here(folder.path());
    const std::string cwd = CurrentFolder();
    int32_t kind = 0;
    EXPECT_EQ(Search(65535, "csv", &kind), "");
    EXPECT_EQ(Search(65535, ".csv", &kind), JoinPath(cwd, "dotted.cal"));
    // Names match without regard to case, and the file is read by its own name.
    EXPECT_EQ(Search(2, "gpx", &kind), JoinPath(cwd, "UPPER.CAL"));
    EXPECT_EQ(kind, 2);
    // The state keeps what the last definition examined left.
    EXPECT_EQ(State().DBKind, 2);
}

TEST_F(ExtensionSearch, EmptyFolderFindsNothing) {
    CurrentFolderScope here(folder.path());
    testing::internal::CaptureStdout();
    int32_t kind = 0;
    EXPECT_EQ(Search(65535, "txt", &kind), "");
    EXPECT_EQ(kind, 65535);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(FindFormatForExtension(65535, "txt", nullptr), 65535);
}

TEST_F(ExtensionSearch, LongValuesAndPathsStayInBounds) {
    Put("long.cal", "DBType=" + std::string(400, 'T') + "\nExt=" + std::string(400, 'e') + "\n");
    Put(std::string(200, 'n') + ".cal", "Ext=nnn\n");
    CurrentFolderScope here(folder.path());
    int32_t kind = 0;
    EXPECT_EQ(Search(65535, std::string(400, 'e').c_str(), &kind), "");  // cut at 259
    EXPECT_EQ(Search(65535, std::string(259, 'e').c_str(), &kind),
              JoinPath(CurrentFolder(), "long.cal"));
    const std::string found = Search(65535, "nnn", &kind);
    const std::string expected = JoinPath(CurrentFolder(), (std::string(200, 'n') + ".cal").c_str());
    EXPECT_EQ(found, expected.size() < kFormatSearchPathSize ? expected : std::string());
}

TEST_F(ExtensionSearch, DeepCurrentFolderFindsNothing) {
    std::string deep = folder.path();
    while (deep.size() <= 300) deep += "/" + std::string(60, 'd');
    std::filesystem::create_directories(deep);
    WriteFileBytes(deep + "/x.cal", "Ext=txt\n");
    CurrentFolderScope here(deep);
    int32_t kind = 0;
    EXPECT_EQ(Search(65535, "txt", &kind), "");
    EXPECT_EQ(kind, 65535);
}

}  // namespace
