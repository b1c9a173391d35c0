// The file calls the device copies make, answered as Windows answers them
// (a handle does only what it was opened for), and the page buffers whole
// files are read into.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "platform/host_file.h"
#include "platform/io_faults.h"
#include "platform/page_buffer.h"
#include "support/test_support.h"

namespace {

TEST(HostFile, AHandleReadsOrWritesOnlyAsOpened) {
    TempFolder folder;
    const vezuved::WideString path = vezuved::WidenedText(folder.file("points.txt").c_str());
    char bytes[8] = "abc";
    DWORD done = 0;
    struct Case {
        DWORD access;
        bool reads, writes;
    };
    const Case cases[] = {{GENERIC_WRITE, false, true},
                          {GENERIC_READ, true, false},
                          {GENERIC_READ | GENERIC_WRITE, true, true}};
    for (const Case& c : cases) {
        const HANDLE file = vezuved::PlatformCreateFile(path.c_str(), c.access, 0, OPEN_ALWAYS, 0);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << c.access;
        EXPECT_EQ(vezuved::PlatformReadFile(file, bytes, sizeof bytes, &done) != FALSE, c.reads) << c.access;
        EXPECT_EQ(vezuved::PlatformWriteFile(file, "abc", 3, &done) != FALSE, c.writes) << c.access;
        EXPECT_NE(vezuved::PlatformCloseHandle(file), FALSE);
    }
}

// Each way of opening, on a file there and on none: whether it opens, the
// last error it leaves, and what the file then holds.
TEST(HostFile, EachDispositionAnswersAsWindowsDoes) {
    TempFolder folder;
    const std::string named = folder.file("points.txt");
    const vezuved::WideString path = vezuved::WidenedText(named.c_str());
    const struct {
        DWORD disposition;
        bool there, opens;
        DWORD error;
        const char* holds;  // nullptr: no file
    } cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.disposition) + (c.there ? " there" : " none"));
        std::remove(named.c_str());
        if (c.there) WriteFileBytes(named, "old");
        const HANDLE file = vezuved::PlatformCreateFile(path.c_str(), GENERIC_WRITE, 0, c.disposition, 0);
        EXPECT_EQ(vezuved::PlatformGetLastError(), c.error);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_NE(vezuved::PlatformCloseHandle(file), FALSE);
        }
        EXPECT_EQ(FileExists(named), c.holds != nullptr);
        EXPECT_EQ(c.holds != nullptr ? ReadFileText(named) : "", c.holds != nullptr ? c.holds : "");
    }
}

#if !defined(_WIN32)
// A search gives a folder's "." and ".." first, as Windows file systems do, then its files.
TEST(HostFile, ASearchGivesTheDotsFirst) {
    TempFolder folder;
    for (const char* name : {"a.txt", "b.txt", "..c"}) WriteFileBytes(folder.file(name), "x");
    HostFindData found{};
    const HANDLE search =
        vezuved::PlatformFindFirstFile(vezuved::WidenedText(folder.file("*").c_str()).c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do {
        names.push_back(vezuved::NarrowedText(found.cFileName));
    } while (vezuved::PlatformFindNextFile(search, &found));
    EXPECT_NE(vezuved::PlatformFindClose(search), FALSE);
    ASSERT_EQ(names.size(), 5u);
    std::sort(names.begin() + 2, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "..c", "a.txt", "b.txt"}));
}
#endif

#if defined(VEZUVED_IO_FAULTS)
// A read the fault seam fails with no error ends the file there: nothing
// more is read, and the read succeeds with what it had.
TEST(HostFile, AReadEndedEarlyReadsNothingMore) {
    TempFolder folder;
    const std::string named = folder.file("points.txt");
    WriteFileBytes(named, "abc");
    const HANDLE file = vezuved::PlatformCreateFile(
        vezuved::WidenedText(named.c_str()).c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(vezuved::ArmIoFaultsFromText("read:1:0"));
    char bytes[8] = "";
    DWORD done = 99;
    EXPECT_NE(vezuved::PlatformReadFile(file, bytes, 3, &done), FALSE);
    EXPECT_EQ(done, 0u);
    vezuved::FailIoCallAfter(vezuved::IoCall::Read, 0, 0);
    EXPECT_NE(vezuved::PlatformCloseHandle(file), FALSE);
}
#endif

// A buffer allocated again gives back what it held first, and is left
// empty when the system has no room for the new size.
TEST(PageBuffer, AllocatingAgainFreesWhatWasHeld) {
    vezuved::PageBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(4096));
    buffer.data()[0] = 'x';
    ASSERT_TRUE(buffer.Allocate(8192));
    EXPECT_EQ(buffer.size(), 8192u);
    EXPECT_EQ(buffer.data()[0], 0);
    EXPECT_FALSE(buffer.Allocate(static_cast<size_t>(-1) - 4095));  // the whole address space
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.data(), nullptr);
}

}  // namespace
