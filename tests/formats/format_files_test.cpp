// Definitions on disk: the wildcard matcher and the folder search, the
// ".cal" path rule and loading, single values read out of definitions, and
// the search of the current folder for the definition of a file extension.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "formats/format_catalogue.h"
#include "formats/format_file.h"
#include "frame/memory.h"
#include "platform/folder_search.h"
#include "platform/wildcard.h"
#include "state_snapshot.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

namespace {

TEST(Wildcard, MatchesLikeThePcFileSystem) {
    struct { const char* pattern; const char* name; bool matches; } const cases[] = {
        {"*", "abc", true},         {"*", "", true},            {"*.*", "abc", true},        {"*.*", "a.b.c", true},
        {"*.cal", "x.cal", true},   {"*.cal", "X.CAL", true},   {"*.CAL", "x.Cal", true},    {"*.cal", ".cal", true},
        {"*.cal", "x.cal.bak", false}, {"*.cal", "x.calx", false}, {"*.cal", "xcal", false}, {"?.cal", "a.cal", true},
        {"?.cal", "ab.cal", false}, {"?.cal", ".cal", false},   {"a?c", "abc", true},        {"a?c", "ac", false},
        {"a*b*c", "aXbYc", true},   {"a*b*c", "abc", true},     {"a*b*c", "aXbY", false},    {"*a", "bbba", true},
        {"*a", "bbab", false},      {"**", "x", true},          {"*?", "", false},           {"foo.*", "foo", true},
        {"foo.*", "foo.txt", true}, {"foo.*", "food", false},   {"*.", "readme", true},      {"*.", "read.me", false},
        {"abc", "ABC", true},       {"abc", "abcd", false},     {"", "", true},              {"", "a", false},
        {"\xe4*", "\xc4x", false},  // only ASCII letters fold
    };
    for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
    EXPECT_FALSE(WildcardMatch(nullptr, "a"));
    EXPECT_FALSE(WildcardMatch("*", nullptr));
    const std::string name(20000, 'a');  // pathological patterns stay fast
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name.c_str()));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a", name.c_str()));
}

TEST(PathText, SeparatorsAndJoining) {
    EXPECT_TRUE(IsPathSeparator('\\') && IsPathSeparator('/') && IsPathSeparator(kPathSeparator));
    EXPECT_FALSE(IsPathSeparator(':'));
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(JoinPath("dir", "x.cal"), "dir" + sep + "x.cal");
    EXPECT_EQ(JoinPath("dir" + sep, "x.cal"), "dir" + sep + "x.cal");
    EXPECT_EQ(JoinPath("dir\\", "x.cal"), "dir\\x.cal");
    EXPECT_EQ(JoinPath("", "x.cal"), "x.cal");
    EXPECT_EQ(JoinPath("dir", nullptr), "dir" + sep);
}

std::map<std::string, bool> Listing(const std::string& folder, const char* pattern) {  // name -> is a folder
    std::map<std::string, bool> seen;
    FolderSearch search;
    EXPECT_TRUE(search.Open(folder, pattern));
    FolderEntry entry;
    while (search.Next(entry)) EXPECT_TRUE(seen.emplace(entry.name, entry.isFolder).second) << entry.name;
    EXPECT_FALSE(search.Next(entry));
    return seen;
}

TEST(FolderSearchTest, YieldsMatchingEntriesWithTheirKind) {
    TempFolder folder;
    for (const char* name : {"a.cal", "B.CAL", "c.txt"}) WriteFileBytes(folder.file(name), "x");
    std::filesystem::create_directory(folder.file("d.cal"));
    const std::map<std::string, bool> all = {{"a.cal", false}, {"B.CAL", false}, {"c.txt", false}, {"d.cal", true}};
    EXPECT_EQ(Listing(folder.path(), "*.cal"), (std::map<std::string, bool>{{"a.cal", 0}, {"B.CAL", 0}, {"d.cal", 1}}));
    EXPECT_EQ(Listing(folder.path(), "*"), all);
    EXPECT_EQ(Listing(folder.path(), "*.*"), all);
    EXPECT_EQ(Listing(folder.path(), "?.TXT"), (std::map<std::string, bool>{{"c.txt", false}}));
    EXPECT_TRUE(Listing(folder.path(), "*.none").empty());
    // The empty folder text means the current folder.
    CurrentFolderScope here(folder.path());
    EXPECT_EQ(std::filesystem::path(CurrentFolder()), std::filesystem::current_path());
    EXPECT_EQ(Listing("", "B.*"), (std::map<std::string, bool>{{"B.CAL", false}}));
    // A missing folder, or a closed or never opened search, yields nothing.
    FolderSearch search, never;
    FolderEntry entry;
    EXPECT_FALSE(search.Open(folder.file("missing"), "*"));
    EXPECT_FALSE(search.Next(entry) || never.Next(entry));
    ASSERT_TRUE(search.Open("", "*.cal"));
    search.Close();
    EXPECT_FALSE(search.Next(entry));
}

