// The whole-or-nothing file: the target changes only at the commit, and a
// failure or a discard leaves the previous file and no temporary file.
#include <cerrno>
#include <filesystem>
#include <memory>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>
#endif

#include "platform/replacing_file.h"
#include "platform/replacing_file_names.h"
#include "platform/stream_file.h"
#include "platform/system.h"
#include "platform/temporary_registry.h"
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
            ASSERT_TRUE(OpenReplacingFile(file, target.c_str(), PathEncoding::Ansi));
            ASSERT_TRUE(Write(file, "new contents"));
            ASSERT_TRUE(std::fflush(file.file) == 0);
            EXPECT_EQ(ReadFileText(target), "previous");
            EXPECT_EQ(FolderNames(folder.path()).size(), 2u);  // the target and the temporary file
            if (commit) {
                EXPECT_TRUE(CommitReplacingFile(file)) << file.failure;
            }
        }  // without the commit the owner discards
        EXPECT_EQ(ReadFileText(target), commit ? "new contents" : "previous");
        EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"keep.txt"});
    }
    // An owner given another's file gives up its own first: its temporary goes.
    {
        ReplacingFile first, second;
        ASSERT_TRUE(OpenReplacingFile(first, folder.file("one.txt").c_str(), PathEncoding::Ansi));
        ASSERT_TRUE(OpenReplacingFile(second, target.c_str(), PathEncoding::Ansi));
        ASSERT_TRUE(Write(second, "moved"));
        first = std::move(second);
        EXPECT_EQ(FolderNames(folder.path()).size(), 2u);  // the target and its temporary file
        EXPECT_TRUE(CommitReplacingFile(first)) << first.failure;
    }
    EXPECT_EQ(ReadFileText(target), "moved");
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"keep.txt"});
    // Opened again, an owner gives up what it held open: only the second file is made.
    {
        ReplacingFile again;
        ASSERT_TRUE(OpenReplacingFile(again, folder.file("one.txt").c_str(), PathEncoding::Ansi));
        ASSERT_TRUE(OpenReplacingFile(again, target.c_str(), PathEncoding::Ansi));
        EXPECT_EQ(FolderNames(folder.path()).size(), 2u);  // the target and its temporary file
        ASSERT_TRUE(Write(again, "again"));
        EXPECT_TRUE(CommitReplacingFile(again)) << again.failure;
    }
    EXPECT_EQ(ReadFileText(target), "again");
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"keep.txt"});
#if !defined(_WIN32)
    // A device is written straight through: no file is put beside it.
    ReplacingFile device;
    ASSERT_TRUE(OpenReplacingFile(device, "/dev/null", PathEncoding::Ansi)) << device.failure;
    ASSERT_TRUE(Write(device, "gone"));
    EXPECT_TRUE(CommitReplacingFile(device)) << device.failure;
#endif
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
        EXPECT_FALSE(OpenReplacingFile(file, row.target.c_str(), PathEncoding::Ansi));
        EXPECT_EQ(file.failure.rfind(row.named, 0), 0u) << file.failure;
        EXPECT_GT(file.failure.size(), row.named.size() + 4);  // the system's reason follows
        EXPECT_TRUE(FolderNames(folder.path()).empty());
    }
}

// The temporary file lies in the target's folder, which messages name.
TEST(ReplacingFile, TheTemporaryLiesInTheTargetsFolder) {
    const struct {
        std::string target, folder, temporary;
    } rows[] = {
        {"a.pdb", ".", ".vezuved-7-1.tmp"},
        {"/a.pdb", "/", "/.vezuved-7-1.tmp"},
        {"d/e/a.pdb", "d/e", "d/e/.vezuved-7-1.tmp"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FolderOfPath(row.target), row.folder);
        EXPECT_EQ(TemporaryNameBeside(row.target, 7, 1), row.temporary);
    }
}

TEST(ReplacingFile, SameFileHoweverSpelt) {
    TempFolder folder;
    WriteFileBytes(folder.file("a"), "a");
    WriteFileBytes(folder.file("b"), "a");
    const std::string a = folder.file("a");
    EXPECT_TRUE(PlatformSameFile(a.c_str(), (folder.path() + "/./a").c_str(), PathEncoding::Ansi));
    EXPECT_FALSE(PlatformSameFile(a.c_str(), folder.file("b").c_str(), PathEncoding::Ansi));
    EXPECT_FALSE(PlatformSameFile(a.c_str(), folder.file("missing").c_str(), PathEncoding::Ansi));
}

#if !defined(_WIN32)
// A full disk met at the commit's flush, or an error the stream carries (a failed read), fails it.
TEST(ReplacingFile, AFailedStreamKeepsThePreviousFile) {
    for (bool full : {true, false}) {
        TempFolder folder;
        const std::string target = folder.file("keep.txt");
        WriteFileBytes(target, "previous");
        ReplacingFile file;
        ASSERT_TRUE(OpenReplacingFile(file, target.c_str(), PathEncoding::Ansi));
        {
            std::unique_ptr<FileSizeLimit> limit(full ? new FileSizeLimit(512) : nullptr);
            ASSERT_TRUE(Write(file, std::string(1000, 'x')));  // buffered: the commit's flush meets the limit
            if (!full) {  // one read with the descriptor closed fails and marks the stream
                ASSERT_EQ(std::fflush(file.file), 0);
                const int fd = PlatformStreamDescriptor(file.file), saved = ::dup(fd);
                ::close(fd);
                EXPECT_EQ(std::fgetc(file.file), EOF);
                ::dup2(saved, fd);
                ::close(saved);
            }
            EXPECT_FALSE(CommitReplacingFile(file));
        }
        if (full) {
            EXPECT_EQ(file.failure, "cannot write '" + target + "': File too large");
        }
        EXPECT_EQ(ReadFileText(target), "previous");
        EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"keep.txt"});
    }
}

