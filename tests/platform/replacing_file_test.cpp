// The whole-or-nothing file: the target changes only at the commit, and a
// failure or a discard leaves the previous file and no temporary file.
#include <string>

#include "platform/replacing_file.h"
#include "support/test_support.h"

namespace {

bool Write(ReplacingFile& file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file.file) == text.size();
}

TEST(ReplacingFile, ReplacesAnExistingFileOnlyAtTheCommit) {
    TempFolder folder;
    const std::string target = folder.file("keep.txt");
    WriteFileBytes(target, "previous");
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit);
        {
            ReplacingFile file;
            ASSERT_TRUE(OpenReplacingFile(file, target.c_str()));
            ASSERT_TRUE(Write(file, "new contents"));
            ASSERT_TRUE(std::fflush(file.file) == 0);
            EXPECT_EQ(ReadFileText(target), "previous");
            EXPECT_EQ(FolderNames(folder.path()).size(), 2u);  // the target and the temporary file
            if (commit) EXPECT_TRUE(CommitReplacingFile(file)) << file.failure;
        }  // without the commit the owner discards
        EXPECT_EQ(ReadFileText(target), commit ? "new contents" : "previous");
        EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"keep.txt"});
    }
}

TEST(ReplacingFile, RefusesTargetsItCannotReplaceAndNamesThem) {
    TempFolder folder;
    // What failed is named: the target itself, or the folder no file can be made in.
    const struct {
        std::string target, named;
    } rows[] = {
        {folder.file("no/such/folder.txt"), "cannot create a file in '" + folder.file("no/such") + "': "},
        {folder.path(), "cannot write '" + folder.path() + "': "},
    };
    for (const auto& row : rows) {
        ReplacingFile file;
        EXPECT_FALSE(OpenReplacingFile(file, row.target.c_str()));
        EXPECT_EQ(file.failure.rfind(row.named, 0), 0u) << file.failure;
        EXPECT_GT(file.failure.size(), row.named.size() + 4);  // the system's reason follows
        EXPECT_TRUE(FolderNames(folder.path()).empty());
    }
}

TEST(ReplacingFile, SameFileHoweverSpelt) {
    TempFolder folder;
    WriteFileBytes(folder.file("a"), "a");
    WriteFileBytes(folder.file("b"), "a");
    const std::string a = folder.file("a");
    EXPECT_TRUE(PlatformSameFile(a.c_str(), (folder.path() + "/./a").c_str()));
    EXPECT_FALSE(PlatformSameFile(a.c_str(), folder.file("b").c_str()));
    EXPECT_FALSE(PlatformSameFile(a.c_str(), folder.file("missing").c_str()));
}

#if !defined(_WIN32)
TEST(ReplacingFile, AFullDiskKeepsThePreviousFile) {
    TempFolder folder;
    const std::string target = folder.file("keep.txt");
    WriteFileBytes(target, "previous");
    ReplacingFile file;
    ASSERT_TRUE(OpenReplacingFile(file, target.c_str()));
    {
        FileSizeLimit limit(512);
        ASSERT_TRUE(Write(file, std::string(1000, 'x')));  // buffered: the commit's flush meets the limit
        EXPECT_FALSE(CommitReplacingFile(file));
    }
    EXPECT_EQ(file.failure, "cannot write '" + target + "': File too large");
    EXPECT_EQ(ReadFileText(target), "previous");
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"keep.txt"});
}
#endif

}  // namespace
