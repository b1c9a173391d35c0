// Definitions on disk: the wildcard matcher and the folder search, the
// ".cal" path rule and loading, single values read out of definitions, and
// the search of the current folder for the definition of a file extension.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "base/memory.h"
#include "formats/format_catalogue.h"
#include "formats/format_file.h"
#include "platform/folder_search.h"
#include "platform/wildcard.h"
#include "state_snapshot.h"
#include "support/diag_capture.h"
#include "support/test_support.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

namespace {

TEST(Wildcard, MatchesLikeThePcFileSystem) {
    struct {
        const char* pattern;
        const char* name;
        bool matches;
    } const cases[] = {
        {"*", "", true},
        {"*.*", "abc", true},
        {"*.CAL", "x.cal", true},
        {"*.cal", ".cal", true},
        {"*.cal", "x.cal.bak", false},
        {"?.cal", "a.cal", true},
        {"?.cal", ".cal", false},
        {"a?c", "ac", false},
        {"a*b*c", "abc", true},
        {"a*b*c", "aXbY", false},
        {"*?", "", false},
        {"foo.*", "foo", true},
        {"foo.*", "food", false},
        {"*.", "readme", true},
        {"*.", "read.me", false},
        {"", "a", false},
        {"\xe4*", "\xc4x", false},       // only ASCII letters fold
        {"ZONE.CAL", "zone.cal", true},  // the last letter folds too
        {"[.cal", "{.cal", false},       // and nothing beside the letters
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
    EXPECT_FALSE(WildcardMatch(nullptr, "a") || WildcardMatch("*", nullptr));
    const std::string name(20000, 'a');  // pathological patterns stay fast
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name.c_str()));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a", name.c_str()));
}

std::map<std::string, bool> Listing(const std::string& folder, const char* pattern) {  // name -> is a folder
    std::map<std::string, bool> seen;
    FolderSearch search;
    EXPECT_TRUE(search.Open(folder, pattern));
    for (FolderEntry entry; search.Next(entry);)
        EXPECT_TRUE(seen.emplace(entry.name, entry.isFolder).second) << entry.name;
    return seen;
}

TEST(FolderSearchTest, YieldsMatchingEntriesWithTheirKind) {
    TempFolder folder;
    for (const char* name : {"a.cal", "B.CAL", "c.txt"}) WriteFileBytes(folder.file(name), "x");
    std::filesystem::create_directory(folder.file("d.cal"));
    EXPECT_EQ(Listing(folder.path(), "*.cal"),
              (std::map<std::string, bool>{{"a.cal", 0}, {"B.CAL", 0}, {"d.cal", 1}}));
    EXPECT_EQ(Listing(folder.path(), "?.TXT"), (std::map<std::string, bool>{{"c.txt", false}}));
    CurrentFolderScope here(folder.path());  // the empty folder text means the current folder
    EXPECT_EQ(std::filesystem::path(CurrentFolder()), std::filesystem::current_path());
    EXPECT_EQ(Listing("", "B.*"), (std::map<std::string, bool>{{"B.CAL", false}}));
    FolderSearch search, never;  // a missing folder, or a closed or never opened search, yields nothing
    FolderEntry entry;
    EXPECT_FALSE(search.Open(folder.file("missing"), "*") || search.Next(entry) || never.Next(entry));
    ASSERT_TRUE(search.Open("", "*.cal"));
    search.Close();
    EXPECT_FALSE(search.Next(entry));
    // joining folder and name
    EXPECT_TRUE(IsPathSeparator('\\'));
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_FALSE(IsPathSeparator(':'));
    EXPECT_EQ(JoinPath("dir", "x.cal"), "dir" + std::string(1, kPathSeparator) + "x.cal");
    EXPECT_EQ(JoinPath("dir\\", "x.cal"), "dir\\x.cal");
    EXPECT_EQ(JoinPath("", "x.cal"), "x.cal");
}

TEST(FormatPath, ExtensionReplacedOrAppended) {
    const std::string longest(kFormatPathMax, 'p');
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\data\\points.txt", "C:\\data\\points.cal"},
        {"C:\\data\\points", "C:\\data\\points.cal"},
        {"points.tar.gz", "points.tar.cal"},
        {"C:\\v1.2\\points", "C:\\v1.cal"},  // the last '.' of the whole path
        {"", ".cal"},
        {longest.c_str(), nullptr}};
    for (const auto& [given, definition] : cases) {
        std::string out = "untouched";
        EXPECT_TRUE(MakeFormatPath(given, out)) << given;
        EXPECT_EQ(out, definition ? definition : longest + ".cal") << given;
    }
    std::string out = "untouched";
    EXPECT_FALSE(MakeFormatPath(std::string(kFormatPathMax + 1, 'p').c_str(), out) ||
                 MakeFormatPath(nullptr, out));
    EXPECT_EQ(out, "untouched");
}

