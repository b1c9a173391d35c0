#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/diag.h"
#include "base/memory.h"
#include "base/unique_handle.h"
#include "base/wide_text.h"

using namespace vezuved;

namespace {

// The handle owner: each valid handle it holds is closed exactly once, and
// never one it handed over or one that is no handle.

std::vector<int> g_closed;

struct TestTraits {
    using Handle = int;
    static Handle Empty() { return -1; }
    static bool IsValid(Handle handle) { return handle > 0; }
    static void Close(Handle handle) { g_closed.push_back(handle); }
};
using Owner = UniqueHandle<TestTraits>;

TEST(UniqueHandle, ClosesEachValidHandleOnce) {
    g_closed.clear();
    {
        Owner none;
        EXPECT_FALSE(none);
        EXPECT_EQ(-1, none.Get());
        Owner zero(0);  // no handle: never closed
        Owner a(3);
        a.Reset(4);  // 3 closed now
        Owner b(std::move(a));
        EXPECT_EQ(-1, a.Get());
        EXPECT_EQ(4, b.Get());
        Owner c(5);
        EXPECT_EQ(5, c.Release());  // handed over: not closed
        EXPECT_FALSE(c.IsValid());
        c = Owner(6);
        c.Close();
        c.Close();         // a second close does nothing
        b = std::move(c);  // 4 closed, b now empty
        EXPECT_FALSE(b);
    }
    EXPECT_EQ((std::vector<int>{3, 6, 4}), g_closed);
}

TEST(TextConversion, WidenAndNarrow) {
    struct {
        const char* source;
        size_t size;
        int32_t count;
        std::vector<uint16_t> expected;
    } const widen[] = {
        {"A\xE9z", 3, 0, {0x41, 0xE9, 0x7A, 0}},  // 0xE9 is not sign-extended; units up to the terminator
        {"abcdef", 6, 3, {'a', 'b', 'c', 0}},     // at most count bytes
        {"ab\0cd", 5, 5, {'a', 'b', 0, 0x5555}},  // stops after the NUL, nothing written past it
        {"", 0, 0, {0}},
        {"\x80\xFF", 2, -4, {0x80, 0xFF, 0}},  // negative count: the source's length
    };
    for (const auto& c : widen) {
        WideUnit out[16];
        std::fill(std::begin(out), std::end(out), static_cast<WideUnit>(0x5555));
        WidenText(out, c.source, c.count);
        EXPECT_EQ(c.expected, std::vector<uint16_t>(out, out + c.expected.size())) << c.source;
    }
    struct {
        std::vector<uint16_t> source;
        int32_t count;
        std::string expected;
    } const narrow[] = {
        {{0x00C4, 0x20AC, 0}, 0, "\xC4\xAC"},  // the low byte, no code page
        {{'a', 'b', 'c', 'd', 0}, 2, "ab"},
        {{'a', 0, 'b', 0}, 4, "a"},  // stops at a zero unit
        {{0xFFE9, 'x', 0}, -1, "\xE9x"},
    };
    for (const auto& c : narrow) {
        std::vector<WideUnit> source(c.source.begin(), c.source.end());
        char out[16];
        std::memset(out, 0x55, sizeof(out));
        NarrowText(out, source.data(), c.count);
        EXPECT_EQ(c.expected, std::string(out));
    }
    // Bytes 0x80..0xFF come back unchanged.
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
    EXPECT_EQ(bytes, NarrowedText(WidenedText(bytes.c_str()).c_str()));
}

TEST(TextConversion, CompareIgnoresAsciiCaseOnly) {
    const WideString upper = WidenedText("HOME.RLP"), lower = WidenedText("home.rlp");
    EXPECT_EQ(0, WideCompareNoCase(upper.c_str(), lower.c_str()));
    const WideString accented = WidenedText("\xC9"),
                     plain = WidenedText("\xE9");  // no case folding beyond ASCII
    EXPECT_EQ(-1, WideCompareNoCase(accented.c_str(), plain.c_str()));
    EXPECT_EQ(-1, WideCompareNoCase(nullptr, lower.c_str()));
    EXPECT_EQ(1, WideCompareNoCase(lower.c_str(), WidenedText("home.rl").c_str()));
}

// Without a sink of the host's, output goes to standard output and a cause
// to the debugger (standard error, where there is none).
TEST(Diagnostics, WithoutAHostsSinkOutputIsStandardOutput) {
    const DiagScope scope(DefaultDiagSink());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    DiagWrite(DiagKind::Output, "out\n", 4);
    DiagWrite(DiagKind::Cause, "VEZUVed: why\n", 13);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "out\n");
    const std::string debugger = ::testing::internal::GetCapturedStderr();
#if !defined(_WIN32)
    EXPECT_EQ(debugger, "VEZUVed: why\n");
#endif
}

// An array whose bytes overflow a size is refused, never allocated short;
// one of empty elements is a block of its own.
TEST(Memory, AnArrayWhoseSizeOverflowsIsRefused) {
    EXPECT_EQ(MemAllocateArray(SIZE_MAX / 4 + 2, 4), nullptr);  // 4 bytes, wrapped
    void* empty = MemAllocateArray(5, 0);
    EXPECT_NE(empty, nullptr);
    MemFree(empty);
}

}  // namespace
