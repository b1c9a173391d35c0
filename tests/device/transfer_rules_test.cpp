// Classification of PC files by extension and forced kind, which needs no
// device. (The skip rules, numbered names, map companions and the reading of
// record lines are checked through the copies that use them.)
#include <gtest/gtest.h>

#include <string>

#include "device/device_volume.h"
#include "device_test_support.h"
#include "state/device_state.h"

using namespace vezuved;

using devtest::W;

namespace {

TEST(DeviceKindsTest, ClassifyExtension) {
    struct {
        int32_t forced;
        const char* ext;
        int32_t known;
        DWORD type, flag;
    } const rows[] = {
        {-1, ".rlr", 1, kTypeTrack, 1},     {-1, ".RLT", 1, kTypeTrack, 0},  {-1, ".rlp", 1, kTypePoints, 0},
        {-1, ".Csv", 1, kTypePoints, 0},    {-1, ".rlm", 1, kTypeMaps, 0},   {-1, ".rli", 1, kTypeIcons, 0},
        {-1, ".prc", 1, kTypeResources, 0}, {-1, ".txt", 0, kTypePoints, 0}, {0, ".txt", 1, kTypePoints, 0},
        {0, ".rlt", 1, kTypeTrack, 0},      {0, ".rlr", 1, kTypeTrack, 1},   {2, ".rlp", 1, kTypeTrack, 1},
        {1, ".rli", 1, kTypeTrack, 0},      {8, ".txt", 1, kTypeMaps, 0},    {9, ".txt", 1, kTypeIcons, 0},
        {10, ".txt", 1, kTypeResources, 0}, {8, ".rlp", 1, kTypePoints, 0},  {5, ".txt", 0, kTypePoints, 0},
        {-1, nullptr, 0, kTypePoints, 0},
    };
    for (const auto& row : rows) {
        DeviceSettings().forcedKind = row.forced;
        DWORD type = 1, flag = 7;
        EXPECT_EQ(row.known, ClassifyExtension(row.ext ? W(row.ext).c_str() : nullptr, &type, &flag))
            << row.forced << row.ext;
        EXPECT_EQ(row.type, type) << row.forced << row.ext;
        EXPECT_EQ(row.flag, flag) << row.forced << row.ext;
    }
    DeviceSettings().forcedKind = -1;
}

}  // namespace