TEST(FormatPath, ExtensionReplacedOrAppended) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\data\\points.txt", "C:\\data\\points.cal"}, {"C:\\data\\points", "C:\\data\\points.cal"},
        {"C:\\data\\points.cal", "C:\\data\\points.cal"}, {"points.tar.gz", "points.tar.cal"},
        {"C:\\v1.2\\points", "C:\\v1.cal"},  // the last '.' of the whole path counts
        {"points.", "points.cal"}, {".txt", ".cal"}, {"", ".cal"},
    };
    for (const auto& [given, definition] : cases) {
        std::string out = "untouched";
        EXPECT_TRUE(MakeFormatPath(given, out)) << given;
        EXPECT_EQ(out, definition) << given;
    }
    std::string out = "untouched";
    EXPECT_TRUE(MakeFormatPath(std::string(kFormatPathMax, 'p').c_str(), out));
    EXPECT_EQ(out.size(), kFormatPathMax + 4);
    out = "untouched";
    EXPECT_FALSE(MakeFormatPath(std::string(kFormatPathMax + 1, 'p').c_str(), out));
    EXPECT_FALSE(MakeFormatPath(nullptr, out));
    EXPECT_EQ(out, "untouched");
}

class FormatFiles : public FreshState {
protected:
    TempFolder folder;
    std::string Put(const std::string& name, const std::string& text) {
        WriteFileBytes(folder.file(name), text);
        return folder.file(name);
    }
    // Loads with stdout captured; returns the result and checks what was printed.
    int32_t Load(const std::string& path, const char* printed, const char* wanted = nullptr) {
        ResetConversionState();
        testing::internal::CaptureStdout();
        const int32_t result = LoadFormatFile(path.c_str(), wanted);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), printed) << path;
        return result;
    }
};

TEST_F(FormatFiles, ReadsTheDefinitionBesideTheDataFile) {
    Put("points.cal", "FieldCount=4\r\nExt=txt\r\n");
    for (const char* given : {"points.txt", "points", "points.cal"}) {
        EXPECT_EQ(Load(folder.file(given), ""), 0) << given;
        EXPECT_EQ(State().FieldCount, 4) << given;
        EXPECT_EQ(State().Ext, ".txt") << given;
    }
    std::filesystem::create_directory(folder.file("v1.2"));  // a dot in a folder name counts
    Put("v1.cal", "FieldCount=6");
    EXPECT_EQ(Load(folder.file("v1.2/points"), ""), 0);
    EXPECT_EQ(State().FieldCount, 6);
    // Binary reading: nothing stops at a NUL or a Ctrl-Z; large files are read whole.
    Put("big.cal", std::string("FieldCount=4\0\x1a\nHeaderLines=2\n", 29) + std::string(20000, '\n') + "Ext=far");
    EXPECT_EQ(Load(folder.file("big.cal"), ""), 0);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 2);
    EXPECT_EQ(State().Ext, ".far");
    // A wanted keyword is passed on to the walk.
    Put("find.cal", "Source=Garmin\nFormatTitle=Found it\nFieldCount=9\n");
    EXPECT_EQ(Load(folder.file("find.cal"), "", "FormatTitle"), 0);
    EXPECT_EQ(State().FoundValue.value_or("<none>"), "Found it");
    EXPECT_EQ(State().Source, 3);
    EXPECT_EQ(State().FieldCount, 7);
}

