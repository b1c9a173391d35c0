// The file-call fault seam read from its text, as the tests' programs read
// VEZUVED_FAIL_IO: a text it cannot read arms nothing, so no run passes for
// a fault that never fired.
#if defined(VEZUVED_IO_FAULTS)

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/io_faults.h"

using namespace vezuved;

namespace {

TEST(IoFaults, OnlyAWholeKnownTextArmsTheSeam) {
    const struct {
        const char* text;
        bool armed;
    } rows[] = {{"read:2", true},
                {"write:1:28", true},
                {"settime:1", true},
                {"bogus:1", false},
                {"rea:1", false},
                {"reads:1", false},
                {"read", false},
                {"read:", false},
                {"read:-1", false},
                {"read:2x", false},
                {"read:2:5x", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        FailIoCallAfter(IoCall::Read, 0, 0);
        EXPECT_EQ(ArmIoFaultsFromText(row.text), row.armed);
    }
    // The second read of "read:2" fails with EIO; nothing else does.
    ASSERT_TRUE(ArmIoFaultsFromText("read:2"));
    EXPECT_FALSE(IoCallFails(IoCall::Open));
    EXPECT_FALSE(IoCallFails(IoCall::Read));
    EXPECT_TRUE(IoCallFails(IoCall::Read));
    EXPECT_EQ(errno, EIO);
    EXPECT_FALSE(IoCallFails(IoCall::Read));
    EXPECT_EQ(FailIoCallAfter(IoCall::Read, 0, 0), 3);
}

}  // namespace

#endif
