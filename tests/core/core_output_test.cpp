// Files a caller writes through the core: whole on commit, the previous
// file kept on every failure, nothing left beside the target.
#include <cerrno>
#include <cstring>

#include "core_text.h"
#include "platform/io_faults.h"

using Output = std::unique_ptr<vezuved_output, void (*)(vezuved_output*)>;

static Output NewOutput() { return Output(vezuved_output_new(), vezuved_output_free); }

TEST(CoreOutput, WritesTheBytesWholeOnCommitAndNothingUncommittedOrRefuses) {
    TempFolder folder;
    const std::string path = folder.put("table.txt", "the previous version");
    Output output = NewOutput();
    ASSERT_EQ(vezuved_output_open(output.get(), path.c_str()), VEZUVED_OK);
    ASSERT_EQ(vezuved_output_write(output.get(), "one\r\n", 5), VEZUVED_OK);
    ASSERT_EQ(vezuved_output_write(output.get(), "two\0", 4), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(path), "the previous version");  // nothing shows before the commit
    ASSERT_EQ(vezuved_output_commit(output.get()), VEZUVED_OK);
    EXPECT_EQ(ReadFileText(path), std::string("one\r\ntwo\0", 9));
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>({"table.txt"}));
    EXPECT_STREQ(vezuved_output_message(output.get()), "");

    // An output freed uncommitted leaves the previous file.
    folder.put("table.txt", "kept");
    {
        Output half = NewOutput();
        ASSERT_EQ(vezuved_output_open(half.get(), path.c_str()), VEZUVED_OK);
        ASSERT_EQ(vezuved_output_write(half.get(), "half", 4), VEZUVED_OK);
        // One output is one file: opened again, open or committed, it refuses.
        EXPECT_EQ(vezuved_output_open(half.get(), path.c_str()), VEZUVED_ERROR_ARGUMENT);
        EXPECT_EQ(vezuved_output_message(half.get()), "'" + path + "': the output is open already");
        EXPECT_EQ(vezuved_output_open(output.get(), path.c_str()), VEZUVED_ERROR_ARGUMENT);
    }
    EXPECT_EQ(ReadFileText(path), "kept");
    EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>({"table.txt"}));

    Output closed = NewOutput();
    EXPECT_EQ(vezuved_output_open(nullptr, "x"), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_output_write(closed.get(), "x", 1), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_output_message(closed.get()), "the output is not open");
    EXPECT_EQ(vezuved_output_write(closed.get(), nullptr, 1), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_output_open(closed.get(), ""), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_output_message(closed.get()), "no path to write");
    const std::string missing = folder.file("no such folder/table.txt");
    EXPECT_EQ(vezuved_output_open(closed.get(), missing.c_str()), VEZUVED_ERROR_WRITE);
    ExpectHolds(vezuved_output_message(closed.get()), {"no such folder"});
    EXPECT_EQ(vezuved_output_commit(closed.get()), VEZUVED_ERROR_WRITE);
    EXPECT_STREQ(vezuved_output_message(nullptr), "");
}

#if defined(VEZUVED_IO_FAULTS)
TEST(CoreOutput, AFailedWriteOrFlushFailsTheCommitAndKeepsThePreviousFile) {
    // A line reaches the file at the commit's flush; a block larger than the
    // stream's buffer in the write itself, which keeps whatever cause it met.
    const std::string line = "one line\r\n";
    const std::string block(65536, 'x');
    const struct {
        vezuved::IoCall call;
        const char* verb;
        int error;
        const std::string& text;
        bool failsInTheWrite;
    } kCases[] = {
        {vezuved::IoCall::Write, "write", ENOSPC, line, false},
        {vezuved::IoCall::Flush, "write", ENOSPC, line, false},
        {vezuved::IoCall::Rename, "replace", ENOSPC, line, false},
        {vezuved::IoCall::Write, "write", EPERM, block, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(vezuved::IoCallName(c.call));
        TempFolder folder;
        const std::string path = folder.put("table.txt", "the previous version");
        Output output = NewOutput();
        ASSERT_EQ(vezuved_output_open(output.get(), path.c_str()), VEZUVED_OK);
        vezuved::FailIoCallAfter(c.call, 1, c.error);
        const int32_t wrote =
            vezuved_output_write(output.get(), c.text.data(), static_cast<int64_t>(c.text.size()));
        const int32_t committed = vezuved_output_commit(output.get());
        vezuved::FailIoCallAfter(c.call, 0, 0);
        if (c.failsInTheWrite) {
            EXPECT_EQ(wrote, VEZUVED_ERROR_WRITE);
        }
        EXPECT_EQ(committed, VEZUVED_ERROR_WRITE);
        EXPECT_EQ(std::string(vezuved_output_message(output.get())),
                  "cannot " + std::string(c.verb) + " '" + path + "': " + std::strerror(c.error));
        EXPECT_EQ(ReadFileText(path), "the previous version");
        EXPECT_EQ(FolderNames(folder.path()), std::vector<std::string>({"table.txt"}));
    }
}
#endif