class FormatFiles : public FreshState {
protected:
    TempFolder folder;
    std::string Put(const std::string& name, const std::string& text) { return folder.put(name, text); }
};

TEST_F(FormatFiles, LoadsTheDefinitionBesideTheDataFile) {
    // Binary reading: nothing stops at a NUL or a Ctrl-Z; large files are read whole.
    Put("points.cal",
        std::string("FieldCount=4\0\x1a\nHeaderLines=2\n", 29) + std::string(20000, '\n') + "Ext=far");
    CapturedDiagnostics said;
    EXPECT_EQ(LoadFormatFile(folder.file("points.txt").c_str(), nullptr), 0);
    EXPECT_EQ(State().FieldCount, 4);
    EXPECT_EQ(State().HeaderLines, 2);
    EXPECT_EQ(State().Ext, ".far");
    std::filesystem::create_directory(folder.file("v1.2"));  // a dot in a folder name counts
    Put("v1.cal", "Source=Garmin\nFormatTitle=Found it\nFieldCount=9\n");
    ResetConversionState();
    EXPECT_EQ(LoadFormatFile(folder.file("v1.2/points").c_str(), "FormatTitle"),
              0);  // a wanted keyword is passed on
    EXPECT_EQ(State().FoundValue.value_or("<none>"), "Found it");
    EXPECT_EQ(State().Layout, 3);
    EXPECT_EQ(State().FieldCount, 7);
    EXPECT_EQ(said.TakeOutput(), "");
}

TEST_F(FormatFiles, MissingEmptyNullOverlongAndOutOfMemoryChangeNothing) {
    ResetConversionState();
    const StateSnapshot reset = StateSnapshot::Take();
    const std::string empty = Put("empty.cal", ""), full = Put("mem.cal", "FieldCount=4\n");
    const std::string overlong = folder.path() + "/" + std::string(kFormatPathMax, 'n');
    CapturedDiagnostics said;
    EXPECT_EQ(LoadFormatFile(folder.file("nothing.txt").c_str(), nullptr), -1);
    EXPECT_EQ(LoadFormatFile(overlong.c_str(), nullptr), -1);
    EXPECT_EQ(LoadFormatFileAt(folder.file("nothing.cal").c_str(), "Ext"), -1);
    EXPECT_EQ(said.TakeOutput(), "No Cal File\nNo Cal File\nNo Cal File\n");
    EXPECT_EQ(LoadFormatFile(empty.c_str(), nullptr), 0);
    EXPECT_EQ(LoadFormatFile(nullptr, nullptr), 0);
    EXPECT_EQ(LoadFormatFileAt(nullptr, "Ext"), 0);
    FailAllocationAfter(1);  // running out of memory is a silent failure
    EXPECT_EQ(LoadFormatFile(full.c_str(), nullptr), -1);
    FailAllocationAfter(0);
    EXPECT_EQ(said.TakeOutput(), "");
    EXPECT_EQ(StateSnapshot::Take(), reset);
}

