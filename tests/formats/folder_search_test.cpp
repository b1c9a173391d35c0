// The wildcard matcher and the folder search built on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/folder_search.h"
#include "platform/wildcard.h"
#include "state_snapshot.h"
#include "support/test_support.h"

namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(Wildcard, MatchesLikeThePcFileSystem) {
    const MatchCase cases[] = {
        {"*", "abc", true},
        {"*", "", true},
        {"*.*", "abc", true},
        {"*.*", "a.b.c", true},
        {"*.cal", "x.cal", true},
        {"*.cal", "X.CAL", true},
        {"*.CAL", "x.Cal", true},
        {"*.cal", ".cal", true},
        {"*.cal", "x.cal.bak", false},
        {"*.cal", "x.calx", false},
        {"*.cal", "xcal", false},
        {"?.cal", "a.cal", true},
        {"?.cal", "ab.cal", false},
        {"?.cal", ".cal", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "abc", true},
        {"a*b*c", "aXbY", false},
        {"*a", "bbba", true},
        {"*a", "bbab", false},
        {"**", "x", true},
        {"*?", "", false},
        {"foo.*", "foo", true},
        {"foo.*", "foo.txt", true},
        {"foo.*", "food", false},
        {"*.", "readme", true},
        {"*.", "read.me", false},
        {"abc", "ABC", true},
        {"abc", "abcd", false},
        {"", "", true},
        {"", "a", false},
        {"\xe4*", "\xc4x", false},  // only ASCII letters fold
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
    }
    EXPECT_FALSE(WildcardMatch(nullptr, "a"));
    EXPECT_FALSE(WildcardMatch("*", nullptr));
}

TEST(Wildcard, PathologicalPatternsStayFast) {
    const std::string name(20000, 'a');
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name.c_str()));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a", name.c_str()));
}

TEST(PathText, SeparatorsAndJoining) {
    EXPECT_TRUE(IsPathSeparator('\\'));
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_TRUE(IsPathSeparator(kPathSeparator));
    EXPECT_FALSE(IsPathSeparator(':'));
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(JoinPath("dir", "x.cal"), "dir" + sep + "x.cal");
    EXPECT_EQ(JoinPath("dir" + sep, "x.cal"), "dir" + sep + "x.cal");
    EXPECT_EQ(JoinPath("dir\\", "x.cal"), "dir\\x.cal");
    EXPECT_EQ(JoinPath("", "x.cal"), "x.cal");
    EXPECT_EQ(JoinPath("dir", nullptr), "dir" + sep);
}

TEST(FolderSearchTest, YieldsMatchingEntriesWithTheirKind) {
    TempFolder folder;
    WriteFileBytes(folder.file("a.cal"), "x");
    WriteFileBytes(folder.file("B.CAL"), "x");
    WriteFileBytes(folder.file("c.txt"), "x");
    std::filesystem::create_directory(folder.file("d.cal"));

    struct PatternCase {
        const char* pattern;
        std::map<std::string, bool> entries;  // name -> is a folder
    };
    const PatternCase cases[] = {
        {"*.cal", {{"a.cal", false}, {"B.CAL", false}, {"d.cal", true}}},
        {"*", {{"a.cal", false}, {"B.CAL", false}, {"c.txt", false}, {"d.cal", true}}},
        {"*.*", {{"a.cal", false}, {"B.CAL", false}, {"c.txt", false}, {"d.cal", true}}},
        {"?.TXT", {{"c.txt", false}}},
        {"*.none", {}},
    };
    for (const PatternCase& c : cases) {
        FolderSearch search;
        ASSERT_TRUE(search.Open(folder.path(), c.pattern));
        std::map<std::string, bool> seen;
        FolderEntry entry;
        while (search.Next(entry)) {
            EXPECT_TRUE(seen.emplace(entry.name, entry.isFolder).second) << entry.name;
        }
        EXPECT_EQ(seen, c.entries) << c.pattern;
        EXPECT_FALSE(search.Next(entry));
    }
}

TEST(FolderSearchTest, MissingFolderYieldsNothing) {
    TempFolder folder;
    FolderSearch search;
    EXPECT_FALSE(search.Open(folder.file("missing"), "*"));
    FolderEntry entry;
    EXPECT_FALSE(search.Next(entry));
    FolderSearch never;
    EXPECT_FALSE(never.Next(entry));
}

TEST(FolderSearchTest, EmptyFolderTextMeansTheCurrentFolder) {
    TempFolder folder;
    WriteFileBytes(folder.file("here.cal"), "x");
    CurrentFolderScope here(folder.path());
    EXPECT_EQ(std::filesystem::path(CurrentFolder()), std::filesystem::current_path());
    FolderSearch search;
    ASSERT_TRUE(search.Open("", "*.cal"));
    FolderEntry entry;
    ASSERT_TRUE(search.Next(entry));
    EXPECT_EQ(entry.name, "here.cal");
    EXPECT_FALSE(entry.isFolder);
    search.Close();
    EXPECT_FALSE(search.Next(entry));
}

}  // namespace
