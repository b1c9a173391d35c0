// The file calls the device copies make, answered as Windows answers them:
// a handle does only what it was opened for.

#include "platform/host_file.h"
#include "base/wide_text.h"
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

}  // namespace
