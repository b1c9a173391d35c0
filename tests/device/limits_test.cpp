// The edges of the copies: sources kept unless moved, destinations equal
// to their sources and the sync list's pairs. (A PC write that fails
// partway is one step of the file-call fault loop.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device/sync_list.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"

using namespace vezuved;

using namespace devtest;

namespace {

class LimitsTest : public SyncTest {};

TEST_F(LimitsTest, CopiesKeepTheSourceAndEqualIt) {
    // To the device (moved or not: the copy tests) the bytes arrive whole.
    const std::string big(2500, 'b');
    WritePc("res.prc", big);
    EXPECT_EQ(0, ToDevice(Pc("res.prc"), optMove));
    EXPECT_EQ(big, ReadFile(DeviceFile("res.prc")));
    // From the device: the device file stays, and a longer older PC file is
    // replaced whole, with no old tail.
    WritePc("flag.rli", std::string(5000, 'o'), kBaseTime - 1);
    WriteDevice("flag.rli", "short");
    EXPECT_EQ(devReplaced, FromDevice(9, nullptr, optAlways));
    EXPECT_EQ("short", ReadFile(Pc("flag.rli")));
    EXPECT_EQ("short", ReadFile(DeviceFile("flag.rli")));
    Push("Home.rlp", kPoints);
    WritePc("Home.rlp", std::string(5000, 'o'), kBaseTime - 1);
    EXPECT_EQ(0, FromDevice(0, nullptr));
    EXPECT_EQ(std::string::npos, ReadFile(Pc("Home.rlp")).find("oo"));
    EXPECT_NE(std::string::npos, ReadFile(Pc("Home.rlp")).find("Cabin"));
}

TEST_F(LimitsTest, APairFoundByPathKeepsItsDeviceName) {
    FreeSyncList();
    const WideString path = W("/pc/Home.rlp");
    AddSyncPair(nullptr, path.c_str());
    AddSyncPair(W("Home").c_str(), path.c_str());
    AddSyncPair(nullptr, path.c_str());
    ASSERT_EQ(1u, SyncList().size());
    EXPECT_EQ(W("Home"), SyncList()[0].name);
    FreeSyncList();
}

}  // namespace