TEST_F(FormatFiles, MissingEmptyNullAndOverlongDefinitionsChangeNothing) {
    ResetConversionState();
    const StateSnapshot reset = StateSnapshot::Take();
    EXPECT_EQ(Load(folder.file("nothing.txt"), "No Cal File\n"), -1);
    EXPECT_EQ(Load(folder.path() + "/" + std::string(kFormatPathMax, 'n'), "No Cal File\n"), -1);
    EXPECT_EQ(Load(Put("empty.cal", ""), ""), 0);
    EXPECT_EQ(StateSnapshot::Take(), reset);
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFormatFileAt(folder.file("nothing.cal").c_str(), "Ext"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Cal File\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFormatFile(nullptr, nullptr), 0);
    EXPECT_EQ(LoadFormatFileAt(nullptr, "Ext"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(StateSnapshot::Take(), reset);
}

TEST_F(FormatFiles, RunningOutOfMemoryIsASilentFailure) {
    const std::string path = Put("mem.cal", "FieldCount=4\n");
    ResetConversionState();
    FailAllocationAfter(1);
    EXPECT_EQ(Load(path, ""), -1);
    FailAllocationAfter(0);
    EXPECT_EQ(State().FieldCount, 7);
    EXPECT_EQ(Load(path, ""), 0);
    EXPECT_EQ(State().FieldCount, 4);
}

constexpr int32_t kUnset = 1234;

TEST_F(FormatFiles, ValuesOfDefinitions) {
    Put("comma.cal", "; a comment\nFormatTitle = Comma separated\nDBType = Track2\nField3=x\n");
    Put("bare.cal", "FieldCount=3\n");
    struct { const char* keyword; const char* file; bool withBuffer, withLength; const char* value; int32_t length; }
    const cases[] = {  // keyword null: the title; length kUnset: untouched
        {nullptr, "comma.txt", true, true, "Comma separated", 15}, {nullptr, "comma.txt", false, true, "", 15},
        {nullptr, "comma", true, false, "Comma separated", kUnset}, {nullptr, "bare.txt", true, true, "", kUnset},
        {"DBType", "comma.txt", true, true, "Track2", 6}, {"dbtype", "comma.cal", true, true, "Track2", 6},
        {"Field3", "comma.txt", true, true, "", kUnset},  // a name that is no keyword
        {"Ext", "comma.txt", true, true, "", kUnset}, {"", "comma.txt", true, true, "", kUnset},  // "": null
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.keyword ? c.keyword : "title") << " of " << c.file);
        char buffer[600];
        std::memset(buffer, 'Z', sizeof buffer);
        int32_t length = kUnset;
        const std::string path = folder.file(c.file);
        char* value = c.withBuffer ? buffer : nullptr;
        int32_t* lengthOut = c.withLength ? &length : nullptr;
        EXPECT_EQ(c.keyword == nullptr ? RLGetCalFileTitle(path.c_str(), value, lengthOut)
                                       : RLGetCalFileInfo(*c.keyword ? c.keyword : nullptr, path.c_str(), value, lengthOut),
                  0);
        EXPECT_EQ(c.withBuffer ? std::string(buffer) : std::string(1, buffer[0]), c.withBuffer ? c.value : "Z");
        EXPECT_EQ(length, c.withLength ? c.length : kUnset);
        EXPECT_FALSE(State().FoundValue || State().FormatTitle || State().Header);
    }
}

TEST_F(FormatFiles, LookupResetsAndAppliesTheLinesBefore) {
    const std::string path = Put("order.cal", "Source=Garmin\nHeader=h\nDBType=Route\nHeaderLines=4\n");
    State().FieldCount = 99;
    char buffer[64];
    RLGetCalFileInfo("DBType", path.c_str(), buffer, nullptr);
    EXPECT_STREQ(buffer, "Route");
    EXPECT_EQ(State().FieldCount, 7);          // reset first
    EXPECT_EQ(State().Source, 3);              // applied before the wanted line
    EXPECT_EQ(State().DBKind, 0);              // the wanted line is not applied
    EXPECT_EQ(State().HeaderLines, 0);         // nor anything after it
    EXPECT_FALSE(State().Header.has_value());  // freed at the end
    RLGetCalFileInfo("Field3", path.c_str(), buffer, nullptr);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(State().DBKind, 2);  // the whole file was applied
    EXPECT_EQ(State().HeaderLines, 4);
}

