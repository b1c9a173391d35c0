// Paths in the library's two codes: the exports' ANSI code page, the core's and tool's UTF-8.
// A path names the file it spells, as every other program sees the name.
#include <cstdio>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "platform/folder_search.h"
#include "platform/path_encoding.h"
#include "platform/replacing_file.h"
#include "platform/stream_file.h"
#include "support/test_support.h"

namespace {

// "Café Пешком.txt" in UTF-8: a name no single ANSI code page can spell.
const std::string kName = "Caf\xC3\xA9 \xD0\x9F\xD0\xB5\xD1\x88\xD0\xBA\xD0\xBE\xD0\xBC.txt";

// The names in a folder as the system spells them, made UTF-8 by the standard library.
std::vector<std::string> NamesOnDisk(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder)))
        names.push_back(entry.path().filename().u8string());
    return names;
}

std::string ReadWhole(const std::string& path, PathEncoding encoding) {
    std::FILE* file = PlatformOpenStream(path.c_str(), "rb", encoding);
    if (file == nullptr) return "<cannot be opened>";
    char buffer[64];
    const size_t got = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return std::string(buffer, got);
}

void WriteWhole(const std::string& path, PathEncoding encoding, const std::string& text) {
    ReplacingFile file;
    ASSERT_TRUE(OpenReplacingFile(file, path.c_str(), encoding)) << file.failure;
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.file), text.size());
    ASSERT_TRUE(CommitReplacingFile(file)) << file.failure;
}

// The names a search for "*.txt" finds.
std::vector<std::string> Found(const std::string& folder, PathEncoding encoding) {
    std::vector<std::string> names;
    FolderSearch search;
    FolderEntry entry;
    if (search.Open(folder, "*.txt", encoding))
        while (search.Next(entry)) names.push_back(entry.name);
    return names;
}

TEST(PathEncoding, AUtf8PathWritesFindsAndReadsTheFileOfItsName) {
    TempFolder folder;
    const std::string path = folder.file(kName);
    WriteWhole(path, PathEncoding::Utf8, "points");
    EXPECT_EQ(NamesOnDisk(folder.path()), std::vector<std::string>{kName});
    EXPECT_EQ(ReadWhole(path, PathEncoding::Utf8), "points");
    EXPECT_TRUE(PlatformSameFile(path.c_str(), path.c_str(), PathEncoding::Utf8));
    EXPECT_EQ(Found(folder.path(), PathEncoding::Utf8), std::vector<std::string>{kName});
#if !defined(_WIN32)
    // Either code is the path's bytes.
    WriteWhole(path, PathEncoding::Ansi, "bytes");
    EXPECT_EQ(NamesOnDisk(folder.path()), std::vector<std::string>{kName});
    EXPECT_EQ(ReadWhole(path, PathEncoding::Utf8), "bytes");
    EXPECT_EQ(ReadWhole(path, PathEncoding::Ansi), "bytes");
    EXPECT_EQ(CurrentFolder(PathEncoding::Utf8), CurrentFolder(PathEncoding::Ansi));
#endif
}

#if defined(_WIN32)

TEST(PathEncoding, EachCodeConvertsByTheSystemsOwnRules) {
    const std::wstring wideName = L"Caf\u00E9 \u041F\u0435\u0448\u043A\u043E\u043C.txt";
    std::wstring wide;
    EXPECT_TRUE(WidePathOf(kName.c_str(), PathEncoding::Utf8, wide));
    EXPECT_EQ(wide, wideName);
    std::string back;
    EXPECT_TRUE(NarrowPathOf(wideName.c_str(), wideName.size(), PathEncoding::Utf8, back));
    EXPECT_EQ(back, kName);
    // Broken UTF-8 names no file, rather than one with U+FFFD in it.
    EXPECT_FALSE(WidePathOf("Caf\xC3(.txt", PathEncoding::Utf8, wide));
    EXPECT_TRUE(wide.empty());
    wchar_t fixed[8];
    EXPECT_EQ(WidePathInto("too long for it", PathEncoding::Utf8, fixed, 8), 0);
    EXPECT_EQ(WidePathInto("fits", PathEncoding::Utf8, fixed, 8), 5);
    // A code page without Cyrillic and Latin letters both cannot spell it.
    if (GetACP() != CP_UTF8) {
        EXPECT_FALSE(NarrowPathOf(wideName.c_str(), wideName.size(), PathEncoding::Ansi, back));
    }
}

TEST(PathEncoding, AnAnsiPathAndItsUtf8SpellingNameOneFile) {
    if (GetACP() != 1252) GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 1252";
    TempFolder folder;
    WriteWhole(folder.file("Caf\xE9.txt"), PathEncoding::Ansi, "ansi");
    EXPECT_EQ(NamesOnDisk(folder.path()), std::vector<std::string>{"Caf\xC3\xA9.txt"});
    EXPECT_EQ(ReadWhole(folder.file("Caf\xC3\xA9.txt"), PathEncoding::Utf8), "ansi");
    std::string back;
    EXPECT_TRUE(NarrowPathOf(L"Caf\u00E9", 4, PathEncoding::Ansi, back));
    EXPECT_EQ(back, "Caf\xE9");
    // A name the code page cannot spell is passed over by an ANSI search.
    WriteWhole(folder.file(kName), PathEncoding::Utf8, "utf-8");
    EXPECT_EQ(Found(folder.path(), PathEncoding::Ansi), std::vector<std::string>{"Caf\xE9.txt"});
}

#endif

}  // namespace