// A lookup resets the state, applies the lines before the wanted one and
// frees what it read; a failure leaves the buffer empty and the length untouched.
TEST_F(FormatFiles, ValuesOfDefinitions) {
    constexpr int32_t kUnset = 1234;
    const std::string comma =
        Put("comma.cal", "Source=Garmin\nHeader=h\nFormatTitle = Comma\nDBType = Track2\nHeaderLines=4\n");
    Put("long.cal", "FormatTitle=" + std::string(2000, 't'));
    const std::string longest(kFormatLineMax - 12, 't');  // a value fits kFormatLineMax + 1 bytes
    const struct {
        const char* keyword;
        const char* file;
        std::string value;
        int32_t length;
    } cases[] = {
        // keyword null: the title; "": a null keyword
        {nullptr, "comma.txt", "Comma", 5},
        {"dbtype", "comma.cal", "Track2", 6},
        {"Field3", "comma", "", kUnset},
        {"", "comma.txt", "", kUnset},
        {nullptr, "long", longest, int32_t(longest.size())},
        {nullptr, "none", "", kUnset},
    };
    CapturedDiagnostics said;
    for (const auto& c : cases) {
        char buffer[kFormatLineMax + 1] = "stale";
        int32_t length = kUnset;
        const std::string path = folder.file(c.file);
        EXPECT_EQ(c.keyword
                      ? RLGetCalFileInfo(*c.keyword ? c.keyword : nullptr, path.c_str(), buffer, &length)
                      : RLGetCalFileTitle(path.c_str(), buffer, &length),
                  0);
        EXPECT_EQ(buffer, c.value) << (c.keyword ? c.keyword : "title") << ' ' << c.file;
        EXPECT_EQ(length, c.length) << (c.keyword ? c.keyword : "title") << ' ' << c.file;
        EXPECT_FALSE(State().FoundValue || State().FormatTitle || State().Header);
    }
    EXPECT_EQ(said.TakeOutput(), "No Cal File\n");
    char buffer[kFormatLineMax + 1] = "stale";  // either output may be left out
    int32_t length = kUnset;
    EXPECT_EQ(RLGetCalFileTitle(comma.c_str(), nullptr, &length), 0);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(RLGetCalFileTitle(comma.c_str(), buffer, nullptr), 0);
    EXPECT_STREQ(buffer, "Comma");
    EXPECT_EQ(RLGetCalFileInfo(nullptr, nullptr, nullptr, nullptr), 0);
    State().FieldCount = 99;
    RLGetCalFileInfo("DBType", comma.c_str(), buffer, nullptr);
    EXPECT_EQ(State().FieldCount, 7);  // reset, then the lines before applied
    EXPECT_EQ(State().Layout, 3);
    EXPECT_EQ(State().DBKind, 0);  // but not the wanted line or after
    EXPECT_EQ(State().HeaderLines, 0);
    RLGetCalFileInfo("Field3", comma.c_str(), buffer, nullptr);
    EXPECT_EQ(State().DBKind, 1);  // not found: the whole file applied
    EXPECT_EQ(State().HeaderLines, 4);
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
    CurrentFolderScope here(folder.path());
    CapturedDiagnostics said;  // an empty folder
    EXPECT_EQ(Search(65535, "txt"), "");
    EXPECT_EQ(kind_, 65535);
    EXPECT_EQ(said.TakeOutput(), "");
    EXPECT_EQ(FindFormatForExtension(65535, "txt", nullptr), 65535);
    const std::string e400(400, 'e'), e259(259, 'e'), n200(200, 'n');
    const std::pair<std::string, std::string> files[] = {
        {"a_point.cal", "DBType=Point\nExt=txt\n"},
        {"b_track.cal", "DBType=Track\nExt=txt\n"},
        {"c_route.cal", "DBType=route\nExt=RTE\n"},
        {"notes.txt", "DBType=Route\nExt=txt\n"},
        {"datum.cal", "DBType=Datum\nExt=dat\n"},
        {"untyped.cal", "Ext=unt\n"},
        {"dotted.cal", "Ext=.csv\n"},
        {"long.cal", "DBType=" + std::string(400, 'T') + "\nExt=" + e400 + "\n"},
        {n200 + ".cal", "Ext=nnn\n"},
        {"UPPER.CAL", "DBType=Route\nExt=GpX\n"}};
    for (const auto& [name, text] : files) Put(name, text);
    std::filesystem::create_directory(folder.file("d_folder.cal"));
    struct {
        int32_t filter;
        const char* ext;
        const char* found;
        int32_t kind;
    } const cases[] = {
        {1, "txt", "b_track.cal", 1},
        {0, "TXT", "a_point.cal", 0},
        {2, "rte", "c_route.cal", 2},
        {2, "txt", nullptr, 65535},
        {65535, "csv", nullptr, 65535},
        {65535, nullptr, nullptr, 65535},
        {65535, ".csv", "dotted.cal", 65535},  // Ext is compared as written, no dot added
        {2, "dat", "datum.cal", 65535},
        {0, "unt", "untyped.cal", 65535},  // a missing or unknown kind never filters
        {1, e400.c_str(), nullptr, 65535},
        {1, e259.c_str(), "long.cal", 65535},  // values are cut at 259
        {2, "gpx", "UPPER.CAL", 2},            // names match any case; the file is read by its own name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Search(c.filter, c.ext), c.found ? Here(c.found) : "")
            << c.filter << ' ' << (c.ext ? c.ext : "null");
        EXPECT_EQ(kind_, c.kind);
    }
    EXPECT_EQ(State().DBKind, 2);  // the state keeps what the last definition examined left
    const std::string longName = Here(n200 + ".cal");  // passed over when it would not fit
    EXPECT_EQ(Search(65535, "nnn"), longName.size() < kFormatSearchPathSize ? longName : std::string());
    // With any kind, the first of the two "txt" definitions the folder search yields.
    FolderSearch search;
    ASSERT_TRUE(search.Open(folder.path(), "*_*.cal"));
    FolderEntry first;
    while (search.Next(first) && first.name != "a_point.cal" && first.name != "b_track.cal") {
    }
    EXPECT_EQ(Search(65535, "txt"), Here(first.name));
    EXPECT_EQ(kind_, first.name == "a_point.cal" ? 0 : 1);
}

TEST_F(ExtensionSearch, NothingIsFoundFromAFolderDeeperThan260Characters) {
    std::string deep = folder.path();
    while (deep.size() <= 300) deep += "/" + std::string(60, 'd');
    std::filesystem::create_directories(deep);
    WriteFileBytes(deep + "/x.cal", "Ext=txt\n");
    CurrentFolderScope here(deep);
    EXPECT_EQ(Search(65535, "txt"), "");
    EXPECT_EQ(kind_, 65535);
}

}  // namespace