TEST_F(FormatFiles, LookupFailuresLeaveTheBufferEmpty) {
    char buffer[kFormatLineMax + 1] = "stale";
    int32_t length = kUnset;
    testing::internal::CaptureStdout();
    EXPECT_EQ(RLGetCalFileTitle(folder.file("none.txt").c_str(), buffer, &length), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Cal File\n");
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, "stale");
    testing::internal::CaptureStdout();
    EXPECT_EQ(RLGetCalFileInfo("Ext", nullptr, buffer, &length), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(length, kUnset);
    EXPECT_EQ(RLGetCalFileInfo(nullptr, nullptr, nullptr, nullptr), 0);
    // Running out of memory anywhere is survived; the longest value fits kFormatLineMax + 1 bytes.
    const std::string path = Put("mem.cal", "FormatTitle=T\n");
    for (long nth = 1; nth <= 3; ++nth) {
        FailAllocationAfter(nth);
        EXPECT_EQ(RLGetCalFileTitle(path.c_str(), buffer, &length), 0);
        FailAllocationAfter(0);
    }
    EXPECT_EQ(RLGetCalFileTitle(path.c_str(), buffer, &length), 0);
    EXPECT_STREQ(buffer, "T");
    EXPECT_EQ(length, 1);
    RLGetCalFileTitle(Put("long.cal", "FormatTitle=" + std::string(2000, 't')).c_str(), buffer, &length);
    EXPECT_EQ(length, static_cast<int32_t>(kFormatLineMax - 12));
    EXPECT_EQ(std::strlen(buffer), kFormatLineMax - 12);
}

// The search works on the current folder, so each case runs inside its own.
class ExtensionSearch : public FormatFiles {
protected:
    // The path found (kind in kind_), or the empty text.
    std::string Search(int32_t filter, const char* extension) {
        char out[kFormatSearchPathSize];
        std::memset(out, 'Z', sizeof out);
        kind_ = FindFormatForExtension(filter, extension, out);
        return out;
    }
    std::string Here(const std::string& name) { return JoinPath(CurrentFolder(), name.c_str()); }
    int32_t kind_ = 0;
};

TEST_F(ExtensionSearch, KindFilterAndExtChooseAmongDefinitions) {
    Put("a_point.cal", "DBType=Point\nExt=txt\n");
    Put("b_track.cal", "DBType=Track\nExt=txt\n");
    Put("c_route.cal", "DBType=route\nExt=RTE\n");
    Put("notes.txt", "DBType=Route\nExt=txt\n");
    Put("datum.cal", "DBType=Datum\nExt=dat\n");
    Put("untyped.cal", "Ext=unt\n");
    Put("track2.cal", "DBType=Track2\nExt=tk2\n");
    Put("dotted.cal", "Ext=.csv\n");
    Put("UPPER.CAL", "DBType=Route\nExt=GpX\n");
    std::filesystem::create_directory(folder.file("d_folder.cal"));
    CurrentFolderScope here(folder.path());
    struct { int32_t filter; const char* ext; const char* found; int32_t kind; } const cases[] = {
        {1, "txt", "b_track.cal", 1}, {0, "TXT", "a_point.cal", 0}, {2, "rte", "c_route.cal", 2},
        {2, "txt", nullptr, 65535}, {65535, "csv", nullptr, 65535}, {65535, nullptr, nullptr, 65535},
        {65535, ".csv", "dotted.cal", 65535},  // Ext is compared as written, no dot added
        {2, "gpx", "UPPER.CAL", 2},             // names match any case; the file is read by its own name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Search(c.filter, c.ext), c.found ? Here(c.found) : "") << c.filter << ' ' << (c.ext ? c.ext : "null");
        EXPECT_EQ(kind_, c.kind);
    }
    EXPECT_EQ(State().DBKind, 2);  // the state keeps what the last definition examined left
    // A missing or unknown kind never filters a definition out.
    for (int32_t filter : {0, 1, 2, 65535}) {
        for (const auto& [ext, file] : {std::pair{"dat", "datum.cal"}, {"unt", "untyped.cal"}, {"tk2", "track2.cal"}}) {
            EXPECT_EQ(Search(filter, ext), Here(file)) << filter << ext;
            EXPECT_EQ(kind_, 65535);
        }
    }
    // With any kind, the first of the two "txt" definitions the folder search yields.
    FolderSearch search;
    ASSERT_TRUE(search.Open(folder.path(), "*_*.cal"));
    FolderEntry first;
    while (search.Next(first) && first.name != "a_point.cal" && first.name != "b_track.cal") {}
    EXPECT_EQ(Search(65535, "txt"), Here(first.name));
    EXPECT_EQ(kind_, first.name == "a_point.cal" ? 0 : 1);
}

TEST_F(ExtensionSearch, EmptyFolderLongValuesAndDeepFolders) {
    {
        CurrentFolderScope here(folder.path());
        testing::internal::CaptureStdout();
        EXPECT_EQ(Search(65535, "txt"), "");
        EXPECT_EQ(kind_, 65535);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(FindFormatForExtension(65535, "txt", nullptr), 65535);
        Put("long.cal", "DBType=" + std::string(400, 'T') + "\nExt=" + std::string(400, 'e') + "\n");
        Put(std::string(200, 'n') + ".cal", "Ext=nnn\n");
        EXPECT_EQ(Search(65535, std::string(400, 'e').c_str()), "");  // values are cut at 259
        EXPECT_EQ(Search(65535, std::string(259, 'e').c_str()), Here("long.cal"));
        const std::string expected = Here(std::string(200, 'n') + ".cal");  // passed over when it would not fit
        EXPECT_EQ(Search(65535, "nnn"), expected.size() < kFormatSearchPathSize ? expected : std::string());
    }
    std::string deep = folder.path();
    while (deep.size() <= 300) deep += "/" + std::string(60, 'd');
    std::filesystem::create_directories(deep);
    WriteFileBytes(deep + "/x.cal", "Ext=txt\n");
    CurrentFolderScope here(deep);
    EXPECT_EQ(Search(65535, "txt"), "");
    EXPECT_EQ(kind_, 65535);
}

}  // namespace