// Every name a temporary may take is another's file: the write fails and removes none of them.
TEST(ReplacingFile, WithEveryTemporaryNameTakenItFailsAndRemovesNone) {
    TempFolder folder;
    const std::string target = folder.file("keep.txt");
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt)
        WriteFileBytes(TemporaryNameBeside(target, static_cast<unsigned long>(::getpid()), attempt),
                       "theirs");
    {
        ReplacingFile file;
        EXPECT_FALSE(OpenReplacingFile(file, target.c_str(), PathEncoding::Ansi));
        EXPECT_EQ(file.failure, "cannot write '" + target + "': File exists");
    }
    EXPECT_EQ(FolderNames(folder.path()).size(), kTemporaryNameAttempts);
}

void MakeOld(const std::string& path, long days) {
    struct utimbuf times;
    times.actime = times.modtime = std::time(nullptr) - days * 24 * 60 * 60 - 60;
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

// A write interrupted before its rename leaves its temporary file; the next write into that folder
// removes it once a day old or its process has ended, and never a name not quite the library's.
TEST(ReplacingFile, TheNextWriteRemovesStaleTemporariesOfTheLibraryOnly) {
    TempFolder folder;
    const std::string target = folder.file("keep.txt");
    WriteFileBytes(target, "previous");
    ReplacingFile interrupted;  // the process ends while it writes: nothing removes its file
    ASSERT_TRUE(OpenReplacingFile(interrupted, target.c_str(), PathEncoding::Ansi));
    ASSERT_TRUE(Write(interrupted, "half of it"));
    std::fclose(interrupted.file);
    interrupted.file = nullptr;
    const std::string left = interrupted.temporary;
    interrupted.temporary.clear();
    const pid_t gone = fork();  // a process that has ended
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(gone, waitpid(gone, nullptr, 0));
    const struct {
        std::string name;
        long days;
        bool stays;
    } rows[] = {
        {left.substr(folder.path().size() + 1), 2, false},
        {".vezuved-1-99.tmp", 2, false},
        {"a.b.~vz12", 2, false},
        {"a.~vz7", 2, false},                                            // a name of one letter
        {".vezuved-" + std::to_string(::getpid()) + "-1.tmp", 0, true},  // young: its write may be busy
        {".vezuved-" + std::to_string(gone) + "-1.tmp", 0, false},       // its writer has ended
        {".vezuved-99999999999-1.tmp", 0, true},                         // no process id: cannot be told
        {"Home.rlp.~vz4", 0, true},
        {".vezuved-notes.tmp", 9, true},  // not a name of the library's
        {".vezuved-x-0.tmp", 9, true},
        {".vezuved-4711-.tmp", 9, true},
        {".vezuved-4711-0.tmp.bak", 9, true},
        {"vezuved-4711-0.tmp", 9, true},
        {"notes.tmp", 9, true},
        {"notes.~vz", 9, true},
        {".~vz1", 9, true},
        {"Home.rlp.~vz1a", 9, true},
        {"~vezuved-convert-2/", 2, false},  // a work folder, with the file in it
        {"~vezuved-convert-3/", 0, true},
        {"~vezuved-convert-x/", 9, true},
    };
    for (const auto& row : rows) {
        if (row.name.back() == '/') {
            std::filesystem::create_directory(folder.file(row.name));
            WriteFileBytes(folder.file(row.name + "Home.rlp"), "x");
        } else if (!FileExists(folder.file(row.name))) {
            WriteFileBytes(folder.file(row.name), "x");
        }
        MakeOld(folder.file(row.name), row.days);
    }
    ReplacingFile next;
    ASSERT_TRUE(OpenReplacingFile(next, folder.file("other.txt").c_str(), PathEncoding::Ansi));
    ASSERT_TRUE(Write(next, "other"));
    ASSERT_TRUE(CommitReplacingFile(next)) << next.failure;
    for (const auto& row : rows)
        EXPECT_EQ(std::filesystem::exists(folder.file(row.name)), row.stays) << row.name;
    EXPECT_EQ(ReadFileText(target), "previous");
}

// A writer's end is told by its own check, never by the error an earlier
// check left (a writer gone, then one still writing, in one sweep).
TEST(ReplacingFile, AWriterStillRunningIsNotGoneWhateverCameBefore) {
    errno = ESRCH;
    EXPECT_FALSE(PlatformProcessIsGone(static_cast<unsigned long>(::getpid())));
}

// What a signal handler calls removes the files being written, as many at
// once as the registry has room for (16), and only them; a file written
// gives its room back, so the room never runs out however many are.
TEST(ReplacingFile, RegisteredTemporariesAreRemovedOnRequest) {
    TempFolder folder;
    for (int i = 0; i < 40; ++i) {
        ReplacingFile earlier;
        ASSERT_TRUE(OpenReplacingFile(earlier, folder.file("a.txt").c_str(), PathEncoding::Ansi));
        ASSERT_TRUE(CommitReplacingFile(earlier));
    }
    ReplacingFile open[16];
    for (size_t i = 0; i < std::size(open); ++i) {
        const std::string name = std::string(1, static_cast<char>('b' + i)) + ".txt";
        ASSERT_TRUE(OpenReplacingFile(open[i], folder.file(name).c_str(), PathEncoding::Ansi));
    }
    ASSERT_EQ(FolderNames(folder.path()).size(), 17u);
    RemoveRegisteredTemporaries();
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>{"a.txt"});
}
#endif

}  // namespace
